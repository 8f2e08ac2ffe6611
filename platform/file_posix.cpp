// POSIX backend of the file services: only generic POSIX code, and Linux statx and write-back.
#if !defined(_WIN32)

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

#include "platform/native_file.h"

namespace qp {
namespace {

// The handle carries fd + 1, so that fd 0 is not mistaken for "no file".
int Fd(FileHandle file) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(file)) - 1;
}
FileHandle Handle(int fd) {
    return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(fd) + 1);
}

IoStatus StatusOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return IoStatus::not_found;
        case EACCES:
        case EPERM:
        case EROFS:
            return IoStatus::access_denied;
        case EISDIR:
        case ENXIO:  // a pipe opened for writing that no one reads
            return IoStatus::not_regular;
        case ELOOP:
            return IoStatus::link_refused;
        case ENAMETOOLONG:
            return IoStatus::name_too_long;
        case EWOULDBLOCK:
            return IoStatus::in_use;
        case EEXIST:
            return IoStatus::already_exists;
        case ENOSPC:
        case EDQUOT:
            return IoStatus::no_space;
        case EFBIG:
        case EOVERFLOW:
        case ENOMEM:
            return IoStatus::too_large;
        default:
            return IoStatus::io_error;
    }
}

IoStatus FromErrno(int error) {
    const IoStatus status = StatusOf(error);
    // A lock held elsewhere is "resource temporarily unavailable" in the system's words, which
    // would not tell the user that another program has the file.
    native::NoteSystemError(status, status == IoStatus::in_use ? 0 : error);
    return status;
}

int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::read:
            return O_RDONLY;
        case OpenMode::read_write:
            return O_RDWR;
        case OpenMode::create_new:
            return O_RDWR | O_CREAT | O_EXCL;
        case OpenMode::create_always:
            return O_WRONLY | O_CREAT | O_TRUNC;
        case OpenMode::open_always:
            return O_RDWR | O_CREAT;
        case OpenMode::edit:
            return O_RDONLY;
        case OpenMode::edit_in_place:
            return O_RDWR;
        case OpenMode::replacement:
        case OpenMode::replacement_private:
            return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
    }
    return O_RDONLY;
}

// Lengthens the file with its blocks allocated: a sparse tail written through a mapping on a full
// disk would kill the process with SIGBUS, and written through a buffer would fail half way.
IoStatus Lengthen(int fd, std::uint32_t from, std::uint32_t to) {
    const int error = ::posix_fallocate(fd, from, static_cast<off_t>(to - from));
    if (error == 0) return IoStatus::ok;
    if (error != EOPNOTSUPP && error != EINVAL) return FromErrno(error);
    return ::ftruncate(fd, to) == 0 ? IoStatus::ok : FromErrno(errno);
}

// Whether the open file is still the one at `path`: a file replaced by a rename while its opener
// waited for the lock has left the path.
bool StillAtPath(int fd, const char* path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path, &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Readers share the file; every other open holds it alone.
int LockFor(OpenMode mode) {
    return mode == OpenMode::read ? LOCK_SH : LOCK_EX;
}

// Edits check that the file they hold is the one at the path.
bool HeldForEdit(OpenMode mode) {
    return mode == OpenMode::edit || mode == OpenMode::edit_in_place;
}

// The permission bits of a file an open creates, before the umask.
mode_t PermissionsFor(OpenMode mode) {
    return mode == OpenMode::replacement_private ? 0600 : 0644;
}

OpenResult OpenLocked(const char* path, int flags, int lock, mode_t permissions = 0644) {
    // Truncation must wait until the lock is held, or a file held by another handle would be
    // emptied by an open that then fails. The open does not wait: a pipe would block it until
    // someone opened the other end, and only a regular file is kept.
    const int fd = ::open(path, (flags & ~O_TRUNC) | O_CLOEXEC | O_NONBLOCK, permissions);
    if (fd < 0) return {nullptr, FromErrno(errno)};
    IoStatus status = IoStatus::ok;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        status = native::Noted(IoStatus::not_regular);
    } else if (::fcntl(fd, F_SETFL, 0) != 0) {  // O_NONBLOCK was the one status flag set
        status = FromErrno(errno);
    } else if (::flock(fd, lock | LOCK_NB) != 0) {  // sharing as on Windows: every open locks
        status = FromErrno(errno);
    } else if ((flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) {
        status = FromErrno(errno);
    }
    if (status == IoStatus::ok) return {Handle(fd), IoStatus::ok};
    // A file this open created goes again: nothing is left of an open that failed.
    if (flags & O_EXCL) ::unlink(path);
    ::close(fd);
    return {nullptr, status};
}

// Reads until `count` bytes are in, the file ends or the system fails: at the current position,
// or at `*offset` without moving it.
Transfer ReadAll(int fd, char* buffer, std::uint32_t count, const off_t* offset) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t got = offset == nullptr
                                ? ::read(fd, buffer + done, count - done)
                                : ::pread(fd, buffer + done, count - done, *offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {done, FromErrno(errno)};
        if (got == 0) return {done, IoStatus::truncated};
        done += static_cast<std::uint32_t>(got);
    }
    return {done, IoStatus::ok};
}

IoStatus SyncFolderOf(const char* path) {
    const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return FromErrno(errno);
    // Some file systems cannot sync a folder; the rename is then as durable as they make it.
    const bool synced = ::fsync(folder) == 0 || errno == EINVAL || errno == EROFS;
    const IoStatus status = synced ? IoStatus::ok : FromErrno(errno);
    ::close(folder);
    return status;
}

}  // namespace

OpenResult native::OpenFile(const char* path, OpenMode mode) {
    // A few tries: each lost race means another editor replaced the file in the meantime.
    constexpr int kTries = 8;
    for (int attempt = 0;; ++attempt) {
        const OpenResult opened =
            OpenLocked(path, OpenFlags(mode), LockFor(mode), PermissionsFor(mode));
        if (opened.handle == nullptr || !HeldForEdit(mode) ||
            StillAtPath(Fd(opened.handle), path)) {
            return opened;
        }
        ::close(Fd(opened.handle));
        if (attempt + 1 == kTries) return {nullptr, native::Noted(IoStatus::in_use)};
    }
}

IoStatus native::CloseFile(FileHandle file) {
    if (file == nullptr) return IoStatus::io_error;
    return ::close(Fd(file)) == 0 ? IoStatus::ok : FromErrno(errno);
}

Transfer native::ReadBytes(FileHandle file, void* buffer, std::uint32_t count) {
    return ReadAll(Fd(file), static_cast<char*>(buffer), count, nullptr);
}

Transfer native::WriteBytes(FileHandle file, const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    while (done < count) {
        const ssize_t put =
            ::write(Fd(file), static_cast<const char*>(buffer) + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return {done, FromErrno(errno)};
        if (put == 0) return {done, FromErrno(ENOSPC)};
        done += static_cast<std::uint32_t>(put);
    }
    return {done, IoStatus::ok};
}

Transfer native::ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count) {
    const off_t at = static_cast<off_t>(offset);
    return ReadAll(Fd(file), static_cast<char*>(buffer), count, &at);
}

void StartWriteBack(FileHandle file, std::uint32_t offset, std::uint32_t size) {
#if defined(__linux__)
    ::sync_file_range(Fd(file), static_cast<off_t>(offset), static_cast<off_t>(size),
                      SYNC_FILE_RANGE_WRITE);
#else
    static_cast<void>(file), static_cast<void>(offset), static_cast<void>(size);
#endif
}

void StartReadAhead(FileHandle file) {
    ::posix_fadvise(Fd(file), 0, 0, POSIX_FADV_WILLNEED);
}

void ReadAheadFile(const char* path) {
    // Not waiting for a pipe's writer, and reading only a regular file: as OpenFile opens.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    }
    ::close(fd);
}

std::size_t OpenFilesAllowed() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;  // the usual default
    if (limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
    return static_cast<std::size_t>(limit.rlim_cur);
}

void AllowMostOpenFiles() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
    // A limit the system sets no bound to may still be refused above its own ceiling: a million
    // is well below it and more than any archive needs.
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? (1u << 20) : limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);  // where refused, the limit stays as it was
}

IoStatus native::SeekTo(FileHandle file, std::uint32_t position) {
    return ::lseek(Fd(file), static_cast<off_t>(position), SEEK_SET) < 0 ? FromErrno(errno)
                                                                         : IoStatus::ok;
}

IoStatus native::SeekBy(FileHandle file, std::int32_t distance) {
    return ::lseek(Fd(file), static_cast<off_t>(distance), SEEK_CUR) < 0 ? FromErrno(errno)
                                                                         : IoStatus::ok;
}

std::uint32_t CurrentPosition(FileHandle file) {
    const off_t position = ::lseek(Fd(file), 0, SEEK_CUR);
    if (position < 0 || position > static_cast<off_t>(0xFFFFFFFEu)) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(position);
}

SizeResult native::FileSize32(FileHandle file) {
    struct stat info {};
    if (::fstat(Fd(file), &info) != 0) return {0, FromErrno(errno)};
    const auto size = static_cast<std::uint64_t>(info.st_size);
    return {static_cast<std::uint32_t>(size),
            size > 0xFFFFFFFFu ? IoStatus::too_large : IoStatus::ok};
}

IoStatus native::SetEndOfFileHere(FileHandle file) {
    const off_t position = ::lseek(Fd(file), 0, SEEK_CUR);
    if (position < 0) return FromErrno(errno);
    struct stat info {};
    if (::fstat(Fd(file), &info) != 0) return FromErrno(errno);
    // Lengthening allocates, as on Windows, so that a full disk shows up here and not later.
    if (position > info.st_size && position <= static_cast<off_t>(0xFFFFFFFFu)) {
        return Lengthen(Fd(file), static_cast<std::uint32_t>(info.st_size),
                        static_cast<std::uint32_t>(position));
    }
    return ::ftruncate(Fd(file), position) == 0 ? IoStatus::ok : FromErrno(errno);
}

namespace {

// Seconds and nanoseconds since 1970 as 100-nanosecond ticks since 1601, as Windows counts.
TimeResult AsFiletime(std::int64_t seconds, std::int64_t nanoseconds) {
    constexpr std::uint64_t kUnixEpochAsFiletime = 116444736000000000ull;
    const std::int64_t ticks = seconds * 10000000 + nanoseconds / 100;
    return {static_cast<std::uint64_t>(ticks) + kUnixEpochAsFiletime, IoStatus::ok};
}

}  // namespace

// The birth time where the system and the file system keep one, the modification time otherwise.
TimeResult FileCreationTime(FileHandle file) {
#if defined(STATX_BTIME)
    struct statx info {};
    if (::statx(Fd(file), "", AT_EMPTY_PATH, STATX_BTIME | STATX_MTIME, &info) == 0) {
        const bool has_birth = (info.stx_mask & STATX_BTIME) != 0;
        const struct statx_timestamp& stamp = has_birth ? info.stx_btime : info.stx_mtime;
        return AsFiletime(stamp.tv_sec, stamp.tv_nsec);
    }
#endif
    return FileModificationTime(file);
}

TimeResult FileModificationTime(FileHandle file) {
    struct stat info {};
    if (::fstat(Fd(file), &info) != 0) return {0, FromErrno(errno)};
    return AsFiletime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
}

FileHandle StandardOutputFile() {
    return Handle(STDOUT_FILENO);
}

IoStatus native::FlushFile(FileHandle file) {
    return ::fsync(Fd(file)) == 0 ? IoStatus::ok : FromErrno(errno);
}

IoStatus native::MoveOverFile(FileHandle replacement, const char* replacement_path,
                              FileHandle& original, const char* original_path) {
    struct stat info {};
    if (::fstat(Fd(original), &info) != 0) return FromErrno(errno);
    // The owner and group carry over where the editor may set them (the owner only for root, a
    // group of the editor's own); where not, the file is the editor's, as any editor that writes
    // a new file makes it. The permission bits come after, as a change of owner may clear some.
    if (::fchown(Fd(replacement), info.st_uid, info.st_gid) != 0 && errno != EPERM) {
        return FromErrno(errno);
    }
    if (::fchown(Fd(replacement), static_cast<uid_t>(-1), info.st_gid) != 0 && errno != EPERM) {
        return FromErrno(errno);
    }
    if (::fchmod(Fd(replacement), info.st_mode & 07777) != 0) return FromErrno(errno);
    if (::rename(replacement_path, original_path) != 0) return FromErrno(errno);
    return SyncFolderOf(original_path);
}

IoStatus native::MoveNewFile(const char* from, const char* to) {
    // A hard link fails when `to` exists, so no file is ever replaced; where the file system has
    // no hard links the existence test and the rename leave a moment for a race.
    if (::link(from, to) == 0) {
        // The file must not stay linked under its temporary name as well: where that name cannot
        // go, neither does the new one, and nothing is changed.
        if (::unlink(from) != 0) {
            const IoStatus status = FromErrno(errno);
            ::unlink(to);
            return status;
        }
        return SyncFolderOf(to);
    }
    if (errno == EEXIST) return native::Noted(IoStatus::already_exists);
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) return FromErrno(errno);
    struct stat existing {};
    if (::lstat(to, &existing) == 0) return native::Noted(IoStatus::already_exists);
    if (::rename(from, to) != 0) return FromErrno(errno);
    return SyncFolderOf(to);
}

IoStatus SetModificationTime(FileHandle file, std::int64_t unix_seconds) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(unix_seconds), 0}};
    return ::futimens(Fd(file), times) == 0 ? IoStatus::ok : FromErrno(errno);
}

std::string FolderOf(const char* path) {
    const std::string text(path);
    const std::size_t slash = text.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : text.substr(0, slash);
}

SpaceResult FreeSpace(const char* folder) {
    struct statvfs volume {};
    if (::statvfs(folder, &volume) != 0) return {0, FromErrno(errno)};
    // Root may fill the blocks kept back for it too.
    const auto blocks = ::geteuid() == 0 ? volume.f_bfree : volume.f_bavail;
    return {static_cast<std::uint64_t>(blocks) * volume.f_frsize, IoStatus::ok};
}

std::string EditedPath(const char* path) {
    struct stat info {};
    if (::lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    // A link that leads nowhere is left as it is: there is no file to edit.
    char target[PATH_MAX];
    return ::realpath(path, target) != nullptr ? std::string(target) : std::string(path);
}

IoStatus RemoveOwnLeftover(const char* path) {
    struct stat info {};
    if (::lstat(path, &info) != 0) return errno == ENOENT ? IoStatus::ok : FromErrno(errno);
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return native::Noted(IoStatus::already_exists);
    // A copy that another edit is writing now is locked by it: no leftover, and never taken away.
    const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? IoStatus::ok : FromErrno(errno);
    IoStatus status = IoStatus::ok;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        status = FromErrno(errno);
    } else if (!StillAtPath(fd, path)) {
        // That edit has moved it on, or another stands there now.
        status = PathExists(path) ? native::Noted(IoStatus::in_use) : IoStatus::ok;
    } else if (::unlink(path) != 0) {
        status = FromErrno(errno);
    }
    ::close(fd);
    return status;
}

std::string native::SystemErrorText(int code) {
    return std::generic_category().message(code);
}

bool PathExists(const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0;
}

bool RemoveFile(const char* path) {
    return ::unlink(path) == 0;
}

IoStatus MakeFolder(const char* path) {
    if (::mkdir(path, 0777) == 0) return IoStatus::ok;
    if (errno != EEXIST) return FromErrno(errno);
    // lstat, not stat: a link to a folder must not pass for one.
    struct stat info {};
    if (::lstat(path, &info) != 0) return FromErrno(errno);
    if (S_ISLNK(info.st_mode)) return native::Noted(IoStatus::link_refused);
    return S_ISDIR(info.st_mode) ? IoStatus::ok : IoStatus::already_exists;
}

IoStatus MoveFileOver(const char* from, const char* to) {
    return ::rename(from, to) == 0 ? IoStatus::ok : FromErrno(errno);
}

FileIdentity IdentityOf(const char* path) {
    struct stat info {};
    if (::stat(path, &info) != 0) return {};
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), true};
}

bool IsPathSeparator(char c) {
    return c == '/';
}

bool IsLink(const char* path) {
    struct stat info {};
    return ::lstat(path, &info) == 0 && S_ISLNK(info.st_mode);
}

namespace {

// Held, shared, by each extraction while it creates and locks a part file, and exclusively by
// the one that removes abandoned parts: so every part it finds is locked by its writer, unless
// that writer is gone. -1 when the folder cannot be opened, which only makes the hold weaker.
int HoldFolder(const std::string& folder, int how) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        while (::flock(fd, how) != 0 && errno == EINTR) {
        }
    }
    return fd;
}

void ReleaseFolder(int fd) {
    if (fd >= 0) ::close(fd);
}

// Removes the part file at `path` when no one holds its lock and it is still the file at that
// path: one whose writer renamed it away before closing it is someone's extracted file now.
bool RemoveIfAbandoned(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool removed = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                         ::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAtPath(fd, path.c_str()) &&
                         ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

}  // namespace

OpenResult native::CreatePartFile(const char* path) {
    const int folder = HoldFolder(FolderOf(path), LOCK_SH);
    const OpenResult result = OpenLocked(path, OpenFlags(OpenMode::replacement), LOCK_EX);
    ReleaseFolder(folder);
    return result;
}

IoStatus native::PlacePartFile(FileHandle, const char* part_path, const char* target) {
    // Renamed while still open and locked: no cleaner can take it in between.
    return ::rename(part_path, target) == 0 ? IoStatus::ok : FromErrno(errno);
}

IoStatus DropPartFile(FileHandle, const char* part_path) {
    return ::unlink(part_path) == 0 ? IoStatus::ok : FromErrno(errno);
}

int RemoveAbandonedParts(const std::string& folder, const char* prefix) {
    const std::string at = folder.empty() ? "." : folder;
    DIR* listing = ::opendir(at.c_str());
    if (listing == nullptr) return 0;
    const int held = HoldFolder(at, LOCK_EX);
    const std::size_t prefix_length = std::strlen(prefix);
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        if (std::strncmp(entry->d_name, prefix, prefix_length) != 0) continue;
        if (RemoveIfAbandoned(at + "/" + entry->d_name)) ++removed;
    }
    ReleaseFolder(held);
    ::closedir(listing);
    return removed;
}

Mapping native::MapFile(FileHandle file, MapAccess access, std::uint32_t size) {
    const SizeResult current = FileSize32(file);
    if (current.status != IoStatus::ok) return {nullptr, 0, nullptr, current.status};
    const bool writable = access == MapAccess::read_write;
    if (writable && size > current.size) {
        const IoStatus lengthened = Lengthen(Fd(file), current.size, size);
        if (lengthened != IoStatus::ok) return {nullptr, 0, nullptr, lengthened};
    }
    const std::uint32_t length = (writable && size > current.size) ? size : current.size;
    if (length == 0) return {nullptr, 0, nullptr, IoStatus::ok};
    const int protection = writable ? PROT_READ | PROT_WRITE : PROT_READ;
    void* view = ::mmap(nullptr, length, protection, MAP_SHARED, Fd(file), 0);
    if (view == MAP_FAILED) return {nullptr, 0, nullptr, FromErrno(errno)};
    return {static_cast<std::uint8_t*>(view), length, view, IoStatus::ok};
}

void native::UnmapFile(Mapping& mapping) {
    if (mapping.native != nullptr) ::munmap(mapping.native, mapping.size);
    mapping = {nullptr, 0, nullptr, IoStatus::ok};
}

}  // namespace qp

#endif  // !_WIN32

// Win32 backend of the file services. Holds only generic Win32 code (kernel32, and advapi32 for
// the access list of a private file): the ANSI calls, or the Unicode ones for a program whose
// paths are UTF-8.
#if defined(_WIN32)

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/native_file.h"

namespace qp {
namespace {

IoStatus StatusOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return IoStatus::not_found;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return IoStatus::access_denied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return IoStatus::in_use;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return IoStatus::already_exists;
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL:
            return IoStatus::no_space;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_FILE_TOO_LARGE:
            return IoStatus::too_large;
        case ERROR_HANDLE_EOF:
            return IoStatus::truncated;
        case ERROR_FILENAME_EXCED_RANGE:
            return IoStatus::name_too_long;
        case ERROR_DIRECTORY:
            return IoStatus::not_regular;
        default:
            return IoStatus::io_error;
    }
}

IoStatus FromError(DWORD error) {
    const IoStatus status = StatusOf(error);
    native::NoteSystemError(status, static_cast<int>(error));
    return status;
}

IoStatus LastError() {
    return FromError(GetLastError());
}

// A UTF-8 path for the Unicode calls; false, with the system's error for a bad name, when it is
// not UTF-8.
bool WidePath(const char* path, std::wstring& wide) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 0) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length);
    return true;
}

// Each call below takes the path as the process said its paths are: through the ANSI call as
// the plugin always did, or converted from UTF-8 for the Unicode call.
HANDLE CreateFileAt(const char* path, DWORD access, DWORD sharing, DWORD disposition, DWORD flags,
                    SECURITY_ATTRIBUTES* security = nullptr) {
    if (!PathsAreUtf8()) {
        return CreateFileA(path, access, sharing, security, disposition, flags, nullptr);
    }
    std::wstring wide;
    if (!WidePath(path, wide)) return INVALID_HANDLE_VALUE;
    return CreateFileW(wide.c_str(), access, sharing, security, disposition, flags, nullptr);
}

// A security descriptor whose access list grants the calling user alone every access to a new
// file, and is protected from the folder's inheritable entries. The buffers (from the heap, so
// aligned for the records they hold) keep what the descriptor points to.
struct OwnerOnly {
    std::vector<char> user;  // the token's TOKEN_USER, which holds the user's SID
    std::vector<char> acl;
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
};

bool MakeOwnerOnly(OwnerOnly& owner) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    owner.user.resize(size);
    const bool have_user =
        size != 0 && GetTokenInformation(token, TokenUser, owner.user.data(), size, &size) != 0;
    CloseHandle(token);
    if (!have_user) return false;
    PSID sid = reinterpret_cast<TOKEN_USER*>(owner.user.data())->User.Sid;
    const DWORD acl_size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    owner.acl.resize(acl_size);
    auto* acl = reinterpret_cast<ACL*>(owner.acl.data());
    SECURITY_DESCRIPTOR* descriptor = &owner.descriptor;
    owner.attributes = {sizeof owner.attributes, descriptor, FALSE};
    return InitializeAcl(acl, acl_size, ACL_REVISION) &&
           AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) &&
           InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

BOOL MoveFileAt(const char* from, const char* to, DWORD flags) {
    if (!PathsAreUtf8()) return MoveFileExA(from, to, flags);
    std::wstring wide_from;
    std::wstring wide_to;
    if (!WidePath(from, wide_from) || !WidePath(to, wide_to)) return FALSE;
    return MoveFileExW(wide_from.c_str(), wide_to.c_str(), flags);
}

DWORD AttributesAt(const char* path) {
    if (!PathsAreUtf8()) return GetFileAttributesA(path);
    std::wstring wide;
    if (!WidePath(path, wide)) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(wide.c_str());
}

// A path from the system's UTF-16 in the process's encoding; empty when it has no such form.
std::string NarrowPath(const std::wstring& wide) {
    const UINT code_page = PathsAreUtf8() ? CP_UTF8 : CP_ACP;
    const DWORD flags = PathsAreUtf8() ? WC_ERR_INVALID_CHARS : 0;
    BOOL lossy = FALSE;
    BOOL* lossy_out = PathsAreUtf8() ? nullptr : &lossy;
    const int length =
        WideCharToMultiByte(code_page, flags, wide.c_str(), -1, nullptr, 0, nullptr, lossy_out);
    if (length <= 0 || lossy) return {};
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(code_page, flags, wide.c_str(), -1, narrow.data(), length, nullptr,
                        nullptr);
    narrow.pop_back();  // the NUL
    return narrow;
}

// Sets the attributes of an open file (it needs FILE_WRITE_ATTRIBUTES), leaving its times.
bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info) != 0;
}

// Why an open of `path` failed: a folder cannot be opened as a file, and says so as access
// denied, which would send the user looking at permissions.
IoStatus OpenError(const char* path) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = AttributesAt(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return native::Noted(IoStatus::not_regular);
        }
    }
    return FromError(error);
}

IoStatus SetSize(HANDLE file, std::uint32_t size) {
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD moved = SetFilePointer(file, static_cast<LONG>(size), &high, FILE_BEGIN);
    if (moved == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return LastError();
    return SetEndOfFile(file) ? IoStatus::ok : LastError();
}

// Lengthens the file by writing zeros, so that its blocks are allocated: a file lengthened by
// its end alone can be sparse (it is under Wine), and a mapped write into a sparse part on a
// full disk faults instead of failing. On failure the file is cut back to `from`.
IoStatus Lengthen(HANDLE file, std::uint32_t from, std::uint32_t to) {
    static const char zeros[65536] = {};
    IoStatus status = SetSize(file, from);
    for (std::uint32_t at = from; status == IoStatus::ok && at < to;) {
        const DWORD step = to - at < sizeof zeros ? to - at : sizeof zeros;
        DWORD put = 0;
        if (!WriteFile(file, zeros, step, &put, nullptr)) {
            status = LastError();
        } else if (put != step) {
            status = native::Noted(IoStatus::no_space);
        }
        at += put;
    }
    if (status != IoStatus::ok) SetSize(file, from);
    return status;
}

}  // namespace

OpenResult native::OpenFile(const char* path, OpenMode mode) {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    DWORD sharing = 0;
    switch (mode) {
        // Readers share with readers, and let an edit that holds nothing else replace the file.
        case OpenMode::read:
            access = GENERIC_READ;
            sharing = FILE_SHARE_READ | FILE_SHARE_DELETE;
            break;
        case OpenMode::read_write:
            break;
        case OpenMode::create_new:
            disposition = CREATE_NEW;
            break;
        case OpenMode::create_always:
            access = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::open_always:
            disposition = OPEN_ALWAYS;
            break;
        // Shared for deletion only, which is what replacing the file by a rename needs: no reader
        // and no other editor opens it meanwhile. A rewrite only reads the original, so a
        // read-only file can be edited; its attributes are written when it is replaced.
        case OpenMode::edit:
            access = GENERIC_READ | FILE_WRITE_ATTRIBUTES;
            sharing = FILE_SHARE_DELETE;
            break;
        case OpenMode::edit_in_place:
            break;
        // CREATE_NEW fails on anything at the path, a symbolic link included, never following it.
        case OpenMode::replacement:
        case OpenMode::replacement_private:
            sharing = FILE_SHARE_DELETE;
            disposition = CREATE_NEW;
            break;
    }
    OwnerOnly owner;
    const bool private_file = mode == OpenMode::replacement_private;
    if (private_file && !MakeOwnerOnly(owner)) return {nullptr, LastError()};
    HANDLE handle = CreateFileAt(path, access, sharing, disposition, FILE_ATTRIBUTE_NORMAL,
                                 private_file ? &owner.attributes : nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, OpenError(path)};
    // Device names (NUL, CON, COM1, also with an extension) open the device, and a pipe opens
    // as one: neither is a file to read or write as one.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return {nullptr, native::Noted(IoStatus::not_regular)};
    }
    return {handle, IoStatus::ok};
}

IoStatus native::CloseFile(FileHandle file) {
    return CloseHandle(file) ? IoStatus::ok : LastError();
}

Transfer native::ReadBytes(FileHandle file, void* buffer, std::uint32_t count) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, nullptr)) return {got, LastError()};
    return {got, got < count ? IoStatus::truncated : IoStatus::ok};
}

Transfer native::WriteBytes(FileHandle file, const void* buffer, std::uint32_t count) {
    DWORD put = 0;
    if (!WriteFile(file, buffer, count, &put, nullptr)) return {put, LastError()};
    // A write cut short without an error is a full disk.
    return {put, put < count ? FromError(ERROR_DISK_FULL) : IoStatus::ok};
}

Transfer native::ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count) {
    // On a handle opened for synchronous use the read also moves the position past it.
    OVERLAPPED at{};
    at.Offset = offset;
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) return {got, IoStatus::truncated};
        return {got, LastError()};
    }
    return {got, got < count ? IoStatus::truncated : IoStatus::ok};
}

void StartWriteBack(FileHandle, std::uint32_t, std::uint32_t) {}

// Windows has no such hint for a file that is not open; it reads ahead of sequential reads.
void ReadAheadFile(const char*) {}
void StartReadAhead(FileHandle) {}

// A process may hold about 16 million handles.
std::size_t OpenFilesAllowed() {
    return std::size_t{1} << 24;
}
void AllowMostOpenFiles() {}

IoStatus native::SeekTo(FileHandle file, std::uint32_t position) {
    // Positions are 32-bit, so the high part of the distance is always 0.
    LONG high = 0;
    SetLastError(NO_ERROR);
    const DWORD result = SetFilePointer(file, static_cast<LONG>(position), &high, FILE_BEGIN);
    if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return LastError();
    return IoStatus::ok;
}

IoStatus native::SeekBy(FileHandle file, std::int32_t distance) {
    SetLastError(NO_ERROR);
    const DWORD result = SetFilePointer(file, distance, nullptr, FILE_CURRENT);
    if (result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return LastError();
    return IoStatus::ok;
}

std::uint32_t CurrentPosition(FileHandle file) {
    return SetFilePointer(file, 0, nullptr, FILE_CURRENT);
}

SizeResult native::FileSize32(FileHandle file) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return {0, LastError()};
    return {low, high != 0 ? IoStatus::too_large : IoStatus::ok};
}

IoStatus native::SetEndOfFileHere(FileHandle file) {
    const std::uint32_t position = CurrentPosition(file);
    const SizeResult size = native::FileSize32(file);
    if (size.status == IoStatus::ok && position != INVALID_SET_FILE_POINTER &&
        position > size.size) {
        return Lengthen(file, size.size, position);
    }
    return SetEndOfFile(file) ? IoStatus::ok : LastError();
}

namespace {

TimeResult AsTicks(const FILETIME& time) {
    return {(static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime,
            IoStatus::ok};
}

}  // namespace

TimeResult FileCreationTime(FileHandle file) {
    FILETIME created{};
    if (!GetFileTime(file, &created, nullptr, nullptr)) return {0, LastError()};
    return AsTicks(created);
}

TimeResult FileModificationTime(FileHandle file) {
    FILETIME written{};
    if (!GetFileTime(file, nullptr, nullptr, &written)) return {0, LastError()};
    return AsTicks(written);
}

FileHandle StandardOutputFile() {
    // WriteFile on the handle itself: no C runtime in between to turn "\n" into "\r\n".
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

IoStatus native::FlushFile(FileHandle file) {
    return FlushFileBuffers(file) ? IoStatus::ok : LastError();
}

IoStatus native::MoveOverFile(FileHandle replacement, const char* replacement_path,
                              FileHandle& original, const char* original_path) {
    // The original's attributes (read-only, hidden, system, archive...) go to the new file; its
    // access rights are those its folder gives new files.
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(original, FileBasicInfo, &info, sizeof info)) {
        return LastError();
    }
    const DWORD attributes = info.FileAttributes & ~FILE_ATTRIBUTE_NORMAL;
    const bool read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!SetAttributes(replacement, attributes)) return LastError();
    // A read-only file cannot be replaced: the original is writable for the moment of the move,
    // and is read-only again where the move fails.
    if (read_only && !SetAttributes(original, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        const IoStatus status = LastError();
        SetAttributes(replacement, attributes & ~FILE_ATTRIBUTE_READONLY);  // to be removed
        return status;
    }
    constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileAt(replacement_path, original_path, kFlags)) return IoStatus::ok;
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
        // Where an open file cannot be replaced, let go of it first: another program may take it
        // in that moment, and the replacement then fails with the original unchanged.
        CloseHandle(original);
        original = nullptr;
        if (MoveFileAt(replacement_path, original_path, kFlags)) return IoStatus::ok;
        error = GetLastError();
    }
    // The replacement is removed by the caller, and the original keeps its attributes.
    SetAttributes(replacement, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (read_only) {
        if (original != nullptr) {
            SetAttributes(original, attributes);
        } else if (!PathsAreUtf8()) {
            SetFileAttributesA(original_path, attributes);
        } else if (std::wstring wide; WidePath(original_path, wide)) {
            SetFileAttributesW(wide.c_str(), attributes);
        }
    }
    return FromError(error);
}

IoStatus native::MoveNewFile(const char* from, const char* to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists. A move leaves no second
    // name behind.
    return MoveFileAt(from, to, MOVEFILE_WRITE_THROUGH) ? IoStatus::ok : LastError();
}

IoStatus SetModificationTime(FileHandle file, std::int64_t unix_seconds) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    const auto ticks =
        static_cast<std::uint64_t>((unix_seconds + kSecondsFrom1601To1970) * 10000000);
    const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return SetFileTime(file, nullptr, nullptr, &written) ? IoStatus::ok : LastError();
}

std::string FolderOf(const char* path) {
    const std::string text(path);
    const std::size_t separator = text.find_last_of("\\/");
    // "C:x" lies in the current folder of drive C:, "C:\x" in its root.
    const std::size_t drive = text.size() >= 2 && text[1] == ':' ? 2 : 0;
    if (separator == std::string::npos || separator < drive) {
        return drive != 0 ? text.substr(0, 2) : std::string(".");
    }
    const bool root = separator == drive;
    return text.substr(0, root ? separator + 1 : separator);
}

SpaceResult FreeSpace(const char* folder) {
    ULARGE_INTEGER available{};
    BOOL known = FALSE;
    if (!PathsAreUtf8()) {
        known = GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr);
    } else if (std::wstring wide; WidePath(folder, wide)) {
        known = GetDiskFreeSpaceExW(wide.c_str(), &available, nullptr, nullptr);
    }
    if (!known) return {0, LastError()};
    return {available.QuadPart, IoStatus::ok};
}

std::string EditedPath(const char* path) {
    const DWORD attributes = AttributesAt(path);
    const bool link = attributes != INVALID_FILE_ATTRIBUTES &&
                      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                      !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (!link) return path;
    // Opened for no access, which nothing refuses; the open follows the link to its file.
    constexpr DWORD kAnySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileAt(path, 0, kAnySharing, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE) return path;  // leads nowhere: no file to edit
    std::wstring target(32768, L'\0');
    const DWORD length =
        GetFinalPathNameByHandleW(file, target.data(), static_cast<DWORD>(target.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    CloseHandle(file);
    if (length == 0 || length >= target.size()) return path;
    target.resize(length);
    // "\\?\C:\x" is "C:\x", and "\\?\UNC\server\share" is "\\server\share".
    if (target.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        target = L"\\" + target.substr(7);
    } else if (target.rfind(L"\\\\?\\", 0) == 0) {
        target = target.substr(4);
    }
    const std::string narrow = NarrowPath(target);
    return narrow.empty() ? std::string(path) : narrow;
}

IoStatus RemoveOwnLeftover(const char* path) {
    const DWORD attributes = AttributesAt(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return IoStatus::ok;
        return FromError(error);
    }
    // A folder, a link or a read-only file was made by someone else; the edit never leaves one.
    constexpr DWORD kNotOurs =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;
    if (attributes & kNotOurs) return native::Noted(IoStatus::already_exists);
    // A copy that another edit is writing now is open, shared for its own rename only: an
    // unshared open fails (in_use), and it is never taken away. A leftover goes as this closes.
    HANDLE handle = CreateFileAt(path, DELETE, 0, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) {
        const IoStatus status = OpenError(path);
        return status == IoStatus::not_found ? IoStatus::ok : status;
    }
    return CloseHandle(handle) ? IoStatus::ok : LastError();
}

std::string native::SystemErrorText(int code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message =
        length != 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    return message;
}

bool PathExists(const char* path) {
    HANDLE search = INVALID_HANDLE_VALUE;
    if (!PathsAreUtf8()) {
        WIN32_FIND_DATAA found;
        search = FindFirstFileA(path, &found);
    } else if (std::wstring wide; WidePath(path, wide)) {
        WIN32_FIND_DATAW found;
        search = FindFirstFileW(wide.c_str(), &found);
    }
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool RemoveFile(const char* path) {
    if (!PathsAreUtf8()) return DeleteFileA(path) != 0;
    std::wstring wide;
    return WidePath(path, wide) && DeleteFileW(wide.c_str()) != 0;
}

IoStatus MakeFolder(const char* path) {
    BOOL made = FALSE;
    if (!PathsAreUtf8()) {
        made = CreateDirectoryA(path, nullptr);
    } else if (std::wstring wide; WidePath(path, wide)) {
        made = CreateDirectoryW(wide.c_str(), nullptr);
    }
    if (made) return IoStatus::ok;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) return FromError(error);
    // Junctions and symbolic links to folders are reparse points; they must not pass for folders.
    const DWORD attributes = AttributesAt(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastError();
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return native::Noted(IoStatus::link_refused);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? IoStatus::ok : IoStatus::already_exists;
}

IoStatus MoveFileOver(const char* from, const char* to) {
    // A folder cannot be replaced by a file; it says so as access denied.
    const DWORD attributes = AttributesAt(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return native::Noted(IoStatus::not_regular);
    }
    return MoveFileAt(from, to, MOVEFILE_REPLACE_EXISTING) ? IoStatus::ok : LastError();
}

FileIdentity IdentityOf(const char* path) {
    // Opened for no access at all, which neither a sharing mode nor an exclusive holder refuses;
    // folders need the backup flag to be opened.
    constexpr DWORD kAnySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileAt(path, 0, kAnySharing, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (file == INVALID_HANDLE_VALUE) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known) return {};
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsLink(const char* path) {
    const DWORD attributes = AttributesAt(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return false;
    }
    // The reparse point's kind: symbolic links and junctions stand for another name (the
    // name-surrogate bit); cloud placeholders and the like do not. Wine tells no kind (0).
    DWORD tag = 0;
    HANDLE search = INVALID_HANDLE_VALUE;
    if (!PathsAreUtf8()) {
        WIN32_FIND_DATAA found{};
        search = FindFirstFileA(path, &found);
        tag = found.dwReserved0;
    } else if (std::wstring wide; WidePath(path, wide)) {
        WIN32_FIND_DATAW found{};
        search = FindFirstFileW(wide.c_str(), &found);
        tag = found.dwReserved0;
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    constexpr DWORD kNameSurrogate = 0x20000000;
    return tag == 0 || (tag & kNameSurrogate) != 0;
}

OpenResult native::CreatePartFile(const char* path) {
    // CREATE_NEW fails on anything at the path, a link included, and no sharing holds the file
    // against RemoveAbandonedParts for as long as it is open. DELETE access lets it be renamed or
    // removed through its handle.
    HANDLE handle = CreateFileAt(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, OpenError(path)};
    return {handle, IoStatus::ok};
}

IoStatus native::PlacePartFile(FileHandle part, const char*, const char* target) {
    std::wstring wide;
    if (PathsAreUtf8()) {
        if (!WidePath(target, wide)) return LastError();
    } else {
        const int length = MultiByteToWideChar(CP_ACP, 0, target, -1, nullptr, 0);
        if (length <= 0) return LastError();
        wide.resize(static_cast<std::size_t>(length));
        MultiByteToWideChar(CP_ACP, 0, target, -1, wide.data(), length);
    }
    // Renamed through the open handle, so that no one can take the file in between.
    const std::size_t name_bytes = (wide.size() - 1) * sizeof(wchar_t);
    std::string buffer(sizeof(FILE_RENAME_INFO) + name_bytes, '\0');
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    std::memcpy(rename->FileName, wide.data(), name_bytes);
    if (SetFileInformationByHandle(part, FileRenameInfo, rename,
                                   static_cast<DWORD>(buffer.size()))) {
        return IoStatus::ok;
    }
    const DWORD attributes = AttributesAt(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return native::Noted(IoStatus::not_regular);
    }
    return LastError();
}

IoStatus DropPartFile(FileHandle part, const char*) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(part, FileDispositionInfo, &disposition, sizeof disposition)
               ? IoStatus::ok
               : LastError();
}

namespace {

// Deletes each file the search finds below `base`: a folder or link is never a part file of ours.
template <typename FindData, typename Text>
int DeleteFound(HANDLE search, FindData& found, const Text& base,
                BOOL(WINAPI* find_next)(HANDLE, FindData*),
                BOOL(WINAPI* delete_file)(const typename Text::value_type*)) {
    if (search == INVALID_HANDLE_VALUE) return 0;
    int removed = 0;
    constexpr DWORD kNotFiles = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    do {
        if ((found.dwFileAttributes & kNotFiles) == 0 &&
            delete_file((base + found.cFileName).c_str())) {
            ++removed;
        }
    } while (find_next(search, &found));
    FindClose(search);
    return removed;
}

}  // namespace

int RemoveAbandonedParts(const std::string& folder, const char* prefix) {
    std::string base = folder;
    if (!base.empty() && !IsPathSeparator(base.back())) base += '\\';
    const std::string pattern = base + prefix + '*';
    // A part its writer holds open cannot be deleted: it is opened without sharing.
    if (!PathsAreUtf8()) {
        WIN32_FIND_DATAA found;
        return DeleteFound(FindFirstFileA(pattern.c_str(), &found), found, base, FindNextFileA,
                           DeleteFileA);
    }
    std::wstring wide_pattern;
    std::wstring wide_base;
    if (!WidePath(pattern.c_str(), wide_pattern) || !WidePath(base.c_str(), wide_base)) return 0;
    wide_base.pop_back();  // its NUL
    WIN32_FIND_DATAW found;
    return DeleteFound(FindFirstFileW(wide_pattern.c_str(), &found), found, wide_base,
                       FindNextFileW, DeleteFileW);
}

Mapping native::MapFile(FileHandle file, MapAccess access, std::uint32_t size) {
    const SizeResult current = FileSize32(file);
    if (current.status != IoStatus::ok) return {nullptr, 0, nullptr, current.status};
    const bool writable = access == MapAccess::read_write;
    const std::uint32_t length = (writable && size > current.size) ? size : current.size;
    // A mapping of an empty file cannot be created, and needs no view.
    if (length == 0) return {nullptr, 0, nullptr, IoStatus::ok};
    if (length > current.size) {
        const IoStatus lengthened = Lengthen(file, current.size, length);
        if (lengthened != IoStatus::ok) return {nullptr, 0, nullptr, lengthened};
    }
    HANDLE mapping = CreateFileMappingA(file, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0,
                                        writable ? length : 0, nullptr);
    if (mapping == nullptr) return {nullptr, 0, nullptr, LastError()};
    void* view = MapViewOfFile(mapping, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) {
        const IoStatus status = LastError();
        CloseHandle(mapping);
        return {nullptr, 0, nullptr, status == IoStatus::io_error ? IoStatus::too_large : status};
    }
    return {static_cast<std::uint8_t*>(view), length, mapping, IoStatus::ok};
}

void native::UnmapFile(Mapping& mapping) {
    if (mapping.data != nullptr) UnmapViewOfFile(mapping.data);
    if (mapping.native != nullptr) CloseHandle(mapping.native);
    mapping = {nullptr, 0, nullptr, IoStatus::ok};
}

bool FileTimeToCalendar(std::uint64_t filetime, CalendarTime& out) {
    FILETIME value{static_cast<DWORD>(filetime), static_cast<DWORD>(filetime >> 32)};
    SYSTEMTIME fields{};
    if (!FileTimeToSystemTime(&value, &fields)) return false;
    out = {fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute, fields.wSecond};
    return true;
}

}  // namespace qp

#endif  // _WIN32

// The file services the archive code needs, as one small interface over the operating system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// platform/file.cpp defines the calls a test may make fail or counts (see fault_injection.h)
// over the backend's own; the backend defines the rest.
namespace qp {

// An open file; null means no file. On Windows this is the Win32 file handle itself, which the
// host receives from OpenArchive and hands back to every later call.
using FileHandle = void*;

// How each open shares the file. Readers share it with one another: two of them, in one process
// or two, never fail each other. Every other open holds the file exclusively: while it is open,
// any other open of the file, a reader's included, fails with in_use, and while readers hold it,
// those opens fail so. (POSIX: an advisory lock that every open of ours takes, shared or
// exclusive; Windows: the sharing mode of the open.)
enum class OpenMode {
    read,           // existing file, read only; shared with other readers
    read_write,     // existing file, read and write
    create_new,     // new file for reading and writing; fails when the path exists
    create_always,  // new file for writing; an existing file is truncated
    open_always,    // read and write; a missing file is created empty
    // An existing archive held for a whole edit that rewrites it: read only (the new archive is
    // written to another file), held against every other open until it is closed, yet
    // replaceable by MoveOverFile meanwhile. An open that raced with such a replacement opens the
    // file now at the path, never the one replaced.
    edit,
    // The same for an edit that changes the archive where it lies: read and write.
    edit_in_place,
    // The new file that is to replace another by MoveOverFile or MoveNewFile: read and write,
    // held like `edit`. Created, never followed: whatever stands at the path (a file, a folder, a
    // symbolic link, even one that leads nowhere) makes the open fail with already_exists.
    replacement,
    // The same, for a file that the calling user alone may read and write, such as a private key:
    // POSIX mode 0600; on Windows an access list that grants that user alone, inheriting nothing
    // from the folder.
    replacement_private,
};

// What went wrong, portably. `truncated` is a transfer that ended early (end of file), which is
// not an I/O error of the device.
enum class IoStatus {
    ok,
    not_found,
    access_denied,
    in_use,  // held open by another handle
    already_exists,
    truncated,
    no_space,
    too_large,  // does not fit 32 bits or the address space
    io_error,
    not_regular,    // a folder, device or pipe where a regular file is wanted
    link_refused,   // a symbolic link or junction where none may be followed
    name_too_long,  // longer than the file system takes
};

// The outcome of an open: a handle, or null with the reason.
struct OpenResult {
    FileHandle handle;
    IoStatus status;
};

// The outcome of a read or write: the bytes transferred and why it stopped short, if it did.
struct Transfer {
    std::uint32_t bytes;
    IoStatus status;
};

// Opens regular files only: a folder, device or pipe at the path is not_regular, found without
// waiting on it (a pipe with no writer is not waited for).
OpenResult OpenFile(const char* path, OpenMode mode);
// Closes the handle; ok, or io_error when the system reports a failure.
IoStatus CloseFile(FileHandle file);

// Reads up to `count` bytes at the current position. At the end of the file `bytes` is less than
// `count` and the status is `truncated`; the buffer holds the bytes read and is unchanged after
// them.
Transfer ReadBytes(FileHandle file, void* buffer, std::uint32_t count);
// Writes `count` bytes at the current position; a short write reports no_space or io_error.
Transfer WriteBytes(FileHandle file, const void* buffer, std::uint32_t count);

// Reads up to `count` bytes at `offset`, whatever the current position, as ReadBytes reads them;
// the position afterwards is not to be relied on. Reads of one file at different offsets may run
// on two threads at once.
Transfer ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count);

// Asks the system to start writing `size` bytes of the file from `offset` on to the disk, and
// returns without waiting for them, so that the FlushFile that ends the writing waits for little.
// Does nothing where the system has no such call. A failure of the disk shows in that FlushFile.
void StartWriteBack(FileHandle file, std::uint32_t offset, std::uint32_t size);
// Asks the system to start reading the file at `path` into its cache, and returns without waiting
// for it, so that a read of the file soon after finds its bytes there. A hint: where the file
// cannot be opened, or the system has no such call, nothing happens.
void ReadAheadFile(const char* path);
// The same for a file already open: its whole content.
void StartReadAhead(FileHandle file);

// How many files the process may have open at once, as far as the system limits it.
std::size_t OpenFilesAllowed();
// Raises that limit as far as the process may, for a program that holds many files open.
void AllowMostOpenFiles();

// Positions are 32-bit: archives are handled through 32-bit offsets.
IoStatus SeekTo(FileHandle file, std::uint32_t position);
IoStatus SeekBy(FileHandle file, std::int32_t distance);
// The current position, or 0xFFFFFFFF when it cannot be learnt.
std::uint32_t CurrentPosition(FileHandle file);

struct SizeResult {
    std::uint32_t size;  // low 32 bits of the size
    IoStatus status;     // too_large when the file is 4 GiB or more
};
SizeResult FileSize32(FileHandle file);

// Makes the current position the end of the file.
IoStatus SetEndOfFileHere(FileHandle file);

// Creation time as a Windows FILETIME (100 ns units since 1601-01-01 UTC). Where the file system
// does not record a birth time, the last modification time stands in.
struct TimeResult {
    std::uint64_t filetime;
    IoStatus status;
};
TimeResult FileCreationTime(FileHandle file);
// The last modification time, the same way.
TimeResult FileModificationTime(FileHandle file);

// Writes what the system still holds of the file to the disk.
IoStatus FlushFile(FileHandle file);

// Makes `replacement` (flushed, open as `replacement`, at `replacement_path`) the file at
// `original_path` in one step: whoever opens the path gets the old file whole or the new one
// whole, also after a crash or a power cut. The original's permission bits, its owner and group
// where the caller may set them (POSIX), and its attributes (Windows: read-only, hidden...) carry
// over; a read-only original is replaced all the same. `original` is its open handle (mode
// `edit`); where the system cannot replace a file that is open, the call closes it first and sets
// it to null. On failure the original is unchanged.
IoStatus MoveOverFile(FileHandle replacement, const char* replacement_path, FileHandle& original,
                      const char* original_path);
// Puts the flushed file at `from` in place at `to`, which must not exist: already_exists when it
// does, and nothing is changed. Afterwards the file has the one name `to`: `from` is gone.
IoStatus MoveNewFile(const char* from, const char* to);

// Sets the last-modification time of a file open for writing to `unix_seconds` (seconds since
// 1970-01-01 00:00:00 UTC); its other times stay as they are.
IoStatus SetModificationTime(FileHandle file, std::int64_t unix_seconds);

// The process's standard output, to write to with WriteBytes: byte for byte, with no line-break
// translation on any system. Never closed through CloseFile.
FileHandle StandardOutputFile();
// The folder that holds the file at `path`, where a new file beside it goes ("." for a bare name).
std::string FolderOf(const char* path);

// The free bytes that the calling user may fill on the volume of `folder`.
struct SpaceResult {
    std::uint64_t bytes;
    IoStatus status;
};
SpaceResult FreeSpace(const char* folder);

// The file an edit of `path` must change: `path` itself, or, when `path` is a symbolic link, the
// file it leads to (through every link), so that the edit changes that file and the link stays.
std::string EditedPath(const char* path);

// Clears the way for a new file at `path` that nothing must stand at: a regular file of the
// calling user's (a leftover of an edit that crashed) is removed. ok when nothing is there
// afterwards; already_exists, with nothing removed, when something that is not such a file is
// there: a symbolic link (never followed), a folder, another user's file; in_use when another
// edit holds the file, writing it now.
IoStatus RemoveOwnLeftover(const char* path);

// True when the path names an existing file or folder.
bool PathExists(const char* path);
// Deletes a file that is not open; false when it cannot be deleted.
bool RemoveFile(const char* path);

// Creates the folder at `path`, whose parent must exist. ok when it is there afterwards as a
// folder of its own: an existing folder will do, a symbolic link or junction standing there is
// link_refused (never followed), and a file already_exists.
IoStatus MakeFolder(const char* path);
// Puts the closed file at `from` in the place of `to`, replacing a file there. A symbolic link at
// `to` is replaced itself, so the file it points to stays as it was; a folder is not_regular.
IoStatus MoveFileOver(const char* from, const char* to);
// What tells a file from every other, whatever names and links lead to it: its volume and its
// number there. `known` is false where nothing is at the path.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool known = false;
};
FileIdentity IdentityOf(const char* path);
// Whether the two identities are of one file; false when either is not known.
inline bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.volume == b.volume && a.file == b.file;
}
// Whether the two paths name one file (through links, other names or letter case alike); false
// when either does not exist.
inline bool SameFile(const char* a, const char* b) {
    return SameIdentity(IdentityOf(a), IdentityOf(b));
}

// Whether `c` separates the folders of a path.
bool IsPathSeparator(char c);

// The separator the system writes between folders, and whether its file names follow the Windows
// rules (no device names, no trailing dots or spaces, a few characters refused).
#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
inline constexpr bool kWindowsFileNames = true;
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool kWindowsFileNames = false;
#endif

// Whether a symbolic link or junction stands at `path` itself, which is not followed. A Windows
// reparse point that stands for no other place (a cloud file's placeholder) is no link; one whose
// kind the system does not tell (Wine's view of a link of the host system) is one.
bool IsLink(const char* path);

// Part files: an extracted file is written under a new name beside its target and takes the
// target's place only when it is whole. CreatePartFile makes the new file exclusively and never
// through a link (anything at the path, a link included, is already_exists), open for reading and
// writing and held against RemoveAbandonedParts until it is closed.
OpenResult CreatePartFile(const char* path);
// Puts the open part file at `target`, replacing the file or symbolic link there (the file a link
// points to stays as it was; a folder is not_regular). The part stays open and held; the caller
// closes it.
IoStatus PlacePartFile(FileHandle part, const char* part_path, const char* target);
// Removes the open part file from its path; the caller closes it.
IoStatus DropPartFile(FileHandle part, const char* part_path);
// Removes the regular files in `folder` whose names begin with `prefix` and that no one holds
// open as a part file: what extractions that were killed left. Returns how many it removed.
int RemoveAbandonedParts(const std::string& folder, const char* prefix);

// How the paths given to these calls are encoded. POSIX paths are bytes and this changes
// nothing. On Windows they are in the system's ANSI code page (what the plugin's hosts pass)
// unless a program sets UTF-8, as the command-line tool does: its paths then reach the system
// through the Unicode calls, whatever the code page. The plugin's Unicode functions set it too.
// The setting holds for the calling thread only.
void SetPathsAreUtf8(bool utf8);
bool PathsAreUtf8();

enum class MapAccess { read_only, read_write };

// A whole-file view. `data` is null for an empty mapping (size 0), which needs no view.
struct Mapping {
    std::uint8_t* data;
    std::uint32_t size;
    void* native;  // the backend's own mapping object
    IoStatus status;
};

// Maps the file from offset 0. With read_write and a `size` larger than the file, the file is
// first lengthened to `size` (the new bytes are zero). A `size` of 0 maps the file as it is.
Mapping MapFile(FileHandle file, MapAccess access, std::uint32_t size);
// Releases the view and the mapping object; a null mapping is left alone.
void UnmapFile(Mapping& mapping);

// UTC calendar fields of a FILETIME.
struct CalendarTime {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
};
bool FileTimeToCalendar(std::uint64_t filetime, CalendarTime& out);

// A short English description of a status, for messages.
const char* IoStatusText(IoStatus status);

// The system's own code (errno, GetLastError) of the latest failure that a file call of the
// calling thread reported as `status`; 0 when the latest failure was another or had no code of
// the system's (one a test plan made). Decisions go by the IoStatus: the code is for messages.
int SystemErrorFor(IoStatus status);
// The reason for `status` in words: the system's own ("no space left on device") when
// `system_error` is one of its codes, IoStatusText otherwise.
std::string ReasonText(IoStatus status, int system_error);

}  // namespace qp

// In-memory backend of the file services, for the fuzz targets: files by name, no disk, no OS.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

#include "platform/memory_files.h"
#include "platform/native_file.h"

namespace qp {
namespace {

// A small disk: a write or lengthening past this fails as on a full one, so that sizes taken from
// damaged input cannot exhaust the memory of the process.
constexpr std::uint64_t kCapacity = 64u << 20;

struct MemoryFile {
    std::string bytes;
    bool open = false;
    bool unlinked = false;  // renamed away while open: gone once closed
};

struct OpenHandle {
    MemoryFile* file;
    std::uint32_t position;
    bool readable;
    bool writable;
};

// A view is a copy of its own, of exactly the mapped size, so that the address sanitizer sees
// every access past its end; a writable one goes back into the file when it is released.
struct View {
    MemoryFile* file;
    bool writable;
};

std::map<std::string, MemoryFile> files;
int open_objects = 0;

OpenHandle& Open(FileHandle file) {
    return *static_cast<OpenHandle*>(file);
}

IoStatus Resize(MemoryFile& file, std::uint64_t size) {
    if (size > kCapacity) return IoStatus::no_space;
    file.bytes.resize(static_cast<std::size_t>(size), '\0');
    return IoStatus::ok;
}

// Moves the bytes of the file at `from` to `to`; the file at `from` goes once it is closed.
void Rename(std::map<std::string, MemoryFile>::iterator from, const std::string& to) {
    files[to].bytes = from->second.bytes;
    if (from->second.open) {
        from->second.unlinked = true;
    } else {
        files.erase(from);
    }
}

}  // namespace

bool memory::PutFile(const std::string& path, std::string bytes) {
    MemoryFile& file = files[path];
    if (file.open) return false;
    file.bytes = std::move(bytes);
    return true;
}

const std::string* memory::FileBytes(const std::string& path) {
    const auto found = files.find(path);
    return found != files.end() ? &found->second.bytes : nullptr;
}

bool memory::RemoveAllFiles() {
    if (open_objects != 0) return false;
    files.clear();
    return true;
}

int memory::OpenObjects() {
    return open_objects;
}

OpenResult native::OpenFile(const char* path, OpenMode mode) {
    auto found = files.find(path);
    const bool exists = found != files.end();
    const bool must_exist = mode == OpenMode::read || mode == OpenMode::read_write ||
                            mode == OpenMode::edit || mode == OpenMode::edit_in_place;
    const bool replacement = mode == OpenMode::replacement || mode == OpenMode::replacement_private;
    const bool must_be_new = mode == OpenMode::create_new || replacement;
    if (!exists && must_exist) return {nullptr, IoStatus::not_found};
    if (exists && must_be_new) return {nullptr, IoStatus::already_exists};
    if (exists && found->second.open) return {nullptr, IoStatus::in_use};
    MemoryFile& file = files[path];
    if (mode == OpenMode::create_always || replacement) file.bytes.clear();
    file.open = true;
    ++open_objects;
    const bool readable = mode != OpenMode::create_always;
    const bool writable = mode != OpenMode::read && mode != OpenMode::edit;
    return {new OpenHandle{&file, 0, readable, writable}, IoStatus::ok};
}

IoStatus native::CloseFile(FileHandle file) {
    if (file == nullptr) return IoStatus::io_error;
    MemoryFile* closed = Open(file).file;
    closed->open = false;
    if (closed->unlinked) {
        for (auto at = files.begin(); at != files.end(); ++at) {
            if (&at->second == closed) {
                files.erase(at);
                break;
            }
        }
    }
    --open_objects;
    delete &Open(file);
    return IoStatus::ok;
}

Transfer native::ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count) {
    const OpenHandle& handle = Open(file);
    if (!handle.readable) return {0, IoStatus::io_error};
    const std::string& bytes = handle.file->bytes;
    const std::size_t left = offset < bytes.size() ? bytes.size() - offset : 0;
    const auto done = static_cast<std::uint32_t>(std::min<std::size_t>(count, left));
    if (done != 0) std::memcpy(buffer, bytes.data() + offset, done);
    return {done, done == count ? IoStatus::ok : IoStatus::truncated};
}

Transfer native::ReadBytes(FileHandle file, void* buffer, std::uint32_t count) {
    OpenHandle& handle = Open(file);
    const Transfer read = native::ReadAt(file, handle.position, buffer, count);
    handle.position += read.bytes;
    return read;
}

Transfer native::WriteBytes(FileHandle file, const void* buffer, std::uint32_t count) {
    OpenHandle& handle = Open(file);
    if (!handle.writable) return {0, IoStatus::io_error};
    const std::uint64_t end = static_cast<std::uint64_t>(handle.position) + count;
    if (end > handle.file->bytes.size()) {
        const IoStatus grown = Resize(*handle.file, end);
        if (grown != IoStatus::ok) return {0, grown};
    }
    if (count != 0) std::memcpy(handle.file->bytes.data() + handle.position, buffer, count);
    handle.position = static_cast<std::uint32_t>(end);
    return {count, IoStatus::ok};
}

void StartWriteBack(FileHandle, std::uint32_t, std::uint32_t) {}

void ReadAheadFile(const char*) {}
void StartReadAhead(FileHandle) {}

std::size_t OpenFilesAllowed() {
    return SIZE_MAX;
}
void AllowMostOpenFiles() {}

IoStatus native::SeekTo(FileHandle file, std::uint32_t position) {
    Open(file).position = position;
    return IoStatus::ok;
}

IoStatus native::SeekBy(FileHandle file, std::int32_t distance) {
    OpenHandle& handle = Open(file);
    const std::int64_t target = static_cast<std::int64_t>(handle.position) + distance;
    if (target < 0) return IoStatus::io_error;
    if (target > 0xFFFFFFFF) return IoStatus::too_large;
    handle.position = static_cast<std::uint32_t>(target);
    return IoStatus::ok;
}

std::uint32_t CurrentPosition(FileHandle file) {
    return Open(file).position;
}

SizeResult native::FileSize32(FileHandle file) {
    return {static_cast<std::uint32_t>(Open(file).file->bytes.size()), IoStatus::ok};
}

IoStatus native::SetEndOfFileHere(FileHandle file) {
    OpenHandle& handle = Open(file);
    if (!handle.writable) return IoStatus::io_error;
    return Resize(*handle.file, handle.position);
}

TimeResult FileCreationTime(FileHandle) {
    return {133485408000000000ull, IoStatus::ok};  // 2024-01-01 00:00:00 UTC
}

TimeResult FileModificationTime(FileHandle file) {
    return FileCreationTime(file);
}

IoStatus native::FlushFile(FileHandle) {
    return IoStatus::ok;
}

IoStatus native::MoveOverFile(FileHandle, const char* replacement_path, FileHandle&,
                              const char* original_path) {
    const auto from = files.find(replacement_path);
    if (from == files.end() || files.count(original_path) == 0) return IoStatus::not_found;
    Rename(from, original_path);
    return IoStatus::ok;
}

IoStatus native::MoveNewFile(const char* from, const char* to) {
    const auto source = files.find(from);
    if (source == files.end()) return IoStatus::not_found;
    if (files.count(to) != 0) return IoStatus::already_exists;
    Rename(source, to);
    return IoStatus::ok;
}

IoStatus MoveFileOver(const char* from, const char* to) {
    const auto source = files.find(from);
    if (source == files.end()) return IoStatus::not_found;
    Rename(source, to);
    return IoStatus::ok;
}

bool IsPathSeparator(char c) {
    return c == '/';
}

bool IsLink(const char*) {
    return false;  // no links
}

OpenResult native::CreatePartFile(const char* path) {
    return native::OpenFile(path, OpenMode::create_new);
}

IoStatus native::PlacePartFile(FileHandle, const char* part_path, const char* target) {
    const auto from = files.find(part_path);
    if (from == files.end()) return IoStatus::not_found;
    Rename(from, target);
    return IoStatus::ok;
}

IoStatus DropPartFile(FileHandle file, const char*) {
    Open(file).file->unlinked = true;
    return IoStatus::ok;
}

int RemoveAbandonedParts(const std::string& folder, const char* prefix) {
    const std::string start = folder.empty() ? prefix : folder + "/" + prefix;
    int removed = 0;
    for (auto at = files.lower_bound(start); at != files.end() && at->first.starts_with(start);) {
        if (at->second.open) {
            ++at;
        } else {
            at = files.erase(at);
            ++removed;
        }
    }
    return removed;
}

IoStatus SetModificationTime(FileHandle file, std::int64_t) {
    return Open(file).writable ? IoStatus::ok : IoStatus::access_denied;
}

bool PathExists(const char* path) {
    return files.count(path) != 0;
}

std::string FolderOf(const char*) {
    return ".";  // one folder
}

SpaceResult FreeSpace(const char*) {
    std::uint64_t used = 0;
    for (const auto& file : files) used += file.second.bytes.size();
    return {used < kCapacity ? kCapacity - used : 0, IoStatus::ok};
}

std::string EditedPath(const char* path) {
    return path;  // no links
}

IoStatus RemoveOwnLeftover(const char* path) {
    const auto found = files.find(path);
    if (found == files.end()) return IoStatus::ok;
    if (found->second.open) return IoStatus::in_use;
    files.erase(found);
    return IoStatus::ok;
}

std::string native::SystemErrorText(int) {
    return {};
}

bool RemoveFile(const char* path) {
    const auto found = files.find(path);
    if (found == files.end() || found->second.open) return false;
    files.erase(found);
    return true;
}

Mapping native::MapFile(FileHandle file, MapAccess access, std::uint32_t size) {
    OpenHandle& handle = Open(file);
    const bool writable = access == MapAccess::read_write;
    if (writable && !handle.writable) return {nullptr, 0, nullptr, IoStatus::access_denied};
    std::string& bytes = handle.file->bytes;
    if (writable && size > bytes.size()) {
        const IoStatus grown = Resize(*handle.file, size);
        if (grown != IoStatus::ok) return {nullptr, 0, nullptr, grown};
    }
    const auto length = static_cast<std::uint32_t>(bytes.size());
    if (length == 0) return {nullptr, 0, nullptr, IoStatus::ok};
    auto* data = new std::uint8_t[length];
    std::memcpy(data, bytes.data(), length);
    ++open_objects;
    return {data, length, new View{handle.file, writable}, IoStatus::ok};
}

void native::UnmapFile(Mapping& mapping) {
    if (mapping.native != nullptr) {
        const View* view = static_cast<View*>(mapping.native);
        std::string& bytes = view->file->bytes;
        if (view->writable) {
            std::memcpy(bytes.data(), mapping.data,
                        std::min<std::size_t>(mapping.size, bytes.size()));
        }
        delete view;
        delete[] mapping.data;
        --open_objects;
    }
    mapping = {nullptr, 0, nullptr, IoStatus::ok};
}

}  // namespace qp

// Win32 backend of the file services. Holds only generic Win32 code (kernel32, ANSI calls).
#if defined(_WIN32)

#include <windows.h>

#include <cstdint>

#include "platform/native_file.h"

namespace qp {
namespace {

IoStatus FromError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
            return IoStatus::not_found;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return IoStatus::access_denied;
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
        default:
            return IoStatus::io_error;
    }
}

IoStatus LastError() {
    return FromError(GetLastError());
}

}  // namespace

OpenResult native::OpenFile(const char* path, OpenMode mode) {
    DWORD access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case OpenMode::read:
            access = GENERIC_READ;
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
    }
    HANDLE handle =
        CreateFileA(path, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, LastError()};
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
    return {put, put < count ? IoStatus::no_space : IoStatus::ok};
}

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
    return SetEndOfFile(file) ? IoStatus::ok : LastError();
}

TimeResult FileCreationTime(FileHandle file) {
    FILETIME created{};
    if (!GetFileTime(file, &created, nullptr, nullptr)) return {0, LastError()};
    const std::uint64_t value =
        (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return {value, IoStatus::ok};
}

IoStatus SetModificationTime(FileHandle file, std::int64_t unix_seconds) {
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    const auto ticks =
        static_cast<std::uint64_t>((unix_seconds + kSecondsFrom1601To1970) * 10000000);
    const FILETIME written{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return SetFileTime(file, nullptr, nullptr, &written) ? IoStatus::ok : LastError();
}

bool PathExists(const char* path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    return true;
}

bool RemoveFile(const char* path) {
    return DeleteFileA(path) != 0;
}

Mapping native::MapFile(FileHandle file, MapAccess access, std::uint32_t size) {
    const SizeResult current = FileSize32(file);
    if (current.status != IoStatus::ok) return {nullptr, 0, nullptr, current.status};
    const bool writable = access == MapAccess::read_write;
    const std::uint32_t length = (writable && size > current.size) ? size : current.size;
    // A mapping of an empty file cannot be created, and needs no view.
    if (length == 0) return {nullptr, 0, nullptr, IoStatus::ok};
    // A mapping larger than the file lengthens the file to the mapping's size.
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

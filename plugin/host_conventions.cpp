// Entry names and times at the host boundary: an archive packed on any system holds the same
// bytes, and every host shows the same names and dates.
#include "plugin/host_conventions.h"

#include <algorithm>
#include <cstring>

namespace qp {
namespace {

// Windows hosts use the archive's own separator and DOS times; hosts elsewhere use '/' and Unix
// times.
#if defined(_WIN32)
constexpr bool kPosixHost = false;
#else
constexpr bool kPosixHost = true;
#endif

// The length of a list up to and including the empty item that closes it.
std::size_t ListLength(const char* list) {
    const char* item = list;
    while (*item != '\0') item += std::strlen(item) + 1;
    return static_cast<std::size_t>(item - list) + 1;
}

const char* ToArchiveForm(const char* text, std::size_t length, std::string& storage) {
    storage.assign(text, length);
    std::replace(storage.begin(), storage.end(), '/', '\\');
    return storage.c_str();
}

}  // namespace

void ShowEntryNameToHost(char* name) {
    if (!kPosixHost) return;
    for (char* at = name; *at != '\0'; ++at) {
        if (*at == '\\') *at = '/';
    }
}

const char* EntryNameFromHost(const char* name, std::string& storage) {
    if (!kPosixHost || name == nullptr) return name;
    return ToArchiveForm(name, std::strlen(name), storage);
}

const char* EntryListFromHost(const char* list, std::string& storage) {
    if (!kPosixHost || list == nullptr) return list;
    return ToArchiveForm(list, ListLength(list), storage);
}

std::int32_t HostFileTime(std::uint32_t dos_time, std::uint32_t unix_time) {
    return static_cast<std::int32_t>(kPosixHost ? unix_time : dos_time);
}

std::int32_t HostFileAttributes() {
    constexpr std::int32_t kArchiveAttribute = 0x20;
    // Double Commander on Linux reads FileAttr as a file's st_mode: 0 shows as "----------" and
    // the archive bit 0x20 as "----r-----"; a regular file readable by all, writable by its
    // owner, shows as "-rw-r--r--".
    constexpr std::int32_t kRegularFileMode = 0100644;
    return kPosixHost ? kRegularFileMode : kArchiveAttribute;
}

}  // namespace qp

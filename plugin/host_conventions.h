// Where hosts on POSIX systems differ from Windows hosts: entry names and times as they show and
// send them.
#pragma once

#include <cstdint>
#include <string>

namespace qp {

// Rewrites an entry name as the archive stores it (folders separated by '\') into the form the
// host shows (by '/' on POSIX systems), in place.
void ShowEntryNameToHost(char* name);

// A name or a file list from the host (NUL-separated items closed by an empty item) in the
// archive's form. Where host and archive agree, the host's own text comes back and `storage` is
// not used; otherwise the converted copy lives in `storage`. Null stays null. Throws
// std::bad_alloc when the copy cannot be made.
const char* EntryNameFromHost(const char* name, std::string& storage);
const char* EntryListFromHost(const char* list, std::string& storage);

// The FileTime of a listed entry: a DOS date/time for Windows hosts; hosts on POSIX systems take
// the Unix time itself and show a DOS value as a wrong date.
std::int32_t HostFileTime(std::uint32_t dos_time, std::uint32_t unix_time);

// The FileAttr of a listed entry, which is always a plain file: the archive bit for Windows
// hosts; hosts on POSIX systems read the field as a file mode.
std::int32_t HostFileAttributes();

}  // namespace qp

// What the ANSI and Unicode forms of each export share, once their text is in the plugin's form:
// paths as the platform takes them, entry names as the archive stores them.
#pragma once

#include <cstddef>

#include "listing/read_header.h"
#include "plugin/host_conventions.h"
#include "plugin/progress.h"

namespace qp {

// Sets how the calling thread's paths are encoded for the length of one call: the ANSI functions
// pass the system's code page, the Unicode ones UTF-8.
class PathEncoding {
public:
    explicit PathEncoding(bool utf8);
    ~PathEncoding();
    PathEncoding(const PathEncoding&) = delete;
    PathEncoding& operator=(const PathEncoding&) = delete;

private:
    bool previous_;
};

// OpenArchive: the handle, or null with `open_result` set.
void* OpenForHost(const char* path, int& open_result);
// ReadHeader: 0 and the entry, or the result code.
int ReadEntryForHost(void* handle, HeaderInfo& info);
// The fields of an extended record (tHeaderDataEx or tHeaderDataExW) after the name: only these
// are ours, the host's values stay in all the others. Sizes are below 4 GiB, so no high halves.
template <typename Record>
void FillExtendedRecord(Record& record, const HeaderInfo& info) {
    record.PackSize = info.pack_size;
    record.PackSizeHigh = 0;
    record.UnpSize = info.unp_size;
    record.UnpSizeHigh = 0;
    record.FileTime = HostFileTime(info.file_time, info.unix_time);
    record.FileAttr = HostFileAttributes();
}

// ProcessFile on the archive behind `handle`, reporting to its callback or the thread's. The
// Unicode functions (`unicode`) showed the host entry names as UTF-8 (unicode_text.h).
int ProcessEntryForHost(void* handle, int operation, const char* dest_path, const char* dest_name,
                        std::size_t max_destination, bool unicode);
int CloseForHost(void* handle);
// SetProcessDataProc: the archive's own callback, or the thread's for handle -1.
void StoreCallbackForHost(void* handle, const HostCallback& callback);
// PackFiles and DeleteFiles with lists already in the archive's form, reporting to the thread's
// callback.
int PackForHost(const char* packed_file, const char* sub_path, const char* src_path,
                const char* add_list, const char* entry_list);
int DeleteForHost(const char* packed_file, const char* delete_list);

}  // namespace qp

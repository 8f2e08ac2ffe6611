// The exports' shared bodies: each calls the core and turns its outcome into a result code.
#include "plugin/export_steps.h"

#include <new>

#include "editing/delete_files.h"
#include "editing/pack_files.h"
#include "listing/process_file.h"
#include "platform/file.h"
#include "plugin/host_archive.h"
#include "plugin/plugin_settings.h"
#include "plugin/result_code.h"
#include "plugin/wcx.h"

namespace qp {

PathEncoding::PathEncoding(bool utf8) : previous_(PathsAreUtf8()) {
    SetPathsAreUtf8(utf8);
}

PathEncoding::~PathEncoding() {
    SetPathsAreUtf8(previous_);
}

void* OpenForHost(const char* path, int& open_result) {
    // The contents are not examined here: a damaged archive shows up as the listing goes on. So an
    // archive that cannot be opened, or that an editor holds, is never called damaged.
    try {
        HostArchive* archive = path != nullptr ? OpenHostArchive(path) : nullptr;
        if (archive == nullptr) open_result = E_EOPEN;
        return archive;
    } catch (const std::bad_alloc&) {
        open_result = E_NO_MEMORY;
        return nullptr;
    }
}

int ReadEntryForHost(void* handle, HeaderInfo& info) {
    HostArchive* archive = ArchiveOf(handle);
    if (archive == nullptr) return E_BAD_ARCHIVE;
    const Outcome outcome = ReadHeader(archive->listing, archive->file, info);
    return outcome == Outcome::ok ? 0 : ResultCode(outcome);
}

int ProcessEntryForHost(void* handle, int operation, const char* dest_path, const char* dest_name,
                        std::size_t max_destination) {
    HostArchive* archive = ArchiveOf(handle);
    if (archive == nullptr) return E_BAD_ARCHIVE;
    try {
        const HostCallback callback =
            archive->callback.ansi != nullptr || archive->callback.wide != nullptr
                ? archive->callback
                : ThreadCallback();
        Progress progress = HostProgress(callback);
        return ResultCode(ProcessFile(archive->listing, operation, dest_path, dest_name, progress,
                                      max_destination));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int CloseForHost(void* handle) {
    return CloseHostArchive(handle) ? 0 : E_ECLOSE;
}

void StoreCallbackForHost(void* handle, const HostCallback& callback) {
    if (HostArchive* archive = ArchiveOf(handle)) {
        archive->callback = callback;
    } else {
        StoreThreadCallback(callback);
    }
}

int PackForHost(const char* packed_file, const char* sub_path, const char* src_path,
                const char* add_list, const char* entry_list) {
    try {
        const HostCallback callback = ThreadCallback();
        Progress progress = HostProgress(callback);
        return ResultCode(PackFiles(packed_file, sub_path, src_path, add_list, entry_list,
                                    NewArchiveSettingsChosen(), progress, EditInPlaceChosen()));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int DeleteForHost(const char* packed_file, const char* delete_list) {
    if (packed_file == nullptr || delete_list == nullptr) return E_EOPEN;
    try {
        const HostCallback callback = ThreadCallback();
        Progress progress = HostProgress(callback);
        return ResultCode(DeleteFiles(packed_file, delete_list, progress, EditInPlaceChosen()));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

}  // namespace qp

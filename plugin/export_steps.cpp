// The exports' shared bodies: each calls the core and turns its outcome into a result code.
#include "plugin/export_steps.h"

#include <new>
#include <string>

#include "editing/delete_files.h"
#include "editing/pack_files.h"
#include "listing/process_file.h"
#include "platform/file.h"
#include "plugin/host_archive.h"
#include "plugin/plugin_settings.h"
#include "plugin/result_code.h"
#include "plugin/unicode_text.h"
#include "plugin/wcx.h"
#include "signing/sign_archive.h"

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
                        std::size_t max_destination, bool unicode) {
    HostArchive* archive = ArchiveOf(handle);
    if (archive == nullptr) return E_BAD_ARCHIVE;
    try {
        const HostCallback callback =
            archive->callback.ansi != nullptr || archive->callback.wide != nullptr
                ? archive->callback
                : ThreadCallback();
        Progress progress = HostProgress(callback);
        const std::string shown = unicode ? EntryNameAsUtf8(archive->listing.current_name)
                                          : std::string(archive->listing.current_name);
        return ResultCode(ProcessFile(archive->listing, operation, dest_path, dest_name, progress,
                                      max_destination, shown.c_str()));
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

namespace {

// With a key in the settings, an archive an edit changed is signed again beside it; when that
// fails, its signature of that authority, which no longer matches, is removed. A failed rewrite
// leaves the archive as it was, but a packing that ends at a file it cannot open has packed the
// files before it, and splices in place stop where the archive is whole: then the signature is
// made again where it went stale. Either way the edit's own result stands.
void SignEditedArchive(const char* packed_file, Outcome edited, bool in_place) {
    const SigningChosen signing = SigningSettingsChosen();
    const bool may_have_changed = in_place || edited == Outcome::open_failed;
    if (signing.key_path.empty() || (edited != Outcome::ok && !may_have_changed)) return;
    KeyFileRead key_file;
    {
        // The path comes from the ini file or the dialog, in the system's code page.
        const PathEncoding ansi(false);
        key_file = ReadKeyFile(signing.key_path);
    }
    if (edited == Outcome::ok) {
        SignArchiveWith(packed_file, key_file, signing.version);
    } else {
        SignAgainWhereStale(packed_file, key_file, signing.version);
    }
}

}  // namespace

int PackForHost(const char* packed_file, const char* sub_path, const char* src_path,
                const char* add_list, const char* entry_list) {
    try {
        const HostCallback callback = ThreadCallback();
        Progress progress = HostProgress(callback);
        const bool in_place = EditInPlaceChosen();
        const Outcome packed = PackFiles(packed_file, sub_path, src_path, add_list, entry_list,
                                         NewArchiveSettingsChosen(), progress, in_place);
        SignEditedArchive(packed_file, packed, in_place);
        return ResultCode(packed);
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int DeleteForHost(const char* packed_file, const char* delete_list) {
    if (packed_file == nullptr || delete_list == nullptr) return E_EOPEN;
    try {
        const HostCallback callback = ThreadCallback();
        Progress progress = HostProgress(callback);
        const bool in_place = EditInPlaceChosen();
        const Outcome deleted = DeleteFiles(packed_file, delete_list, progress, in_place);
        SignEditedArchive(packed_file, deleted, in_place);
        return ResultCode(deleted);
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

}  // namespace qp

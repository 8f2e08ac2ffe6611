// Loads a packer plugin module and drives it the way the file manager does.
#pragma once

#include <string>
#include <vector>

#include "plugin/wcx.h"

namespace qp::host {

// The exports, resolved by name from the loaded module.
struct Plugin {
    void* module = nullptr;
    decltype(&::OpenArchive) open_archive = nullptr;
    decltype(&::ReadHeader) read_header = nullptr;
    decltype(&::ProcessFile) process_file = nullptr;
    decltype(&::CloseArchive) close_archive = nullptr;
    decltype(&::SetChangeVolProc) set_change_vol_proc = nullptr;
    decltype(&::SetProcessDataProc) set_process_data_proc = nullptr;
    decltype(&::GetPackerCaps) get_packer_caps = nullptr;
    decltype(&::PackFiles) pack_files = nullptr;
    decltype(&::DeleteFiles) delete_files = nullptr;
    decltype(&::ConfigurePacker) configure_packer = nullptr;
    // The Unicode and optional functions, which hosts look up first.
    decltype(&::OpenArchiveW) open_archive_w = nullptr;
    decltype(&::ReadHeaderEx) read_header_ex = nullptr;
    decltype(&::ReadHeaderExW) read_header_ex_w = nullptr;
    decltype(&::ProcessFileW) process_file_w = nullptr;
    decltype(&::SetChangeVolProcW) set_change_vol_proc_w = nullptr;
    decltype(&::SetProcessDataProcW) set_process_data_proc_w = nullptr;
    decltype(&::PackFilesW) pack_files_w = nullptr;
    decltype(&::DeleteFilesW) delete_files_w = nullptr;
    decltype(&::GetBackgroundFlags) get_background_flags = nullptr;
    decltype(&::PackSetDefaultParams) pack_set_default_params = nullptr;
    decltype(&::CanYouHandleThisFile) can_you_handle_this_file = nullptr;
    decltype(&::CanYouHandleThisFileW) can_you_handle_this_file_w = nullptr;
};

// Loads the module and resolves every export under its plain name and, on 32-bit Windows, its
// decorated name too, which must lead to the same function. False with a message otherwise.
bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error);
void UnloadPlugin(Plugin& plugin);

struct ListedEntry {
    std::string name;
    int unp_size;
    int file_time;
};

// OpenArchive(PK_OM_LIST), then ReadHeader and ProcessFile(PK_SKIP) alternately until ReadHeader
// returns non-zero, then CloseArchive. Returns that last ReadHeader result (10 at a normal end),
// or the OpenResult when the archive cannot be opened.
int ListArchive(const Plugin& plugin, const std::string& archive,
                std::vector<ListedEntry>& entries);

// How ProcessFile is told the target: the file manager's usual form, the full path in DestName
// with DestPath null, or the folder (ending in a backslash) in DestPath and the name in DestName.
enum class DestForm { full_name, folder_and_name };

struct ExtractedEntry {
    std::string name;
    std::string target;  // the file written
    int result;          // ProcessFile's result
};

// OpenArchive(PK_OM_EXTRACT), then ReadHeader and ProcessFile(PK_EXTRACT) alternately, each
// entry into `folder` under its own name; the folders of names with backslashes are made before
// ProcessFile, as the file manager does. Returns the last ReadHeader result (10 at a normal end),
// or the OpenResult when the archive cannot be opened.
int ExtractArchive(const Plugin& plugin, const std::string& archive, const std::string& folder,
                   DestForm form, std::vector<ExtractedEntry>& entries);

// One call of the progress callback, as the plugin made it.
struct ProgressReport {
    std::string name;
    int size;
};

// Deletes as the file manager does: SetProcessDataProc with handle -1 and a callback that records
// every report in `reports`, then DeleteFiles with the items as a host file list (NUL-separated,
// closed by an empty item). Returns DeleteFiles's result.
int DeleteEntries(const Plugin& plugin, const std::string& archive,
                  const std::vector<std::string>& items, std::vector<ProgressReport>& reports);

// The add list the file manager builds for a folder: every folder and file below it, relative
// to it with backslashes between components, each folder (ending in a backslash) before what
// it holds, names sorted within a folder.
std::vector<std::string> AddListFor(const std::string& folder);

// SetProcessDataProc with handle -1, then PackFiles with the items as a NUL-separated list.
// `source_folder` is passed as it is, so it should end in a backslash; `sub_path` may be null.
// Returns PackFiles' result; the callback's reports are appended to `reports`.
int PackFiles(const Plugin& plugin, const std::string& archive, const char* sub_path,
              const std::string& source_folder, const std::vector<std::string>& items,
              std::vector<ProgressReport>& reports);

}  // namespace qp::host

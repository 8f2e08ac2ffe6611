// The host side of the plugin interface: loading, resolving and calling the exports.
#include "host/wcx_host_driver.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace qp::host {
namespace {

template <typename Function>
bool Resolve(HMODULE module, const char* plain, const char* decorated, Function& target,
             std::string& error) {
    FARPROC by_plain = GetProcAddress(module, plain);
    if (by_plain == nullptr) {
        error = std::string("missing export ") + plain;
        return false;
    }
#if !defined(_WIN64)
    FARPROC by_decorated = GetProcAddress(module, decorated);
    if (by_decorated != by_plain) {
        error = std::string("export ") + decorated + " is missing or differs from " + plain;
        return false;
    }
#else
    (void)decorated;
#endif
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(by_plain));
    return true;
}

// Items as the host passes them: each with its NUL, and an empty item closing the list.
std::string HostFileList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    return list + '\0';
}

// Where the progress callback records, while an operation that reports runs.
std::vector<ProgressReport>* recorded_progress = nullptr;

int WCX_CALL RecordProgress(char* name, int size) {
    if (recorded_progress != nullptr) recorded_progress->push_back({name, size});
    return 1;  // go on
}

void AddFolder(const std::filesystem::path& folder, const std::string& prefix,
               std::vector<std::string>& items) {
    std::vector<std::filesystem::directory_entry> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) entries.push_back(entry);
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        const std::string name = prefix + entry.path().filename().string();
        if (entry.is_directory()) {
            items.push_back(name + "\\");
            AddFolder(entry.path(), name + "\\", items);
        } else {
            items.push_back(name);
        }
    }
}

}  // namespace

bool LoadPlugin(const std::string& path, Plugin& plugin, std::string& error) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    plugin.module = module;
    const bool resolved =
        Resolve(module, "OpenArchive", "_OpenArchive@4", plugin.open_archive, error) &&
        Resolve(module, "ReadHeader", "_ReadHeader@8", plugin.read_header, error) &&
        Resolve(module, "ProcessFile", "_ProcessFile@16", plugin.process_file, error) &&
        Resolve(module, "CloseArchive", "_CloseArchive@4", plugin.close_archive, error) &&
        Resolve(module, "SetChangeVolProc", "_SetChangeVolProc@8", plugin.set_change_vol_proc,
                error) &&
        Resolve(module, "SetProcessDataProc", "_SetProcessDataProc@8", plugin.set_process_data_proc,
                error) &&
        Resolve(module, "GetPackerCaps", "_GetPackerCaps@0", plugin.get_packer_caps, error) &&
        Resolve(module, "PackFiles", "_PackFiles@20", plugin.pack_files, error) &&
        Resolve(module, "DeleteFiles", "_DeleteFiles@8", plugin.delete_files, error) &&
        Resolve(module, "ConfigurePacker", "_ConfigurePacker@8", plugin.configure_packer, error) &&
        Resolve(module, "OpenArchiveW", "_OpenArchiveW@4", plugin.open_archive_w, error) &&
        Resolve(module, "ReadHeaderEx", "_ReadHeaderEx@8", plugin.read_header_ex, error) &&
        Resolve(module, "ReadHeaderExW", "_ReadHeaderExW@8", plugin.read_header_ex_w, error) &&
        Resolve(module, "ProcessFileW", "_ProcessFileW@16", plugin.process_file_w, error) &&
        Resolve(module, "SetChangeVolProcW", "_SetChangeVolProcW@8", plugin.set_change_vol_proc_w,
                error) &&
        Resolve(module, "SetProcessDataProcW", "_SetProcessDataProcW@8",
                plugin.set_process_data_proc_w, error) &&
        Resolve(module, "PackFilesW", "_PackFilesW@20", plugin.pack_files_w, error) &&
        Resolve(module, "DeleteFilesW", "_DeleteFilesW@8", plugin.delete_files_w, error) &&
        Resolve(module, "GetBackgroundFlags", "_GetBackgroundFlags@0", plugin.get_background_flags,
                error) &&
        Resolve(module, "PackSetDefaultParams", "_PackSetDefaultParams@4",
                plugin.pack_set_default_params, error) &&
        Resolve(module, "CanYouHandleThisFile", "_CanYouHandleThisFile@4",
                plugin.can_you_handle_this_file, error) &&
        Resolve(module, "CanYouHandleThisFileW", "_CanYouHandleThisFileW@4",
                plugin.can_you_handle_this_file_w, error);
    if (!resolved) UnloadPlugin(plugin);
    return resolved;
}

void UnloadPlugin(Plugin& plugin) {
    if (plugin.module != nullptr) FreeLibrary(static_cast<HMODULE>(plugin.module));
    plugin = Plugin{};
}

int ListArchive(const Plugin& plugin, const std::string& archive,
                std::vector<ListedEntry>& entries) {
    std::string name = archive;
    tOpenArchiveData open{};
    open.ArcName = name.data();
    open.OpenMode = PK_OM_LIST;
    void* handle = plugin.open_archive(&open);
    if (handle == nullptr) return open.OpenResult;
    int result = 0;
    for (;;) {
        tHeaderData header{};
        result = plugin.read_header(handle, &header);
        if (result != 0) break;
        entries.push_back({header.FileName, header.UnpSize, header.FileTime});
        plugin.process_file(handle, PK_SKIP, nullptr, nullptr);
    }
    plugin.close_archive(handle);
    return result;
}

int DeleteEntries(const Plugin& plugin, const std::string& archive,
                  const std::vector<std::string>& items, std::vector<ProgressReport>& reports) {
    std::string list = HostFileList(items);
    std::string name = archive;
    recorded_progress = &reports;
    plugin.set_process_data_proc(reinterpret_cast<void*>(-1), RecordProgress);
    const int result = plugin.delete_files(name.data(), list.data());
    recorded_progress = nullptr;
    return result;
}

namespace {

// Makes every folder on the way to `path` (a file path under `folder`), as the file manager does
// before it asks for an entry with a path in its name.
void MakeFoldersFor(const std::string& path, std::size_t folder_length) {
    for (std::size_t at = path.find('\\', folder_length); at != std::string::npos;
         at = path.find('\\', at + 1)) {
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
}

}  // namespace

int ExtractArchive(const Plugin& plugin, const std::string& archive, const std::string& folder,
                   DestForm form, std::vector<ExtractedEntry>& entries) {
    std::string name = archive;
    tOpenArchiveData open{};
    open.ArcName = name.data();
    open.OpenMode = PK_OM_EXTRACT;
    void* handle = plugin.open_archive(&open);
    if (handle == nullptr) return open.OpenResult;
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    int result = 0;
    for (;;) {
        tHeaderData header{};
        result = plugin.read_header(handle, &header);
        if (result != 0) break;
        std::string target = base + header.FileName;
        MakeFoldersFor(target, base.size());
        std::string dest_path = base;
        std::string dest_name = header.FileName;
        const int processed =
            form == DestForm::full_name
                ? plugin.process_file(handle, PK_EXTRACT, nullptr, target.data())
                : plugin.process_file(handle, PK_EXTRACT, dest_path.data(), dest_name.data());
        entries.push_back({header.FileName, target, processed});
    }
    plugin.close_archive(handle);
    return result;
}

std::vector<std::string> AddListFor(const std::string& folder) {
    std::vector<std::string> items;
    AddFolder(folder, "", items);
    return items;
}

int PackFiles(const Plugin& plugin, const std::string& archive, const char* sub_path,
              const std::string& source_folder, const std::vector<std::string>& items,
              std::vector<ProgressReport>& reports) {
    std::string list = HostFileList(items);
    std::string packed = archive;
    std::string sub = sub_path != nullptr ? sub_path : "";
    std::string source = source_folder;
    recorded_progress = &reports;
    plugin.set_process_data_proc(reinterpret_cast<void*>(-1), RecordProgress);
    const int result = plugin.pack_files(packed.data(), sub_path != nullptr ? sub.data() : nullptr,
                                         source.data(), list.data(), 0);
    plugin.set_process_data_proc(reinterpret_cast<void*>(-1), nullptr);
    recorded_progress = nullptr;
    return result;
}

}  // namespace qp::host

// The host side of the plugin interface: loading, resolving and calling the exports.
#include "tools/wcx_host_driver.h"

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

// The callback carries no context of its own, so reports go to the list of the running call.
std::vector<ProgressReport>* current_reports = nullptr;

int __stdcall CollectReport(char* name, int value) {
    if (current_reports != nullptr) current_reports->push_back({name, value});
    return 1;
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
        Resolve(module, "ConfigurePacker", "_ConfigurePacker@8", plugin.configure_packer, error);
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

std::vector<std::string> AddListFor(const std::string& folder) {
    std::vector<std::string> items;
    AddFolder(folder, "", items);
    return items;
}

int PackFiles(const Plugin& plugin, const std::string& archive, const char* sub_path,
              const std::string& source_folder, const std::vector<std::string>& items,
              std::vector<ProgressReport>& reports) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    list += '\0';
    std::string packed = archive;
    std::string sub = sub_path != nullptr ? sub_path : "";
    std::string source = source_folder;
    current_reports = &reports;
    plugin.set_process_data_proc(reinterpret_cast<void*>(-1), CollectReport);
    const int result = plugin.pack_files(packed.data(), sub_path != nullptr ? sub.data() : nullptr,
                                         source.data(), list.data(), 0);
    plugin.set_process_data_proc(reinterpret_cast<void*>(-1), nullptr);
    current_reports = nullptr;
    return result;
}

std::string FormatDosTime(int dos_time) {
    const unsigned value = static_cast<unsigned>(dos_time);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (value >> 25),
                  (value >> 21) & 15, (value >> 16) & 31, (value >> 11) & 31, (value >> 5) & 63,
                  (value & 31) * 2);
    return text;
}

}  // namespace qp::host

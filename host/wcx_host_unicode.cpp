// The host side of the Unicode functions.
#include "host/wcx_host_unicode.h"

#include <windows.h>

#include <memory>

namespace qp::host {
namespace {

std::u16string Wide(const std::string& text) {
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return std::u16string(wide.begin(), wide.end());
}

std::string Utf8(const char16_t* text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::u16string WideList(const std::vector<std::string>& items) {
    std::u16string list;
    for (const std::string& item : items) list += Wide(item) + u'\0';
    return list + u'\0';
}

int WCX_CALL GoOn(char16_t*, int) {
    return 1;
}

}  // namespace

int ListArchiveW(const Plugin& plugin, const std::string& archive,
                 std::vector<std::string>& names) {
    std::u16string name = Wide(archive);
    tOpenArchiveDataW open{};
    open.ArcName = name.data();
    open.OpenMode = PK_OM_LIST;
    void* handle = plugin.open_archive_w(&open);
    if (handle == nullptr) return open.OpenResult;
    int result = 0;
    for (;;) {
        auto header = std::make_unique<tHeaderDataExW>();
        result = plugin.read_header_ex_w(handle, header.get());
        if (result != 0) break;
        names.push_back(Utf8(header->FileName));
        plugin.process_file_w(handle, PK_SKIP, nullptr, nullptr);
    }
    plugin.close_archive(handle);
    return result;
}

int ExtractArchiveW(const Plugin& plugin, const std::string& archive, const std::string& folder,
                    std::vector<ExtractedEntry>& entries) {
    std::u16string name = Wide(archive);
    tOpenArchiveDataW open{};
    open.ArcName = name.data();
    open.OpenMode = PK_OM_EXTRACT;
    void* handle = plugin.open_archive_w(&open);
    if (handle == nullptr) return open.OpenResult;
    const std::string base = folder + "\\";
    CreateDirectoryW(reinterpret_cast<const wchar_t*>(Wide(folder).c_str()), nullptr);
    int result = 0;
    for (;;) {
        auto header = std::make_unique<tHeaderDataExW>();
        result = plugin.read_header_ex_w(handle, header.get());
        if (result != 0) break;
        const std::string entry = Utf8(header->FileName);
        const std::string target = base + entry;
        for (std::size_t at = target.find('\\', base.size()); at != std::string::npos;
             at = target.find('\\', at + 1)) {
            CreateDirectoryW(reinterpret_cast<const wchar_t*>(Wide(target.substr(0, at)).c_str()),
                             nullptr);
        }
        std::u16string wide_target = Wide(target);
        entries.push_back({entry, target,
                           plugin.process_file_w(handle, PK_EXTRACT, nullptr, wide_target.data())});
    }
    plugin.close_archive(handle);
    return result;
}

int PackFilesW(const Plugin& plugin, const std::string& archive, const std::string& source_folder,
               const std::vector<std::string>& items) {
    std::u16string packed = Wide(archive);
    std::u16string source = Wide(source_folder);
    std::u16string list = WideList(items);
    plugin.set_process_data_proc_w(reinterpret_cast<void*>(-1), GoOn);
    return plugin.pack_files_w(packed.data(), nullptr, source.data(), list.data(), 0);
}

int DeleteEntriesW(const Plugin& plugin, const std::string& archive,
                   const std::vector<std::string>& items) {
    std::u16string packed = Wide(archive);
    std::u16string list = WideList(items);
    plugin.set_process_data_proc_w(reinterpret_cast<void*>(-1), GoOn);
    return plugin.delete_files_w(packed.data(), list.data());
}

}  // namespace qp::host

// A small host program: loads the plugin module and drives it like the file manager.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/dos_time_text.h"
#include "host/wcx_host_driver.h"
#include "host/wcx_words.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: wcx_host list PLUGIN ARCHIVE\n"
                 "       wcx_host extract PLUGIN ARCHIVE DESTDIR\n"
                 "       wcx_host pack PLUGIN ARCHIVE SRCDIR [SUBPATH]\n"
                 "       wcx_host delete PLUGIN ARCHIVE ENTRY...\n"
                 "       wcx_host configure PLUGIN\n");
    return 2;
}

int List(const qp::host::Plugin& plugin, const char* archive) {
    std::vector<qp::host::ListedEntry> entries;
    const int result = qp::host::ListArchive(plugin, archive, entries);
    for (const auto& entry : entries) {
        std::printf("%10d  %s  %s\n", entry.unp_size,
                    qp::FormatDosTime(static_cast<std::uint32_t>(entry.file_time)).c_str(),
                    entry.name.c_str());
    }
    std::printf("%zu entries, ReadHeader ended with %d (%s)\n", entries.size(), result,
                qp::host::ResultText(result).c_str());
    return result == qp::E_END_ARCHIVE ? 0 : 1;
}

// `arguments` are the archive and then the entries to delete.
int Delete(const qp::host::Plugin& plugin, int count, char** arguments) {
    if (count < 2) return Usage();
    std::vector<qp::host::ProgressReport> reports;
    const int result = qp::host::DeleteEntries(
        plugin, arguments[0], std::vector<std::string>(arguments + 1, arguments + count), reports);
    for (const auto& report : reports) {
        std::printf("progress %4d  %s\n", report.size, report.name.c_str());
    }
    std::printf("DeleteFiles returned %d (%s)\n", result, qp::host::ResultText(result).c_str());
    return result == 0 ? 0 : 1;
}

int Extract(const qp::host::Plugin& plugin, const char* archive, const char* folder) {
    std::vector<qp::host::ExtractedEntry> entries;
    const int result =
        qp::host::ExtractArchive(plugin, archive, folder, qp::host::DestForm::full_name, entries);
    int failed = 0;
    for (const auto& entry : entries) {
        std::printf("%s  %s\n", entry.result == 0 ? "ok  " : "FAIL", entry.target.c_str());
        if (entry.result != 0) {
            std::printf("      ProcessFile returned %d (%s)\n", entry.result,
                        qp::host::ResultText(entry.result).c_str());
            ++failed;
        }
    }
    std::printf("%zu entries, %d failed, ReadHeader ended with %d (%s)\n", entries.size(), failed,
                result, qp::host::ResultText(result).c_str());
    return result == qp::E_END_ARCHIVE && failed == 0 ? 0 : 1;
}

// Packs everything below SRCDIR, as the file manager does when a folder is copied in.
int Pack(const qp::host::Plugin& plugin, const char* archive, const char* folder,
         const char* sub_path) {
    std::string source = std::filesystem::absolute(folder).make_preferred().string();
    if (source.empty() || source.back() != '\\') source += '\\';
    const std::vector<std::string> items = qp::host::AddListFor(source);
    std::vector<qp::host::ProgressReport> reports;
    const int result = qp::host::PackFiles(plugin, archive, sub_path, source, items, reports);
    for (const auto& report : reports) std::printf("%5d  %s\n", report.size, report.name.c_str());
    std::printf("%zu items, PackFiles returned %d (%s)\n", items.size(), result,
                qp::host::ResultText(result).c_str());
    return result == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool configure = argc == 3 && std::strcmp(argv[1], "configure") == 0;
    if (argc < 4 && !configure) return Usage();
    qp::host::Plugin plugin;
    std::string error;
    if (!qp::host::LoadPlugin(argv[2], plugin, error)) {
        std::fprintf(stderr, "wcx_host: %s\n", error.c_str());
        return 1;
    }
    const int caps = plugin.get_packer_caps();
    std::printf("loaded %s: all exports resolved, capabilities %d (%s)\n", argv[2], caps,
                qp::host::CapabilitiesText(caps).c_str());
    int status = configure ? 0 : 2;
    const bool extract = std::strcmp(argv[1], "extract") == 0 && argc >= 5;
    const bool pack = std::strcmp(argv[1], "pack") == 0 && argc >= 5;
    if (configure)
        // The settings dialog, as the file manager's Configure button opens it.
        std::printf("ConfigurePacker returned %d\n",
                    plugin.configure_packer(nullptr, plugin.module));
    else if (std::strcmp(argv[1], "list") == 0)
        status = List(plugin, argv[3]);
    else if (std::strcmp(argv[1], "delete") == 0)
        status = Delete(plugin, argc - 3, argv + 3);
    else if (extract)
        status = Extract(plugin, argv[3], argv[4]);
    else if (pack)
        status = Pack(plugin, argv[3], argv[4], argc >= 6 ? argv[5] : nullptr);
    else
        status = Usage();
    qp::host::UnloadPlugin(plugin);
    return status;
}

// Benchmark: deleting 1,000 and 100,000 entries by name from a 10^6-entry archive, as the tool
// does (every name looked up, the archive written again once), beside one copy of the archive;
// and every entry of a 20,000-entry archive deleted by its name, or its folder item, through
// `quillpack delete` and the plugin's DeleteFiles, beside the same deletion by one folder.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "editing/delete_files.h"
#include "plugin/wcx.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 1000000;
constexpr std::uint32_t kEntrySize = 16;

std::string EntryName(int index) {
    return "addons\\data\\item_" + std::to_string(index) + ".paa";
}

// A host list of every `step`-th entry's name, in letter case other than the archive's, as
// scripts often give them: `count` names.
std::string ListOf(int count) {
    std::string list;
    const int step = kEntries / count;
    for (int i = step / 2; i < kEntries; i += step)
        list += "ADDONS\\Data\\" + EntryName(i).substr(12) + '\0';
    return list + '\0';
}

constexpr int kNamedEntries = 20000;

// Each entry in a folder of its own, so that a folder item picks one entry.
std::string NamedEntry(int index) {
    char name[64];
    std::snprintf(name, sizeof name, "addons\\item_%05d\\data.paa", index);
    return name;
}

// The plugin's DeleteFiles given a host list of these items.
int DeleteThroughExport(const std::string& archive, const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    list += '\0';
    return DeleteFiles(const_cast<char*>(archive.c_str()), list.data());
}

// Every entry of a 20,000-entry archive deleted by one folder and by each entry's name (and
// folder item), with `quillpack delete` and the plugin's DeleteFiles: the medians of a few runs.
int PrintDeletionByName(const fs::path& folder) {
    const fs::path original = folder / "named.pbo";
    const std::string edited = (folder / "named-edited.pbo").string();
    qp::bench::WriteStoredArchive(original, kNamedEntries, kEntrySize, NamedEntry);
    std::vector<std::string> typed, items, folder_items;
    for (int i = 0; i < kNamedEntries; ++i) {
        std::string name = NamedEntry(i);
        items.push_back(name);
        folder_items.push_back(name.substr(0, name.rfind('\\')) + "\\*.*");
        for (char& c : name) c = c == '\\' ? '/' : static_cast<char>(std::toupper(c));
        typed.push_back(name);
    }
    const auto fresh = [&] {
        fs::copy_file(original, edited, fs::copy_options::overwrite_existing);
    };
    int status = 0;
    const auto time = [&](const std::function<int()>& run) {
        return qp::bench::MedianTiming([&] { status |= run(); }, fresh);
    };
    std::vector<std::string> by_names = {QUILLPACK_TOOL, "delete", edited};
    by_names.insert(by_names.end(), typed.begin(), typed.end());
    const qp::bench::Timing tool_folder = time([&] {
        return qp::bench::RunQuiet({QUILLPACK_TOOL, "delete", edited, "addons/"});
    });
    const qp::bench::Timing tool_names = time([&] { return qp::bench::RunQuiet(by_names); });
    const qp::bench::Timing export_folder =
        time([&] { return DeleteThroughExport(edited, {"addons\\*.*"}); });
    const qp::bench::Timing export_names = time([&] { return DeleteThroughExport(edited, items); });
    const qp::bench::Timing export_folders =
        time([&] { return DeleteThroughExport(edited, folder_items); });
    std::printf("every entry of %d deleted (medians of 5; goal: < 0.1 s beyond one folder)%s\n",
                kNamedEntries, status == 0 ? "" : " FAILED");
    const auto print = [](const char* label, const qp::bench::Timing& by,
                          const qp::bench::Timing& one) {
        std::printf("  %-36s %8.4f s (CPU %.4f s): %+.4f s (CPU %+.4f s)\n", label, by.seconds,
                    qp::bench::CpuSeconds(by), by.seconds - one.seconds,
                    qp::bench::CpuSeconds(by) - qp::bench::CpuSeconds(one));
    };
    print("quillpack delete, one folder:", tool_folder, tool_folder);
    print("quillpack delete, 20,000 names:", tool_names, tool_folder);
    print("DeleteFiles, one folder item:", export_folder, export_folder);
    print("DeleteFiles, 20,000 names:", export_names, export_folder);
    print("DeleteFiles, 20,000 folder items:", export_folders, export_folder);
    return status;
}

}  // namespace

int main() {
    const fs::path folder = qp::bench::ScratchFolder("quillpack-bench-delete-names");
    const fs::path original = folder / "original.pbo";
    const std::string edited = (folder / "edited.pbo").string();
    qp::bench::WriteStoredArchive(original, kEntries, kEntrySize, EntryName);
    const std::string copy = qp::bench::CopyCommand(original, folder / "copy.pbo");
    const double copy_seconds = qp::bench::BestShellSeconds(copy);
    const double synced_seconds =
        qp::bench::BestShellSeconds(qp::bench::Synced(copy, folder / "copy.pbo"));
    std::printf("archive: %d entries, %ju bytes; load %s\n", kEntries, fs::file_size(original),
                qp::bench::LoadAverage().c_str());
    std::printf("copy once (cp):                 %8.3f s; cp, then sync %.3f s\n", copy_seconds,
                synced_seconds);
    int status = 0;
    for (const int count : {1000, 100000}) {
        const std::string list = ListOf(count);
        std::vector<std::string> unmatched;
        qp::EditResult result;
        qp::Progress progress;
        const double seconds = qp::bench::BestSeconds(
            [&] {
                unmatched.clear();
                result = qp::DeleteEntries(edited.c_str(), list.c_str(), progress, &unmatched);
            },
            [&] { fs::copy_file(original, edited, fs::copy_options::overwrite_existing); });
        const bool whole = result.outcome == qp::Outcome::ok && unmatched.empty();
        std::printf("delete %6d names by name:    %8.3f s, %.1f x the synced copy%s\n", count,
                    seconds, seconds / synced_seconds, whole ? "" : " (FAILED)");
        if (!whole) status = 1;
    }
    status |= PrintDeletionByName(folder);
    fs::remove_all(folder);
    return status;
}

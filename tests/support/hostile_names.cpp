// Reading the hostile names table, planting the link, and looking for what was written.
#include "support/hostile_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "plugin/wcx.h"
#include "support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qp::test {
namespace {

namespace fs = std::filesystem;

std::string Decoded(const std::string& text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
            at += 2;
        } else {
            bytes += text[at];
        }
    }
    return bytes;
}

// A link to a folder. Wine makes none itself (CreateSymbolicLinkW does nothing), but it runs the
// host system's ln, and shows the link that makes as a reparse point.
bool MakeFolderLink(const std::string& folder, const std::string& name, const std::string& target) {
    const fs::path link = fs::path(folder) / name;
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
#if defined(_WIN32)
    const auto linked = [&] {
        const DWORD attributes = GetFileAttributesW(link.wstring().c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    if (linked()) return true;
    std::string command = "ln -s " + target + " " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA("Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Wine may report the host program done before the link shows.
    for (int wait = 0; wait < 100 && !linked(); ++wait) Sleep(100);
    return linked();
#else
    return !error;
#endif
}

}  // namespace

std::vector<HostileName> HostileNames() {
    std::ifstream in(QUILLPACK_SAMPLES_DIR "/hostile_names.tsv");
    std::vector<HostileName> rows;
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        const std::string refusal = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
        rows.push_back({Decoded(line.substr(0, tab)), refusal == "everywhere" ? Refusal::everywhere
                                                      : refusal == "windows"  ? Refusal::windows
                                                      : refusal == "link"     ? Refusal::link
                                                                              : Refusal::none});
    }
    EXPECT_GE(rows.size(), 20u) << "hostile_names.tsv not read whole";
    return rows;
}

bool RefusedHere(const HostileName& row) {
#if defined(_WIN32)
    if (row.refusal == Refusal::windows) return true;
#endif
    return row.refusal == Refusal::everywhere || row.refusal == Refusal::link;
}

TestArchive HostileArchive(const std::vector<HostileName>& rows) {
    TestArchive archive = ArchiveWith({});
    for (const HostileName& row : rows) archive.entries.push_back({row.name, row.name});
    return archive;
}

bool MakeHostileScene(const std::string& root) {
    fs::create_directories(fs::path(root) / "dest");
    fs::create_directories(fs::path(root) / "outside");
    return MakeFolderLink((fs::path(root) / "dest").string(), "sub", "../outside");
}

void ExpectOnlyDestinationWritten(const std::string& root, const std::vector<HostileName>& rows,
                                  const std::vector<int>& results) {
    ASSERT_EQ(results.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (RefusedHere(rows[i])) {
            EXPECT_EQ(results[i], E_ECREATE) << rows[i].name;
            continue;
        }
        EXPECT_EQ(results[i], 0) << rows[i].name;
        std::string relative = rows[i].name;
        for (char& c : relative) c = c == '\\' ? '/' : c;
        EXPECT_EQ(ReadWholeFile((fs::path(root) / "dest" / relative).string()), rows[i].name);
    }
    // Not through the link: what it leads to is outside.
    for (auto item = fs::recursive_directory_iterator(root); item != fs::end(item); ++item) {
        if (item->path().filename() == "dest") item.disable_recursion_pending();
        const bool archive = item->path().extension() == ".pbo";
        EXPECT_TRUE(item->is_directory() || archive) << item->path() << " written outside";
    }
}

}  // namespace qp::test

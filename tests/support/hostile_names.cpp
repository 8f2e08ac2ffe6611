// Reading the hostile names table, planting the link, and looking for what was written.
#include "support/hostile_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qp::test {
namespace {

namespace fs = std::filesystem;

struct Row {
    std::string name;     // "%XX" in the table stands for the byte XX
    std::string refused;  // no, everywhere, windows (where Windows' rules hold) or link
};

std::vector<Row> Rows() {
    std::ifstream in(QUILLPACK_SAMPLES_DIR "/hostile_names.tsv");
    std::vector<Row> rows;
    std::string line;
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string raw;
        Row row;
        std::getline(fields, raw, '\t');
        std::getline(fields, row.refused, '\t');
        for (std::size_t at = 0; at < raw.size(); ++at) {
            const bool escaped = raw[at] == '%' && at + 2 < raw.size();
            row.name += escaped ? static_cast<char>(std::stoi(raw.substr(at + 1, 2), nullptr, 16))
                                : raw[at];
            if (escaped) at += 2;
        }
        rows.push_back(row);
    }
    return rows;
}

// A link to a folder. Wine makes none itself (CreateSymbolicLinkW does nothing), but it runs the
// host system's ln, and shows the link that makes as a reparse point.
bool MakeFolderLink(const fs::path& folder, const std::string& name, const std::string& target) {
    std::error_code error;
    fs::create_directory_symlink(target, folder / name, error);
#if defined(_WIN32)
    const auto linked = [&] {
        const DWORD attributes = GetFileAttributesW((folder / name).wstring().c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
    std::string command = "ln -s " + target + " " + name;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!linked() && CreateProcessA("Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0,
                                    nullptr, folder.string().c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    // Wine may report the host system's program done before the link shows.
    for (int wait = 0; wait < 100 && !linked(); ++wait) Sleep(100);
    return linked();
#else
    return !error;
#endif
}

}  // namespace

void ExpectHostileNamesKeptInside(const std::string& root, const Extractor& extract) {
    const std::vector<Row> rows = Rows();
    ASSERT_GE(rows.size(), 20u) << "hostile_names.tsv not read whole";
    const fs::path dest = fs::path(root) / "dest";
    fs::create_directories(dest);
    fs::create_directories(fs::path(root) / "outside");
    ASSERT_TRUE(MakeFolderLink(dest, "sub", "../outside")) << "no link can be made here";
    TestArchive archive = ArchiveWith({});
    for (const Row& row : rows) archive.entries.push_back({row.name, row.name});
    const std::string path = (fs::path(root) / "hostile.pbo").string();
    WriteWholeFile(path, BuildArchive(archive));

    const std::vector<int> results = extract(path, dest.string());
    ASSERT_EQ(results.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& refused = rows[i].refused;
        if (refused == "everywhere" || refused == "link" ||
            (kWindowsFileNames && refused == "windows")) {
            EXPECT_EQ(results[i], E_ECREATE) << rows[i].name;
            continue;
        }
        EXPECT_EQ(results[i], 0) << rows[i].name;
        std::string relative = rows[i].name;
        for (char& c : relative) c = c == '\\' ? '/' : c;
        EXPECT_EQ(ReadWholeFile((dest / relative).string()), rows[i].name);
    }
    // Not through the link: what it leads to is outside.
    for (auto item = fs::recursive_directory_iterator(root); item != fs::end(item); ++item) {
        if (item->path() == dest) item.disable_recursion_pending();
        EXPECT_TRUE(item->is_directory() || item->path() == path) << item->path() << " written";
    }
}

}  // namespace qp::test

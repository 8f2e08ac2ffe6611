// The real module through its Unicode functions, as a Unicode host drives it: an archive at a path
// in Cyrillic and CJK, with entry names in those scripts.
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "e2e/plugin_test.h"
#include "host/wcx_host_unicode.h"

namespace qp {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

fs::path Path(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Read(const std::string& utf8_path) {
    std::ifstream file(Path(utf8_path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

using HostUnicode = PluginTest;

TEST_F(HostUnicode, PacksListsExtractsAndDeletesUnderCyrillicAndCjkPaths) {
    const std::string root = dir_.path + Utf8(u8"\\Пользователь 用户");
    const std::string source = root + Utf8(u8"\\мод\\");
    fs::create_directories(Path(source + Utf8(u8"данные")));
    std::ofstream(Path(source + Utf8(u8"данные\\карта.sqm")), std::ios::binary) << "map";
    std::ofstream(Path(source + Utf8(u8"説明.txt")), std::ios::binary) << "readme";
    const std::string archive = root + Utf8(u8"\\аддон.pbo");
    const std::vector<std::string> items = {Utf8(u8"данные\\"), Utf8(u8"данные\\карта.sqm"),
                                            Utf8(u8"説明.txt")};
    ASSERT_EQ(host::PackFilesW(plugin_, archive, source, items), 0);

    EXPECT_NE(Read(archive).find(Utf8(u8"данные\\карта.sqm")),
              std::string::npos);  // stored as UTF-8

    std::vector<host::ExtractedEntry> extracted;
    ASSERT_EQ(host::ExtractArchiveW(plugin_, archive, root + Utf8(u8"\\распаковано"), extracted),
              E_END_ARCHIVE);
    ASSERT_EQ(extracted.size(), 2u);
    for (const host::ExtractedEntry& entry : extracted) EXPECT_EQ(entry.result, 0) << entry.target;
    EXPECT_EQ(Read(extracted[0].target), "map");
    EXPECT_EQ(Read(extracted[1].target), "readme");

    ASSERT_EQ(host::DeleteEntriesW(plugin_, archive, {Utf8(u8"説明.txt")}), 0);
    std::vector<std::string> names;
    EXPECT_EQ(host::ListArchiveW(plugin_, archive, names), E_END_ARCHIVE);
    EXPECT_EQ(names, std::vector<std::string>{Utf8(u8"данные\\карта.sqm")});

    const fs::path bak = Path(root + Utf8(u8"\\аддон.bak"));
    fs::copy_file(Path(archive), bak);
    const std::u16string wide_bak = bak.u16string();
    EXPECT_NE(plugin_.can_you_handle_this_file_w(const_cast<char16_t*>(wide_bak.c_str())), 0);
}

}  // namespace
}  // namespace qp

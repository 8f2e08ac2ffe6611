// Hosts on POSIX systems show and send entry names with '/' and take Unix times: the exports
// convert at the boundary, so the archive holds the same bytes as one packed by a Windows host.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "editing/pack_files.h"
#include "plugin/plugin_settings.h"
#include "plugin/wcx.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::HostList;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

class PosixHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin_settings = PluginSettings{};
        std::filesystem::create_directories(dir_.File("src/d"));
        WriteWholeFile(dir_.File("src/a.txt"), "first file");
        WriteWholeFile(dir_.File("src/d/b.txt"), "second");
    }

    // Lists the archive through the exports as the host does: names and times as the host sees
    // them.
    std::vector<std::pair<std::string, int>> HostListing(std::string path) {
        tOpenArchiveData data{};
        data.ArcName = path.data();
        void* handle = OpenArchive(&data);
        EXPECT_NE(handle, nullptr);
        std::vector<std::pair<std::string, int>> names;
        tHeaderData header{};
        while (ReadHeader(handle, &header) == 0) {
            names.push_back({header.FileName, header.FileTime});
            ProcessFile(handle, PK_SKIP, nullptr, nullptr);
        }
        CloseArchive(handle);
        return names;
    }

    TempDir dir_;
    std::string src_ = dir_.File("src") + "/";
};

TEST_F(PosixHostTest, PackingWithSlashesMakesTheArchiveAWindowsHostMakes) {
    // The same files packed one folder at a time, with the entry names as the archive holds them.
    const std::string windows = dir_.File("windows.pbo");
    const std::string a = HostList({"a.txt"});
    const std::string b = HostList({"b.txt"});
    Progress progress;
    ASSERT_EQ(qp::PackFiles(windows.c_str(), "x\\y", src_.c_str(), a.c_str(),
                            NewArchiveSettingsChosen(), progress),
              Outcome::ok);
    ASSERT_EQ(qp::PackFiles(windows.c_str(), "x\\y\\d", (src_ + "d/").c_str(), b.c_str(),
                            NewArchiveSettingsChosen(), progress),
              Outcome::ok);

    std::string posix = dir_.File("posix.pbo");
    std::string sub_path = "x/y";
    std::string items = HostList({"a.txt", "d/", "d/b.txt"});
    ASSERT_EQ(::PackFiles(posix.data(), sub_path.data(), src_.data(), items.data(), 2), 0);
    EXPECT_EQ(ReadWholeFile(posix), ReadWholeFile(windows));

    // Listed back with '/', and deleted by the names the host sends, a whole folder included.
    const std::vector<std::pair<std::string, int>> listed = HostListing(posix);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].first, "x/y/a.txt");
    EXPECT_EQ(listed[1].first, "x/y/d/b.txt");
    std::string folder = HostList({"x/y/d/*.*"});
    EXPECT_EQ(::DeleteFiles(posix.data(), folder.data()), 0);
    std::string file = HostList({"x/y/a.txt"});
    EXPECT_EQ(::DeleteFiles(posix.data(), file.data()), 0);
    EXPECT_TRUE(HostListing(posix).empty());
}

TEST_F(PosixHostTest, ListingGivesUnixTimesAndNoOptionsAreOffered) {
    std::string archive = dir_.File("a.pbo");
    std::string items = HostList({"a.txt"});
    ASSERT_EQ(::PackFiles(archive.data(), nullptr, src_.data(), items.data(), 0), 0);
    const std::vector<std::pair<std::string, int>> listed = HostListing(archive);
    ASSERT_EQ(listed.size(), 1u);
    const auto written = std::filesystem::last_write_time(dir_.File("src/a.txt"));
    const auto written_unix = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    // The creation time where the file system records one: never later than the last write.
    EXPECT_LE(listed[0].second, written_unix.count());
    EXPECT_GT(listed[0].second, written_unix.count() - 60);
    EXPECT_EQ(GetPackerCaps(), PK_CAPS_NEW | PK_CAPS_MODIFY | PK_CAPS_MULTIPLE | PK_CAPS_DELETE |
                                   PK_CAPS_BY_CONTENT | PK_CAPS_SEARCHTEXT);
}

}  // namespace
}  // namespace qp

#endif

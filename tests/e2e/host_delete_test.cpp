// The real plugin module deletes entries when driven the way the file manager deletes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "e2e/plugin_test.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/temp_dir.h"
#include "host/wcx_host_driver.h"

namespace qp {
namespace {

using host::ProgressReport;
using test::ArchiveWith;
using test::BuildArchive;
using test::ReadWholeFile;
using test::TestArchive;
using test::WriteWholeFile;

class HostDeleteTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        path_ = dir_.File("addon.pbo");
    }

    int Delete(const std::vector<std::string>& items) {
        reports_.clear();
        return host::DeleteEntries(plugin_, path_, items, reports_);
    }

    std::vector<std::string> ListNames() {
        std::vector<host::ListedEntry> entries;
        EXPECT_EQ(host::ListArchive(plugin_, path_, entries), E_END_ARCHIVE);
        std::vector<std::string> names;
        for (const auto& entry : entries) names.push_back(entry.name);
        return names;
    }

    std::string path_;
    std::vector<ProgressReport> reports_;
};

TestArchive Without(TestArchive archive, const std::set<std::string>& names) {
    std::erase_if(archive.entries,
                  [&](const test::TestEntry& e) { return names.contains(e.name); });
    return archive;
}

TEST_F(HostDeleteTest, LeavesExactlyTheArchiveBuiltWithoutTheDeletedEntries) {
    const TestArchive archive = ArchiveWith({{"config.cpp", 300},
                                             {"data\\icon.paa", 2500},
                                             {"data\\empty.txt", 0},
                                             {"scripts\\init.sqf", 700},
                                             {"readme.txt", 17}});
    WriteWholeFile(path_, BuildArchive(archive));
    EXPECT_EQ(Delete({"scripts\\init.sqf", "config.cpp", "not there"}), 0);
    EXPECT_EQ(ReadWholeFile(path_),
              BuildArchive(Without(archive, {"scripts\\init.sqf", "config.cpp"})));
    ASSERT_EQ(reports_.size(), 3u);
    EXPECT_EQ(reports_[0].name, "Creating map - scripts\\init.sqf");
    EXPECT_EQ(reports_[0].size, -33);
    EXPECT_EQ(reports_[2].size, -100);

    EXPECT_EQ(Delete({"data\\*.*"}), 0);
    EXPECT_EQ(ReadWholeFile(path_),
              BuildArchive(Without(archive, {"scripts\\init.sqf", "config.cpp", "data\\icon.paa",
                                             "data\\empty.txt"})));
    EXPECT_EQ(ListNames(), std::vector<std::string>{"readme.txt"});
}

TEST_F(HostDeleteTest, ReportsWhatCannotBeDone) {
    EXPECT_EQ(Delete({"a"}), E_EOPEN);
    EXPECT_FALSE(test::FileExists(path_));

    // The header promises more data than the file holds.
    const std::string bytes = BuildArchive(ArchiveWith({{"a", 10}, {"b", 5}}));
    const std::string cut_short = bytes.substr(0, bytes.size() - 30);
    WriteWholeFile(path_, cut_short);
    EXPECT_EQ(Delete({"a"}), E_BAD_ARCHIVE);
    EXPECT_EQ(ReadWholeFile(path_), cut_short);
}

TEST_F(HostDeleteTest, DeletesAFolderFromAnArchiveMadeElsewhere) {
    std::filesystem::copy_file(QUILLPACK_SAMPLES_DIR "/addon.pbo", path_);
    const std::string before = ReadWholeFile(path_);
    // From the sample's manifest: the data area starts at 241; config.cpp's data (1657 bytes)
    // comes first, then data\icon.paa (2500) and data\empty.txt (0). Their two header entries
    // follow each other: 13 + 21 and 14 + 21 bytes.
    const std::size_t headers = before.find(std::string("data\\icon.paa") + '\0');
    ASSERT_NE(headers, std::string::npos);
    const std::string expected = before.substr(0, headers) +
                                 before.substr(headers + 69, 241 + 1657 - headers - 69) +
                                 before.substr(241 + 1657 + 2500);

    EXPECT_EQ(Delete({"data\\*.*"}), 0);
    // The trailer now holds the SHA-1 of the archive.
    const std::string after = ReadWholeFile(path_);
    EXPECT_EQ(test::WithoutDigest(after), test::WithoutDigest(expected));
    EXPECT_TRUE(test::EndsInDigestTrailer(after));
    std::vector<host::ListedEntry> entries;
    EXPECT_EQ(host::ListArchive(plugin_, path_, entries), E_END_ARCHIVE);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "config.cpp");
    EXPECT_EQ(entries[1].name, "scripts\\init.sqf");
    EXPECT_EQ(entries[1].unp_size, 12286);  // compressed: the size it unpacks to
    EXPECT_EQ(entries[2].name, "readme.txt");
    EXPECT_EQ(entries[2].unp_size, 17);

    // An archive of the community's packers: the name matches whatever its letter case.
    std::filesystem::copy_file(QUILLPACK_SAMPLES_DIR "/checksummed.pbo", path_,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(Delete({"CFGFUNCTIONS.hpp"}), 0);
    EXPECT_EQ(ListNames().size(), 4u);
    EXPECT_TRUE(test::EndsInDigestTrailer(ReadWholeFile(path_)));
}

}  // namespace
}  // namespace qp

// The entry locator finds entries and insertion points, and refuses damaged archives.
#include "pbo/entry_locator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/archive_builder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::DataStart;
using test::TempDir;
using test::TestArchive;
using test::WriteWholeFile;

// The extension of ArchiveWith: empty name, record, "prefix", "test\addon", closing NUL.
constexpr std::int32_t kExtensionSize = 21 + 7 + 11 + 1;

class FindEntryTest : public ::testing::Test {
protected:
    FindResult Find(const std::string& bytes, const char* name, EntryLocation& location) {
        const std::string path = dir_.File("a.pbo");
        WriteWholeFile(path, bytes);
        const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
        EXPECT_NE(file.handle, nullptr);
        const FindResult result = FindEntry(file.handle, name, location);
        CloseFile(file.handle);
        return result;
    }

    TempDir dir_;
};

TEST_F(FindEntryTest, FindsHeaderAndDataOfAnEntry) {
    const TestArchive archive = ArchiveWith({{"a", 10}, {"b", 5}});
    const auto data_start = static_cast<std::int32_t>(DataStart(archive));
    EntryLocation at{};
    ASSERT_EQ(Find(BuildArchive(archive), "b", at), FindResult::found);
    EXPECT_EQ(at.header_offset, kExtensionSize + 22);
    EXPECT_EQ(at.header_size, 22);
    EXPECT_EQ(at.data_offset, data_start + 10);
    EXPECT_EQ(at.data_size, 5);
    ASSERT_EQ(Find(BuildArchive(archive), "a", at), FindResult::found);
    EXPECT_EQ(at.header_offset, kExtensionSize);
    EXPECT_EQ(at.data_offset, data_start);
}

TEST_F(FindEntryTest, AbsentNamesGiveTheInsertionPoints) {
    const TestArchive archive = ArchiveWith({{"a", 10}, {"b", 5}});
    const auto data_start = static_cast<std::int32_t>(DataStart(archive));
    for (const char* name : {"c", "bb", "", "a\\"}) {
        EntryLocation at{};
        ASSERT_EQ(Find(BuildArchive(archive), name, at), FindResult::absent) << name;
        EXPECT_EQ(at.header_offset, data_start - 21);  // the end-of-header entry
        EXPECT_EQ(at.data_offset, data_start + 15);    // in front of the trailer
    }
    const TestArchive empty = ArchiveWith({});
    EntryLocation at{};
    ASSERT_EQ(Find(BuildArchive(empty), "x", at), FindResult::absent);
    EXPECT_EQ(at.header_offset, kExtensionSize);
    EXPECT_EQ(at.data_offset, kExtensionSize + 21);
}

TEST_F(FindEntryTest, WithoutExtensionAndWithDuplicatesTheLastEntryWins) {
    TestArchive archive = ArchiveWith({{"x", 3}, {"y", 4}, {"x", 6}});
    archive.extension = false;
    EntryLocation at{};
    ASSERT_EQ(Find(BuildArchive(archive), "x", at), FindResult::found);
    EXPECT_EQ(at.header_offset, 2 * 22);
    EXPECT_EQ(at.data_offset, static_cast<std::int32_t>(DataStart(archive)) + 7);
    EXPECT_EQ(at.data_size, 6);
}

TEST_F(FindEntryTest, ArchivesCutShortAreDamagedWhereverTheCutFalls) {
    // Only a cut inside the trailer leaves the header and the data area whole.
    const TestArchive archive = ArchiveWith({{"config.cpp", 30}, {"data\\b", 0}, {"c", 12}});
    const std::string bytes = BuildArchive(archive);
    const std::size_t data_end = DataStart(archive) + 42;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        EntryLocation at{};
        const FindResult result = Find(bytes.substr(0, cut), "c", at);
        EXPECT_EQ(result, cut >= data_end ? FindResult::found : FindResult::damaged) << cut;
    }
}

TEST_F(FindEntryTest, SizesClaimingMoreDataThanTheFileHoldsAreDamaged) {
    TestArchive archive = ArchiveWith({{"a", 10}});
    archive.trailer = false;
    std::string bytes = BuildArchive(archive);
    // The data size of "a" is the last field before the end-of-header entry.
    const std::size_t size_field = DataStart(archive) - 21 - 4;
    bytes[size_field] = 11;
    EntryLocation at{};
    EXPECT_EQ(Find(bytes, "a", at), FindResult::damaged);
    bytes[size_field] = 10;
    bytes[size_field + 3] = static_cast<char>(0xFF);  // and now almost 4 GiB
    EXPECT_EQ(Find(bytes, "zz", at), FindResult::damaged);
    bytes[size_field + 3] = 0;
    EXPECT_EQ(Find(bytes, "a", at), FindResult::found);
}

// NUL-separated items closed by an empty item.
std::string HostList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += item + '\0';
    return list + '\0';
}

TEST(CountListItems, StopsAtTheEmptyItemOrAtTheFirstItemOf255Characters) {
    const std::string long254(254, 'n');
    const std::string long255(255, 'n');
    const std::string list = HostList({"a", long254, "dir\\", long255, "b"});
    EXPECT_EQ(CountListItems(list.c_str()), 3);
    EXPECT_EQ(CountListItems(HostList({}).c_str()), 0);
    EXPECT_EQ(CountListItems(HostList({"x", "y"}).c_str()), 2);
    EXPECT_EQ(CountListItems(nullptr), 0);
}

}  // namespace
}  // namespace qp

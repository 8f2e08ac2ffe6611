// The header walk finds every entry's header entry and data, and notices a cut-short archive.
#include "pbo/entry_walk.h"

#include <gtest/gtest.h>

#include "support/archive_builder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::DataStart;
using test::TempDir;
using test::TestArchive;

class EntryWalkTest : public ::testing::Test {
protected:
    HeaderWalk Walk(const std::string& bytes) {
        const std::string path = dir_.File("walk.pbo");
        test::WriteWholeFile(path, bytes);
        const OpenResult opened = OpenFile(path.c_str(), OpenMode::read);
        EXPECT_NE(opened.handle, nullptr);
        HeaderWalk walk = WalkHeader(opened.handle);
        CloseFile(opened.handle);
        return walk;
    }

    TempDir dir_;
};

TEST_F(EntryWalkTest, LocatesEveryEntryAfterTheExtension) {
    const TestArchive archive = ArchiveWith({{"a", 10}, {"dir\\b", 5}, {"a", 7}});
    const std::int32_t data = static_cast<std::int32_t>(DataStart(archive));
    const HeaderWalk walk = Walk(BuildArchive(archive));
    EXPECT_FALSE(walk.damaged);
    ASSERT_EQ(walk.entries.size(), 3u);
    // The extension: its 21-byte entry, "prefix", "test\addon" and the closing empty string.
    const std::int32_t first = 21 + 7 + 11 + 1;
    EXPECT_EQ(walk.entries[0].name, "a");
    EXPECT_EQ(walk.entries[0].location.header_offset, first);
    EXPECT_EQ(walk.entries[0].location.header_size, 22);
    EXPECT_EQ(walk.entries[0].location.data_offset, data);
    EXPECT_EQ(walk.entries[0].location.data_size, 10);
    EXPECT_EQ(walk.entries[1].name, "dir\\b");
    EXPECT_EQ(walk.entries[1].location.header_offset, first + 22);
    EXPECT_EQ(walk.entries[1].location.header_size, 26);
    EXPECT_EQ(walk.entries[1].location.data_offset, data + 10);
    EXPECT_EQ(walk.entries[2].location.header_offset, first + 48);
    EXPECT_EQ(walk.entries[2].location.data_offset, data + 15);
    EXPECT_EQ(walk.end_of_header_offset, first + 70);
    EXPECT_EQ(walk.data_start, data);
    EXPECT_EQ(walk.data_end, data + 22);
}

TEST_F(EntryWalkTest, DataSizesPast2GiBWrapAsOffsetsOf32Bits) {
    const TestArchive archive = ArchiveWith({{"a", 1}, {"b", 1}});
    std::string bytes = BuildArchive(archive);
    // a's data size, the last field of the record after its name at offset 40, claims 2 GiB - 16.
    bytes.replace(40 + 2 + 16, 4, std::string("\xF0\xFF\xFF\x7F", 4));
    const HeaderWalk walk = Walk(bytes);
    EXPECT_TRUE(walk.damaged);
    ASSERT_EQ(walk.entries.size(), 2u);
    EXPECT_EQ(walk.entries[1].location.data_offset,
              static_cast<std::int32_t>(DataStart(archive) + 0x7FFFFFF0u));
}

TEST_F(EntryWalkTest, ReadsArchivesWithoutExtensionOrWithoutEntries) {
    TestArchive bare = ArchiveWith({{"x", 3}});
    bare.extension = false;
    HeaderWalk walk = Walk(BuildArchive(bare));
    EXPECT_FALSE(walk.damaged);
    ASSERT_EQ(walk.entries.size(), 1u);
    EXPECT_EQ(walk.entries[0].location.header_offset, 0);
    EXPECT_EQ(walk.data_start, 43);

    walk = Walk(BuildArchive(ArchiveWith({})));
    EXPECT_FALSE(walk.damaged);
    EXPECT_TRUE(walk.entries.empty());
    EXPECT_EQ(walk.end_of_header_offset, 40);
    EXPECT_EQ(walk.data_start, 61);
    EXPECT_EQ(walk.data_end, 61);
}

TEST_F(EntryWalkTest, EveryCutBeforeTheEndOfTheDataAreaIsDamage) {
    const TestArchive archive = ArchiveWith({{"a", 10}, {"b", 0}, {"c", 7}});
    const std::string bytes = BuildArchive(archive);
    const std::size_t data_end = DataStart(archive) + 17;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const HeaderWalk walk = Walk(bytes.substr(0, length));
        EXPECT_EQ(walk.damaged, length < data_end) << "length " << length;
        const HeaderDamage damage = length >= data_end            ? HeaderDamage::none
                                    : length < DataStart(archive) ? HeaderDamage::cut_short
                                                                  : HeaderDamage::data_past_end;
        EXPECT_EQ(walk.damage, damage) << "length " << length;
    }
}

// A string of 1023 characters or more reads as empty, and would be taken for the end of the
// header or of the extension: every editor would then write into the middle of the header.
TEST_F(EntryWalkTest, AStringTooLongToReadWholeIsDamage) {
    const std::string long_name(1023, 'n');
    TestArchive archive = ArchiveWith({{"a", 1}, {long_name, 2}, {"b", 3}});
    const std::uint32_t second = test::RecordEnds(archive)[0];
    HeaderWalk walk = Walk(BuildArchive(archive));
    EXPECT_EQ(walk.damage, HeaderDamage::name_too_long);
    EXPECT_TRUE(walk.damaged);
    EXPECT_EQ(walk.damage_offset, second);
    archive = ArchiveWith({{"a", 1}});
    archive.extension_strings = {"prefix", long_name};
    walk = Walk(BuildArchive(archive));
    EXPECT_EQ(walk.damage, HeaderDamage::name_too_long);
    EXPECT_EQ(walk.damage_offset, 28u);  // the extension entry, then "prefix"
}

}  // namespace
}  // namespace qp

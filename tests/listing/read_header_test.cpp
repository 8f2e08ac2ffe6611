// Listing walks the header one entry per call and records where the data area starts.
#include "listing/read_header.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "listing/listing_state.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

ListingState listing_state;  // the pass these tests drive, as the host's calls would

using test::ArchiveWith;
using test::BuildArchive;
using test::DataStart;
using test::TempDir;
using test::TestArchive;
using test::WriteWholeFile;

struct Listed {
    std::string name;
    std::uint32_t size;
    std::int64_t offset;
    bool operator==(const Listed&) const = default;
};

class ReadHeaderTest : public ::testing::Test {
protected:
    void SetUp() override { listing_state = ListingState{}; }

    // One full pass the way the host makes it, ending with `last`.
    std::vector<Listed> ListAll(const std::string& bytes, const char* name = "a.pbo",
                                Outcome last = Outcome::end_of_archive) {
        const std::string path = dir_.File(name);
        WriteWholeFile(path, bytes);
        return ListPath(path, last);
    }

    std::vector<Listed> ListPath(const std::string& path, Outcome last) {
        const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
        EXPECT_NE(file.handle, nullptr);
        BeginPass(listing_state, file.handle);
        std::vector<Listed> listed;
        HeaderInfo info{};
        Outcome outcome;
        while ((outcome = ReadHeader(listing_state, file.handle, info)) == Outcome::ok) {
            listed.push_back({info.file_name, info.unp_size, listing_state.current_offset});
            if (listed.size() > 10000) break;
        }
        EXPECT_EQ(outcome, last);
        // Once damaged, the pass stays so.
        if (last == Outcome::bad_archive) {
            EXPECT_EQ(ReadHeader(listing_state, file.handle, info), last);
        }
        CloseFile(file.handle);
        return listed;
    }

    TempDir dir_;
};

TEST_F(ReadHeaderTest, ListsEntriesAfterTheExtensionAndRecordsTheDataStart) {
    const TestArchive archive = ArchiveWith({{"config.cpp", 10}, {"data\\a.paa", 5}, {"b", 7}});
    const std::vector<Listed> expected = {
        {"config.cpp", 10, 0}, {"data\\a.paa", 5, 10}, {"b", 7, 15}};
    EXPECT_EQ(ListAll(BuildArchive(archive)), expected);
    EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(DataStart(archive)));
    EXPECT_TRUE(listing_state.data_start_known);
}

TEST_F(ReadHeaderTest, ListsArchivesWithoutExtensionTheSameWay) {
    TestArchive archive = ArchiveWith({{"mission.sqm", 20}, {"init.sqf", 3}});
    archive.extension = false;
    const std::vector<Listed> expected = {{"mission.sqm", 20, 0}, {"init.sqf", 3, 20}};
    EXPECT_EQ(ListAll(BuildArchive(archive)), expected);
    EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(DataStart(archive)));
}

TEST_F(ReadHeaderTest, ExtensionWithoutEntriesListsNothingAndKeepsTheDataStart) {
    listing_state.data_start = 1234;
    TestArchive archive = ArchiveWith({});
    EXPECT_TRUE(ListAll(BuildArchive(archive)).empty());
    EXPECT_EQ(listing_state.data_start, 1234);
    EXPECT_TRUE(ListAll("").empty());
}

TEST_F(ReadHeaderTest, ReportsSizesAndTimesOfEachRecord) {
    TestArchive archive = ArchiveWith({});
    archive.entries = {{"packed", std::string(30, 'p'), 0x43707273, 500, 0},
                       {"same", "12", 0, 0, 315532800},
                       {"same", "345", 0, 0, 315532800}};
    const std::string path = dir_.File("a.pbo");
    WriteWholeFile(path, BuildArchive(archive));
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    BeginPass(listing_state, file.handle);
    HeaderInfo info{};
    ASSERT_EQ(ReadHeader(listing_state, file.handle, info), Outcome::ok);
    EXPECT_EQ(info.unp_size, 500u);  // a compressed entry unpacks to its original size
    EXPECT_EQ(info.pack_size, 30u);
    EXPECT_EQ(info.file_time, 0x00210000u);  // timestamp 0 shows as 1980-01-01 00:00:00
    EXPECT_EQ(listing_state.current_record.method, kMethodCompressed);
    EXPECT_EQ(listing_state.current_record.original_size, 500u);
    ASSERT_EQ(ReadHeader(listing_state, file.handle, info), Outcome::ok);
    EXPECT_STREQ(info.file_name, "same");
    EXPECT_NE(listing_state.current_record.method, kMethodCompressed);
    EXPECT_EQ(info.unp_size, 2u);
    EXPECT_EQ(info.pack_size, 2u);
    ASSERT_EQ(ReadHeader(listing_state, file.handle, info), Outcome::ok);
    EXPECT_STREQ(info.file_name, "same");  // duplicates are listed twice
    EXPECT_EQ(listing_state.current_offset, 32);
    EXPECT_EQ(ReadHeader(listing_state, file.handle, info), Outcome::end_of_archive);
    CloseFile(file.handle);
}

// A string of 1023 characters or more reads as empty: taken for the end of the header, it would
// make the rest of the archive look like data. The listing says the archive is damaged instead,
// as for an archive of 4 GiB or more, whose data past 4 GiB 32-bit offsets cannot reach.
TEST_F(ReadHeaderTest, LongNamesAreReadWholeAndUnreadableOnesAreDamage) {
    const std::string name1022(1022, 'x');
    TestArchive archive = ArchiveWith({{name1022, 4}, {"after", 1}});
    const std::vector<Listed> listed = ListAll(BuildArchive(archive));
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, name1022);
    EXPECT_EQ(listed[1].name, "after");

    const std::string name1023(1023, 'y');
    archive = ArchiveWith({{"first", 1}, {name1023, 4}, {"after", 1}});
    EXPECT_EQ(ListAll(BuildArchive(archive), "a.pbo", Outcome::bad_archive).size(), 1u);
    EXPECT_TRUE(listing_state.header_seen && !listing_state.data_start_known);

    const std::string large = dir_.File("large.pbo");
    WriteWholeFile(large, BuildArchive(ArchiveWith({{"first", 1}})));
    std::filesystem::resize_file(large, (std::uintmax_t{1} << 32) + 100);
    EXPECT_TRUE(ListPath(large, Outcome::bad_archive).empty());
}

TEST_F(ReadHeaderTest, TruncatedHeaderListsTheEntriesReadSoFar) {
    const TestArchive archive = ArchiveWith({{"first.txt", 3}, {"second.txt", 4}});
    const std::string bytes = BuildArchive(archive);
    const std::size_t second = bytes.find("second.txt");
    // Cut inside the second name, then inside its record.
    EXPECT_EQ(ListAll(bytes.substr(0, second + 4)).size(), 1u);
    EXPECT_EQ(ListAll(bytes.substr(0, second + 11 + 7)).size(), 1u);
}

TEST_F(ReadHeaderTest, EveryTruncationEndsCleanlyWithAPrefixOfTheEntries) {
    TestArchive archive = ArchiveWith({{"a.txt", 3}, {"dir\\b.bin", 4}, {"c", 0}});
    archive.extension_strings = {"prefix", "x", "version", "1"};
    const std::string bytes = BuildArchive(archive);
    const std::vector<Listed> full = ListAll(bytes);
    ASSERT_EQ(full.size(), 3u);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        const std::vector<Listed> listed = ListAll(bytes.substr(0, length));
        ASSERT_LE(listed.size(), full.size()) << length;
        for (std::size_t i = 0; i < listed.size(); ++i) EXPECT_EQ(listed[i], full[i]) << length;
    }
}

TEST_F(ReadHeaderTest, EachPassStartsAfreshAndAnotherArchiveRestartsTheOffsets) {
    const TestArchive one = ArchiveWith({{"a", 10}, {"b", 5}});
    const TestArchive two = ArchiveWith({{"z", 3}});
    const std::vector<Listed> first = ListAll(BuildArchive(one));
    EXPECT_EQ(ListAll(BuildArchive(one)), first);
    const std::vector<Listed> other = ListAll(BuildArchive(two), "b.pbo");
    EXPECT_EQ(other, (std::vector<Listed>{{"z", 3, 0}}));
    EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(DataStart(two)));
}

}  // namespace
}  // namespace qp

// Strings, records and timestamps of the archive layout.
#include <gtest/gtest.h>

#include "pbo/cstring.h"
#include "pbo/entry_record.h"
#include "pbo/entry_time.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::TempDir;
using test::WriteWholeFile;

constexpr std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<std::uint32_t>((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 |
                                      minute << 5 | second / 2);
}

TEST(DosTimeFromUnix, PacksUtcFieldsWithSecondsHalved) {
    EXPECT_EQ(DosTimeFromUnix(1700000000), Dos(2023, 11, 14, 22, 13, 20));
    EXPECT_EQ(DosTimeFromUnix(1700000001), Dos(2023, 11, 14, 22, 13, 20));
    EXPECT_EQ(DosTimeFromUnix(315532800), Dos(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(DosTimeFromUnix(2147483647), Dos(2038, 1, 19, 3, 14, 7));
}

TEST(DosTimeFromUnix, ClampsTimesBeforeTheDosEpoch) {
    // Timestamp 0 would otherwise pack a year field of 118, shown as 2098.
    EXPECT_EQ(DosTimeFromUnix(0), Dos(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(DosTimeFromUnix(315532799), Dos(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(DosTimeFromUnix(-2147483647 - 1), Dos(1980, 1, 1, 0, 0, 0));
}

TEST(EntryRecord, EncodesLittleEndianFieldsInOrder) {
    const EntryRecord record{kMethodCompressed, 0x01020304, 0, -1, 0xA0B0C0D0};
    std::uint8_t bytes[kRecordSize];
    EncodeRecord(record, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "srpC");
    EXPECT_EQ(bytes[4], 0x04);
    EXPECT_EQ(bytes[7], 0x01);
    EXPECT_EQ(bytes[12], 0xFF);
    EXPECT_EQ(bytes[16], 0xD0);
    const EntryRecord back = DecodeRecord(bytes);
    EXPECT_EQ(back.method, record.method);
    EXPECT_EQ(back.original_size, record.original_size);
    EXPECT_EQ(back.timestamp, -1);
    EXPECT_EQ(back.data_size, record.data_size);
}

class ReadCStringTest : public ::testing::Test {
protected:
    // Reads one string from a file holding `bytes`; returns it and the position after it.
    std::pair<std::string, std::uint32_t> ReadFrom(const std::string& bytes,
                                                   bool* hit_end = nullptr) {
        const std::string path = dir_.File("strings.bin");
        WriteWholeFile(path, bytes);
        const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
        CStringBuffer buffer{};
        std::string text = ReadCString(file.handle, buffer);
        const std::uint32_t position = CurrentPosition(file.handle);
        CloseFile(file.handle);
        if (hit_end) *hit_end = buffer.hit_end;
        return {text, position};
    }
    TempDir dir_;
};

TEST_F(ReadCStringTest, ReadsUpToAndIncludingTheNul) {
    EXPECT_EQ(ReadFrom(std::string("abc\0def", 7)), std::make_pair(std::string("abc"), 4u));
    EXPECT_EQ(ReadFrom(std::string("\0x", 2)), std::make_pair(std::string(), 1u));
}

TEST_F(ReadCStringTest, NamesOf1022CharactersComeBackWholeAndLongerOnesEmpty) {
    const std::string name1022(1022, 'n');
    EXPECT_EQ(ReadFrom(name1022 + '\0' + "rest"), std::make_pair(name1022, 1023u));
    // 1023 characters need 1024 bytes with the NUL: read as empty, 1024 bytes consumed.
    EXPECT_EQ(ReadFrom(std::string(1023, 'n') + '\0'), std::make_pair(std::string(), 1024u));
}

TEST_F(ReadCStringTest, EndOfFileGivesTheEmptyStringAndSaysSo) {
    bool hit_end = false;
    EXPECT_EQ(ReadFrom("abc", &hit_end).first, "");
    EXPECT_TRUE(hit_end);
    ReadFrom(std::string("a\0", 2), &hit_end);
    EXPECT_FALSE(hit_end);
}

TEST(FileCreationUnixTime, IsTheCreationTimeInUnixSeconds) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    WriteWholeFile(path, "x");
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    const std::int32_t seconds = FileCreationUnixTime(file.handle);
    const TimeResult created = FileCreationTime(file.handle);
    CloseFile(file.handle);
    EXPECT_EQ(static_cast<std::int64_t>(seconds),
              (static_cast<std::int64_t>(created.filetime) - 116444736000000000) / 10000000);
    EXPECT_GT(seconds, 1700000000);
}

}  // namespace
}  // namespace qp

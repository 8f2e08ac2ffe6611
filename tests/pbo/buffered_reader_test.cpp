// Reading through the read-ahead window gives what reading the handle byte by byte gives.
#include "pbo/buffered_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pbo/cstring.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

// Strings of the lengths that matter to the string rule (1022 whole, 1023 and more empty),
// placed so that they straddle the window's boundaries at different points, and a last one that
// the end of the file cuts short.
std::string StringsAcrossWindows() {
    const std::vector<std::size_t> lengths = {0, 5, 1022, 1023, 1024, 3000, 1021, 40};
    std::string bytes;
    for (std::size_t round = 0; bytes.size() < 3 * kReadAhead; ++round) {
        for (std::size_t length : lengths) {
            bytes += std::string(length + round % 7, static_cast<char>('a' + round % 26));
            bytes.push_back('\0');
        }
    }
    return bytes + "cut short";
}

TEST(BufferedReader, ReadsEveryStringAsTheHandleDoesByteByByte) {
    test::TempDir dir;
    // Two copies: a file is opened exclusively.
    const std::string first = dir.File("first.bin");
    const std::string second = dir.File("second.bin");
    test::WriteWholeFile(first, StringsAcrossWindows());
    test::WriteWholeFile(second, StringsAcrossWindows());
    const OpenResult by_byte = OpenFile(first.c_str(), OpenMode::read);
    const OpenResult windowed = OpenFile(second.c_str(), OpenMode::read);
    BufferedReader reader;
    StartReader(reader, windowed.handle, 0);
    CStringBuffer expected{};
    CStringBuffer got{};
    for (int count = 0; !expected.hit_end; ++count) {
        SCOPED_TRACE("string " + std::to_string(count));
        const std::string text = ReadCString(by_byte.handle, expected);
        ASSERT_EQ(ReadCString(reader, got), text);
        EXPECT_EQ(got.hit_end, expected.hit_end);
        EXPECT_EQ(ReaderPosition(reader), CurrentPosition(by_byte.handle));
        // Read ahead, move the handle elsewhere and put the reader back, as extraction does:
        // the position noted may have left the window by then.
        if (count % 3 == 0) {
            const std::uint32_t noted = ReaderPosition(reader);
            CStringBuffer ahead{};
            for (int i = 0; i < count % 5 && !ahead.hit_end; ++i) ReadCString(reader, ahead);
            SeekTo(windowed.handle, 0);
            ASSERT_EQ(SeekReader(reader, noted), IoStatus::ok);
            EXPECT_EQ(ReaderPosition(reader), noted);
        }
    }
    CloseFile(by_byte.handle);
    CloseFile(windowed.handle);
}

}  // namespace
}  // namespace qp

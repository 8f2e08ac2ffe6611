// Splices insert and remove ranges in place, mapped or through a buffer, with the same results.
#include "editing/splice.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "editing/splice_control.h"
#include "support/archive_builder.h"
#include "support/mapped_and_buffered.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ContentFor;
using test::FileExists;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

constexpr std::uint32_t kMiB = 1048576;

test::ProgressReports& reports = test::progress_reports;

const std::uint8_t* Bytes(const std::string& text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// Every case runs twice: through the whole-file view, and through the buffer that large
// archives in a 32-bit host fall back to.
class SpliceTest : public test::MappedAndBufferedTest {
protected:
    std::string Holding(const std::string& bytes) {
        const std::string path = dir_.File("f.bin");
        WriteWholeFile(path, bytes);
        return path;
    }

    TempDir dir_;
};

TEST_P(SpliceTest, InsertsAtStartMiddleAndEnd) {
    const std::string ten = "0123456789";
    const std::string path = Holding(ten);
    EXPECT_EQ(InsertRange(path.c_str(), 3, 5, Bytes("abcde"), ""), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), "012abcde3456789");
    EXPECT_EQ(InsertRange(path.c_str(), 0, 2, Bytes("<<"), ""), Outcome::ok);
    EXPECT_EQ(InsertRange(path.c_str(), 17, 2, Bytes(">>"), ""), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), "<<012abcde3456789>>");
    EXPECT_TRUE(reports.empty());
}

TEST_P(SpliceTest, InsertsAcrossManyChunksWithoutOverwritingUnmovedBytes) {
    const std::string big = ContentFor("big", 2 * kMiB + kMiB / 2 + 17);
    const std::string path = Holding(big);
    EXPECT_EQ(InsertRange(path.c_str(), 100, 7, Bytes("INSERTS"), ""), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), big.substr(0, 100) + "INSERTS" + big.substr(100));
    EXPECT_EQ(RemoveRange(path.c_str(), 100, 7, "x", test::recorded), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), big);
}

TEST_P(SpliceTest, InsertionCreatesAMissingFileOnlyAtOffsetZero) {
    const std::string path = dir_.File("new.bin");
    EXPECT_EQ(InsertRange(path.c_str(), 1, 3, Bytes("abc"), ""), Outcome::bad_archive);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(InsertRange(path.c_str(), 0, 3, Bytes("abc"), ""), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), "abc");
}

TEST_P(SpliceTest, RefusesRangesOutsideTheFileAndChangesNothing) {
    const std::string path = Holding("0123456789");
    EXPECT_EQ(InsertRange(path.c_str(), 11, 2, Bytes("xx"), ""), Outcome::bad_archive);
    EXPECT_EQ(RemoveRange(path.c_str(), 5, 6, "", test::recorded), Outcome::bad_archive);
    EXPECT_EQ(RemoveRange(path.c_str(), 0xFFFFFFF0u, 0x20, "", test::recorded),
              Outcome::bad_archive);
    EXPECT_EQ(ReadWholeFile(path), "0123456789");
    const std::string missing = dir_.File("missing.bin");
    EXPECT_EQ(RemoveRange(missing.c_str(), 0, 0, "", test::recorded), Outcome::open_failed);
    EXPECT_FALSE(FileExists(missing));
}

TEST_P(SpliceTest, AnAbandonedInsertionLeavesTheFileAsItWas) {
    const std::string before = ContentFor("f", 5000);
    const std::string path = Holding(before);
    splice_control.failing_splice = 1;
    EXPECT_EQ(InsertRange(path.c_str(), 10, 300, Bytes(std::string(300, 'x')), ""),
              Outcome::write_failed);
    EXPECT_EQ(ReadWholeFile(path), before);
    splice_control.failing_splice = 1;
    EXPECT_EQ(RemoveRange(path.c_str(), 10, 300, "", test::recorded), Outcome::write_failed);
    EXPECT_EQ(ReadWholeFile(path), before);
}

TEST_P(SpliceTest, RemovesAtStartMiddleAndEnd) {
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred.push_back(static_cast<char>(i));
    const std::string path = Holding(hundred);
    EXPECT_EQ(RemoveRange(path.c_str(), 0, 10, "", test::recorded), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), hundred.substr(10));
    EXPECT_EQ(RemoveRange(path.c_str(), 40, 5, "", test::recorded), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), hundred.substr(10, 40) + hundred.substr(55));
    EXPECT_EQ(RemoveRange(path.c_str(), 80, 5, "", test::recorded), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path), hundred.substr(10, 40) + hundred.substr(55, 40));
    EXPECT_EQ(RemoveRange(path.c_str(), 3, 0, "", test::recorded), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path).size(), 80u);
    EXPECT_TRUE(reports.empty());
}

struct TailCase {
    std::uint32_t tail;
    std::vector<int> percents;
};

TEST_P(SpliceTest, RemovalReportsProgressPerMebibyteOfTail) {
    const std::vector<TailCase> cases = {
        {kMiB - 1, {}},
        {kMiB, {-100}},
        {2 * kMiB + kMiB / 2, {-40, -80, -100}},
        {3 * kMiB, {-33, -66, -100}},
    };
    for (const TailCase& tail_case : cases) {
        const std::string bytes = ContentFor("t", 64 + 16 + tail_case.tail);
        const std::string path = Holding(bytes);
        reports.clear();
        EXPECT_EQ(RemoveRange(path.c_str(), 64, 16, "Packing - a\\b.txt", test::recorded),
                  Outcome::ok);
        std::vector<int> percents;
        for (const auto& [name, value] : reports) {
            EXPECT_EQ(name, "Packing - a\\b.txt");
            percents.push_back(value);
        }
        EXPECT_EQ(percents, tail_case.percents) << tail_case.tail;
        EXPECT_EQ(ReadWholeFile(path), bytes.substr(0, 64) + bytes.substr(80));
    }
}

TEST_P(SpliceTest, ATailJustOver16MebibytesEndsOnMinus99AndNamesThePath) {
    // In single precision 16 MiB + 3 becomes 16 MiB + 4.
    const std::uint32_t tail = 16 * kMiB + 3;
    const std::string bytes = ContentFor("t", 5 + tail);
    const std::string path = Holding(bytes);
    EXPECT_EQ(RemoveRange(path.c_str(), 0, 5, "", test::recorded), Outcome::ok);
    ASSERT_EQ(reports.size(), 17u);
    EXPECT_EQ(reports[0], std::make_pair(path, -6));
    EXPECT_EQ(reports[15].second, -99);
    EXPECT_EQ(reports[16].second, -99);
    EXPECT_TRUE(ReadWholeFile(path) == bytes.substr(5));
}

INSTANTIATE_TEST_SUITE_P(MappedAndBuffered, SpliceTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Buffered" : "Mapped"; });

}  // namespace
}  // namespace qp

// The one-pass deletion equals the cut-by-cut one: the same map, bytes and progress reports.
#include "editing/cut_ranges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editing/merge_ranges.h"
#include "editing/splice.h"
#include "editing/splice_control.h"
#include "editing/trailer_checksum.h"
#include "pbo/entry_locator.h"
#include "plugin/result_code.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/fault_sweep.h"
#include "support/mapped_and_buffered.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::HostList;
using test::ReadWholeFile;
using test::WriteWholeFile;

constexpr std::size_t kMiB = 1 << 20;

// Several MiB, so that most cuts have 1 MiB or more behind them; "a" twice, an empty entry
// between two others, a folder with a subfolder, and an entry of 1 MiB + 3.
const test::TestArchive big = test::ArchiveWith({{"a", 10},
                                                 {"dir\\b", kMiB + kMiB / 2},
                                                 {"empty", 0},
                                                 {"dir\\c", 700000},
                                                 {"d", 2 * kMiB + 12345},
                                                 {"dir\\sub\\e", 5},
                                                 {"f", kMiB + 3},
                                                 {"a", 20},
                                                 {"g", 300000}});

struct Deletion {
    std::vector<std::string> items;
    std::vector<std::string> entries;  // the entries the items name, each once
};

const Deletion deletions[] = {
    {{"dir\\b", "empty"}, {"dir\\b", "empty"}},                     // neighbours
    {{"empty"}, {"empty"}},                                         // no data at all
    {{"empty", "dir\\c"}, {"empty", "dir\\c"}},                     // the same data offset
    {{"a"}, {"a"}},                                                 // the later "a"
    {{"d", "d", "f"}, {"d", "f"}},                                  // listed twice
    {{"dir\\*.*", "dir\\c"}, {"dir\\b", "dir\\c", "dir\\sub\\e"}},  // overlapping
    {{"dir\\sub\\"}, {"dir\\sub\\e"}},                              // a subfolder
    {{"g", "missing"}, {"g"}},                                      // only the trailer behind
    {{"dir\\", "a", "empty", "d", "f", "g"},
     {"dir\\b", "dir\\c", "dir\\sub\\e", "a", "empty", "d", "f", "g"}},
};

// Deletions in place, as the user may ask for where no copy of the archive fits beside it.
class CutRangesTest : public test::MappedAndBufferedTest {
protected:
    // The map that one FindEntry per named entry gives.
    std::vector<ByteRange> MapEntryByEntry(const std::vector<std::string>& entries) {
        const OpenResult file = OpenFile(path_.c_str(), OpenMode::read);
        std::vector<ByteRange> ranges;
        for (const std::string& name : entries) {
            EntryLocation at{};
            EXPECT_EQ(FindEntry(file.handle, name.c_str(), at), FindResult::found) << name;
            ranges.push_back({static_cast<std::uint32_t>(at.header_offset),
                              static_cast<std::uint32_t>(at.header_size)});
            ranges.push_back({static_cast<std::uint32_t>(at.data_offset),
                              static_cast<std::uint32_t>(at.data_size)});
        }
        CloseFile(file.handle);
        return MergeRanges(ranges);
    }

    // The deletion as cut by cut: the map, then one RemoveRange per range, front to back, and the
    // trailer's digest made again.
    Outcome DeleteCutByCut(const std::string& list) {
        const DeleteMap map = BuildDeleteMap(path_.c_str(), list.c_str(), test::recorded);
        std::uint32_t cut = 0;
        for (const ByteRange& range : map.ranges) {
            const Outcome removed =
                RemoveRange(path_.c_str(), range.offset - cut, range.size, "", test::recorded);
            if (removed != Outcome::ok) return removed;
            cut += range.size;
        }
        const OpenResult file = OpenFile(path_.c_str(), OpenMode::read_write);
        const Outcome stamped = RestampTrailer(file.handle);
        CloseFile(file.handle);
        return map.outcome != Outcome::ok ? map.outcome : stamped;
    }

    test::TempDir dir_;
    std::string path_ = dir_.File("addon.pbo");
};

TEST_P(CutRangesTest, OnePassGivesTheMapBytesAndReportsOfOneCutPerRange) {
    const std::string original = BuildArchive(big);
    for (const Deletion& deletion : deletions) {
        SCOPED_TRACE("first item " + deletion.items[0]);
        const std::string list = HostList(deletion.items);
        WriteWholeFile(path_, original);
        const DeleteMap map = BuildDeleteMap(path_.c_str(), list.c_str(), test::recorded);
        const std::vector<ByteRange> expected = MapEntryByEntry(deletion.entries);
        ASSERT_EQ(map.ranges.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(map.ranges[i].offset, expected[i].offset) << i;
            EXPECT_EQ(map.ranges[i].size, expected[i].size) << i;
        }

        test::progress_reports.clear();
        ASSERT_EQ(DeleteCutByCut(list), Outcome::ok);
        const std::string cut_by_cut = ReadWholeFile(path_);
        const test::ProgressReports reports = test::progress_reports;
        // The map's own reports and, for these archives, some of the cuts'.
        EXPECT_GT(reports.size(), deletion.items.size());

        WriteWholeFile(path_, original);
        test::progress_reports.clear();
        EXPECT_EQ(DeleteFiles(path_.c_str(), list.c_str(), test::recorded, true), Outcome::ok);
        EXPECT_TRUE(ReadWholeFile(path_) == cut_by_cut);
        EXPECT_EQ(test::progress_reports, reports);
        // The rewrite, its kept runs gathered into blocks and hashed beside: the same bytes.
        WriteWholeFile(path_, original);
        EXPECT_EQ(DeleteFiles(path_.c_str(), list.c_str(), test::recorded), Outcome::ok);
        EXPECT_TRUE(ReadWholeFile(path_) == cut_by_cut);
    }
}

// Every file call after the map fails in turn: the host is told E_EWRITE, except when only the
// close failed or no view could be had (the buffered path then did the work). A read that fails
// once the cut is done, while the trailer's digest is made, is told as E_EREAD, and leaves the
// archive deleted but for its digest.
TEST_P(CutRangesTest, AFailureDuringThePassIsAWriteError) {
    const test::TestArchive archive =
        test::ArchiveWith({{"x", 10}, {"y", kMiB + 7}, {"z", 3}, {"w", kMiB / 2}});
    const std::string original = BuildArchive(archive);
    const std::string list = HostList({"x", "z"});
    WriteWholeFile(path_, original);
    ASSERT_EQ(DeleteCutByCut(list), Outcome::ok);
    const std::string deleted = ReadWholeFile(path_);
    const test::FileCallCounts map_calls =
        test::CountFileCalls([&] { BuildDeleteMap(path_.c_str(), list.c_str(), test::recorded); });
    Outcome outcome = Outcome::ok;
    test::SweepFileFaults(
        [&] { WriteWholeFile(path_, original); },
        [&] { outcome = DeleteFiles(path_.c_str(), list.c_str(), test::recorded, true); },
        [&](const test::FileFault& fault) {
            if (fault.call <= map_calls[static_cast<int>(fault.kind)]) return;
            SCOPED_TRACE(test::Describe(fault));
            if (fault.kind == FileCall::close || fault.kind == FileCall::map) {
                EXPECT_EQ(outcome,
                          fault.kind == FileCall::close ? Outcome::close_failed : Outcome::ok);
                EXPECT_TRUE(ReadWholeFile(path_) == deleted);
            } else if (outcome == Outcome::ok) {
                EXPECT_TRUE(ReadWholeFile(path_) == deleted);  // a short read is read on from
            } else if (outcome == Outcome::read_failed) {
                EXPECT_TRUE(test::WithoutDigest(ReadWholeFile(path_)) ==
                            test::WithoutDigest(deleted));
            } else {
                EXPECT_EQ(ResultCode(outcome), E_EWRITE);
            }
        });
}

INSTANTIATE_TEST_SUITE_P(MappedAndBuffered, CutRangesTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Buffered" : "Mapped"; });

}  // namespace
}  // namespace qp

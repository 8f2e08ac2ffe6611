// The deletion map's ranges come out sorted, joined where they touch or overlap, never empty.
#include "editing/merge_ranges.h"

#include <gtest/gtest.h>

namespace qp {

// In the namespace of ByteRange, where the comparisons of the tests look for them.
bool operator==(const ByteRange& a, const ByteRange& b) {
    return a.offset == b.offset && a.size == b.size;
}

void PrintTo(const ByteRange& range, std::ostream* out) {
    *out << "(" << range.offset << ", " << range.size << ")";
}

namespace {

using Ranges = std::vector<ByteRange>;

TEST(MergeRanges, SortsAndKeepsRangesWithAGapApart) {
    EXPECT_EQ(MergeRanges({{50, 5}, {10, 22}, {33, 16}}), (Ranges{{10, 22}, {33, 16}, {50, 5}}));
    EXPECT_EQ(MergeRanges({}), Ranges{});
}

TEST(MergeRanges, JoinsTouchingOverlappingAndContainedRanges) {
    // Two neighbouring header entries, then their data: two cuts instead of four.
    EXPECT_EQ(MergeRanges({{100, 10}, {30, 22}, {52, 22}, {110, 5}}),
              (Ranges{{30, 44}, {100, 15}}));
    EXPECT_EQ(MergeRanges({{10, 10}, {15, 10}}), (Ranges{{10, 15}}));
    // A range inside the current one must not shorten it.
    EXPECT_EQ(MergeRanges({{10, 20}, {12, 3}, {29, 4}}), (Ranges{{10, 23}}));
    // One long range swallows several that follow it.
    EXPECT_EQ(MergeRanges({{0, 100}, {10, 1}, {20, 1}, {100, 1}, {102, 1}}),
              (Ranges{{0, 101}, {102, 1}}));
}

TEST(MergeRanges, OffsetsPast2GiBSortAfterTheOthersAndJoinAcrossTheBoundary) {
    // Taken as signed, these would sort first and be cut before the ranges in front of them.
    EXPECT_EQ(MergeRanges({{0x90000000u, 10}, {100, 5}, {0x7FFFFFF0u, 0x10}, {0x80000000u, 8}}),
              (Ranges{{100, 5}, {0x7FFFFFF0u, 0x18}, {0x90000000u, 10}}));
}

TEST(MergeRanges, AnEntryListedTwiceIsCutOnce) {
    EXPECT_EQ(MergeRanges({{30, 22}, {100, 5}, {30, 22}, {100, 5}}), (Ranges{{30, 22}, {100, 5}}));
}

TEST(MergeRanges, EqualOffsetsJoinInEitherOrderAndEmptyRangesAreDropped) {
    // The data of an empty entry and of the entry after it start at the same offset.
    EXPECT_EQ(MergeRanges({{200, 0}, {200, 7}}), (Ranges{{200, 7}}));
    EXPECT_EQ(MergeRanges({{200, 7}, {200, 0}}), (Ranges{{200, 7}}));
    EXPECT_EQ(MergeRanges({{200, 0}, {40, 21}}), (Ranges{{40, 21}}));
}

}  // namespace
}  // namespace qp

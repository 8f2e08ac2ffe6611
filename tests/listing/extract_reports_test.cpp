// A stored entry reports per 1024-byte chunk however it is read and written, and one that fails
// or is cancelled part way leaves no file behind.
#include <gtest/gtest.h>

#include <string>

#include "listing/process_file.h"
#include "listing/read_header.h"
#include "platform/fault_injection.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"
#include "listing/listing_state.h"

namespace qp {
namespace {

ListingState listing_state;  // the pass these tests drive, as the host's calls would

// Extracts the only entry of `bytes` with `fault` planned, the host answering stop at report
// `stop_at` (0: never).
Outcome ExtractOnly(const std::string& bytes, const std::string& target, const FaultPlan& fault,
                    int stop_at = 0) {
    test::TempDir dir;
    const std::string path = dir.File("a.pbo");
    test::WriteWholeFile(path, bytes);
    listing_state = ListingState{};
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    BeginPass(listing_state, file.handle);
    HeaderInfo info{};
    Outcome outcome = ReadHeader(listing_state, file.handle, info);
    test::StartRecordingProgress();
    test::stop_at_report = stop_at;
    StartFaultPlan(fault);
    if (outcome == Outcome::ok)
        outcome = ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded);
    StopFaultPlan();
    test::StopRecordingProgress();
    CloseFile(file.handle);
    return outcome;
}

TEST(ExtractReports, ChunksReadWrittenOrCancelledAreReportedAndNothingPartialIsLeft) {
    const std::uint32_t size = 5 * 1024 + 300;
    const test::TestArchive archive = test::ArchiveWith({{"big", size}});
    const std::string bytes = test::BuildArchive(archive);
    test::TempDir dir;
    const std::string target = dir.File("out.bin");
    const FaultPlan none{FileCall::read, 0, IoStatus::ok};
    EXPECT_EQ(ExtractOnly(bytes, target, none), Outcome::ok);
    EXPECT_EQ(test::ReadWholeFile(target), archive.entries[0].data);

    // The data read is cut to half: its chunks are reported as they were written.
    const FaultPlan cut{FileCall::read, 1, IoStatus::io_error, true};
    EXPECT_EQ(ExtractOnly(bytes, target, cut), Outcome::read_failed);
    EXPECT_EQ(test::progress_reports,
              (test::ProgressReports{{target, 1024}, {target, 1024}, {target, 662}}));
    EXPECT_FALSE(test::FileExists(target));

    EXPECT_EQ(ExtractOnly(bytes, target, {FileCall::write, 1, IoStatus::no_space}),
              Outcome::write_failed);
    EXPECT_EQ(test::progress_reports, (test::ProgressReports{{target, 0}}));
    EXPECT_FALSE(test::FileExists(target));

    // Cancel at the second report: no report after it, no file.
    EXPECT_EQ(ExtractOnly(bytes, target, none, 2), Outcome::aborted);
    EXPECT_EQ(test::progress_reports, (test::ProgressReports{{target, 1024}, {target, 1024}}));
    EXPECT_FALSE(test::FileExists(target));
}

}  // namespace
}  // namespace qp

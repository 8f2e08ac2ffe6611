// A stored entry reports per 1024-byte chunk however it is read and written, a compressed one per
// MiB, and one that fails or is cancelled part way leaves the file that stood there as it was.
#include <gtest/gtest.h>

#include <filesystem>
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

TEST(ExtractReports, StoredByTheChunkCompressedByTheMiBAndNothingPartialReplacesAFile) {
    const std::uint32_t size = 5 * 1024 + 300;
    const test::TestArchive archive = test::ArchiveWith({{"big", size}});
    const std::string bytes = test::BuildArchive(archive);
    test::TempDir dir;
    const std::string target = dir.File("out.bin");
    const FaultPlan none{FileCall::read, 0, IoStatus::ok};
    EXPECT_EQ(ExtractOnly(bytes, target, none), Outcome::ok);
    EXPECT_EQ(test::ReadWholeFile(target), archive.entries[0].data);

    // The data read is cut to half: its chunks are reported as they were written, and the file
    // extracted before stays as it was.
    const FaultPlan cut{FileCall::read, 1, IoStatus::io_error, true};
    EXPECT_EQ(ExtractOnly(bytes, target, cut), Outcome::read_failed);
    EXPECT_EQ(test::progress_reports,
              (test::ProgressReports{{target, 1024}, {target, 1024}, {target, 662}}));
    EXPECT_TRUE(test::ReadWholeFile(target) == archive.entries[0].data);

    EXPECT_EQ(ExtractOnly(bytes, target, {FileCall::write, 1, IoStatus::no_space}),
              Outcome::write_failed);
    EXPECT_EQ(test::progress_reports, (test::ProgressReports{{target, 0}}));
    EXPECT_TRUE(test::ReadWholeFile(target) == archive.entries[0].data);

    // Cancel at the second report: no report after it.
    EXPECT_EQ(ExtractOnly(bytes, target, none, 2), Outcome::aborted);
    EXPECT_EQ(test::progress_reports, (test::ProgressReports{{target, 1024}, {target, 1024}}));
    EXPECT_TRUE(test::ReadWholeFile(target) == archive.entries[0].data);

    // A compressed entry reports every MiB it decodes, and the rest at its end.
    const std::string text = test::ContentFor("packed", (5 << 20) / 2);
    test::TestArchive packed = test::ArchiveWith({});
    packed.entries = {test::LzssEntry("packed", text, test::StreamSum::of_signed_bytes, true)};
    const std::string packed_bytes = test::BuildArchive(packed);
    EXPECT_EQ(ExtractOnly(packed_bytes, target, none), Outcome::ok);
    EXPECT_EQ(test::progress_reports,
              (test::ProgressReports{{target, 1 << 20}, {target, 1 << 20}, {target, 1 << 19}}));
    EXPECT_TRUE(test::ReadWholeFile(target) == text);
    test::WriteWholeFile(target, "old");
    EXPECT_EQ(ExtractOnly(packed_bytes, target, none, 2), Outcome::aborted);
    EXPECT_EQ(test::progress_reports.size(), 2u);
    EXPECT_EQ(test::ReadWholeFile(target), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

}  // namespace
}  // namespace qp

// A stored entry reports per 1024-byte chunk however it is read and written, even cut short.
#include <gtest/gtest.h>

#include <string>

#include "listing/process_file.h"
#include "listing/read_header.h"
#include "platform/fault_injection.h"
#include "plugin/listing_state.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

// Extracts the only entry of `bytes`, with the Nth write failing when `failing_write` is set.
Outcome ExtractOnly(const std::string& bytes, const std::string& target, int failing_write) {
    test::TempDir dir;
    const std::string path = dir.File("a.pbo");
    test::WriteWholeFile(path, bytes);
    listing_state = ListingState{};
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    BeginPass(listing_state, file.handle);
    HeaderInfo info{};
    Outcome outcome = ReadHeader(listing_state, file.handle, info);
    test::StartRecordingProgress();
    StartFaultPlan({FileCall::write, failing_write, IoStatus::no_space});
    if (outcome == Outcome::ok)
        outcome = ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded);
    StopFaultPlan();
    test::StopRecordingProgress();
    CloseFile(file.handle);
    return outcome;
}

TEST(ExtractReports, OneReportPerChunkReadAndTheWriteThatFailsReportsNothingWritten) {
    const std::uint32_t size = 5 * 1024 + 300;
    const test::TestArchive archive = test::ArchiveWith({{"big", size}});
    const std::string bytes = test::BuildArchive(archive);
    const std::uint32_t data = test::DataStart(archive);
    test::TempDir dir;
    const std::string target = dir.File("out.bin");
    for (std::uint32_t cut : {0u, 1u, 1023u, 1024u, 1025u, 4096u, size - 1, size}) {
        SCOPED_TRACE("data cut to " + std::to_string(cut));
        test::ProgressReports expected;
        for (std::uint32_t at = 0; at < cut; at += 1024) {
            expected.emplace_back(target, static_cast<int>(std::min(cut - at, 1024u)));
        }
        EXPECT_EQ(ExtractOnly(bytes.substr(0, data + cut), target, 0),
                  cut == size ? Outcome::ok : Outcome::read_failed);
        EXPECT_EQ(test::progress_reports, expected);
        EXPECT_EQ(test::ReadWholeFile(target), archive.entries[0].data.substr(0, cut));
    }
    EXPECT_EQ(ExtractOnly(bytes, target, 1), Outcome::write_failed);
    EXPECT_EQ(test::progress_reports, (test::ProgressReports{{target, 0}}));
}

}  // namespace
}  // namespace qp

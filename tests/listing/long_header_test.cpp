// Listing and extracting archives whose header spans many read-ahead windows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "listing/process_file.h"
#include "listing/read_header.h"
#include "pbo/buffered_reader.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"
#include "listing/listing_state.h"

namespace qp {
namespace {

ListingState listing_state;  // the pass these tests drive, as the host's calls would

// The host's extraction pass: entries are extracted right after ReadHeader describes them, before
// the end of the header is known, so the first extraction reads the rest of the header through
// the reader, and every extraction moves the handle to the data and back.
TEST(LongHeader, EveryEntryIsListedAndExtractedWhereverTheWindowsFall) {
    std::vector<std::pair<std::string, std::size_t>> entries;
    for (int i = 0; entries.size() * 60 < 3 * kReadAhead; ++i) {
        entries.push_back({"addons\\weapons\\data\\item_" + std::to_string(i) + ".paa", i % 5});
    }
    const test::TestArchive archive = test::ArchiveWith(entries);
    test::TempDir dir;
    const std::string path = dir.File("addon.pbo");
    const std::string target = dir.File("out.bin");
    test::WriteWholeFile(path, test::BuildArchive(archive));
    listing_state = ListingState{};
    const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    BeginPass(listing_state, file.handle);
    HeaderInfo info{};
    std::size_t listed = 0;
    while (ReadHeader(listing_state, file.handle, info) == Outcome::ok) {
        ASSERT_LT(listed, entries.size());
        EXPECT_EQ(info.file_name, entries[listed].first);
        // Every 25th entry, to keep the test quick; the others are skipped.
        if (listed % 25 == 0) {
            ASSERT_EQ(
                ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded),
                Outcome::ok);
            EXPECT_EQ(test::ReadWholeFile(target), archive.entries[listed].data);
        }
        ++listed;
    }
    CloseFile(file.handle);
    EXPECT_EQ(listed, entries.size());
    EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(test::DataStart(archive)));
}

}  // namespace
}  // namespace qp

// The real plugin module, loaded by the host program's driver, extracts archives.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "e2e/plugin_test.h"
#include "host/wcx_host_driver.h"
#include "host/wcx_host_unicode.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/hostile_names.h"
#include "support/sample_manifest.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using host::DestForm;
using host::ExtractedEntry;
using test::ReadWholeFile;

using HostExtractTest = PluginTest;

// Stored, empty and compressed entries, some in folders.
test::TestArchive MixedArchive() {
    test::TestArchive archive = test::ArchiveWith({{"config.cpp", 300}, {"data\\icon.paa", 2500}});
    archive.entries.push_back({"data\\empty.txt", ""});
    // Eight literals, then two and a back-reference two bytes back, four long.
    const std::string stream = std::string("\xFF") + "hint 'x'" + "\x03" + "ab" + "\x02\x01";
    archive.entries.push_back({"scripts\\init.sqf", stream, 0x43707273, 14});
    return archive;
}

TEST_F(HostExtractTest, SamplesFromAnotherToolExtractToTheirManifestHashes) {
    for (const char* sample : {"addon.pbo", "plain.pbo"}) {
        // A copy: the plugin opens archives exclusively, and other tests read the samples too.
        const std::string archive = dir_.File(sample);
        test::WriteWholeFile(archive,
                             ReadWholeFile(std::string(QUILLPACK_SAMPLES_DIR "/") + sample));
        const std::vector<test::SampleEntry> manifest =
            test::SampleEntries(QUILLPACK_SAMPLES_DIR, sample);
        std::vector<ExtractedEntry> entries;
        EXPECT_EQ(host::ExtractArchive(plugin_, archive, dir_.File(std::string("out-") + sample),
                                       DestForm::full_name, entries),
                  E_END_ARCHIVE);
        ASSERT_EQ(entries.size(), manifest.size()) << sample;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].name, manifest[i].name);
            EXPECT_EQ(entries[i].result, 0) << entries[i].name;
            EXPECT_EQ(test::Sha256Hex(ReadWholeFile(entries[i].target)), manifest[i].sha256)
                << entries[i].name;
        }
    }
}

// A listing of another archive first leaves a data-area start that is not this archive's.
TEST_F(HostExtractTest, BothDestinationFormsExtractTheSameBytesAfterAnotherArchiveWasListed) {
    test::TestArchive other = test::ArchiveWith({{"z", 7}});
    other.extension = false;
    const std::string other_path = dir_.File("other.pbo");
    test::WriteWholeFile(other_path, test::BuildArchive(other));
    std::vector<host::ListedEntry> listed;
    EXPECT_EQ(host::ListArchive(plugin_, other_path, listed), E_END_ARCHIVE);

    const test::TestArchive archive = MixedArchive();
    const std::string path = dir_.File("mixed.pbo");
    test::WriteWholeFile(path, test::BuildArchive(archive));
    for (DestForm form : {DestForm::full_name, DestForm::folder_and_name}) {
        const std::string folder = dir_.File(form == DestForm::full_name ? "full" : "split");
        std::vector<ExtractedEntry> entries;
        EXPECT_EQ(host::ExtractArchive(plugin_, path, folder, form, entries), E_END_ARCHIVE);
        ASSERT_EQ(entries.size(), 4u);
        for (const ExtractedEntry& entry : entries) EXPECT_EQ(entry.result, 0) << entry.name;
        EXPECT_EQ(ReadWholeFile(entries[0].target), archive.entries[0].data);
        EXPECT_EQ(ReadWholeFile(entries[1].target), archive.entries[1].data);
        EXPECT_TRUE(std::filesystem::exists(entries[2].target));
        EXPECT_EQ(ReadWholeFile(entries[2].target), "");
        EXPECT_EQ(ReadWholeFile(entries[3].target), "hint 'x'ababab");
    }
}

TEST_F(HostExtractTest, DamageIsReportedWithTheResultCodes) {
    test::TestArchive archive = MixedArchive();
    archive.trailer = false;
    // A byte flipped in a stream its sum follows.
    archive.entries.insert(
        archive.entries.begin() + 3,
        test::LzssEntry("scripts\\sum.sqf", "hint 'summed';", test::StreamSum::of_unsigned_bytes));
    archive.entries[3].data[1] ^= 0x20;
    std::string bytes = test::BuildArchive(archive);
    bytes.resize(bytes.size() - 5);  // cuts the compressed entry's data short
    const std::string path = dir_.File("cut.pbo");
    test::WriteWholeFile(path, bytes);
    std::filesystem::create_directories(dir_.File("out\\scripts"));
    test::WriteWholeFile(dir_.File("out\\scripts\\sum.sqf"), "old");
    std::vector<ExtractedEntry> entries;
    EXPECT_EQ(host::ExtractArchive(plugin_, path, dir_.File("out"), DestForm::full_name, entries),
              E_END_ARCHIVE);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].result, 0);
    // Damaged data leaves what stood at the destination as it was, and no partial file.
    EXPECT_EQ(entries[3].result, E_BAD_DATA);
    EXPECT_EQ(ReadWholeFile(entries[3].target), "old");
    EXPECT_EQ(entries[4].result, E_BAD_DATA);
    EXPECT_FALSE(std::filesystem::exists(entries[4].target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("out\\scripts")), {}), 1);

    // A folder the host did not make: the destination cannot be created.
    std::vector<ExtractedEntry> nowhere;
    host::ExtractArchive(plugin_, path, dir_.File("a\\b\\c"), DestForm::full_name, nowhere);
    ASSERT_EQ(nowhere.size(), 5u);
    EXPECT_EQ(nowhere[0].result, E_ECREATE);
}

// The table of hostile names through the real module, in both destination forms and through
// ProcessFileW: each is refused where it must be, and nothing is written outside the
// destination, through the planted link neither.
TEST_F(HostExtractTest, HostileNamesAreRefusedAndNothingIsWrittenOutsideTheDestination) {
    for (const int run : {0, 1, 2}) {
        SCOPED_TRACE(run == 2 ? "ProcessFileW" : run == 1 ? "DestPath given" : "all in DestName");
        test::ExpectHostileNamesKeptInside(
            dir_.File("run" + std::to_string(run)), [&](const auto& archive, const auto& dest) {
                std::vector<ExtractedEntry> entries;
                if (run == 2) host::ExtractArchiveW(plugin_, archive, dest, entries);
                const DestForm form = run == 0 ? DestForm::full_name : DestForm::folder_and_name;
                if (run != 2) host::ExtractArchive(plugin_, archive, dest, form, entries);
                std::vector<int> results;
                for (const ExtractedEntry& entry : entries) results.push_back(entry.result);
                return results;
            });
    }
}

}  // namespace
}  // namespace qp

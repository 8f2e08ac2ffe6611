// Extraction: chunked copies with progress, decoding, the data-area start, and damaged input.
#include "listing/process_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "listing/entry_bytes.h"
#include "listing/read_header.h"
#include "plugin/result_code.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/fault_sweep.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"
#include "listing/listing_state.h"

namespace qp {
namespace {

ListingState listing_state;  // the pass these tests drive, as the host's calls would

using test::ArchiveWith;
using test::BuildArchive;
using test::DataStart;
using test::FileExists;
using test::ReadWholeFile;
using test::TempDir;
using test::TestArchive;
using test::TestEntry;
using test::WriteWholeFile;

test::ProgressReports& reports = test::progress_reports;

// A stream of literals only, followed by the sum some tools append.
TestEntry Compressed(const std::string& name, const std::string& text) {
    return test::LzssEntry(name, text, test::StreamSum::of_signed_bytes, true);
}

// Overwrites field `field` (0 method .. 4 data size) of the record after `name`.
void PatchRecord(std::string& bytes, const std::string& name, int field, std::uint32_t value) {
    const std::size_t at = bytes.find(name + '\0') + name.size() + 1 + 4 * field;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// What extracting an entry gave, and what testing it had given before.
struct Extracted {
    std::string name;
    Outcome outcome;
    Outcome tested = Outcome::ok;
    bool operator==(const Extracted&) const = default;
};

class ProcessFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        listing_state = ListingState{};
        test::StartRecordingProgress();
    }
    void TearDown() override {
        test::StopRecordingProgress();
        if (file_ != nullptr) CloseFile(file_);
    }

    void Open(const std::string& bytes, const std::string& name = "a.pbo") {
        if (file_ != nullptr) CloseFile(file_);
        const std::string path = dir_.File(name);
        WriteWholeFile(path, bytes);
        file_ = OpenFile(path.c_str(), OpenMode::read).handle;
        ASSERT_NE(file_, nullptr);
        BeginPass(listing_state, file_);
    }

    Outcome Next(HeaderInfo& info) { return ReadHeader(listing_state, file_, info); }

    std::string Out(std::size_t index) const { return dir_.File("out" + std::to_string(index)); }

    // One pass as the file manager extracts: each entry right after ReadHeader describes it,
    // with the full target path in DestName; each is tested first, which writes nothing.
    std::vector<Extracted> ExtractAll(const std::string& bytes, const std::string& name = "a.pbo") {
        Open(bytes, name);
        std::vector<Extracted> done;
        HeaderInfo info{};
        while (done.size() < 100 && Next(info) == Outcome::ok) {
            std::string target = Out(done.size());
            std::filesystem::remove(target);
            const Outcome tested =
                ProcessFile(listing_state, PK_TEST, nullptr, target.c_str(), test::recorded);
            EXPECT_FALSE(FileExists(target));
            done.push_back(
                {info.file_name,
                 ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded),
                 tested});
            const Outcome outcome = done.back().outcome;
            if (outcome == Outcome::ok || outcome == Outcome::bad_data) {
                ExpectSameInMemory(name, target, outcome == Outcome::ok);
            }
        }
        return done;
    }

    // The entry just extracted (or found damaged), read into memory through a handle of its
    // own: the same bytes, or damaged alike.
    void ExpectSameInMemory(const std::string& name, const std::string& target, bool whole) {
        const std::uint64_t position = static_cast<std::uint32_t>(listing_state.data_start) +
                                       static_cast<std::uint64_t>(listing_state.current_offset);
        const FileHandle own = OpenFile(dir_.File(name).c_str(), OpenMode::read).handle;
        std::string bytes;
        const Outcome read = position > 0xFFFFFFFF
                                 ? Outcome::bad_data
                                 : ReadEntryWhole(own, static_cast<std::uint32_t>(position),
                                                  listing_state.current_record, bytes);
        CloseFile(own);
        EXPECT_EQ(read == Outcome::ok, whole) << listing_state.current_name;
        if (whole) {
            EXPECT_EQ(bytes, ReadWholeFile(target)) << listing_state.current_name;
        }
    }

    void ListAll(const std::string& bytes, const std::string& name) {
        Open(bytes, name);
        HeaderInfo info{};
        while (Next(info) == Outcome::ok)
            ProcessFile(listing_state, PK_SKIP, nullptr, nullptr, test::recorded);
    }

    TempDir dir_;
    FileHandle file_ = nullptr;
};

TestArchive MixedArchive() {
    TestArchive archive = ArchiveWith({{"small.txt", 10}, {"data\\big.paa", 2500}, {"empty", 0}});
    archive.entries.push_back(Compressed("config.cpp", "class CfgPatches { units[] = {}; };"));
    archive.entries.push_back({"last.sqf", "hint 'x';"});
    return archive;
}

// The modification time of a file in seconds since 1970.
std::int64_t ModifiedTime(const std::string& path) {
    const auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(path));
    return std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count();
}

TEST_F(ProcessFileTest, StoredEntriesAreReportedByTheChunkAndCompressedOnesWhenDecoded) {
    TestArchive archive = MixedArchive();
    archive.entries[2].timestamp = 0;
    archive.entries[3].timestamp = 1600000000;
    const std::int64_t started = ModifiedTime(dir_.path);
    const std::vector<Extracted> done = ExtractAll(BuildArchive(archive));
    ASSERT_EQ(done.size(), archive.entries.size());
    for (std::size_t i = 0; i < done.size(); ++i) {
        EXPECT_EQ(done[i].outcome, Outcome::ok) << done[i].name;
        const std::string expected = archive.entries[i].method == 0
                                         ? archive.entries[i].data
                                         : "class CfgPatches { units[] = {}; };";
        EXPECT_EQ(ReadWholeFile(Out(i)), expected) << done[i].name;
    }
    // One report per chunk, named by the destination, none for the empty entry; a compressed
    // one reports what it decoded, tested under its name and extracted under the destination.
    const std::vector<std::pair<std::string, int>> expected = {
        {Out(0), 10},       {Out(1), 1024}, {Out(1), 1024}, {Out(1), 452},
        {"config.cpp", 35}, {Out(3), 35},   {Out(4), 9}};
    EXPECT_EQ(reports, expected);
    EXPECT_TRUE(FileExists(Out(2)));
    // Extracted files carry their entries' times; 0 stands for no time, and leaves the file's own.
    EXPECT_EQ(ModifiedTime(Out(0)), 1700000000);
    EXPECT_EQ(ModifiedTime(Out(3)), 1600000000);
    EXPECT_GE(ModifiedTime(Out(2)), started);
}

TEST_F(ProcessFileTest, SkipTestAndUnknownOperationsTouchNothing) {
    Open(BuildArchive(MixedArchive()));
    const std::string target = Out(0);
    // Nothing has been described yet in this pass.
    EXPECT_EQ(ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded),
              Outcome::bad_archive);
    HeaderInfo info{};
    ASSERT_EQ(Next(info), Outcome::ok);
    const std::uint32_t before = CurrentPosition(file_);
    for (int operation : {int{PK_SKIP}, int{PK_TEST}, 3, -1}) {
        EXPECT_EQ(ProcessFile(listing_state, operation, nullptr, target.c_str(), test::recorded),
                  Outcome::ok);
    }
    EXPECT_EQ(CurrentPosition(file_), before);
    EXPECT_FALSE(FileExists(target));
    EXPECT_TRUE(reports.empty());
}

TEST_F(ProcessFileTest, ExtractingListsTheNextEntryAsIfTheEntryHadBeenSkipped) {
    const std::string bytes = BuildArchive(MixedArchive());
    std::vector<std::string> skipped;
    Open(bytes);
    HeaderInfo info{};
    while (Next(info) == Outcome::ok) {
        skipped.push_back(info.file_name + std::to_string(listing_state.current_offset));
    }
    Open(bytes);
    std::vector<std::string> extracted;
    while (Next(info) == Outcome::ok) {
        extracted.push_back(info.file_name + std::to_string(listing_state.current_offset));
        const std::string target = Out(extracted.size());
        EXPECT_EQ(ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded),
                  Outcome::ok);
        // A second call extracts the same entry again.
        EXPECT_EQ(ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded),
                  Outcome::ok);
    }
    EXPECT_EQ(extracted, skipped);
    EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(DataStart(MixedArchive())));
}

TEST_F(ProcessFileTest, TheDataAreaIsFoundWithoutAListingAndNotTakenFromAnotherArchive) {
    TestArchive archive = MixedArchive();
    archive.extension_strings = {"prefix", "a\\much\\longer\\prefix", "version", "12"};
    TestArchive other = ArchiveWith({{"z", 3}});
    other.extension = false;
    ASSERT_NE(DataStart(archive), DataStart(other));

    for (bool listed_other_first : {false, true}) {
        listing_state = ListingState{};
        if (listed_other_first) ListAll(BuildArchive(other), "other.pbo");
        const std::vector<Extracted> done = ExtractAll(BuildArchive(archive));
        ASSERT_EQ(done.size(), 5u);
        for (std::size_t i = 0; i < done.size(); ++i) EXPECT_EQ(done[i].outcome, Outcome::ok);
        EXPECT_EQ(ReadWholeFile(Out(0)), archive.entries[0].data);
        EXPECT_EQ(ReadWholeFile(Out(1)), archive.entries[1].data);
        EXPECT_EQ(ReadWholeFile(Out(4)), archive.entries[4].data);
        EXPECT_EQ(listing_state.data_start, static_cast<std::int32_t>(DataStart(archive)));
    }
}

TEST_F(ProcessFileTest, DestinationIsPathThenNameAndMustFitTheBuffer) {
    const TestArchive archive = ArchiveWith({{"a.txt", 5}});
    Open(BuildArchive(archive));
    HeaderInfo info{};
    ASSERT_EQ(Next(info), Outcome::ok);
    const std::string folder = dir_.File("");  // ends in the separator
    auto extract = [&](const char* path, const std::string& name) {
        return ProcessFile(listing_state, PK_EXTRACT, path, name.c_str(), test::recorded);
    };
    EXPECT_EQ(extract(folder.c_str(), "by-folder.txt"), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(folder + "by-folder.txt"), archive.entries[0].data);
    // No separator is put in between.
    const std::string stem = folder + "joined";
    EXPECT_EQ(extract(stem.c_str(), ".txt"), Outcome::ok);
    EXPECT_TRUE(FileExists(folder + "joined.txt"));

    // An existing longer file is replaced, not overwritten in part.
    WriteWholeFile(folder + "old.txt", std::string(5000, 'o'));
    EXPECT_EQ(extract(nullptr, folder + "old.txt"), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(folder + "old.txt"), archive.entries[0].data);

    // 259 characters fit; 260 do not, and nothing is created.
    const std::string fits = folder + std::string(259 - folder.size(), 'n');
    EXPECT_EQ(extract(nullptr, fits), Outcome::ok);
    EXPECT_TRUE(FileExists(fits));
    const std::string too_long = fits + "n";
    EXPECT_EQ(extract(folder.c_str(), too_long.substr(folder.size())), Outcome::create_failed);
    EXPECT_EQ(extract(nullptr, too_long + std::string(2000, 'x')), Outcome::create_failed);
    EXPECT_FALSE(FileExists(too_long));
}

TEST_F(ProcessFileTest, AnUncreatableDestinationFailsBeforeAnythingIsRead) {
    Open(BuildArchive(MixedArchive()));
    const std::string missing = dir_.File("no-such-folder") + "/x";
    HeaderInfo info{};
    int described = 0;
    while (Next(info) == Outcome::ok) {
        ++described;
        EXPECT_EQ(ProcessFile(listing_state, PK_EXTRACT, nullptr, missing.c_str(), test::recorded),
                  Outcome::create_failed)
            << info.file_name;
    }
    EXPECT_EQ(described, 5);
    EXPECT_TRUE(reports.empty());
}

TEST_F(ProcessFileTest, DamagedCompressedEntriesAreReportedAndNeverOverrun) {
    TestArchive archive = ArchiveWith({});
    archive.entries = {{"backref",
                        std::string("\x03"
                                    "AB\x02\x01",
                                    5),
                        0x43707273, 6},
                       {"short",
                        std::string("\x1F"
                                    "abcde",
                                    6),
                        0x43707273, 9},
                       {"nodata", "", 0x43707273, 7},
                       {"nothing", "", 0x43707273, 0}};
    // The 4 bytes after a stream hold its sum of unsigned or of signed bytes, which differ for
    // bytes past 0x7F; a flipped byte or sum is damage, a rest of other than 4 bytes no sum. A
    // sum may start in the last 3 bytes of the reader's 64 KiB input block: literal streams of
    // 58251 to 58253 bytes are 65533 to 65535 bytes long.
    const std::string text = "\x80\xFF hello \x90 hello";
    using test::StreamSum;
    TestEntry flipped = test::LzssEntry("flipped", text, StreamSum::of_signed_bytes);
    flipped.data[3] ^= 0x20;
    TestEntry wrong_sum = test::LzssEntry("wrong_sum", text, StreamSum::of_unsigned_bytes);
    wrong_sum.data.back() ^= 1;
    TestEntry three_after = test::LzssEntry("three_after", text);
    three_after.data += "abc";
    archive.entries.insert(archive.entries.end(),
                           {test::LzssEntry("unsigned", text, StreamSum::of_unsigned_bytes),
                            test::LzssEntry("signed", text, StreamSum::of_signed_bytes), flipped,
                            wrong_sum, three_after});
    for (int straddling = 58251; straddling <= 58253; ++straddling) {
        archive.entries.push_back(
            Compressed(std::to_string(straddling), std::string(straddling, 'x')));
    }
    const std::vector<Extracted> done = ExtractAll(BuildArchive(archive));
    const std::vector<Extracted> expected = {{"backref", Outcome::ok, Outcome::ok},
                                             {"short", Outcome::bad_data, Outcome::bad_data},
                                             {"nodata", Outcome::bad_data, Outcome::bad_data},
                                             {"nothing", Outcome::ok, Outcome::ok},
                                             {"unsigned", Outcome::ok, Outcome::ok},
                                             {"signed", Outcome::ok, Outcome::ok},
                                             {"flipped", Outcome::bad_data, Outcome::bad_data},
                                             {"wrong_sum", Outcome::bad_data, Outcome::bad_data},
                                             {"three_after", Outcome::ok, Outcome::ok},
                                             {"58251", Outcome::ok, Outcome::ok},
                                             {"58252", Outcome::ok, Outcome::ok},
                                             {"58253", Outcome::ok, Outcome::ok}};
    EXPECT_EQ(done, expected);
    EXPECT_EQ(ReadWholeFile(Out(0)), "ABABAB");
    // A stream that ends early leaves no file behind, padded or not.
    EXPECT_FALSE(FileExists(Out(1)));
    EXPECT_FALSE(FileExists(Out(2)));
    EXPECT_EQ(ReadWholeFile(Out(3)), "");
    EXPECT_EQ(ReadWholeFile(Out(5)), text);
    EXPECT_FALSE(FileExists(Out(6)));
}

// Original sizes no stream of a few bytes fills, and data sizes that run past the end of the file
// or whose sum wraps past 4 GiB back into it: each is bad data, nothing is left behind, and no
// buffer grows with the sizes claimed.
TEST_F(ProcessFileTest, HostileSizesAreBadDataAndLeaveNoFile) {
    TestArchive archive = ArchiveWith({});
    archive.entries = {Compressed("huge", "abc"), Compressed("bomb", "abc"),
                       {"six", "123456"},         {"wraps", "abcdef"},
                       {"third", "ABCDEF"},       Compressed("packed", "abc")};
    std::string bytes = BuildArchive(archive);
    PatchRecord(bytes, "huge", 1, 0xFFFFFFFF);
    PatchRecord(bytes, "bomb", 1, 0x7FFFFFFF);
    PatchRecord(bytes, "packed", 4, 0xFFFFFFFE);
    // 6 + 0xFFFFFFFA is 2^32: in 32 bits "third" would be read from where "six" lies.
    PatchRecord(bytes, "wraps", 4, 0xFFFFFFFA);
    const std::vector<Extracted> done = ExtractAll(bytes);
    ASSERT_EQ(done.size(), 6u);
    for (std::size_t i = 0; i < done.size(); ++i) {
        const Outcome expected = done[i].name == "six" ? Outcome::ok : Outcome::bad_data;
        EXPECT_EQ(done[i].outcome, expected) << done[i].name;
        EXPECT_EQ(done[i].tested, expected) << done[i].name;
        EXPECT_EQ(FileExists(Out(i)), expected == Outcome::ok) << done[i].name;
    }
}

// Every cut of an archive: entries listed from a cut header cannot be placed, entries whose data
// is cut are read failures, and every entry whose data is all there comes out whole.
TEST_F(ProcessFileTest, EveryTruncationGivesACleanOutcomeForEveryEntry) {
    TestArchive archive = ArchiveWith({{"a.txt", 1500}, {"z", 0}});
    archive.entries.push_back(Compressed("c.cpp", "class X { y = 1; };"));
    archive.entries.push_back({"d.bin", "0123456789"});
    const std::string bytes = BuildArchive(archive);
    const std::uint32_t data_start = DataStart(archive);
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        const std::vector<Extracted> done = ExtractAll(bytes.substr(0, length));
        ASSERT_LE(done.size(), archive.entries.size());
        std::uint32_t start = data_start;
        for (std::size_t i = 0; i < done.size(); ++i) {
            const TestEntry& entry = archive.entries[i];
            const std::uint32_t end = start + static_cast<std::uint32_t>(entry.data.size());
            Outcome expected = Outcome::ok;
            if (length < data_start) expected = Outcome::bad_archive;
            // An empty entry needs no bytes, wherever the data area ends.
            else if (end > length && !entry.data.empty())
                expected = Outcome::bad_data;
            ASSERT_EQ(done[i].outcome, expected) << "cut at " << length << ", " << entry.name;
            EXPECT_EQ(done[i].tested, expected) << "cut at " << length << ", " << entry.name;
            if (expected == Outcome::ok && entry.method == 0) {
                EXPECT_EQ(ReadWholeFile(Out(i)), entry.data);
            }
            EXPECT_EQ(FileExists(Out(i)), expected == Outcome::ok);
            start = end;
        }
    }
}

// Every file call of extracting each entry fails in turn, with the data area known and with it
// still to be found: the failure reaches the host as its error code, and the listing goes on
// with the next entry.
TEST_F(ProcessFileTest, EveryFailedFileCallIsReportedAndTheListingGoesOn) {
    const TestArchive archive = MixedArchive();
    const std::string bytes = BuildArchive(archive);
    for (std::size_t index = 0; index < archive.entries.size(); ++index) {
        const std::string target = Out(index);
        Outcome outcome = Outcome::ok;
        HeaderInfo info{};
        bool area_known = true;
        auto prepare = [&] {
            Open(bytes);
            for (std::size_t i = 0; i <= index; ++i) ASSERT_EQ(Next(info), Outcome::ok);
            listing_state.data_start = static_cast<std::int32_t>(DataStart(archive));
            listing_state.data_start_known = area_known;
        };
        auto extract = [&] {
            outcome =
                ProcessFile(listing_state, PK_EXTRACT, nullptr, target.c_str(), test::recorded);
        };
        prepare();
        const int data_reads = test::CountFileCalls(extract)[static_cast<int>(FileCall::read)];
        auto check = [&](const test::FileFault& fault) {
            SCOPED_TRACE(archive.entries[index].name + ", " + test::Describe(fault));
            const int codes[kFileCallKinds] = {E_ECREATE, E_ECLOSE, E_EREAD, E_EWRITE, E_EREAD,
                                               0,         0,        0,       0,        E_ECREATE};
            // The reads that find the data area come first; they cannot tell a failure from
            // the end of the header.
            const bool finding_area =
                fault.kind == FileCall::read && fault.call <= fault.calls - data_reads;
            EXPECT_EQ(ResultCode(outcome),
                      finding_area ? E_BAD_ARCHIVE : codes[static_cast<int>(fault.kind)]);
            // The last seek is the one that puts the position back; when it fails, it is lost.
            if (fault.kind == FileCall::seek && fault.call == fault.calls) return;
            if (index + 1 < archive.entries.size()) {
                ASSERT_EQ(Next(info), Outcome::ok);
                EXPECT_EQ(info.file_name, archive.entries[index + 1].name);
            } else {
                EXPECT_EQ(Next(info), Outcome::end_of_archive);
            }
        };
        for (bool known : {true, false}) {
            area_known = known;
            test::SweepFileFaults(prepare, extract, check);
        }
    }
}

}  // namespace
}  // namespace qp

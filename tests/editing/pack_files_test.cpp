// Packing creates archives byte for byte, adds and replaces entries, and never makes things worse.
#include "editing/pack_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "editing/splice_control.h"
#include "editing/trailer_checksum.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_time.h"
#include "plugin/plugin_settings.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/fault_sweep.h"
#include "support/mapped_and_buffered.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::ContentFor;
using test::HostList;
using test::ReadWholeFile;
using test::TempDir;
using test::TestArchive;
using test::TestEntry;
using test::WriteWholeFile;

test::ProgressReports& reports = test::progress_reports;

class PackFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin_settings = PluginSettings{};
        splice_control = SpliceControl{};
        test::StartRecordingProgress();
        archive_ = dir_.File("a.pbo");
        src_ = (std::filesystem::path(dir_.path) / "src").make_preferred().string();
        std::filesystem::create_directories(src_);
        src_ += std::filesystem::path::preferred_separator;
    }
    void TearDown() override {
        plugin_settings = PluginSettings{};
        splice_control = SpliceControl{};
        test::StopRecordingProgress();
    }

    // A source file under the item name the host would list (backslashes between folders).
    std::string Source(const std::string& item, const std::string& bytes) {
        std::string path = src_ + item;
#if defined(_WIN32)
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
#endif
        WriteWholeFile(path, bytes);
        return path;
    }

    std::int32_t CreationTime(const std::string& path) {
        const OpenResult file = OpenFile(path.c_str(), OpenMode::read);
        const std::int32_t time = FileCreationUnixTime(file.handle);
        CloseFile(file.handle);
        return time;
    }

    Outcome Pack(const std::vector<std::string>& items, const char* sub_path = nullptr) {
        const std::string list = HostList(items);
        return PackFiles(archive_.c_str(), sub_path, src_.c_str(), list.c_str(),
                         NewArchiveSettingsChosen(), test::recorded, in_place_);
    }

    FindResult Locate(const char* name) {
        const OpenResult file = OpenFile(archive_.c_str(), OpenMode::read);
        EntryLocation at{};
        const FindResult result = FindEntry(file.handle, name, at);
        CloseFile(file.handle);
        return result;
    }

    TempDir dir_;
    std::string archive_;
    std::string src_;
    bool in_place_ = false;
};

TEST_F(PackFilesTest, NewArchivesCarryTheExtensionTheSettingsChoose) {
    struct Case {
        std::int32_t pbo_type;
        const char* prefix;
        std::vector<std::string> strings;
    };
    const std::vector<Case> cases = {
        {0, "x", {"prefix", "x"}},
        {0, "", {}},
        {1, "ignored", {"product", "OFP: Resistance"}},
        {-1, "x", {}},
    };
    const std::string source = Source("a.txt", "hello");
    for (const Case& settings : cases) {
        std::filesystem::remove(archive_);
        plugin_settings.pbo_type = settings.pbo_type;
        std::snprintf(plugin_settings.prefix, sizeof plugin_settings.prefix, "%s", settings.prefix);
        reports.clear();
        ASSERT_EQ(Pack({"a.txt"}), Outcome::ok);
        TestArchive expected;
        expected.extension_strings = settings.strings;
        expected.entries = {TestEntry{"a.txt", "hello", 0, 0, CreationTime(source)}};
        EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(expected)) << settings.pbo_type;
        EXPECT_EQ(reports, (test::ProgressReports{{"Packing - a.txt", -100}}));
    }
    // The request traced from end to end: 73 bytes empty, 104 with the 5-byte file.
    EXPECT_EQ(BuildArchive(TestArchive{true, {"prefix", "x"}, {}, true}).size(), 73u);
}

TEST_F(PackFilesTest, AddsBeforeTheEndOfHeaderAndInFrontOfTheTrailer) {
    TestArchive archive = ArchiveWith({{"a", 10}, {"b", 5}});
    WriteWholeFile(archive_, BuildArchive(archive));
    const std::string c = Source("c.txt", ContentFor("c", 300));
    const std::string empty = Source("empty.txt", "");
    ASSERT_EQ(Pack({"c.txt", "empty.txt"}, "sub"), Outcome::ok);
    archive.entries.push_back({"sub\\c.txt", ContentFor("c", 300), 0, 0, CreationTime(c)});
    archive.entries.push_back({"sub\\empty.txt", "", 0, 0, CreationTime(empty)});
    EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(archive));
}

// Rewritten, and in place.
TEST_F(PackFilesTest, ReplacingKeepsOneEntryWithTheNewSizeAndTheOldTimestamp) {
    for (const test::EditPath path : {test::EditPath::rewrite, test::EditPath::mapped}) {
        in_place_ = test::UseEditPath(path);
        TestArchive archive = ArchiveWith({{"a", 10}, {"b", 5}, {"c", 3}});
        archive.entries[1].method = 0x43707273;  // compressed before: stored now
        archive.entries[1].original_size = 99;
        archive.entries[1].timestamp = 123;
        WriteWholeFile(archive_, BuildArchive(archive));
        Source("b", "seven!!");
        ASSERT_EQ(Pack({"b"}), Outcome::ok);
        archive.entries[1] = {"b", "seven!!", 0, 0, 123};
        EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(archive));
        Source("b", "");
        ASSERT_EQ(Pack({"b"}), Outcome::ok);
        archive.entries[1].data = "";
        EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(archive));
        // A name that differs only in letter case is the same entry: it takes the name packed.
        Source("B", "upper");
        ASSERT_EQ(Pack({"B"}), Outcome::ok);
        archive.entries[1] = {"B", "upper", 0, 0, 123};
        EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(archive));
        // A name held twice, ignoring case, is held once afterwards: the last entry takes it.
        if (path != test::EditPath::rewrite) continue;
        archive.entries.push_back({"zed.TXT", "1"});
        archive.entries.push_back({"ZED.txt", "2", 0, 0, 456});
        WriteWholeFile(archive_, BuildArchive(archive));
        Source("Zed.txt", "new");
        ASSERT_EQ(Pack({"Zed.txt"}), Outcome::ok);
        archive.entries.erase(archive.entries.end() - 2);
        archive.entries.back() = {"Zed.txt", "new", 0, 0, 456};
        EXPECT_EQ(ReadWholeFile(archive_), BuildArchive(archive));
    }
}

TEST_F(PackFilesTest, FoldersAreSkippedButCounted) {
    Source("dir\\f.txt", "file");
    ASSERT_EQ(Pack({"dir\\", "dir\\f.txt"}), Outcome::ok);
    EXPECT_EQ(reports, (test::ProgressReports{{"Packing - dir\\f.txt", -50}}));
    EXPECT_EQ(Locate("dir\\f.txt"), FindResult::found);
}

TEST_F(PackFilesTest, AMissingSourceEndsThePackingAndKeepsWhatWasPacked) {
    Source("a.txt", "aaa");
    Source("c.txt", "ccc");
    EXPECT_EQ(Pack({"a.txt", "missing.txt", "c.txt"}), Outcome::open_failed);
    EXPECT_EQ(Locate("a.txt"), FindResult::found);
    EXPECT_EQ(Locate("c.txt"), FindResult::absent);
    EXPECT_EQ(reports, (test::ProgressReports{{"Packing - a.txt", -33}}));
}

TEST_F(PackFilesTest, PathsThatDoNotFitTheirBuffersAreRefused) {
    const std::string before = BuildArchive(ArchiveWith({{"a", 10}}));
    WriteWholeFile(archive_, before);
    // A source path of 256 characters, and an entry name of 256, do not fit with their NUL.
    const std::string item(256 - src_.size(), 'n');
    Source(item, "x");
    EXPECT_EQ(Pack({item}), Outcome::open_failed);
    Source("abcd", "x");
    EXPECT_EQ(Pack({"abcd"}, std::string(251, 's').c_str()), Outcome::open_failed);
    EXPECT_EQ(ReadWholeFile(archive_), before);
    EXPECT_EQ(Pack({"abcd"}, std::string(250, 's').c_str()), Outcome::ok);
}

TEST_F(PackFilesTest, ArchivesThatCannotBeCreatedOrOpenedAreReported) {
    Source("a.txt", "aaa");
    const std::string list = HostList({"a.txt"});
    const std::string nowhere = dir_.File("missing-folder") + "/x.pbo";
    EXPECT_EQ(PackFiles(nowhere.c_str(), nullptr, src_.c_str(), list.c_str(), NewArchiveSettings{},
                        test::recorded),
              Outcome::create_failed);
    const std::string before = BuildArchive(ArchiveWith({{"a", 10}}));
    WriteWholeFile(archive_, before);
    const OpenResult held = OpenFile(archive_.c_str(), OpenMode::read);
    EXPECT_EQ(Pack({"a.txt"}), Outcome::open_failed);
    CloseFile(held.handle);
    EXPECT_EQ(ReadWholeFile(archive_), before);
}

TEST_F(PackFilesTest, TruncatedArchivesAreLeftByteIdentical) {
    const std::string whole = BuildArchive(ArchiveWith({{"config.cpp", 40}, {"b", 0}, {"c", 9}}));
    Source("new.txt", "new data");
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        const std::string before = whole.substr(0, cut);
        WriteWholeFile(archive_, before);
        const Outcome outcome = Pack({"new.txt"});
        if (outcome == Outcome::ok) {
            EXPECT_EQ(Locate("new.txt"), FindResult::found) << cut;
        } else {
            EXPECT_EQ(outcome, Outcome::bad_archive) << cut;
            EXPECT_EQ(ReadWholeFile(archive_), before) << cut;
        }
    }
}

// Failures in each way an edit can take: each file is packed whole or not at all.
class PackFailureTest : public PackFilesTest, public ::testing::WithParamInterface<test::EditPath> {
protected:
    // After a run with `fault`: ok and every item packed, or a failure and the archive as after
    // some whole number of items (`states` holds the archive after 0, 1, ... all items).
    void ExpectWholeItems(Outcome outcome, const std::vector<std::string>& states,
                          const test::FileFault& fault) {
        SCOPED_TRACE(test::Describe(fault));
        for (const auto& [path, bytes] : sources_) EXPECT_EQ(ReadWholeFile(path), bytes);
        const std::string after = ReadWholeFile(archive_);
        if (outcome == Outcome::ok) {
            EXPECT_EQ(after, states.back());
            return;
        }
        // Through the buffer a tail that is half moved cannot be put back: once a read, write or
        // seek of the move fails, the archive is known to be damaged (see InsertIntoOpenFile).
        const bool moving = fault.kind == FileCall::read || fault.kind == FileCall::write ||
                            fault.kind == FileCall::seek;
        if (GetParam() == test::EditPath::buffered && moving) return;
        // In place, the digest of the trailer comes last and may be all that failed.
        const bool in_place = GetParam() != test::EditPath::rewrite;
        EXPECT_TRUE(std::any_of(states.begin(), states.end(), [&](const std::string& state) {
            return in_place ? test::WithoutDigest(state) == test::WithoutDigest(after)
                            : state == after;
        }));
    }

    std::vector<std::pair<std::string, std::string>> sources_;  // path and bytes of each source

    // An archive with a 2 MiB entry, two new sources and one that replaces "b": the archive as it
    // is after 0, 1, ... all of `items` are packed one by one. It is left in its first state.
    std::vector<std::string> ArchiveStates(const std::vector<std::string>& items) {
        for (const auto& [item, bytes] :
             {std::pair<std::string, std::string>{"new1", ContentFor("n1", 5000)},
              {"b", ContentFor("b2", 700)},
              {"new2", ""}}) {
            sources_.push_back({Source(item, bytes), bytes});
        }
        // b is marked compressed: a record rewrite cut short would show in its first fields.
        TestArchive archive = ArchiveWith({{"a", 10}, {"b", 2 * 1048576}, {"c", 3}});
        archive.entries[1].method = 0x43707273;
        archive.entries[1].original_size = 3 * 1048576;
        std::vector<std::string> states = {BuildArchive(archive)};
        WriteWholeFile(archive_, states[0]);
        for (const std::string& item : items) {
            EXPECT_EQ(Pack({item}), Outcome::ok) << item;
            states.push_back(ReadWholeFile(archive_));
        }
        WriteWholeFile(archive_, states[0]);
        return states;
    }
};

// Every splice of a run in place fails in turn.
TEST_P(PackFailureTest, EveryFailedSpliceLeavesTheArchiveAsAfterSomeWholeItem) {
    if (GetParam() == test::EditPath::rewrite) GTEST_SKIP() << "a rewrite makes no splices";
    const std::vector<std::string> items = {"new1", "b", "new2"};
    const std::vector<std::string> states = ArchiveStates(items);
    in_place_ = test::UseEditPath(GetParam());
    for (int failing = 1;; ++failing) {
        WriteWholeFile(archive_, states[0]);
        splice_control.failing_splice = failing;
        const Outcome outcome = Pack(items);
        const std::string after = ReadWholeFile(archive_);
        if (outcome == Outcome::ok) {
            EXPECT_EQ(after, states.back());
            EXPECT_GT(failing, 4);  // two splices per new file, two per replacement
            break;
        }
        EXPECT_EQ(outcome, Outcome::write_failed) << failing;
        std::size_t matching = 0;
        while (matching < states.size() && states[matching] != after) ++matching;
        EXPECT_LT(matching, states.size() - 1) << "splice " << failing;
    }
}

// Every file call of a run fails in turn. A failure is reported and leaves the archive as after
// some whole number of items; a run that gets past its failure packs every item.
TEST_P(PackFailureTest, EveryFailedFileCallLeavesTheArchiveAsAfterSomeWholeItem) {
    const std::vector<std::string> items = {"new1", "b", "new2"};
    const std::vector<std::string> states = ArchiveStates(items);
    in_place_ = test::UseEditPath(GetParam());
    // In place, the cut of b's old data ends the replacement: its last seek and end of file come
    // after the bytes behind it have moved over the cut bytes, so a failure there cannot be undone.
    // The trailer's digest is made after it, with seeks of its own.
    WriteWholeFile(archive_, states[0]);
    test::FileCallCounts through_cut = test::CountFileCalls([&] { Pack({"new1", "b"}); });
    const test::FileCallCounts restamp = test::CountFileCalls([&] {
        const OpenResult file = OpenFile(archive_.c_str(), OpenMode::read_write);
        RestampTrailer(file.handle);
        CloseFile(file.handle);
    });
    through_cut[static_cast<int>(FileCall::seek)] -= restamp[static_cast<int>(FileCall::seek)];
    Outcome outcome = Outcome::ok;
    test::SweepFileFaults(
        [&] { WriteWholeFile(archive_, states[0]); }, [&] { outcome = Pack(items); },
        [&](const test::FileFault& fault) {
            const bool ends_cut =
                (fault.kind == FileCall::seek || fault.kind == FileCall::set_end) &&
                fault.call == through_cut[static_cast<int>(fault.kind)];
            if (ends_cut) {
                EXPECT_NE(outcome, Outcome::ok);
            } else {
                ExpectWholeItems(outcome, states, fault);
            }
        });
}

// A new archive whose creation or first items fail is missing, or whole after some items.
TEST_P(PackFailureTest, EveryFailedFileCallWhileCreatingLeavesNoArchiveOrAWholeOne) {
    Source("x", ContentFor("x", 3000));
    Source("empty", "");
    const std::vector<std::string> items = {"x", "empty"};
    ASSERT_EQ(Pack({}), Outcome::ok);
    std::vector<std::string> states = {ReadWholeFile(archive_)};
    for (const std::string& item : items) {
        ASSERT_EQ(Pack({item}), Outcome::ok);
        states.push_back(ReadWholeFile(archive_));
    }
    in_place_ = test::UseEditPath(GetParam());
    Outcome outcome = Outcome::ok;
    test::SweepFileFaults([&] { std::filesystem::remove(archive_); },
                          [&] { outcome = Pack(items); },
                          [&](const test::FileFault& fault) {
                              if (outcome != Outcome::ok && !test::FileExists(archive_)) return;
                              ExpectWholeItems(outcome, states, fault);
                          });
}

INSTANTIATE_TEST_SUITE_P(EditPaths, PackFailureTest, test::kEveryEditPath, test::EditPathName);

TEST_F(PackFilesTest, TheExportReturnsTheHostsResultCodes) {
    std::string archive = archive_;
    std::string src = src_;
    std::string list = HostList({"a.txt"});
    Source("a.txt", "aaa");
    EXPECT_EQ(::PackFiles(archive.data(), nullptr, src.data(), list.data(), 0), 0);
    const std::string before = ReadWholeFile(archive_);
    std::string other = HostList({"b.txt"});
    Source("b.txt", "bbb");
    StartFaultPlan({FileCall::write, 1, IoStatus::io_error});
    EXPECT_EQ(::PackFiles(archive.data(), nullptr, src.data(), other.data(), 0), E_EWRITE);
    StopFaultPlan();
    EXPECT_EQ(ReadWholeFile(archive_), before);
    std::string missing = HostList({"nothing.txt"});
    EXPECT_EQ(::PackFiles(archive.data(), nullptr, src.data(), missing.data(), 0), E_EOPEN);
    // An archive of 4 GiB or more is beyond its 32-bit offsets: two sparse files of 2.2 GB.
    for (const char* item : {"big1", "big2"})
        std::filesystem::resize_file(Source(item, ""), 2200000000);
    std::string big = HostList({"big1", "big2"});
    EXPECT_EQ(::PackFiles(archive.data(), nullptr, src.data(), big.data(), 0), E_ECREATE);
    EXPECT_TRUE(ReadWholeFile(archive_) == before);
    WriteWholeFile(archive_, before.substr(0, 30));
    EXPECT_EQ(::PackFiles(archive.data(), nullptr, src.data(), list.data(), 0), E_BAD_ARCHIVE);
    std::string nowhere = dir_.File("no-folder") + "/x.pbo";
    EXPECT_EQ(::PackFiles(nowhere.data(), nullptr, src.data(), list.data(), 0), E_ECREATE);
}

}  // namespace
}  // namespace qp

// Deletion cuts exactly the listed entries' header entries and data, and never harms an archive.
#include "editing/delete_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "editing/splice_control.h"
#include "listing/listing_state.h"
#include "listing/read_header.h"
#include "pbo/entry_walk.h"
#include "support/archive_builder.h"
#include "support/fault_sweep.h"
#include "support/mapped_and_buffered.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

ListingState listing_state;  // the pass these tests drive, as the host's calls would

using test::ArchiveWith;
using test::BuildArchive;
using test::DataStart;
using test::HostList;
using test::ReadWholeFile;
using test::TempDir;
using test::TestArchive;
using test::WriteWholeFile;

test::ProgressReports& reports = test::progress_reports;

TestArchive Without(TestArchive archive, const std::set<std::string>& names) {
    std::erase_if(archive.entries,
                  [&](const test::TestEntry& e) { return names.contains(e.name); });
    return archive;
}

class DeleteFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::StartRecordingProgress();
        splice_control = SpliceControl{};
        path_ = dir_.File("addon.pbo");
    }
    void TearDown() override {
        test::StopRecordingProgress();
        splice_control = SpliceControl{};
    }

    Outcome Delete(const std::string& bytes, const std::vector<std::string>& items) {
        WriteWholeFile(path_, bytes);
        return DeleteFiles(path_.c_str(), HostList(items).c_str(), test::recorded, in_place_);
    }

    // Deletes the items and expects the archive built without `gone`, byte for byte.
    void ExpectDeletion(const TestArchive& archive, const std::vector<std::string>& items,
                        const std::set<std::string>& gone) {
        EXPECT_EQ(Delete(BuildArchive(archive), items), Outcome::ok);
        EXPECT_EQ(ReadWholeFile(path_), BuildArchive(Without(archive, gone)));
    }

    std::vector<std::string> ListNames() {
        listing_state = ListingState{};
        const OpenResult file = OpenFile(path_.c_str(), OpenMode::read);
        EXPECT_NE(file.handle, nullptr);
        BeginPass(listing_state, file.handle);
        std::vector<std::string> names;
        HeaderInfo info{};
        while (ReadHeader(listing_state, file.handle, info) == Outcome::ok && names.size() < 100) {
            names.push_back(info.file_name);
        }
        CloseFile(file.handle);
        return names;
    }

    TempDir dir_;
    std::string path_;
    bool in_place_ = false;
};

const TestArchive abc = ArchiveWith({{"a", 10}, {"b", 5}, {"c", 7}});

TEST_F(DeleteFilesTest, TheMapOfAMiddleEntryIsItsHeaderEntryAndItsData) {
    WriteWholeFile(path_, BuildArchive(abc));
    const std::int32_t data = static_cast<std::int32_t>(DataStart(abc));
    const DeleteMap map = BuildDeleteMap(path_.c_str(), HostList({"b"}).c_str(), test::recorded);
    EXPECT_EQ(map.outcome, Outcome::ok);
    ASSERT_EQ(map.ranges.size(), 2u);
    EXPECT_EQ(map.ranges[0].offset, 40 + 22);
    EXPECT_EQ(map.ranges[0].size, 22);
    EXPECT_EQ(map.ranges[1].offset, data + 10);
    EXPECT_EQ(map.ranges[1].size, 5);
    ExpectDeletion(abc, {"b"}, {"b"});
    EXPECT_EQ(ListNames(), (std::vector<std::string>{"a", "c"}));
}

TEST_F(DeleteFilesTest, NeighboursGoInOneHeaderCutAndOneDataCut) {
    WriteWholeFile(path_, BuildArchive(abc));
    const std::int32_t data = static_cast<std::int32_t>(DataStart(abc));
    const DeleteMap map =
        BuildDeleteMap(path_.c_str(), HostList({"b", "a"}).c_str(), test::recorded);
    ASSERT_EQ(map.ranges.size(), 2u);
    EXPECT_EQ(map.ranges[0].offset, 40);
    EXPECT_EQ(map.ranges[0].size, 44);
    EXPECT_EQ(map.ranges[1].offset, data);
    EXPECT_EQ(map.ranges[1].size, 15);
    ExpectDeletion(abc, {"b", "a"}, {"a", "b"});
    ExpectDeletion(abc, {"a", "b", "c"}, {"a", "b", "c"});
    ExpectDeletion(abc, {"c", "a"}, {"a", "c"});
}

TEST_F(DeleteFilesTest, AnEmptyEntryGoesWithTheEntrySharingItsDataOffset) {
    const TestArchive archive = ArchiveWith({{"a", 10}, {"empty", 0}, {"b", 5}, {"c", 7}});
    ExpectDeletion(archive, {"empty", "b"}, {"empty", "b"});
    ExpectDeletion(archive, {"b", "empty"}, {"empty", "b"});
    ExpectDeletion(archive, {"empty"}, {"empty"});
}

TEST_F(DeleteFilesTest, ProgressIsOneReportPerItemFoundOrNot) {
    ExpectDeletion(abc, {"c", "missing", "a"}, {"a", "c"});
    EXPECT_EQ(reports, (test::ProgressReports{{"Creating map - c", -33},
                                              {"Creating map - missing", -66},
                                              {"Creating map - a", -100}}));
    reports.clear();
    ExpectDeletion(abc, {"b", "b"}, {"b"});
    EXPECT_EQ(reports,
              (test::ProgressReports{{"Creating map - b", -50}, {"Creating map - b", -100}}));
    reports.clear();
    ExpectDeletion(abc, {}, {});
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeleteFilesTest, NamesMatchIgnoringCaseAndTheLastOfADuplicatedNameGoes) {
    ExpectDeletion(abc, {"a ", "\\c"}, {});
    ExpectDeletion(abc, {"B"}, {"b"});
    TestArchive twice = ArchiveWith({{"x", 4}, {"y", 3}});
    twice.entries.push_back({"x", "later"});
    TestArchive kept = twice;
    kept.entries.pop_back();
    EXPECT_EQ(Delete(BuildArchive(twice), {"x"}), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path_), BuildArchive(kept));
}

TEST_F(DeleteFilesTest, AnItemOf255CharactersEndsTheList) {
    const std::string long_name(255, 'n');
    const TestArchive archive = ArchiveWith({{"a", 1}, {long_name, 2}, {"c", 3}});
    ExpectDeletion(archive, {"a", long_name, "c"}, {"a"});
    EXPECT_EQ(reports, (test::ProgressReports{{"Creating map - a", -100}}));
    // 254 characters are still an item.
    const TestArchive shorter = ArchiveWith({{"a", 1}, {long_name.substr(1), 2}});
    ExpectDeletion(shorter, {long_name.substr(1)}, {long_name.substr(1)});
}

TEST_F(DeleteFilesTest, AMissingArchiveIsReportedAndNotCreated) {
    const std::string missing = dir_.File("missing.pbo");
    EXPECT_EQ(DeleteFiles(missing.c_str(), HostList({"a"}).c_str(), test::recorded),
              Outcome::open_failed);
    EXPECT_FALSE(test::FileExists(missing));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DeleteFilesTest, AFolderItemRemovesEverythingInsideTheFolder) {
    const TestArchive archive = ArchiveWith({{"config.cpp", 9},
                                             {"data\\a.paa", 10},
                                             {"dir\\x", 4},
                                             {"data\\sub\\b.paa", 5},
                                             {"data", 2},
                                             {"Data\\c", 3},
                                             {"data\\a.paa", 6}});
    const std::set<std::string> in_data = {"data\\a.paa", "data\\sub\\b.paa", "Data\\c"};
    ExpectDeletion(archive, {"data\\*.*"}, in_data);
    EXPECT_EQ(reports, (test::ProgressReports{{"Creating map - data\\*.*", -100}}));
    ExpectDeletion(archive, {"data\\"}, in_data);
    ExpectDeletion(archive, {"data\\sub\\*.*", "config.cpp"}, {"data\\sub\\b.paa", "config.cpp"});
    // A shorter folder name does not match; another letter case does.
    ExpectDeletion(archive, {"di\\*.*", "dat\\"}, {});
    ExpectDeletion(archive, {"DATA\\*.*"}, {"data\\a.paa", "data\\sub\\b.paa", "Data\\c"});
    ExpectDeletion(archive, {"dir\\*.*", "data\\*.*", "dir\\x"},
                   {"dir\\x", "data\\a.paa", "data\\sub\\b.paa", "Data\\c"});
    // 20,000 items over 20,000 entries, four to a folder: even folders by both folder forms,
    // odd ones by two names (one given twice); a longer folder and a bare folder name take none.
    std::vector<std::pair<std::string, std::size_t>> entries;
    std::vector<std::string> items;
    std::set<std::string> gone;
    for (int k = 0; k < 5000; ++k) {
        const std::string folder = std::to_string(k) + "d";
        const std::string f = folder + "\\";
        const std::string shouted = std::to_string(k) + "D\\";
        const std::vector<std::string> numbers = {std::to_string(4 * k), std::to_string(4 * k + 1)};
        for (int i = 4 * k; i < 4 * k + 4; ++i) entries.push_back({f + std::to_string(i) + "e", 1});
        if (k % 2 == 0) {
            for (int i = 0; i < 4; ++i) gone.insert(entries[4 * k + i].first);
            items.insert(items.end(), {shouted + "*.*", f, folder + "x\\", folder});
        } else {
            gone.insert({f + numbers[0] + "e", f + numbers[1] + "e"});
            items.insert(items.end(), {shouted + numbers[0] + "E", f + numbers[1] + "e",
                                       shouted + numbers[1] + "E", folder});
        }
    }
    const TestArchive many = ArchiveWith(entries);
    reports.clear();
    ExpectDeletion(many, items, gone);
    ASSERT_EQ(reports.size(), 20000u);
    EXPECT_EQ(reports.back().second, -100);
    std::vector<std::string> unmatched;
    WriteWholeFile(path_, BuildArchive(many));
    EXPECT_EQ(
        DeleteEntries(path_.c_str(), HostList(items).c_str(), test::recorded, &unmatched).outcome,
        Outcome::ok);
    EXPECT_EQ(unmatched.size(), 7500u);
    EXPECT_EQ(unmatched[0] + " " + unmatched[1] + " " + unmatched[2], "0dx\\ 0d 1d");
}

TEST_F(DeleteFilesTest, AnArchiveWithoutExtensionLeftEmptyGetsOneAndStaysEditable) {
    TestArchive plain = ArchiveWith({{"mission.sqm", 52}, {"init.sqf", 12}});
    plain.extension = false;
    // Its end-of-header entry would come first and read as an extension, so an empty one is added.
    TestArchive empty = Without(plain, {"mission.sqm", "init.sqf"});
    empty.extension = true;
    empty.extension_strings = {};
    EXPECT_EQ(Delete(BuildArchive(plain), {"init.sqf", "mission.sqm"}), Outcome::ok);
    EXPECT_EQ(ReadWholeFile(path_), BuildArchive(empty));
    const OpenResult file = OpenFile(path_.c_str(), OpenMode::read);
    EXPECT_FALSE(WalkHeader(file.handle).damaged);  // new entries can be packed into it
    CloseFile(file.handle);
    // While an entry stays, the archive keeps its form.
    ExpectDeletion(plain, {"init.sqf"}, {"init.sqf"});
}

TEST_F(DeleteFilesTest, ADamagedArchiveIsLeftAsItWas) {
    TestArchive archive = ArchiveWith({{"a", 10}, {"b", 0}, {"dir\\c", 7}});
    const std::string bytes = BuildArchive(archive);
    const std::size_t data_end = DataStart(archive) + 17;
    struct Case {
        std::vector<std::string> items;
        std::size_t left;  // entries listed after a successful deletion
    };
    for (const Case& deletion :
         {Case{{"b", "a"}, 1}, Case{{"dir\\*.*"}, 2}, Case{{"missing"}, 3}}) {
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const std::string cut_short = bytes.substr(0, length);
            const Outcome outcome = Delete(cut_short, deletion.items);
            SCOPED_TRACE("length " + std::to_string(length) + ", first item " + deletion.items[0]);
            // Only the trailer may be missing for the archive to be whole.
            if (length < data_end) {
                EXPECT_EQ(outcome, Outcome::bad_archive);
                EXPECT_EQ(ReadWholeFile(path_), cut_short);
            } else {
                EXPECT_EQ(outcome, Outcome::ok);
                EXPECT_EQ(ListNames().size(), deletion.left);
            }
        }
    }
}

// Bytes after the data area that begin with a zero byte but are longer than a trailer's 21 are no
// trailer: they are kept as they are, not written over with a digest.
TEST_F(DeleteFilesTest, ATailLongerThanATrailerIsKeptAsItIs) {
    TestArchive archive = abc;
    archive.trailer = false;
    for (const std::size_t size : {22u, 41u}) {
        std::string tail(size, 'T');
        tail[0] = '\0';
        EXPECT_EQ(Delete(BuildArchive(archive) + tail, {"a"}), Outcome::ok);
        EXPECT_EQ(ReadWholeFile(path_), BuildArchive(Without(archive, {"a"})) + tail) << size;
    }
}

TEST_F(DeleteFilesTest, ACutThatFailsIsReported) {
    // In place, deleting a and c takes four cuts: two header entries and two data ranges.
    in_place_ = true;
    for (int failing = 1; failing <= 4; ++failing) {
        splice_control = SpliceControl{};
        splice_control.failing_splice = failing;
        EXPECT_EQ(Delete(BuildArchive(abc), {"a", "c"}), Outcome::write_failed) << failing;
    }
    splice_control = SpliceControl{};
    ExpectDeletion(abc, {"a", "c"}, {"a", "c"});
}

// Every file call of a deletion fails in turn, in each way an edit takes. A rewrite leaves the
// archive as it was or deleted, whole. In place, between two cuts the archive is inconsistent by
// design and a cut that fails cannot be undone; but every failure is reported, one while the map
// is made changes nothing, and a cut that only fails to close is finished.
class DeleteFailureTest : public DeleteFilesTest,
                          public ::testing::WithParamInterface<test::EditPath> {};

TEST_P(DeleteFailureTest, EveryFailedFileCallIsReportedAndNothingIsCutBeforeTheMapIsDone) {
    const bool rewrite = GetParam() == test::EditPath::rewrite;
    in_place_ = test::UseEditPath(GetParam());
    const std::string before = BuildArchive(abc);
    const std::string list = HostList({"a", "c"});
    WriteWholeFile(path_, before);
    const test::FileCallCounts map_calls =
        test::CountFileCalls([&] { BuildDeleteMap(path_.c_str(), list.c_str(), test::recorded); });
    Outcome outcome = Outcome::ok;
    test::SweepFileFaults(
        [&] { WriteWholeFile(path_, before); },
        [&] { outcome = DeleteFiles(path_.c_str(), list.c_str(), test::recorded, in_place_); },
        [&](const test::FileFault& fault) {
            SCOPED_TRACE(test::Describe(fault));
            // In place the archive is held from the map to the last cut and closed after it.
            const bool cut_closing = !rewrite && fault.kind == FileCall::close;
            if (rewrite && outcome != Outcome::ok) {
                EXPECT_EQ(ReadWholeFile(path_), before);
            } else if (outcome == Outcome::ok || cut_closing) {
                EXPECT_EQ(outcome, cut_closing ? Outcome::close_failed : Outcome::ok);
                EXPECT_EQ(ReadWholeFile(path_), BuildArchive(Without(abc, {"a", "c"})));
            } else if (fault.call <= map_calls[static_cast<int>(fault.kind)]) {
                EXPECT_EQ(ReadWholeFile(path_), before);
            }
        });
}

// Names picked from an earlier reading of the archive, some of which another editor has taken
// away since: nothing is deleted, and the caller learns which are gone (not a name given twice).
TEST_P(DeleteFailureTest, NamesGoneSinceTheyWerePickedDeleteNothing) {
    in_place_ = test::UseEditPath(GetParam());
    const std::string before = BuildArchive(abc);
    WriteWholeFile(path_, before);
    std::vector<std::string> unmatched;
    EXPECT_EQ(DeleteEntries(path_.c_str(), HostList({"a", "gone", "c", "A"}).c_str(),
                            test::recorded, &unmatched, in_place_)
                  .outcome,
              Outcome::ok);
    EXPECT_EQ(unmatched, std::vector<std::string>{"gone"});
    EXPECT_EQ(ReadWholeFile(path_), before);
}

INSTANTIATE_TEST_SUITE_P(EditPaths, DeleteFailureTest, test::kEveryEditPath, test::EditPathName);

// Another program shortens the archive while a deletion copies it: the archive was read short,
// which is no failure of the writing.
TEST_F(DeleteFilesTest, AnArchiveThatShrinksAsItIsCopiedIsReadShort) {
#ifdef _WIN32
    GTEST_SKIP() << "an archive held for an edit cannot be shortened by another program";
#else
    WriteWholeFile(path_, BuildArchive(ArchiveWith({{"a", 3 << 20}, {"b", 10}})));
    const auto shrink = [](void* path, const char*, int size) {
        if (size > 0) std::filesystem::resize_file(*static_cast<std::string*>(path), 1000);
        return true;
    };
    Progress shrinking{shrink, &path_};
    EXPECT_EQ(DeleteEntries(path_.c_str(), HostList({"b"}).c_str(), shrinking).outcome,
              Outcome::read_failed);
#endif
}

}  // namespace
}  // namespace qp

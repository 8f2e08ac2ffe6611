// Packing a list of files in one edit gives exactly what packing them one by one gives; the tool's
// all-or-nothing packing names what failed and leaves nothing half written.
#include "editing/pack_sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "editing/hash_thread.h"
#include "editing/pack_files.h"
#include "editing/rewrite_archive.h"
#include "pbo/entry_name.h"
#include "plugin/plugin_settings.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/fault_sweep.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ContentFor;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

class PackSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"one", "two"}) {
            std::filesystem::create_directories(std::filesystem::path(dir_.path) / folder);
        }
        WriteWholeFile(Source("one", "a.txt"), ContentFor("a", 1000));
        WriteWholeFile(Source("one", "empty.bin"), "");
        WriteWholeFile(Source("one", "c.sqf"), ContentFor("c", 70000));
        WriteWholeFile(Source("two", "a.txt"), ContentFor("a2", 33));
    }
    void TearDown() override { plugin_settings = PluginSettings{}; }

    std::string Folder(const char* folder) const {
        return (std::filesystem::path(dir_.path) / folder).string() +
               static_cast<char>(std::filesystem::path::preferred_separator);
    }
    std::string Source(const char* folder, const char* name) const { return Folder(folder) + name; }

    // What the plugin makes of the same files: a.txt, empty.bin and c.sqf from "one" into the
    // folder "data", then a.txt from "two" into the same folder, replacing the first one.
    std::string PackedByThePlugin(std::int32_t type, const char* prefix) {
        plugin_settings.pbo_type = type;
        std::strcpy(plugin_settings.prefix, prefix);
        const std::string path = dir_.File("plugin.pbo");
        const char first[] = "a.txt\0empty.bin\0c.sqf\0";
        EXPECT_EQ(PackFiles(path.c_str(), "data", Folder("one").c_str(), first,
                            NewArchiveSettingsChosen(), test::recorded),
                  Outcome::ok);
        EXPECT_EQ(PackFiles(path.c_str(), "data", Folder("two").c_str(), "a.txt\0",
                            NewArchiveSettingsChosen(), test::recorded),
                  Outcome::ok);
        std::string bytes = ReadWholeFile(path);
        std::filesystem::remove(path);
        return bytes;
    }

    std::string WrittenInOnePass(std::int32_t type, const char* prefix) {
        const std::string path = dir_.File("one-pass.pbo");
        const std::vector<SourceFile> files = {{"data\\a.txt", Source("one", "a.txt")},
                                               {"data\\empty.bin", Source("one", "empty.bin")},
                                               {"data\\c.sqf", Source("one", "c.sqf")},
                                               {"data\\a.txt", Source("two", "a.txt")}};
        EXPECT_EQ(PackAll(path, type, prefix, files).outcome, Outcome::ok);
        std::string bytes = ReadWholeFile(path);
        std::filesystem::remove(path);
        return bytes;
    }

    // Packs all files into the archive in one edit, or none of them.
    EditResult PackAll(const std::string& path, std::int32_t type, const char* prefix,
                       const std::vector<SourceFile>& files,
                       std::size_t most_held = PackRequest{}.most_files_held) {
        PackRequest request{{type, prefix, {}}, static_cast<int>(files.size()), true};
        request.most_files_held = most_held;
        return PackSources(path.c_str(), files, request, test::recorded);
    }

    TempDir dir_;
};

TEST_F(PackSourcesTest, IsByteIdenticalToPackingForEveryArchiveType) {
    EXPECT_EQ(WrittenInOnePass(0, "my\\addon"), PackedByThePlugin(0, "my\\addon"));
    EXPECT_EQ(WrittenInOnePass(0, ""), PackedByThePlugin(0, ""));
    EXPECT_EQ(WrittenInOnePass(1, "ignored"), PackedByThePlugin(1, "ignored"));
    EXPECT_EQ(WrittenInOnePass(-1, "x"), PackedByThePlugin(-1, "x"));
}

TEST_F(PackSourcesTest, AllOrNothingNamesAMissingSourceAndWritesNothing) {
    const std::string path = dir_.File("new.pbo");
    const EditResult missing =
        PackAll(path, 0, "", {{"a", Source("one", "a.txt")}, {"b", dir_.File("nope")}});
    EXPECT_EQ(missing.outcome, Outcome::open_failed);
    EXPECT_EQ(missing.failed_path, dir_.File("nope"));
    EXPECT_FALSE(test::FileExists(path));  // sources are all checked before anything is written
}

// One edit of many files gives what packing each in turn gives: a name the archive holds twice
// is held once, a later file of a name replaces an earlier one, a new name goes to its place in a
// sorted archive and to the end of an unsorted one, whatever letter case it comes in. Files held
// open from their planning to their copying and files opened again give the same, and none is
// left open.
TEST_F(PackSourcesTest, OneEditOfManyFilesIsPackingEachInTurn) {
    const std::string path = dir_.File("batch.pbo");
    const std::string a = Source("one", "a.txt");
    const std::string c = Source("one", "c.sqf");
    const std::vector<SourceFile> files = {{"M", a},   {"b\\x", c}, {"zed", a}, {"B\\X", c},
                                           {"new", c}, {"A", a},    {"new", a}, {"q/r", c}};
    // The edit takes the files in order by name: packing in turn follows it.
    std::vector<SourceFile> in_turn = files;
    std::stable_sort(in_turn.begin(), in_turn.end(), [](const auto& x, const auto& y) {
        return EntryNameBefore(x.entry_name, y.entry_name);
    });
    using Entries = std::vector<test::TestEntry>;
    for (const Entries& entries :
         {Entries{{"a", "1"}, {"b\\x", "2"}, {"B\\x", "3"}, {"m", "4"}, {"q\\r", "5"}},
          Entries{
              {"zz", "5"}, {"m", "4"}, {"b\\x", "2"}, {"a", "1"}, {"ZED", "6"}, {"zed", "7"}}}) {
        test::TestArchive archive;
        archive.entries = entries;
        WriteWholeFile(path, test::BuildArchive(archive));
        for (const SourceFile& file : in_turn) {
            ASSERT_EQ(PackAll(path, 0, "", {file}).outcome, Outcome::ok);
        }
        const std::string packed_in_turn = ReadWholeFile(path);
        for (const std::size_t held : {std::size_t{3}, PackRequest{}.most_files_held}) {
            WriteWholeFile(path, test::BuildArchive(archive));
            ASSERT_EQ(PackAll(path, 0, "", files, held).outcome, Outcome::ok);
            EXPECT_EQ(ReadWholeFile(path), packed_in_turn);
            for (const std::string& source : {a, c}) {  // held alone: no handle is left
                const OpenResult opened = OpenFile(source.c_str(), OpenMode::read_write);
                ASSERT_NE(opened.handle, nullptr) << source;
                CloseFile(opened.handle);
            }
        }
    }
}

// A fresh archive keeps nothing of the one it replaces: the same files give the same bytes as
// in a new archive, entry times left at 0.
TEST_F(PackSourcesTest, AFreshArchiveReplacesTheOldOneWhole) {
    const std::string path = dir_.File("old.pbo");
    ASSERT_EQ(PackAll(path, 0, "old", {{"a.txt", Source("one", "a.txt")}}).outcome, Outcome::ok);
    const std::vector<SourceFile> files = {{"c.sqf", Source("one", "c.sqf")}};
    const PackRequest fresh{{0, "new", {}}, 1, true, EntryTimes::zero, true};
    ASSERT_EQ(PackSources(path.c_str(), files, fresh, test::recorded).outcome, Outcome::ok);
    test::TestArchive expected;
    expected.extension_strings = {"prefix", "new"};
    expected.entries = {{"c.sqf", ContentFor("c", 70000), 0, 0, 0}};
    EXPECT_EQ(ReadWholeFile(path), test::BuildArchive(expected));
}

// Every file call of packing into a new archive fails in turn: the failure is reported, naming
// the file it concerns when that is not the archive, and leaves no archive behind. Only closing a
// source, which has been read whole by then, may fail without harm.
TEST_F(PackSourcesTest, EveryFailedFileCallIsReportedWithItsFile) {
    const std::string path = dir_.File("sweep.pbo");
    const std::vector<SourceFile> files = {{"data\\a.txt", Source("one", "a.txt")},
                                           {"data\\empty.bin", Source("one", "empty.bin")},
                                           {"data\\c.sqf", Source("one", "c.sqf")}};
    ASSERT_EQ(PackAll(path, 0, "p", files).outcome, Outcome::ok);
    const std::string whole = ReadWholeFile(path);
    EditResult result{};
    test::SweepFileFaults(
        [&] { std::filesystem::remove(path); }, [&] { result = PackAll(path, 0, "p", files); },
        [&](const test::FileFault& fault) {
            SCOPED_TRACE(test::Describe(fault));
            // A closed file has done its work: a source read whole, the archive once in place.
            if (fault.kind == FileCall::close && result.outcome == Outcome::ok) {
                EXPECT_EQ(ReadWholeFile(path), whole);
            } else {
                EXPECT_NE(result.outcome, Outcome::ok);
                // A source that failed is named; no name means the archive.
                const bool named = result.failed_path.empty() ||
                                   std::any_of(files.begin(), files.end(), [&](const auto& file) {
                                       return file.source_path == result.failed_path;
                                   });
                EXPECT_TRUE(named) << result.failed_path;
                EXPECT_FALSE(test::FileExists(path));  // no half archive left
            }
        });
}

// The digest is made on a second thread beside the writing, from the blocks written, new files and
// kept data alike: the trailer is the SHA-1 of every byte before it however the bytes end around
// a block, and a cancel in the middle stops the thread with the archive as it was.
TEST_F(PackSourcesTest, TheDigestMadeBesideTheWritingIsTheOneOfTheBytesWritten) {
    const std::string path = dir_.File("hashed.pbo");
    const std::string data = dir_.File("data.bin");
    ASSERT_EQ(PackAll(path, 0, "", {{"x", Source("one", "empty.bin")}}).outcome, Outcome::ok);
    const std::size_t header = ReadWholeFile(path).size() - kTrailerSize;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kHashBlock - header,
                                   kHashBlock - header + 1, (std::size_t{4} << 20) + 7}) {
        SCOPED_TRACE(size);
        std::filesystem::remove(path);
        WriteWholeFile(data, ContentFor("d", size));
        ASSERT_EQ(PackAll(path, 0, "", {{"x", data}}).outcome, Outcome::ok);
        EXPECT_TRUE(test::EndsInDigestTrailer(ReadWholeFile(path)));
        // x is kept data now, read from the archive into the blocks.
        ASSERT_EQ(PackAll(path, 0, "", {{"y", Source("one", "a.txt")}}).outcome, Outcome::ok);
        EXPECT_TRUE(test::EndsInDigestTrailer(ReadWholeFile(path)));
    }
    const std::string before = ReadWholeFile(path);
    for (const std::string& target : {path, dir_.File("new.pbo")}) {
        test::StartRecordingProgress();
        test::stop_at_report = 3;  // the third MiB written
        EXPECT_EQ(PackAll(target, 0, "", {{"z", data}}).outcome, Outcome::aborted);
        test::StopRecordingProgress();
        EXPECT_EQ(test::FileExists(target) ? ReadWholeFile(target) : "",
                  target == path ? before : "");
        EXPECT_FALSE(test::FileExists(ReplacementPath(target.c_str())));
    }
    test::stop_at_report = 0;
}

}  // namespace
}  // namespace qp

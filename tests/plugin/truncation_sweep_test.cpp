// Every length of three archives, through the exports as the host calls them: the listing ends
// cleanly after the entries whose header is whole, each entry comes out exact or with an error
// code, and packing or deleting works on a whole archive or leaves the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pbo/entry_time.h"
#include "platform/file.h"
#include "plugin/host_conventions.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::BuildArchive;
using test::ContentFor;
using test::ReadWholeFile;
using test::TestArchive;
using test::TestEntry;
using test::WriteWholeFile;

// Lines that repeat with small changes, as configs and scripts do, so that LZSS finds matches.
std::string ScriptText(const std::string& seed, std::size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) {
        text += "class " + seed + std::to_string(line % 7) +
                " { scope = " + std::to_string(line % 3) + "; model = \"\\a3\\" + seed +
                ".p3d\"; };\r\n";
    }
    text.resize(size);
    return text;
}

// An archive, what each of its entries extracts to, and what the sweep packs and deletes.
struct SweptArchive {
    const char* label;
    TestArchive archive;
    std::vector<std::string> plain;
    std::string packed_item;   // a source of this name is packed: added, or replacing its entry
    std::string deleted_item;  // an entry name, or a folder as "dir\*.*"
};

// Twenty entries: an empty one, one of 4600 bytes, the rest small; every third compressed.
// Stored, the large entry is read in several chunks; compressed, its matches reach across the
// whole 4096-byte window.
SweptArchive Swept(const char* label, std::vector<std::string> extension, bool big_compressed,
                   std::string packed_item, std::string deleted_item) {
    SweptArchive swept{label, {}, {}, std::move(packed_item), std::move(deleted_item)};
    swept.archive.extension = !extension.empty();
    swept.archive.extension_strings = std::move(extension);
    swept.archive.trailer = swept.archive.extension;
    auto add = [&](const std::string& name, std::size_t size, bool compressed) {
        const std::string text = compressed ? ScriptText(name, size) : ContentFor(name, size);
        swept.archive.entries.push_back(compressed ? test::LzssEntry(name, text)
                                                   : TestEntry{name, text});
        swept.plain.push_back(text);
    };
    add("config.cpp", 300, true);
    add("mission.sqm", 120, false);
    add("data\\big.paa", 4600, big_compressed);
    add("empty.txt", 0, false);
    for (int i = 0; i < 16; ++i) {
        add("fn\\f" + std::to_string(i) + ".sqf", 7 + (i * 37) % 150, i % 3 == 0);
    }
    return swept;
}

// With a prefix, with the product and without an extension (nor a trailer).
std::vector<SweptArchive> SweptArchives() {
    return {
        Swept("prefix", {"prefix", "test\\addon"}, false, "new.sqf", "data\\big.paa"),
        Swept("product", {"product", "OFP: Resistance"}, true, "config.cpp", "fn\\*.*"),
        Swept("bare", {}, true, "mission.sqm", "config.cpp"),
    };
}

// Writes a file after removing the old one: some file systems write a file that is cut to zero
// and filled again through to the disk when it is closed, which would make the sweep crawl.
void WriteAnew(const std::string& path, const std::string& bytes) {
    std::filesystem::remove(path);
    WriteWholeFile(path, bytes);
}

class TruncationSweepTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::filesystem::create_directories(Path("src"));
        std::filesystem::create_directories(Path("out"));
        src_ = Path("src") + static_cast<char>(std::filesystem::path::preferred_separator);
    }

    std::string Path(const std::string& name) const { return dir_.File(name); }
    std::string Out(std::size_t index) const { return Path("out/" + std::to_string(index)); }

    // The archive `swept` holds once its packed item has been packed, and once its deleted item
    // has been deleted.
    void Expect(const SweptArchive& swept) {
        const std::string source = src_ + swept.packed_item;
        WriteWholeFile(source, source_data_);
        const OpenResult opened = OpenFile(source.c_str(), OpenMode::read);
        ASSERT_NE(opened.handle, nullptr);
        const std::int32_t created = FileCreationUnixTime(opened.handle);
        CloseFile(opened.handle);

        TestArchive packed = swept.archive;
        auto replaced =
            std::find_if(packed.entries.begin(), packed.entries.end(),
                         [&](const TestEntry& e) { return e.name == swept.packed_item; });
        if (replaced == packed.entries.end()) {
            packed.entries.push_back({swept.packed_item, source_data_, 0, 0, created});
        } else {
            *replaced = {replaced->name, source_data_, 0, 0, replaced->timestamp};
        }
        packed_ = BuildArchive(packed);

        TestArchive deleted = swept.archive;
        const std::string item = swept.deleted_item;
        const bool folder = item.ends_with("\\*.*");
        const std::string prefix = item.substr(0, item.size() - 3);
        std::erase_if(deleted.entries, [&](const TestEntry& e) {
            return folder ? e.name.starts_with(prefix) : e.name == item;
        });
        deleted_ = BuildArchive(deleted);
    }

    // Lists the archive at `path` as the host extracts it: each entry right after its header.
    void ListAndExtract(const SweptArchive& swept, std::string path, std::size_t length) {
        const std::vector<TestEntry>& entries = swept.archive.entries;
        const std::vector<std::uint32_t> ends = test::RecordEnds(swept.archive);
        const std::vector<std::uint32_t> offsets = test::DataOffsets(swept.archive);
        const std::uint32_t data_start = test::DataStart(swept.archive);

        tOpenArchiveData open{};
        open.ArcName = path.data();
        open.OpenMode = PK_OM_EXTRACT;
        void* handle = OpenArchive(&open);
        ASSERT_NE(handle, nullptr);
        tHeaderData header{};
        std::size_t listed = 0;
        int code = 0;
        while (listed <= entries.size() && (code = ReadHeader(handle, &header)) == 0) {
            ASSERT_LT(listed, entries.size());
            const TestEntry& entry = entries[listed];
            std::string shown = entry.name;
            ShowEntryNameToHost(shown.data());  // '/' between folders on POSIX hosts
            EXPECT_EQ(header.FileName, shown);
            EXPECT_EQ(static_cast<std::size_t>(header.UnpSize), swept.plain[listed].size());
            EXPECT_EQ(static_cast<std::size_t>(header.PackSize), entry.data.size());
            std::string out = Out(listed);
            // The test of an entry comes to what its extraction comes to, and writes nothing.
            const int tested = ProcessFile(handle, PK_TEST, nullptr, out.data());
            EXPECT_FALSE(test::FileExists(out)) << entry.name;
            const int result = ProcessFile(handle, PK_EXTRACT, nullptr, out.data());
            EXPECT_EQ(tested, result) << entry.name;
            const bool whole =
                length >= data_start &&
                (entry.data.empty() || offsets[listed] + entry.data.size() <= length);
            if (whole) {
                EXPECT_EQ(result, 0) << entry.name;
                EXPECT_EQ(ReadWholeFile(out), swept.plain[listed]) << entry.name;
            } else {
                EXPECT_NE(result, 0) << entry.name;
                EXPECT_FALSE(test::FileExists(out)) << entry.name;
            }
            ++listed;
        }
        EXPECT_TRUE(code == E_END_ARCHIVE || code == E_BAD_ARCHIVE) << code;
        // Exactly the entries whose name and record are within the file.
        EXPECT_EQ(listed,
                  static_cast<std::size_t>(std::count_if(
                      ends.begin(), ends.end(), [&](std::uint32_t end) { return end <= length; })));
        EXPECT_EQ(CloseArchive(handle), 0);
    }

    // Runs the edit on a copy cut to `length`: a cut archive whose data is all there is whole and
    // comes out as `whole_result`, but for what follows the data: a trailer cut short is no
    // trailer and is kept as it was. Any other is damaged and left as it was.
    template <typename Edit>
    void ExpectEdit(const std::string& name, const std::string& cut, std::size_t data_end,
                    const std::string& whole_result, Edit edit) {
        std::string path = Path(name);
        WriteAnew(path, cut);
        const int code = edit(path);
        const std::string after = ReadWholeFile(path);
        if (cut.size() >= data_end) {
            EXPECT_EQ(code, 0) << name;
            const std::string result_data =
                whole_result.substr(0, whole_result.size() - (full_.size() - data_end));
            const bool whole = cut.size() == full_.size();
            EXPECT_TRUE(after == (whole ? whole_result : result_data + cut.substr(data_end)))
                << name;
        } else {
            EXPECT_EQ(code, E_BAD_ARCHIVE) << name;
            EXPECT_TRUE(after == cut) << name;
        }
    }

    // Nothing but the archives, the source and the extracted files is in the folder.
    void ExpectOnlyOwnFiles(const SweptArchive& swept) {
        std::set<std::string> allowed = {"list.pbo", "pack.pbo", "delete.pbo",
                                         "src",      "out",      "src/" + swept.packed_item};
        for (std::size_t i = 0; i < swept.archive.entries.size(); ++i) {
            allowed.insert("out/" + std::to_string(i));
        }
        const std::size_t root = dir_.path.size() + 1;
        for (const auto& found : std::filesystem::recursive_directory_iterator(dir_.path)) {
            const std::string name = found.path().generic_string().substr(root);
            EXPECT_TRUE(allowed.contains(name)) << "written outside the archive: " << name;
        }
    }

    void Sweep(const SweptArchive& swept, std::size_t stride) {
        full_ = BuildArchive(swept.archive);
        Expect(swept);
        // Only the trailer may be missing for the archive to be whole.
        const std::size_t data_end = full_.size() - (swept.archive.trailer ? 21 : 0);
        std::string source_dir = src_;
        std::string pack_list = test::HostList({swept.packed_item});
        std::string delete_list = test::HostList({swept.deleted_item});
        for (std::size_t length = 0; length <= full_.size(); length += stride) {
            SCOPED_TRACE(std::string(swept.label) + " cut to " + std::to_string(length));
            const std::string cut = full_.substr(0, length);
            WriteAnew(Path("list.pbo"), cut);
            for (std::size_t i = 0; i < swept.archive.entries.size(); ++i) {
                std::filesystem::remove(Out(i));
            }
            ListAndExtract(swept, Path("list.pbo"), length);
            EXPECT_TRUE(ReadWholeFile(Path("list.pbo")) == cut);
            ExpectEdit("pack.pbo", cut, data_end, packed_, [&](std::string& path) {
                return PackFiles(path.data(), nullptr, source_dir.data(), pack_list.data(), 0);
            });
            ExpectEdit("delete.pbo", cut, data_end, deleted_, [&](std::string& path) {
                return DeleteFiles(path.data(), delete_list.data());
            });
            ExpectOnlyOwnFiles(swept);
            if (HasFailure()) return;
        }
        EXPECT_EQ(ReadWholeFile(src_ + swept.packed_item), source_data_);
    }

    test::TempDir dir_;
    std::string src_;
    const std::string source_data_ = ContentFor("packed source", 700);
    std::string full_;
    std::string packed_;
    std::string deleted_;
};

// Natively every length is swept. Under Wine each file call costs many times as much, so there
// every eleventh length is: cuts inside the header, the data and the trailer of each archive.
#if defined(_WIN32)
constexpr std::size_t kStride = 11;
#else
constexpr std::size_t kStride = 1;
#endif

TEST_P(TruncationSweepTest, EveryLengthListsExtractsPacksAndDeletesCleanly) {
    Sweep(SweptArchives()[GetParam()], kStride);
}

INSTANTIATE_TEST_SUITE_P(ThreeArchives, TruncationSweepTest, ::testing::Range(0, 3),
                         [](const auto& info) { return SweptArchives()[info.param].label; });

}  // namespace
}  // namespace qp

// The exported functions, called directly as the host calls them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "editing/rewrite_archive.h"
#include "platform/file.h"
#include "platform/fault_injection.h"
#include "plugin/host_conventions.h"
#include "plugin/plugin_settings.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/hostile_names.h"
#include "support/progress_recorder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::TempDir;
using test::WriteWholeFile;

#if defined(_WIN32)
TEST(Exports, ReportCapabilities) {
    EXPECT_EQ(GetPackerCaps(), 223);
}
#endif

// An archive that cannot be opened, or that an editor holds, is no damaged archive: E_EOPEN. Two
// listings of one archive at once, as a host browsing it while it extracts, both open.
TEST(Exports, OpenArchiveSharesWithReadersAndNeverCallsAnArchiveInUseDamaged) {
    TempDir dir;
    std::string path = dir.File("missing.pbo");
    tOpenArchiveData data{};
    data.ArcName = path.data();
    data.OpenResult = -7;
    EXPECT_EQ(OpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, E_EOPEN);
    WriteWholeFile(path, BuildArchive(ArchiveWith({{"a", 3}})));
    void* first = OpenArchive(&data);
    void* second = OpenArchive(&data);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    tHeaderData header{};
    EXPECT_EQ(ReadHeader(second, &header), 0);
    EXPECT_EQ(CloseArchive(second), 0);
    EXPECT_EQ(ReadHeader(first, &header), 0);
    EXPECT_EQ(CloseArchive(first), 0);
    const OpenResult editor = OpenFile(path.c_str(), OpenMode::edit);
    data.OpenResult = -7;
    EXPECT_EQ(OpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, E_EOPEN);
    CloseFile(editor.handle);
}

TEST(Exports, ListingFillsOnlyTheFieldsItOwns) {
    TempDir dir;
    std::string path = dir.File("a.pbo");
    test::TestArchive archive = ArchiveWith({{"x\\one.txt", 12}});
    archive.entries[0].timestamp = 1700000000;
    archive.entries.push_back(test::LzssEntry("packed.cpp", std::string(3000, 'x')));
    WriteWholeFile(path, BuildArchive(archive));

    tOpenArchiveData data{};
    data.ArcName = path.data();
    data.OpenMode = PK_OM_LIST;
    data.OpenResult = -7;
    void* handle = OpenArchive(&data);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(data.OpenResult, -7);  // written only on failure

    tHeaderData header;
    std::memset(&header, 0x5A, sizeof header);
    ASSERT_EQ(ReadHeader(handle, &header), 0);
#if defined(_WIN32)
    EXPECT_STREQ(header.FileName, "x\\one.txt");
    EXPECT_EQ(header.FileTime, (43 << 25 | 11 << 21 | 14 << 16 | 22 << 11 | 13 << 5 | 10));
#else
    EXPECT_STREQ(header.FileName, "x/one.txt");
    EXPECT_EQ(header.FileTime, 1700000000);
#endif
    EXPECT_EQ(header.UnpSize, 12);
    EXPECT_EQ(header.PackSize, 12);
    // A plain file: the archive bit for Windows hosts, -rw-r--r-- for hosts that take a mode.
    EXPECT_EQ(header.FileAttr, HostFileAttributes());
    EXPECT_EQ(header.ArcName[0], 0x5A);
    EXPECT_EQ(header.Method, 0x5A5A5A5A);
    EXPECT_EQ(header.HostOS, 0x5A5A5A5A);
    EXPECT_EQ(ProcessFile(handle, PK_SKIP, nullptr, nullptr), 0);
    // A compressed entry shows the size it unpacks to, and the size it takes in the archive.
    ASSERT_EQ(ReadHeader(handle, &header), 0);
    EXPECT_EQ(header.UnpSize, 3000);
    EXPECT_EQ(header.PackSize, static_cast<int>(archive.entries[1].data.size()));
    EXPECT_EQ(ProcessFile(handle, PK_TEST, nullptr, nullptr), 0);
    EXPECT_EQ(ReadHeader(handle, &header), E_END_ARCHIVE);
    EXPECT_EQ(CloseArchive(handle), 0);
}

// Overwrites the data size of the record after `name`.
void PatchDataSize(std::string& bytes, const std::string& name, std::uint32_t size) {
    const std::size_t at = bytes.find(name + '\0') + name.size() + 1 + 16;
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(size >> (8 * i));
}

// Headers made to mislead: a name or an extension string too long to read whole, which would
// read as the end of the header, and data sizes whose sum wraps past 4 GiB. The listing stops at
// the long strings, and neither editor touches any of them.
TEST(Exports, HostileHeadersAreDamageToTheListingAndToBothEditors) {
    const std::string long_name(1023, 'n');
    test::TestArchive extension = ArchiveWith({{"a", 6}});
    extension.extension_strings = {"prefix", long_name};
    std::string wraps = BuildArchive(ArchiveWith({{"a", 6}, {"wraps", 6}, {"third", 6}}));
    PatchDataSize(wraps, "wraps", 0xFFFFFFFA);
    const std::pair<std::string, int> cases[] = {
        {BuildArchive(ArchiveWith({{"a", 6}, {long_name, 1}})), E_BAD_ARCHIVE},
        {BuildArchive(extension), E_BAD_ARCHIVE},
        {wraps, E_END_ARCHIVE}};
    TempDir dir;
    WriteWholeFile(dir.File("new.txt"), "new");
    std::string source = dir.File("");
    std::string add = test::HostList({"new.txt"});
    std::string remove = test::HostList({"a"});
    for (const auto& [bytes, listing_end] : cases) {
        std::string path = dir.File("hostile.pbo");
        WriteWholeFile(path, bytes);
        tOpenArchiveData data{};
        data.ArcName = path.data();
        void* handle = OpenArchive(&data);
        tHeaderData header;
        int result = 0;
        for (int entries = 0; entries < 4 && result == 0; ++entries) {
            result = ReadHeader(handle, &header);
        }
        EXPECT_EQ(result, listing_end);
        EXPECT_EQ(CloseArchive(handle), 0);
        EXPECT_EQ(::PackFiles(path.data(), nullptr, source.data(), add.data(), 0), E_BAD_ARCHIVE);
        EXPECT_EQ(::DeleteFiles(path.data(), remove.data()), E_BAD_ARCHIVE);
        EXPECT_TRUE(test::ReadWholeFile(path) == bytes);
    }
}

// The callbacks' counts: an opened archive's own (Unicode) one cancels at report `cancel_at`.
int archive_reports = 0;
long long archive_bytes = 0;
int thread_reports = 0;
int cancel_at = 0;

int WCX_CALL ArchiveCallbackW(char16_t*, int size) {
    archive_bytes += size;
    return ++archive_reports != cancel_at;
}

int WCX_CALL ThreadCallback(char*, int) {
    return ++thread_reports, 1;
}

// A 32 MiB compressed entry reports what it decoded at least every MiB to the callback set for
// its archive, not the thread's, and a Cancel stops it, leaving no file behind.
TEST(Exports, CompressedEntriesReportToTheirArchivesCallbackAndCancel) {
    TempDir dir;
    const std::string text = test::ContentFor("big", 32 << 20);
    test::TestArchive archive = ArchiveWith({});
    archive.entries = {test::LzssEntry("big.bin", text, test::StreamSum::of_signed_bytes, true)};
    std::string path = dir.File("big.pbo");
    WriteWholeFile(path, BuildArchive(archive));
    std::string target = dir.File("big.bin");
    SetProcessDataProc(reinterpret_cast<void*>(-1), ThreadCallback);
    SetChangeVolProc(reinterpret_cast<void*>(-1), nullptr);
    for (const int cancel : {0, 3}) {
        archive_reports = thread_reports = 0;
        archive_bytes = 0;
        cancel_at = cancel;
        tOpenArchiveData data{};
        data.ArcName = path.data();
        void* handle = OpenArchive(&data);
        ASSERT_NE(handle, nullptr);
        SetProcessDataProcW(handle, ArchiveCallbackW);
        tHeaderData header{};
        ASSERT_EQ(ReadHeader(handle, &header), 0);
        EXPECT_EQ(ProcessFile(handle, PK_EXTRACT, nullptr, target.data()),
                  cancel == 0 ? 0 : E_EABORTED);
        EXPECT_EQ(CloseArchive(handle), 0);
        EXPECT_EQ(thread_reports, 0);
        if (cancel == 0) {
            EXPECT_GE(archive_reports, 8);
            EXPECT_EQ(archive_bytes, 32 << 20);
            EXPECT_TRUE(test::ReadWholeFile(target) == text);
            std::remove(target.c_str());
        } else {
            EXPECT_EQ(archive_reports, cancel);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
    }
    SetProcessDataProc(reinterpret_cast<void*>(-1), nullptr);
}

// An entry takes the destination's place only when whole: a damaged one leaves the file there as
// it was, a link there is replaced, not written through. Part files a killed extraction left
// go; one another extraction still writes, and a link planted at a part file's name, stay.
TEST(Exports, ExtractionReplacesTheDestinationOnlyWithAWholeEntry) {
    TempDir dir;
    test::TestArchive archive = ArchiveWith({{"good.txt", 100}});
    archive.entries.push_back(
        test::LzssEntry("damaged.txt", "hello, world", test::StreamSum::of_signed_bytes));
    archive.entries.back().data[1] ^= 0x20;
    std::string path = dir.File("a.pbo");
    WriteWholeFile(path, BuildArchive(archive));
    std::filesystem::create_directory(dir.File("out"));
    std::string out = dir.File("out") + dir.File("").back();
    WriteWholeFile(out + "damaged.txt", "old");
    const OpenResult held = CreatePartFile((out + ".quillpack-part").c_str());
    WriteWholeFile(out + ".quillpack-part1", "left by a killed extraction");
    ASSERT_NE(held.handle, nullptr);
#if !defined(_WIN32)
    WriteWholeFile(dir.File("secret"), "secret");
    std::filesystem::create_symlink(dir.File("secret"), out + "good.txt");
    std::filesystem::create_symlink(dir.File("secret"), out + ".quillpack-part2");
#endif
    tOpenArchiveData data{};
    data.ArcName = path.data();
    void* handle = OpenArchive(&data);
    tHeaderData header{};
    std::vector<int> results;
    while (ReadHeader(handle, &header) == 0) {
        results.push_back(ProcessFile(handle, PK_EXTRACT, out.data(), header.FileName));
    }
    EXPECT_EQ(CloseArchive(handle), 0);
    EXPECT_EQ(results, (std::vector<int>{0, E_BAD_DATA}));
    EXPECT_EQ(test::ReadWholeFile(out + "damaged.txt"), "old");
    EXPECT_EQ(test::ReadWholeFile(out + "good.txt"), archive.entries[0].data);
    EXPECT_TRUE(test::FileExists(out + ".quillpack-part"));
    EXPECT_FALSE(test::FileExists(out + ".quillpack-part1"));
    EXPECT_EQ(CloseFile(held.handle), IoStatus::ok);
#if !defined(_WIN32)
    EXPECT_FALSE(std::filesystem::is_symlink(out + "good.txt"));
    EXPECT_EQ(test::ReadWholeFile(dir.File("secret")), "secret");
    EXPECT_TRUE(std::filesystem::is_symlink(out + ".quillpack-part2"));
#endif
}

// Extracts every entry as a host does: the folders of each name made first, then the target
// given whole in DestName, or as DestPath (with no separator at its end: one is put in between)
// and DestName. Returns each entry's result.
std::vector<int> HostExtract(std::string archive, std::string dest, bool folder_given) {
    tOpenArchiveData open{};
    open.ArcName = archive.data();
    void* handle = OpenArchive(&open);
    std::vector<int> results;
    tHeaderData header{};
    while (ReadHeader(handle, &header) == 0) {
        std::string target = dest + kPathSeparator + header.FileName;
        for (std::size_t at = dest.size() + 1; at < target.size(); ++at) {
            std::error_code ignored;
            if (IsPathSeparator(target[at])) {
                std::filesystem::create_directory(target.substr(0, at), ignored);
            }
        }
        results.push_back(folder_given
                              ? ProcessFile(handle, PK_EXTRACT, dest.data(), header.FileName)
                              : ProcessFile(handle, PK_EXTRACT, nullptr, target.data()));
    }
    CloseArchive(handle);
    return results;
}

// The table of hostile names, with DestPath given and without: each name that would leave the
// folder, name no file, be written under another name or go through the link planted in the
// folder is refused, and nothing is written outside it.
TEST(Exports, HostileNamesAreRefusedAndNothingIsWrittenOutsideTheDestination) {
    for (const bool folder_given : {false, true}) {
        SCOPED_TRACE(folder_given ? "DestPath given" : "all in DestName");
        TempDir dir;
        test::ExpectHostileNamesKeptInside(dir.path, [&](const auto& archive, const auto& dest) {
            return HostExtract(archive, dest, folder_given);
        });
    }
}

// The user cancels packing (into a new archive and an existing one) and deleting at each report
// in turn: the host is told E_EABORTED, the archive is as it was and no replacement file is left.
// Asked for in place (in_place=1), the edit stops once the archive is whole again: as after some
// of the items, never damaged, and never reported as done.
TEST(Exports, CancelAtAnyReportLeavesTheArchiveAsItWas) {
    TempDir dir;
    std::string path = dir.File("a.pbo");
    std::string src = dir.File("");
    WriteWholeFile(src + "new.bin", test::ContentFor("new", 3 << 20));
    WriteWholeFile(src + "b", "replaced");
    std::string add_list = test::HostList({"new.bin", "b"});
    std::string delete_list = test::HostList({"b", "c"});
    const std::string existing = BuildArchive(ArchiveWith({{"a", 2 << 20}, {"b", 5}, {"c", 7}}));
    struct Edit {
        const char* what;
        std::string start;  // empty: no archive
        bool pack;
        bool in_place;
    };
    for (const Edit& edit :
         {Edit{"new archive", "", true, false}, Edit{"pack", existing, true, false},
          Edit{"delete", existing, false, false}, Edit{"pack in place", existing, true, true},
          Edit{"delete in place", existing, false, true}}) {
        plugin_settings.in_place = edit.in_place;
        const auto run = [&] {
            std::remove(path.c_str());
            if (!edit.start.empty()) WriteWholeFile(path, edit.start);
            return edit.pack ? ::PackFiles(path.data(), nullptr, src.data(), add_list.data(), 0)
                             : ::DeleteFiles(path.data(), delete_list.data());
        };
        // The archive as after each whole item, in place.
        test::StartRecordingProgress();
        std::set<std::string> whole = {edit.start};
        std::string first_item = edit.pack ? test::HostList({"new.bin"}) : test::HostList({"b"});
        std::swap(first_item, edit.pack ? add_list : delete_list);
        ASSERT_EQ(run(), 0) << edit.what;
        whole.insert(test::ReadWholeFile(path));
        std::swap(first_item, edit.pack ? add_list : delete_list);
        test::StartRecordingProgress();
        ASSERT_EQ(run(), 0) << edit.what;
        whole.insert(test::ReadWholeFile(path));
        const std::size_t reports = test::progress_reports.size();
        EXPECT_GT(reports, 2u) << edit.what;  // items, and bytes per MiB
        for (std::size_t stop = 1; stop <= reports; ++stop) {
            SCOPED_TRACE(std::string(edit.what) + ", stop at report " + std::to_string(stop));
            test::StartRecordingProgress();
            test::stop_at_report = static_cast<int>(stop);
            EXPECT_EQ(run(), E_EABORTED);
            EXPECT_EQ(test::progress_reports.size(), stop);
            const std::string after = test::FileExists(path) ? test::ReadWholeFile(path) : "";
            if (edit.in_place) {
                EXPECT_TRUE(whole.contains(after));
            } else {
                EXPECT_EQ(after, edit.start);
            }
            EXPECT_FALSE(test::FileExists(ReplacementPath(path.c_str())));
        }
    }
    plugin_settings = PluginSettings{};
    test::StopRecordingProgress();
}

// A rewrite whose flush fails leaves the archive as it was: it is never put in place before it
// is on the disk; so does one whose copy cannot be created, a folder standing at its name. A
// read-only archive is edited, and stays read-only (and on Windows hidden): the rewrite only
// reads it, and the new archive takes its permissions and attributes.
TEST(Exports, FailedEditsLeaveTheArchiveAndReadOnlyOnesKeepTheirModeAndAttributes) {
    TempDir dir;
    std::string path = dir.File("a.pbo");
    std::string list = test::HostList({"a"});
    const std::string before = BuildArchive(ArchiveWith({{"a", 3}, {"b", 4}}));
    WriteWholeFile(path, before);
    StartFaultPlan({FileCall::flush, 1, IoStatus::io_error});
    EXPECT_EQ(::DeleteFiles(path.data(), list.data()), E_EWRITE);
    StopFaultPlan();
    EXPECT_EQ(test::ReadWholeFile(path), before);
    std::filesystem::create_directory(ReplacementPath(path.c_str()));
    EXPECT_EQ(::DeleteFiles(path.data(), list.data()), E_ECREATE);
    EXPECT_EQ(test::ReadWholeFile(path), before);
    std::filesystem::remove(ReplacementPath(path.c_str()));
#if defined(_WIN32)
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
#else
    chmod(path.c_str(), 0444);
#endif
    EXPECT_EQ(::DeleteFiles(path.data(), list.data()), 0);
    EXPECT_EQ(test::ReadWholeFile(path), BuildArchive(ArchiveWith({{"b", 4}})));
#if defined(_WIN32)
    EXPECT_EQ(GetFileAttributesA(path.c_str()), attributes);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // for the folder to go
#else
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
#endif
}

}  // namespace
}  // namespace qp

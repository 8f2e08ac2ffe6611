// The file services behave the same on both backends.
#include "platform/file.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

// Readers share a file, in one process as in two; an editor holds it against readers and other
// editors, and readers hold it against editors. A refused truncating open must not empty it.
TEST(File, ReadersShareAndEditorsHoldTheFileAlone) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    struct Case {
        OpenMode held;
        OpenMode second;
        bool opens;
    };
    const Case cases[] = {
        {OpenMode::read, OpenMode::read, true},
        {OpenMode::read, OpenMode::edit, false},
        {OpenMode::read, OpenMode::edit_in_place, false},
        {OpenMode::read, OpenMode::create_always, false},
        {OpenMode::edit, OpenMode::read, false},
        {OpenMode::edit, OpenMode::edit, false},
        {OpenMode::edit, OpenMode::edit_in_place, false},
        {OpenMode::edit_in_place, OpenMode::read, false},
        {OpenMode::replacement, OpenMode::read, false},
    };
    for (const Case& open : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(open.held)) + " then " +
                     std::to_string(static_cast<int>(open.second)));
        if (open.held != OpenMode::replacement) WriteWholeFile(path, "0123456789");
        const OpenResult first = OpenFile(path.c_str(), open.held);
        ASSERT_NE(first.handle, nullptr);
        const OpenResult second = OpenFile(path.c_str(), open.second);
        EXPECT_EQ(second.handle != nullptr, open.opens);
        EXPECT_EQ(second.status, open.opens ? IoStatus::ok : IoStatus::in_use);
        if (second.handle != nullptr) CloseFile(second.handle);
        // A copy an edit is writing is no leftover to clear; once closed, it is one.
        const bool written = open.held != OpenMode::replacement;
        if (!written) {
            EXPECT_EQ(RemoveOwnLeftover(path.c_str()), IoStatus::in_use);
        }
        EXPECT_EQ(CloseFile(first.handle), IoStatus::ok);
        EXPECT_EQ(ReadWholeFile(path), written ? "0123456789" : "");
        if (!written) {
            EXPECT_EQ(RemoveOwnLeftover(path.c_str()), IoStatus::ok);
        }
        std::filesystem::remove(path);
    }
}

#if !defined(_WIN32)
// An editor holds the file now at the path, never one that another editor replaced while the
// first waited for the lock. One thread replaces the file again and again, holding it as an edit
// does; the other opens it for editing and finds, while it holds it, the same bytes at the path.
TEST(File, AnEditorHoldsTheFileAtThePathNeverAReplacedOne) {
    TempDir dir;
    const std::string path = dir.File("a.pbo");
    const std::string next = dir.File("next");
    WriteWholeFile(path, "0");
    std::atomic<bool> done{false};
    std::thread replacer([&] {
        for (int round = 1; round <= 2000; ++round) {
            WriteWholeFile(next, std::to_string(round));
            const OpenResult held = OpenFile(path.c_str(), OpenMode::edit);
            if (held.handle == nullptr) continue;
            MoveFileOver(next.c_str(), path.c_str());
            CloseFile(held.handle);
        }
        done = true;
    });
    int stale = 0;
    while (!done) {
        const OpenResult held = OpenFile(path.c_str(), OpenMode::edit);
        if (held.handle == nullptr) continue;
        char bytes[16] = {};
        const Transfer read = ReadBytes(held.handle, bytes, sizeof bytes);
        stale += std::string(bytes, read.bytes) != ReadWholeFile(path);
        CloseFile(held.handle);
    }
    replacer.join();
    EXPECT_EQ(stale, 0);
}
#endif

// The folder a file lies in: where an edit's copy goes, and whose free space it asks for.
TEST(File, FolderOfNamesTheFolderAFileLiesIn) {
#if defined(_WIN32)
    const char* const cases[][2] = {
        {"a.pbo", "."},    {"C:a.pbo", "C:"},         {"C:\\a.pbo", "C:\\"},
        {"\\a.pbo", "\\"}, {"C:\\x\\a.pbo", "C:\\x"}, {"x/a.pbo", "x"}};
#else
    const char* const cases[][2] = {{"a.pbo", "."}, {"/a.pbo", "/"}, {"x/y/a.pbo", "x/y"}};
#endif
    for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << path;
}

TEST(File, OpenModesCreateAndRefuseAsNamed) {
    TempDir dir;
    const std::string path = dir.File("new.bin");
    EXPECT_EQ(OpenFile(path.c_str(), OpenMode::read).status, IoStatus::not_found);
    EXPECT_FALSE(PathExists(path.c_str()));
    OpenResult created = OpenFile(path.c_str(), OpenMode::create_new);
    ASSERT_NE(created.handle, nullptr);
    EXPECT_EQ(WriteBytes(created.handle, "abcdef", 6).bytes, 6u);
    CloseFile(created.handle);
    EXPECT_TRUE(PathExists(path.c_str()));
    EXPECT_EQ(OpenFile(path.c_str(), OpenMode::create_new).status, IoStatus::already_exists);

    OpenResult kept = OpenFile(path.c_str(), OpenMode::open_always);
    ASSERT_NE(kept.handle, nullptr);
    EXPECT_EQ(FileSize32(kept.handle).size, 6u);
    CloseFile(kept.handle);
    OpenResult replaced = OpenFile(path.c_str(), OpenMode::create_always);
    ASSERT_NE(replaced.handle, nullptr);
    EXPECT_EQ(FileSize32(replaced.handle).size, 0u);
    CloseFile(replaced.handle);
    OpenResult missing = OpenFile(dir.File("fresh.bin").c_str(), OpenMode::open_always);
    ASSERT_NE(missing.handle, nullptr);
    CloseFile(missing.handle);
    EXPECT_TRUE(PathExists(dir.File("fresh.bin").c_str()));
#if !defined(_WIN32)
    // A status the backend decides itself (a pipe is no file) carries no older system code.
    EXPECT_EQ(OpenFile(dir.path.c_str(), OpenMode::read_write).status, IoStatus::not_regular);
    EXPECT_NE(SystemErrorFor(IoStatus::not_regular), 0);
    ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
    EXPECT_EQ(OpenFile(dir.File("pipe").c_str(), OpenMode::read).status, IoStatus::not_regular);
    EXPECT_EQ(SystemErrorFor(IoStatus::not_regular), 0);
    ReadAheadFile(dir.File("pipe").c_str());  // a hint: never waits for the pipe's writer
#endif
}

TEST(File, ShortReadSaysTruncatedAndKeepsTheRestOfTheBuffer) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    WriteWholeFile(path, "abc");
    OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    ASSERT_NE(file.handle, nullptr);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    const Transfer got = ReadBytes(file.handle, buffer, 8);
    EXPECT_EQ(got.bytes, 3u);
    EXPECT_EQ(got.status, IoStatus::truncated);
    EXPECT_EQ(std::string(buffer, 8), "abcxxxxx");
    EXPECT_EQ(ReadBytes(file.handle, buffer, 1).bytes, 0u);
    CloseFile(file.handle);
}

TEST(File, SeeksAndCutsAtThePosition) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    WriteWholeFile(path, "0123456789");
    OpenResult file = OpenFile(path.c_str(), OpenMode::read_write);
    ASSERT_NE(file.handle, nullptr);
    EXPECT_EQ(SeekTo(file.handle, 4), IoStatus::ok);
    EXPECT_EQ(SeekBy(file.handle, 2), IoStatus::ok);
    EXPECT_EQ(CurrentPosition(file.handle), 6u);
    EXPECT_EQ(SeekBy(file.handle, -3), IoStatus::ok);
    EXPECT_EQ(CurrentPosition(file.handle), 3u);
    EXPECT_EQ(WriteBytes(file.handle, "X", 1).bytes, 1u);
    EXPECT_EQ(SetEndOfFileHere(file.handle), IoStatus::ok);
    EXPECT_EQ(FileSize32(file.handle).size, 4u);
    CloseFile(file.handle);
    EXPECT_EQ(ReadWholeFile(path), "012X");
}

TEST(File, MapsWholeFilesAndLengthensForLargerWritableMaps) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    WriteWholeFile(path, "hello");
    OpenResult file = OpenFile(path.c_str(), OpenMode::read_write);
    ASSERT_NE(file.handle, nullptr);
    Mapping map = MapFile(file.handle, MapAccess::read_write, 8);
    ASSERT_EQ(map.status, IoStatus::ok);
    ASSERT_EQ(map.size, 8u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(map.data), 5), "hello");
    std::memcpy(map.data + 5, "!!!", 3);
    UnmapFile(map);
    EXPECT_EQ(FileSize32(file.handle).size, 8u);
    CloseFile(file.handle);
    EXPECT_EQ(ReadWholeFile(path), "hello!!!");

    OpenResult reader = OpenFile(path.c_str(), OpenMode::read);
    Mapping view = MapFile(reader.handle, MapAccess::read_only, 0);
    ASSERT_EQ(view.status, IoStatus::ok);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(view.data), view.size), "hello!!!");
    UnmapFile(view);
    CloseFile(reader.handle);
}

TEST(File, EmptyFileMapsToNoView) {
    TempDir dir;
    const std::string path = dir.File("empty.bin");
    WriteWholeFile(path, "");
    OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    Mapping map = MapFile(file.handle, MapAccess::read_only, 0);
    EXPECT_EQ(map.status, IoStatus::ok);
    EXPECT_EQ(map.data, nullptr);
    EXPECT_EQ(map.size, 0u);
    UnmapFile(map);
    CloseFile(file.handle);
}

TEST(File, CreationTimeIsRecent) {
    TempDir dir;
    const std::string path = dir.File("a.bin");
    WriteWholeFile(path, "x");
    OpenResult file = OpenFile(path.c_str(), OpenMode::read);
    const TimeResult created = FileCreationTime(file.handle);
    CloseFile(file.handle);
    ASSERT_EQ(created.status, IoStatus::ok);
    CalendarTime time{};
    ASSERT_TRUE(FileTimeToCalendar(created.filetime, time));
    EXPECT_GE(time.year, 2024);
}

TEST(File, FileTimeToCalendarGivesUtcFields) {
    CalendarTime time{};
    // 1970-01-01 00:00:00 and 2000-02-29 12:34:56, as FILETIMEs.
    ASSERT_TRUE(FileTimeToCalendar(116444736000000000ull, time));
    EXPECT_EQ(time.year, 1970);
    EXPECT_EQ(time.month, 1);
    EXPECT_EQ(time.day, 1);
    EXPECT_EQ(time.hour, 0);
    ASSERT_TRUE(FileTimeToCalendar(116444736000000000ull + 951827696ull * 10000000ull, time));
    EXPECT_EQ(time.year, 2000);
    EXPECT_EQ(time.month, 2);
    EXPECT_EQ(time.day, 29);
    EXPECT_EQ(time.hour, 12);
    EXPECT_EQ(time.minute, 34);
    EXPECT_EQ(time.second, 56);
    ASSERT_TRUE(FileTimeToCalendar(0, time));
    EXPECT_EQ(time.year, 1601);
    EXPECT_EQ(time.month, 1);
    EXPECT_EQ(time.day, 1);
}

}  // namespace
}  // namespace qp

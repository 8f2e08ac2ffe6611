// The real plugin module packs folder trees the way the file manager hands them over.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/plugin_test.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/temp_dir.h"
#include "host/wcx_host_driver.h"

namespace qp {
namespace {

namespace fs = std::filesystem;
using host::ProgressReport;
using test::ContentFor;
using test::ReadWholeFile;
using test::WriteWholeFile;

std::uint32_t Little32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// An entry as the archive bytes hold it, read here independently of the plugin.
struct StoredEntry {
    std::string name;
    std::uint32_t method;
    std::int32_t timestamp;
    std::string data;
};

struct ParsedArchive {
    std::string extension;  // the extension's strings, as bytes
    std::vector<StoredEntry> entries;
    std::size_t data_start;
    std::string rest;  // what follows the data area
};

ParsedArchive Parse(const std::string& bytes) {
    ParsedArchive parsed{};
    std::size_t at = 0;
    auto next_string = [&] {
        const std::string text(bytes.c_str() + at);
        at += text.size() + 1;
        return text;
    };
    if (bytes[0] == '\0') {
        at = 21;
        const std::size_t strings = at;
        while (!next_string().empty()) {
        }
        parsed.extension = bytes.substr(strings, at - strings);
    }
    std::vector<std::uint32_t> sizes;
    for (std::string name = next_string(); !name.empty(); name = next_string()) {
        parsed.entries.push_back(
            {name, Little32(bytes, at), static_cast<std::int32_t>(Little32(bytes, at + 12)), ""});
        sizes.push_back(Little32(bytes, at + 16));
        at += 20;
    }
    at += 20;
    parsed.data_start = at;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        parsed.entries[i].data = bytes.substr(at, sizes[i]);
        at += sizes[i];
    }
    parsed.rest = bytes.substr(at);
    return parsed;
}

std::int32_t CreationTime(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME created{};
    GetFileTime(file, &created, nullptr, nullptr);
    CloseHandle(file);
    const std::int64_t ticks = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime);
    return static_cast<std::int32_t>((ticks - 116444736000000000LL) / 10000000);
}

class HostPackTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        src_ = (fs::path(dir_.path) / "tree").make_preferred().string() + "\\";
        files_ = {{"a.txt", "first file"},
                  {"sub\\b.txt", ""},
                  {"sub\\deeper\\c.bin", ContentFor("c", 3000)}};
        for (const auto& [item, bytes] : files_) {
            fs::create_directories(fs::path(src_ + item).parent_path());
            WriteWholeFile(src_ + item, bytes);
        }
        fs::create_directories(src_ + "empty");
    }
    // Packs the whole tree; checks the host's add list and the reports along the way.
    void PackTree(const std::string& archive, const char* sub_path) {
        const std::vector<std::string> items = host::AddListFor(src_);
        const std::vector<std::string> expected_items = {
            "a.txt", "empty\\", "sub\\", "sub\\b.txt", "sub\\deeper\\", "sub\\deeper\\c.bin"};
        ASSERT_EQ(items, expected_items);
        std::vector<ProgressReport> reports;
        ASSERT_EQ(host::PackFiles(plugin_, archive, sub_path, src_, items, reports), 0);
        const std::string prefix = std::string("Packing - ") + (sub_path ? sub_path : "");
        const std::string joint = sub_path ? "\\" : "";
        ASSERT_EQ(reports.size(), 3u);
        EXPECT_EQ(reports[0].name, prefix + joint + "a.txt");
        EXPECT_EQ(reports[0].size, -16);
        EXPECT_EQ(reports[1].name, prefix + joint + "sub\\b.txt");
        EXPECT_EQ(reports[1].size, -33);  // folders count as items, but are never done
        EXPECT_EQ(reports[2].name, prefix + joint + "sub\\deeper\\c.bin");
        EXPECT_EQ(reports[2].size, -50);
    }

    // The entries the tree adds, named under `sub_path` when given.
    void ExpectTreeEntries(const std::vector<StoredEntry>& entries, const std::string& sub_path) {
        ASSERT_EQ(entries.size(), files_.size());
        for (std::size_t i = 0; i < files_.size(); ++i) {
            const auto& [item, bytes] = files_[i];
            EXPECT_EQ(entries[i].name, sub_path + item);
            EXPECT_EQ(entries[i].method, 0u);
            EXPECT_EQ(entries[i].timestamp, CreationTime(src_ + item));
            EXPECT_TRUE(entries[i].data == bytes) << item;
        }
    }

    std::string src_;
    std::vector<std::pair<std::string, std::string>> files_;
};

TEST_F(HostPackTest, PacksAFolderTreeIntoANewArchive) {
    const std::string archive = dir_.File("new.pbo");
    PackTree(archive, nullptr);
    const ParsedArchive parsed = Parse(ReadWholeFile(archive));
    EXPECT_EQ(parsed.extension, std::string(1, '\0'));  // "ArmA PBO" with no prefix
    ExpectTreeEntries(parsed.entries, "");
    EXPECT_TRUE(test::EndsInDigestTrailer(ReadWholeFile(archive)));

    std::vector<host::ListedEntry> listed;
    EXPECT_EQ(host::ListArchive(plugin_, archive, listed), E_END_ARCHIVE);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[2].name, "sub\\deeper\\c.bin");
    EXPECT_EQ(listed[2].unp_size, 3000);
}

TEST_F(HostPackTest, PacksIntoAnArchiveWrittenByAnotherTool) {
    const std::string sample = ReadWholeFile(QUILLPACK_SAMPLES_DIR "/addon.pbo");
    ASSERT_EQ(sample.size(), 10066u);
    const std::string archive = dir_.File("addon.pbo");
    WriteWholeFile(archive, sample);
    PackTree(archive, "extra");
    const std::string after = ReadWholeFile(archive);
    const ParsedArchive before = Parse(sample);
    const ParsedArchive parsed = Parse(after);
    // The old header stays byte for byte up to its end-of-header entry, the new entries follow
    // it, the old data area keeps its bytes in front of the new data, and the trailer now holds
    // the SHA-1 of the archive.
    const std::size_t old_header_end = before.data_start - 21;
    EXPECT_EQ(after.substr(0, old_header_end), sample.substr(0, old_header_end));
    EXPECT_EQ(parsed.extension, before.extension);
    ASSERT_EQ(parsed.entries.size(), 8u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(parsed.entries[i].name, before.entries[i].name);
        EXPECT_TRUE(parsed.entries[i].data == before.entries[i].data) << i;
    }
    ExpectTreeEntries({parsed.entries.begin() + 5, parsed.entries.end()}, "extra\\");
    EXPECT_TRUE(test::EndsInDigestTrailer(after));
    EXPECT_EQ(after.size(), sample.size() + 3 * 21 + std::strlen("extra\\a.txt") +
                                std::strlen("extra\\sub\\b.txt") +
                                std::strlen("extra\\sub\\deeper\\c.bin") + 10 + 3000);

    std::vector<host::ListedEntry> listed;
    EXPECT_EQ(host::ListArchive(plugin_, archive, listed), E_END_ARCHIVE);
    ASSERT_EQ(listed.size(), 8u);
    EXPECT_EQ(listed[0].name, "config.cpp");
    EXPECT_EQ(listed[5].name, "extra\\a.txt");
}

TEST_F(HostPackTest, PackingTheTreeAgainReplacesEveryEntry) {
    const std::string archive = dir_.File("again.pbo");
    PackTree(archive, nullptr);
    const std::string first = ReadWholeFile(archive);
    PackTree(archive, nullptr);
    EXPECT_EQ(ReadWholeFile(archive), first);
}

}  // namespace
}  // namespace qp

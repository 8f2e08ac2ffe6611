// The Unicode functions, detection by content, remembered settings and operations on several
// threads at once, called directly as a host calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "editing/pack_sources.h"
#include "plugin/plugin_settings.h"
#include "plugin/unicode_text.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/digests.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

namespace fs = std::filesystem;
using test::ArchiveWith;
using test::BuildArchive;

// Hosts send and show folders with their own separator.
#if defined(_WIN32)
constexpr char16_t kSep = u'\\';
#else
constexpr char16_t kSep = u'/';
#endif

fs::path Path(const std::string& folder, const char8_t* name) {
    return fs::path(folder) / fs::path(name);
}

std::u16string Wide(const fs::path& path) {
    const std::u8string text = path.u8string();
    return Utf16FromUtf8(std::string(text.begin(), text.end()));
}

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// A host file list of the items, each closed by its NUL, the list by an empty item.
std::u16string List(const std::vector<std::u16string>& items) {
    std::u16string list;
    for (const std::u16string& item : items) list += item + u'\0';
    return list + u'\0';
}

std::u16string Joined(std::u16string folder, const std::u16string& name) {
    return folder + kSep + name;
}

// Lists through OpenArchiveW and ReadHeaderExW; with `extract_to`, extracts every entry there
// through ProcessFileW (folders made first) and checks each call.
std::vector<std::u16string> ListW(const fs::path& archive, const fs::path* extract_to = nullptr) {
    std::u16string name = Wide(archive);
    tOpenArchiveDataW open{};
    open.ArcName = name.data();
    open.OpenMode = extract_to != nullptr ? PK_OM_EXTRACT : PK_OM_LIST;
    void* handle = OpenArchiveW(&open);
    EXPECT_NE(handle, nullptr);
    if (handle == nullptr) return {};
    std::vector<std::u16string> names;
    auto header = std::make_unique<tHeaderDataExW>();
    while (ReadHeaderExW(handle, header.get()) == 0) {
        names.emplace_back(header->FileName);
        if (extract_to == nullptr) continue;
        const fs::path target = *extract_to / fs::path(header->FileName);
        fs::create_directories(target.parent_path());
        std::u16string wide_target = Wide(target);
        // Windows takes no path of 260 UTF-16 units or more.
        EXPECT_EQ(ProcessFileW(handle, PK_EXTRACT, nullptr, wide_target.data()),
                  wide_target.size() < 260 ? 0 : E_ECREATE);
    }
    EXPECT_EQ(CloseArchive(handle), 0);
    return names;
}

TEST(UnicodeExports, PackListExtractAndDeleteUnderCyrillicAndCjkNames) {
    test::TempDir dir;
    const fs::path root = Path(dir.path, u8"Моды 模组");
    Write(root / u8"src" / u8"скрипты" / u8"функция.sqf", "hint 1;");
    Write(root / u8"src" / u8"文本😀.txt", "text");
    const fs::path archive = root / u8"аддон.pbo";
    std::u16string packed = Wide(archive);
    std::u16string source = Wide(root / u8"src") + kSep;
    std::u16string list = List(
        {u"скрипты" + std::u16string(1, kSep), Joined(u"скрипты", u"функция.sqf"), u"文本😀.txt"});
    ASSERT_EQ(PackFilesW(packed.data(), nullptr, source.data(), list.data(), 0), 0);

    // The archive holds the names as UTF-8.
    const std::string bytes = Read(archive);
    EXPECT_NE(bytes.find(reinterpret_cast<const char*>(u8"скрипты\\функция.sqf")),
              std::string::npos);
    const fs::path out = root / u8"вывод";
    EXPECT_EQ(ListW(archive, &out),
              (std::vector<std::u16string>{Joined(u"скрипты", u"функция.sqf"), u"文本😀.txt"}));
    EXPECT_EQ(Read(out / u8"скрипты" / u8"функция.sqf"), "hint 1;");
    EXPECT_EQ(Read(out / u8"文本😀.txt"), "text");

    std::u16string removed = List({u"文本😀.txt"});
    ASSERT_EQ(DeleteFilesW(packed.data(), removed.data()), 0);
    EXPECT_EQ(ListW(archive), std::vector<std::u16string>{Joined(u"скрипты", u"функция.sqf")});
}

// Old tools wrote names in the Windows code page. Such a name shows as Windows-1252, and the
// host's answer in that form reaches the entry's own bytes: extracted, replaced, deleted. The
// older ANSI record cuts long names the extended ones carry whole.
TEST(UnicodeExports, NamesInAnOldCodePageShowAsWindows1252AndMapBack) {
    test::TempDir dir;
    const std::string long_name(300, 'n');
    test::TestArchive built = ArchiveWith(
        {{"caf\xE9.txt", 3}, {"dossier\x80\\a.txt", 4}, {"plain.txt", 5}, {long_name, 1}});
    const fs::path archive = Path(dir.path, u8"old.pbo");
    Write(archive, BuildArchive(built));
    const fs::path out = Path(dir.path, u8"out");
    EXPECT_EQ(ListW(archive, &out),
              (std::vector<std::u16string>{u"café.txt", Joined(u"dossier€", u"a.txt"), u"plain.txt",
                                           Utf16FromUtf8(long_name)}));
    EXPECT_EQ(Read(out / u8"café.txt"), built.entries[0].data);

    std::string ansi_name = archive.string();
    tOpenArchiveData open{ansi_name.data(), PK_OM_LIST, 0, nullptr, 0, 0, 0};
    void* handle = OpenArchive(&open);
    ASSERT_NE(handle, nullptr);
    tHeaderData header{};
    for (int i = 0; i < 4; ++i) ASSERT_EQ(ReadHeader(handle, &header), 0);
    EXPECT_EQ(std::string(header.FileName), std::string(259, 'n'));
    EXPECT_EQ(CloseArchive(handle), 0);
    // UTF-16 is cut to its buffer with room for the NUL: never a unit past it, nor in a pair.
    char16_t cut[1025];
    cut[1024] = u'#';
    Utf16FromUtf8(std::string(1020, 'n') + "\xF0\x9F\x98\x80tail", cut, 1024);
    EXPECT_EQ(cut[1024], u'#');
    EXPECT_EQ(std::u16string(cut), std::u16string(1020, u'n') + u"\U0001F600t");

    Write(Path(dir.path, u8"src") / u8"café.txt", "new");
    std::u16string packed = Wide(archive);
    std::u16string source = Wide(Path(dir.path, u8"src")) + kSep;
    std::u16string list = List({u"café.txt"});
    ASSERT_EQ(PackFilesW(packed.data(), nullptr, source.data(), list.data(), 0), 0);
    EXPECT_NE(Read(archive).find("caf\xE9.txt"), std::string::npos);
    fs::remove_all(out);
    EXPECT_EQ(ListW(archive, &out).size(), 4u);
    EXPECT_EQ(Read(out / u8"café.txt"), "new");

    std::u16string removed = List({Joined(u"dossier€", u"*.*"), u"café.txt"});
    ASSERT_EQ(DeleteFilesW(packed.data(), removed.data()), 0);
    EXPECT_EQ(ListW(archive),
              (std::vector<std::u16string>{u"plain.txt", Utf16FromUtf8(long_name)}));
}

TEST(UnicodeExports, DetectionByContentKnowsAPboUnderAnyNameAndNothingElse) {
    test::TempDir dir;
    const std::string pbo = BuildArchive(ArchiveWith({{"config.cpp", 40}}));
    test::TestArchive bare = ArchiveWith({{"mission.sqm", 10}});
    bare.extension = false;
    const std::pair<const char8_t*, std::string> files[] = {
        {u8"addon.pbo.bak", pbo},
        {u8"миссия", BuildArchive(bare)},
        {u8"empty", ""},
        {u8"zeros", std::string(64, '\0')},
        {u8"notes.txt", "a text file\nwith lines\n"},
        {u8"archive.zip", std::string("PK\x03\x04\x14\0\0\0", 8) + std::string(60, 'z')},
        // A first name that is text, but a record of no packing method.
        {u8"photo.jpg", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11) + std::string(60, 'j')},
        {u8"cut.pbo", pbo.substr(0, 30)},
    };
    for (const auto& [name, bytes] : files) {
        const fs::path path = Path(dir.path, name);
        Write(path, bytes);
        const bool expected = bytes == pbo || name == std::u8string_view(u8"миссия");
        std::u16string wide = Wide(path);
        EXPECT_EQ(CanYouHandleThisFileW(wide.data()) != 0, expected) << path.string();
    }
    std::string ansi = Path(dir.path, u8"addon.pbo.bak").string();
    EXPECT_NE(CanYouHandleThisFile(ansi.data()), 0);
    std::u16string missing = Wide(Path(dir.path, u8"missing.pbo"));
    EXPECT_EQ(CanYouHandleThisFileW(missing.data()), 0);
    EXPECT_NE(GetPackerCaps() & PK_CAPS_BY_CONTENT, 0);
}

// The type and prefix live in a [quillpack] section of the host's ini file, beside its others;
// in_place=1, which the dialog never writes, is read and kept.
TEST(HostSettings, NewArchivesFollowTheIniFileAndWritingItKeepsTheRest) {
    test::TempDir dir;
    const std::string ini = dir.File("host.ini");
    test::WriteWholeFile(ini,
                         "[other]\ntype=7\n[quillpack]\ntype=0\nprefix=addons\\kept\nin_place=1\n");
    PackDefaultParamStruct params{};
    params.size = sizeof params;
    std::snprintf(params.DefaultIniName, sizeof params.DefaultIniName, "%s", ini.c_str());
    PackSetDefaultParams(&params);
    EXPECT_TRUE(EditInPlaceChosen());

    test::WriteWholeFile(dir.File("a.txt"), "a");
    std::string archive = dir.File("new.pbo");
    std::string source = dir.path + static_cast<char>(kSep);
    std::string list("a.txt\0", 7);
    ASSERT_EQ(::PackFiles(archive.data(), nullptr, source.data(), list.data(), 0), 0);
    EXPECT_NE(test::ReadWholeFile(archive).find(std::string("prefix\0addons\\kept\0", 19)),
              std::string::npos);

    // What the dialog's OK stores is written back into the section; the other sections stay.
    {
        const std::lock_guard<std::mutex> hold(plugin_settings_lock);
        plugin_settings.pbo_type = kPboTypeOfp;
        std::snprintf(plugin_settings.prefix, kPrefixBufferSize, "x\\y");
    }
    ASSERT_TRUE(RememberSettings());
    std::string written = test::ReadWholeFile(ini);
    std::erase(written, '\r');  // Windows writes its own line ends
    EXPECT_EQ(written,
              "[other]\ntype=7\n[quillpack]\ntype=1\nprefix=x\\y\nin_place=1\n"
              "sign_key=\nsign_version=3\n");

    // A missing ini file leaves the settings as they are; back to the defaults for other tests.
    const std::string unreadable = dir.File("missing") + "/host.ini";
    std::snprintf(params.DefaultIniName, sizeof params.DefaultIniName, "%s", unreadable.c_str());
    PackSetDefaultParams(&params);
    EXPECT_EQ(NewArchiveSettingsChosen().pbo_type, kPboTypeOfp);
    test::WriteWholeFile(ini, "[quillpack]\ntype=0\nprefix=\n");
    std::snprintf(params.DefaultIniName, sizeof params.DefaultIniName, "%s", ini.c_str());
    PackSetDefaultParams(&params);
    EXPECT_EQ(NewArchiveSettingsChosen().prefix, "");
    EXPECT_FALSE(EditInPlaceChosen());
}

// Sets the plugin's settings from an ini file holding `section`'s lines.
void LoadIni(const test::TempDir& dir, const std::string& section) {
    const std::string ini = dir.File("host.ini");
    test::WriteWholeFile(ini, "[quillpack]\n" + section);
    PackSetDefaultParams(nullptr);
    PackDefaultParamStruct params{};
    params.size = sizeof params;
    std::snprintf(params.DefaultIniName, sizeof params.DefaultIniName, "%s", ini.c_str());
    PackSetDefaultParams(&params);
}

// The signing table the tool runs too: with sign_key in the ini file, every packing and deletion
// through the exports leaves the reference signature beside the archive, the same bytes as the
// tool's; where it cannot be signed (no key, an unsorted archive, no trailer) the edit still
// succeeds and no signature of that authority (the key file's name, when it cannot be read) is
// left. A row without an edit deletes nothing. A packing signs the archive as it is first, then
// names a file after its own that cannot be opened: the edit fails, the file before it is packed
// and the signature is made again all the same.
TEST(HostSettings, EditedArchivesAreSignedWithTheKeyOfTheIniFile) {
    const std::string samples = QUILLPACK_SAMPLES_DIR;
    std::istringstream table(test::ReadWholeFile(samples + "/signing.tsv"));
    std::string line;
    std::getline(table, line);  // the column names
    while (std::getline(table, line)) {
        SCOPED_TRACE(line);
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
        ASSERT_EQ(cells.size(), 5u);
        const std::string& edit = cells[2];
        test::TempDir dir;
        std::string path = dir.File("a.pbo");
        std::string bytes = test::ReadWholeFile(samples + "/" + cells[1]);
        if (edit == "cut-trailer") bytes.resize(bytes.size() - 21);
        test::WriteWholeFile(path, bytes);
        const std::string signature = path + "." + cells[0] + ".bisign";
        test::WriteWholeFile(signature, "stale");
        LoadIni(dir, "sign_key=" + samples + "/" + cells[0] +
                         ".biprivatekey\nsign_version=" + cells[3] + "\n");
        const std::string name = edit.substr(edit.find(' ') + 1);
        std::string list = edit.find(' ') != std::string::npos ? name + '\0' + '\0' : "\0";
        if (edit.starts_with("pack")) {
            test::WriteWholeFile(dir.File(name), name);
            std::string source = dir.path + static_cast<char>(kSep);
            std::string nothing(1, '\0');
            EXPECT_EQ(DeleteFiles(path.data(), nothing.data()), 0);
            list = name + '\0' + "missing.txt" + '\0' + '\0';
            EXPECT_EQ(::PackFiles(path.data(), nullptr, source.data(), list.data(), 0), E_EOPEN);
        } else {
            EXPECT_EQ(DeleteFiles(path.data(), list.data()), 0);
        }
        if (cells[4].size() == 64) {
            EXPECT_EQ(test::Sha256Hex(test::ReadWholeFile(signature)), cells[4]);
        } else {
            EXPECT_FALSE(test::FileExists(signature));
        }
    }
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    plugin_settings = PluginSettings{};
}

// A new archive has its entries sorted by name ignoring case, whatever the order of the host's
// list: byte for byte what the tool writes from the same files with the same prefix.
TEST(HostSettings, NewArchivesAreTheToolsWhateverTheOrderOfTheFiles) {
    test::TempDir dir;
    LoadIni(dir, "type=0\nprefix=x\\mod\n");
    const std::vector<std::string> names = {"b.sqf", "A_b.txt", "a.txt", "Data\\Tex.paa", "data0"};
    std::vector<SourceFile> files;
    for (const std::string& name : names) {
        Write(fs::path(dir.File("src")) / fs::path(name).make_preferred(), name);
        files.push_back({name, (fs::path(dir.File("src")) / name).make_preferred().string()});
    }
    Progress progress;
    const NewArchiveSettings tool{kPboTypeOwnPairs, {}, {{"prefix", "x\\mod"}}};
    const std::string by_tool = dir.File("tool.pbo");
    ASSERT_EQ(PackSources(by_tool.c_str(), files, {tool, 5, true}, progress).outcome, Outcome::ok);
    std::string source = dir.File("src") + static_cast<char>(kSep);
    for (const std::vector<int>& order : {std::vector{0, 1, 2, 3, 4}, std::vector{4, 3, 2, 1, 0}}) {
        std::string list;
        for (int i : order) list += fs::path(names[i]).make_preferred().string() + '\0';
        list += '\0';
        std::string archive = dir.File("plugin" + std::to_string(order[0]) + ".pbo");
        ASSERT_EQ(::PackFiles(archive.data(), nullptr, source.data(), list.data(), 0), 0);
        EXPECT_TRUE(test::ReadWholeFile(archive) == test::ReadWholeFile(by_tool));
    }
    const std::lock_guard<std::mutex> hold(plugin_settings_lock);
    plugin_settings = PluginSettings{};
}

// Two extractions and a packing on three threads at once, each reporting to its own callback.
thread_local int reports_on_this_thread = 0;
int WCX_CALL CountReport(char*, int) {
    ++reports_on_this_thread;
    return 1;
}

TEST(BackgroundOperations, TwoExtractionsAndAPackingRunAtOnce) {
    EXPECT_EQ(GetBackgroundFlags(), BACKGROUND_UNPACK | BACKGROUND_PACK);
    test::TempDir dir;
    std::vector<test::TestArchive> archives(2);
    std::vector<std::pair<std::string, std::string>> expected;  // extracted name and content
    for (int a = 0; a < 2; ++a) {
        for (int i = 0; i < 40; ++i) {
            const std::string name =
                std::string("a").append(std::to_string(a)) + "_" + std::to_string(i) + ".txt";
            const std::string content = test::ContentFor(name, 20000 + i);
            archives[a].entries.push_back(i % 4 == 0 ? test::LzssEntry(name, content)
                                                     : test::TestEntry{name, content});
            expected.emplace_back("out" + std::to_string(a) + "_" + name, content);
        }
        test::WriteWholeFile(dir.File("in" + std::to_string(a) + ".pbo"),
                             BuildArchive(archives[a]));
    }
    std::string list;
    for (int i = 0; i < 60; ++i) {
        const std::string name = std::string("p").append(std::to_string(i)) + ".bin";
        Write(fs::path(dir.File("src")) / name, test::ContentFor(name, 50000));
        list += name + '\0';
    }
    list += '\0';

    int results[3] = {-1, -1, -1};
    int reports[3] = {0, 0, 0};
    auto extract = [&](int a) {
        std::string path = dir.File("in" + std::to_string(a) + ".pbo");
        tOpenArchiveData open{path.data(), PK_OM_EXTRACT, 0, nullptr, 0, 0, 0};
        void* handle = OpenArchive(&open);
        if (handle == nullptr) return;
        SetProcessDataProc(handle, CountReport);
        tHeaderData header{};
        int failed = 0;
        for (int i = 0; ReadHeader(handle, &header) == 0; ++i) {
            std::string target = dir.File("out" + std::to_string(a) + "_" + header.FileName);
            failed += ProcessFile(handle, PK_EXTRACT, nullptr, target.data()) != 0;
        }
        results[a] = failed + CloseArchive(handle);
        reports[a] = reports_on_this_thread;
    };
    auto pack = [&] {
        std::string archive = dir.File("packed.pbo");
        std::string source = dir.File("src") + static_cast<char>(kSep);
        SetProcessDataProc(reinterpret_cast<void*>(-1), CountReport);
        results[2] = ::PackFiles(archive.data(), nullptr, source.data(), list.data(), 0);
        reports[2] = reports_on_this_thread;
    };
    std::thread first(extract, 0), second(extract, 1), third(pack);
    first.join(), second.join(), third.join();

    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    EXPECT_EQ(results[2], 0);
    EXPECT_GT(reports[0], 0);
    EXPECT_GT(reports[2], 0);
    for (const auto& [name, content] : expected) {
        EXPECT_TRUE(test::ReadWholeFile(dir.File(name)) == content) << name;
    }
    const fs::path packed = fs::path(dir.File("packed.pbo"));
    const fs::path out = fs::path(dir.File("check"));
    EXPECT_EQ(ListW(packed, &out).size(), 60u);
    for (int i = 0; i < 60; ++i) {
        const std::string name = std::string("p").append(std::to_string(i)) + ".bin";
        EXPECT_TRUE(Read(out / name) == test::ContentFor(name, 50000)) << name;
    }
}

}  // namespace
}  // namespace qp

// The command-line tool keeps extraction inside its target folder, names entries with
// backslashes, reads and writes the header pair files, and shows names safely.
#include "cli/entry_paths.h"

#include <gtest/gtest.h>

#include "cli/header_files.h"
#include "cli/name_patterns.h"
#include "cli/name_text.h"
#include "cli/options.h"
#include "cli/text_format.h"

namespace qp::cli {
namespace {

TEST(EntryPaths, RefusesNamesThatLeaveTheFolder) {
    EXPECT_EQ(UnsafeEntryReason("data\\icon.paa"), "");
    EXPECT_EQ(UnsafeEntryReason("a..b\\..c"), "");
    EXPECT_NE(UnsafeEntryReason(".."), "");
    EXPECT_NE(UnsafeEntryReason("data\\..\\..\\evil"), "");
    EXPECT_NE(UnsafeEntryReason("data/../evil"), "");
    EXPECT_NE(UnsafeEntryReason("\\windows\\evil"), "");
    EXPECT_NE(UnsafeEntryReason("/etc/evil"), "");
    EXPECT_NE(UnsafeEntryReason("C:evil"), "");
    EXPECT_NE(UnsafeEntryReason("c:\\evil"), "");
    EXPECT_NE(UnsafeEntryReason(""), "");
    EXPECT_NE(UnsafeEntryReason("a.b\\.\\c"), "");
}

// Windows writes device names to the device and drops trailing dots and spaces: either would
// write somewhere else than the entry's name says.
TEST(EntryPaths, RefusesWhatWindowsWouldNotWriteUnderTheName) {
    for (const char* unsafe :
         {"NUL", "nul.txt", "data\\Con.paa", "COM1.log", "lpt9", "aux .x", "conout$", "name.",
          "dir \\a.txt", "what?.txt", "a|b", "com\xC2\xB9.txt", "LPT\xB3"}) {
        EXPECT_NE(UnsafeEntryReason(unsafe, NameRules::windows), "") << unsafe;
        if (std::string_view(unsafe).find_first_of("?|") == std::string_view::npos) {
            EXPECT_EQ(UnsafeEntryReason(unsafe, NameRules::portable), "") << unsafe;
        }
    }
    for (const char* safe : {"console.txt", "nullable\\COM10", "lpt0", "COM\xC2\xB4", "CONFIG"}) {
        EXPECT_EQ(UnsafeEntryReason(safe, NameRules::windows), "") << safe;
    }
}

TEST(EntryPaths, MapsBackslashNamesToPathsAndBack) {
    EXPECT_EQ(NameParts("a\\b/\\c.txt"), (std::vector<std::string>{"a", "b", "c.txt"}));
    const std::filesystem::path folder = std::filesystem::path("out") / "dir";
    EXPECT_EQ(EntryNameFor(folder, folder / "a" / "b.txt"), "a\\b.txt");
    EXPECT_EQ(EntryNameFor(folder, std::filesystem::path("out") / "other.txt"), "");
    // A folder and a file given one relative, one absolute, or climbing out of the working
    // folder, are compared where they lie.
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(EntryNameFor(folder, here / "out" / "dir" / "c.txt"), "c.txt");
    EXPECT_EQ(EntryNameFor(here / "out", folder / "." / "d.txt"), "dir\\d.txt");
    const std::filesystem::path up = std::filesystem::path("..") / here.filename();
    EXPECT_EQ(EntryNameFor(up / "out", folder / "e.txt"), "dir\\e.txt");
    EXPECT_EQ(EntryNameFor(folder, up / "out" / "dir" / "f.txt"), "f.txt");
    EXPECT_EQ(EntryNameFor(std::filesystem::path("..") / "..", "g.txt"),
              here.parent_path().filename().string() + "\\" + here.filename().string() + "\\g.txt");
}

// Names are typed with either separator and in any case; `*` stays within a part, `**` spans
// parts, none included; excludes without a separator match a name at any depth and take a
// folder's contents. Six `**` over 121 parts would take a backtracking matcher for ever.
TEST(NamePatterns, MatchAsTypedAndExcludeFoldersWhole) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
        bool excludes;
    };
    std::string deep;
    for (int i = 0; i < 120; ++i) deep += "a\\";
    const std::string deep_zz = deep + "zz";
    const std::string deep_zy = deep + "zy";
    for (const Case& c : std::vector<Case>{{"textures/*.paa", "Textures\\Icon.PAA", true, true},
                                           {"textures/*.paa", "textures\\a\\b.paa", false, false},
                                           {"**/*.bak", "a.bak", true, true},
                                           {"**/*.bak", "x\\y\\a.bak", true, true},
                                           {"*.bak", "x\\a.bak", false, true},
                                           {"fn_?.sqf", "FN_A.sqf", true, true},
                                           {"fn_?.sqf", "fn_ab.sqf", false, false},
                                           {"a*b*c", "aXbYbZc", true, true},
                                           {"docs", "docs\\dev.txt", false, true},
                                           {"docs/", "docs", true, false},
                                           {"/docs", "sub\\docs\\a", false, false},
                                           {"functions/**", "functions\\ai\\a.sqf", true, true},
                                           {"functions/**", "functions", true, true},
                                           {"a/**/b", "a\\b", true, true},
                                           {"a/**/b", "A\\x\\y\\B", true, true},
                                           {"a/**/b", "a\\x\\b\\c", false, true},
                                           {"a/**/b", "a\\bb", false, false},
                                           {"**/b/**", "x\\b", true, true},
                                           {"*/*", "a\\b\\c", false, true},
                                           {"**/**/**/**/**/**/zz", deep_zz.c_str(), true, true},
                                           {"**/**/**/**/**/**/zz", deep_zy.c_str(), false, false},
                                           {"a**", "abc\\d", false, true}}) {
        EXPECT_EQ(MatchesPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
        EXPECT_EQ(Excluded({c.pattern}, c.name, false), c.excludes) << c.pattern << " " << c.name;
    }
    EXPECT_TRUE(Excluded({"docs/"}, "docs", true));
    // A name in two forms, a folder in both of its forms, a name and its folder: each operand that
    // picks is marked. Exact bytes are compared as stored: `/` there is no `\`.
    NamePicker picker =
        PickerFor({"Data/", "x/Y.txt", "*.none", "X\\y.txt", "data\\*.*", "**/B.txt", "x/"},
                  {"caf\xE9", "a/b"});
    EXPECT_TRUE(Picks(picker, "data\\a\\b.txt"));
    EXPECT_TRUE(Picks(picker, "X\\y.TXT"));
    EXPECT_FALSE(Picks(picker, "datax.txt"));
    EXPECT_TRUE(Picks(picker, "CAF\xE9"));
    EXPECT_FALSE(Picks(picker, "a\\b"));
    const std::vector<Unpicked> unpicked = UnpickedNames(picker);
    ASSERT_EQ(unpicked.size(), 2u);
    EXPECT_EQ(unpicked[0].name + ": " + unpicked[0].reason, "*.none: no entry matches");
    EXPECT_EQ(unpicked[1].name + ": " + unpicked[1].reason, "a/b: not in the archive");
    std::vector<std::string> patterns;
    std::string error;
    EXPECT_TRUE(PatternsFromIgnoreFile("# dev\r\n\n  *.md \r\n", patterns, error));
    EXPECT_EQ(patterns, (std::vector<std::string>{"*.md"}));
    EXPECT_FALSE(PatternsFromIgnoreFile("*.md\n!keep.md\n", patterns, error));
}

TEST(HeaderFiles, ReadThePrefixInEveryAcceptedForm) {
    bool more = false;
    EXPECT_EQ(PrefixFromFile("x\\y", more), "x\\y");
    EXPECT_FALSE(more);
    EXPECT_EQ(PrefixFromFile("\xEF\xBB\xBF\r\n  \\x\\y \r\n", more), "x\\y");
    EXPECT_FALSE(more);
    EXPECT_EQ(PrefixFromFile("Prefix = \\\\x\\y\nversion=2\n", more), "x\\y");
    EXPECT_TRUE(more);
    EXPECT_EQ(PrefixFromFile("", more), "");
}

TEST(HeaderFiles, PairsGoOutAndComeBackInTheirOrder) {
    const ExtensionPairs pairs = {{"version", "1.2"},
                                  {"author", "a = b"},
                                  {"odd key ", "x"},
                                  {"product", "two\nlines"},
                                  {"hash", "0f"}};
    std::vector<std::string> unwritable;
    const std::string text = PairsFileText(pairs, unwritable);
    EXPECT_EQ(text, "version=1.2\nauthor=a = b\nhash=0f\n");
    EXPECT_EQ(unwritable, (std::vector<std::string>{"odd key ", "product"}));
    ExtensionPairs read;
    std::string error;
    ASSERT_TRUE(PairsFromFile("\r\n" + text + " extra = 1 \r\n", read, error));
    EXPECT_EQ(read, (ExtensionPairs{
                        {"version", "1.2"}, {"author", "a = b"}, {"hash", "0f"}, {"extra", "1"}}));
    ExtensionPairs bad;
    EXPECT_FALSE(PairsFromFile("version=1\nno pair here\n", bad, error));
    EXPECT_EQ(error, "line 2 is not KEY=VALUE");

    SetPair(read, "author", "c");  // replaced in its place
    SetPair(read, "hash", "");     // removed
    SetPair(read, "new", "n");     // added at the end
    EXPECT_EQ(read,
              (ExtensionPairs{{"version", "1.2"}, {"author", "c"}, {"extra", "1"}, {"new", "n"}}));
}

TEST(NameText, EscapesWhatCouldDriveATerminalOrBreakJson) {
    const std::string name = "a\x1B[31m\n\x7F\xC2\x9B\xFF\xC3\xA9\\b\"\xE2\x82";
    EXPECT_EQ(ShownName(name), "a\\x1B[31m\\x0A\\x7F\\xC2\\x9B\\xFF\xC3\xA9\\b\"\\xE2\\x82");
    EXPECT_EQ(JsonString(name),
              "\"a\\u001B[31m\\u000A\\u007F\\u009B\\u00FF\xC3\xA9\\\\b\\\"\\u00E2\\u0082\"");
}

TEST(TextFormat, TimesAreUtcCalendarDates) {
    char text[64];
    char* at = WriteUtcTime(text, 0);
    at = WriteUtcTime(at, 951782400, true);  // a leap day of a year divisible by 400
    at = WriteUtcTime(at, -1);
    EXPECT_EQ(std::string(text, at), "1970-01-01 00:00:002000-02-29T00:00:00Z1969-12-31 23:59:59");
}

TEST(Options, ParsesEachCommandAndRefusesBadUsage) {
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions(
        {"pack", "a.pbo", "--prefix", "x\\y", "-C", "src", "one", "--header", "version=1=2", "two"},
        options, error));
    EXPECT_EQ(options.archive, "a.pbo");
    EXPECT_EQ(options.prefix, "x\\y");
    EXPECT_EQ(options.folder, "src");
    EXPECT_EQ(options.operands, (std::vector<std::string>{"one", "two"}));
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(options.header_pairs, (Pairs{{"prefix", "x\\y"}, {"version", "1=2"}}));

    Options listing;
    ASSERT_TRUE(ParseOptions({"list", "--json", "a.pbo"}, listing, error));
    EXPECT_TRUE(listing.json);
    Options build;
    ASSERT_TRUE(
        ParseOptions({"build", "mod", "--exclude", "*.md", "--timestamps", "mtime"}, build, error));
    EXPECT_EQ(build.folder, "mod");
    EXPECT_TRUE(build.archive.empty() && build.mtime && build.operands.empty());
    for (const char* command : {"list", "extract", "pack", "delete", "verify", "build"}) {
        Options help;
        ASSERT_TRUE(ParseOptions({command, "--help"}, help, error)) << command;
        EXPECT_TRUE(help.help);
        EXPECT_NE(CommandUsage(command).find(std::string("quillpack ") + command),
                  std::string::npos);
    }

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate", "a.pbo"},
                                               {"list"},
                                               {"pack", "a.pbo"},
                                               {"delete", "a.pbo"},
                                               {"pack", "a.pbo", "--prefix", "x", "--product", "f"},
                                               {"pack", "a.pbo", "--header", "=x", "f"},
                                               {"list", "a.pbo", "--long", "--json"},
                                               {"list", "a.pbo", "--prefix", "x"},
                                               {"extract", "a.pbo", "-C"},
                                               {"list", "a.pbo", "--bogus"},
                                               {"build"},
                                               {"build", "mod", "a.pbo", "b.pbo"},
                                               {"extract", "a.pbo", "-o", "out.txt", "x"},
                                               {"extract", "a.pbo", "-o", "-"},
                                               {"list", "a.pbo", "--name-hex", "abc"}}) {
        Options ignored;
        EXPECT_FALSE(ParseOptions(bad, ignored, error)) << (bad.empty() ? "" : bad[0]);
    }
    Options dashed;
    ASSERT_TRUE(ParseOptions({"delete", "a.pbo", "--", "-odd-name"}, dashed, error));
    EXPECT_EQ(dashed.operands, (std::vector<std::string>{"-odd-name"}));
}

}  // namespace
}  // namespace qp::cli

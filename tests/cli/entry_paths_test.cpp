// The command-line tool keeps extraction inside its target folder and names entries with
// backslashes.
#include "tools/cli/entry_paths.h"

#include <gtest/gtest.h>

#include "tools/cli/options.h"

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
}

TEST(EntryPaths, MapsBackslashNamesToPathsAndBack) {
    const std::filesystem::path folder = std::filesystem::path("out") / "dir";
    EXPECT_EQ(TargetPath(folder, "a\\b\\c.txt"), folder / "a" / "b" / "c.txt");
    EXPECT_EQ(EntryNameFor(folder, folder / "a" / "b.txt"), "a\\b.txt");
    EXPECT_EQ(EntryNameFor(folder, std::filesystem::path("out") / "other.txt"), "");
}

TEST(Options, ParsesEachCommandAndRefusesBadUsage) {
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"pack", "a.pbo", "--prefix", "x\\y", "-C", "src", "one", "two"},
                             options, error));
    EXPECT_EQ(options.archive, "a.pbo");
    EXPECT_EQ(options.prefix, "x\\y");
    EXPECT_EQ(options.folder, "src");
    EXPECT_EQ(options.operands, (std::vector<std::string>{"one", "two"}));

    Options listing;
    ASSERT_TRUE(ParseOptions({"list", "--long", "a.pbo"}, listing, error));
    EXPECT_TRUE(listing.long_listing);

    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate", "a.pbo"},
                                               {"list"},
                                               {"pack", "a.pbo"},
                                               {"delete", "a.pbo"},
                                               {"pack", "a.pbo", "--prefix", "x", "--product", "f"},
                                               {"list", "a.pbo", "--prefix", "x"},
                                               {"extract", "a.pbo", "-C"},
                                               {"list", "a.pbo", "--bogus"}}) {
        Options ignored;
        EXPECT_FALSE(ParseOptions(bad, ignored, error)) << (bad.empty() ? "" : bad[0]);
    }
    Options dashed;
    ASSERT_TRUE(ParseOptions({"delete", "a.pbo", "--", "-odd-name"}, dashed, error));
    EXPECT_EQ(dashed.operands, (std::vector<std::string>{"-odd-name"}));
}

}  // namespace
}  // namespace qp::cli

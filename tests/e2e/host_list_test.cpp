// The real plugin module, loaded by the host program's driver, lists archives.
#include <gtest/gtest.h>

#include "e2e/plugin_test.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"
#include "host/dos_time_text.h"
#include "host/wcx_host_driver.h"

namespace qp {
namespace {

using host::ListedEntry;

using HostTest = PluginTest;

TEST_F(HostTest, ReportsCapabilities) {
    EXPECT_EQ(plugin_.get_packer_caps(), 223);
}

TEST_F(HostTest, ListsAnArchiveAsTheFileManagerDoes) {
    test::TestArchive archive = test::ArchiveWith({{"config.cpp", 100}, {"data\\icon.paa", 2500}});
    archive.entries[1].timestamp = 0;
    const std::string path = dir_.File("addon.pbo");
    test::WriteWholeFile(path, test::BuildArchive(archive));
    std::vector<ListedEntry> entries;
    EXPECT_EQ(host::ListArchive(plugin_, path, entries), E_END_ARCHIVE);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "config.cpp");
    EXPECT_EQ(entries[0].unp_size, 100);
    EXPECT_EQ(FormatDosTime(static_cast<std::uint32_t>(entries[0].file_time)),
              "2023-11-14 22:13:20");
    EXPECT_EQ(entries[1].name, "data\\icon.paa");
    EXPECT_EQ(FormatDosTime(static_cast<std::uint32_t>(entries[1].file_time)),
              "1980-01-01 00:00:00");
}

TEST_F(HostTest, AMissingArchiveIsReportedAsBad) {
    std::vector<ListedEntry> entries;
    EXPECT_EQ(host::ListArchive(plugin_, dir_.File("missing.pbo"), entries), E_BAD_ARCHIVE);
    EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace qp

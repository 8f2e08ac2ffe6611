// The real plugin module, loaded by the host program's driver, lists archives.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "e2e/plugin_test.h"
#include "host/dos_time_text.h"
#include "host/wcx_host_driver.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

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

TEST_F(HostTest, AMissingArchiveCannotBeOpened) {
    std::vector<ListedEntry> entries;
    EXPECT_EQ(host::ListArchive(plugin_, dir_.File("missing.pbo"), entries), E_EOPEN);
    EXPECT_TRUE(entries.empty());
}

// The exit code of `command`, run as a program of its own.
DWORD RunProgram(std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 255;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// While the plugin holds an archive for listing, it lists again in the same process and from a
// second one; while an editor holds it, it opens as E_EOPEN, never as a damaged archive.
TEST_F(HostTest, ReadersShareAnArchiveAndOneInUseIsNotCalledDamaged) {
    std::string path = dir_.File("shared.pbo");
    test::WriteWholeFile(path, test::BuildArchive(test::ArchiveWith({{"a", 10}})));
    tOpenArchiveData open{};
    open.ArcName = path.data();
    open.OpenMode = PK_OM_LIST;
    void* held = plugin_.open_archive(&open);
    ASSERT_NE(held, nullptr);
    std::vector<ListedEntry> entries;
    EXPECT_EQ(host::ListArchive(plugin_, path, entries), E_END_ARCHIVE);
    const std::string command =
        "\"" WCX_HOST_PATH "\" list \"" QUILLPACK_PLUGIN_PATH "\" \"" + path + "\"";
    EXPECT_EQ(RunProgram(command), 0u) << command;
    EXPECT_EQ(plugin_.close_archive(held), 0);
    // As an editor holds it: for reading, shared for its replacement only.
    HANDLE editor = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(editor, INVALID_HANDLE_VALUE);
    EXPECT_EQ(host::ListArchive(plugin_, path, entries), E_EOPEN);
    CloseHandle(editor);
}

}  // namespace
}  // namespace qp

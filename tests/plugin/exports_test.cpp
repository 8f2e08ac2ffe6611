// The exported functions, called directly as the host calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/listing_state.h"
#include "plugin/wcx.h"
#include "support/archive_builder.h"
#include "support/temp_dir.h"

namespace qp {
namespace {

using test::ArchiveWith;
using test::BuildArchive;
using test::TempDir;
using test::WriteWholeFile;

#if defined(_WIN32)
TEST(Exports, ReportCapabilities) {
    EXPECT_EQ(GetPackerCaps(), 31);
}
#endif

TEST(Exports, OpenArchiveOnAMissingFileFailsWithBadArchive) {
    TempDir dir;
    std::string path = dir.File("missing.pbo");
    tOpenArchiveData data{};
    data.ArcName = path.data();
    data.OpenResult = -7;
    EXPECT_EQ(OpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, E_BAD_ARCHIVE);
}

TEST(Exports, ListingFillsOnlyTheFieldsItOwns) {
    TempDir dir;
    std::string path = dir.File("a.pbo");
    test::TestArchive archive = ArchiveWith({{"x\\one.txt", 12}});
    archive.entries[0].timestamp = 1700000000;
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
    EXPECT_EQ(header.ArcName[0], 0x5A);
    EXPECT_EQ(header.PackSize, 0x5A5A5A5A);
    EXPECT_EQ(header.FileAttr, 0x5A5A5A5A);
    EXPECT_EQ(header.Method, 0x5A5A5A5A);
    EXPECT_EQ(ProcessFile(handle, PK_SKIP, nullptr, nullptr), 0);
    EXPECT_EQ(ReadHeader(handle, &header), E_END_ARCHIVE);
    EXPECT_EQ(CloseArchive(handle), 0);
}

int WCX_CALL CountingCallback(char*, int) {
    return 1;
}

TEST(Exports, ProgressCallbackAndVolumeCallbackAreAccepted) {
    SetProcessDataProc(reinterpret_cast<void*>(-1), CountingCallback);
    SetChangeVolProc(reinterpret_cast<void*>(-1), nullptr);
    SetProcessDataProc(reinterpret_cast<void*>(-1), nullptr);
}

}  // namespace
}  // namespace qp

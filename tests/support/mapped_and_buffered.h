// The ways an edit gets its bytes onto the disk: a rewrite of the archive, or, where no copy
// fits, splices in place through the whole-file view or through the buffer that large archives in
// a 32-bit host fall back to. A fixture for tests of the splices in both ways.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editing/rewrite_archive.h"
#include "editing/splice_control.h"
#include "support/progress_recorder.h"

namespace qp::test {

// A folder where a rewrite of `archive` would write its replacement: edits of the archive find
// no room for a copy beside it and work in place.
inline void WorkInPlace(const std::string& archive) {
    std::filesystem::create_directories(ReplacementPath(archive.c_str()));
}

enum class EditPath { rewrite, mapped, buffered };

// Makes the edits of `archive` take `path`.
inline void UseEditPath(EditPath path, const std::string& archive) {
    splice_control.force_buffered = path == EditPath::buffered;
    if (path != EditPath::rewrite) WorkInPlace(archive);
}

inline const auto kEveryEditPath =
    ::testing::Values(EditPath::rewrite, EditPath::mapped, EditPath::buffered);
inline std::string EditPathName(const ::testing::TestParamInfo<EditPath>& info) {
    const char* names[] = {"Rewrite", "Mapped", "Buffered"};
    return names[static_cast<int>(info.param)];
}

// The parameter is true for the buffered path.
class MappedAndBufferedTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        splice_control = SpliceControl{};
        splice_control.force_buffered = GetParam();
        StartRecordingProgress();
    }
    void TearDown() override {
        splice_control = SpliceControl{};
        StopRecordingProgress();
    }
};

}  // namespace qp::test

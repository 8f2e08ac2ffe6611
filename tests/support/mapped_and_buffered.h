// The ways an edit gets its bytes onto the disk: a rewrite of the archive, or, when asked for,
// splices in place through the whole-file view or through the buffer that large archives in a
// 32-bit host fall back to. A fixture for tests of the splices in both ways.
#pragma once

#include <gtest/gtest.h>

#include "editing/splice_control.h"
#include "support/progress_recorder.h"

namespace qp::test {

enum class EditPath { rewrite, mapped, buffered };

// Makes the splices take `path`; true when the edits are to be asked for in place.
inline bool UseEditPath(EditPath path) {
    splice_control.force_buffered = path == EditPath::buffered;
    return path != EditPath::rewrite;
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

// A fixture whose tests run twice: through the whole-file view, and through the buffer that large
// archives in a 32-bit host fall back to; progress is recorded in both.
#pragma once

#include <gtest/gtest.h>

#include "editing/splice_control.h"
#include "support/progress_recorder.h"

namespace qp::test {

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

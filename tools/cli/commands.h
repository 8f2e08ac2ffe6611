// The commands of the quillpack tool; each returns its exit code.
#pragma once

#include "editing/edit_result.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "tools/cli/options.h"

namespace qp::cli {

int ListCommand(const Options& options);
int ExtractCommand(const Options& options, Progress& progress);
int PackCommand(const Options& options, Progress& progress);
int DeleteCommand(const Options& options, Progress& progress);
int VerifyCommand(const Options& options);

// "quillpack: FILE: REASON" on standard error; returns kFailure.
int Fail(const std::string& file, const std::string& reason);

// The reason for an outcome, in words.
const char* OutcomeText(Outcome outcome);
// The same for an edit, with the system's reason when there is one.
std::string EditResultText(const EditResult& result);

}  // namespace qp::cli

// The commands of the quillpack tool; each returns its exit code.
#pragma once

#include <cstdint>
#include <string>

#include "cli/options.h"
#include "editing/edit_result.h"
#include "pbo/entry_walk.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"

namespace qp::cli {

int ListCommand(const Options& options);
int ExtractCommand(const Options& options, Progress& progress);
int PackCommand(const Options& options, Progress& progress);
int DeleteCommand(const Options& options, Progress& progress);
int VerifyCommand(const Options& options);

// "quillpack: FILE: REASON" on standard error, with FILE shown as name_text.h shows names;
// returns kFailure. A note says the same of something that is no failure.
int Fail(const std::string& file, const std::string& reason);
void Note(const std::string& file, const std::string& reason);

// The reason for an outcome, in words.
const char* OutcomeText(Outcome outcome);
// The same with the reason for `status`, in the system's words when the latest failure of a file
// call had that status.
std::string OutcomeText(Outcome outcome, IoStatus status);
// The same for an edit, in the system's words kept with it; where no copy of the archive could be
// made beside it, why, and what to do.
std::string EditResultText(const EditResult& result);

// Why a header walk found the archive damaged, in words.
std::string DamageText(const HeaderWalk& walk, std::uint32_t file_size);

}  // namespace qp::cli

// The commands of the quillpack tool; each returns its exit code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "editing/edit_result.h"
#include "editing/pack_sources.h"
#include "pbo/entry_walk.h"
#include "pbo/outcome.h"
#include "pbo/progress.h"
#include "platform/file.h"

namespace qp::cli {

int ListCommand(const Options& options, Progress& progress);
int ExtractCommand(const Options& options, Progress& progress);
int PackCommand(const Options& options, Progress& progress);
int DeleteCommand(const Options& options, Progress& progress);
int VerifyCommand(const Options& options, Progress& progress);
int BuildCommand(const Options& options, Progress& progress);
int RapifyCommand(const Options& options);

// How build packs: a fresh archive in place of whatever is there, with the folder's archive left
// out of it and the entries' times as asked; or only the list of what would be packed.
struct PackMode {
    bool fresh = false;
    EntryTimes times = EntryTimes::creation;
    bool list_only = false;
    bool rapify = false;  // text configs go in rapified (cli/text_configs.h)
};
int PackWith(const Options& options, const PackMode& mode, Progress& progress);

// What a file that does not start as a PBO is: a zip, an image, a text.
constexpr char kNotArchiveText[] = "not a PBO archive";
// Opens an archive to read, or says why it cannot (not a PBO archive, among others) and gives a
// null handle.
OpenResult OpenArchiveToRead(const std::string& path);
int KeygenCommand(const Options& options);
int SignCommand(const Options& options, Progress& progress);
int SortCommand(const Options& options, Progress& progress);
int DerapifyCommand(const Options& options);

// "quillpack: FILE: REASON" on standard error, with FILE shown as name_text.h shows names;
// returns kFailure. A note says the same of something that is no failure.
int Fail(const std::string& file, const std::string& reason);
void Note(const std::string& file, const std::string& reason);
// Fail's message, for the steps that answer whether they could go on: false.
inline bool Refuse(const std::string& file, const std::string& reason) {
    Fail(file, reason);
    return false;
}

// The reason for an outcome, in words.
const char* OutcomeText(Outcome outcome);
// The same with the reason for `status`, in the system's words when the latest failure of a file
// call had that status.
std::string OutcomeText(Outcome outcome, IoStatus status);
// What a command can do instead where no copy of the archive can be made beside it: pack and
// delete edit in place, build writes its archive elsewhere, sort has no other way.
enum class CopyAdvice { in_place, elsewhere, none };
// The same for an edit, in the system's words kept with it; where no copy of the archive could be
// made beside it, why, and what to do.
std::string EditResultText(const EditResult& result, CopyAdvice advice = CopyAdvice::in_place);

// What verify and extract say of a trailer whose SHA-1 does not match.
inline constexpr char kTrailerMismatchText[] =
    "the SHA-1 in the trailer does not match the bytes: the archive was changed after it was "
    "written";

// Why a header walk found the archive damaged, in words.
std::string DamageText(const HeaderWalk& walk, std::uint32_t file_size);
// What is said of an entry whose data cannot give the size it claims (SizeClaimPossible).
std::string ImpossibleSizeText(std::string_view name, const EntryRecord& record);
// Why the archive at `path`, which a step of the core refused as damaged, cannot be read whole:
// the damage of its header, or the first entry whose data cannot give its size.
std::string ArchiveDamageText(const std::string& path);

}  // namespace qp::cli

// quillpack list: size, date, method and name of every entry, or of those named; --long adds the
// header pairs, --json gives the same for scripts.
#include <cstring>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/list_json.h"
#include "cli/name_patterns.h"
#include "cli/name_text.h"
#include "cli/output.h"
#include "cli/text_format.h"
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"

namespace qp::cli {
namespace {

char* WriteText(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// "      1234  2024-01-31 12:00:00  Cprs    data\icon.paa  (567 bytes packed)": the size once
// extracted, the entry's time (UTC), how its data is stored, its name.
void PutEntryLine(Output& out, const MetEntry& entry) {
    const EntryRecord& record = entry.record;
    const bool compressed = record.method == kMethodCompressed;
    char* at = Room(out, ShownSize(entry.name.size()) + 96);
    at = WriteNumber(at, compressed ? record.original_size : record.data_size, 10);
    at = WriteUtcTime(WriteText(at, "  "), record.timestamp);
    at = WriteText(at, compressed ? "  Cprs    " : "  stored  ");
    at = WriteShownName(at, entry.name);
    if (compressed) {
        at = WriteText(WriteNumber(WriteText(at, "  ("), record.data_size), " bytes packed)");
    }
    *at++ = '\n';
    Commit(out, at);
}

// The entries as the header walk meets them, each once: nothing is kept of them.
HeaderWalk PutTextListing(Output& out, const Options& options, FileHandle file,
                          const ExtensionPairs& pairs, ListingPass& pass) {
    if (options.long_listing) {
        for (const auto& [key, value] : pairs) {
            Put(out, "extension  " + ShownName(key) + " = " + ShownName(value) + "\n");
        }
    }
    std::uint64_t count = 0;
    const HeaderWalk walk = WalkHeaderWhile(file, [&](const MetEntry& entry) {
        bool go_on = true;
        if (ListsEntry(pass, entry, go_on)) {
            PutEntryLine(out, entry);
            ++count;
        }
        return go_on;
    });
    if (walk.stopped) return walk;
    const bool data_start_known = !walk.damaged || walk.damage == HeaderDamage::data_past_end;
    if (options.long_listing && data_start_known) {
        Put(out, "data area starts at " +
                     std::to_string(static_cast<std::uint32_t>(walk.data_start)) + "\n");
    }
    Put(out, std::to_string(count) + " entries\n");
    return walk;
}

}  // namespace

bool ListsEntry(ListingPass& pass, const MetEntry& entry, bool& go_on) {
    go_on = !StopAtInterrupt(pass.progress);
    if (pass.damage.empty() && !SizeClaimPossible(entry.record)) {
        pass.damage = ImpossibleSizeText(entry.name, entry.record);
    }
    return go_on && Picks(pass.picker, entry.name);
}

int ListCommand(const Options& options, Progress& progress) {
    const OpenResult file = OpenArchiveToRead(options.archive);
    if (file.handle == nullptr) return kFailure;
    const SizeResult size = FileSize32(file.handle);
    ExtensionPairs pairs;
    if (options.long_listing || options.json) pairs = ReadHeaderExtension(file.handle);
    Output out;
    ListingPass pass{PickerFor(options.operands, options.exact_names), progress, {}};
    const HeaderWalk walk = options.json ? PutJsonListing(out, file.handle, pairs, size.size, pass)
                                         : PutTextListing(out, options, file.handle, pairs, pass);
    CloseFile(file.handle);             // read only: nothing to lose when the close fails
    if (walk.stopped) return kFailure;  // the rest of the listing is not written
    const bool written = FinishOutput(out);
    // The header must end with its end-of-header entry, the data it describes must be there,
    // and each entry's data must be able to give its size.
    if (walk.damaged) return Fail(options.archive, DamageText(walk, size.size));
    if (!pass.damage.empty()) return Fail(options.archive, pass.damage);
    if (!written) return Fail(options.archive, "the listing could not be written whole");
    int status = kSuccess;
    for (const Unpicked& name : UnpickedNames(pass.picker)) status = Fail(name.name, name.reason);
    return status;
}

}  // namespace qp::cli

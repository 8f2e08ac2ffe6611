// quillpack list: size, date, method and name of every entry; --long adds the header pairs,
// --json gives the same for scripts.
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "tools/cli/commands.h"
#include "tools/cli/list_json.h"
#include "tools/cli/name_text.h"
#include "tools/cli/output.h"
#include "tools/cli/text_format.h"

namespace qp::cli {
namespace {

// "      1234  2024-01-31 12:00:00  Cprs    data\icon.paa  (567 bytes packed)": the size once
// extracted, the entry's time (UTC), how its data is stored, its name.
void AppendEntryLine(Output& out, const WalkedEntry& entry) {
    const EntryRecord& record = entry.record;
    const bool compressed = record.method == kMethodCompressed;
    AppendNumber(out.text, compressed ? record.original_size : record.data_size, 10);
    out.text += "  ";
    AppendUtcTime(out.text, record.timestamp);
    out.text += compressed ? "  Cprs    " : "  stored  ";
    AppendShownName(out.text, entry.name);
    if (compressed) {
        out.text += "  (";
        AppendNumber(out.text, record.data_size);
        out.text += " bytes packed)";
    }
    out.text += '\n';
    FlushWhenFull(out);
}

void AppendTextListing(Output& out, const Options& options, const HeaderWalk& walk,
                       const ExtensionPairs& pairs) {
    if (options.long_listing) {
        for (const auto& [key, value] : pairs) {
            out.text += "extension  ";
            AppendShownName(out.text, key);
            out.text += " = ";
            AppendShownName(out.text, value);
            out.text += '\n';
        }
    }
    for (const WalkedEntry& entry : walk.entries) AppendEntryLine(out, entry);
    const bool data_start_known = !walk.damaged || walk.damage == HeaderDamage::data_past_end;
    if (options.long_listing && data_start_known) {
        out.text += "data area starts at ";
        AppendNumber(out.text, static_cast<std::uint32_t>(walk.data_start));
        out.text += '\n';
    }
    AppendNumber(out.text, walk.entries.size());
    out.text += " entries\n";
}

}  // namespace

int ListCommand(const Options& options) {
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return Fail(options.archive, IoStatusText(file.status));
    const SizeResult size = FileSize32(file.handle);
    const HeaderWalk walk = WalkHeader(file.handle);
    ExtensionPairs pairs;
    if (options.long_listing || options.json) pairs = ReadHeaderExtension(file.handle);
    CloseFile(file.handle);  // read only: nothing to lose when the close fails
    // The header must end with its end-of-header entry, and the data it describes must be there.
    const std::string damage = walk.damaged ? DamageText(walk, size.size) : std::string();
    Output out;
    if (options.json) {
        AppendJsonListing(out, walk, pairs, damage);
    } else {
        AppendTextListing(out, options, walk, pairs);
    }
    const bool written = FinishOutput(out);
    if (!damage.empty()) return Fail(options.archive, damage);
    if (!written) return Fail(options.archive, "the listing could not be written whole");
    return kSuccess;
}

}  // namespace qp::cli

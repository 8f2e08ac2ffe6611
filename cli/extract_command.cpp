// quillpack extract: every entry, or the named ones, below the target folder; extracting every
// entry also writes the archive's header pairs to $PBOPREFIX$ and $PBOHEADER$.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "listing/check_entry.h"
#include "listing/extract_entry.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/folder_item.h"
#include "pbo/header_extension.h"
#include "platform/program_text.h"
#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/header_files.h"
#include "cli/name_text.h"
#include "cli/safe_output.h"

namespace qp::cli {
namespace {

// An operand names an entry exactly, or a folder as "folder\" or "folder\*.*".
bool Selected(const std::vector<std::string>& operands, const std::string& name,
              std::vector<bool>& used) {
    if (operands.empty()) return true;
    bool selected = false;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const std::string folder = FolderPrefix(operands[i].c_str());
        if (folder.empty() ? SameEntryName(name, operands[i]) : InEntryFolder(name, folder)) {
            used[i] = true;
            selected = true;
        }
    }
    return selected;
}

// Whether an entry has the name of a file the header's pairs are written to: $PBOPREFIX$ when
// there is a prefix, $PBOHEADER$ when there are other pairs.
bool HeaderFileName(const std::string& name, const ExtensionPairs& pairs) {
    const bool has_prefix = std::any_of(pairs.begin(), pairs.end(),
                                        [](const auto& pair) { return pair.first == "prefix"; });
    const bool has_others = pairs.size() > (has_prefix ? 1u : 0u);
    return (has_prefix && SameEntryName(name, kPrefixFileName)) ||
           (has_others && SameEntryName(name, kPairsFileName));
}

struct Extraction {
    const Options& options;
    FileHandle archive;
    std::uint32_t archive_size;
    ArchiveReader reader;
    Progress& progress;
    int status = kSuccess;
};

// One entry into its file below the folder: its folders made without following links, its data
// written to a new file that then takes the target's place.
void ExtractEntry(Extraction& run, const WalkedEntry& entry, std::uint64_t data_position) {
    const std::string& name = entry.name;
    const std::string unsafe = UnsafeEntryReason(NameInUtf8(name));
    if (!unsafe.empty()) {
        run.status = Fail(name, "refused (" + unsafe +
                                    "): it would be written outside the folder or under "
                                    "another name");
        return;
    }
    // Counted in 64 bits: an offset that wrapped past 4 GiB would point at another entry's data.
    if (!DataInside(data_position, entry.record.data_size, run.archive_size)) {
        run.status = Fail(name, "not extracted: its data lies outside the file");
        return;
    }
    const auto position = static_cast<std::uint32_t>(data_position);
    std::vector<std::string> folders = NameParts(NameInUtf8(name));
    if (folders.empty()) {
        run.status = Fail(name, "refused, the name has no file name");
        return;
    }
    const std::string file_name = folders.back();
    folders.pop_back();
    std::string failed;
    const IoStatus made = MakeFoldersBelow(run.options.folder, folders, failed);
    if (made != IoStatus::ok) {
        run.status = Fail(name, "not extracted: cannot create the folder " + ShownName(failed) +
                                    ": " + IoStatusText(made));
        return;
    }
    std::string folder = run.options.folder;
    for (const std::string& part : folders) folder = JoinPath(folder, part);
    PartFile part;
    const IoStatus started = StartPartFile(folder, file_name, part);
    if (started != IoStatus::ok) {
        run.status = Fail(name, OutcomeText(Outcome::create_failed, started));
        return;
    }
    DataWritten written =
        WriteEntryData(run.reader, position, entry.record, part.handle, name.c_str(), run.progress);
    if (written.outcome == Outcome::ok && entry.record.timestamp != 0) {
        const IoStatus timed = SetModificationTime(part.handle, entry.record.timestamp);
        if (timed != IoStatus::ok) written = {Outcome::write_failed, timed};
    }
    const bool whole = written.outcome == Outcome::ok;
    const IoStatus finished = FinishPartFile(part, whole);
    if (!whole) {
        if (written.outcome != Outcome::aborted) {
            run.status = Fail(name, OutcomeText(written.outcome, written.status));
        }
        return;
    }
    if (finished != IoStatus::ok) {
        run.status = Fail(part.target, OutcomeText(Outcome::create_failed, finished));
    }
}

// $PBOPREFIX$ with the prefix alone (no line break, as the game's tools write it) and
// $PBOHEADER$ with every other pair, when there are any.
void WriteHeaderFiles(Extraction& run, const ExtensionPairs& pairs) {
    ExtensionPairs others;
    const std::string* prefix = nullptr;
    for (const auto& pair : pairs) {
        if (pair.first == "prefix" && prefix == nullptr) {
            prefix = &pair.second;
        } else {
            others.push_back(pair);
        }
    }
    const std::string& folder = run.options.folder;
    if (prefix != nullptr && !PrefixWritable(*prefix)) {
        run.status = Fail(kPrefixFileName, "not written: the prefix '" + ShownName(*prefix) +
                                               "' has a line break or spaces around it");
    } else if (prefix != nullptr) {
        const IoStatus written = WriteFileBelow(folder, kPrefixFileName, *prefix);
        if (written != IoStatus::ok) {
            run.status = Fail(kPrefixFileName, OutcomeText(Outcome::write_failed, written));
        }
    }
    std::vector<std::string> unwritable;
    const std::string text = PairsFileText(others, unwritable);
    for (const std::string& key : unwritable) {
        run.status = Fail(kPairsFileName, "the pair '" + ShownName(key) +
                                              "' is left out: it has a line break, '=' in its "
                                              "key or spaces around it");
    }
    if (text.empty()) return;
    const IoStatus written = WriteFileBelow(folder, kPairsFileName, text);
    if (written != IoStatus::ok) {
        run.status = Fail(kPairsFileName, OutcomeText(Outcome::write_failed, written));
    }
}

int Extract(Extraction& run, const HeaderWalk& walk) {
    const Options& options = run.options;
    const bool everything = options.operands.empty();
    const ExtensionPairs pairs = everything ? ReadHeaderExtension(run.archive) : ExtensionPairs{};
    std::vector<bool> used(options.operands.size(), false);
    std::uint64_t next_data = static_cast<std::uint32_t>(walk.data_start);
    for (const WalkedEntry& entry : walk.entries) {
        const std::uint64_t data_position = next_data;
        next_data += entry.record.data_size;
        if (!Selected(options.operands, entry.name, used)) continue;
        if (everything && HeaderFileName(entry.name, pairs)) {
            run.status = Fail(entry.name,
                              "not extracted: the file of this name holds the "
                              "archive's header pairs");
            continue;
        }
        ExtractEntry(run, entry, data_position);
        if (run.progress.cancelled) return run.status;
    }
    if (everything) WriteHeaderFiles(run, pairs);
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (!used[i]) run.status = Fail(options.operands[i], "not in the archive");
    }
    return run.status;
}

}  // namespace

int ExtractCommand(const Options& options, Progress& progress) {
    const OpenResult file = OpenFile(options.archive.c_str(), OpenMode::read);
    if (file.handle == nullptr) return Fail(options.archive, IoStatusText(file.status));
    const SizeResult size = FileSize32(file.handle);
    const HeaderWalk walk = WalkHeader(file.handle);
    // Without the end of the header the data area is unknown, and nothing can be extracted; with
    // the data area cut short, every entry whose data is there still can.
    int status = kSuccess;
    if (walk.damaged && walk.damage != HeaderDamage::data_past_end) {
        status = Fail(options.archive, DamageText(walk, size.size));
    } else {
        std::error_code error;
        std::filesystem::create_directories(PathFromUtf8(options.folder), error);
        if (error) {
            status = Fail(options.folder, "cannot create the folder: " + error.message());
        } else {
            // The reader's buffers are large for the stack.
            const auto run = std::make_unique<Extraction>(
                Extraction{options, file.handle, size.size, {}, progress});
            StartReader(run->reader.input, file.handle, 0);
            status = Extract(*run, walk);
        }
        if (walk.damaged && !progress.cancelled) {
            status = Fail(options.archive, DamageText(walk, size.size));
        }
    }
    CloseFile(file.handle);
    return status;
}

}  // namespace qp::cli

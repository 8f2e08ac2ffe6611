// quillpack extract: every entry, or the named ones, below the target folder or one to standard
// output; extracting every entry also writes the archive's header pairs to $PBOPREFIX$ and
// $PBOHEADER$. Files already there are not overwritten unless asked.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/existing_files.h"
#include "cli/header_files.h"
#include "cli/name_patterns.h"
#include "cli/name_text.h"
#include "cli/progress_bar.h"
#include "cli/safe_output.h"
#include "listing/check_entry.h"
#include "listing/extract_entry.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "platform/program_text.h"

namespace qp::cli {
namespace {

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
// $PBOHEADER$ with every other pair, when there are any; a pair no such file can hold is named.
std::vector<PlannedFile> HeaderFiles(Extraction& run, const ExtensionPairs& pairs) {
    ExtensionPairs others;
    const std::string* prefix = nullptr;
    for (const auto& pair : pairs) {
        if (pair.first == "prefix" && prefix == nullptr) {
            prefix = &pair.second;
        } else {
            others.push_back(pair);
        }
    }
    std::vector<PlannedFile> files;
    if (prefix != nullptr && !PrefixWritable(*prefix)) {
        run.status = Fail(kPrefixFileName, "not written: the prefix '" + ShownName(*prefix) +
                                               "' has a line break or spaces around it");
    } else if (prefix != nullptr) {
        files.push_back({{kPrefixFileName}, nullptr, 0, *prefix});
    }
    std::vector<std::string> unwritable;
    std::string text = PairsFileText(others, unwritable);
    for (const std::string& key : unwritable) {
        run.status = Fail(kPairsFileName, "the pair '" + ShownName(key) +
                                              "' is left out: it has a line break, '=' in its "
                                              "key or spaces around it");
    }
    if (!text.empty()) files.push_back({{kPairsFileName}, nullptr, 0, std::move(text)});
    return files;
}

void WriteHeaderFile(Extraction& run, const PlannedFile& file) {
    const std::string& name = file.parts.back();
    const IoStatus written = WriteFileBelow(run.options.folder, name, file.text);
    if (written != IoStatus::ok) {
        run.status = Fail(name, OutcomeText(Outcome::write_failed, written));
    }
}

// One entry, picked, to standard output.
int ToStandardOutput(Extraction& run, const std::vector<PlannedFile>& picked,
                     const std::vector<const WalkedEntry*>& entries) {
    if (picked.size() != 1) {
        return Fail(run.options.archive,
                    std::to_string(picked.size()) + " entries match; -o - writes one");
    }
    const WalkedEntry& entry = *entries[0];
    if (!DataInside(picked[0].position, entry.record.data_size, run.archive_size)) {
        return Fail(entry.name, "not extracted: its data lies outside the file");
    }
    const DataWritten written =
        WriteEntryData(run.reader, picked[0].position, entry.record, StandardOutputFile(),
                       entry.name.c_str(), run.progress);
    if (written.outcome == Outcome::aborted) return kFailure;
    if (written.outcome != Outcome::ok) {
        return Fail(entry.name, OutcomeText(written.outcome, written.status));
    }
    return kSuccess;
}

// Files already there that differ from what would be written are named, and then nothing is
// extracted; those that hold the same bytes are marked to be left as they are.
bool NothingClobbered(Extraction& run, const std::vector<PlannedFile>& files,
                      std::vector<bool>& same) {
    const std::vector<Standing> standing = WhatStands(run.reader, run.options.folder, files);
    bool clobbered = false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        same.push_back(standing[i] == Standing::same);
        if (standing[i] != Standing::differs) continue;
        std::string target = run.options.folder;
        for (const std::string& part : files[i].parts) target = JoinPath(target, part);
        clobbered = true;
        Fail(target, "exists and differs; not overwritten (--force overwrites), nothing extracted");
    }
    return !clobbered;
}

// The planned file of an entry: its safe name's parts, or none when it is refused.
PlannedFile EntryFile(const WalkedEntry& entry, std::uint64_t position) {
    const std::string name = NameInUtf8(entry.name);
    std::vector<std::string> parts;
    if (UnsafeEntryReason(name).empty()) parts = NameParts(name);
    return {std::move(parts), &entry.record, static_cast<std::uint32_t>(position), {}};
}

int Extract(Extraction& run, const HeaderWalk& walk) {
    const Options& options = run.options;
    NamePicker picker = PickerFor(options.operands, options.exact_names);
    const bool everything = picker.operands.empty();
    const ExtensionPairs pairs = everything ? ReadHeaderExtension(run.archive) : ExtensionPairs{};
    std::vector<PlannedFile> files;
    std::vector<const WalkedEntry*> entries;
    std::uint64_t next_data = static_cast<std::uint32_t>(walk.data_start);
    for (const WalkedEntry& entry : walk.entries) {
        const std::uint64_t data_position = next_data;
        next_data += entry.record.data_size;
        if (!Picks(picker, entry.name)) continue;
        files.push_back(EntryFile(entry, data_position));
        entries.push_back(&entry);
    }
    // A name that picks nothing is most likely mistyped: nothing is written.
    for (const Unpicked& name : UnpickedNames(picker)) run.status = Fail(name.name, name.reason);
    if (run.status != kSuccess) return run.status;
    if (options.to_stdout) return ToStandardOutput(run, files, entries);
    const std::size_t entry_count = files.size();
    if (everything) {
        for (PlannedFile& file : HeaderFiles(run, pairs)) files.push_back(std::move(file));
    }
    std::vector<bool> same;
    if (!options.force && !NothingClobbered(run, files, same)) return kFailure;
    same.resize(files.size(), false);
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(options.folder), error);
    if (error) return Fail(options.folder, "cannot create the folder: " + error.message());
    ExpectFiles(entry_count);
    for (std::size_t i = 0; i < entry_count; ++i) {
        const WalkedEntry& entry = *entries[i];
        if (everything && HeaderFileName(entry.name, pairs)) {
            run.status = Fail(entry.name,
                              "not extracted: the file of this name holds the "
                              "archive's header pairs");
        } else if (!same[i]) {
            ExtractEntry(run, entry, files[i].position);
            if (run.progress.cancelled) return run.status;
        }
        FileDone();
    }
    for (std::size_t i = entry_count; i < files.size(); ++i) {
        if (!same[i]) WriteHeaderFile(run, files[i]);
    }
    return run.status;
}

}  // namespace

int ExtractCommand(const Options& options, Progress& progress) {
    const OpenResult file = OpenArchiveToRead(options.archive);
    if (file.handle == nullptr) return kFailure;
    const SizeResult size = FileSize32(file.handle);
    const HeaderWalk walk = WalkHeader(file.handle);
    // Nothing is written from a damaged archive: what it gives may not be what was packed.
    int status = kFailure;
    if (walk.damaged) {
        status = Fail(options.archive, DamageText(walk, size.size));
    } else {
        // The reader's buffers are large for the stack.
        const auto run =
            std::make_unique<Extraction>(Extraction{options, file.handle, size.size, {}, progress});
        StartReader(run->reader.input, file.handle, 0);
        status = Extract(*run, walk);
    }
    CloseFile(file.handle);
    return status;
}

}  // namespace qp::cli

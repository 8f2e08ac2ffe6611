// quillpack extract: every entry, or the named ones, below the target folder or one to standard
// output, rapified configs as text when asked; extracting every entry also writes the archive's
// header pairs to $PBOPREFIX$ and $PBOHEADER$. Files already there are not overwritten unless
// asked.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/existing_files.h"
#include "cli/header_files.h"
#include "cli/interrupt.h"
#include "cli/name_patterns.h"
#include "cli/name_text.h"
#include "cli/progress_bar.h"
#include "cli/rapified_entries.h"
#include "cli/safe_output.h"
#include "listing/check_entry.h"
#include "listing/extract_entry.h"
#include "listing/part_file.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "pbo/trailer.h"
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

// The SHA-1 of the archive taken as its bytes go by: those the extraction reads, and the ones
// between them read for it alone.
struct ArchiveHash {
    Sha1 sha1;
    bool started = false;       // a whole archive is extracted, and a digest could be started
    bool whole = true;          // no byte before `covered` is missing from it
    std::uint32_t covered = 0;  // the bytes before this offset are in the digest
};

struct Extraction {
    const Options& options;
    FileHandle archive;
    std::uint32_t archive_size;
    ArchiveReader reader;
    Progress& progress;
    int status = kSuccess;
    ArchiveHash hash;
    std::set<std::string> cleaned;  // folders rid of killed extractions' parts
    // Each name extracted, under its letters folded.
    std::map<std::string, std::vector<std::string>> extracted;
};

// Adds the bytes up to `end` that the extraction has not read to the digest; false when they
// cannot be read, and the digest is then given up.
bool HashUpTo(Extraction& run, std::uint32_t end) {
    ArchiveHash& hash = run.hash;
    if (!hash.started || !hash.whole || hash.covered >= end) return hash.started && hash.whole;
    std::vector<std::uint8_t> block(std::min<std::uint32_t>(end - hash.covered, 1u << 20));
    bool read_all = SeekTo(run.archive, hash.covered) == IoStatus::ok;
    while (read_all && hash.covered < end) {
        const auto wanted =
            static_cast<std::uint32_t>(std::min<std::size_t>(end - hash.covered, block.size()));
        read_all = ReadBytes(run.archive, block.data(), wanted).bytes == wanted;
        UpdateSha1(hash.sha1, block.data(), wanted);
        hash.covered += wanted;
    }
    hash.whole = read_all;
    return read_all;
}

// After a whole extraction: whether the trailer's SHA-1, if the archive ends in one, matches
// the bytes before it. The files stay written either way.
void CheckTrailer(Extraction& run, std::uint32_t data_end) {
    std::uint8_t digest[kSha1Size];
    const bool hashed = HashUpTo(run, data_end);
    const bool finished = FinishSha1(run.hash.sha1, digest) && hashed;
    const TrailerFound found = ReadTrailer(run.archive, data_end, run.archive_size);
    if (found.kind != TrailerKind::digest) {
        return;  // no trailer, or the fixed text of older archives: nothing to compare
    }
    if (!finished) {
        run.status = Fail(run.options.archive,
                          "cannot compute the SHA-1 to compare with the "
                          "trailer; the files extracted are written");
    } else if (std::memcmp(found.digest, digest, kSha1Size) != 0) {
        run.status = Fail(run.options.archive, std::string(kTrailerMismatchText) +
                                                   "; the files extracted from it are written");
    }
}

// The file an entry name is extracted to below the folder.
std::string EntryTarget(const Extraction& run, const std::string& name) {
    std::string path = run.options.folder;
    for (const std::string& part : NameParts(NameInUtf8(name))) path = JoinPath(path, part);
    return path;
}

// An entry of a name extracted before, ignoring letter case, onto the same file: says which
// entry it overwrote. Where the file system tells letter cases apart, such names are two files.
void NoteOverwritten(Extraction& run, const std::string& name) {
    std::vector<std::string>& earlier = run.extracted[FoldedEntryName(name)];
    const std::string target = EntryTarget(run, name);
    for (const std::string& other : earlier) {
        if (SameFile(target.c_str(), EntryTarget(run, other).c_str())) {
            Note(name, "overwrote the entry " + ShownName(other) +
                           " extracted before it: the archive holds both under one name");
            break;
        }
    }
    if (std::find(earlier.begin(), earlier.end(), name) == earlier.end()) earlier.push_back(name);
}

// Why an entry cannot be extracted at all, or empty: a name that leaves the folder or would be
// written under another name, or one whose last part names no file (".", or nothing after a
// separator).
std::string RefusalReason(const std::string& name) {
    const std::string unsafe = UnsafeEntryReason(NameInUtf8(name));
    if (!unsafe.empty()) {
        return "refused (" + unsafe +
               "): it would be written outside the folder or under another name";
    }
    const std::vector<std::string> parts = NameParts(name);
    const bool ends_in_separator = !name.empty() && (name.back() == '\\' || name.back() == '/');
    if (parts.empty() || ends_in_separator || !UsableFileName(parts.back())) {
        return "refused: the name ends in no file name ('.' or a separator), so it names a "
               "folder, not a file";
    }
    return {};
}

// Why an entry was not extracted, in words.
std::string NotExtractedText(const DataWritten& written) {
    if (written.sum_differs) return "not extracted: its checksum does not match (damaged data)";
    return OutcomeText(written.outcome, written.status);
}

// One entry into its file below the folder: its folders made without following links, its data
// written to a part file that then takes the target's place.
void ExtractEntry(Extraction& run, const WalkedEntry& entry, std::uint32_t position) {
    const std::string& name = entry.name;
    const std::string refused = RefusalReason(name);
    if (!refused.empty()) {
        run.status = Fail(name, refused);
        return;
    }
    // The walk found the whole data area inside the file, so this holds; it guards the reads.
    if (!DataInside(position, entry.record.data_size, run.archive_size)) {
        run.status = Fail(name, "not extracted: its data lies outside the file");
        return;
    }
    std::vector<std::string> folders = NameParts(NameInUtf8(name));
    folders.pop_back();
    std::string failed;
    const IoStatus made = MakeFoldersBelow(run.options.folder, folders, failed);
    if (made != IoStatus::ok) {
        run.status = Fail(name, "not extracted: cannot create the folder " + ShownName(failed) +
                                    ": " + IoStatusText(made));
        return;
    }
    HashUpTo(run, position);
    const bool hashing = run.hash.started && run.hash.whole;
    const DataWatch watch{&run.progress, name.c_str(), hashing ? &run.hash.sha1 : nullptr};
    const DataWritten written = ExtractEntryTo(run.reader, position, entry.record,
                                               EntryTarget(run, name), run.cleaned, watch);
    if (run.hash.covered == position) run.hash.covered += written.read;
    if (written.outcome == Outcome::ok) {
        NoteOverwritten(run, name);
    } else if (written.outcome != Outcome::aborted) {
        run.status = Fail(name, NotExtractedText(written));
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

// A planned text (a header pair file, a derapified config) written whole below the folder;
// failures are said of `label`.
void WriteTextFile(Extraction& run, const PlannedFile& file, const std::string& label) {
    const std::vector<std::string> folders(file.parts.begin(), file.parts.end() - 1);
    std::string failed;
    IoStatus written = MakeFoldersBelow(run.options.folder, folders, failed);
    if (written != IoStatus::ok) {
        run.status = Fail(label, "not extracted: cannot create the folder " + ShownName(failed) +
                                     ": " + IoStatusText(written));
        return;
    }
    std::string folder = run.options.folder;
    for (const std::string& part : folders) folder = JoinPath(folder, part);
    const std::string& name = file.parts.back();
    RemoveAbandonedPartsOnce(JoinPath(folder, name), run.cleaned);
    written = WriteFileBelow(folder, name, file.text);
    if (written != IoStatus::ok) {
        run.status = Fail(label, OutcomeText(Outcome::write_failed, written));
    }
}

// With --derapify, the rapified entries planned as their text, under the names DerapifiedName
// gives. One whose config does not read, or whose text would take the name of another entry, is
// extracted as it is, and said so.
void PlanTexts(Extraction& run, const HeaderWalk& walk, std::vector<PlannedFile>& files,
               const std::vector<const WalkedEntry*>& entries) {
    std::set<std::string> names;
    for (const WalkedEntry& entry : walk.entries) names.insert(FoldedEntryName(entry.name));
    for (std::size_t i = 0; i < files.size(); ++i) {
        PlannedFile& file = files[i];
        const WalkedEntry& entry = *entries[i];
        if (file.parts.empty() || !EntryIsRapified(run.archive, file.position, entry.record)) {
            continue;
        }
        const std::string name = DerapifiedName(entry.name);
        std::string error;
        if (name != entry.name && names.count(FoldedEntryName(name)) != 0) {
            Note(entry.name, "extracted as it is: its text would be written as " + ShownName(name) +
                                 ", which the archive holds too");
        } else if (!EntryText(run.archive, file.position, entry.record, file.text, error)) {
            run.status = Fail(entry.name, "not derapified: " + error + "; extracted as it is");
        } else {
            file.parts = NameParts(NameInUtf8(name));
            file.record = nullptr;
        }
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
    if (run.options.derapify && EntryIsRapified(run.archive, picked[0].position, entry.record)) {
        std::string text;
        std::string error;
        if (!EntryText(run.archive, picked[0].position, entry.record, text, error)) {
            return Fail(entry.name, "not derapified: " + error);
        }
        const auto size = static_cast<std::uint32_t>(text.size());
        const Transfer written = WriteBytes(StandardOutputFile(), text.data(), size);
        if (written.bytes != size)
            return Fail(entry.name, NotExtractedText({Outcome::write_failed, written.status, 0}));
        return kSuccess;
    }
    // What a pipe was given cannot be taken back: compressed data is decoded once to check it
    // (that it gives its size and matches its sum) before any of it is written.
    if (entry.record.method == kMethodCompressed) {
        Progress checking = InterruptOnlyProgress();
        const DataWatch quiet{&checking, entry.name.c_str(), nullptr};
        const DataCheck check =
            CheckEntryData(run.archive, run.archive_size, picked[0].position, entry.record, quiet);
        run.progress.cancelled = checking.cancelled;
        if (check.fault == DataFault::stopped) return kFailure;
        if (check.fault != DataFault::none) {
            const bool sum = check.fault == DataFault::sum_differs;
            return Fail(entry.name,
                        NotExtractedText({OutcomeOf(check.fault), IoStatus::ok, 0, sum}));
        }
    }
    const DataWatch watch{&run.progress, entry.name.c_str(), nullptr};
    const DataWritten written =
        WriteEntryData(run.reader, picked[0].position, entry.record, StandardOutputFile(), watch);
    if (written.outcome == Outcome::aborted) return kFailure;
    if (written.outcome != Outcome::ok) return Fail(entry.name, NotExtractedText(written));
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
    std::vector<std::string> parts;
    if (RefusalReason(entry.name).empty()) parts = NameParts(NameInUtf8(entry.name));
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
        if (StopAtInterrupt(run.progress)) return kFailure;  // matching names can take a while
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
    if (options.derapify) PlanTexts(run, walk, files, entries);
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
    // The trailer's digest is taken in the same pass, when the whole archive is read; the bytes
    // of entries left as they are are read for it alone.
    run.hash.started = everything && StartSha1(run.hash.sha1);
    ExpectFiles(entry_count);
    for (std::size_t i = 0; i < entry_count; ++i) {
        const WalkedEntry& entry = *entries[i];
        // An interrupt stops the extraction before the next entry, also one that reports nothing.
        if (!Report(run.progress, entry.name.c_str(), 0)) break;
        if (everything && HeaderFileName(entry.name, pairs)) {
            run.status = Fail(entry.name,
                              "not extracted: the file of this name holds the "
                              "archive's header pairs");
        } else if (!same[i] && files[i].record == nullptr) {
            WriteTextFile(run, files[i], entry.name);
        } else if (!same[i]) {
            ExtractEntry(run, entry, files[i].position);
            if (run.progress.cancelled) break;
        }
        FileDone();
    }
    if (!run.progress.cancelled) {
        for (std::size_t i = entry_count; i < files.size(); ++i) {
            if (!same[i]) WriteTextFile(run, files[i], files[i].parts.back());
        }
        if (run.hash.started) CheckTrailer(run, static_cast<std::uint32_t>(walk.data_end));
    } else if (run.hash.started) {
        std::uint8_t unused[kSha1Size];
        FinishSha1(run.hash.sha1, unused);
    }
    if (run.progress.cancelled) return kFailure;
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
        const auto run = std::make_unique<Extraction>(
            Extraction{options, file.handle, size.size, {}, progress, kSuccess, {}, {}, {}});
        StartReader(run->reader.input, file.handle, 0);
        status = Extract(*run, walk);
    }
    CloseFile(file.handle);
    return status;
}

}  // namespace qp::cli

// quillpack verify: the header, every entry's data (rapified configs read whole) and the
// trailer's SHA-1, first problem named; with --key, the signatures beside each archive.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/name_text.h"
#include "cli/rapified_entries.h"
#include "cli/verify_signatures.h"
#include "listing/check_entry.h"
#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/trailer.h"

namespace qp::cli {
namespace {

std::string FaultText(const DataCheck& check, const EntryRecord& record) {
    switch (check.fault) {
        case DataFault::none:
            break;
        case DataFault::outside_file:
            return "data lies outside the file";
        case DataFault::stream_short:
            return "compressed data ends after " + std::to_string(check.decoded) + " of " +
                   std::to_string(record.original_size) + " bytes";
        case DataFault::sum_differs:
            return "its checksum does not match: the compressed data is damaged";
        case DataFault::stopped:
            return "interrupted";
        case DataFault::unreadable:
            return "read failed";
        case DataFault::no_memory:
            return "not enough memory";
    }
    return "damaged data";
}

// Whatever follows the data area: nothing, or a zero byte and 20 bytes that are the SHA-1 of
// everything before the zero byte (or, in archives of older versions, a fixed text).
int VerifyTrailer(const std::string& archive, FileHandle file, std::uint32_t data_end,
                  std::uint32_t file_size, Progress& progress) {
    const TrailerFound found = ReadTrailer(file, data_end, file_size);
    switch (found.kind) {
        case TrailerKind::absent:
            std::printf("no trailer\n");
            return kSuccess;
        case TrailerKind::foreign:
            return Fail(archive, std::to_string(file_size - data_end) +
                                     " bytes after the data area are no trailer");
        case TrailerKind::unreadable:
            return Fail(archive, "cannot read the trailer");
        case TrailerKind::fixed_text:
            std::printf("trailer: no checksum (the fixed text of older quillpack archives)\n");
            return kSuccess;
        case TrailerKind::digest:
            break;
    }
    std::uint8_t digest[kSha1Size];
    if (!HashFront(file, data_end, digest, &progress, archive.c_str())) {
        return progress.cancelled ? kFailure : Fail(archive, "cannot compute the SHA-1");
    }
    if (std::memcmp(found.digest, digest, kSha1Size) != 0) {
        return Fail(archive, kTrailerMismatchText);
    }
    std::printf("trailer: SHA-1 matches\n");
    return kSuccess;
}

// Entries whose names differ only in letter case, or not at all, are one file once extracted:
// the later overwrites the earlier. Warned of, as the archive is readable all the same: the
// first ones by name, the rest counted, so that a million of them do not flood the terminal.
void WarnOfSameNames(const std::string& archive, const HeaderWalk& walk) {
    constexpr std::size_t kNamed = 20;
    std::map<std::string, const std::string*> first;
    std::size_t same = 0;
    for (const WalkedEntry& entry : walk.entries) {
        const auto [earlier, added] = first.emplace(FoldedEntryName(entry.name), &entry.name);
        if (added || ++same > kNamed) continue;
        Note(archive + ": " + entry.name,
             "warning: the entry " + ShownName(*earlier->second) +
                 " has the same name, ignoring letter case; extracted, the later may overwrite "
                 "the earlier");
    }
    if (same > kNamed) {
        Note(archive, "warning: " + std::to_string(same - kNamed) +
                          " more entries have the name of an earlier one, ignoring letter case");
    }
}

// A rapified config among the entries is read whole, and said to be; one that does not read is
// damaged.
int VerifyConfig(const std::string& archive, FileHandle file, std::uint32_t position,
                 const WalkedEntry& entry) {
    if (!EntryIsRapified(file, position, entry.record)) return kSuccess;
    std::string error;
    if (!EntryConfigReads(file, position, entry.record, error)) {
        return Fail(archive + ": " + entry.name, error);
    }
    std::printf("%s: a rapified config, read whole\n", ShownName(entry.name).c_str());
    return kSuccess;
}

int Verify(const std::string& archive, FileHandle file, Progress& progress) {
    const HeaderWalk walk = WalkHeader(file);
    const SizeResult size = FileSize32(file);
    if (walk.damaged) return Fail(archive, DamageText(walk, size.size));
    WarnOfSameNames(archive, walk);
    for (const WalkedEntry& entry : walk.entries) {
        if (!Report(progress, entry.name.c_str(), 0)) return kFailure;
        // The walk found the whole data area inside the file, so no offset has wrapped.
        const auto position = static_cast<std::uint32_t>(entry.location.data_offset);
        const DataWatch watch{&progress, entry.name.c_str(), nullptr};
        const DataCheck check = CheckEntryData(file, size.size, position, entry.record, watch);
        if (check.fault == DataFault::stopped) return kFailure;
        if (check.fault != DataFault::none) {
            return Fail(archive + ": " + entry.name, FaultText(check, entry.record));
        }
        // Readable all the same: the stream gives the whole entry, and its sum matched.
        if (check.trailing != 0) {
            Note(archive + ": " + entry.name,
                 "warning: its data ends in " + std::to_string(check.trailing) +
                     " bytes that are neither compressed data nor its checksum");
        }
        if (VerifyConfig(archive, file, position, entry) != kSuccess) return kFailure;
    }
    std::printf("%u entries, the data of each checked\n",
                static_cast<unsigned>(walk.entries.size()));
    return VerifyTrailer(archive, file, static_cast<std::uint32_t>(walk.data_end), size.size,
                         progress);
}

}  // namespace

int VerifyCommand(const Options& options, Progress& progress) {
    std::vector<SigningKey> keys;
    if (!ReadVerifyKeys(options, keys)) return kFailure;
    std::vector<std::string> archives{options.archive};
    archives.insert(archives.end(), options.operands.begin(), options.operands.end());
    int status = kSuccess;
    for (const std::string& archive : archives) {
        if (progress.cancelled) break;
        const OpenResult file = OpenArchiveToRead(archive);
        if (file.handle == nullptr) {
            status = kFailure;  // said why already
            continue;
        }
        const bool whole = Verify(archive, file.handle, progress) == kSuccess;
        CloseFile(file.handle);
        if (!whole || VerifySignatures(archive, keys, progress) != kSuccess) status = kFailure;
    }
    return status;
}

}  // namespace qp::cli

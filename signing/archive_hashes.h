// The three digests a signature covers, taken from an archive in one read of it.
#pragma once

#include <cstdint>
#include <string>

#include "pbo/progress.h"
#include "platform/file.h"
#include "platform/sha1.h"
#include "signing/signing_fault.h"

namespace qp {

struct ArchiveHashes {
    // The trailer's digest, found equal to the SHA-1 of every byte before the trailer.
    std::uint8_t hash1[kSha1Size] = {};
    // Names of the entries with data, in sorted-name form, one after the other.
    std::uint8_t name_hash[kSha1Size] = {};
    // The data (as stored) of the entries the version selects, in order.
    std::uint8_t file_hash[kSha1Size] = {};
    // The prefix followed by '\' unless it ends in one; empty without a prefix.
    std::string prefix_tail;
};

// Reads the archive (open for reading; the position changes) once, front to back: refuses one
// that is damaged (an entry whose data cannot give its size included), has no valid SHA-1
// trailer, or whose entries are not sorted by name. The bytes read are reported to `progress`,
// if any, under `report_name`; a report answered with stop ends the pass (stopped).
SigningResult HashArchive(FileHandle archive, int version, ArchiveHashes& hashes,
                          Progress* progress, const char* report_name);

// The same for the archive at `archive_path`, opened for reading: archive_unreadable when it
// cannot be. Reports go under the path.
SigningResult HashArchiveAt(const std::string& archive_path, int version, ArchiveHashes& hashes,
                            Progress* progress = nullptr);

}  // namespace qp

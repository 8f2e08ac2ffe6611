// Signing an archive: its three digests signed with an authority's private key, written to the
// signature file beside it.
#pragma once

#include <string>

#include "pbo/progress.h"
#include "signing/key_file.h"
#include "signing/signing_fault.h"

namespace qp {

// A key file as read: its bytes, or why they could not be had.
struct KeyFileRead {
    std::string path;
    IoStatus status = IoStatus::ok;
    std::string bytes;
};
KeyFileRead ReadKeyFile(const std::string& path);

// The key a file holds: a private one (`.biprivatekey`) with `want_private`, otherwise a public
// one (`.bikey`); key_unreadable or not_a_key when it has none, key_broken for a private key
// whose signature does not verify with its public half (numbers damaged in the file).
SigningResult KeyFromFile(const KeyFileRead& file, bool want_private, SigningKey& key);

// Signs the archive as `version` (2 or 3) and writes ARCHIVE.AUTHORITY.bisign beside it, replacing
// the one there in one step. The archive is read once, its bytes reported to `progress`; one
// that is damaged, has no valid SHA-1 trailer or is not sorted by name is refused, and so is a
// signature that does not verify with the key's public half (key_broken): then, and when a
// report is answered with stop, nothing is written.
SigningResult SignArchive(const std::string& archive_path, const SigningKey& key, int version,
                          Progress* progress = nullptr);

// The same with the private key of a file read already. When it fails, the archive's signature
// of that authority, which no longer matches it, is removed: the authority of the key, or where
// it cannot be read, its file name without the extension.
SigningResult SignArchiveWith(const std::string& archive_path, const KeyFileRead& key_file,
                              int version);

// After an edit that failed, which may have changed the archive all the same (the files before
// one that could not be opened are packed; splices in place stop where the archive is whole): the
// archive's signature by the key's authority is made again, as SignArchiveWith does, when it no
// longer matches. A signature that still matches, none at all, an archive that cannot be read
// to tell, or a key that cannot be read leaves everything as it is.
SigningResult SignAgainWhereStale(const std::string& archive_path, const KeyFileRead& key_file,
                                  int version);

}  // namespace qp

// Checking an archive's signature by an authority against that authority's public key.
#pragma once

#include <string>

#include "pbo/progress.h"
#include "signing/key_file.h"
#include "signing/signing_fault.h"

namespace qp {

enum class SignatureState {
    valid,
    missing,          // no signature file of the key's authority beside the archive
    unreadable,       // the signature file cannot be read (`archive.status` says why)
    not_a_signature,  // its bytes are no signature file
    other_key,        // it was made with another key of the same authority
    archive_refused,  // the archive cannot be hashed: `archive` says why
    mismatch,         // `matches` says which signatures fail
    crypto_failed,
};

struct SignatureCheck {
    SignatureState state = SignatureState::valid;
    std::string path;  // the signature file
    std::uint32_t version = 0;
    bool matches[3] = {};  // sig1, sig2, sig3
    SigningResult archive;
};

// Checks ARCHIVE.AUTHORITY.bisign for the key `key` (its public part): the key file the signature
// file starts with must be that key's byte for byte, and all three signatures must match the
// archive as it is now, with the version the file names.
// The archive's bytes are reported to `progress`, if any: a report answered with stop gives
// archive_refused with `archive` stopped.
SignatureCheck CheckSignature(const std::string& archive_path, const SigningKey& key,
                              Progress* progress = nullptr);

}  // namespace qp

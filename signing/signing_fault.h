// Why an archive could not be signed or its signatures checked.
#pragma once

#include <string>

#include "platform/file.h"

namespace qp {

enum class SigningFault {
    none,
    key_unreadable,  // the key file cannot be read
    not_a_key,       // the key file holds no key of the kind wanted
    archive_unreadable,
    damaged,        // the header walk found the archive damaged
    no_trailer,     // no trailer with a SHA-1, or only the fixed text of older archives
    stale_trailer,  // the trailer's SHA-1 is not that of the bytes before it
    not_sorted,     // the entries are not sorted by name ignoring case
    crypto_failed,  // the system could not sign
    write_failed,   // the signature file could not be written
    key_broken,     // the private key's numbers do not agree: what it signs does not verify
    stopped,        // a progress report was answered with stop
};

struct SigningResult {
    SigningFault fault = SigningFault::none;
    IoStatus status = IoStatus::ok;  // the system's reason, for a file that failed
};

// The reason in words, for messages.
std::string SigningFaultText(const SigningResult& result);

}  // namespace qp

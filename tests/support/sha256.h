// SHA-256 of a byte string, to compare extracted files with the hashes of a manifest.
#pragma once

#include <string>

namespace qp::test {

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

}  // namespace qp::test

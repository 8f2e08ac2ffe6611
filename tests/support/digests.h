// SHA-256 and SHA-1 of byte strings, written here so that tests hold what the code makes against
// digests it did not compute: the hashes of a manifest, the trailers of archives.
#pragma once

#include <string>

namespace qp::test {

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

// The 20 bytes of the digest.
std::string Sha1(const std::string& bytes);

// Whether the archive ends in a zero byte and the SHA-1 of every byte before it.
bool EndsInDigestTrailer(const std::string& archive);

}  // namespace qp::test

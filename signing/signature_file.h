// The signature file (`.bisign`) beside a signed archive: the authority's public key file, then
// three signatures and the version that chose what the third covers.
#pragma once

#include <cstdint>
#include <string>

#include "signing/archive_hashes.h"
#include "signing/key_file.h"

namespace qp {

constexpr char kSignatureExtension[] = ".bisign";

struct SignatureFile {
    SigningKey key;  // its public part is what the file starts with
    std::uint32_t version = 3;
    std::string signatures[3];  // sig1, sig2, sig3: bits/8 bytes each, little-endian
};

// "ARCHIVE.AUTHORITY.bisign": where the authority's signature of the archive lies.
std::string SignatureFilePath(const std::string& archive_path, const std::string& authority);

std::string SignatureFileBytes(const SignatureFile& file);
// False when the bytes are not a whole signature file: a key, each length its key's width, a
// version of 2 or 3, nothing after. `key_bytes` gets the key part as it stands.
bool ParseSignatureFile(const std::string& bytes, SignatureFile& file, std::string& key_bytes);

// The digests the three signatures sign: hash1; SHA-1 of hash1, the name hash and the prefix
// tail; SHA-1 of the file hash, the name hash and the prefix tail. False when the system gives no
// digest.
bool SignedDigests(const ArchiveHashes& hashes, std::uint8_t (&digests)[3][kSha1Size]);

}  // namespace qp

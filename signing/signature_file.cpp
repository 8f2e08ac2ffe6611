// The .bisign layout, and the digests its signatures sign.
#include "signing/signature_file.h"

#include <cstring>

#include "pbo/little_endian.h"

namespace qp {
namespace {

// The next u32, or false when the bytes end first.
bool ReadU32(const std::string& bytes, std::size_t& at, std::uint32_t& value) {
    if (bytes.size() - at < 4) return false;
    value = LoadLittle32(bytes, at);
    at += 4;
    return true;
}

// A length that must be the key's width, then that many bytes.
bool ReadSignature(const std::string& bytes, std::size_t& at, std::uint32_t width,
                   std::string& signature) {
    std::uint32_t length = 0;
    if (!ReadU32(bytes, at, length) || length != width || bytes.size() - at < width) return false;
    signature = bytes.substr(at, width);
    at += width;
    return true;
}

bool DigestOfParts(const std::uint8_t (&first)[kSha1Size], const std::uint8_t (&names)[kSha1Size],
                   const std::string& tail, std::uint8_t (&digest)[kSha1Size]) {
    Sha1 sha1;
    if (!StartSha1(sha1)) return false;
    UpdateSha1(sha1, first, kSha1Size);
    UpdateSha1(sha1, names, kSha1Size);
    UpdateSha1(sha1, tail.data(), static_cast<std::uint32_t>(tail.size()));
    return FinishSha1(sha1, digest);
}

}  // namespace

std::string SignatureFilePath(const std::string& archive_path, const std::string& authority) {
    return archive_path + "." + authority + kSignatureExtension;
}

std::string SignatureFileBytes(const SignatureFile& file) {
    const std::uint32_t width = file.key.rsa.bits / 8;
    std::string bytes = PublicKeyFileBytes(file.key);
    for (int i = 0; i < 3; ++i) {
        AppendLittle32(bytes, width);
        bytes += file.signatures[i];
        if (i == 0) AppendLittle32(bytes, file.version);
    }
    return bytes;
}

bool ParseSignatureFile(const std::string& bytes, SignatureFile& file, std::string& key_bytes) {
    std::size_t at = ParseKey(bytes, file.key);
    if (at == 0 || IsPrivateKey(file.key.rsa)) return false;
    key_bytes = bytes.substr(0, at);
    const std::uint32_t width = file.key.rsa.bits / 8;
    bool read = ReadSignature(bytes, at, width, file.signatures[0]) &&
                ReadU32(bytes, at, file.version) && (file.version == 2 || file.version == 3);
    for (int i = 1; i < 3; ++i) read = read && ReadSignature(bytes, at, width, file.signatures[i]);
    return read && at == bytes.size();
}

bool SignedDigests(const ArchiveHashes& hashes, std::uint8_t (&digests)[3][kSha1Size]) {
    std::memcpy(digests[0], hashes.hash1, kSha1Size);
    return DigestOfParts(hashes.hash1, hashes.name_hash, hashes.prefix_tail, digests[1]) &&
           DigestOfParts(hashes.file_hash, hashes.name_hash, hashes.prefix_tail, digests[2]);
}

}  // namespace qp

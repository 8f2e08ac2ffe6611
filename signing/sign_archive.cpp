// Signing: read the key, hash the archive in one pass, sign three digests, write the file.
#include "signing/sign_archive.h"

#include "signing/archive_hashes.h"
#include "signing/check_signature.h"
#include "signing/signature_file.h"
#include "signing/small_file.h"

namespace qp {
namespace {

// The file name of a key path without its folder and extension.
std::string AuthorityFromPath(const std::string& key_path) {
    const std::size_t slash = key_path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? key_path : key_path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// Signs `digest`, and checks the signature with the public numbers of the key alone, as a server
// does: a private key whose numbers were damaged in its file may still sign, but what it signs
// no server accepts. False when either fails.
bool SignVerified(const RsaKey& key, const std::uint8_t (&digest)[kSha1Size],
                  std::string& signature) {
    RsaKey public_half;
    public_half.bits = key.bits;
    public_half.public_exponent = key.public_exponent;
    public_half.modulus = key.modulus;
    return SignSha1Digest(key, digest, signature) &&
           VerifySha1Signature(public_half, digest, signature) == RsaCheck::match;
}

}  // namespace

KeyFileRead ReadKeyFile(const std::string& path) {
    KeyFileRead file{path, IoStatus::ok, {}};
    file.status = ReadSmallFile(path, file.bytes);
    return file;
}

SigningResult KeyFromFile(const KeyFileRead& file, bool want_private, SigningKey& key) {
    if (file.status != IoStatus::ok) return {SigningFault::key_unreadable, file.status};
    // An empty file parses as nothing at all, which is no key either.
    const std::size_t taken = ParseKey(file.bytes, key);
    if (taken == 0 || taken != file.bytes.size() || IsPrivateKey(key.rsa) != want_private) {
        return {SigningFault::not_a_key, IoStatus::ok};
    }
    // One signature, of any digest, tells a key that signs what does not verify.
    const std::uint8_t probe[kSha1Size] = {};
    std::string signature;
    if (want_private && !SignVerified(key.rsa, probe, signature)) {
        return {SigningFault::key_broken, IoStatus::ok};
    }
    return {};
}

SigningResult SignArchive(const std::string& archive_path, const SigningKey& key, int version,
                          Progress* progress) {
    ArchiveHashes hashes;
    const SigningResult hashed = HashArchiveAt(archive_path, version, hashes, progress);
    if (hashed.fault != SigningFault::none) return hashed;
    std::uint8_t digests[3][kSha1Size];
    SignatureFile file{key, static_cast<std::uint32_t>(version), {}};
    if (!SignedDigests(hashes, digests)) return {SigningFault::crypto_failed, IoStatus::ok};
    for (int i = 0; i < 3; ++i) {
        if (!SignVerified(key.rsa, digests[i], file.signatures[i])) {
            return {SigningFault::key_broken, IoStatus::ok};
        }
    }
    const IoStatus written = WriteSmallFile(SignatureFilePath(archive_path, key.authority),
                                            SignatureFileBytes(file), true);
    if (written != IoStatus::ok) return {SigningFault::write_failed, written};
    return {};
}

SigningResult SignArchiveWith(const std::string& archive_path, const KeyFileRead& key_file,
                              int version) {
    SigningKey key;
    SigningResult result = KeyFromFile(key_file, true, key);
    if (result.fault == SigningFault::none) result = SignArchive(archive_path, key, version);
    if (result.fault != SigningFault::none) {
        const bool known = !key.authority.empty();
        RemoveFile(SignatureFilePath(archive_path,
                                     known ? key.authority : AuthorityFromPath(key_file.path))
                       .c_str());
    }
    return result;
}

SigningResult SignAgainWhereStale(const std::string& archive_path, const KeyFileRead& key_file,
                                  int version) {
    SigningKey key;
    if (KeyFromFile(key_file, true, key).fault != SigningFault::none) return {};
    const SignatureCheck check = CheckSignature(archive_path, key);
    const bool stale = check.state == SignatureState::mismatch ||
                       (check.state == SignatureState::archive_refused &&
                        check.archive.fault != SigningFault::archive_unreadable);
    return stale ? SignArchiveWith(archive_path, key_file, version) : SigningResult{};
}

}  // namespace qp

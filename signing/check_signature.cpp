// Verification: the signature file, the key it starts with, then each signature over the digests
// of the archive as it is.
#include "signing/check_signature.h"

#include "signing/archive_hashes.h"
#include "signing/signature_file.h"
#include "signing/small_file.h"

namespace qp {

SignatureCheck CheckSignature(const std::string& archive_path, const SigningKey& key,
                              Progress* progress) {
    SignatureCheck check;
    check.path = SignatureFilePath(archive_path, key.authority);
    std::string bytes;
    if (!PathExists(check.path.c_str())) {
        check.state = SignatureState::missing;
        return check;
    }
    check.archive.status = ReadSmallFile(check.path, bytes);
    SignatureFile file;
    std::string file_key_bytes;
    if (check.archive.status != IoStatus::ok) {
        check.state = SignatureState::unreadable;
    } else if (!ParseSignatureFile(bytes, file, file_key_bytes)) {
        check.state = SignatureState::not_a_signature;
    } else if (file_key_bytes != PublicKeyFileBytes(key)) {
        check.state = SignatureState::other_key;
    }
    if (check.state != SignatureState::valid) return check;
    check.version = file.version;

    ArchiveHashes hashes;
    check.archive = HashArchiveAt(archive_path, static_cast<int>(file.version), hashes, progress);
    std::uint8_t digests[3][kSha1Size];
    if (check.archive.fault != SigningFault::none) {
        check.state = SignatureState::archive_refused;
        return check;
    }
    if (!SignedDigests(hashes, digests)) check.state = SignatureState::crypto_failed;
    for (int i = 0; i < 3 && check.state == SignatureState::valid; ++i) {
        const RsaCheck verified = VerifySha1Signature(key.rsa, digests[i], file.signatures[i]);
        if (verified == RsaCheck::failed) check.state = SignatureState::crypto_failed;
        check.matches[i] = verified == RsaCheck::match;
    }
    if (check.state == SignatureState::valid &&
        !(check.matches[0] && check.matches[1] && check.matches[2])) {
        check.state = SignatureState::mismatch;
    }
    return check;
}

}  // namespace qp

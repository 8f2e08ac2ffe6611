// The signature checks of verify, in words.
#include "cli/verify_signatures.h"

#include <cstdio>

#include "cli/commands.h"
#include "signing/check_signature.h"
#include "signing/sign_archive.h"

namespace qp::cli {
namespace {

// What a failing signature says about the archive: each covers another part of it.
std::string MismatchText(int signature, std::uint32_t version) {
    const std::string name = "sig" + std::to_string(signature + 1) + " does not match: ";
    if (signature == 0) return name + "the archive changed after signing";
    if (signature == 1) return name + "the archive, its names or its prefix changed after signing";
    return name + (version == 3 ? "the scripts changed after signing"
                                : "the files it covers changed after signing");
}

void Report(const std::string& archive, const SigningKey& key, const SignatureCheck& check) {
    if (check.state == SignatureState::valid) {
        std::printf("signature %s: version %u, sig1, sig2 and sig3 match\n", check.path.c_str(),
                    static_cast<unsigned>(check.version));
    } else {
        Fail(check.state == SignatureState::missing ? archive : check.path,
             SignatureFailure(key, check));
    }
}

}  // namespace

std::string SignatureFailure(const SigningKey& key, const SignatureCheck& check) {
    switch (check.state) {
        case SignatureState::valid:
            return {};
        case SignatureState::missing:
            return "no signature for authority " + key.authority;
        case SignatureState::unreadable:
            return std::string("cannot read the signature: ") + IoStatusText(check.archive.status);
        case SignatureState::not_a_signature:
            return "not a signature file";
        case SignatureState::other_key:
            return "made with another key of authority " + key.authority + ", not the one given";
        case SignatureState::archive_refused:
            return "cannot be checked: " + SigningFaultText(check.archive);
        case SignatureState::crypto_failed:
            return "the system's cryptography failed";
        case SignatureState::mismatch:
            break;
    }
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (!check.matches[i]) text += (text.empty() ? "" : "; ") + MismatchText(i, check.version);
    }
    return text;
}

bool ReadVerifyKey(const std::string& path, SigningKey& key) {
    const KeyFileRead file = ReadKeyFile(path);
    SigningResult read = KeyFromFile(file, false, key);
    if (read.fault == SigningFault::not_a_key) read = KeyFromFile(file, true, key);
    if (read.fault == SigningFault::none) return true;
    return Refuse(path, SigningFaultText(read));
}

bool ReadVerifyKeys(const Options& options, std::vector<SigningKey>& keys) {
    for (const std::string& path : options.keys) {
        SigningKey key;
        if (!ReadVerifyKey(path, key)) return false;
        keys.push_back(std::move(key));
    }
    return true;
}

int VerifySignatures(const std::string& archive, const std::vector<SigningKey>& keys,
                     Progress& progress) {
    int status = kSuccess;
    for (const SigningKey& key : keys) {
        const SignatureCheck check = CheckSignature(archive, key, &progress);
        if (check.archive.fault == SigningFault::stopped) return kFailure;
        Report(archive, key, check);
        if (check.state != SignatureState::valid) status = kFailure;
    }
    return status;
}

}  // namespace qp::cli

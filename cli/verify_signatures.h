// verify --key: the signatures beside an archive checked against the public keys given.
#pragma once

#include <string>
#include <vector>

#include "cli/options.h"
#include "pbo/progress.h"
#include "signing/check_signature.h"
#include "signing/key_file.h"

namespace qp::cli {

// Reads a key file for checking (a private key stands for its public part); false with a message
// when it holds no key.
bool ReadVerifyKey(const std::string& path, SigningKey& key);
// Reads --key's key files; false at the first that holds no key.
bool ReadVerifyKeys(const Options& options, std::vector<SigningKey>& keys);

// Checks the archive's signature of each key's authority, says which match, names each failure
// and its cause; returns the exit code. The archive's bytes are reported to `progress`, and a
// report answered with stop ends the checks.
int VerifySignatures(const std::string& archive, const std::vector<SigningKey>& keys,
                     Progress& progress);

// Why a check of `key`'s signature failed, in words; empty when it passed.
std::string SignatureFailure(const SigningKey& key, const SignatureCheck& check);

}  // namespace qp::cli

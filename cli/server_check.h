// verify --keys: a server's question, whether every archive of a mod carries a signature that one
// of the keys the server trusts accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "pbo/progress.h"
#include "signing/key_file.h"

namespace qp::cli {

struct FolderKey {
    std::string path;
    SigningKey key;
    bool used = false;  // some archive carries a signature of its authority
};

enum class ServerResult {
    accepted,
    unsigned_archive,  // no signature file beside it
    no_key,            // signed only by authorities with no key in the folder
    rejected,          // a signature of an authority with a key that does not accept it
};

struct ArchiveVerdict {
    std::string archive;
    std::vector<std::string> signatures;  // the .bisign files beside it
    ServerResult result = ServerResult::accepted;
    // Whose key accepted it; otherwise the authority of the signature that failed, or of the
    // first signature found, or empty when there is none.
    std::string authority;
    std::string reason;                  // why no key accepts it, in words
    std::vector<std::string> odd_names;  // it and its signatures, where a Linux server misses them
};

// The command: the verdict of every archive, in words or (--json) as one document; exit 1 when
// any archive is not accepted.
int ServerCheckCommand(const Options& options, Progress& progress);

// Words shared by the text and the JSON.
constexpr char kOddNameText[] =
    "upper-case letters or spaces in the name: a server on Linux does not find it";
std::string UnusedKeyText(const FolderKey& key);

}  // namespace qp::cli

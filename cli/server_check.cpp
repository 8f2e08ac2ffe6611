// The server's check: each archive against every key of the folder, by the rules of verify --key.
#include "cli/server_check.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/interrupt.h"
#include "cli/mod_files.h"
#include "cli/name_text.h"
#include "cli/server_check_json.h"
#include "cli/verify_signatures.h"
#include "signing/check_signature.h"
#include "signing/signature_file.h"

namespace qp::cli {
namespace {

std::string FileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

// What is wrong when no key accepted the archive and no key's signature was there to fail.
void NoKeyVerdict(ArchiveVerdict& verdict, const std::string& folder) {
    if (verdict.signatures.empty()) {
        verdict.result = ServerResult::unsigned_archive;
        verdict.reason = "no signature";
        return;
    }
    verdict.result = ServerResult::no_key;
    std::string authorities;
    for (const std::string& signature : verdict.signatures) {
        authorities +=
            (authorities.empty() ? "" : ", ") + SignatureAuthority(verdict.archive, signature);
    }
    verdict.authority = SignatureAuthority(verdict.archive, verdict.signatures.front());
    const bool one = verdict.signatures.size() == 1;
    verdict.reason = (one ? "signed by authority " : "signed by authorities ") + authorities +
                     (one ? ", which has no key in " : ", which have no key in ") + folder;
}

ArchiveVerdict CheckArchive(const std::string& archive, std::vector<FolderKey>& keys,
                            const std::string& folder) {
    ArchiveVerdict verdict;
    verdict.archive = archive;
    verdict.signatures = SignatureFilesBeside(archive);
    bool accepted = false;
    std::string failures;
    for (FolderKey& key : keys) {
        const std::string signature = SignatureFilePath(archive, key.key.authority);
        if (accepted) {
            key.used = key.used || PathExists(signature.c_str());
            continue;
        }
        const SignatureCheck check = CheckSignature(archive, key.key);
        if (check.state == SignatureState::missing) continue;
        key.used = true;
        accepted = check.state == SignatureState::valid;
        if (accepted || failures.empty()) verdict.authority = key.key.authority;
        if (!accepted) {
            failures += (failures.empty() ? "" : "; ") + FileName(signature) + ": " +
                        SignatureFailure(key.key, check);
        }
    }
    if (!accepted && !failures.empty()) {
        verdict.result = ServerResult::rejected;
        verdict.reason = failures;
    } else if (!accepted) {
        NoKeyVerdict(verdict, folder);
    }
    if (ServerMissesName(archive)) verdict.odd_names.push_back(archive);
    for (const std::string& signature : verdict.signatures) {
        if (ServerMissesName(signature)) verdict.odd_names.push_back(signature);
    }
    return verdict;
}

// The keys of the folder, each read whole; false with a message at one that is no key.
bool ReadFolderKeys(const std::string& folder, std::vector<FolderKey>& keys) {
    std::vector<std::string> paths;
    if (!KeyFilesIn(folder, paths)) return false;
    for (const std::string& path : paths) {
        FolderKey key;
        key.path = path;
        if (!ReadVerifyKey(path, key.key)) return false;
        keys.push_back(std::move(key));
    }
    return true;
}

void PutVerdictText(const ArchiveVerdict& verdict) {
    for (const std::string& name : verdict.odd_names)
        Note(name, std::string("warning: ") + kOddNameText);
    if (verdict.result == ServerResult::accepted) {
        std::printf("%s: accepted, signed by %s\n", ShownName(verdict.archive).c_str(),
                    verdict.authority.c_str());
        std::fflush(stdout);  // in order with the messages on standard error, in a log too
    } else {
        Fail(verdict.archive, "not accepted: " + verdict.reason);
    }
}

}  // namespace

std::string UnusedKeyText(const FolderKey& key) {
    return "no archive is signed by its authority " + key.key.authority;
}

int ServerCheckCommand(const Options& options, Progress& progress) {
    std::vector<FolderKey> keys;
    std::vector<std::string> archives;
    if (!ReadFolderKeys(options.keys_folder, keys)) return kFailure;
    if (!ArchivesAt(options.archive, archives)) return kFailure;
    for (const std::string& path : options.operands) {
        if (!ArchivesAt(path, archives)) return kFailure;
    }
    std::vector<ArchiveVerdict> verdicts;
    std::size_t accepted = 0;
    for (const std::string& archive : archives) {
        // An interrupt stops it between archives. No progress line is drawn: each verdict is a
        // line of its own.
        if (InterruptSignal() != 0) {
            progress.cancelled = true;
            return kFailure;
        }
        verdicts.push_back(CheckArchive(archive, keys, options.keys_folder));
        if (verdicts.back().result == ServerResult::accepted) ++accepted;
        if (!options.json) PutVerdictText(verdicts.back());
    }
    if (options.json) {
        if (!PutServerCheckJson(keys, verdicts, accepted)) {
            return Fail(options.keys_folder, "the document could not be written whole");
        }
    } else {
        for (const FolderKey& key : keys) {
            if (!key.used) Note(key.path, "warning: " + UnusedKeyText(key));
        }
        std::printf("%s %s: %s accepted, %s not accepted\n",
                    std::to_string(verdicts.size()).c_str(),
                    verdicts.size() == 1 ? "archive" : "archives", std::to_string(accepted).c_str(),
                    std::to_string(verdicts.size() - accepted).c_str());
    }
    return accepted == verdicts.size() ? kSuccess : kFailure;
}

}  // namespace qp::cli

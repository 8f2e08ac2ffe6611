// Signing around an edit: key first, signature after, stale signatures named.
#include "cli/signing_steps.h"

#include <filesystem>
#include <system_error>

#include "signing/signature_file.h"
#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/name_text.h"
#include "editing/rewrite_archive.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

// Notes the signature files of the archive (ARCHIVE.*.bisign) but the one of `signed_by`.
void NoteStaleSignatures(const std::string& archive, const std::string& signed_by) {
    const fs::path path = PathFromUtf8(archive);
    const std::string start = Utf8FromPath(path.filename()) + ".";
    const std::string end = kSignatureExtension;
    std::error_code error;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator item(folder, error), last; !error && item != last;
         item.increment(error)) {
        const std::string name = Utf8FromPath(item->path().filename());
        if (name.size() > start.size() + end.size() && name.starts_with(start) &&
            name.ends_with(end) && name != start + signed_by + end) {
            Note(Utf8FromPath(path.parent_path() / item->path().filename()),
                 "no longer matches the archive: sign it again");
        }
    }
}

}  // namespace

bool ReadSignKey(const Options& options, KeyFileRead& key_file) {
    if (options.sign_key.empty()) return true;
    key_file = ReadKeyFile(options.sign_key);
    SigningKey key;
    const SigningResult read = KeyFromFile(key_file, true, key);
    if (read.fault == SigningFault::none) return true;
    Fail(options.sign_key, SigningFaultText(read) + "; nothing changed");
    return false;
}

int FinishSignedEdit(const Options& options, const KeyFileRead& key_file) {
    SigningKey key;
    int status = kSuccess;
    if (!options.sign_key.empty()) {
        KeyFromFile(key_file, true, key);
        const SigningResult signed_now = SignArchiveWith(options.archive, key_file, 3);
        if (signed_now.fault != SigningFault::none) {
            status = Fail(options.archive,
                          "changed, but not signed: " +
                              SigningFailureText(signed_now, options.archive, key.authority) +
                              "; its old signature of authority " + key.authority + " is removed");
        }
    }
    NoteStaleSignatures(options.archive, key.authority);
    return status;
}

int FinishFailedEdit(const Options& options, const KeyFileRead& key_file) {
    if (options.in_place && !options.sign_key.empty()) {
        SignAgainWhereStale(options.archive, key_file, 3);
    }
    return kFailure;
}

std::string SigningFailureText(const SigningResult& result, const std::string& archive,
                               const std::string& authority) {
    if (result.fault == SigningFault::damaged) return ArchiveDamageText(archive);
    if (result.fault == SigningFault::write_failed) {
        return "cannot write the signature: " +
               SmallFileFailureText(SignatureFilePath(archive, authority), result.status);
    }
    std::string text = SigningFaultText(result);
    if (result.fault == SigningFault::not_sorted) text += ": run quillpack sort " + archive;
    return text;
}

std::string SmallFileFailureText(const std::string& path, IoStatus status) {
    const std::string beside = ReplacementPath(path.c_str());
    std::error_code error;
    if (status != IoStatus::already_exists ||
        !fs::exists(fs::symlink_status(PathFromUtf8(beside), error))) {
        return IoStatusText(status);
    }
    return ShownName(beside) + " exists and is not ours; nothing written. Remove it and try again";
}

}  // namespace qp::cli

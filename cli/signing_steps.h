// What the commands share for signatures: --sign's key checked before the edit, the archive
// signed after it, a word about signatures the edit left out of date, and why a key or signature
// file could not be written.
#pragma once

#include "signing/sign_archive.h"
#include "cli/options.h"

namespace qp::cli {

// Reads --sign's private key, if given, before anything is changed: false with a message when it
// cannot sign.
bool ReadSignKey(const Options& options, KeyFileRead& key_file);

// After an edit of `options.archive` succeeded: signs it with --sign's key (when that fails, the
// old signature of that authority is removed and the result is a failure), and names every other
// .bisign file beside it, which no longer matches. Returns the exit code.
int FinishSignedEdit(const Options& options, const KeyFileRead& key_file);

// After an edit of `options.archive` failed. Splices in place may have changed it all the same:
// with --sign, its signature is then made again where it no longer matches. Returns kFailure.
int FinishFailedEdit(const Options& options, const KeyFileRead& key_file);

// Why `archive` could not be signed by `authority`, in words, with the command that helps where
// one does.
std::string SigningFailureText(const SigningResult& result, const std::string& archive,
                               const std::string& authority);

// Why a key or signature file could not be written at `path`: where something stands at the name
// it is first written under (PATH.quillpack-tmp: a link, a folder, another user's file), that.
std::string SmallFileFailureText(const std::string& path, IoStatus status);

}  // namespace qp::cli

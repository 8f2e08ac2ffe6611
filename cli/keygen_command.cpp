// quillpack keygen: a new signing key, its private and public key files, never over existing ones;
// the private one readable by its owner alone.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/entry_paths.h"
#include "cli/signing_steps.h"
#include "signing/key_file.h"
#include "signing/small_file.h"

namespace qp::cli {

int KeygenCommand(const Options& options) {
    const std::string& authority = options.archive;
    if (!IsAuthorityName(authority)) {
        return Fail(authority,
                    "not an authority name: 1 to 255 printable ASCII characters, none of "
                    "\\ / : * ? \" < > |");
    }
    const std::string base = JoinPath(options.output_folder, authority);
    const std::string private_path = base + kPrivateKeyExtension;
    const std::string public_path = base + kPublicKeyExtension;
    for (const std::string& path : {private_path, public_path}) {
        if (PathExists(path.c_str())) {
            return Fail(path, "exists already: key files are never overwritten");
        }
    }
    std::error_code error;
    std::filesystem::create_directories(PathFromUtf8(options.output_folder), error);
    if (error) return Fail(options.output_folder, "cannot create the folder: " + error.message());
    SigningKey key{authority, {}};
    if (!GenerateRsaKey(kNewKeyBits, key.rsa)) {
        return Fail(authority, "the system's cryptography could not make a key");
    }
    IoStatus written = WriteSmallFile(private_path, PrivateKeyFileBytes(key), false,
                                      OpenMode::replacement_private);
    if (written != IoStatus::ok)
        return Fail(private_path, SmallFileFailureText(private_path, written));
    written = WriteSmallFile(public_path, PublicKeyFileBytes(key), false);
    if (written != IoStatus::ok) {
        RemoveFile(private_path.c_str());  // ours, and useless without its public key
        return Fail(public_path, SmallFileFailureText(public_path, written));
    }
    std::printf(
        "%s: the private key, readable by you alone: keep it secret, whoever has it signs "
        "as %s\n%s: the public key: give it to the servers that load your addons\n",
        private_path.c_str(), authority.c_str(), public_path.c_str());
    return kSuccess;
}

}  // namespace qp::cli

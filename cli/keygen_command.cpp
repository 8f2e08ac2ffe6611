// quillpack keygen: a new signing key, its private and public key files, never over existing ones.
#include <cstdio>
#include <string>

#include "signing/key_file.h"
#include "signing/small_file.h"
#include "cli/commands.h"
#include "cli/entry_paths.h"

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
    SigningKey key{authority, {}};
    if (!GenerateRsaKey(kNewKeyBits, key.rsa)) {
        return Fail(authority, "the system's cryptography could not make a key");
    }
    IoStatus written = WriteSmallFile(private_path, PrivateKeyFileBytes(key), false);
    if (written != IoStatus::ok) return Fail(private_path, IoStatusText(written));
    written = WriteSmallFile(public_path, PublicKeyFileBytes(key), false);
    if (written != IoStatus::ok) {
        RemoveFile(private_path.c_str());  // ours, and useless without its public key
        return Fail(public_path, IoStatusText(written));
    }
    std::printf("%s\n%s\n", private_path.c_str(), public_path.c_str());
    return kSuccess;
}

}  // namespace qp::cli

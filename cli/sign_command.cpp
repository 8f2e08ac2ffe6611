// quillpack sign: ARCHIVE.AUTHORITY.bisign beside each archive, from one private key.
#include <cstdio>
#include <string>

#include "signing/sign_archive.h"
#include "signing/signature_file.h"
#include "cli/commands.h"
#include "cli/signing_steps.h"

namespace qp::cli {

int SignCommand(const Options& options, Progress& progress) {
    SigningKey key;
    const SigningResult read = KeyFromFile(ReadKeyFile(options.archive), true, key);
    if (read.fault != SigningFault::none) return Fail(options.archive, SigningFaultText(read));
    const int version = options.version2 ? 2 : 3;
    int status = kSuccess;
    for (const std::string& archive : options.operands) {
        const SigningResult signed_now = SignArchive(archive, key, version, &progress);
        if (signed_now.fault == SigningFault::stopped) return kFailure;  // nothing written
        if (signed_now.fault != SigningFault::none) {
            status = Fail(archive, SigningFailureText(signed_now, archive, key.authority));
        } else {
            std::printf("%s\n", SignatureFilePath(archive, key.authority).c_str());
        }
    }
    return status;
}

}  // namespace qp::cli

// Signing failures in words.
#include "signing/signing_fault.h"

namespace qp {
namespace {

const char* FaultText(SigningFault fault) {
    switch (fault) {
        case SigningFault::none:
            return "signed";
        case SigningFault::key_unreadable:
            return "cannot read the key";
        case SigningFault::not_a_key:
            return "not a key file of the kind wanted";
        case SigningFault::archive_unreadable:
            return "cannot read the archive";
        case SigningFault::damaged:
            return "damaged archive";
        case SigningFault::no_trailer:
            return "the archive ends in no SHA-1 trailer, which signing needs";
        case SigningFault::stale_trailer:
            return "the trailer's SHA-1 does not match the archive";
        case SigningFault::not_sorted:
            return "the entries are not sorted by name ignoring case, as servers require";
        case SigningFault::crypto_failed:
            return "the system's cryptography failed";
        case SigningFault::write_failed:
            return "cannot write the signature";
        case SigningFault::key_broken:
            return "the private key does not sign: what it signs does not verify with its public "
                   "half (a damaged key file)";
        case SigningFault::stopped:
            return "interrupted";
    }
    return "cannot sign";
}

}  // namespace

std::string SigningFaultText(const SigningResult& result) {
    if (result.status == IoStatus::ok) return FaultText(result.fault);
    return std::string(FaultText(result.fault)) + ": " + IoStatusText(result.status);
}

}  // namespace qp

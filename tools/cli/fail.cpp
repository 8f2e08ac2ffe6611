// Error messages of the quillpack tool.
#include <cstdio>
#include <string>

#include "pbo/outcome.h"
#include "tools/cli/commands.h"

namespace qp::cli {

int Fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "quillpack: %s: %s\n", file.c_str(), reason.c_str());
    return kFailure;
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::ok:
            return "success";
        case Outcome::end_of_archive:
            return "no more entries";
        case Outcome::no_memory:
            return "not enough memory";
        case Outcome::bad_data:
            return "entry data is damaged";
        case Outcome::bad_archive:
            return "damaged archive (left unchanged)";
        case Outcome::open_failed:
            return "cannot open file";
        case Outcome::create_failed:
            return "cannot create file";
        case Outcome::close_failed:
            return "cannot close file";
        case Outcome::read_failed:
            return "read failed or ended early";
        case Outcome::write_failed:
            return "write failed";
        case Outcome::aborted:
            return "cancelled";
    }
    return "unknown error";
}

}  // namespace qp::cli

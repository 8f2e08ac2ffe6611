// Texts for the portable file-service outcomes, shared by both backends.
#include "platform/file.h"

namespace qp {

const char* IoStatusText(IoStatus status) {
    switch (status) {
        case IoStatus::ok:
            return "success";
        case IoStatus::not_found:
            return "no such file or folder";
        case IoStatus::access_denied:
            return "permission denied";
        case IoStatus::in_use:
            return "in use by another program";
        case IoStatus::already_exists:
            return "file already exists";
        case IoStatus::truncated:
            return "unexpected end of file";
        case IoStatus::no_space:
            return "no space left on device";
        case IoStatus::too_large:
            return "file too large";
        case IoStatus::io_error:
            return "input/output error";
    }
    return "unknown error";
}

}  // namespace qp

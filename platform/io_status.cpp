// Texts for the portable file-service outcomes and the system's reasons, shared by the backends.
#include <cctype>

#include "platform/native_file.h"

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
            return "disk full (no space left on the device)";
        case IoStatus::too_large:
            return "file too large";
        case IoStatus::io_error:
            return "input/output error";
        case IoStatus::not_regular:
            return "not a regular file (a folder, device or pipe)";
        case IoStatus::link_refused:
            return "a symbolic link or junction, not followed";
        case IoStatus::name_too_long:
            return "name too long for the file system";
    }
    return "unknown error";
}

std::string ReasonText(IoStatus status, int system_error) {
    if (system_error == 0) return IoStatusText(status);
    std::string text = native::SystemErrorText(system_error);
    // Messages go on after the reason: no closing full stop or line break, and no capital.
    while (!text.empty() &&
           (text.back() == '.' || std::isspace(static_cast<unsigned char>(text.back())))) {
        text.pop_back();
    }
    if (text.empty()) return IoStatusText(status);
    if (text.size() < 2 || !std::isupper(static_cast<unsigned char>(text[1]))) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

}  // namespace qp

// POSIX side of the program's text: arguments and names are bytes, passed on as they are.
#if !defined(_WIN32)

#include <unistd.h>

#include <cerrno>

#include "platform/program_text.h"

namespace qp {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void ShowUtf8OnConsole() {}

IoStatus ReadStandardInput(std::string& bytes, std::size_t largest) {
    char block[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return IoStatus::io_error;
        if (got == 0) return IoStatus::ok;
        bytes.append(block, static_cast<std::size_t>(got));
        if (bytes.size() > largest) return IoStatus::too_large;
    }
}

std::string NameInUtf8(const std::string& name) {
    return name;
}

}  // namespace qp

#endif  // !_WIN32

// POSIX side of the program's text: arguments and names are bytes, passed on as they are.
#if !defined(_WIN32)

#include "platform/program_text.h"

namespace qp {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void ShowUtf8OnConsole() {}

std::string NameInUtf8(const std::string& name) {
    return name;
}

}  // namespace qp

#endif  // !_WIN32

// Win32 side of the program's text: the Unicode command line, the console's code page, and the
// ANSI code page of older names. Holds only generic Win32 code (kernel32, shell32).
#if defined(_WIN32)

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/program_text.h"

namespace qp {
namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    utf8.pop_back();  // the NUL
    return utf8;
}

bool ValidUtf8(const std::string& text) {
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                               static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

void ShowUtf8OnConsole() {
    SetConsoleOutputCP(CP_UTF8);
}

std::string NameInUtf8(const std::string& name) {
    if (name.empty() || ValidUtf8(name)) return name;
    const int length =
        MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    if (length <= 0) return name;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    return Utf8FromWide(wide.c_str());
}

}  // namespace qp

#endif  // _WIN32

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

IoStatus ReadStandardInput(std::string& bytes, std::size_t largest) {
    // ReadFile on the handle itself: no C runtime in between to turn "\r\n" into "\n" or stop
    // at Ctrl-Z.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char block[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(input, block, sizeof block, &got, nullptr)) {
            // The writing end of a pipe closed: the end of the input.
            return GetLastError() == ERROR_BROKEN_PIPE ? IoStatus::ok : IoStatus::io_error;
        }
        if (got == 0) return IoStatus::ok;
        bytes.append(block, got);
        if (bytes.size() > largest) return IoStatus::too_large;
    }
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

// The text a command-line program exchanges with its system: its arguments, its console, and
// names written in the system's code page, all as UTF-8; and its standard input, as bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/file.h"

namespace qp {

// The arguments after the program's name, in UTF-8: on Windows taken from the Unicode command
// line (`argv` holds them only in the ANSI code page, which loses what it cannot show), elsewhere
// `argv` as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes a Windows console show the UTF-8 the program prints; nothing elsewhere.
void ShowUtf8OnConsole();

// Appends standard input to `bytes`, byte for byte, to its end: too_large once it passes
// `largest` bytes, io_error when a read fails.
IoStatus ReadStandardInput(std::string& bytes, std::size_t largest);

// A name as UTF-8: on Windows, a name that is not valid UTF-8 is taken to be in the ANSI code
// page, as older tools wrote names there; elsewhere names are bytes and stay as they are.
std::string NameInUtf8(const std::string& name);

}  // namespace qp

// The command line of the quillpack tool.
#pragma once

#include <string>
#include <vector>

namespace qp::cli {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Options {
    std::string command;  // list, extract, pack, delete
    std::string archive;
    std::string folder = ".";  // -C DIR
    bool long_listing = false;
    bool product = false;     // --product: an "OFP: Resistance PBO" archive
    bool has_prefix = false;  // --prefix TEXT
    std::string prefix;
    std::vector<std::string> operands;  // entries or paths
};

// Parses the arguments after the program name. On a usage error returns false with a message.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

extern const char kUsageText[];

}  // namespace qp::cli

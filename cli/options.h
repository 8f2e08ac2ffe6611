// The command line of the quillpack tool.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qp::cli {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Options {
    std::string command;  // list, extract, pack, delete, verify
    std::string archive;
    std::string folder = ".";  // -C DIR
    bool help = false;         // --help after the command: that command's usage
    bool long_listing = false;
    bool json = false;        // list --json
    bool product = false;     // --product: the pair product=OFP: Resistance
    bool in_place = false;    // pack, delete --in-place: no copy of the archive
    bool has_prefix = false;  // --prefix TEXT
    std::string prefix;
    // --header KEY=VALUE, --prefix and --product as the pairs they set, in the order given.
    std::vector<std::pair<std::string, std::string>> header_pairs;
    std::vector<std::string> operands;  // entries or paths
};

// Parses the arguments after the program name. On a usage error returns false with a message.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The usage of every command, and of one command ("list", ...); empty for an unknown command.
extern const char kUsageText[];
std::string CommandUsage(const std::string& command);

}  // namespace qp::cli

// The command line of the quillpack tool.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qp::cli {

enum ExitCode { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Options {
    std::string command;  // list, extract, pack, delete, verify, build, keygen, sign, sort,
                          // rapify, derapify
    // build: empty for FOLDER.pbo beside the folder; keygen: the authority; sign: the private key;
    // rapify: the file; derapify: the file, or '-' for standard input
    std::string archive;
    std::string folder = ".";  // -C DIR; build: FOLDER
    bool has_folder = false;   // -C given
    bool help = false;         // --help after the command: that command's usage
    bool long_listing = false;
    bool json = false;        // list --json, verify --keys --json
    bool product = false;     // --product: the pair product=OFP: Resistance
    bool in_place = false;    // pack, delete --in-place: no copy of the archive
    bool has_prefix = false;  // --prefix TEXT
    std::string prefix;
    // --header KEY=VALUE, --prefix and --product as the pairs they set, in the order given.
    std::vector<std::pair<std::string, std::string>> header_pairs;
    std::vector<std::string> operands;     // entries, paths, or the archives to sign or verify
    std::vector<std::string> exact_names;  // --name-hex HEX: entry names by their stored bytes
    std::vector<std::string> excludes;     // --exclude GLOB
    bool mtime = false;                    // build --timestamps mtime (the default is zero)
    bool list_only = false;                // build --list
    bool force = false;                    // extract --force: overwrite files that differ
    bool to_stdout = false;                // extract -o -
    bool derapify = false;                 // extract --derapify: rapified entries as text
    // derapify -o OUT (none or '-': standard output); rapify -o OUT (none: beside FILE)
    std::string output_file;
    bool progress = false;            // --progress: also when standard error is no terminal
    std::string output_folder = ".";  // keygen -o FOLDER
    bool version2 = false;            // sign --v2
    std::string sign_key;             // --sign PRIVATEKEY
    std::vector<std::string> keys;    // verify --key PUBLICKEY...
    std::string keys_folder;          // verify --keys FOLDER: a server's keys/
    bool no_rapify = false;           // build --no-rapify: configs packed as they are
    std::vector<std::string> include_folders;  // build, rapify -I FOLDER
};

// Parses the arguments after the program name. On a usage error returns false with a message.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The options of build, and those it brought to the other commands (--name-hex, --exclude,
// --force, -o, --derapify, --progress): whether args[i] is one, taken with its value (i moves
// past it).
enum class OptionTaken { no, yes, failed };
OptionTaken TakeBuildOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                            std::string& error);
// After all arguments: build's operands put in place, and the combinations these options refuse.
bool CheckBuildOptions(Options& options, std::string& error);

// The usage of every command, and of one command ("list", ...); empty for an unknown command.
extern const char kUsageText[];
std::string CommandUsage(const std::string& command);

}  // namespace qp::cli

// Option parsing: one command, one archive, then options and operands in any order.
#include "tools/cli/options.h"

namespace qp::cli {

const char kUsageText[] =
    "usage: quillpack list ARCHIVE [--long]\n"
    "       quillpack extract ARCHIVE [-C DIR] [ENTRY...]\n"
    "       quillpack pack ARCHIVE [--prefix TEXT | --product] [-C DIR] PATH...\n"
    "       quillpack delete ARCHIVE ENTRY...\n"
    "       quillpack verify ARCHIVE\n"
    "       quillpack --help | --version\n"
    "\n"
    "Lists, extracts, packs and deletes entries of PBO archives (ArmA, OFP: Resistance).\n"
    "Entry names use backslashes; a folder is named as 'folder\\' or 'folder\\*.*'.\n"
    "pack creates a missing archive (with a 'prefix' pair, or 'product' with --product) and\n"
    "replaces entries of the same name; PATHs are taken relative to -C DIR (default: .).\n"
    "verify checks the header, every entry's data and the SHA-1 in the trailer, if any.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    options.command = args[0];
    if (options.command != "list" && options.command != "extract" && options.command != "pack" &&
        options.command != "delete" && options.command != "verify") {
        error = "unknown command '" + options.command + "'";
        return false;
    }
    bool operands_only = false;  // after "--", names that begin with '-' are operands
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (operands_only || arg.size() < 2 || arg[0] != '-') {
            if (options.archive.empty())
                options.archive = arg;
            else
                options.operands.push_back(arg);
        } else if (arg == "--") {
            operands_only = true;
        } else if (arg == "--long" && options.command == "list") {
            options.long_listing = true;
        } else if (arg == "-C" && (options.command == "extract" || options.command == "pack")) {
            if (!has_value) {
                error = "-C needs a folder";
                return false;
            }
            options.folder = args[++i];
        } else if (arg == "--prefix" && options.command == "pack") {
            if (!has_value) {
                error = "--prefix needs a text";
                return false;
            }
            options.has_prefix = true;
            options.prefix = args[++i];
        } else if (arg == "--product" && options.command == "pack") {
            options.product = true;
        } else {
            error = "unknown option '" + arg + "' for " + options.command;
            return false;
        }
    }
    if (options.archive.empty()) {
        error = "no archive given";
        return false;
    }
    if (options.has_prefix && options.product) {
        error = "--prefix and --product exclude each other";
        return false;
    }
    if (options.command == "verify" && !options.operands.empty()) {
        error = "verify takes one archive";
        return false;
    }
    if ((options.command == "pack" || options.command == "delete") && options.operands.empty()) {
        error = options.command == "pack" ? "nothing to pack" : "no entry to delete";
        return false;
    }
    return true;
}

}  // namespace qp::cli

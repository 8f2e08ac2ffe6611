// Option parsing: one command, one archive, then options and operands in any order.
#include "cli/options.h"

namespace qp::cli {
namespace {

struct CommandText {
    const char* name;
    const char* usage;
    const char* details;
};

const CommandText kCommands[] = {
    {"list", "quillpack list ARCHIVE [--long | --json]",
     "Lists the entries: size, date (UTC), method and name. --long adds the header pairs and\n"
     "where the data area starts; --json prints one object with the header pairs and every\n"
     "entry (name, sizes, method, timestamp, data offset) for scripts.\n"},
    {"extract", "quillpack extract ARCHIVE [-C DIR] [ENTRY...]",
     "Extracts every entry, or the ENTRYs named, below DIR (default: .), making folders as\n"
     "needed. A folder is named as 'folder\\' or 'folder\\*.*'. Extracting everything also\n"
     "writes the archive's prefix to $PBOPREFIX$ and its other header pairs to $PBOHEADER$.\n"
     "Names that would leave DIR, or pass through a symbolic link in it, are refused.\n"},
    {"pack",
     "quillpack pack ARCHIVE [-C DIR] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
     "                      [--in-place] PATH...",
     "Packs the files named, or the files below the folders named, taken relative to DIR\n"
     "(default: .), adding entries or replacing those of the same name (letter case aside).\n"
     "A new archive is created with its entries sorted by name; its header pairs come from\n"
     "$PBOPREFIX$ and $PBOHEADER$ at the root of DIR, which are not packed as entries, then\n"
     "from --prefix, --product (product=OFP: Resistance) and --header; an empty VALUE removes\n"
     "the pair. An existing archive keeps its header and its order.\n"
     "--in-place edits an existing archive where it lies, needing no room for a copy beside it;\n"
     "a crash in the middle can then damage the archive.\n"},
    {"delete", "quillpack delete ARCHIVE [--in-place] ENTRY...",
     "Deletes the ENTRYs named, or whole folders named as 'folder\\' or 'folder\\*.*'. When any\n"
     "of them is not in the archive, nothing is deleted. --in-place edits the archive where it\n"
     "lies, needing no room for a copy beside it; a crash in the middle can then damage it.\n"},
    {"verify", "quillpack verify ARCHIVE",
     "Checks the header, every entry's data and the SHA-1 in the trailer, if there is one.\n"},
};

const CommandText* FindCommand(const std::string& name) {
    for (const CommandText& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

// "KEY=VALUE" with a key that is not empty.
bool SplitPair(const std::string& text, std::pair<std::string, std::string>& pair) {
    const std::size_t equals = text.find('=');
    if (equals == 0 || equals == std::string::npos) return false;
    pair = {text.substr(0, equals), text.substr(equals + 1)};
    return true;
}

}  // namespace

const char kUsageText[] =
    "usage: quillpack list ARCHIVE [--long | --json]\n"
    "       quillpack extract ARCHIVE [-C DIR] [ENTRY...]\n"
    "       quillpack pack ARCHIVE [-C DIR] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
    "                      [--in-place] PATH...\n"
    "       quillpack delete ARCHIVE [--in-place] ENTRY...\n"
    "       quillpack verify ARCHIVE\n"
    "       quillpack COMMAND --help | --help | --version\n"
    "\n"
    "Lists, extracts, packs, deletes and verifies entries of PBO archives (ArmA, OFP:\n"
    "Resistance). Entry names use backslashes; a folder is named as 'folder\\' or 'folder\\*.*'.\n"
    "Exit status: 0 success, 1 failure, 2 usage error.\n";

std::string CommandUsage(const std::string& command) {
    const CommandText* found = FindCommand(command);
    if (found == nullptr) return {};
    return std::string("usage: ") + found->usage + "\n\n" + found->details +
           "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    if (args.empty()) {
        error = "no command given";
        return false;
    }
    options.command = args[0];
    if (FindCommand(options.command) == nullptr) {
        error = "unknown command '" + options.command + "'";
        return false;
    }
    const std::string& command = options.command;
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
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (arg == "--long" && command == "list") {
            options.long_listing = true;
        } else if (arg == "--json" && command == "list") {
            options.json = true;
        } else if (arg == "-C" && (command == "extract" || command == "pack")) {
            if (!has_value) {
                error = "-C needs a folder";
                return false;
            }
            options.folder = args[++i];
        } else if (arg == "--prefix" && command == "pack") {
            if (!has_value) {
                error = "--prefix needs a text";
                return false;
            }
            options.has_prefix = true;
            options.prefix = args[++i];
            options.header_pairs.emplace_back("prefix", options.prefix);
        } else if (arg == "--in-place" && (command == "pack" || command == "delete")) {
            options.in_place = true;
        } else if (arg == "--product" && command == "pack") {
            options.product = true;
            options.header_pairs.emplace_back("product", "OFP: Resistance");
        } else if (arg == "--header" && command == "pack") {
            std::pair<std::string, std::string> pair;
            if (!has_value || !SplitPair(args[++i], pair)) {
                error = "--header needs KEY=VALUE";
                return false;
            }
            options.header_pairs.push_back(std::move(pair));
        } else {
            error = "unknown option '" + arg + "' for " + command;
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
    if (options.long_listing && options.json) {
        error = "--long and --json exclude each other";
        return false;
    }
    if (command == "verify" && !options.operands.empty()) {
        error = "verify takes one archive";
        return false;
    }
    if ((command == "pack" || command == "delete") && options.operands.empty()) {
        error = command == "pack" ? "nothing to pack" : "no entry to delete";
        return false;
    }
    return true;
}

}  // namespace qp::cli

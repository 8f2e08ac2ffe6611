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
    {"build",
     "quillpack build FOLDER [ARCHIVE] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
     "                       [--exclude GLOB]... [--timestamps mtime] [--list] [--no-rapify]\n"
     "                       [-I FOLDER]... [--sign PRIVATEKEY]",
     "Builds a fresh archive from the files below FOLDER, named relative to it, and puts it in\n"
     "place of ARCHIVE (default: FOLDER.pbo beside the folder) in one step. $PBOPREFIX$ and\n"
     "$PBOHEADER$ at the root of FOLDER give the header pairs and are not packed. Left out:\n"
     "dot-files and dot-folders (.git, .vscode), the patterns of FOLDER/.pboignore (one a line,\n"
     "# comments) and of --exclude, and ARCHIVE itself. Entries are sorted by name, ignoring\n"
     "case, and their timestamps are 0 (--timestamps mtime: the files' modification times), so\n"
     "the same folder gives the same bytes on every system. Names that differ only in letter\n"
     "case stop the build. --list prints what would be packed and writes nothing. --sign also\n"
     "signs the archive (see sign).\n"
     "Text configs are rapified as the game reads them: config.cpp becomes config.bin, and a\n"
     "*.rvmat keeps its name; a preprocessor or syntax error stops the build before anything\n"
     "is written. Includes starting with \\ are found in FOLDER through its prefix, and in the\n"
     "-I folders. --no-rapify packs them as they are; files already rapified, .hpp and .h\n"
     "files, mission.sqm and description.ext are always packed as they are.\n"},
    {"rapify", "quillpack rapify FILE [-o OUT] [-I FOLDER]...",
     "Preprocesses the text config FILE (#include, #define, #ifdef... as the game does) and\n"
     "writes it rapified to OUT: by default beside FILE, NAME.cpp as NAME.bin (config.cpp as\n"
     "config.bin), any other name with .bin added; - for standard output. An include starting\n"
     "with \\ is looked for in the addon folder FILE is in (the nearest folder above it with a\n"
     "$PBOPREFIX$, through its prefix), then below each -I FOLDER. An error names FILE:LINE:COL\n"
     "of the file it stands in, and nothing is written.\n"},
    {"list", "quillpack list ARCHIVE [--long | --json] [ENTRY...] [--name-hex HEX]...",
     "Lists the entries, or those the ENTRYs name: size, date (UTC), method and name. --long\n"
     "adds the header pairs and where the data area starts; --json prints one object with the\n"
     "header pairs and every entry (name, sizes, method, timestamp, data offset) for scripts;\n"
     "a name that is not UTF-8 also comes as \"name_bytes\" in hex, for --name-hex.\n"},
    {"extract",
     "quillpack extract ARCHIVE [-C DIR | -o -] [--force] [--derapify] [ENTRY...]\n"
     "                         [--name-hex HEX]...",
     "Extracts every entry, or the ENTRYs named, below DIR (default: .), making folders as\n"
     "needed. Extracting everything also writes the archive's prefix to $PBOPREFIX$ and its\n"
     "other header pairs to $PBOHEADER$. A file already there whose content differs is not\n"
     "overwritten without --force: then nothing is extracted (identical files are skipped).\n"
     "-o - writes the one entry named to standard output. Names that would leave DIR, or pass\n"
     "through a symbolic link in it, are refused. --derapify writes rapified configs as text:\n"
     "config.bin as config.cpp, others under their own names.\n"},
    {"pack",
     "quillpack pack ARCHIVE [-C DIR] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
     "                      [--exclude GLOB]... [--sign PRIVATEKEY] [--in-place] PATH...",
     "Packs the files named, or the files below the folders named, taken relative to DIR\n"
     "(default: .), adding entries or replacing those of the same name (letter case aside).\n"
     "A single FOLDER without -C is packed as -C FOLDER . is. Folders are walked as build\n"
     "walks them: dot-files, .pboignore and --exclude leave files out.\n"
     "A new archive is created with its entries sorted by name; its header pairs come from\n"
     "$PBOPREFIX$ and $PBOHEADER$ at the root of DIR, which are not packed as entries, then\n"
     "from --prefix, --product (product=OFP: Resistance) and --header; an empty VALUE removes\n"
     "the pair. An existing archive keeps its header and its order, or when its entries are\n"
     "sorted, new entries go to their places. --sign also signs the archive (see sign).\n"
     "--in-place edits an existing archive where it lies, needing no room for a copy beside it;\n"
     "a crash in the middle can then damage the archive.\n"},
    {"delete",
     "quillpack delete ARCHIVE ENTRY... [--name-hex HEX]... [--sign PRIVATEKEY] [--in-place]",
     "Deletes the ENTRYs named, a folder ('folder/') with everything in it. When any of them\n"
     "names no entry, nothing is deleted. --sign also signs the archive. --in-place edits the\n"
     "archive where it lies, needing no room for a copy beside it; a crash in the middle can\n"
     "then damage it.\n"},
    {"verify",
     "quillpack verify ARCHIVE... [--key PUBLICKEY...]\n"
     "       quillpack verify --keys FOLDER PATH... [--json]",
     "Checks the header, every entry's data and the SHA-1 in the trailer, if there is one.\n"
     "With --key, also checks the signature ARCHIVE.AUTHORITY.bisign of each key's authority:\n"
     "the key it holds, all three signatures and its version.\n"
     "--keys asks a server's question instead: FOLDER holds the .bikey files a server trusts,\n"
     "each PATH is an archive or a folder searched for *.pbo (a mod's addons). Every archive\n"
     "must carry a signature one of the keys accepts, by the rules of --key; each that none\n"
     "accepts is named with the reason. Warns of archive and signature names with upper-case\n"
     "letters or spaces, which a Linux server does not find, and of keys no archive uses.\n"
     "--json gives the same as one JSON document. Entry data is not checked: plain verify\n"
     "does that.\n"},
    {"derapify", "quillpack derapify FILE [-o OUT]",
     "Writes the rapified (binary) config FILE as text, to standard output or to OUT, which\n"
     "is replaced whole. FILE - reads standard input.\n"},
    {"keygen", "quillpack keygen AUTHORITY [-o FOLDER]",
     "Makes a new signing key (RSA, 1024 bits): AUTHORITY.biprivatekey, kept by whoever signs,\n"
     "and AUTHORITY.bikey, given to servers, in FOLDER (default: ., made when missing). The\n"
     "private key is readable by its owner alone. Existing key files are never overwritten.\n"},
    {"sign", "quillpack sign PRIVATEKEY ARCHIVE... [--v2]",
     "Signs each ARCHIVE as servers check it: writes ARCHIVE.AUTHORITY.bisign beside it, of\n"
     "version 3, or 2 with --v2 (old servers). The archive must end in a SHA-1 trailer and have\n"
     "its entries sorted by name, ignoring case (quillpack sort puts them so).\n"},
    {"sort", "quillpack sort ARCHIVE [--sign PRIVATEKEY]",
     "Rewrites the archive with its entries sorted by name, ignoring case, as servers expect of\n"
     "a signed archive; data, times and header pairs stay. --sign also signs the archive.\n"},
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
    "usage: quillpack build FOLDER [ARCHIVE] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
    "                       [--exclude GLOB]... [--timestamps mtime] [--list] [--sign KEY]\n"
    "                       [--no-rapify] [-I FOLDER]...\n"
    "       quillpack rapify FILE [-o OUT] [-I FOLDER]...\n"
    "       quillpack verify ARCHIVE... [--key PUBLICKEY...]\n"
    "       quillpack verify --keys FOLDER PATH... [--json]\n"
    "       quillpack keygen AUTHORITY [-o FOLDER]\n"
    "       quillpack sign PRIVATEKEY ARCHIVE... [--v2]\n"
    "       quillpack list ARCHIVE [--long | --json] [ENTRY...] [--name-hex HEX]...\n"
    "       quillpack extract ARCHIVE [-C DIR | -o -] [--force] [--derapify] [ENTRY...]\n"
    "                         [--name-hex HEX]...\n"
    "       quillpack pack ARCHIVE [-C DIR] [--prefix TEXT | --product] [--header KEY=VALUE]...\n"
    "                      [--exclude GLOB]... [--sign PRIVATEKEY] [--in-place] PATH...\n"
    "       quillpack delete ARCHIVE ENTRY... [--name-hex HEX]... [--sign PRIVATEKEY]\n"
    "                        [--in-place]\n"
    "       quillpack sort ARCHIVE [--sign PRIVATEKEY]\n"
    "       quillpack derapify FILE [-o OUT]\n"
    "       quillpack COMMAND --help | --help | --version\n"
    "\n"
    "Builds PBO archives (ArmA, OFP: Resistance) from folders, signs and verifies them, and\n"
    "lists, extracts, packs, deletes and sorts their entries. An ENTRY is a name with '/' or\n"
    "'\\', in any letter case, a folder as 'folder/', or a glob: '*' and '?' within a name part,\n"
    "'**' for any parts ('textures/*.paa', '**/*.bak'). --name-hex names an entry by its bytes,\n"
    "as list --json gives them. --progress shows progress also when standard error is no\n"
    "terminal.\n"
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
    bool keys_follow = false;    // after verify's --key, operands are keys
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (operands_only || arg.size() < 2 || arg[0] != '-') {
            if (keys_follow)
                options.keys.push_back(arg);
            else if (options.archive.empty())
                options.archive = arg;
            else
                options.operands.push_back(arg);
        } else if (arg == "--key" && command == "verify") {
            keys_follow = true;
        } else if (arg == "--v2" && command == "sign") {
            options.version2 = true;
        } else if (arg == "--keys" && command == "verify") {
            if (!has_value || args[i + 1].empty()) {
                error = "--keys needs the folder of a server's keys";
                return false;
            }
            options.keys_folder = args[++i];
        } else if ((arg == "-o" && command == "keygen") ||
                   (arg == "--sign" && (command == "pack" || command == "delete" ||
                                        command == "sort" || command == "build"))) {
            if (!has_value) {
                error = arg + (arg == "-o" ? " needs a folder" : " needs a private key");
                return false;
            }
            (arg == "-o" ? options.output_folder : options.sign_key) = args[++i];
        } else if (arg == "--") {
            operands_only = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            return true;
        } else if (arg == "--long" && command == "list") {
            options.long_listing = true;
        } else if (arg == "--json" && (command == "list" || command == "verify")) {
            options.json = true;
        } else if (arg == "-C" && (command == "extract" || command == "pack")) {
            if (!has_value) {
                error = "-C needs a folder";
                return false;
            }
            options.folder = args[++i];
            options.has_folder = true;
        } else if (const OptionTaken taken = TakeBuildOption(args, i, options, error);
                   taken != OptionTaken::no) {
            if (taken == OptionTaken::failed) return false;
        } else if (arg == "--prefix" && (command == "pack" || command == "build")) {
            if (!has_value) {
                error = "--prefix needs a text";
                return false;
            }
            options.has_prefix = true;
            options.prefix = args[++i];
            options.header_pairs.emplace_back("prefix", options.prefix);
        } else if (arg == "--in-place" && (command == "pack" || command == "delete")) {
            options.in_place = true;
        } else if (arg == "--product" && (command == "pack" || command == "build")) {
            options.product = true;
            options.header_pairs.emplace_back("product", "OFP: Resistance");
        } else if (arg == "--header" && (command == "pack" || command == "build")) {
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
        error = command == "build"                             ? "no folder given"
                : command == "keygen"                          ? "no authority given"
                : command == "rapify" || command == "derapify" ? "no file given"
                : command == "sign"                            ? "no private key given"
                                                               : "no archive given";
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
    if ((command == "keygen" || command == "sort") && !options.operands.empty()) {
        error = command + " takes one " + (command == "keygen" ? "authority" : "archive");
        return false;
    }
    if (!CheckBuildOptions(options, error)) return false;
    if (command == "verify" && keys_follow && options.keys.empty()) {
        error = "--key needs a public key";
        return false;
    }
    if (!options.keys_folder.empty() && keys_follow) {
        error = "--key and --keys exclude each other";
        return false;
    }
    // The integrity checks of a plain verify answer with messages and the exit status; the
    // document is the server's check, archive by archive.
    if (command == "verify" && options.json && options.keys_folder.empty()) {
        error = "--json goes with --keys";
        return false;
    }
    if ((command == "pack" || command == "delete" || command == "sign") &&
        options.operands.empty() && options.exact_names.empty()) {
        error = command == "pack"     ? "nothing to pack"
                : command == "delete" ? "no entry to delete"
                                      : "no archive to sign";
        return false;
    }
    return true;
}

}  // namespace qp::cli

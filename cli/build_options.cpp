// The options of build, and those it brought to the other commands.
#include "cli/options.h"

namespace qp::cli {
namespace {

// The bytes of an even number of hex digits; false for anything else or none.
bool FromHex(const std::string& hex, std::string& bytes) {
    const auto digit = [](char c) {
        const char lower = static_cast<char>(c | 0x20);
        if (c >= '0' && c <= '9') return c - '0';
        return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
    };
    if (hex.empty() || hex.size() % 2 != 0) return false;
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = digit(hex[i]);
        const int low = digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

OptionTaken Failed(std::string& error, const char* text) {
    error = text;
    return OptionTaken::failed;
}

}  // namespace

OptionTaken TakeBuildOption(const std::vector<std::string>& args, std::size_t& i, Options& options,
                            std::string& error) {
    const std::string& arg = args[i];
    const std::string& command = options.command;
    const std::string* value = i + 1 < args.size() ? &args[i + 1] : nullptr;
    const bool names = command == "list" || command == "extract" || command == "delete";
    if (arg == "--name-hex" && names) {
        std::string name;
        if (value == nullptr || !FromHex(*value, name)) {
            return Failed(error, "--name-hex needs the name's bytes in hex");
        }
        options.exact_names.push_back(std::move(name));
    } else if (arg == "--exclude" && (command == "build" || command == "pack")) {
        if (value == nullptr) return Failed(error, "--exclude needs a pattern");
        options.excludes.push_back(*value);
    } else if (arg == "--timestamps" && command == "build") {
        if (value == nullptr || (*value != "mtime" && *value != "zero")) {
            return Failed(error, "--timestamps takes mtime or zero");
        }
        options.mtime = *value == "mtime";
    } else if (arg == "-I" && (command == "build" || command == "rapify")) {
        if (value == nullptr) return Failed(error, "-I needs a folder");
        options.include_folders.push_back(*value);
    } else if (arg == "-o" && (command == "rapify" || command == "derapify")) {
        if (value == nullptr) return Failed(error, "-o needs a file, or - for standard output");
        options.output_file = *value;
    } else if (arg == "-o" && command == "extract") {
        if (value == nullptr || *value != "-") {
            return Failed(error, "-o takes - (standard output); -C DIR extracts into a folder");
        }
        options.to_stdout = true;
    } else {
        // The options without a value.
        bool* flag = nullptr;
        if (arg == "--list" && command == "build") flag = &options.list_only;
        if (arg == "--no-rapify" && command == "build") flag = &options.no_rapify;
        if (arg == "--force" && command == "extract") flag = &options.force;
        if (arg == "--derapify" && command == "extract") flag = &options.derapify;
        if (arg == "--progress" && command != "list" && command != "verify" &&
            command != "rapify" && command != "derapify") {
            flag = &options.progress;
        }
        if (flag == nullptr) return OptionTaken::no;
        *flag = true;
        return OptionTaken::yes;
    }
    ++i;
    return OptionTaken::yes;
}

bool CheckBuildOptions(Options& options, std::string& error) {
    if (options.command == "build") {
        // build FOLDER [ARCHIVE]: the first operand is the folder.
        if (options.operands.size() > 1) {
            error = "build takes one folder and at most one archive";
            return false;
        }
        options.folder = options.archive;
        options.archive = options.operands.empty() ? "" : options.operands[0];
        options.operands.clear();
    }
    if ((options.command == "rapify" || options.command == "derapify") &&
        !options.operands.empty()) {
        error = options.command + " takes one file";
        return false;
    }
    if (options.to_stdout &&
        (options.operands.size() + options.exact_names.size() != 1 || options.has_folder)) {
        error = "-o - writes one ENTRY, named, to standard output, and takes no -C";
        return false;
    }
    return true;
}

}  // namespace qp::cli

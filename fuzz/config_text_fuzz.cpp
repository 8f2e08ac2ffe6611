// Fuzzes the preprocessor and the parser of text configs: the input is a top file and the files
// it may include, served from memory, under small limits so that each input ends quickly; what
// rapifies must read back, be what the writer writes for its tree, and come back the same
// through the printer.
#include <cstdint>
#include <map>
#include <string>

#include "config/config_printer.h"
#include "config/preprocessor.h"
#include "config/rapified_reader.h"
#include "config/rapified_writer.h"
#include "config/text_parser.h"
#include "fuzz/fuzz_support.h"
#include "support/config_text.h"

using qp::fuzz::Check;

namespace {

// The input is the files one after another, split at NUL bytes: main.cpp first, then a.hpp,
// b.hpp and so on, which the top file includes by these names, or through "\x\mymod\addons\main"
// (the folder mod/) or the include folder inc/.
std::map<std::string, std::string> FilesOf(const std::uint8_t* data, std::size_t size) {
    std::map<std::string, std::string> files;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (int index = 0; start <= input.size(); ++index) {
        std::size_t end = input.find('\0', start);
        if (end == std::string::npos) end = input.size();
        const std::string name =
            index == 0 ? "main.cpp"
                       : std::string(1, static_cast<char>('a' + (index - 1) % 26)) + ".hpp";
        files[name] = input.substr(start, end - start);
        files["mod/" + name] = files[name];
        files["inc/" + name] = files[name];
        start = end + 1;
    }
    return files;
}

// An error starts with the place it names: a file served, a line and a column.
bool NamesAPlace(const std::string& error, const std::map<std::string, std::string>& files) {
    for (const auto& [name, text] : files) {
        if (error.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::size_t at = name.size() + 1;
        const std::size_t line_end = error.find(':', at);
        const std::size_t column_end = error.find(": ", line_end + 1);
        if (line_end == std::string::npos || column_end == std::string::npos) return false;
        return line_end > at && column_end > line_end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::map<std::string, std::string> files = FilesOf(data, size);
    qp::config::ExpansionLimits limits;
    limits.max_output = 1 << 20;
    limits.max_steps = 20000;
    std::string bytes;
    std::string error;
    if (!qp::test::RapifyFiles(files, "main.cpp", bytes, error, limits)) {
        Check(NamesAPlace(error, files), "an error names FILE:LINE:COL of a file served");
        return 0;
    }
    // What rapifies reads back, is what the writer writes for its tree, and comes back the same
    // from its printed text.
    qp::config::Config config;
    Check(qp::config::ReadRapified(bytes, config, error), "the rapified bytes read back");
    Check(qp::config::WriteRapified(config) == bytes, "the writer writes the same bytes");
    qp::config::Config again;
    Check(
        qp::config::ParseConfig(
            qp::config::PlainText("printed.cpp", qp::config::PrintConfig(config)), again, error) &&
            again == config,
        "the printed text parses back to the same tree");
    return 0;
}

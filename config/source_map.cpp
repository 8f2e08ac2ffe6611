// Naming the file, line and column a byte of preprocessed text came from.
#include "config/source_map.h"

#include <algorithm>

namespace qp::config {

std::string Where(const SourceText& file, std::size_t source) {
    source = std::min(source, file.text.size());
    std::size_t line = 1;
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < source; ++i) {
        if (file.text[i] != '\n') continue;
        ++line;
        line_start = i + 1;
    }
    return file.path + ":" + std::to_string(line) + ":" + std::to_string(source - line_start + 1);
}

std::string Where(const SourceFiles& files, const std::vector<SourceMark>& marks,
                  std::size_t output) {
    const auto after =
        std::upper_bound(marks.begin(), marks.end(), output,
                         [](std::size_t at, const SourceMark& mark) { return at < mark.output; });
    if (after == marks.begin() || files.empty()) {
        return files.empty() ? std::string("?") : Where(files[0], 0);
    }
    const SourceMark& mark = *(after - 1);
    const std::size_t source = mark.verbatim ? mark.source + (output - mark.output) : mark.source;
    return Where(files[mark.file], source);
}

}  // namespace qp::config

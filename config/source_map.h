// Where a byte of preprocessed text came from, so that an error found in it is named by the
// file, line and column it stands at, through includes and macros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qp::config {

// A file the preprocessor read: the top file first, then each include as it is met.
struct SourceText {
    std::string path;
    std::string text;
};
// A deque: scanners keep views of texts while more are added.
using SourceFiles = std::deque<SourceText>;

// From `output` on, the text comes from `file` at `source`: byte for byte while `verbatim`; a
// macro's expansion otherwise, all of it named by the place of the macro's name.
struct SourceMark {
    std::size_t output = 0;
    std::uint32_t file = 0;
    std::size_t source = 0;
    bool verbatim = true;
};

// "path:line:col" of a place in a file's text (lines and columns from 1).
std::string Where(const SourceText& file, std::size_t source);
// The same of byte `output` of preprocessed text (its end included) by its marks, which are in
// the order of `output`.
std::string Where(const SourceFiles& files, const std::vector<SourceMark>& marks,
                  std::size_t output);

}  // namespace qp::config

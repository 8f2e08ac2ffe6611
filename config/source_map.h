// Preprocessed text and where each of its bytes came from, so that an error found in it is named
// by the file, line and column it stands at, through includes and macros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace qp::config {

// A file the preprocessor read: the top file first, then each include as it is met.
struct SourceText {
    std::string path;
    std::string text;
};

// From `output` on, the text comes from `file` at `source`: byte for byte while `verbatim`; a
// macro's expansion otherwise, all of it named by the place of the macro's name.
struct SourceMark {
    std::size_t output = 0;
    std::uint32_t file = 0;
    std::size_t source = 0;
    bool verbatim = true;
};

struct Preprocessed {
    std::string text;
    std::deque<SourceText> files;   // a deque: scanners keep views of texts while more are added
    std::vector<SourceMark> marks;  // in the order of `output`
};

// The text alone, as one file of that name: for a parse of text that needs no preprocessing.
Preprocessed PlainText(std::string path, std::string text);

// "path:line:col" of a place in a file's text (lines and columns from 1).
std::string Where(const SourceText& file, std::size_t source);
// The same of a byte of the preprocessed text (its end included).
std::string Where(const Preprocessed& preprocessed, std::size_t output);

}  // namespace qp::config

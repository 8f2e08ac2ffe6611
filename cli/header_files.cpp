// Reading and writing $PBOPREFIX$ and $PBOHEADER$.
#include "cli/header_files.h"

#include <algorithm>

#include "pbo/entry_name.h"

namespace qp::cli {
namespace {

constexpr std::string_view kSpaces = " \t\r\n\f\v";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// Editors on Windows like to start a UTF-8 file with a byte-order mark.
std::string_view WithoutBom(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    return text;
}

// The next line of `text` from `at`, without its line break; `at` moves past it.
std::string_view NextLine(std::string_view text, std::size_t& at) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    return line;
}

bool SameWhenTrimmed(std::string_view text) {
    return !text.empty() && Trimmed(text) == text;
}

}  // namespace

std::string PrefixFromFile(std::string_view text, bool& more_lines) {
    text = WithoutBom(text);
    std::size_t at = 0;
    std::string_view prefix;
    while (at <= text.size() && prefix.empty()) prefix = Trimmed(NextLine(text, at));
    if (const std::size_t equals = prefix.find('=');
        equals != std::string_view::npos &&
        SameEntryName(Trimmed(prefix.substr(0, equals)), "prefix")) {
        prefix = Trimmed(prefix.substr(equals + 1));
    }
    while (prefix.starts_with('\\')) prefix.remove_prefix(1);
    more_lines = at < text.size() && !Trimmed(text.substr(at)).empty();
    return std::string(prefix);
}

bool PairsFromFile(std::string_view text, ExtensionPairs& pairs, std::string& error) {
    text = WithoutBom(text);
    std::size_t at = 0;
    for (int number = 1; at < text.size(); ++number) {
        const std::string_view line = Trimmed(NextLine(text, at));
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? std::string_view() : Trimmed(line.substr(0, equals));
        if (key.empty() || line.find('\0') != std::string_view::npos) {
            error = "line " + std::to_string(number) + " is not KEY=VALUE";
            return false;
        }
        pairs.emplace_back(std::string(key), std::string(Trimmed(line.substr(equals + 1))));
    }
    return true;
}

bool PrefixWritable(std::string_view prefix) {
    return SameWhenTrimmed(prefix) && prefix.find_first_of("\r\n") == std::string_view::npos;
}

std::string PairsFileText(const ExtensionPairs& pairs, std::vector<std::string>& unwritable) {
    std::string text;
    for (const auto& [key, value] : pairs) {
        const bool writable = SameWhenTrimmed(key) && SameWhenTrimmed(value) &&
                              key.find_first_of("=\r\n") == std::string::npos &&
                              value.find_first_of("\r\n") == std::string::npos;
        if (!writable) {
            unwritable.push_back(key);
            continue;
        }
        text += key + '=' + value + '\n';
    }
    return text;
}

void SetPair(ExtensionPairs& pairs, const std::string& key, const std::string& value) {
    const auto named = [&](const auto& pair) { return pair.first == key; };
    auto first = std::find_if(pairs.begin(), pairs.end(), named);
    if (first == pairs.end()) {
        if (!value.empty()) pairs.emplace_back(key, value);
        return;
    }
    first->second = value;
    pairs.erase(std::remove_if(std::next(first), pairs.end(), named), pairs.end());
    if (value.empty()) pairs.erase(first);
}

}  // namespace qp::cli

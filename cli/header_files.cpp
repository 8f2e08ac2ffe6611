// Reading and writing $PBOPREFIX$ and $PBOHEADER$.
#include "cli/header_files.h"

#include <algorithm>

#include "cli/text_lines.h"
#include "pbo/entry_name.h"

namespace qp::cli {
namespace {

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

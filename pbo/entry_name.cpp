// ASCII case-blind comparison of entry names, and their parts.
#include "pbo/entry_name.h"

namespace qp {
namespace {

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char SortFolded(char c) {
    return c == '/' ? '\\' : Folded(c);
}

}  // namespace

bool SameEntryName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Folded(a[i]) != Folded(b[i])) return false;
    }
    return true;
}

std::string FoldedEntryName(std::string_view name) {
    std::string folded;
    FoldEntryName(name, folded);
    return folded;
}

void FoldEntryName(std::string_view name, std::string& folded) {
    folded.assign(name);
    for (char& c : folded) c = Folded(c);
}

std::string EntrySortKey(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = SortFolded(c);
    return key;
}

bool EntryNameBefore(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(SortFolded(a[i]));
        const auto y = static_cast<unsigned char>(SortFolded(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool InEntryFolder(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && SameEntryName(name.substr(0, prefix.size()), prefix);
}

std::vector<std::string> NameParts(std::string_view name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        const std::string_view part =
            name.substr(start, end == std::string_view::npos ? end : end - start);
        if (!part.empty()) parts.emplace_back(part);
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

}  // namespace qp

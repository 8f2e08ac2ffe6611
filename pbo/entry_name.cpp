// ASCII case-blind comparison of entry names.
#include "pbo/entry_name.h"

namespace qp {
namespace {

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
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
    std::string folded(name);
    for (char& c : folded) c = Folded(c);
    return folded;
}

bool InEntryFolder(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && SameEntryName(name.substr(0, prefix.size()), prefix);
}

}  // namespace qp

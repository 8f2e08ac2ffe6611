// The paths an `#include` name may stand for, tried in order by the preprocessor.
#include "config/include_paths.h"

#include <algorithm>

namespace qp::config {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Whether `prefix` starts `path` as whole parts, ignoring letter case and the kind of separator,
// as the game compares names; `rest` is what follows it.
bool StartsWithPrefix(const std::string& path, std::string prefix, std::string& rest) {
    while (!prefix.empty() && IsSeparator(prefix.back())) prefix.pop_back();
    while (!prefix.empty() && IsSeparator(prefix.front())) prefix.erase(0, 1);
    if (prefix.empty() || path.size() <= prefix.size() || !IsSeparator(path[prefix.size()])) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const bool same =
            IsSeparator(prefix[i]) ? IsSeparator(path[i]) : Lower(prefix[i]) == Lower(path[i]);
        if (!same) return false;
    }
    rest = path.substr(prefix.size() + 1);
    return true;
}

}  // namespace

std::vector<std::string> IncludeCandidates(const std::string& including, const std::string& name,
                                           const IncludeFolders& folders) {
    std::vector<std::string> candidates;
    std::string inside = name;
    if (!name.empty() && IsSeparator(name[0])) {
        inside = name.substr(1);
        std::string rest;
        for (const PrefixRoot& root : folders.roots) {
            if (StartsWithPrefix(inside, root.prefix, rest)) {
                candidates.push_back(FoldedPath(Join(root.folder, rest)));
            }
        }
    } else {
        const auto last = std::find_if(including.rbegin(), including.rend(), IsSeparator);
        const std::string folder(including.begin(), last.base());
        candidates.push_back(FoldedPath(Join(folder, name)));
    }
    for (const std::string& folder : folders.folders) {
        candidates.push_back(FoldedPath(Join(folder, inside)));
    }
    return candidates;
}

std::string FoldedPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    const auto take = [&] {
        if (part == ".." && !parts.empty() && parts.back() != "..") {
            parts.pop_back();
        } else if (part != "." && !part.empty()) {
            parts.push_back(part);
        }
        part.clear();
    };
    for (const char c : path) {
        if (IsSeparator(c)) {
            take();
        } else {
            part.push_back(c);
        }
    }
    take();
    // A root stays one; two separators start a network path (\\server\share) on Windows.
    const bool network = path.size() > 1 && IsSeparator(path[0]) && IsSeparator(path[1]);
    std::string folded = network ? "//" : !path.empty() && IsSeparator(path[0]) ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) folded += (i ? "/" : "") + parts[i];
    return folded;
}

}  // namespace qp::config

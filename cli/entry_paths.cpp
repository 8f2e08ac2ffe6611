// Entry names use backslashes on every system; paths on disk use the system's separator.
#include "cli/entry_paths.h"

#include "pbo/entry_name.h"

namespace qp::cli {
namespace {

// CON, PRN, AUX, NUL, COM1..9 and LPT1..9 name devices in every folder, whatever follows their
// first dot and whatever their letter case; so do CONIN$ and CONOUT$.
bool WindowsDeviceName(const std::string& part) {
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    base = FoldedEntryName(base);
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" ||
        base == "conout$") {
        return true;
    }
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string WindowsPartReason(const std::string& part) {
    if (part == ".") return {};
    if (WindowsDeviceName(part)) return "a Windows device name";
    if (part.back() == '.' || part.back() == ' ') {
        return "ends in a dot or space, which Windows would drop";
    }
    for (const char c : part) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>\"|?*").find(c) != std::string_view::npos) {
            return "a character Windows does not allow in names";
        }
    }
    return {};
}

}  // namespace

std::string UnsafeEntryReason(const std::string& name, NameRules rules) {
    if (name.empty()) return "empty name";
    if (name[0] == '\\' || name[0] == '/') return "absolute path";
    if (name.find(':') != std::string::npos) return "drive letter or stream name";
    for (const std::string& part : NameParts(name)) {
        if (part == "..") return "'..' component";
        if (rules == NameRules::windows) {
            const std::string reason = WindowsPartReason(part);
            if (!reason.empty()) return reason;
        }
    }
    return {};
}

std::vector<std::string> NameParts(const std::string& name) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (!part.empty()) parts.push_back(std::move(part));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
#if defined(_WIN32)
    constexpr char kSeparator = '\\';
#else
    constexpr char kSeparator = '/';
#endif
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == kSeparator || last == '/') return folder + name;
    return folder + kSeparator + name;
}

std::string EntryNameFor(const std::filesystem::path& folder, const std::filesystem::path& file) {
    const std::filesystem::path relative =
        std::filesystem::absolute(file).lexically_normal().lexically_relative(
            std::filesystem::absolute(folder).lexically_normal());
    if (relative.empty() || *relative.begin() == "..") return {};
    std::string name;
    for (const std::filesystem::path& part : relative) {
        if (part == ".") continue;
        if (!name.empty()) name += '\\';
        name += Utf8FromPath(part);
    }
    return name;
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace qp::cli

// Entry names that would leave their folder, name none, or be written under another name.
#include "listing/unsafe_names.h"

#include "pbo/entry_name.h"

namespace qp {
namespace {

// CON, PRN, AUX, NUL, COM1..9 and LPT1..9 name devices in every folder, whatever follows their
// first dot and whatever their letter case; so do CONIN$ and CONOUT$, and COM and LPT with a
// superscript 1, 2 or 3 (in UTF-8, or in Windows-1252 as older names hold it).
bool WindowsDeviceName(std::string_view part) {
    std::string base = FoldedEntryName(part.substr(0, part.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" ||
        base == "conout$") {
        return true;
    }
    if (!base.starts_with("com") && !base.starts_with("lpt")) return false;
    const std::string_view number = std::string_view(base).substr(3);
    if (number.starts_with('\xC2')) {
        return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
    }
    return number.size() == 1 && ((number[0] >= '1' && number[0] <= '9') || number[0] == '\xB9' ||
                                  number[0] == '\xB2' || number[0] == '\xB3');
}

std::string WindowsPartReason(std::string_view part) {
    if (WindowsDeviceName(part)) return "a Windows device name";
    if (part.back() == '.' || part.back() == ' ') {
        return "a part ends in a dot or space, which Windows drops";
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

std::string UnsafeEntryReason(std::string_view name, NameRules rules) {
    if (name.empty()) return "the name is empty";
    if (name.front() == '\\' || name.front() == '/') return "an absolute path";
    if (name.find(':') != std::string_view::npos) return "a drive letter or stream name (':')";
    if (name.back() == '\\' || name.back() == '/') {
        return "it ends in a separator, so it names a folder";
    }
    for (const std::string& part : NameParts(name)) {
        if (part == "..") return "a '..' part leaves the folder";
        if (part == ".") return "a '.' part names a folder";
        if (rules == NameRules::windows) {
            std::string reason = WindowsPartReason(part);
            if (!reason.empty()) return reason;
        }
    }
    return {};
}

}  // namespace qp

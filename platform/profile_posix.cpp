// Ini values read and written by hand: `[section]` lines, then `key=value` lines up to the next.
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/profile.h"

namespace qp {
namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Lines(const char* ini_path) {
    std::vector<std::string> lines;
    std::ifstream file(ini_path, std::ios::binary);
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

bool IsSection(const std::string& line, const char* section) {
    return Trimmed(line) == std::string("[") + section + "]";
}

bool IsAnySection(const std::string& line) {
    return Trimmed(line).starts_with('[');
}

// The position of `key=` in `line`'s value, or npos.
std::size_t ValueStart(const std::string& line, const char* key) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || Trimmed(line.substr(0, equals)) != key) {
        return std::string::npos;
    }
    return equals + 1;
}

}  // namespace

std::string ReadProfileValue(const char* ini_path, const char* section, const char* key,
                             const char* fallback) {
    bool inside = false;
    for (const std::string& line : Lines(ini_path)) {
        if (IsAnySection(line)) {
            inside = IsSection(line, section);
        } else if (const std::size_t start = ValueStart(line, key);
                   inside && start != std::string::npos) {
            return Trimmed(line.substr(start));
        }
    }
    return fallback;
}

bool WriteProfileValue(const char* ini_path, const char* section, const char* key,
                       const char* value) {
    std::vector<std::string> lines = Lines(ini_path);
    const std::string entry = std::string(key) + "=" + value;
    std::size_t insert_at = lines.size();
    bool inside = false, found_section = false, written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (IsAnySection(lines[i])) {
            if (inside) insert_at = i;  // the section ends here without the key
            inside = IsSection(lines[i], section);
            found_section = found_section || inside;
        } else if (inside && ValueStart(lines[i], key) != std::string::npos) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written && found_section) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), entry);
    } else if (!written) {
        lines.push_back(std::string("[") + section + "]");
        lines.push_back(entry);
    }
    std::ofstream file(ini_path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) file << line << '\n';
    file.flush();
    return static_cast<bool>(file);
}

}  // namespace qp

// Rapified configs read and printed for the tool's commands.
#include "cli/rapified_entries.h"

#include <new>

#include "cli/commands.h"
#include "config/config_printer.h"
#include "config/rapified_format.h"
#include "config/rapified_reader.h"
#include "listing/entry_bytes.h"
#include "pbo/entry_name.h"

namespace qp::cli {

namespace {

constexpr char kNoMemoryText[] = "not enough memory to read the config";

bool ReadConfig(std::string_view bytes, config::Config& config, std::string& error) {
    if (config::ReadRapified(bytes, config, error)) return true;
    error = "damaged rapified config: " + error;
    return false;
}

// The entry's data whole, checked as extraction checks it; false with why not.
bool ReadEntry(FileHandle archive, std::uint32_t position, const EntryRecord& record,
               std::string& bytes, std::string& error) {
    const Outcome read = ReadEntryWhole(archive, position, record, bytes);
    if (read == Outcome::ok) return true;
    error = OutcomeText(read);
    return false;
}

}  // namespace

bool DerapifiedText(std::string_view bytes, std::string& text, std::string& error) {
    try {
        config::Config config;
        if (!ReadConfig(bytes, config, error)) return false;
        text = config::PrintConfig(config);
    } catch (const std::bad_alloc&) {
        error = kNoMemoryText;
        return false;
    }
    return true;
}

bool EntryIsRapified(FileHandle archive, std::uint32_t position, const EntryRecord& record) {
    const auto magic = static_cast<std::uint32_t>(config::kRapifiedMagic.size());
    return config::IsRapified(EntryStart(archive, position, record, magic));
}

bool EntryText(FileHandle archive, std::uint32_t position, const EntryRecord& record,
               std::string& text, std::string& error) {
    std::string bytes;
    return ReadEntry(archive, position, record, bytes, error) && DerapifiedText(bytes, text, error);
}

bool EntryConfigReads(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                      std::string& error) {
    std::string bytes;
    if (!ReadEntry(archive, position, record, bytes, error)) return false;
    try {
        config::Config config;
        return ReadConfig(bytes, config, error);
    } catch (const std::bad_alloc&) {
        error = kNoMemoryText;
        return false;
    }
}

std::string DerapifiedName(const std::string& name) {
    constexpr std::string_view kBinary = "config.bin";
    const std::size_t folder = name.find_last_of("\\/") + 1;  // 0 without a folder
    if (!SameEntryName(std::string_view(name).substr(folder), kBinary)) return name;
    return name.substr(0, name.size() - 4) + ".cpp";
}

}  // namespace qp::cli

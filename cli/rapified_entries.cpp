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

bool DerapifiedText(std::string_view bytes, std::string& text, std::string& error) {
    try {
        config::Config config;
        if (!config::ReadRapified(bytes, config, error)) {
            error = "damaged rapified config: " + error;
            return false;
        }
        text = config::PrintConfig(config);
    } catch (const std::bad_alloc&) {
        error = "not enough memory to read the config";
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
    const Outcome read = ReadEntryWhole(archive, position, record, bytes);
    if (read != Outcome::ok) {
        error = OutcomeText(read);
        return false;
    }
    return DerapifiedText(bytes, text, error);
}

std::string DerapifiedName(const std::string& name) {
    constexpr std::string_view kBinary = "config.bin";
    const std::size_t folder = name.find_last_of("\\/") + 1;  // 0 without a folder
    if (!SameEntryName(std::string_view(name).substr(folder), kBinary)) return name;
    return name.substr(0, name.size() - 4) + ".cpp";
}

}  // namespace qp::cli

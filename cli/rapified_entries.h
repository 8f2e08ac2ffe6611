// Rapified configs in the tool: as files (derapify) and among an archive's entries (extract
// --derapify, verify), recognised by their magic, never by their names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pbo/entry_record.h"
#include "platform/file.h"

namespace qp::cli {

// What is said of a file that does not start as a rapified config.
inline constexpr char kNotRapifiedText[] = "not a rapified config";

// The text of a rapified config; false with why not ("damaged rapified config: at offset ...",
// or not enough memory).
bool DerapifiedText(std::string_view bytes, std::string& text, std::string& error);

// Whether the entry whose data lies at `position` starts as a rapified config.
bool EntryIsRapified(FileHandle archive, std::uint32_t position, const EntryRecord& record);

// The text of that entry's config; false with why not: its data or its config is damaged.
bool EntryText(FileHandle archive, std::uint32_t position, const EntryRecord& record,
               std::string& text, std::string& error);

// Whether that entry's config reads whole, as EntryText reads it, without printing it; false
// with why not.
bool EntryConfigReads(FileHandle archive, std::uint32_t position, const EntryRecord& record,
                      std::string& error);

// The name a derapified entry takes: config.bin (in any letter case) becomes config.cpp, any
// other keeps its own.
std::string DerapifiedName(const std::string& name);

}  // namespace qp::cli

// What an extraction finds already standing where it would write: files that differ are not
// overwritten without --force, and files that hold the same bytes need not be written again.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "listing/listing_state.h"
#include "pbo/entry_record.h"

namespace qp::cli {

// A file an extraction would write below its folder: an entry's data, or a small text (the
// header pair files).
struct PlannedFile {
    std::vector<std::string> parts;  // the folders below the extraction's folder, then the name
    const EntryRecord* record;       // the entry's, or null for `text`
    std::uint32_t position;          // where the entry's data lies in the archive
    std::string text;
};

enum class Standing { nothing, same, differs };

// What stands at each planned file's place below `folder`. A file with other bytes, a link or
// a folder differs; a place behind a link or a file the extraction itself refuses counts as
// nothing here. An entry is compared by writing it beside the file and reading both; that copy
// is removed again. Reads the entries through `reader`.
std::vector<Standing> WhatStands(ArchiveReader& reader, const std::string& folder,
                                 const std::vector<PlannedFile>& files);

}  // namespace qp::cli

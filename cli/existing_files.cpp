// Comparing what an extraction would write with what stands there already.
#include "cli/existing_files.h"

#include <cstring>
#include <filesystem>
#include <memory>

#include "cli/entry_paths.h"
#include "listing/extract_entry.h"
#include "listing/part_file.h"

namespace qp::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kBlock = 64 * 1024;

// The folder the file would be written in, when every folder on the way is one of its own;
// false when one is missing (nothing stands at the place) or is a link or a file (the extraction
// refuses to go through it).
bool FolderOnTheWay(const std::string& root, const std::vector<std::string>& folders,
                    std::string& folder) {
    folder = root;
    for (const std::string& part : folders) {
        folder = JoinPath(folder, part);
        std::error_code error;
        if (!fs::is_directory(fs::symlink_status(PathFromUtf8(folder), error))) return false;
    }
    return true;
}

// Whether the next `size` bytes of both files are the same.
bool SameBytes(FileHandle a, FileHandle b, std::uint32_t size) {
    const auto blocks = std::make_unique<std::uint8_t[]>(2 * kBlock);
    while (size > 0) {
        const std::uint32_t step = size < kBlock ? size : kBlock;
        if (ReadBytes(a, blocks.get(), step).bytes != step ||
            ReadBytes(b, blocks.get() + kBlock, step).bytes != step ||
            std::memcmp(blocks.get(), blocks.get() + kBlock, step) != 0) {
            return false;
        }
        size -= step;
    }
    return true;
}

// The entry written beside the file, read back against it.
bool SameAsEntry(ArchiveReader& reader, const std::string& folder, const PlannedFile& file,
                 FileHandle existing, std::uint32_t size) {
    PartFile part;
    if (StartPartFile(JoinPath(folder, file.parts.back()), part) != IoStatus::ok) return false;
    const DataWritten written =
        WriteEntryData(reader, file.position, *file.record, part.handle, {});
    const bool same = written.outcome == Outcome::ok && SeekTo(part.handle, 0) == IoStatus::ok &&
                      SameBytes(part.handle, existing, size);
    FinishPartFile(part, false);
    return same;
}

bool SameAsText(const std::string& text, FileHandle existing) {
    std::string bytes(text.size(), '\0');
    const auto size = static_cast<std::uint32_t>(text.size());
    return ReadBytes(existing, bytes.data(), size).bytes == size && bytes == text;
}

Standing WhatStandsAt(ArchiveReader& reader, const std::string& root, const PlannedFile& file) {
    std::string folder;
    const std::vector<std::string> folders(file.parts.begin(), file.parts.end() - 1);
    if (!FolderOnTheWay(root, folders, folder)) return Standing::nothing;
    const std::string target = JoinPath(folder, file.parts.back());
    std::error_code error;
    const fs::file_status status = fs::symlink_status(PathFromUtf8(target), error);
    if (!fs::exists(status)) return Standing::nothing;
    if (!fs::is_regular_file(status)) return Standing::differs;
    const OpenResult existing = OpenFile(target.c_str(), OpenMode::read);
    if (existing.handle == nullptr) return Standing::differs;
    const SizeResult size = FileSize32(existing.handle);
    const EntryRecord* record = file.record;
    const std::uint64_t wanted = record == nullptr                     ? file.text.size()
                                 : record->method == kMethodCompressed ? record->original_size
                                                                       : record->data_size;
    bool same = size.status == IoStatus::ok && size.size == wanted;
    if (same) {
        same = record == nullptr ? SameAsText(file.text, existing.handle)
                                 : SameAsEntry(reader, folder, file, existing.handle, size.size);
    }
    CloseFile(existing.handle);  // read only: nothing to lose when the close fails
    return same ? Standing::same : Standing::differs;
}

}  // namespace

std::vector<Standing> WhatStands(ArchiveReader& reader, const std::string& folder,
                                 const std::vector<PlannedFile>& files) {
    std::vector<Standing> standing;
    standing.reserve(files.size());
    for (const PlannedFile& file : files) {
        standing.push_back(file.parts.empty() ? Standing::nothing
                                              : WhatStandsAt(reader, folder, file));
    }
    return standing;
}

}  // namespace qp::cli

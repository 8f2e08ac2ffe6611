// PackFiles: the host's add list turned into the files to pack, packed in one edit.
#include "editing/pack_files.h"

#include <cstring>

#include "editing/pack_sources.h"
#include "pbo/entry_locator.h"

namespace qp {
namespace {

constexpr std::size_t kItemBufferSize = 256;

// Joins the parts; false when they do not fit a 256-byte buffer with their NUL.
bool Join(std::string& out, const char* first, const char* second, const char* third) {
    out = std::string(first) + second + third;
    return out.size() < kItemBufferSize;
}

}  // namespace

Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const NewArchiveSettings& settings, Progress& progress,
                  bool in_place) {
    return PackFiles(packed_file, sub_path, src_path, add_list, add_list, settings, progress,
                     in_place);
}

Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const char* entry_list, const NewArchiveSettings& settings,
                  Progress& progress, bool in_place) {
    if (packed_file == nullptr) return Outcome::create_failed;
    const int count = CountListItems(entry_list);
    std::vector<SourceFile> files;
    // Paths that do not fit their buffers are refused like sources that cannot be opened: the
    // packing ends there, and the files before them are packed.
    bool refused = false;
    // The count stops where the list ends: at an empty item or one of 255 characters or more.
    const char* item = add_list;
    const char* entry_item = entry_list;
    for (int index = 0; index < count && !refused;
         ++index, item += std::strlen(item) + 1, entry_item += std::strlen(entry_item) + 1) {
        if (entry_item[std::strlen(entry_item) - 1] == '\\')
            continue;  // a folder: its files are items of their own
        SourceFile file;
        refused = !Join(file.source_path, src_path != nullptr ? src_path : "", item, "") ||
                  !(sub_path != nullptr ? Join(file.entry_name, sub_path, "\\", entry_item)
                                        : Join(file.entry_name, entry_item, "", ""));
        if (!refused) files.push_back(std::move(file));
    }
    const PackRequest request{.settings = settings, .item_count = count, .in_place = in_place};
    const EditResult packed = PackSources(packed_file, files, request, progress);
    if (packed.outcome != Outcome::ok) return packed.outcome;
    return refused ? Outcome::open_failed : Outcome::ok;
}

}  // namespace qp

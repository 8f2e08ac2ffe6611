// PackFiles: create the archive when missing, then pack the listed files one by one.
#include "editing/pack_files.h"

#include <cstring>

#include "editing/add_or_replace_entry.h"
#include "pbo/entry_locator.h"

namespace qp {
namespace {

constexpr std::size_t kItemBufferSize = 256;

// Joins the parts into a 256-byte buffer; false when they do not fit with their NUL.
bool Join(char (&out)[kItemBufferSize], const char* first, const char* second, const char* third) {
    const std::size_t first_length = std::strlen(first);
    const std::size_t second_length = std::strlen(second);
    const std::size_t third_length = std::strlen(third);
    if (first_length + second_length + third_length >= kItemBufferSize) return false;
    std::memcpy(out, first, first_length);
    std::memcpy(out + first_length, second, second_length);
    std::memcpy(out + first_length + second_length, third, third_length + 1);
    return true;
}

// An archive that exists must be readable and whole before anything is packed into it.
Outcome CheckArchive(const char* packed_file) {
    const OpenResult archive = OpenFile(packed_file, OpenMode::read);
    if (archive.handle == nullptr) return Outcome::open_failed;
    EntryLocation at{};
    const FindResult found = FindEntry(archive.handle, "", at);
    CloseFile(archive.handle);
    return found == FindResult::damaged ? Outcome::bad_archive : Outcome::ok;
}

}  // namespace

Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const NewArchiveSettings& settings, Progress& progress) {
    return PackFiles(packed_file, sub_path, src_path, add_list, add_list, settings, progress);
}

Outcome PackFiles(const char* packed_file, const char* sub_path, const char* src_path,
                  const char* add_list, const char* entry_list, const NewArchiveSettings& settings,
                  Progress& progress) {
    if (packed_file == nullptr) return Outcome::create_failed;
    if (!PathExists(packed_file)) {
        const Outcome created = CreateArchive(packed_file, settings);
        if (created != Outcome::ok) return created;
    }
    const Outcome checked = CheckArchive(packed_file);
    if (checked != Outcome::ok || add_list == nullptr) return checked;

    const int count = CountListItems(entry_list);
    int done = 0;
    // The count stops where the list ends: at an empty item or one of 255 characters or more.
    const char* item = add_list;
    const char* entry_item = entry_list;
    for (int index = 0; index < count;
         ++index, item += std::strlen(item) + 1, entry_item += std::strlen(entry_item) + 1) {
        if (entry_item[std::strlen(entry_item) - 1] == '\\')
            continue;  // a folder: its files are items of their own
        char source_path[kItemBufferSize];
        char entry_name[kItemBufferSize];
        // Paths that do not fit are refused like sources that cannot be opened.
        if (!Join(source_path, src_path != nullptr ? src_path : "", item, "") ||
            !(sub_path != nullptr ? Join(entry_name, sub_path, "\\", entry_item)
                                  : Join(entry_name, entry_item, "", ""))) {
            return Outcome::open_failed;
        }
        // Each file is packed completely or not at all; files already packed stay.
        const Outcome packed = AddOrReplaceEntry(packed_file, source_path, entry_name, progress);
        if (packed != Outcome::ok) return packed;
        ++done;
        Report(progress, "Packing - ", entry_name, ItemsPercent(done, count));
    }
    return Outcome::ok;
}

}  // namespace qp

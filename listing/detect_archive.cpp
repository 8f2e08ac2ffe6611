// Detection by content: the same header walk the editor makes, with a few checks that other
// kinds of files do not pass by chance.
#include "listing/detect_archive.h"

#include <cstdint>

#include "pbo/entry_record.h"
#include "pbo/entry_walk.h"
#include "platform/file.h"

namespace qp {
namespace {

// A first entry with an empty name opens the header extension, whose record names its method;
// a run of zero bytes would otherwise read as an empty archive.
bool FirstEntryFits(FileHandle file) {
    std::uint8_t first[1 + kRecordSize];
    const Transfer read = ReadBytes(file, first, sizeof first);
    if (read.bytes != sizeof first) return false;
    return first[0] != '\0' || DecodeRecord(first + 1).method == kMethodVersion;
}

bool NameIsText(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

}  // namespace

bool LooksLikeArchive(const char* path) {
    if (path == nullptr) return false;
    const OpenResult opened = OpenFile(path, OpenMode::read);
    if (opened.handle == nullptr) return false;
    bool text = true;
    const bool fits = FirstEntryFits(opened.handle);
    const HeaderWalk walk =
        fits ? WalkHeader(opened.handle,
                          [&text](const MetEntry& entry) { text = text && NameIsText(entry.name); })
             : HeaderWalk{};
    CloseFile(opened.handle);
    return fits && text && !walk.damaged;
}

}  // namespace qp

// Detection by content: the same header walk the editor makes, with a few checks that other
// kinds of files do not pass by chance.
#include "listing/detect_archive.h"

#include <cstdint>
#include <memory>

#include "pbo/buffered_reader.h"
#include "pbo/cstring.h"
#include "pbo/entry_record.h"
#include "pbo/entry_walk.h"

namespace qp {
namespace {

bool NameIsText(std::string_view name) {
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    return true;
}

}  // namespace

bool StartsLikeArchive(FileHandle file) {
    const SizeResult size = FileSize32(file);
    if (size.status != IoStatus::ok || SeekTo(file, 0) != IoStatus::ok) return false;
    // The reader and its string buffer are large for the stack of a host's thread.
    const auto reader = std::make_unique<BufferedReader>();
    const auto strings = std::make_unique<CStringBuffer>();
    StartReader(*reader, file, 0);
    const std::string_view name = ReadCString(*reader, *strings);
    EntryRecord record{};
    if (strings->hit_end || strings->too_long || !ReadRecord(*reader, record)) return false;
    // A first entry with an empty name opens the header extension, whose record names its method;
    // a run of zero bytes would otherwise read as an empty archive.
    if (name.empty()) return record.method == kMethodVersion;
    const bool method_known = record.method == kMethodStored || record.method == kMethodCompressed;
    return NameIsText(name) && method_known && record.data_size <= size.size;
}

bool LooksLikeArchive(const char* path) {
    if (path == nullptr) return false;
    const OpenResult opened = OpenFile(path, OpenMode::read);
    if (opened.handle == nullptr) return false;
    bool text = true;
    const bool starts = StartsLikeArchive(opened.handle);
    const HeaderWalk walk =
        starts
            ? WalkHeader(opened.handle,
                         [&text](const MetEntry& entry) { text = text && NameIsText(entry.name); })
            : HeaderWalk{};
    CloseFile(opened.handle);
    return starts && text && !walk.damaged;
}

}  // namespace qp

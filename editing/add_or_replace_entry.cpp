// One packed file in place: locate its entry, then splice header and data in, or swap the data.
#include "editing/add_or_replace_entry.h"

#include <algorithm>
#include <string>

#include "editing/archive_layout.h"
#include "editing/splice.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_name.h"
#include "pbo/entry_record.h"
#include "pbo/entry_time.h"
#include "pbo/entry_walk.h"

namespace qp {
namespace {

// The source, opened and mapped read-only for the whole step. An empty file has no view.
struct Source {
    FileHandle file;
    Mapping view;
    std::uint32_t size;
};

// The archive being packed into, held open by the caller.
struct Archive {
    FileHandle file;
    const char* path;
};

// A header entry in place: the name, its NUL and the record.
Outcome ReadHeaderEntryAt(FileHandle archive, const EntryLocation& at, std::string& bytes) {
    bytes.resize(static_cast<std::size_t>(at.header_size));
    const auto size = static_cast<std::uint32_t>(at.header_size);
    const bool read =
        SeekTo(archive, static_cast<std::uint32_t>(at.header_offset)) == IoStatus::ok &&
        ReadBytes(archive, bytes.data(), size).bytes == size;
    return read ? Outcome::ok : Outcome::read_failed;
}

Outcome WriteHeaderEntryAt(FileHandle archive, const EntryLocation& at, const std::string& bytes) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const bool written =
        SeekTo(archive, static_cast<std::uint32_t>(at.header_offset)) == IoStatus::ok &&
        WriteBytes(archive, bytes.data(), size).bytes == size;
    return written ? Outcome::ok : Outcome::write_failed;
}

// The header entry goes in at `at` (before the end-of-header entry, or before the entry it sorts
// before), its data at `at`'s data offset, which the header insertion moved by the header
// entry's length.
Outcome AddEntry(const Archive& archive, const EntryLocation& at, const char* entry_name,
                 const Source& source, Progress& progress) {
    const std::string header =
        HeaderEntry(entry_name, FileCreationUnixTime(source.file), source.size);
    const auto header_offset = static_cast<std::uint32_t>(at.header_offset);
    const auto header_size = static_cast<std::uint32_t>(header.size());
    if (InsertRangeInFile(archive.file, header_offset, header_size,
                          reinterpret_cast<const std::uint8_t*>(header.data())) != Outcome::ok) {
        return Outcome::write_failed;
    }
    // Between the two splices the header describes data that is not there yet.
    if (InsertRangeInFile(archive.file, static_cast<std::uint32_t>(at.data_offset) + header_size,
                          source.size, source.view.data) != Outcome::ok) {
        // All or nothing: without its data the new header entry comes out again.
        RemoveRangeInFile(archive.file, archive.path, header_offset, header_size, "", progress);
        return Outcome::write_failed;
    }
    return Outcome::ok;
}

// The new data goes in first, in front of the old, so that every failure can be undone; the
// header entry then takes the name being packed (the same but for letter case) and describes
// stored data of the new size (timestamp and reserved field stay), and the old data is cut last.
Outcome ReplaceEntry(const Archive& archive, const EntryLocation& at, const char* entry_name,
                     const Source& source, const char* progress_text, Progress& progress) {
    const auto data_offset = static_cast<std::uint32_t>(at.data_offset);
    std::string old_header;
    const Outcome read = ReadHeaderEntryAt(archive.file, at, old_header);
    if (read != Outcome::ok) return read;
    if (InsertRangeInFile(archive.file, data_offset, source.size, source.view.data) !=
        Outcome::ok) {
        return Outcome::write_failed;
    }
    EntryRecord record = DecodeRecord(reinterpret_cast<const std::uint8_t*>(old_header.data()) +
                                      old_header.size() - kRecordSize);
    record.method = kMethodStored;
    record.original_size = 0;
    record.data_size = source.size;
    std::string header(entry_name, old_header.size() - kEntryOverhead);
    header.push_back('\0');
    std::uint8_t bytes[kRecordSize];
    EncodeRecord(record, bytes);
    header.append(reinterpret_cast<const char*>(bytes), kRecordSize);
    if (WriteHeaderEntryAt(archive.file, at, header) == Outcome::ok &&
        RemoveRangeInFile(archive.file, archive.path, data_offset + source.size,
                          static_cast<std::uint32_t>(at.data_size), progress_text,
                          progress) == Outcome::ok) {
        return Outcome::ok;
    }
    // The old header entry goes back also when its rewrite failed: a write that fails part way
    // has already changed its first bytes.
    WriteHeaderEntryAt(archive.file, at, old_header);
    RemoveRangeInFile(archive.file, archive.path, data_offset, source.size, "", progress);
    return Outcome::write_failed;
}

// Where a new entry goes: in an archive whose entries are sorted by name, before the first that
// sorts after it, as a rewrite would put it; otherwise before the end-of-header entry, its data
// at the end of the data area.
EntryLocation NewEntryPlace(const HeaderWalk& walk, const char* entry_name) {
    EntryLocation at{walk.end_of_header_offset, 0, walk.data_end, 0};
    if (!EntriesSorted(walk)) return at;
    const auto after = std::upper_bound(walk.entries.begin(), walk.entries.end(), entry_name,
                                        [](const char* name, const WalkedEntry& entry) {
                                            return EntryNameBefore(name, entry.name);
                                        });
    if (after != walk.entries.end()) {
        at.header_offset = after->location.header_offset;
        at.data_offset = after->location.data_offset;
    }
    return at;
}

// One walk of the header finds the entry the file replaces, or the place of a new one.
Outcome PackSource(const Archive& archive, const char* entry_name, const Source& source,
                   Progress& progress) {
    const HeaderWalk walk = WalkHeader(archive.file);
    if (walk.damaged) return Outcome::bad_archive;
    // When several entries carry the name, the last one takes the data.
    if (const WalkedEntry* entry = LastEntryNamed(walk, entry_name)) {
        const std::string progress_text = std::string("Packing - ") + entry_name;
        return ReplaceEntry(archive, entry->location, entry_name, source, progress_text.c_str(),
                            progress);
    }
    return AddEntry(archive, NewEntryPlace(walk, entry_name), entry_name, source, progress);
}

}  // namespace

Outcome AddOrReplaceEntry(FileHandle archive, const char* archive_path, const char* source_path,
                          const char* entry_name, Progress& progress) {
    const OpenResult opened = OpenFile(source_path, OpenMode::read);
    if (opened.handle == nullptr) return Outcome::open_failed;
    Source source{opened.handle, {nullptr, 0, nullptr, IoStatus::ok}, 0};
    const SizeResult size = FileSize32(opened.handle);
    Outcome outcome = size.status == IoStatus::ok ? Outcome::ok : Outcome::read_failed;
    if (outcome == Outcome::ok) {
        source.size = size.size;
        source.view = MapFile(opened.handle, MapAccess::read_only, 0);
        if (source.size > 0 && source.view.data == nullptr) outcome = Outcome::read_failed;
    }
    if (outcome == Outcome::ok) {
        outcome = PackSource({archive, archive_path}, entry_name, source, progress);
    }
    UnmapFile(source.view);
    CloseFile(opened.handle);
    return outcome;
}

}  // namespace qp

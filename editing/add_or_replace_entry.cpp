// One packed file: locate its entry, then splice header and data in, or swap the data.
#include "editing/add_or_replace_entry.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "editing/archive_layout.h"
#include "editing/splice.h"
#include "pbo/entry_locator.h"
#include "pbo/entry_record.h"
#include "pbo/entry_time.h"

namespace qp {
namespace {

// The source, opened and mapped read-only for the whole step. An empty file has no view.
struct Source {
    FileHandle file;
    Mapping view;
    std::uint32_t size;
};

Outcome ReadRecordAt(const char* path, std::uint32_t position, EntryRecord& record) {
    const OpenResult opened = OpenFile(path, OpenMode::read);
    if (opened.handle == nullptr) return Outcome::open_failed;
    const bool read =
        SeekTo(opened.handle, position) == IoStatus::ok && ReadRecord(opened.handle, record);
    CloseFile(opened.handle);
    return read ? Outcome::ok : Outcome::read_failed;
}

Outcome WriteRecordAt(const char* path, std::uint32_t position, const EntryRecord& record) {
    const OpenResult opened = OpenFile(path, OpenMode::read_write);
    if (opened.handle == nullptr) return Outcome::write_failed;
    std::uint8_t bytes[kRecordSize];
    EncodeRecord(record, bytes);
    const bool written = SeekTo(opened.handle, position) == IoStatus::ok &&
                         WriteBytes(opened.handle, bytes, kRecordSize).bytes == kRecordSize;
    const bool closed = CloseFile(opened.handle) == IoStatus::ok;
    if (!written) return Outcome::write_failed;
    return closed ? Outcome::ok : Outcome::close_failed;
}

// A step whose only failure was closing the archive has taken effect: undoing it as if it had
// not would damage the archive. The item is finished, and the failed close is its outcome.
bool TookEffect(Outcome step) {
    return step == Outcome::ok || step == Outcome::close_failed;
}

Outcome FinishedItem(std::initializer_list<Outcome> steps) {
    for (const Outcome step : steps) {
        if (step != Outcome::ok) return step;
    }
    return Outcome::ok;
}

// The header entry goes right before the end-of-header entry, the data to the end of the data
// area, which the header insertion moved by the header entry's length, in front of the trailer.
Outcome AddEntry(const char* packed_file, const EntryLocation& at, const char* entry_name,
                 const Source& source, Progress& progress) {
    const std::string header =
        HeaderEntry(entry_name, FileCreationUnixTime(source.file), source.size);
    const auto header_offset = static_cast<std::uint32_t>(at.header_offset);
    const auto header_size = static_cast<std::uint32_t>(header.size());
    const Outcome header_put =
        InsertRange(packed_file, header_offset, header_size,
                    reinterpret_cast<const std::uint8_t*>(header.data()), "");
    if (!TookEffect(header_put)) return Outcome::write_failed;
    // Between the two splices the header describes data that is not there yet.
    const Outcome data_put =
        InsertRange(packed_file, static_cast<std::uint32_t>(at.data_offset) + header_size,
                    source.size, source.view.data, "");
    if (!TookEffect(data_put)) {
        // All or nothing: without its data the new header entry comes out again.
        RemoveRange(packed_file, header_offset, header_size, "", progress);
        return Outcome::write_failed;
    }
    return FinishedItem({header_put, data_put});
}

// The new data goes in first, in front of the old, so that every failure can be undone; the
// record then describes stored data of the new size (timestamp and reserved field stay), and
// the old data is cut last.
Outcome ReplaceEntry(const char* packed_file, const EntryLocation& at, const Source& source,
                     const char* progress_text, Progress& progress) {
    const auto data_offset = static_cast<std::uint32_t>(at.data_offset);
    const std::uint32_t record_at =
        static_cast<std::uint32_t>(at.header_offset + at.header_size) - kRecordSize;
    EntryRecord old_record{};
    const Outcome read = ReadRecordAt(packed_file, record_at, old_record);
    if (read != Outcome::ok) return read;
    const Outcome inserted =
        InsertRange(packed_file, data_offset, source.size, source.view.data, "");
    if (!TookEffect(inserted)) return Outcome::write_failed;
    EntryRecord record = old_record;
    record.method = kMethodStored;
    record.original_size = 0;
    record.data_size = source.size;
    const Outcome described = WriteRecordAt(packed_file, record_at, record);
    if (TookEffect(described)) {
        const Outcome removed =
            RemoveRange(packed_file, data_offset + source.size,
                        static_cast<std::uint32_t>(at.data_size), progress_text, progress);
        if (TookEffect(removed)) return FinishedItem({inserted, described, removed});
    }
    // The old record goes back also when its rewrite failed: a write that fails part way has
    // already changed the first fields.
    WriteRecordAt(packed_file, record_at, old_record);
    RemoveRange(packed_file, data_offset, source.size, "", progress);
    return Outcome::write_failed;
}

Outcome PackSource(const char* packed_file, const char* entry_name, const Source& source,
                   Progress& progress) {
    const OpenResult archive = OpenFile(packed_file, OpenMode::read);
    if (archive.handle == nullptr) return Outcome::open_failed;
    EntryLocation at{};
    const FindResult found = FindEntry(archive.handle, entry_name, at);
    CloseFile(archive.handle);
    if (found == FindResult::damaged) return Outcome::bad_archive;
    if (found == FindResult::absent) return AddEntry(packed_file, at, entry_name, source, progress);
    const std::string progress_text = std::string("Packing - ") + entry_name;
    return ReplaceEntry(packed_file, at, source, progress_text.c_str(), progress);
}

}  // namespace

Outcome AddOrReplaceEntry(const char* packed_file, const char* source_path, const char* entry_name,
                          Progress& progress) {
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
    if (outcome == Outcome::ok) outcome = PackSource(packed_file, entry_name, source, progress);
    UnmapFile(source.view);
    CloseFile(opened.handle);
    return outcome;
}

}  // namespace qp

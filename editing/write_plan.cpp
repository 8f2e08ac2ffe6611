// The one-pass writer: header from the plan, data copied in blocks, trailer last.
#include "editing/write_plan.h"

#include <cstring>
#include <memory>
#include <new>

#include "pbo/trailer.h"

namespace qp {
namespace {

constexpr std::uint32_t kBlock = 1 << 20;

// The output side of the pass: the file, the block buffer, the bytes not yet reported, and the
// digest of every byte written, for a trailer.
struct Writer {
    FileHandle out;
    std::unique_ptr<std::uint8_t[]> block;
    const WriteReports& reports;
    Progress& progress;
    std::uint32_t unreported = 0;
    long long items_done = 0;
    Sha1 sha1{};
    bool hashing = false;
};

EditResult Failed(Outcome outcome, IoStatus status, std::string path = {}) {
    return FailedEdit(outcome, status, std::move(path));
}

// Byte reports come once a whole MiB has been written since the last one.
bool Count(Writer& writer, std::uint32_t bytes) {
    writer.unreported += bytes;
    if (writer.unreported < kBlock) return !writer.progress.cancelled;
    const auto reported = static_cast<int>(writer.unreported);
    writer.unreported = 0;
    return Report(writer.progress, writer.reports.archive_path, reported);
}

EditResult Put(Writer& writer, const void* bytes, std::uint32_t size) {
    if (writer.hashing) UpdateSha1(writer.sha1, bytes, size);
    const Transfer put = WriteBytes(writer.out, bytes, size);
    if (put.bytes != size) return Failed(Outcome::write_failed, put.status);
    if (!Count(writer, size)) return Failed(Outcome::aborted, IoStatus::ok);
    return {};
}

EditResult PutText(Writer& writer, const std::string& bytes) {
    return Put(writer, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Copies `size` bytes from the current position of `from` through the block buffer.
// `from_path` names a new file in failures; empty for the archive being edited.
EditResult Copy(Writer& writer, FileHandle from, std::uint32_t size, const std::string& from_path) {
    while (size > 0) {
        const std::uint32_t step = size < kBlock ? size : kBlock;
        const Transfer read = ReadBytes(from, writer.block.get(), step);
        if (read.bytes != step) {
            // A new file that got shorter since it was planned ends early: the status says so.
            return Failed(Outcome::read_failed, read.status, from_path);
        }
        EditResult put = Put(writer, writer.block.get(), step);
        if (put.outcome != Outcome::ok) return put;
        size -= step;
    }
    return {};
}

EditResult CopyOld(Writer& writer, FileHandle archive, std::uint32_t offset, std::uint32_t size) {
    if (size == 0) return {};
    const IoStatus seek = SeekTo(archive, offset);
    if (seek != IoStatus::ok) return Failed(Outcome::read_failed, seek);
    return Copy(writer, archive, size, {});
}

EditResult CopyNew(Writer& writer, const NewData& data) {
    const OpenResult source = OpenFile(data.path.c_str(), OpenMode::read);
    if (source.handle == nullptr) return Failed(Outcome::open_failed, source.status, data.path);
    const SizeResult size = FileSize32(source.handle);
    EditResult copied = size.status != IoStatus::ok || size.size != data.size
                            ? Failed(Outcome::read_failed, IoStatus::truncated, data.path)
                            : Copy(writer, source.handle, data.size, data.path);
    CloseFile(source.handle);  // read only: nothing to lose when the close fails
    if (copied.outcome != Outcome::ok) return copied;
    writer.items_done += data.items;
    if (!Report(writer.progress, "Packing - ", data.entry_name.c_str(),
                ItemsPercent(writer.items_done, writer.reports.item_count))) {
        return Failed(Outcome::aborted, IoStatus::ok);
    }
    return {};
}

// Whether the plan ends in a trailer, whose digest the pass computes: the one of a new archive,
// or the 21 bytes of the archive being edited that start with a zero byte. Other bytes after the
// data area are copied as they are, and an archive without any stays without.
EditResult EndsInTrailer(const PlannedBytes& tail, FileHandle archive, bool& trailer) {
    if (tail.size == 0) {
        trailer = IsTrailer(reinterpret_cast<const std::uint8_t*>(tail.own.data()),
                            static_cast<std::uint32_t>(tail.own.size()));
        return {};
    }
    std::uint8_t first = 0xFF;
    trailer = false;
    if (tail.size != kTrailerSize) return {};
    const IoStatus seek = SeekTo(archive, tail.offset);
    if (seek != IoStatus::ok) return Failed(Outcome::read_failed, seek);
    const Transfer read = ReadBytes(archive, &first, 1);
    if (read.bytes != 1) return Failed(Outcome::read_failed, read.status);
    trailer = IsTrailer(&first, kTrailerSize);
    return {};
}

// The zero byte and the digest of every byte before it.
EditResult PutTrailer(Writer& writer) {
    std::uint8_t digest[kSha1Size];
    writer.hashing = false;
    if (!FinishSha1(writer.sha1, digest)) return Failed(Outcome::write_failed, IoStatus::io_error);
    std::uint8_t trailer[kTrailerSize] = {};
    std::memcpy(trailer + 1, digest, kSha1Size);
    return Put(writer, trailer, kTrailerSize);
}

EditResult PutBytes(Writer& writer, FileHandle archive, const PlannedBytes& bytes) {
    if (bytes.size != 0) return CopyOld(writer, archive, bytes.offset, bytes.size);
    return PutText(writer, bytes.own);
}

EditResult PutHeader(Writer& writer, const ArchivePlan& plan, FileHandle archive) {
    EditResult done = PutBytes(writer, archive, plan.head);
    std::string entries;
    std::uint8_t record[kRecordSize];
    for (const PlannedEntry& entry : plan.entries) {
        entries.append(entry.name).push_back('\0');
        EncodeRecord(entry.record, record);
        entries.append(reinterpret_cast<const char*>(record), kRecordSize);
    }
    if (done.outcome == Outcome::ok) done = PutText(writer, entries);
    if (done.outcome == Outcome::ok) done = PutBytes(writer, archive, plan.end_of_header);
    return done;
}

// The data area: runs of kept data that lie next to each other in the archive go in one copy.
EditResult WriteData(Writer& writer, const ArchivePlan& plan, FileHandle archive) {
    std::uint32_t run_offset = 0;
    std::uint32_t run_size = 0;
    for (const PlannedEntry& entry : plan.entries) {
        if (entry.new_data < 0 && run_offset + run_size == entry.old_offset) {
            run_size += entry.record.data_size;
            continue;
        }
        EditResult done = CopyOld(writer, archive, run_offset, run_size);
        if (done.outcome != Outcome::ok) return done;
        run_offset = entry.old_offset;
        run_size = 0;
        if (entry.new_data < 0) {
            run_size = entry.record.data_size;
            continue;
        }
        done = CopyNew(writer, plan.new_data[static_cast<std::size_t>(entry.new_data)]);
        if (done.outcome != Outcome::ok) return done;
    }
    return CopyOld(writer, archive, run_offset, run_size);
}

}  // namespace

EditResult WritePlan(const ArchivePlan& plan, FileHandle archive, FileHandle out,
                     const WriteReports& reports, Progress& progress) {
    Writer writer{out, std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[kBlock]),
                  reports, progress};
    if (!writer.block) return Failed(Outcome::no_memory, IoStatus::ok);
    bool trailer = false;
    EditResult done = EndsInTrailer(plan.tail, archive, trailer);
    if (done.outcome != Outcome::ok) return done;
    writer.hashing = trailer && StartSha1(writer.sha1);
    if (trailer && !writer.hashing) return Failed(Outcome::write_failed, IoStatus::io_error);
    done = PutHeader(writer, plan, archive);
    if (done.outcome == Outcome::ok) done = WriteData(writer, plan, archive);
    if (done.outcome == Outcome::ok) {
        done = trailer ? PutTrailer(writer) : PutBytes(writer, archive, plan.tail);
    }
    // A digest started must be finished, also when the pass stopped before its trailer.
    std::uint8_t unused[kSha1Size];
    if (writer.hashing) FinishSha1(writer.sha1, unused);
    return done;
}

}  // namespace qp

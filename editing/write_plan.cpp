// The one-pass writer: header, data and trailer gathered into blocks, hashed beside the writing.
#include "editing/write_plan.h"

#include <algorithm>
#include <cstring>

#include "editing/hash_thread.h"
#include "pbo/trailer.h"

namespace qp {
namespace {

// Byte reports come once this much has been written since the last one.
constexpr std::uint32_t kReportStep = 1u << 20;
// The system is asked to start writing to the disk each time this much more has been written.
constexpr std::uint32_t kWriteBackStep = 8u << 20;
// New files are read ahead of the writing by this much: the system reads the next ones from the
// disk while the writer copies, where small files on a cold cache would each wait for it in turn.
constexpr std::uint64_t kReadAheadStep = 8u << 20;

// The output side of the pass: the file, the block being filled and the digest beside it, the
// bytes written, those not yet reported and those not yet on their way to the disk.
struct Writer {
    FileHandle out;
    const WriteReports& reports;
    Progress& progress;
    HashThread hash{};
    std::uint8_t* block = nullptr;  // from NextBlock: every byte of the archive passes through one
    std::uint32_t filled = 0;
    std::uint32_t written = 0;
    std::uint32_t written_back = 0;  // the bytes before it are on their way to the disk
    std::uint32_t unreported = 0;
    long long items_done = 0;
};

EditResult Failed(Outcome outcome, IoStatus status, std::string path = {}) {
    return FailedEdit(outcome, status, std::move(path));
}

// Byte reports come once a whole MiB has been written since the last one.
bool Count(Writer& writer, std::uint32_t bytes) {
    writer.unreported += bytes;
    if (writer.unreported < kReportStep) return !writer.progress.cancelled;
    const auto reported = static_cast<int>(writer.unreported);
    writer.unreported = 0;
    return Report(writer.progress, writer.reports.archive_path, reported);
}

// Counts `bytes` just written; every few MB the system starts writing them to the disk.
EditResult Wrote(Writer& writer, std::uint32_t bytes) {
    writer.written += bytes;
    if (writer.written - writer.written_back >= kWriteBackStep) {
        StartWriteBack(writer.out, writer.written_back, writer.written - writer.written_back);
        writer.written_back = writer.written;
    }
    if (!Count(writer, bytes)) return Failed(Outcome::aborted, IoStatus::ok);
    return {};
}

// Writes the bytes filled in so far, hands them over to be hashed and takes the next block. The
// write comes first: copying a block that the other core is reading at the same moment costs the
// write several times as much. Whole blocks, whatever pieces they were filled from, so that the
// writes and hand-overs stay few however small the pieces.
EditResult WriteBlock(Writer& writer) {
    const std::uint32_t size = writer.filled;
    if (size == 0) return {};
    const Transfer put = WriteBytes(writer.out, writer.block, size);
    HandOverBlock(writer.hash, size);
    writer.block = NextBlock(writer.hash);
    writer.filled = 0;
    if (put.bytes != size) return Failed(Outcome::write_failed, put.status);
    return Wrote(writer, size);
}

// The room left in the block, written first when it is full.
EditResult MakeRoom(Writer& writer, std::uint32_t& room) {
    if (writer.filled == kHashBlock) {
        EditResult written = WriteBlock(writer);
        if (written.outcome != Outcome::ok) return written;
    }
    room = kHashBlock - writer.filled;
    return {};
}

EditResult Put(Writer& writer, const void* bytes, std::uint32_t size) {
    const auto* from = static_cast<const std::uint8_t*>(bytes);
    for (std::uint32_t done = 0, room = 0; done < size; done += room) {
        EditResult made = MakeRoom(writer, room);
        if (made.outcome != Outcome::ok) return made;
        room = std::min(size - done, room);
        std::memcpy(writer.block + writer.filled, from + done, room);
        writer.filled += room;
    }
    return {};
}

EditResult PutText(Writer& writer, const std::string& bytes) {
    return Put(writer, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Reads `size` bytes of `from` from `offset` on straight into the blocks: read once, hashed and
// written from there. `from_path` names a new file in failures; empty for the archive being
// edited. Either ends early when it got shorter since it was planned: the status says so.
EditResult Copy(Writer& writer, FileHandle from, std::uint32_t offset, std::uint32_t size,
                const std::string& from_path) {
    for (std::uint32_t done = 0, room = 0; done < size; done += room) {
        EditResult made = MakeRoom(writer, room);
        if (made.outcome != Outcome::ok) return made;
        room = std::min(size - done, room);
        const Transfer read = ReadAt(from, offset + done, writer.block + writer.filled, room);
        if (read.bytes != room) return Failed(Outcome::read_failed, read.status, from_path);
        writer.filled += room;
    }
    return {};
}

EditResult CopyOld(Writer& writer, FileHandle archive, std::uint32_t offset, std::uint32_t size) {
    return Copy(writer, archive, offset, size, {});
}

// A new file's bytes, or the content given for it.
EditResult PutNewBytes(Writer& writer, const NewData& data) {
    if (data.content != nullptr) return Put(writer, data.content->data(), data.size);
    const OpenResult source = data.held != nullptr ? OpenResult{data.held, IoStatus::ok}
                                                   : OpenFile(data.path.c_str(), OpenMode::read);
    if (source.handle == nullptr) return Failed(Outcome::open_failed, source.status, data.path);
    const SizeResult size = FileSize32(source.handle);
    EditResult copied = size.status != IoStatus::ok || size.size != data.size
                            ? Failed(Outcome::read_failed, IoStatus::truncated, data.path)
                            : Copy(writer, source.handle, 0, data.size, data.path);
    // Read only: nothing to lose when the close fails. A held file is closed by its holder.
    if (data.held == nullptr) CloseFile(source.handle);
    return copied;
}

EditResult CopyNew(Writer& writer, const NewData& data) {
    const EditResult copied = PutNewBytes(writer, data);
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
    const Transfer read = ReadAt(archive, tail.offset, &first, 1);
    if (read.bytes != 1) return Failed(Outcome::read_failed, read.status);
    trailer = IsTrailer(&first, kTrailerSize);
    return {};
}

// The zero byte and the digest of every byte before it, ready once the last of them is hashed.
EditResult PutTrailer(Writer& writer) {
    EditResult done = WriteBlock(writer);
    std::uint8_t digest[kSha1Size];
    if (done.outcome == Outcome::ok) done = FinishHashing(writer.hash, digest);
    if (done.outcome != Outcome::ok) return done;
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

// The new files of the plan's entries from `next` on, read ahead of the writing until `bytes` of
// them, not copied yet, are on their way.
struct ReadAhead {
    std::size_t next = 0;
    std::uint64_t bytes = 0;
};

void ReadNewFilesAhead(const ArchivePlan& plan, ReadAhead& ahead) {
    for (; ahead.next < plan.entries.size() && ahead.bytes < kReadAheadStep; ++ahead.next) {
        const int index = plan.entries[ahead.next].new_data;
        if (index < 0) continue;
        const NewData& data = plan.new_data[static_cast<std::size_t>(index)];
        if (data.content != nullptr || data.read_ahead) continue;  // given, or asked for already
        if (data.held != nullptr) {
            StartReadAhead(data.held);
        } else {
            ReadAheadFile(data.path.c_str());
        }
        ahead.bytes += data.size;
    }
}

// The data area: runs of kept data that lie next to each other in the archive go in one copy.
EditResult WriteData(Writer& writer, const ArchivePlan& plan, FileHandle archive) {
    std::uint32_t run_offset = 0;
    std::uint32_t run_size = 0;
    ReadAhead ahead;
    ReadNewFilesAhead(plan, ahead);
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
        const NewData& data = plan.new_data[static_cast<std::size_t>(entry.new_data)];
        done = CopyNew(writer, data);
        if (done.outcome != Outcome::ok) return done;
        // Read ahead here: the next ones follow.
        if (data.content == nullptr && !data.read_ahead) ahead.bytes -= data.size;
        ReadNewFilesAhead(plan, ahead);
    }
    return CopyOld(writer, archive, run_offset, run_size);
}

}  // namespace

EditResult WritePlan(const ArchivePlan& plan, FileHandle archive, FileHandle out,
                     const WriteReports& reports, Progress& progress) {
    bool trailer = false;
    EditResult done = EndsInTrailer(plan.tail, archive, trailer);
    if (done.outcome != Outcome::ok) return done;
    Writer writer{out, reports, progress};
    done = StartHashing(writer.hash, trailer);
    if (done.outcome == Outcome::ok) {
        writer.block = NextBlock(writer.hash);
        done = PutHeader(writer, plan, archive);
    }
    if (done.outcome == Outcome::ok) done = WriteData(writer, plan, archive);
    if (done.outcome == Outcome::ok) {
        done = trailer ? PutTrailer(writer) : PutBytes(writer, archive, plan.tail);
    }
    if (done.outcome == Outcome::ok) done = WriteBlock(writer);
    // A pass that stopped before its trailer ends the hashing here, while the archive it may be
    // reading is still open.
    StopHashing(writer.hash);
    return done;
}

}  // namespace qp

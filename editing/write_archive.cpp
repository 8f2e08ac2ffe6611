// The one-pass archive writer: plan every entry, write the header, then stream the data.
#include "editing/write_archive.h"

#include <memory>
#include <unordered_map>

#include "editing/archive_layout.h"
#include "pbo/entry_time.h"
#include "platform/file.h"

namespace qp {
namespace {

constexpr std::uint32_t kCopyChunk = 1 << 20;

struct PlannedEntry {
    std::string name;
    std::string source;
    std::int32_t timestamp;
    std::uint32_t size;
};

struct Plan {
    std::vector<PlannedEntry> entries;
    WriteResult result;
};

// Sizes and timestamps of every source; a repeated name replaces the earlier data in its place.
Plan MakePlan(const std::vector<SourceFile>& files) {
    Plan plan{{}, {Outcome::ok, {}}};
    std::unordered_map<std::string, std::size_t> index;
    for (const SourceFile& file : files) {
        const OpenResult source = OpenFile(file.source_path.c_str(), OpenMode::read);
        if (source.handle == nullptr) {
            plan.result = {Outcome::open_failed, file.source_path};
            return plan;
        }
        const SizeResult size = FileSize32(source.handle);
        const std::int32_t timestamp = FileCreationUnixTime(source.handle);
        CloseFile(source.handle);
        if (size.status != IoStatus::ok) {
            plan.result = {Outcome::read_failed, file.source_path};
            return plan;
        }
        const auto [found, added] = index.emplace(file.entry_name, plan.entries.size());
        if (added) {
            plan.entries.push_back({file.entry_name, file.source_path, timestamp, size.size});
        } else {
            plan.entries[found->second].source = file.source_path;
            plan.entries[found->second].size = size.size;
        }
    }
    return plan;
}

bool WriteAll(FileHandle file, const std::string& bytes) {
    return WriteBytes(file, bytes.data(), static_cast<std::uint32_t>(bytes.size())).status ==
           IoStatus::ok;
}

// Copies exactly the planned size: a source that changed size since it was planned is an error.
WriteResult CopySource(FileHandle archive, const PlannedEntry& entry, std::uint8_t* buffer) {
    const OpenResult source = OpenFile(entry.source.c_str(), OpenMode::read);
    if (source.handle == nullptr) return {Outcome::open_failed, entry.source};
    WriteResult result{Outcome::ok, {}};
    std::uint32_t remaining = entry.size;
    while (remaining > 0 && result.outcome == Outcome::ok) {
        const std::uint32_t chunk = remaining < kCopyChunk ? remaining : kCopyChunk;
        if (ReadBytes(source.handle, buffer, chunk).bytes != chunk) {
            result = {Outcome::read_failed, entry.source};
        } else if (WriteBytes(archive, buffer, chunk).status != IoStatus::ok) {
            result = {Outcome::write_failed, {}};
        }
        remaining -= chunk;
    }
    CloseFile(source.handle);
    return result;
}

}  // namespace

WriteResult WriteNewArchive(const char* path, std::int32_t pbo_type, const char* prefix,
                            const std::vector<SourceFile>& files, Progress& progress) {
    Plan plan = MakePlan(files);
    if (plan.result.outcome != Outcome::ok) return plan.result;

    const OpenResult archive = OpenFile(path, OpenMode::create_new);
    if (archive.handle == nullptr) return {Outcome::create_failed, path};
    std::string header = NewArchiveHead(pbo_type, prefix);
    for (const PlannedEntry& entry : plan.entries) {
        header += HeaderEntry(entry.name.c_str(), entry.timestamp, entry.size);
    }
    header += EndOfHeaderEntry();
    WriteResult result{WriteAll(archive.handle, header) ? Outcome::ok : Outcome::write_failed, {}};

    const auto buffer = std::make_unique<std::uint8_t[]>(kCopyChunk);
    const std::size_t count = plan.entries.size();
    for (std::size_t i = 0; i < count && result.outcome == Outcome::ok; ++i) {
        result = CopySource(archive.handle, plan.entries[i], buffer.get());
        Report(progress, "Packing - ", plan.entries[i].name.c_str(),
               ItemsPercent(static_cast<long long>(i + 1), static_cast<long long>(count)));
    }
    if (result.outcome == Outcome::ok && !WriteAll(archive.handle, Trailer())) {
        result = {Outcome::write_failed, {}};
    }
    if (CloseFile(archive.handle) != IoStatus::ok && result.outcome == Outcome::ok) {
        result = {Outcome::write_failed, {}};
    }
    if (result.outcome == Outcome::write_failed) result.failed_path = path;
    // The archive is ours alone: left half written, it would only be refused later as damaged.
    if (result.outcome != Outcome::ok) RemoveFile(path);
    return result;
}

}  // namespace qp

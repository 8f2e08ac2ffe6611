// Packing: plan every file into the archive's plan, then one rewrite, or in place when asked.
#include "editing/pack_sources.h"

#include <algorithm>
#include <utility>

#include "editing/add_or_replace_entry.h"
#include "editing/archive_plan.h"
#include "editing/pack_files.h"
#include "editing/rewrite_archive.h"
#include "editing/trailer_checksum.h"
#include "pbo/entry_name.h"
#include "pbo/entry_time.h"

namespace qp {
namespace {

std::int32_t EntryTime(FileHandle source, EntryTimes times) {
    switch (times) {
        case EntryTimes::creation:
            return FileCreationUnixTime(source);
        case EntryTimes::zero:
            return 0;
        case EntryTimes::modification:
            return FileModificationUnixTime(source);
    }
    return 0;
}

// New files are read ahead from when they are planned, up to this much: the system reads them
// while the rest are planned and the writing starts. Those after them are read ahead as the
// writing comes near.
constexpr std::uint64_t kPlannedReadAhead = 64u << 20;

// A source file opened once for its size and timestamp.
struct SizedSource {
    const SourceFile* file;
    std::uint32_t size;
    std::int32_t timestamp;
    bool read_ahead;
    FileHandle held;
};

// The new files kept open from their planning to their copying: each is then opened once, not
// twice, which for many small files is a quarter of the edit. All are closed when the edit ends,
// however it ends.
struct HeldFiles {
    std::size_t most;
    std::vector<FileHandle> handles = {};
    explicit HeldFiles(std::size_t most_held) : most(most_held) {}
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;
    ~HeldFiles() {
        for (FileHandle handle : handles) CloseFile(handle);  // read only: nothing to lose
    }
};

// Plans each file with its size and timestamp, up to the first that cannot be opened or sized,
// which `failure` names. They go in by name, so that in a new archive, or one whose entries are
// sorted, each lands at its place with no entry behind it to move; files of one name keep their
// order, and the later still replaces the earlier. Returns how many were planned.
std::size_t PlanSources(ArchivePlan& plan, const std::vector<SourceFile>& files, EntryTimes times,
                        HeldFiles& held, EditResult& failure) {
    std::vector<SizedSource> sized;
    sized.reserve(files.size());
    std::uint64_t read_ahead = 0;
    for (const SourceFile& file : files) {
        const char* path = file.source_path.c_str();
        const OpenResult source = OpenFile(path, OpenMode::read);
        if (source.handle == nullptr) {
            failure = FailedEdit(Outcome::open_failed, source.status, path);
            break;
        }
        SizeResult size = FileSize32(source.handle);
        if (file.content != nullptr) {
            size = file.content->size() > UINT32_MAX
                       ? SizeResult{0, IoStatus::too_large}
                       : SizeResult{static_cast<std::uint32_t>(file.content->size()), IoStatus::ok};
        }
        const std::int32_t timestamp = EntryTime(source.handle, times);
        const bool read = size.status == IoStatus::ok && file.content == nullptr;
        const bool ahead = read && read_ahead + size.size <= kPlannedReadAhead;
        if (ahead) {
            StartReadAhead(source.handle);
            read_ahead += size.size;
        }
        const bool hold = read && held.handles.size() < held.most;
        if (hold) {
            held.handles.push_back(source.handle);
        } else {
            CloseFile(source.handle);  // read only: nothing to lose when the close fails
        }
        if (size.status != IoStatus::ok) {
            failure = FailedEdit(Outcome::read_failed, size.status, path);
            break;
        }
        sized.push_back({&file, size.size, timestamp, ahead, hold ? source.handle : nullptr});
    }
    std::stable_sort(sized.begin(), sized.end(), [](const SizedSource& a, const SizedSource& b) {
        return EntryNameBefore(a.file->entry_name, b.file->entry_name);
    });
    std::vector<PlannedFile> planned;
    planned.reserve(sized.size());
    for (const SizedSource& source : sized) {
        NewData data{.path = source.file->source_path,
                     .size = source.size,
                     .entry_name = {},
                     .items = 1,
                     .content = source.file->content,
                     .read_ahead = source.read_ahead,
                     .held = source.held};
        planned.push_back({source.file->entry_name, std::move(data), source.timestamp});
    }
    PlanFiles(plan, std::move(planned));
    return sized.size();
}

// Splices each file in place in turn, up to the first that fails or a cancel. A report answered
// with stop, the splices' own included, stops the packing after the file it came in, the first
// point where the archive is whole again: aborted, also after the last file.
EditResult SpliceFiles(const char* archive_path, FileHandle archive,
                       const std::vector<SourceFile>& files, std::size_t count,
                       const PackRequest& request, Progress& progress) {
    for (std::size_t i = 0; i < count; ++i) {
        const SourceFile& file = files[i];
        const Outcome packed = AddOrReplaceEntry(archive, archive_path, file.source_path.c_str(),
                                                 file.entry_name.c_str(), progress);
        if (packed == Outcome::open_failed) return {packed, IoStatus::ok, file.source_path};
        if (packed != Outcome::ok) return {packed, IoStatus::ok, {}};
        const bool go_on = Report(progress, "Packing - ", file.entry_name.c_str(),
                                  ItemsPercent(static_cast<long long>(i + 1), request.item_count));
        if (!go_on) return {Outcome::aborted, IoStatus::ok, {}};
    }
    return {};
}

// The edit in place, for those who ask for it where no copy of the archive fits beside it: each
// file is spliced in place, as packing always did. Between the splices of one file the archive is
// not consistent, so a crash there can damage it; after each file it is whole, and only there does
// a cancel stop it. The trailer's digest is made again at the end, whatever was packed by then.
EditResult PackInPlace(const char* archive_path, FileHandle archive,
                       const std::vector<SourceFile>& files, std::size_t count,
                       const PackRequest& request, Progress& progress) {
    const EditResult packed = SpliceFiles(archive_path, archive, files, count, request, progress);
    const Outcome stamped = RestampTrailer(archive);
    if (packed.outcome == Outcome::ok && stamped != Outcome::ok) return {stamped, IoStatus::ok, {}};
    return packed;
}

// `in_place` only where there is an archive to splice into and it is kept.
EditResult PackHeld(const char* archive_path, FileHandle& archive,
                    const std::vector<SourceFile>& files, const PackRequest& request, bool in_place,
                    Progress& progress) {
    ArchivePlan plan = NewArchivePlan(request.settings);
    const bool kept = archive != nullptr && !request.fresh;
    if (kept) {
        HeaderWalk walk = WalkHeader(archive);
        const SizeResult size = FileSize32(archive);
        if (size.status != IoStatus::ok) return FailedEdit(Outcome::read_failed, size.status);
        const Outcome planned = PlanFromWalk(std::move(walk), size.size, plan);
        if (planned != Outcome::ok) return {planned, IoStatus::ok, {}};
    }
    // Splices open each file themselves.
    HeldFiles held(in_place ? 0 : std::min(request.most_files_held, OpenFilesAllowed() / 4));
    EditResult failure;
    const std::size_t planned = PlanSources(plan, files, request.times, held, failure);
    const bool failed = failure.outcome != Outcome::ok;
    // Nothing to write: a file failed and nothing may be packed, or none before it was.
    if (failed && (request.all_or_nothing || planned == 0)) return failure;
    if (planned == 0 && kept) return {};
    const EditResult result =
        in_place ? PackInPlace(archive_path, archive, files, planned, request, progress)
                 : RewriteArchive(archive_path, archive, plan, request.item_count, progress);
    return result.outcome != Outcome::ok ? result : failure;
}

}  // namespace

EditResult PackSources(const char* archive_path, const std::vector<SourceFile>& files,
                       const PackRequest& request, Progress& progress) {
    // A symbolic link stays one: the file it leads to is edited.
    const std::string path = EditedPath(archive_path);
    FileHandle archive = nullptr;
    // Splices need an archive to splice into, and a fresh archive keeps nothing of the old one.
    const bool exists = PathExists(path.c_str());
    const bool in_place = request.in_place && !request.fresh && exists &&
                          std::none_of(files.begin(), files.end(),
                                       [](const SourceFile& file) { return file.content; });
    if (exists) {
        const OpenResult opened =
            OpenFile(path.c_str(), in_place ? OpenMode::edit_in_place : OpenMode::edit);
        if (opened.handle == nullptr) return FailedEdit(Outcome::open_failed, opened.status);
        archive = opened.handle;
    }
    const EditResult result = PackHeld(path.c_str(), archive, files, request, in_place, progress);
    if (archive == nullptr) return result;
    // A rewrite is on disk already, and a failing close of the old archive changes nothing; one
    // that wrote through the handle reports it.
    const IoStatus closed = CloseFile(archive);
    if (in_place && result.outcome == Outcome::ok && closed != IoStatus::ok) {
        return FailedEdit(Outcome::close_failed, closed);
    }
    return result;
}

}  // namespace qp

// One pass over the archive: every byte before the trailer into the trailer's digest, and as the
// data streams by, the selected entries' data into the file digest.
#include "signing/archive_hashes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "pbo/entry_name.h"
#include "pbo/entry_walk.h"
#include "pbo/header_extension.h"
#include "pbo/trailer.h"

namespace qp {
namespace {

constexpr std::uint32_t kBlock = 1u << 20;

// Version 2 leaves out what version 3 never takes in: binary assets.
constexpr const char* kVersion2Skips[] = {"paa", "jpg", "p3d", "tga", "rvmat", "lip", "ogg",
                                          "wss", "png", "rtm", "pac", "fxy",   "wrp"};
constexpr const char* kVersion3Takes[] = {"sqf", "inc", "bikb", "ext", "fsm", "sqm",
                                          "hpp", "cfg", "sqs",  "h",   "sqfc"};

template <std::size_t N>
bool Listed(const std::string& extension, const char* const (&list)[N]) {
    return std::find(std::begin(list), std::end(list), extension) != std::end(list);
}

// Hashes `text` whole; false when the system gives no digest.
bool DigestOf(const std::string& text, std::uint8_t (&digest)[kSha1Size]) {
    Sha1 sha1;
    if (!StartSha1(sha1)) return false;
    UpdateSha1(sha1, text.data(), static_cast<std::uint32_t>(text.size()));
    return FinishSha1(sha1, digest);
}

// The prefix tail; false when the pairs could not be read whole (the walk found the header
// whole, so a read failed), which would sign another prefix.
bool PrefixTail(FileHandle archive, std::string& tail) {
    bool whole = false;
    for (const auto& [key, value] : ReadHeaderExtension(archive, &whole)) {
        if (key != "prefix" || value.empty()) continue;
        tail = value.back() == '\\' ? value : value + '\\';
        break;
    }
    return whole;
}

// The trailer after the data area: ok and its digest, or why there is none to trust.
SigningResult TrailerDigest(FileHandle archive, const HeaderWalk& walk, std::uint32_t size,
                            std::uint8_t (&digest)[kSha1Size]) {
    const TrailerFound found =
        ReadTrailer(archive, static_cast<std::uint32_t>(walk.data_end), size);
    if (found.kind == TrailerKind::unreadable) {
        return {SigningFault::archive_unreadable, found.status};
    }
    if (found.kind != TrailerKind::digest) return {SigningFault::no_trailer, IoStatus::ok};
    std::memcpy(digest, found.digest, kSha1Size);
    return {};
}

// The names of the entries with data, sorted-name form, concatenated.
std::string NameList(const HeaderWalk& walk) {
    std::string names;
    for (const WalkedEntry& entry : walk.entries) {
        if (entry.record.data_size > 0) names += EntrySortKey(entry.name);
    }
    return names;
}

// Where a hash pass reports the bytes it read.
struct PassReports {
    Progress* progress;
    const char* name;
};

// Reads [0, data end) in blocks: all of it into `whole`, the selected entries' data into
// `files`. The walk found every entry's data inside the file, one after the other.
SigningResult HashPass(FileHandle archive, const HeaderWalk& walk,
                       const std::vector<bool>& selected, Sha1& whole, Sha1& files,
                       PassReports reports) {
    const std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kBlock]);
    if (!block) return {SigningFault::archive_unreadable, IoStatus::ok};
    if (SeekTo(archive, 0) != IoStatus::ok)
        return {SigningFault::archive_unreadable, IoStatus::io_error};
    const auto data_end = static_cast<std::uint32_t>(walk.data_end);
    std::size_t entry = 0;
    for (std::uint32_t done = 0; done < data_end;) {
        const std::uint32_t step = std::min(data_end - done, kBlock);
        const Transfer read = ReadBytes(archive, block.get(), step);
        if (read.bytes != step) return {SigningFault::archive_unreadable, read.status};
        if (reports.progress != nullptr &&
            !Report(*reports.progress, reports.name, static_cast<int>(step))) {
            return {SigningFault::stopped, IoStatus::ok};
        }
        UpdateSha1(whole, block.get(), step);
        for (; entry < walk.entries.size(); ++entry) {
            const WalkedEntry& at = walk.entries[entry];
            const auto start = static_cast<std::uint32_t>(at.location.data_offset);
            const std::uint32_t end = start + at.record.data_size;
            const std::uint32_t from = std::max(start, done);
            const std::uint32_t to = std::min(end, done + step);
            if (selected[entry] && from < to)
                UpdateSha1(files, block.get() + (from - done), to - from);
            if (end > done + step) break;  // the entry goes on in the next block
        }
        done += step;
    }
    return {};
}

// Whether the version covers an entry's data in the file hash: version 2 every entry but
// textures, models, sounds and the like; version 3 only scripts and configs.
bool SelectedForFileHash(int version, const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::string extension =
        dot == std::string::npos ? "" : EntrySortKey(name.substr(dot + 1));
    return version == 2 ? !Listed(extension, kVersion2Skips) : Listed(extension, kVersion3Takes);
}

}  // namespace

SigningResult HashArchive(FileHandle archive, int version, ArchiveHashes& hashes,
                          Progress* progress, const char* report_name) {
    const HeaderWalk walk = WalkHeader(archive);
    const SizeResult size = FileSize32(archive);
    if (walk.damaged || FirstImpossibleSize(walk) != nullptr) {
        return {SigningFault::damaged, IoStatus::ok};
    }
    if (size.status != IoStatus::ok) return {SigningFault::archive_unreadable, size.status};
    if (!EntriesSorted(walk)) return {SigningFault::not_sorted, IoStatus::ok};
    SigningResult result = TrailerDigest(archive, walk, size.size, hashes.hash1);
    if (result.fault != SigningFault::none) return result;
    if (!PrefixTail(archive, hashes.prefix_tail)) {
        return {SigningFault::archive_unreadable, IoStatus::io_error};
    }

    std::vector<bool> selected;
    bool any_selected = false;
    for (const WalkedEntry& entry : walk.entries) {
        selected.push_back(SelectedForFileHash(version, entry.name));
        any_selected = any_selected || selected.back();
    }
    Sha1 whole;
    Sha1 files;
    // Both are started and finished whatever happens, as every started digest must be.
    const bool whole_started = StartSha1(whole);
    const bool started = StartSha1(files) && whole_started;
    if (started) {
        result = HashPass(archive, walk, selected, whole, files, {progress, report_name});
    }
    std::uint8_t digest[kSha1Size];
    const bool whole_finished = FinishSha1(whole, digest);
    const bool finished = FinishSha1(files, hashes.file_hash) && whole_finished;
    if (result.fault != SigningFault::none) return result;
    if (!started || !finished || !DigestOf(NameList(walk), hashes.name_hash) ||
        (!any_selected && !DigestOf(version == 2 ? "nothing" : "gnihton", hashes.file_hash))) {
        return {SigningFault::crypto_failed, IoStatus::ok};
    }
    if (std::memcmp(digest, hashes.hash1, kSha1Size) != 0) {
        return {SigningFault::stale_trailer, IoStatus::ok};
    }
    return {};
}

SigningResult HashArchiveAt(const std::string& archive_path, int version, ArchiveHashes& hashes,
                            Progress* progress) {
    const OpenResult archive = OpenFile(archive_path.c_str(), OpenMode::read);
    if (archive.handle == nullptr) return {SigningFault::archive_unreadable, archive.status};
    const SigningResult hashed =
        HashArchive(archive.handle, version, hashes, progress, archive_path.c_str());
    CloseFile(archive.handle);  // read only: nothing to lose when the close fails
    return hashed;
}

}  // namespace qp

// Error messages of the quillpack tool.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/name_text.h"
#include "pbo/outcome.h"

namespace qp::cli {
namespace {

std::string Offset(std::uint32_t offset) {
    return std::to_string(offset);
}

// "210 MB", "1.5 MB", "900 bytes": whole units, with a tenth below ten of them.
std::string SizeText(std::uint64_t bytes) {
    const char* units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double size = static_cast<double>(bytes) / 1024;
    int unit = 0;
    for (; size >= 1024 && unit < 3; ++unit) size /= 1024;
    char text[32];
    std::snprintf(text, sizeof text, size < 10 ? "%.1f %s" : "%.0f %s", size, units[unit]);
    return text;
}

// What else the command can do, after "Free some space" or "let it".
std::string OtherWay(CopyAdvice advice) {
    switch (advice) {
        case CopyAdvice::in_place:
            return ", or edit in place with --in-place (a crash in the middle can then damage the "
                   "archive)";
        case CopyAdvice::elsewhere:
            return ", or give an ARCHIVE in another folder";
        case CopyAdvice::none:
            break;
    }
    return {};
}

// Why no copy of the archive could be made beside it, and what the user can do.
std::string CopyRefusalText(const EditResult& result, CopyAdvice advice) {
    const std::string where = ShownName(result.copy_path);
    const std::string unchanged = "; the archive is unchanged. ";
    switch (result.copy) {
        case CopyRefusal::none:
            break;
        case CopyRefusal::no_room:
            return "no room for a copy of " + SizeText(result.copy_size) + " on " + where + ": " +
                   SizeText(result.free_space) + " free" + unchanged + "Free some space" +
                   OtherWay(advice);
        case CopyRefusal::cannot_create:
            return "cannot create a file in " + where + ": " +
                   ReasonText(result.status, result.system_error) + unchanged +
                   "An edit writes its copy there: let it" + OtherWay(advice);
        case CopyRefusal::not_ours:
            return where + " exists and is not ours" + unchanged + "Remove it and try again";
    }
    return {};
}

// The first entry whose data runs past the end of the file, counted in 64 bits.
const WalkedEntry* FirstEntryPastEnd(const HeaderWalk& walk, std::uint32_t file_size) {
    std::uint64_t position = static_cast<std::uint32_t>(walk.data_start);
    for (const WalkedEntry& entry : walk.entries) {
        position += entry.record.data_size;
        if (position > file_size) return &entry;
    }
    return nullptr;
}

}  // namespace

int Fail(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "quillpack: %s: %s\n", ShownName(file).c_str(), reason.c_str());
    return kFailure;
}

void Note(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "quillpack: %s: %s\n", ShownName(file).c_str(), reason.c_str());
}

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::ok:
            return "success";
        case Outcome::end_of_archive:
            return "no more entries";
        case Outcome::no_memory:
            return "not enough memory";
        case Outcome::bad_data:
            return "entry data is damaged";
        case Outcome::bad_archive:
            return "damaged archive (left unchanged)";
        case Outcome::open_failed:
            return "cannot open file";
        case Outcome::create_failed:
            return "cannot create file";
        case Outcome::close_failed:
            return "cannot close file";
        case Outcome::read_failed:
            return "read failed or ended early";
        case Outcome::write_failed:
            return "write failed";
        case Outcome::aborted:
            return "interrupted";
    }
    return "unknown error";
}

namespace {

// The outcome, with the system's reason where a file operation failed; a cancel needs none.
std::string WithReason(Outcome outcome, IoStatus status, int system_error) {
    const bool has_reason = status != IoStatus::ok && outcome != Outcome::aborted;
    if (!has_reason) return OutcomeText(outcome);
    return std::string(OutcomeText(outcome)) + ": " + ReasonText(status, system_error);
}

}  // namespace

std::string OutcomeText(Outcome outcome, IoStatus status) {
    return WithReason(outcome, status, SystemErrorFor(status));
}

std::string EditResultText(const EditResult& result, CopyAdvice advice) {
    if (result.copy != CopyRefusal::none) return CopyRefusalText(result, advice);
    return WithReason(result.outcome, result.status, result.system_error);
}

std::string DamageText(const HeaderWalk& walk, std::uint32_t file_size) {
    switch (walk.damage) {
        case HeaderDamage::none:
            break;
        case HeaderDamage::unreadable:
            return "cannot read the archive";
        case HeaderDamage::too_large:
            return "damaged archive: 4 GiB or more, past the reach of its 32-bit offsets";
        case HeaderDamage::cut_short:
            return "damaged archive: the header is cut short at offset " +
                   Offset(walk.damage_offset);
        case HeaderDamage::name_too_long:
            return "damaged archive: the name at offset " + Offset(walk.damage_offset) +
                   " is 1023 characters or more";
        case HeaderDamage::data_past_end:
            if (const WalkedEntry* entry = FirstEntryPastEnd(walk, file_size)) {
                return "damaged archive: the data area is cut short, from the data of " +
                       ShownName(entry->name);
            }
            return "damaged archive: the data area is cut short";
    }
    return "damaged archive";
}

std::string ImpossibleSizeText(std::string_view name, const EntryRecord& record) {
    return "damaged archive: the entry " + ShownName(name) + " claims " +
           std::to_string(record.original_size) + " bytes once extracted, more than its " +
           std::to_string(record.data_size) + " compressed bytes can hold";
}

}  // namespace qp::cli

// Error messages of the quillpack tool.
#include <cstdio>
#include <string>

#include "pbo/outcome.h"
#include "cli/commands.h"
#include "cli/name_text.h"

namespace qp::cli {
namespace {

std::string Offset(std::uint32_t offset) {
    return std::to_string(offset);
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

std::string OutcomeText(Outcome outcome, IoStatus status) {
    const bool has_reason = status != IoStatus::ok && outcome != Outcome::aborted;
    if (!has_reason) return OutcomeText(outcome);
    return std::string(OutcomeText(outcome)) + ": " + IoStatusText(status);
}

std::string EditResultText(const EditResult& result) {
    return OutcomeText(result.outcome, result.status);
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

}  // namespace qp::cli

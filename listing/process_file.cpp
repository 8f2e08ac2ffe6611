// ProcessFile: the guard on the name and the destination, the data-area start, the test and the
// choice of worker.
#include "listing/process_file.h"

#include <string>

#include "listing/check_entry.h"
#include "listing/destination.h"
#include "listing/extract_entry.h"
#include "listing/unsafe_names.h"

namespace qp {
namespace {

// The host's extraction pass extracts each entry before the header has been read to its end, so
// the data area of this archive may not be known yet. The current entry's record has been read:
// walk the remaining names and records up to the end-of-header entry, whose record the data area
// follows. The caller puts the position back.
Outcome FindDataStart(ListingState& state) {
    BufferedReader& input = state.reader->input;
    CStringBuffer strings{};
    for (;;) {
        const char* name = ReadCString(input, strings);
        if (strings.hit_end || strings.too_long) return Outcome::bad_archive;
        EntryRecord record{};
        if (!ReadRecord(input, record)) return Outcome::bad_archive;
        if (name[0] == '\0') break;
    }
    state.data_start = static_cast<std::int32_t>(ReaderPosition(input));
    state.data_start_known = true;
    return Outcome::ok;
}

// Where the current entry's data starts, in 64 bits: offsets summed past 4 GiB do not wrap back
// into the file.
Outcome LocateData(ListingState& state, std::uint64_t& position) {
    if (!state.data_start_known) {
        const Outcome found = FindDataStart(state);
        if (found != Outcome::ok) return found;
    }
    if (state.archive_size.status != IoStatus::ok) return Outcome::read_failed;
    position = static_cast<std::uint32_t>(state.data_start) +
               static_cast<std::uint64_t>(state.current_offset);
    return Outcome::ok;
}

Outcome ExtractCurrentEntry(ListingState& state, const std::string& destination,
                            Progress& progress) {
    std::uint64_t position = 0;
    const Outcome located = LocateData(state, position);
    if (located != Outcome::ok) return located;
    // Data outside the file is refused before anything is created.
    if (!DataInside(position, state.current_record.data_size, state.archive_size.size)) {
        return Outcome::bad_data;
    }
    const DataWatch watch{&progress, destination.c_str(), nullptr};
    return ExtractEntryTo(*state.reader, static_cast<std::uint32_t>(position), state.current_record,
                          destination, state.cleaned_folders, watch)
        .outcome;
}

Outcome TestCurrentEntry(ListingState& state, Progress& progress) {
    std::uint64_t position = 0;
    const Outcome located = LocateData(state, position);
    if (located != Outcome::ok) return located;
    const DataWatch watch{&progress, state.current_name, nullptr};
    return OutcomeOf(CheckEntryData(state.reader->input.file, state.archive_size.size, position,
                                    state.current_record, watch)
                         .fault);
}

}  // namespace

Outcome ProcessFile(ListingState& state, int operation, const char* dest_path,
                    const char* dest_name, Progress& progress, std::size_t max_destination,
                    const char* shown_name) {
    if (operation != kExtractEntry && operation != kTestEntry) return Outcome::ok;
    // Without an entry described in this pass there is nothing to extract or test.
    if (!state.reader || state.reader->input.file == nullptr || !state.header_seen ||
        state.damaged) {
        return Outcome::bad_archive;
    }
    // Whatever the host asks, an entry is never written outside the folder it extracts into nor
    // under another name than its own.
    std::string destination;
    if (operation == kExtractEntry) {
        if (!UnsafeEntryReason(state.current_name).empty()) return Outcome::create_failed;
        const Outcome chosen =
            ChooseDestination(dest_path, dest_name, shown_name ? shown_name : state.current_name,
                              max_destination, destination);
        if (chosen != Outcome::ok) return chosen;
    }

    const std::uint32_t noted = Position(*state.reader);
    const Outcome outcome = operation == kTestEntry
                                ? TestCurrentEntry(state, progress)
                                : ExtractCurrentEntry(state, destination, progress);
    // The workers moved the handle; the reader's window still holds what it read, and is kept
    // when the noted position lies in it.
    if (SeekReader(state.reader->input, noted) != IoStatus::ok && outcome == Outcome::ok) {
        return Outcome::read_failed;
    }
    return outcome;
}

}  // namespace qp

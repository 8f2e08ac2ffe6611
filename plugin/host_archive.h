// An archive the host opened for listing or extraction: what OpenArchive hands out as the handle.
#pragma once

#include "listing/listing_state.h"
#include "platform/file.h"
#include "plugin/progress.h"

namespace qp {

// Each opened archive carries its own pass, so a host may list one archive while it extracts
// another on a second thread.
struct HostArchive {
    FileHandle file = nullptr;
    ListingState listing;
    HostCallback callback;  // set by SetProcessDataProc with this archive's handle
};

// Opens the archive at `path` (read only, shared with other readers and held against editors
// until closed) and begins its pass; null when it cannot be opened. Throws std::bad_alloc when
// there is no memory for it.
HostArchive* OpenHostArchive(const char* path);
// The archive behind a handle the host passes, or null for null and for -1 (no archive).
HostArchive* ArchiveOf(void* handle);
// Closes the file and frees the archive; false when the system reports that closing failed.
bool CloseHostArchive(void* handle);

}  // namespace qp

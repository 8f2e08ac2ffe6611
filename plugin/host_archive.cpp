// Opening and closing the host's archives.
#include "plugin/host_archive.h"

#include <cstdint>
#include <new>

namespace qp {

HostArchive* OpenHostArchive(const char* path) {
    const OpenResult opened = OpenFile(path, OpenMode::read);
    if (opened.handle == nullptr) return nullptr;
    auto* archive = new (std::nothrow) HostArchive;
    if (archive == nullptr) {
        CloseFile(opened.handle);
        throw std::bad_alloc();
    }
    archive->file = opened.handle;
    BeginPass(archive->listing, opened.handle);
    return archive;
}

HostArchive* ArchiveOf(void* handle) {
    if (handle == nullptr || handle == reinterpret_cast<void*>(static_cast<std::intptr_t>(-1))) {
        return nullptr;
    }
    return static_cast<HostArchive*>(handle);
}

bool CloseHostArchive(void* handle) {
    HostArchive* archive = ArchiveOf(handle);
    if (archive == nullptr) return false;
    const IoStatus closed = CloseFile(archive->file);
    delete archive;
    return closed == IoStatus::ok;
}

}  // namespace qp

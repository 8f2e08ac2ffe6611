// The backend's own file services, which the public ones in platform/file.cpp call.
#pragma once

#include <string>

#include "platform/file.h"

// Only the calls a test may make fail or counts go through file.cpp; the backend defines the rest
// of file.h directly. Their contracts are those of the public functions of the same names.
namespace qp::native {

OpenResult OpenFile(const char* path, OpenMode mode);
IoStatus CloseFile(FileHandle file);
Transfer ReadBytes(FileHandle file, void* buffer, std::uint32_t count);
Transfer WriteBytes(FileHandle file, const void* buffer, std::uint32_t count);
Transfer ReadAt(FileHandle file, std::uint32_t offset, void* buffer, std::uint32_t count);
IoStatus SeekTo(FileHandle file, std::uint32_t position);
IoStatus SeekBy(FileHandle file, std::int32_t distance);
SizeResult FileSize32(FileHandle file);
IoStatus SetEndOfFileHere(FileHandle file);
Mapping MapFile(FileHandle file, MapAccess access, std::uint32_t size);
void UnmapFile(Mapping& mapping);
IoStatus FlushFile(FileHandle file);
IoStatus MoveOverFile(FileHandle replacement, const char* replacement_path, FileHandle& original,
                      const char* original_path);
IoStatus MoveNewFile(const char* from, const char* to);
OpenResult CreatePartFile(const char* path);
IoStatus PlacePartFile(FileHandle part, const char* part_path, const char* target);

// The backend tells every failure it maps to a status, with the system's code, so that
// SystemErrorFor can give the code for messages.
void NoteSystemError(IoStatus status, int code);
// A status the backend decides itself, with no system code: noted all the same, so that an older
// code of the same status is not given for it.
inline IoStatus Noted(IoStatus status) {
    NoteSystemError(status, 0);
    return status;
}
// The system's words for one of its codes, as it gives them.
std::string SystemErrorText(int code);

}  // namespace qp::native

// The exported functions: each translates its arguments, calls the core and returns a result code.
#include <cstring>
#include <new>
#include <string>

#include "editing/delete_files.h"
#include "editing/pack_files.h"
#include "listing/process_file.h"
#include "listing/read_header.h"
#include "plugin/host_conventions.h"
#include "plugin/listing_state.h"
#include "plugin/plugin_settings.h"
#include "plugin/progress.h"
#include "plugin/result_code.h"
#include "plugin/wcx.h"
#include "settings/settings_dialog.h"

using namespace qp;

extern "C" {

void* WCX_CALL OpenArchive(tOpenArchiveData* ArchiveData) {
    // The contents are not examined here: a damaged archive shows up as the listing goes on.
    const OpenResult opened = OpenFile(ArchiveData->ArcName, OpenMode::read);
    if (opened.handle == nullptr) ArchiveData->OpenResult = E_BAD_ARCHIVE;
    BeginPass(listing_state, opened.handle);
    return opened.handle;
}

int WCX_CALL ReadHeader(void* hArcData, tHeaderData* HeaderData) {
    HeaderInfo info{};
    const Outcome outcome = qp::ReadHeader(listing_state, hArcData, info);
    if (outcome != Outcome::ok) return ResultCode(outcome);
    // Only these fields are ours; the host's values stay in all the others.
    std::memcpy(HeaderData->FileName, info.file_name, sizeof info.file_name);
    ShowEntryNameToHost(HeaderData->FileName);
    HeaderData->PackSize = static_cast<int>(info.pack_size);
    HeaderData->UnpSize = static_cast<int>(info.unp_size);
    HeaderData->FileTime = HostFileTime(info.file_time, info.unix_time);
    HeaderData->FileAttr = HostFileAttributes();
    return 0;
}

int WCX_CALL ProcessFile(void*, int Operation, char* DestPath, char* DestName) {
    // The handle is the one the listing state reads through: one pass is served at a time.
    Progress progress = HostProgress();
    return ResultCode(qp::ProcessFile(listing_state, Operation, DestPath, DestName, progress));
}

int WCX_CALL CloseArchive(void* hArcData) {
    return CloseFile(hArcData) == IoStatus::ok ? 0 : E_ECLOSE;
}

void WCX_CALL SetChangeVolProc(void*, tChangeVolProc) {}

void WCX_CALL SetProcessDataProc(void*, tProcessDataProc pProcessDataProc) {
    StoreProgressCallback(pProcessDataProc);
}

int WCX_CALL GetPackerCaps() {
    const int caps = PK_CAPS_NEW | PK_CAPS_MODIFY | PK_CAPS_MULTIPLE | PK_CAPS_DELETE;
    return HasSettingsDialog() ? caps | PK_CAPS_OPTIONS : caps;
}

// Flags are not consulted: sources are never moved, and listed paths are stored unchanged.
int WCX_CALL PackFiles(char* PackedFile, char* SubPath, char* SrcPath, char* AddList, int) {
    try {
        std::string sub_path;
        std::string entry_list;
        Progress progress = HostProgress();
        return ResultCode(qp::PackFiles(PackedFile, EntryNameFromHost(SubPath, sub_path), SrcPath,
                                        AddList, EntryListFromHost(AddList, entry_list),
                                        NewArchiveSettingsChosen(), progress));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL DeleteFiles(char* PackedFile, char* DeleteList) {
    if (PackedFile == nullptr || DeleteList == nullptr) return E_EOPEN;
    try {
        std::string delete_list;
        Progress progress = HostProgress();
        return ResultCode(
            qp::DeleteFiles(PackedFile, EntryListFromHost(DeleteList, delete_list), progress));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL ConfigurePacker(void* Parent, void* DllInstance) {
    return qp::ConfigurePacker(Parent, DllInstance);
}

}  // extern "C"

// The exported ANSI functions: text in the system's code page (UTF-8 on Linux), as they always
// took it. Each translates its arguments and calls the shared steps.
#include <cstring>
#include <new>
#include <string>

#include "listing/detect_archive.h"
#include "plugin/export_steps.h"
#include "plugin/host_conventions.h"
#include "plugin/plugin_settings.h"
#include "plugin/wcx.h"
#include "settings/settings_dialog.h"

using namespace qp;

namespace {

// The FileName of the older record takes 259 characters and a NUL.
constexpr std::size_t kAnsiNameSize = 260;

}  // namespace

extern "C" {

void* WCX_CALL OpenArchive(tOpenArchiveData* ArchiveData) {
    const PathEncoding ansi(false);
    return OpenForHost(ArchiveData->ArcName, ArchiveData->OpenResult);
}

int WCX_CALL ReadHeader(void* hArcData, tHeaderData* HeaderData) {
    HeaderInfo info{};
    const int result = ReadEntryForHost(hArcData, info);
    if (result != 0) return result;
    // Only these fields are ours; the host's values stay in all the others.
    const std::size_t kept = strnlen(info.file_name, kAnsiNameSize - 1);
    std::memcpy(HeaderData->FileName, info.file_name, kept);
    HeaderData->FileName[kept] = '\0';
    ShowEntryNameToHost(HeaderData->FileName);
    HeaderData->PackSize = static_cast<int>(info.pack_size);
    HeaderData->UnpSize = static_cast<int>(info.unp_size);
    HeaderData->FileTime = HostFileTime(info.file_time, info.unix_time);
    HeaderData->FileAttr = HostFileAttributes();
    return 0;
}

int WCX_CALL ReadHeaderEx(void* hArcData, tHeaderDataEx* HeaderData) {
    HeaderInfo info{};
    const int result = ReadEntryForHost(hArcData, info);
    if (result != 0) return result;
    std::memcpy(HeaderData->FileName, info.file_name, sizeof HeaderData->FileName);
    ShowEntryNameToHost(HeaderData->FileName);
    FillExtendedRecord(*HeaderData, info);
    return 0;
}

int WCX_CALL ProcessFile(void* hArcData, int Operation, char* DestPath, char* DestName) {
    const PathEncoding ansi(false);
    return ProcessEntryForHost(hArcData, Operation, DestPath, DestName, kMaxAnsiDestination, false);
}

int WCX_CALL CloseArchive(void* hArcData) {
    return CloseForHost(hArcData);
}

void WCX_CALL SetChangeVolProc(void*, tChangeVolProc) {}

void WCX_CALL SetProcessDataProc(void* hArcData, tProcessDataProc pProcessDataProc) {
    StoreCallbackForHost(hArcData, HostCallback{pProcessDataProc, nullptr});
}

// Flags are not consulted: sources are never moved, and listed paths are stored unchanged.
int WCX_CALL PackFiles(char* PackedFile, char* SubPath, char* SrcPath, char* AddList, int) {
    const PathEncoding ansi(false);
    try {
        std::string sub_path;
        std::string entry_list;
        return PackForHost(PackedFile, EntryNameFromHost(SubPath, sub_path), SrcPath, AddList,
                           EntryListFromHost(AddList, entry_list));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL DeleteFiles(char* PackedFile, char* DeleteList) {
    const PathEncoding ansi(false);
    try {
        std::string delete_list;
        return DeleteForHost(PackedFile, EntryListFromHost(DeleteList, delete_list));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL GetPackerCaps() {
    const int caps = PK_CAPS_NEW | PK_CAPS_MODIFY | PK_CAPS_MULTIPLE | PK_CAPS_DELETE |
                     PK_CAPS_BY_CONTENT | PK_CAPS_SEARCHTEXT;
    return HasSettingsDialog() ? caps | PK_CAPS_OPTIONS : caps;
}

// Listing, extraction, packing and deletion keep no state between threads: each opened archive
// has its own pass, each thread its own callback, and the settings are read under their lock.
int WCX_CALL GetBackgroundFlags() {
    return BACKGROUND_UNPACK | BACKGROUND_PACK;
}

void WCX_CALL PackSetDefaultParams(PackDefaultParamStruct* dps) {
    if (dps == nullptr) return;
    char ini_name[sizeof dps->DefaultIniName + 1] = {};
    std::memcpy(ini_name, dps->DefaultIniName, sizeof dps->DefaultIniName);
    LoadRememberedSettings(ini_name);
}

int WCX_CALL ConfigurePacker(void* Parent, void* DllInstance) {
    {
        const std::lock_guard<std::mutex> hold(plugin_settings_lock);
        plugin_settings.module_instance = DllInstance;
    }
    // The dialog edits a copy: packing on another thread meanwhile sees the settings as they were.
    DialogSettings chosen = SettingsForDialog();
    const int result = ShowSettingsDialog(Parent, DllInstance, chosen);
    // OK: the choice takes effect, and outlives this session of the host.
    if (result == 1) {
        TakeDialogSettings(chosen);
        RememberSettings();
    }
    return result;
}

int WCX_CALL CanYouHandleThisFile(char* FileName) {
    const PathEncoding ansi(false);
    return LooksLikeArchive(FileName) ? 1 : 0;
}

}  // extern "C"

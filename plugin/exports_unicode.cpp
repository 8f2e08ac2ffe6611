// The exported Unicode functions: the host's UTF-16 becomes UTF-8 paths for the platform and
// UTF-8 entry names for the archive; names that are not UTF-8 in the archive travel both ways
// through their Windows-1252 form.
#include <new>
#include <string>

#include "listing/detect_archive.h"
#include "plugin/export_steps.h"
#include "plugin/host_conventions.h"
#include "plugin/stored_names.h"
#include "plugin/unicode_text.h"
#include "plugin/wcx.h"

using namespace qp;

namespace {

// Windows refuses paths of 260 UTF-16 units or more without the long-path prefix, whatever their
// length in UTF-8; the check is made on the host's own units.
constexpr std::size_t kMaxWideDestination = 259;
constexpr std::size_t kMaxUtf8Destination = 4 * kMaxWideDestination;

std::size_t WideLength(const char16_t* text) {
    return text != nullptr ? std::char_traits<char16_t>::length(text) : 0;
}

// The host's separators in a name or a list it sent become the archive's.
std::string EntryNameFromWideHost(const char16_t* name) {
    const std::string text = Utf8FromUtf16(name);
    std::string storage;
    return EntryNameFromHost(text.c_str(), storage);
}

// `list` is already UTF-8: the add list names both the files on disk and the entries.
std::string EntryListInArchiveForm(const std::string& list) {
    std::string storage;
    return std::string(EntryListFromHost(list.c_str(), storage), list.size());
}

}  // namespace

extern "C" {

void* WCX_CALL OpenArchiveW(tOpenArchiveDataW* ArchiveData) {
    const PathEncoding utf8(true);
    try {
        const std::string path = Utf8FromUtf16(ArchiveData->ArcName);
        return OpenForHost(path.c_str(), ArchiveData->OpenResult);
    } catch (const std::bad_alloc&) {
        ArchiveData->OpenResult = E_NO_MEMORY;
        return nullptr;
    }
}

int WCX_CALL ReadHeaderExW(void* hArcData, tHeaderDataExW* HeaderData) {
    HeaderInfo info{};
    const int result = ReadEntryForHost(hArcData, info);
    if (result != 0) return result;
    try {
        std::string shown = EntryNameAsUtf8(info.file_name);
        ShowEntryNameToHost(shown.data());
        Utf16FromUtf8(shown, HeaderData->FileName, sizeof HeaderData->FileName / sizeof(char16_t));
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
    FillExtendedRecord(*HeaderData, info);
    return 0;
}

int WCX_CALL ProcessFileW(void* hArcData, int Operation, char16_t* DestPath, char16_t* DestName) {
    const PathEncoding utf8(true);
    if (WideLength(DestPath) + WideLength(DestName) > kMaxWideDestination &&
        Operation == PK_EXTRACT) {
        return E_ECREATE;
    }
    try {
        const std::string path = Utf8FromUtf16(DestPath);
        const std::string name = Utf8FromUtf16(DestName);
        return ProcessEntryForHost(
            hArcData, Operation, DestPath != nullptr ? path.c_str() : nullptr,
            DestName != nullptr ? name.c_str() : nullptr, kMaxUtf8Destination, true);
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

void WCX_CALL SetChangeVolProcW(void*, tChangeVolProcW) {}

void WCX_CALL SetProcessDataProcW(void* hArcData, tProcessDataProcW pProcessDataProc) {
    StoreCallbackForHost(hArcData, HostCallback{nullptr, pProcessDataProc});
}

int WCX_CALL PackFilesW(char16_t* PackedFile, char16_t* SubPath, char16_t* SrcPath,
                        char16_t* AddList, int) {
    if (PackedFile == nullptr) return E_ECREATE;
    const PathEncoding utf8(true);
    try {
        const std::string archive = Utf8FromUtf16(PackedFile);
        const std::string source = Utf8FromUtf16(SrcPath);
        const std::string add_list = Utf8ListFromUtf16(AddList);
        const std::string shown_sub_path = EntryNameFromWideHost(SubPath);
        const std::string shown_list = EntryListInArchiveForm(add_list);
        // An entry whose stored name is not UTF-8 is replaced under that name.
        const StoredNames names =
            ReadStoredNames(archive.c_str(), shown_sub_path + '\0' + shown_list);
        const std::string sub_path = StoredName(names, shown_sub_path);
        const std::string entry_list = StoredAddList(names, shown_sub_path, sub_path, shown_list);
        return PackForHost(archive.c_str(), SubPath != nullptr ? sub_path.c_str() : nullptr,
                           SrcPath != nullptr ? source.c_str() : nullptr, add_list.c_str(),
                           entry_list.c_str());
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL DeleteFilesW(char16_t* PackedFile, char16_t* DeleteList) {
    if (PackedFile == nullptr || DeleteList == nullptr) return E_EOPEN;
    const PathEncoding utf8(true);
    try {
        const std::string archive = Utf8FromUtf16(PackedFile);
        const std::string shown_list = EntryListInArchiveForm(Utf8ListFromUtf16(DeleteList));
        const StoredNames names = ReadStoredNames(archive.c_str(), shown_list);
        return DeleteForHost(archive.c_str(), StoredDeleteList(names, shown_list).c_str());
    } catch (const std::bad_alloc&) {
        return E_NO_MEMORY;
    }
}

int WCX_CALL CanYouHandleThisFileW(char16_t* FileName) {
    const PathEncoding utf8(true);
    try {
        return LooksLikeArchive(Utf8FromUtf16(FileName).c_str()) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // extern "C"

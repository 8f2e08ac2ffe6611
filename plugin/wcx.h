// The host's packer-plugin interface: its records, constants and the exported functions.
#pragma once

#include "plugin/wcx_call.h"

extern "C" {

struct tOpenArchiveData {
    char* ArcName;
    int OpenMode;
    int OpenResult;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct tHeaderData {
    char ArcName[260];
    char FileName[260];
    int Flags;
    int PackSize;
    int UnpSize;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct tHeaderDataEx {
    char ArcName[1024];
    char FileName[1024];
    int Flags;
    unsigned PackSize;
    unsigned PackSizeHigh;
    unsigned UnpSize;
    unsigned UnpSizeHigh;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
    char Reserved[1024];
};

// The Unicode forms take the interface's WCHAR, a UTF-16 unit on every platform: char16_t here,
// since wchar_t is 32-bit under GCC on Linux.

struct tOpenArchiveDataW {
    char16_t* ArcName;
    int OpenMode;
    int OpenResult;
    char16_t* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
};

struct tHeaderDataExW {
    char16_t ArcName[1024];
    char16_t FileName[1024];
    int Flags;
    unsigned PackSize;
    unsigned PackSizeHigh;
    unsigned UnpSize;
    unsigned UnpSizeHigh;
    int HostOS;
    int FileCRC;
    int FileTime;
    int UnpVer;
    int Method;
    int FileAttr;
    char* CmtBuf;
    int CmtBufSize;
    int CmtSize;
    int CmtState;
    char Reserved[1024];
};

struct PackDefaultParamStruct {
    int size;
    unsigned int PluginInterfaceVersionLow;  // DWORD
    unsigned int PluginInterfaceVersionHi;
    char DefaultIniName[260];
};

typedef int(WCX_CALL* tProcessDataProc)(char* FileName, int Size);
typedef int(WCX_CALL* tProcessDataProcW)(char16_t* FileName, int Size);
typedef int(WCX_CALL* tChangeVolProc)(char* ArcName, int Mode);
typedef int(WCX_CALL* tChangeVolProcW)(char16_t* ArcName, int Mode);

void* WCX_CALL OpenArchive(tOpenArchiveData* ArchiveData);
int WCX_CALL ReadHeader(void* hArcData, tHeaderData* HeaderData);
int WCX_CALL ProcessFile(void* hArcData, int Operation, char* DestPath, char* DestName);
int WCX_CALL CloseArchive(void* hArcData);
void WCX_CALL SetChangeVolProc(void* hArcData, tChangeVolProc pChangeVolProc);
void WCX_CALL SetProcessDataProc(void* hArcData, tProcessDataProc pProcessDataProc);
int WCX_CALL GetPackerCaps();
int WCX_CALL PackFiles(char* PackedFile, char* SubPath, char* SrcPath, char* AddList, int Flags);
int WCX_CALL DeleteFiles(char* PackedFile, char* DeleteList);
int WCX_CALL ConfigurePacker(void* Parent, void* DllInstance);

void* WCX_CALL OpenArchiveW(tOpenArchiveDataW* ArchiveData);
int WCX_CALL ReadHeaderEx(void* hArcData, tHeaderDataEx* HeaderData);
int WCX_CALL ReadHeaderExW(void* hArcData, tHeaderDataExW* HeaderData);
int WCX_CALL ProcessFileW(void* hArcData, int Operation, char16_t* DestPath, char16_t* DestName);
void WCX_CALL SetChangeVolProcW(void* hArcData, tChangeVolProcW pChangeVolProc);
void WCX_CALL SetProcessDataProcW(void* hArcData, tProcessDataProcW pProcessDataProc);
int WCX_CALL PackFilesW(char16_t* PackedFile, char16_t* SubPath, char16_t* SrcPath,
                        char16_t* AddList, int Flags);
int WCX_CALL DeleteFilesW(char16_t* PackedFile, char16_t* DeleteList);
int WCX_CALL GetBackgroundFlags();
void WCX_CALL PackSetDefaultParams(PackDefaultParamStruct* dps);
int WCX_CALL CanYouHandleThisFile(char* FileName);
int WCX_CALL CanYouHandleThisFileW(char16_t* FileName);

}  // extern "C"

namespace qp {

enum : int { PK_OM_LIST = 0, PK_OM_EXTRACT = 1 };
enum : int { PK_SKIP = 0, PK_TEST = 1, PK_EXTRACT = 2 };
enum : int {
    PK_CAPS_NEW = 1,
    PK_CAPS_MODIFY = 2,
    PK_CAPS_MULTIPLE = 4,
    PK_CAPS_DELETE = 8,
    PK_CAPS_OPTIONS = 16,
    PK_CAPS_BY_CONTENT = 64,
    PK_CAPS_SEARCHTEXT = 128,
};
enum : int { BACKGROUND_UNPACK = 1, BACKGROUND_PACK = 2 };
enum : int {
    E_END_ARCHIVE = 10,
    E_NO_MEMORY = 11,
    E_BAD_DATA = 12,
    E_BAD_ARCHIVE = 13,
    E_UNKNOWN_FORMAT = 14,
    E_EOPEN = 15,
    E_ECREATE = 16,
    E_ECLOSE = 17,
    E_EREAD = 18,
    E_EWRITE = 19,
    E_EABORTED = 21,
};

}  // namespace qp

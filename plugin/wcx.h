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

typedef int(WCX_CALL* tProcessDataProc)(char* FileName, int Size);
typedef int(WCX_CALL* tChangeVolProc)(char* ArcName, int Mode);

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
};
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

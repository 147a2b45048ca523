#pragma once
// File and folder stand-ins over the POSIX file system.
//
// A folder is named by a volume reference and a directory id. There is one volume
// (kVolumeRacine, the whole POSIX tree); directory ids index a table of canonical
// folder paths kept for the life of the process (2 is the root "/"). The default
// folder of the platform is the process's working directory: HSetVol changes it,
// HGetVol reads it. Names and paths are UTF-8; colon paths (":a:b", "::" for the
// parent) are relative to the folder given with them. Aliases are symbolic links.
#include "platform/PlatformTypes.h"

enum : OSErr {
  dirFulErr = -33,
  dskFulErr = -34,
  nsvErr = -35,
  bdNamErr = -37,
  fnOpnErr = -38,
  tmfoErr = -42,
  wPrErr = -44,
  fLckdErr = -45,
  fBsyErr = -47,
  permErr = -54,
  dupFNErr = -48,
  opWrErr = -49,
  pathTooLongErr = -2110,
};

constexpr int16_t kVolumeRacine = -1;
constexpr int32_t fsRtParID = 1;
constexpr int32_t fsRtDirID = 2;
// Longest folder or file path the stand-ins handle, terminator included.
constexpr int kTailleCheminPosix = 1024;

struct FSSpec {
  int16_t vRefNum;
  int32_t parID;
  char name[256];  // UTF-8 leaf name; empty for the root
};

struct FSRef {
  char chemin[kTailleCheminPosix];  // canonical POSIX path
};

// Catalogue information of one entry, as the engine reads it.
struct CatInfo {
  Boolean isFolder;
  Boolean isAlias;            // a symbolic link, not followed
  int32_t dirID;              // of a folder
  int32_t parID;              // of its parent
  int64_t length;             // data length of a file
  uint32_t creationDate;      // seconds since 1 January 1904, local time
  uint32_t modificationDate;  // likewise
};

// Volume information: allocation blocks as on a classic volume of at most 65535
// blocks, so free space reads the same whichever way it is counted.
struct HVolumeParam {
  int16_t ioVRefNum;  // in: 0 or -1 for the default volume
  OSErr ioResult;
  uint32_t ioVNmAlBlks;  // total allocation blocks
  uint32_t ioVFrBlk;     // free allocation blocks
  uint32_t ioVAlBlkSiz;  // bytes per allocation block
};

// Folder types FindFolder answers.
constexpr OSType kTemporaryFolderType = FourCC("temp");
constexpr OSType kPreferencesFolderType = FourCC("pref");
constexpr OSType kApplicationFolderType = FourCC("appl");
constexpr Boolean kCreateFolder = 1;
constexpr Boolean kDontCreateFolder = 0;

OSErr HGetVol(int16_t* vRefNum, int32_t* dirID);
OSErr HSetVol(int16_t vRefNum, int32_t dirID);

// Fills a record for a name relative to a folder. fnfErr when the parent folder
// exists but the entry does not (the record is still valid for creating it),
// dirNFErr when the parent doesn't exist, bdNamErr for a path too long.
OSErr FSMakeFSSpec(int16_t vRefNum, int32_t dirID, const char* name, FSSpec* fss);
OSErr FSpGetCatInfo(const FSSpec* fss, CatInfo* info);
OSErr FSpMakeFSRef(const FSSpec* fss, FSRef* ref);
OSErr FSRefMakePath(const FSRef* ref, char* path, uint32_t maxSize);
OSErr FSPathMakeRef(const char* path, FSRef* ref, Boolean* isDirectory);
OSErr FSRefGetDirID(const FSRef* ref, int32_t* dirID);  // the folder's id, registered on first use
// Replaces a record that names a symbolic link by the record of its target.
OSErr ResolveAliasFile(FSSpec* fss, Boolean resolveChains, Boolean* targetIsFolder, Boolean* wasAliased);
OSErr DirCreate(int16_t vRefNum, int32_t parentDirID, const char* name, int32_t* createdDirID);
OSErr PBHGetVInfoSync(HVolumeParam* pb);
OSErr FindFolder(int16_t vRefNum, OSType folderType, Boolean createFolder, int16_t* foundVRefNum, int32_t* foundDirID);

// The directory id of a folder path (registered on first use); 0 when the path
// names no folder.
int32_t PlatformDirIDForPath(const char* path);
// The canonical path of a folder, without trailing "/" except for the root.
OSErr PlatformPathForDirID(int16_t vRefNum, int32_t dirID, char* path, uint32_t maxSize);

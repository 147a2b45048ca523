#pragma once
// Volumes, folders and paths. A folder is a (volume reference, directory id)
// pair with a POSIX path beside it. Files are opened by names relative to the
// current folder, so code that opens a file first makes its folder current,
// directly or between PushPath and PopPath. Making a folder current also changes
// the process's working directory, so that fopen of a relative name finds it.
#include <cstdint>
#include <cstdio>
#include <ctime>

#include <dirent.h>

#include "platform/Files.h"
#include "platform/PlatformTypes.h"

// Size of every POSIX folder path buffer (UTF-8, ending with "/", terminator included).
constexpr int kTailleCheminUnix = kTailleCheminPosix;
// Longest file path the engine builds (temporary files, names cut by extrait_extension).
constexpr int kTailleNomFichier = 782;

struct CheminVol {
  int16_t vol;
  int32_t dir;  // 0: not set
};

// The known folders. Unset ones take their platform default when there is one
// (application, preferences, temporary); the loader sets the necks folder.
extern CheminVol PathApplication;
extern CheminVol PathTmp;  // located on first use (InitPathTmp)
extern CheminVol PathPref;
extern CheminVol PathLyrastelVoices;
extern CheminVol PathNecks;
extern CheminVol PathUserNecks;
// The engine's path separator: 0 here, so that FixeChemin never takes a path
// as an absolute POSIX path.
extern char SeparateurChemin;

// Current folder and paths.
OSErr FixeVolPath(int16_t vol, int32_t dir);
int16_t SaisitChemin(int16_t* vol, char* path, int32_t* dir);  // path unused (may be null); 1 on success
OSErr GetNomCheminUnix(int16_t vol, int32_t dir, char* path);  // path: kTailleCheminUnix bytes
OSErr GetNomChemin(int16_t vol, int32_t dir, char* path);      // likewise
OSErr GetNomCheminCourant(char* path);                         // likewise
OSErr GetNomDirMac(int16_t vol, int32_t dir, char* path);      // colon path, 256 bytes
void PushPath();
void PopPath();
OSErr FixeChemin(int32_t dir, const char* path);
OSErr FixeCheminRelatif(int16_t vol, int32_t dir, const char* path);
OSErr GetVol(int16_t* vol, int32_t* dir);
OSErr SetVol(int16_t vol, int32_t dir);
OSErr MyPBGetVInfoSync(HVolumeParam* pb);  // free blocks capped at 65535

// Known folders, each made current through FixeVolPath.
OSErr SetPathApplication();
OSErr SetPathTmp();
OSErr SetPathPref();
OSErr SetPathLyrastelVoices();
OSErr SetPathNecks();
OSErr SetPathUserNecks();

// Files.
FILE* OuvreFichier(const char* path, const char* mode);
FILE* OuvreFichierPref(const char* name, const char* mode);
int SupprimeFichier(const char* path);
// Replaces the text after the last "." of the name (in a buffer of `taille`
// bytes) by the extension; a name without "." gets one; a null extension cuts
// the name at its last ".".
void ajoute_extension(char* name, const char* extension, int32_t taille = kTailleNomFichier);
int16_t cmp_extension(const char* name, const char* extension);
// base and extension (each optional) hold kTailleNomFichier bytes.
void extrait_extension(const char* name, char* base, char* extension);

// Directory scan with a wildcard mask.
constexpr uint16_t kFindDossiersAussi = 8;
constexpr uint8_t kFindKindDossier = 8;
struct FindFileRec {
  uint16_t options;
  char masque[33];
  DIR* dossier;
  char nom[256];
  uint8_t kind;  // kFindKindDossier for a folder, else 0
  int64_t longueur;
  time_t dateCreation;  // POSIX keeps none: the modification time
  time_t dateModification;
  char chemin[kTailleCheminUnix];  // the folder scanned, ending with "/"
};
int16_t SystemDependantFindFirstFile(const char* pathAndMask, uint16_t options, FindFileRec* rec);
int16_t SystemDependantFindNextFile(FindFileRec* rec);
int16_t SystemDependantFindClose(FindFileRec* rec);
int16_t IsFileMatchMask(const char* name, const char* mask);

// System services.
int32_t DiskFreeSpace();  // megabytes free on the current volume
int32_t SystemDependantDiskFreeSpace();
int32_t GetMacOSXVersion();
int16_t RozoIsCurrentLanguageJaponais();
int16_t RozoGetGeneralZoom();
// Switches the 8-bit text calls between transcoded text (on) and raw font
// codes (off), and records the switch (comment 5477 on, 5476 off) into the
// picture being recorded, so that a replay decodes the text that follows
// the same way.
void RozoSetTranscodeCharset(int16_t flag);

#include "system/Dossiers.h"

#include <sys/stat.h>

#include <strings.h>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Memory.h"
#include "platform/Pictures.h"
#include "platform/TextDraw.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/ResStrings.h"
#include "system/Strings.h"
#include "system/TempFiles.h"

CheminVol PathApplication = {0, 0};
CheminVol PathTmp = {0, 0};
CheminVol PathPref = {0, 0};
CheminVol PathLyrastelVoices = {0, 0};
CheminVol PathNecks = {0, 0};
CheminVol PathUserNecks = {0, 0};
char SeparateurChemin = 0;

namespace {

// Folders pushed by PushPath, newest last.
struct EntreePile {
  int32_t dir;
  int16_t vol;
};
Handle gPilePath = nullptr;

constexpr int kMaxCheminFixe = 778;
constexpr int kMaxMasque = 32;
// The system version we answer: the last of the releases the engine knew.
constexpr int32_t kVersionSysteme = 10 * 65536 + 6 * 256 + 8;

OSErr ErreurSysteme(int e) {
  switch (e) {
    case ENOENT: return fnfErr;
    case ENOTDIR: return dirNFErr;
    case EACCES:
    case EPERM: return permErr;
    case EBUSY: return fBsyErr;
    default: return ioErr;
  }
}

// The folder a record names, following a symbolic link; dirNFErr for a file.
OSErr DossierDeSpec(FSSpec* fss, int32_t* dir) {
  Boolean estDossier = 0, alias = 0;
  OSErr err = ResolveAliasFile(fss, 1, &estDossier, &alias);
  if (err != noErr) return err;
  if (!estDossier) return dirNFErr;
  CatInfo info;
  err = FSpGetCatInfo(fss, &info);
  if (err != noErr) return err;
  *dir = info.dirID;
  return noErr;
}

// Makes the folder named by a colon path relative to (vol, dir) current: the
// whole path first; when a folder or file is not found, one component at a
// time from the folder reached so far.
OSErr AtteintDossier(int16_t vol, int32_t dir, const char* chemin) {
  FSSpec fss;
  int32_t id = 0;
  OSErr err = FSMakeFSSpec(vol, dir, chemin, &fss);
  if (err == noErr) err = DossierDeSpec(&fss, &id);
  if (err == noErr) return FixeVolPath(kVolumeRacine, id);
  if (err != dirNFErr && err != fnfErr) return err;

  int32_t courant = dir;
  if (courant == 0) {
    int16_t v;
    if (GetVol(&v, &courant) != noErr) return err;
  }
  const char* p = chemin;
  while (*p) {
    // A component runs from its colon to the next one.
    const char* fin = std::strchr(p + 1, ':');
    size_t n = fin ? size_t(fin - p) : std::strlen(p);
    if (n >= 2) {
      char comp[kMaxCheminFixe + 2];
      std::memcpy(comp, p, n);
      comp[n] = 0;
      err = FSMakeFSSpec(vol, courant, comp, &fss);
      if (err == noErr) err = DossierDeSpec(&fss, &id);
      if (err == noErr) {
        courant = id;
        err = FixeVolPath(kVolumeRacine, courant);
      }
    }
    p += n;
  }
  return err;
}

bool CorrespondDepuis(const char* n, const char* m) {
  while (*m) {
    if (*m == '*') {
      if (m[1] == 0) return true;
      // The character after "*" must be met exactly; the rest is tried from each
      // place it occurs.
      for (; *n; n++)
        if (*n == m[1] && CorrespondDepuis(n, m + 1)) return true;
      return false;
    }
    if (*n == 0) return false;
    if (*m != '?' && (uint8_t(*n) | 32) != (uint8_t(*m) | 32)) return false;
    n++;
    m++;
  }
  return *n == 0;
}

void FermeScan(FindFileRec* rec) {
  if (rec->dossier) {
    if (closedir(rec->dossier) != 0) Printf("closedir err %d", errno);
    rec->dossier = nullptr;
  }
}

}  // namespace

// ---- Current folder and paths -----------------------------------------------

OSErr GetVol(int16_t* vol, int32_t* dir) { return HGetVol(vol, dir); }

OSErr SetVol(int16_t vol, int32_t dir) { return HSetVol(vol, dir); }

OSErr FixeVolPath(int16_t vol, int32_t dir) {
  OSErr err = SetVol(vol, 0);
  if (err != noErr) {
    Collapse("Can't select drive %d. This media is not available.", vol);
    return err;
  }
  // Selecting the directory changes the working directory with it; when that
  // fails the previous one stays in force.
  if (dir != 0) {
    err = SetVol(vol, dir);
    if (err != noErr) Printf("FixeVolPath:chdir:err %d\n", err);
  }
  return err;
}

int16_t SaisitChemin(int16_t* vol, char* path, int32_t* dir) {
  int16_t v = 0;
  int32_t d = 0;
  OSErr err = GetVol(&v, &d);
  if (err != noErr) {
    Collapse("SaisitVolume: erreur %d", err);
    return 0;
  }
  if (vol) *vol = v;
  if (dir) *dir = d;
  if (path) GetNomCheminUnix(v, d, path);
  return 1;
}

OSErr GetNomCheminUnix(int16_t vol, int32_t dir, char* path) {
  if (!path) return paramErr;
  path[0] = 0;
  char chemin[kTailleCheminUnix];
  OSErr err = PlatformPathForDirID(vol, dir, chemin, sizeof chemin);
  if (err != noErr) {
    Printf("GetNomCheminUnix:FSRefMakePath:err %d\n", err);
    return err;
  }
  size_t n = std::strlen(chemin);
  bool barre = n > 0 && chemin[n - 1] == '/';
  if (n + (barre ? 0 : 1) + 1 > size_t(kTailleCheminUnix)) {
    Printf("GetNomCheminUnix:FSRefMakePath:err %d\n", pathTooLongErr);
    return pathTooLongErr;
  }
  std::memcpy(path, chemin, n);
  if (!barre) path[n++] = '/';
  path[n] = 0;
  return noErr;
}

OSErr GetNomChemin(int16_t vol, int32_t dir, char* path) {
  // Read without making the folder current: the current folder stays as it was.
  return GetNomCheminUnix(vol, dir, path);
}

OSErr GetNomCheminCourant(char* path) {
  int16_t vol;
  int32_t dir;
  if (!path) return paramErr;
  path[0] = 0;
  OSErr err = GetVol(&vol, &dir);
  return err != noErr ? err : GetNomCheminUnix(vol, dir, path);
}

OSErr GetNomDirMac(int16_t vol, int32_t dir, char* path) {
  if (!path) return paramErr;
  path[0] = 0;
  char chemin[kTailleCheminUnix];
  OSErr err = PlatformPathForDirID(vol, dir, chemin, sizeof chemin);
  if (err != noErr) return err;
  // The volume's name, then each folder from the root, each followed by ":",
  // stopping before the text would exceed 255 characters.
  std::string r = "Racine:";
  const char* p = chemin;
  while (*p) {
    while (*p == '/') p++;
    const char* fin = std::strchr(p, '/');
    size_t n = fin ? size_t(fin - p) : std::strlen(p);
    if (n == 0) break;
    if (r.size() + n + 1 > 255) break;
    r.append(p, n);
    r.push_back(':');
    p += n;
  }
  std::memcpy(path, r.c_str(), r.size() + 1);
  return noErr;
}

void PushPath() {
  EntreePile e = {0, 0};
  if (!SaisitChemin(&e.vol, nullptr, &e.dir)) return;
  if (!gPilePath) gPilePath = NewHandle(0);
  if (gPilePath) PtrAndHand(&e, gPilePath, Size(sizeof e));
}

void PopPath() {
  Size taille = GetHandleSize(gPilePath);
  if (taille < Size(sizeof(EntreePile))) {
    Collapse("PopPath : Empty stack");
    return;
  }
  EntreePile e;
  std::memcpy(&e, *gPilePath + taille - Size(sizeof e), sizeof e);
  SetHandleSize(gPilePath, taille - Size(sizeof e));
  FixeVolPath(e.vol, e.dir);
}

OSErr FixeChemin(int32_t dir, const char* path) {
  if (!path) return paramErr;
  if (std::strlen(path) > size_t(kMaxCheminFixe)) return memFullErr;
  if (SeparateurChemin == '/' && path[0] == '/') {
    int32_t id = PlatformDirIDForPath(path);
    if (id == 0) {
      Printf("FFixeChemin:chdir:err %d on '%s'\n", dirNFErr, path);
      return dirNFErr;
    }
    return FixeVolPath(kVolumeRacine, id);
  }
  return AtteintDossier(0, dir, path);
}

OSErr FixeCheminRelatif(int16_t vol, int32_t dir, const char* path) {
  if (!path || !*path) return FixeVolPath(vol, dir);
  size_t n = std::strlen(path);
  if (n + 2 > size_t(kMaxCheminFixe)) return memFullErr;
  std::string chemin;
  if (path[0] != ':') chemin.push_back(':');
  chemin += path;
  if (chemin.back() != ':') chemin.push_back(':');
  return AtteintDossier(vol, dir, chemin.c_str());
}

OSErr MyPBGetVInfoSync(HVolumeParam* pb) {
  OSErr err = PBHGetVInfoSync(pb);
  if (err == noErr && pb->ioVFrBlk > 65535) pb->ioVFrBlk = 65535;
  return err;
}

// ---- Known folders ------------------------------------------------------------

namespace {

OSErr FixeDossierConnu(const CheminVol& c, OSType typeParDefaut) {
  if (c.dir != 0) return FixeVolPath(c.vol, c.dir);
  if (typeParDefaut == 0) return dirNFErr;
  int16_t vol;
  int32_t dir;
  // Reading settings or the log's folder must not leave new folders behind.
  OSErr err = FindFolder(kVolumeRacine, typeParDefaut, kDontCreateFolder, &vol, &dir);
  return err != noErr ? err : FixeVolPath(vol, dir);
}

}  // namespace

OSErr SetPathApplication() { return FixeDossierConnu(PathApplication, kApplicationFolderType); }

OSErr SetPathTmp() {
  if (PathTmp.dir == 0 && !InitPathTmp()) return dirNFErr;
  return FixeVolPath(PathTmp.vol, PathTmp.dir);
}

OSErr SetPathPref() { return FixeDossierConnu(PathPref, kPreferencesFolderType); }
OSErr SetPathLyrastelVoices() { return FixeDossierConnu(PathLyrastelVoices, 0); }
OSErr SetPathNecks() { return FixeDossierConnu(PathNecks, 0); }
OSErr SetPathUserNecks() { return FixeDossierConnu(PathUserNecks, 0); }

// ---- Files --------------------------------------------------------------------

FILE* OuvreFichier(const char* path, const char* mode) {
  if (!path || !mode || !*path) return nullptr;
  // Paths reach us as UTF-8, which is what the POSIX file system takes.
  FILE* f = std::fopen(path, mode);
  if (f) return f;
  size_t n = std::strlen(path);
  if (n >= size_t(kTailleNomFichier) || !std::strchr(path, '/')) return nullptr;
  char autre[kTailleNomFichier];
  std::memcpy(autre, path, n + 1);
  for (char* p = autre; *p; p++)
    if (*p == '/') *p = ':';
  return std::fopen(autre, mode);
}

FILE* OuvreFichierPref(const char* name, const char* mode) {
  PushPath();
  FILE* f = SetPathPref() == noErr ? OuvreFichier(name, mode) : nullptr;
  PopPath();
  return f;
}

int SupprimeFichier(const char* path) {
  if (!path || !*path) return paramErr;
  return std::remove(path) == 0 ? 0 : ErreurSysteme(errno);
}

void ajoute_extension(char* name, const char* extension, int32_t taille) {
  if (!name || taille <= 0) return;
  char* point = std::strrchr(name, '.');
  if (!extension) {
    if (point) *point = 0;
    return;
  }
  if (point) {
    point[1] = 0;
  } else {
    strnzcat(name, ".", taille);
  }
  strnzcat(name, extension, taille);
}

int16_t cmp_extension(const char* name, const char* extension) {
  if (!name || !extension) return 0;
  const char* point = std::strrchr(name, '.');
  return point && strcasecmp(point + 1, extension) == 0 ? 1 : 0;
}

void extrait_extension(const char* name, char* base, char* extension) {
  char nom[kTailleNomFichier];
  strnzcpy(nom, name ? name : "", 781);
  char* point = std::strrchr(nom, '.');
  if (extension) strnzcpy(extension, point ? point + 1 : "", kTailleNomFichier);
  if (point) *point = 0;
  if (base) strnzcpy(base, nom, kTailleNomFichier);
}

// ---- Directory scan -------------------------------------------------------------

int16_t IsFileMatchMask(const char* name, const char* mask) {
  if (!name || !mask) return 0;
  if (std::strcmp(mask, "*.*") == 0) return name[0] != '.' ? 1 : 0;
  return CorrespondDepuis(name, mask) ? 1 : 0;
}

int16_t SystemDependantFindFirstFile(const char* pathAndMask, uint16_t options, FindFileRec* rec) {
  if (!rec) return 0;
  std::memset(rec, 0, sizeof *rec);
  rec->options = options;
  if (!pathAndMask) return 0;
  const char* barre = std::strrchr(pathAndMask, '/');
  size_t nDossier = barre ? size_t(barre - pathAndMask) + 1 : 0;
  if (nDossier + 1 > sizeof rec->chemin) return 0;
  if (barre) {
    std::memcpy(rec->chemin, pathAndMask, nDossier);
    rec->chemin[nDossier] = 0;
  } else {
    std::strcpy(rec->chemin, "./");
  }
  strnzcpy(rec->masque, barre ? barre + 1 : pathAndMask, kMaxMasque + 1);
  rec->dossier = opendir(rec->chemin);
  if (!rec->dossier) return 0;
  if (SystemDependantFindNextFile(rec)) return 1;
  FermeScan(rec);
  return 0;
}

int16_t SystemDependantFindNextFile(FindFileRec* rec) {
  if (!rec || !rec->dossier) return 0;
  size_t nDossier = std::strlen(rec->chemin);
  while (struct dirent* e = readdir(rec->dossier)) {
    const char* nom = e->d_name;
    if (nom[0] == '.' || std::strcmp(nom, "Icon\r") == 0) continue;
    size_t n = std::strlen(nom);
    if (n >= sizeof rec->nom || nDossier + n + 1 > sizeof rec->chemin) continue;
    char complet[kTailleCheminUnix];
    std::memcpy(complet, rec->chemin, nDossier);
    std::memcpy(complet + nDossier, nom, n + 1);
    struct stat st;
    if (stat(complet, &st) != 0) continue;
    bool dossier = S_ISDIR(st.st_mode);
    if (dossier) {
      if (!(rec->options & kFindDossiersAussi)) continue;
    } else if (!IsFileMatchMask(nom, rec->masque)) {
      continue;
    }
    std::memcpy(rec->nom, nom, n + 1);
    rec->kind = dossier ? kFindKindDossier : 0;
    rec->longueur = dossier ? 0 : int64_t(st.st_size);
    rec->dateCreation = st.st_mtime;
    rec->dateModification = st.st_mtime;
    return 1;
  }
  return 0;
}

int16_t SystemDependantFindClose(FindFileRec* rec) {
  if (rec) FermeScan(rec);
  return 1;
}

// ---- System services --------------------------------------------------------------

int32_t DiskFreeSpace() {
  HVolumeParam pb = {};
  pb.ioVRefNum = 0;
  if (MyPBGetVInfoSync(&pb) != noErr) return 0;
  return int32_t(uint64_t(pb.ioVFrBlk) * pb.ioVAlBlkSiz / 1048576);
}

int32_t SystemDependantDiskFreeSpace() { return DiskFreeSpace(); }

// No version is read from the system: the engine gets the answer it was last
// used with.
int32_t GetMacOSXVersion() { return kVersionSysteme; }

int16_t RozoIsCurrentLanguageJaponais() { return Langue == 5 ? 1 : 0; }

int16_t RozoGetGeneralZoom() { return 1; }

void RozoSetTranscodeCharset(int16_t flag) {
  SetTextTranscoding(flag != 0);
  // PicComment records only while a picture is being defined.
  PicComment(flag ? 5477 : 5476, 0, nullptr);
}

#include "platform/Files.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/DateTime.h"
#include "platform/SpecialFolders.h"

namespace {

// Directory ids from kPremierID on index the table; 2 is always the root.
constexpr int32_t kPremierID = 100;

struct TableDossiers {
  std::vector<std::string> chemins;
  std::unordered_map<std::string, int32_t> ids;
};

TableDossiers& Table() {
  static TableDossiers t;
  return t;
}

OSErr ErreurErrno(int e) {
  switch (e) {
    case ENOENT: return fnfErr;
    case ENOTDIR: return dirNFErr;
    case EACCES:
    case EPERM: return permErr;
    case ENAMETOOLONG: return bdNamErr;
    case EEXIST: return dupFNErr;
    case EROFS: return wPrErr;
    case ENOSPC: return dskFulErr;
    case EMFILE:
    case ENFILE: return tmfoErr;
    default: return ioErr;
  }
}

bool VolumeValide(int16_t v) { return v == 0 || v == kVolumeRacine; }

// Id of a canonical folder path.
int32_t Enregistre(const std::string& canon) {
  if (canon == "/") return fsRtDirID;
  TableDossiers& t = Table();
  auto it = t.ids.find(canon);
  if (it != t.ids.end()) return it->second;
  int32_t id = kPremierID + int32_t(t.chemins.size());
  t.chemins.push_back(canon);
  t.ids.emplace(canon, id);
  return id;
}

bool Canonique(const std::string& chemin, std::string* canon) {
  char buf[PATH_MAX];
  if (!realpath(chemin.c_str(), buf)) return false;
  *canon = buf;
  return true;
}

OSErr CheminDossier(int16_t v, int32_t dir, std::string* chemin) {
  if (!VolumeValide(v)) return nsvErr;
  if (dir == 0) {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return ErreurErrno(errno);
    *chemin = buf;
    return noErr;
  }
  if (dir == fsRtDirID) {
    *chemin = "/";
    return noErr;
  }
  const TableDossiers& t = Table();
  if (dir < kPremierID || size_t(dir - kPremierID) >= t.chemins.size()) return dirNFErr;
  *chemin = t.chemins[size_t(dir - kPremierID)];
  return noErr;
}

std::string Joint(const std::string& dossier, const std::string& nom) {
  if (nom.empty()) return dossier;
  return dossier == "/" ? "/" + nom : dossier + "/" + nom;
}

std::string Parent(const std::string& chemin) {
  size_t p = chemin.find_last_of('/');
  if (p == std::string::npos || p == 0) return "/";
  return chemin.substr(0, p);
}

std::string Feuille(const std::string& chemin) {
  if (chemin == "/") return "";
  size_t p = chemin.find_last_of('/');
  return p == std::string::npos ? chemin : chemin.substr(p + 1);
}

bool EstDossier(const std::string& chemin) {
  struct stat st;
  return stat(chemin.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

OSErr RemplitSpec(const std::string& dossier, const std::string& feuille, FSSpec* fss) {
  if (feuille.size() >= sizeof fss->name) return bdNamErr;
  fss->vRefNum = kVolumeRacine;
  std::string canon;
  if (!Canonique(dossier, &canon)) return dirNFErr;
  fss->parID = Enregistre(canon);
  std::memcpy(fss->name, feuille.c_str(), feuille.size() + 1);
  return noErr;
}

// The record of a folder itself: its parent and its leaf name.
OSErr SpecDuDossier(const std::string& canon, FSSpec* fss) {
  if (canon == "/") {
    fss->vRefNum = kVolumeRacine;
    fss->parID = fsRtParID;
    fss->name[0] = 0;
    return noErr;
  }
  return RemplitSpec(Parent(canon), Feuille(canon), fss);
}

std::string CheminSpec(const FSSpec* fss) {
  if (fss->parID == fsRtParID) return "/";
  std::string dossier;
  if (CheminDossier(fss->vRefNum, fss->parID, &dossier) != noErr) return std::string();
  return Joint(dossier, fss->name);
}

}  // namespace

int32_t PlatformDirIDForPath(const char* path) {
  if (!path || !*path) return 0;
  std::string canon;
  if (!Canonique(path, &canon) || !EstDossier(canon)) return 0;
  return Enregistre(canon);
}

OSErr PlatformPathForDirID(int16_t vRefNum, int32_t dirID, char* path, uint32_t maxSize) {
  std::string chemin;
  OSErr err = CheminDossier(vRefNum, dirID, &chemin);
  if (err != noErr) return err;
  if (!path || chemin.size() + 1 > maxSize) return pathTooLongErr;
  std::memcpy(path, chemin.c_str(), chemin.size() + 1);
  return noErr;
}

OSErr HGetVol(int16_t* vRefNum, int32_t* dirID) {
  char buf[PATH_MAX];
  if (!getcwd(buf, sizeof buf)) return ErreurErrno(errno);
  if (vRefNum) *vRefNum = kVolumeRacine;
  if (dirID) *dirID = Enregistre(buf);
  return noErr;
}

OSErr HSetVol(int16_t vRefNum, int32_t dirID) {
  if (!VolumeValide(vRefNum)) return nsvErr;
  if (dirID == 0) return noErr;
  std::string chemin;
  OSErr err = CheminDossier(vRefNum, dirID, &chemin);
  if (err != noErr) return err;
  if (chdir(chemin.c_str()) != 0) return errno == ENOENT ? OSErr(dirNFErr) : ErreurErrno(errno);
  return noErr;
}

OSErr FSMakeFSSpec(int16_t vRefNum, int32_t dirID, const char* name, FSSpec* fss) {
  if (!fss) return paramErr;
  std::string dossier;
  OSErr err = CheminDossier(vRefNum, dirID, &dossier);
  if (err != noErr) return err;
  std::string base;
  if (!Canonique(dossier, &base)) return dirNFErr;
  if (!name || !*name) return SpecDuDossier(base, fss);
  if (std::strlen(name) >= size_t(kTailleCheminPosix)) return bdNamErr;

  if (!std::strchr(name, ':')) {
    if (std::strchr(name, '/')) return bdNamErr;
    err = RemplitSpec(base, name, fss);
    if (err != noErr) return err;
    struct stat st;
    return lstat(Joint(base, name).c_str(), &st) == 0 ? noErr : fnfErr;
  }

  // Colon path: each component is looked up in the folder reached so far; an
  // empty component (two colons in a row) climbs to the parent.
  const char* p = name[0] == ':' ? name + 1 : name;
  std::string courant = base;
  std::string feuille;
  while (*p) {
    const char* fin = std::strchr(p, ':');
    std::string comp = fin ? std::string(p, size_t(fin - p)) : std::string(p);
    p = fin ? fin + 1 : p + comp.size();
    if (!feuille.empty()) {
      // The previous component was a folder on the way.
      std::string suivant = Joint(courant, feuille);
      if (suivant.size() >= size_t(kTailleCheminPosix)) return bdNamErr;
      if (!EstDossier(suivant)) return dirNFErr;
      std::string canon;
      if (!Canonique(suivant, &canon)) return dirNFErr;
      courant = canon;
      feuille.clear();
    }
    if (comp.empty()) {
      courant = Parent(courant);
    } else {
      if (comp.find('/') != std::string::npos) return bdNamErr;
      feuille = comp;
    }
  }
  if (feuille.empty()) return SpecDuDossier(courant, fss);
  err = RemplitSpec(courant, feuille, fss);
  if (err != noErr) return err;
  std::string cible = Joint(courant, feuille);
  struct stat st;
  if (lstat(cible.c_str(), &st) != 0) return fnfErr;
  return noErr;
}

OSErr FSpGetCatInfo(const FSSpec* fss, CatInfo* info) {
  if (!fss || !info) return paramErr;
  std::string chemin = CheminSpec(fss);
  if (chemin.empty()) return dirNFErr;
  struct stat st;
  if (lstat(chemin.c_str(), &st) != 0) return ErreurErrno(errno);
  *info = CatInfo{};
  info->isAlias = S_ISLNK(st.st_mode);
  info->isFolder = S_ISDIR(st.st_mode);
  info->parID = fss->parID;
  if (info->isFolder) {
    std::string canon;
    info->dirID = Canonique(chemin, &canon) ? Enregistre(canon) : 0;
  } else {
    info->length = int64_t(st.st_size);
  }
  // POSIX keeps no creation date: both dates are the modification date.
  info->modificationDate = PlatformSecondsFromUnixTime(int64_t(st.st_mtime));
  info->creationDate = info->modificationDate;
  return noErr;
}

OSErr FSpMakeFSRef(const FSSpec* fss, FSRef* ref) {
  if (!fss || !ref) return paramErr;
  std::string chemin = CheminSpec(fss);
  if (chemin.empty()) return dirNFErr;
  struct stat st;
  if (lstat(chemin.c_str(), &st) != 0) return ErreurErrno(errno);
  if (chemin.size() >= sizeof ref->chemin) return pathTooLongErr;
  std::memcpy(ref->chemin, chemin.c_str(), chemin.size() + 1);
  return noErr;
}

OSErr FSRefMakePath(const FSRef* ref, char* path, uint32_t maxSize) {
  if (!ref || !path) return paramErr;
  size_t n = std::strlen(ref->chemin);
  if (n + 1 > maxSize) return pathTooLongErr;
  std::memcpy(path, ref->chemin, n + 1);
  return noErr;
}

OSErr FSPathMakeRef(const char* path, FSRef* ref, Boolean* isDirectory) {
  if (!path || !*path || !ref) return paramErr;
  std::string chemin = path;
  while (chemin.size() > 1 && chemin.back() == '/') chemin.pop_back();
  struct stat st;
  if (lstat(chemin.c_str(), &st) != 0) return ErreurErrno(errno);
  // The folder part is made canonical; a final link stays a link.
  std::string parent = chemin.find('/') == std::string::npos ? std::string(".") : Parent(chemin);
  std::string canon;
  if (chemin == "/") {
    canon = "/";
  } else {
    if (!Canonique(parent, &canon)) return dirNFErr;
    canon = Joint(canon, Feuille(chemin));
  }
  if (canon.size() >= sizeof ref->chemin) return pathTooLongErr;
  std::memcpy(ref->chemin, canon.c_str(), canon.size() + 1);
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return noErr;
}

OSErr FSRefGetDirID(const FSRef* ref, int32_t* dirID) {
  if (!ref || !dirID) return paramErr;
  std::string canon;
  if (!Canonique(ref->chemin, &canon)) return ErreurErrno(errno);
  if (!EstDossier(canon)) return dirNFErr;
  *dirID = Enregistre(canon);
  return noErr;
}

OSErr ResolveAliasFile(FSSpec* fss, Boolean /*resolveChains*/, Boolean* targetIsFolder, Boolean* wasAliased) {
  if (!fss) return paramErr;
  std::string chemin = CheminSpec(fss);
  if (chemin.empty()) return dirNFErr;
  struct stat st;
  if (lstat(chemin.c_str(), &st) != 0) return ErreurErrno(errno);
  bool lien = S_ISLNK(st.st_mode);
  if (wasAliased) *wasAliased = lien;
  if (lien) {
    // realpath follows the whole chain; a dangling link resolves to nothing.
    std::string cible;
    if (!Canonique(chemin, &cible)) return fnfErr;
    OSErr err = SpecDuDossier(cible, fss);
    if (err != noErr) return err;
    chemin = cible;
  }
  if (stat(chemin.c_str(), &st) != 0) return ErreurErrno(errno);
  if (targetIsFolder) *targetIsFolder = S_ISDIR(st.st_mode);
  return noErr;
}

OSErr DirCreate(int16_t vRefNum, int32_t parentDirID, const char* name, int32_t* createdDirID) {
  if (!name || !*name || std::strchr(name, '/') || std::strchr(name, ':')) return bdNamErr;
  std::string dossier;
  OSErr err = CheminDossier(vRefNum, parentDirID, &dossier);
  if (err != noErr) return err;
  std::string chemin = Joint(dossier, name);
  if (chemin.size() >= size_t(kTailleCheminPosix)) return bdNamErr;
  if (mkdir(chemin.c_str(), 0700) != 0) return ErreurErrno(errno);
  if (createdDirID) *createdDirID = PlatformDirIDForPath(chemin.c_str());
  return noErr;
}

OSErr PBHGetVInfoSync(HVolumeParam* pb) {
  if (!pb) return paramErr;
  if (!VolumeValide(pb->ioVRefNum)) return pb->ioResult = nsvErr;
  struct statvfs sv;
  if (statvfs(".", &sv) != 0) return pb->ioResult = ErreurErrno(errno);
  uint64_t total = uint64_t(sv.f_blocks) * sv.f_frsize;
  uint64_t libre = uint64_t(sv.f_bavail) * sv.f_frsize;
  // A classic volume has at most 65535 allocation blocks of a multiple of 512 bytes.
  uint64_t taille = (total / 65535 + 511) / 512 * 512;
  if (taille < 512) taille = 512;
  if (taille > UINT32_MAX / 2) taille = UINT32_MAX / 2 / 512 * 512;
  pb->ioVAlBlkSiz = uint32_t(taille);
  uint64_t nb = total / taille, fr = libre / taille;
  pb->ioVNmAlBlks = uint32_t(nb > UINT32_MAX ? UINT32_MAX : nb);
  pb->ioVFrBlk = uint32_t(fr > UINT32_MAX ? UINT32_MAX : fr);
  return pb->ioResult = noErr;
}

OSErr FindFolder(int16_t vRefNum, OSType folderType, Boolean createFolder, int16_t* foundVRefNum, int32_t* foundDirID) {
  if (!VolumeValide(vRefNum)) return nsvErr;
  const char* chemin = nullptr;
  if (folderType == kTemporaryFolderType) chemin = GetTemporaryFolderPath();  // made private (0700) on first use
  else if (folderType == kPreferencesFolderType) chemin = GetPreferencesFolderPath();
  else if (folderType == kApplicationFolderType) chemin = GetApplicationFolderPath();
  if (!chemin || !*chemin) return fnfErr;
  if (createFolder && !EstDossier(chemin)) {
    // Make the missing folders on the way, private to the user.
    std::string partiel;
    for (const char* p = chemin; *p; p++) {
      partiel.push_back(*p);
      if ((p[1] == '/' || p[1] == 0) && partiel != "/") {
        if (mkdir(partiel.c_str(), 0700) != 0 && errno != EEXIST) return ErreurErrno(errno);
      }
    }
  }
  int32_t id = PlatformDirIDForPath(chemin);
  if (id == 0) return fnfErr;
  if (foundVRefNum) *foundVRefNum = kVolumeRacine;
  if (foundDirID) *foundDirID = id;
  return noErr;
}

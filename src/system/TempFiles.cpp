#include "system/TempFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Reporters.h"

Handle tabFich = nullptr;
int16_t nbFichTemp = 0;
char NomPathTmp[kTailleCheminUnix] = "";

namespace {

int32_t gTailleBufferTransfert = 65536;
// Grows at every naming attempt, for the life of the process.
long gCompteurTemp = 0;
// Attempts one creation may make before giving up.
constexpr int kMaxEssaisNom = 10000;
constexpr int16_t kMaxFichTemp = 32000;
constexpr uint32_t kMaxPosition = 0x7FFFFFFF;

FichTemp* Slot(int16_t fich) {
  if (!tabFich || fich < 1 || fich >= nbFichTemp) return nullptr;
  return reinterpret_cast<FichTemp*>(*tabFich) + fich;
}

FichTemp* SlotUtilise(int16_t fich) {
  FichTemp* f = Slot(fich);
  return f && f->utilise ? f : nullptr;
}

// The slot that owns the file, following owner links (never more than the
// table holds, so a damaged chain can't loop).
int16_t Proprietaire(int16_t fich) {
  for (int i = 0; i < nbFichTemp; i++) {
    FichTemp* f = SlotUtilise(fich);
    if (!f) return 0;
    if (f->proprietaire == 0) return fich;
    fich = f->proprietaire;
  }
  return 0;
}

int32_t Transfert() { return gTailleBufferTransfert > 0 ? gTailleBufferTransfert : 1; }

// An operation on a slot whose stream is closed opens it at the slot's position
// for the time of the operation.
struct Acces {
  FichTemp* f = nullptr;
  bool aFermer = false;
};

Acces Ouvre(int16_t fich) {
  Acces a;
  int16_t p = Proprietaire(fich);
  FichTemp* f = SlotUtilise(p);
  if (!f) return a;
  if (!f->flux) {
    if (!UnivOpen(f)) return a;
    if (UnivSeek(f, long(f->position), SEEK_SET) != 0) {
      UnivClose(f);
      return a;
    }
    a.aFermer = true;
  }
  a.f = f;
  return a;
}

void Ferme(Acces& a) {
  if (a.f && a.aFermer) UnivClose(a.f);
}

void Avance(FichTemp* f, uint64_t n) {
  uint64_t p = uint64_t(f->position) + n;
  f->position = uint32_t(p > kMaxPosition ? kMaxPosition : p);
}

int16_t SlotLibre() {
  if (!tabFich) {
    tabFich = NewHandleClear(Size(2 * sizeof(FichTemp)));
    if (!tabFich) return 0;
    nbFichTemp = 2;
  }
  for (int16_t i = 1; i < nbFichTemp; i++)
    if (!Slot(i)->utilise) return i;
  if (nbFichTemp + 2 > kMaxFichTemp) return 0;
  int16_t libre = nbFichTemp;
  // SetHandleSize zero-fills what it adds.
  SetHandleSize(tabFich, Size((nbFichTemp + 2) * sizeof(FichTemp)));
  if (MemError() != noErr) return 0;
  nbFichTemp = int16_t(nbFichTemp + 2);
  return libre;
}

}  // namespace

int32_t GetTailleBufferTransfert() { return gTailleBufferTransfert; }
void SetTailleBufferTransfert(int32_t taille) { gTailleBufferTransfert = taille; }

// ---- Stdio layer ---------------------------------------------------------------

int16_t UnivOpen(FichTemp* f) {
  if (!f) return 0;
  if (f->flux) return 1;
  f->flux = std::fopen(f->chemin, "rb+");
  if (!f->flux) f->flux = std::fopen(f->chemin, "wb+");
  return f->flux ? 1 : 0;
}

void UnivClose(FichTemp* f) {
  if (f && f->flux) {
    std::fclose(f->flux);
    f->flux = nullptr;
  }
}

int UnivSeek(FichTemp* f, long position, int origine) {
  if (!f || !f->flux) return -1;
  return std::fseek(f->flux, position, origine);
}

size_t UnivRead(void* buffer, size_t taille, size_t nb, FichTemp* f) {
  if (!f || !f->flux || !buffer) return 0;
  return std::fread(buffer, taille, nb, f->flux);
}

size_t UnivWrite(const void* buffer, size_t taille, size_t nb, FichTemp* f) {
  if (!f || !f->flux || !buffer) return 0;
  return std::fwrite(buffer, taille, nb, f->flux);
}

int32_t UnivGetFileLength(FichTemp* f) {
  if (!f || !f->flux) return 0;
  long pos = std::ftell(f->flux);
  if (pos < 0 || std::fseek(f->flux, 0, SEEK_END) != 0) return 0;
  long fin = std::ftell(f->flux);
  std::fseek(f->flux, pos, SEEK_SET);
  return fin < 0 ? 0 : int32_t(fin > long(kMaxPosition) ? kMaxPosition : fin);
}

int16_t UnivSetFileLength(FichTemp*, int32_t) { return 1; }
int16_t UnivCopy(FichTemp*, FichTemp*) { return 0; }
int16_t UnivAllocateContig(FichTemp*, int32_t) { return 1; }
void UnivInit() {}

// ---- Temporary folder ----------------------------------------------------------

int16_t InitPathTmp() {
  int16_t vol = 0;
  int32_t dir = 0;
  if (FindFolder(kVolumeRacine, kTemporaryFolderType, kCreateFolder, &vol, &dir) != noErr) {
    // No temporary-items folder: ":Tmp:" in the preferences folder.
    int16_t volPref;
    int32_t dirPref;
    if (FindFolder(kVolumeRacine, kPreferencesFolderType, kCreateFolder, &volPref, &dirPref) != noErr) {
      Collapse("Can't create folder '%s'", ":Tmp:");
      return 0;
    }
    FSSpec fss;
    CatInfo info;
    OSErr err = FSMakeFSSpec(volPref, dirPref, ":Tmp:", &fss);
    if (err == noErr && FSpGetCatInfo(&fss, &info) == noErr && info.isFolder) {
      vol = volPref;
      dir = info.dirID;
    } else if (DirCreate(volPref, dirPref, "Tmp", &dir) != noErr || dir == 0) {
      Collapse("Can't create folder '%s'", ":Tmp:");
      return 0;
    } else {
      vol = volPref;
    }
  }
  char chemin[kTailleCheminUnix];
  if (GetNomCheminUnix(vol, dir, chemin) != noErr) return 0;
  std::memcpy(NomPathTmp, chemin, sizeof NomPathTmp);
  PathTmp.vol = vol;
  PathTmp.dir = dir;
  return FixeVolPath(vol, dir) == noErr ? 1 : 0;
}

// ---- Slots ---------------------------------------------------------------------

int16_t TempCreate(const char* prefixe, int32_t longueur) {
  if (!prefixe) prefixe = "";
  if (PathTmp.dir == 0) {
    // Locating the folder makes it current: the caller's folder stays current.
    PushPath();
    int16_t ok = InitPathTmp();
    PopPath();
    if (!ok) return 0;
  }
  // The notice about a nearly full volume at the first creation is an inert
  // service here, so free space is not even asked for.
  int16_t fich = SlotLibre();
  if (fich == 0) return 0;
  FichTemp* f = Slot(fich);
  std::memset(f, 0, sizeof *f);
  f->utilise = 1;

  // O_EXCL: a name someone else holds, or takes under our feet, is skipped.
  bool cree = false;
  for (int essai = 0; essai < kMaxEssaisNom; essai++) {
    char nom[kTailleNomFichier];
    int n = std::snprintf(nom, sizeof nom, "%s%s%s%ld.tmp", NomPathTmp, "Play", prefixe, gCompteurTemp++);
    if (n < 0 || n >= int(sizeof nom)) break;
    int fd = open(nom, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      std::memcpy(f->chemin, nom, size_t(n) + 1);
      cree = true;
      break;
    }
    if (errno != EEXIST) break;  // no other name would fare better
  }
  if (!cree) {
    Collapse("Error : impossible to create a valid temporary file");
    std::memset(f, 0, sizeof *f);
    return 0;
  }
  f->modifie = 1;
  f->proprietaire = 0;
  if (!UnivOpen(f) || UnivSeek(f, 0, SEEK_SET) != 0) {
    Collapse("Error : can't create temporary file '%s'", prefixe);
    UnivClose(f);
    std::remove(f->chemin);
    std::memset(f, 0, sizeof *f);
    return 0;
  }
  f->ouvert = 1;
  if (longueur > 0) {
    UnivSeek(f, long(longueur), SEEK_SET);
    UnivSeek(f, 0, SEEK_SET);
  }
  return fich;
}

int16_t TempOpenFile(int16_t fich) {
  FichTemp* f = SlotUtilise(fich);
  if (!f) return 0;
  if (!f->flux) {
    if (UnivOpen(f) && UnivSeek(f, long(f->position), SEEK_SET) != 0) UnivClose(f);
  }
  f->ouvert = f->flux ? 1 : 0;
  return f->ouvert;
}

int16_t TempSeek(int16_t fich, uint32_t position) {
  Acces a = Ouvre(fich);
  if (!a.f) return -1;
  if (position > kMaxPosition) position = kMaxPosition;
  int err = UnivSeek(a.f, long(position), SEEK_SET);
  if (err == 0) a.f->position = position;
  Ferme(a);
  return int16_t(err);
}

int32_t TempRead(void* buffer, int32_t taille, int32_t nb, int16_t fich) {
  if (!buffer || taille <= 0 || nb <= 0) return 0;
  Acces a = Ouvre(fich);
  if (!a.f) return 0;
  size_t lus = UnivRead(buffer, size_t(taille), size_t(nb), a.f);
  Avance(a.f, uint64_t(lus) * uint64_t(taille));
  Ferme(a);
  return int32_t(lus);
}

int32_t TempWrite(const void* buffer, int32_t taille, int32_t nb, int16_t fich) {
  if (!buffer || taille <= 0 || nb <= 0) return 0;
  Acces a = Ouvre(fich);
  if (!a.f) return 0;
  size_t ecrits = UnivWrite(buffer, size_t(taille), size_t(nb), a.f);
  Avance(a.f, uint64_t(ecrits) * uint64_t(taille));
  a.f->modifie = 1;
  Ferme(a);
  return int32_t(ecrits);
}

int16_t TempFill(int16_t fich, uint8_t octet, int32_t nb) {
  if (nb <= 0) return 1;
  if (nb <= 15) {
    for (int32_t i = 0; i < nb; i++)
      if (TempWrite(&octet, 1, 1, fich) != 1) return 0;
    return 1;
  }
  int32_t taille = nb < Transfert() ? nb : Transfert();
  Ptr tampon = NewPtr(taille);
  if (!tampon) return 0;  // the grave-error notice is an inert service here
  std::memset(tampon, octet, size_t(taille));
  int16_t ok = 1;
  for (int32_t reste = nb; reste > 0;) {
    int32_t n = reste < taille ? reste : taille;
    // A short write stops the fill rather than trying the same bytes forever.
    if (TempWrite(tampon, 1, n, fich) != n) {
      ok = 0;
      break;
    }
    reste -= n;
  }
  DisposePtr(tampon);
  return ok;
}

int32_t TempGetFileLength(int16_t fich) {
  Acces a = Ouvre(fich);
  if (!a.f) return 0;
  int32_t l = UnivGetFileLength(a.f);
  Ferme(a);
  return l;
}

void TempSetFileLength(int16_t fich, int32_t longueur) {
  Acces a = Ouvre(fich);
  if (!a.f) return;
  if (UnivGetFileLength(a.f) != longueur) a.f->modifie = 1;
  UnivSetFileLength(a.f, longueur);
  Ferme(a);
}

void TempDispose(int16_t fich) {
  if (fich < 1) return;
  FichTemp* f = SlotUtilise(fich);
  if (!f) {
    Collapse("TempDispose:File not in use");
    return;
  }
  // A slot that uses this one's file takes it over.
  int16_t heritier = 0;
  for (int16_t i = 1; i < nbFichTemp && !heritier; i++)
    if (i != fich && Slot(i)->utilise && Slot(i)->proprietaire == fich) heritier = i;
  if (heritier) {
    FichTemp* h = Slot(heritier);
    *h = *f;
  } else if (f->proprietaire == 0) {
    UnivClose(f);
    if (std::remove(f->chemin) != 0) Collapse("Can't remove temp file '%s'", f->chemin);
  }
  for (int16_t i = 1; i < nbFichTemp; i++) {
    FichTemp* s = Slot(i);
    if (i != fich && s->utilise && s->chaine == fich) {
      s->chaine = f->chaine;
      s->modifie = 1;
    }
  }
  std::memset(f, 0, sizeof *f);
}

int16_t TempDupliqueFile(int16_t fich) {
  int16_t source = Proprietaire(fich);
  if (!source) return 0;
  int32_t longueur = TempGetFileLength(source);
  uint32_t positionAvant = Slot(source)->position;
  int16_t copie = TempCreate("DupFile", longueur);
  if (copie == 0 || longueur < 1) return copie;
  int64_t t = int64_t(Transfert()) * 5;
  int32_t taille = int32_t(longueur < t ? longueur : t);
  Ptr tampon = NewPtr(taille);
  if (!tampon) {
    TempDispose(copie);
    return 0;
  }
  int16_t resultat = copie;
  TempSeek(source, 0);
  for (;;) {
    int32_t lus = TempRead(tampon, 1, taille, source);
    if (lus > 0 && TempWrite(tampon, 1, lus, copie) != lus) {
      Collapse("DupliqueFichierTemporaire: write error");
      resultat = 0;
      break;
    }
    if (lus < taille) break;
  }
  DisposePtr(tampon);
  TempSeek(source, positionAvant);
  TempSeek(copie, positionAvant);
  if (resultat == 0) TempDispose(copie);
  return resultat;
}

int16_t DupliqueFichierTemporaire(int16_t fich, int16_t /*partage*/, int16_t ferme) {
  if (fich == 0) return 0;
  // A full copy always serves; no caller asks for a shared slot.
  int16_t copie = TempDupliqueFile(fich);
  if (copie == 0) return 0;
  int16_t p = Proprietaire(fich);
  FichTemp* c = Slot(copie);
  if (ferme) {
    UnivClose(c);
    c->ouvert = 0;
  }
  if (FichTemp* o = SlotUtilise(p)) {
    o->modifie = 0;
    c->chaine = o->chaine;
    o->chaine = copie;
  }
  return copie;
}

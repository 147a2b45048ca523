#include "system/QrvFiles.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/Memory.h"
#include "system/Dossiers.h"
#include "system/LZW.h"
#include "system/Reporters.h"

IoCustom ioCustom = {};
ReadCarProc ReadCar = ReadCarFile;
WriteCarProc WriteCar = WriteCarFile;

namespace {

constexpr uint32_t kCroissanceHandle = 32768;
// Longest string one LZW code can stand for (the dictionary holds 3840 entries).
constexpr int64_t kMaxChaineLZW = 3841;

void SelectionneES() {
  if (ioCustom.memoire) {
    ReadCar = ReadCarPtr;
    WriteCar = ioCustom.extensible ? WriteCarHandle : WriteCarPtr;
  } else if (ioCustom.lzw) {
    ReadCar = ReadCarLZW;
    WriteCar = WriteCarLZW;
  } else {
    ReadCar = ReadCarFile;
    WriteCar = WriteCarFile;
  }
}

void TermineLZW() {
  if (!ioCustom.fichier) return;
  if (ioCustom.ecriture) EndCodeLZW(ioCustom.fichier);
  else EndDecodeLZW(ioCustom.fichier);
}

bool AgranditHandle(uint64_t capacite) {
  if (capacite > uint64_t(kMaxBlockSize)) return false;
  SetHandleSize(ioCustom.cible, Size(capacite));
  if (MemError() != noErr) return false;
  ioCustom.capaHandle = uint32_t(capacite);
  return true;
}

void FixePtr(uint8_t* p, uint32_t taille, bool ecriture) {
  ioCustom.memoire = 1;
  ioCustom.extensible = 0;
  ioCustom.ptrEcriture = ecriture ? 1 : 0;
  ioCustom.origine = p;
  ioCustom.curseur = p;
  ioCustom.nbLus = 0;
  ioCustom.tailleBloc = p ? taille : 0;
  ioCustom.finFichier = 0;
  SelectionneES();
}

}  // namespace

// ---- Back-ends ---------------------------------------------------------------

int16_t ReadCarFile() {
  int c = ioCustom.fichier ? getc_unlocked(ioCustom.fichier) : EOF;
  if (c == EOF) {
    ioCustom.finFichier = 1;
    return -1;
  }
  return int16_t(c);
}

int16_t WriteCarFile(uint8_t c) {
  if (!ioCustom.fichier || putc_unlocked(c, ioCustom.fichier) == EOF) {
    ioCustom.erreurEcriture = 1;
    return 0;
  }
  return 1;
}

int16_t ReadCarLZW() {
  int16_t c = ioCustom.fichier ? GetcLZW(ioCustom.fichier) : int16_t(-1);
  if (c < 0) ioCustom.finFichier = 1;
  return c;
}

int16_t WriteCarLZW(uint8_t c) {
  if (!ioCustom.fichier || PutcLZW(c, ioCustom.fichier)) {
    ioCustom.erreurEcriture = 1;
    return 0;
  }
  return 1;
}

int16_t WriteCarHandle(uint8_t c) {
  if (!ioCustom.cible) return 0;
  if (ioCustom.posHandle >= ioCustom.capaHandle && !AgranditHandle(uint64_t(ioCustom.posHandle) + kCroissanceHandle))
    return 0;
  (*ioCustom.cible)[ioCustom.posHandle++] = char(c);
  return 1;
}

int16_t ReadCarPtr() {
  if (ioCustom.nbLus >= ioCustom.tailleBloc) {
    ioCustom.finFichier = 1;
    return -1;
  }
  ioCustom.nbLus++;
  return *ioCustom.curseur++;
}

int16_t WriteCarPtr(uint8_t c) {
  if (!ioCustom.ptrEcriture || ioCustom.nbLus >= ioCustom.tailleBloc) return 0;
  ioCustom.nbLus++;
  *ioCustom.curseur++ = c;
  return 1;
}

// ---- The stream ----------------------------------------------------------------

int16_t OrvantaOpenFile(const char* path, const char* mode) {
  ioCustom.erreurEcriture = 0;
  ioCustom.memoire = 0;
  ioCustom.ecriture = 0;
  if (mode && (mode[0] == 'w' || mode[0] == 'a' || (mode[0] == 'r' && std::strchr(mode, '+')))) ioCustom.ecriture = 1;
  if (ioCustom.fichier) {
    CloseFile();
    BigBadError("QrvFiles", 4);
  }
  ioCustom.fichier = path && mode ? OuvreFichier(path, mode) : nullptr;
  if (!ioCustom.fichier && mode && mode[0] == 'w')
    Avertissement(0, 0, "Can't open the file '%s' for writing.", path ? path : "");
  if (ioCustom.lzw) {
    // Left on by an earlier stream whose coder or decoder is already released.
    ioCustom.lzw = 0;
  }
  ioCustom.finFichier = 0;
  ioCustom.taille = 0;
  struct stat st;
  if (ioCustom.fichier && fstat(fileno(ioCustom.fichier), &st) == 0) ioCustom.taille = int64_t(st.st_size);
  SelectionneES();
  return ioCustom.fichier ? 1 : 0;
}

void CloseFile() {
  if (!ioCustom.fichier) return;
  if (ioCustom.lzw) {
    TermineLZW();
    ioCustom.lzw = 0;
  }
  std::fclose(ioCustom.fichier);
  ioCustom.fichier = nullptr;
  SelectionneES();
}

FILE* GetCurrentOpenFile() { return ioCustom.fichier; }

int16_t EndOfFile() {
  if (ioCustom.memoire && ioCustom.extensible) return 0;
  return ioCustom.finFichier;
}

void UnGetCar(int16_t c) {
  if (ioCustom.lzw && !ioCustom.memoire) {
    Collapse("UnGetCar");
    return;
  }
  if (c < 0 || c > 255) return;
  if (ioCustom.memoire) {
    if (!ioCustom.extensible && ioCustom.nbLus > 0) {
      ioCustom.nbLus--;
      ioCustom.curseur--;
      ioCustom.finFichier = 0;
    }
    return;
  }
  if (ioCustom.fichier && ungetc(c, ioCustom.fichier) != EOF) ioCustom.finFichier = 0;
}

void SetPos(int32_t position) {
  if (position < 0) position = 0;
  if (!ioCustom.memoire) {
    if (ioCustom.fichier && std::fseek(ioCustom.fichier, position, SEEK_SET) == 0) ioCustom.finFichier = 0;
  } else if (ioCustom.extensible) {
    ioCustom.posHandle = uint32_t(position);
  } else {
    uint32_t p = uint32_t(position) < ioCustom.tailleBloc ? uint32_t(position) : ioCustom.tailleBloc;
    ioCustom.nbLus = p;
    ioCustom.curseur = ioCustom.origine + p;
    ioCustom.finFichier = 0;
  }
}

int32_t GetPosWrite() {
  // In memory, the position SetPos sets: the handle's or the fixed buffer's.
  if (ioCustom.memoire) return int32_t(ioCustom.extensible ? ioCustom.posHandle : ioCustom.nbLus);
  if (ioCustom.lzw) Collapse("GetPosWrite : LZW on");
  if (!ioCustom.fichier) return -1;
  long p = std::ftell(ioCustom.fichier);
  return p > INT32_MAX ? INT32_MAX : int32_t(p);
}

int16_t GetLZWMode() { return ioCustom.lzw; }

int16_t SetLZWMode(int16_t mode) {
  int16_t precedent = ioCustom.lzw;
  if (ioCustom.memoire) return precedent;
  uint8_t nouveau = mode ? 1 : 0;
  if (ioCustom.fichier && nouveau != precedent) {
    if (nouveau) {
      if (ioCustom.ecriture) {
        if (!InitCodeLZW()) ioCustom.erreurEcriture = 1;
      } else {
        InitDecodeLZW(ioCustom.fichier);
      }
    } else {
      TermineLZW();
    }
  }
  ioCustom.lzw = nouveau;
  SelectionneES();
  return precedent;
}

void FixeEcritureSurHandle(Handle h) {
  ioCustom.memoire = 1;
  ioCustom.extensible = 1;
  WriteCar = WriteCarHandle;
  ioCustom.cible = h;
  ioCustom.posHandle = 0;
  ioCustom.capaHandle = 0;
}

int16_t PrepareEcritureHandle(int32_t n) {
  if (!ioCustom.cible || n < 0) return 0;
  uint64_t fin = uint64_t(ioCustom.posHandle) + uint64_t(n);
  if (fin < ioCustom.capaHandle) return 1;
  return AgranditHandle(fin + kCroissanceHandle) ? 1 : 0;
}

int32_t TermineEcritureSurHandle() {
  ioCustom.memoire = 0;
  ioCustom.extensible = 0;
  int32_t ecrits = int32_t(ioCustom.posHandle);
  if (ioCustom.cible) {
    SetHandleSize(ioCustom.cible, Size(ioCustom.posHandle));
    ioCustom.cible = nullptr;
  }
  ioCustom.posHandle = 0;
  ioCustom.capaHandle = 0;
  // Back to the file: a byte written now can't land in a forgotten handle.
  SelectionneES();
  return ecrits;
}

void FixeLectureSurPtr(const void* p, uint32_t taille) {
  // The buffer is only read: WriteCarPtr refuses every byte.
  FixePtr(static_cast<uint8_t*>(const_cast<void*>(p)), taille, false);
}

void FixeEcritureSurPtr(void* p, uint32_t taille) { FixePtr(static_cast<uint8_t*>(p), taille, true); }

uint32_t TermineSurPtr() {
  uint32_t n = ioCustom.nbLus;
  ioCustom.memoire = 0;
  ioCustom.ptrEcriture = 0;
  ioCustom.origine = ioCustom.curseur = nullptr;
  ioCustom.nbLus = ioCustom.tailleBloc = 0;
  SelectionneES();
  return n;
}

int64_t GetStreamSize() {
  if (ioCustom.memoire) return ioCustom.extensible ? int64_t(ioCustom.posHandle) : int64_t(ioCustom.tailleBloc);
  return ioCustom.fichier ? ioCustom.taille : 0;
}

int64_t GetStreamRemaining() {
  if (ioCustom.memoire) return ioCustom.extensible ? 0 : int64_t(ioCustom.tailleBloc - ioCustom.nbLus);
  if (!ioCustom.fichier) return 0;
  long p = std::ftell(ioCustom.fichier);
  int64_t reste = p < 0 ? 0 : ioCustom.taille - int64_t(p);
  if (reste < 0) reste = 0;
  if (!ioCustom.lzw) return reste;
  // A coded stretch gives at most one string per 9 bits left, plus what the
  // decoder already holds.
  if (IsFinDecodeLZW()) return 0;
  return GetAttenteDecodeLZW() + ((reste + 1) * 8 / 9 + 1) * kMaxChaineLZW;
}

int32_t ReadCarBlock(void* dst, int32_t n) {
  if (!dst || n <= 0) return 0;
  uint8_t* d = static_cast<uint8_t*>(dst);
  if (ReadCar == ReadCarPtr) {
    uint32_t reste = ioCustom.tailleBloc - ioCustom.nbLus;
    uint32_t k = uint32_t(n) < reste ? uint32_t(n) : reste;
    if (k) std::memcpy(d, ioCustom.curseur, k);
    ioCustom.curseur += k;
    ioCustom.nbLus += k;
    if (k < uint32_t(n)) ioCustom.finFichier = 1;
    return int32_t(k);
  }
  if (ReadCar == ReadCarFile) {
    size_t k = ioCustom.fichier ? std::fread(d, 1, size_t(n), ioCustom.fichier) : 0;
    if (k < size_t(n)) ioCustom.finFichier = 1;
    return int32_t(k);
  }
  int32_t k = 0;
  while (k < n) {
    int16_t c = ReadCar();
    if (c < 0) break;
    d[k++] = uint8_t(c);
  }
  return k;
}

// ---- Whole files and stdio helpers -----------------------------------------------

Handle ReadDataFileDansHandle(const char* path) {
  FILE* f = OuvreFichier(path, "rb");
  if (!f) return nullptr;
  long longueur = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) longueur = std::ftell(f);
  if (longueur < 0 || longueur > long(kMaxBlockSize) || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return nullptr;
  }
  Handle h = NewHandle(Size(longueur));
  if (!h) {
    std::fclose(f);
    return nullptr;
  }
  if (longueur > 0 && std::fread(*h, 1, size_t(longueur), f) != size_t(longueur)) {
    Collapse("Read error on '%s'", path);
    DisposeHandle(h);
    h = nullptr;
  }
  std::fclose(f);
  return h;
}

int32_t freadlong(int32_t* value, FILE* f) {
  uint8_t b[4];
  if (!f || std::fread(b, 4, 1, f) != 1) return 0;
  if (value) *value = int32_t((uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3]);
  return 1;
}

int32_t freadblock(void* buffer, int32_t n, FILE* f) {
  if (!f || !buffer || n <= 0) return 0;
  return int32_t(std::fread(buffer, 1, size_t(n), f));
}

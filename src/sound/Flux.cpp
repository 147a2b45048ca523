#include "sound/Flux.h"

#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"
#include "system/TempFiles.h"

Handle tabFlux = nullptr;
int16_t nbFlux = 0;
int16_t nbEntranceFlux = 0;
int16_t nbEntranceDigit = 0;

namespace {

constexpr int16_t kMaxFlux = 32000;

Flux* Slot(int32_t id) {
  if (!tabFlux || id < 1 || id >= nbFlux) return nullptr;
  Flux* f = reinterpret_cast<Flux*>(*tabFlux) + id;
  return f->utilise ? f : nullptr;
}

int32_t OctetsParSample(const Flux* f) { return f->bits / 8; }

// Bytes of n samples, or -1 beyond what a stream may hold.
int64_t Octets(const Flux* f, uint64_t n) {
  const uint64_t o = n * uint64_t(OctetsParSample(f));
  return o > uint64_t(kMaxOctetsFlux) ? -1 : int64_t(o);
}

uint32_t Avance(uint32_t position, int32_t n) {
  const uint64_t p = uint64_t(position) + uint64_t(n > 0 ? n : 0);
  return uint32_t(std::min<uint64_t>(p, UINT32_MAX));
}

uint8_t Silence(const Flux* f) { return f->bits == 8 ? 128 : 0; }

void LibereStockage(Flux* f) {
  if (f->enMemoire) {
    if (f->handle) TempMemDisposeHandle(f->handle);
  } else if (f->fichier) {
    TempDispose(f->fichier);
  }
  f->handle = nullptr;
  f->fichier = 0;
}

// The file of a file-backed stream, placed at a sample position.
bool PlaceFichier(const Flux* f, uint32_t position) {
  const int64_t o = Octets(f, position);
  return o >= 0 && f->fichier && TempSeek(f->fichier, uint32_t(o)) == 0;
}

// Writes n samples at the position, the length already holding them.
int32_t EcritALaPosition(int32_t id, const void* data, int32_t n) {
  Flux* f = Slot(id);
  const int64_t debut = Octets(f, f->position), taille = Octets(f, uint64_t(n));
  if (f->enMemoire) {
    if (!f->handle || debut < 0 || taille < 0 || debut + taille > GetHandleSize(f->handle)) return 0;
    std::memcpy(*f->handle + debut, data, size_t(taille));
    return n;
  }
  if (!PlaceFichier(f, f->position) || TempWrite(data, OctetsParSample(f), n, f->fichier) != n) return -1;
  return n;
}

// Room for the samples from the position on; false when the length cannot grow.
bool PrepareEcriture(int32_t id, int32_t n) {
  Flux* f = Slot(id);
  const uint64_t fin = uint64_t(f->position) + uint64_t(n);
  if (fin <= f->longueur) return true;
  return fin <= UINT32_MAX && SetLengthFlux(id, uint32_t(fin));
}

}  // namespace

int32_t Cvt200eEnNbSamplesDigitPortee(double x) { return int32_t(x * 0.004988662131519274 + 0.5); }

int32_t CreateFlux(const char* name, uint32_t capacity, int16_t mode, uint32_t rate, int16_t bits) {
  // Streams hold whole bytes per sample, 1 to 4 of them.
  if (bits < 8 || bits > 32) return 0;
  int32_t id = 0;
  for (int32_t i = 1; i < nbFlux && !id; i++)
    if (!reinterpret_cast<Flux*>(*tabFlux)[i].utilise) id = i;
  if (!id) {
    const int16_t n = int16_t(nbFlux == 0 ? 2 : nbFlux + 1);  // slot 0 stays unused
    if (n > kMaxFlux) return 0;
    if (!tabFlux) tabFlux = NewHandleClear(0);
    if (!tabFlux || !RetailleHandle(tabFlux, Size(n) * Size(sizeof(Flux)))) return 0;
    id = n - 1;
    nbFlux = n;
  }
  Flux* f = reinterpret_cast<Flux*>(*tabFlux) + id;
  std::memset(f, 0, sizeof *f);
  f->utilise = 1;
  f->frequence = rate;
  f->bits = bits;
  const int64_t octets = Octets(f, capacity);
  if (octets < 0) {
    f->utilise = 0;
    return 0;
  }
  if (mode == kFluxMemoire) {
    const int64_t libre = int64_t(TempMemAvail()) - 10 * int64_t(GetTailleBufferTransfert());
    if (octets < libre) {
      if (Handle h = TempMemNewHandle(Size(octets))) {
        std::memset(*h, Silence(f), size_t(octets));
        f->handle = h;
        f->enMemoire = 1;
        f->longueur = capacity;
        return id;
      }
    }
  } else if (mode != kFluxFichier) {
    return id;
  }
  f->fichier = TempCreate(name ? name : "", int32_t(octets));
  if (!f->fichier) {
    f->utilise = 0;
    return 0;
  }
  return id;
}

int16_t OpenFlux(int32_t id) {
  Flux* f = Slot(id);
  if (!f) return 0;
  return f->enMemoire ? 1 : TempOpenFile(f->fichier);
}

int16_t DisposeFlux(int32_t id) {
  if (Flux* f = Slot(id)) {
    LibereStockage(f);
    std::memset(f, 0, sizeof *f);
  }
  return 1;
}

int16_t SeekFlux(int32_t id, uint32_t position) {
  Flux* f = Slot(id);
  if (!f || f->position == position) return 0;
  if (!f->enMemoire && f->fichier) {
    const int64_t o = Octets(f, position);
    const int16_t err = o < 0 ? -1 : TempSeek(f->fichier, uint32_t(o));
    if (err) return err;
  }
  f->position = position;
  return 0;
}

uint32_t TellFlux(int32_t id) {
  const Flux* f = Slot(id);
  return f ? f->position : 0;
}
int16_t TailleSampleFlux(int32_t id) {
  const Flux* f = Slot(id);
  return f ? int16_t(OctetsParSample(f)) : 0;
}
uint32_t GetRateFlux(int32_t id) {
  const Flux* f = Slot(id);
  return f ? f->frequence : 0;
}
int16_t GetBitsFlux(int32_t id) {
  const Flux* f = Slot(id);
  return f ? f->bits : 0;
}
uint32_t GetLengthFlux(int32_t id) {
  const Flux* f = Slot(id);
  return f ? f->longueur : 0;
}

int32_t ReadFluxNatif(void* buffer, int32_t count, int32_t id) {
  Flux* f = Slot(id);
  if (!f || !buffer || count <= 0) return 0;
  const int32_t taille = OctetsParSample(f);
  // Only what lies before the length is read; the rest is silence.
  const int32_t n =
      f->position >= f->longueur ? 0 : int32_t(std::min<uint64_t>(uint64_t(count), f->longueur - f->position));
  if (n < count) std::memset(static_cast<uint8_t*>(buffer) + int64_t(n) * taille, 0, size_t(count - n) * taille);
  if (n > 0) {
    const int64_t debut = Octets(f, f->position);
    if (f->enMemoire) {
      const int64_t disponibles = f->handle ? (GetHandleSize(f->handle) - debut) / taille : 0;
      const int64_t lus = std::max<int64_t>(0, std::min<int64_t>(n, disponibles));
      if (lus > 0) std::memcpy(buffer, *f->handle + debut, size_t(lus * taille));
      if (lus < n) std::memset(static_cast<uint8_t*>(buffer) + lus * taille, 0, size_t(n - lus) * taille);
    } else {
      const int32_t lus = PlaceFichier(f, f->position) ? TempRead(buffer, taille, n, f->fichier) : 0;
      if (lus < n) {
        // Samples the length holds but nothing wrote yet.
        std::memset(static_cast<uint8_t*>(buffer) + int64_t(std::max(lus, 0)) * taille, 0,
                    size_t(n - std::max(lus, 0)) * taille);
        Collapse("ReadFlux:read error");
      }
    }
  }
  f->position = Avance(f->position, count);
  return count;
}

int32_t ReadFlux32b(int32_t* buffer, int32_t count, int32_t id) {
  const int16_t bits = GetBitsFlux(id);
  if (!buffer || count <= 0 || !bits) return 0;
  ReadFluxNatif(buffer, count, id);
  if (bits < 32) {
    const int32_t taille = bits / 8;
    const uint8_t* octets = reinterpret_cast<const uint8_t*>(buffer);
    // From the last sample to the first: a widened sample never overwrites one not read yet.
    for (int32_t i = count - 1; i >= 0; i--) {
      uint8_t s[4];
      std::memcpy(s, octets + int64_t(i) * taille, size_t(taille));
      buffer[i] = SampleNatifTo32b(s, bits, -1);
    }
  }
  return count;
}

int32_t WriteFluxNatif(const void* data, int32_t count, int32_t id) {
  Flux* f = Slot(id);
  if (!f || !data || count <= 0) return 0;
  if (!PrepareEcriture(id, count)) {
    Collapse("WriteFluxNatif:write error");
    return 0;
  }
  const int32_t ecrits = EcritALaPosition(id, data, count);
  f = Slot(id);
  if (ecrits != count) {
    Collapse("WriteFluxNatif:write error");
    return 0;
  }
  f->position = Avance(f->position, count);
  return count;
}

int32_t WriteFluxPosNatif(int32_t id, uint32_t position, const void* data, int32_t count) {
  Flux* f = Slot(id);
  if (!f) return 0;
  // A position the file cannot reach leaves the data at the old position.
  if (f->position != position) SeekFlux(id, position);
  return WriteFluxNatif(data, count, id);
}

int32_t WriteFlux32b(const int32_t* samples, int32_t count, int32_t id) {
  Flux* f = Slot(id);
  if (!f || !samples || count <= 0) return 0;
  if (f->bits == 32) return WriteFluxNatif(samples, count, id);
  const int16_t bits = int16_t(f->bits & ~7);
  const int32_t taille = bits / 8;
  // Converted in pieces of a block on the stack, each written at once.
  constexpr int32_t kPiece = 1024;
  uint8_t bloc[kPiece * 4];
  int32_t faits = 0;
  while (faits < count) {
    const int32_t n = std::min(kPiece, count - faits);
    for (int32_t i = 0; i < n; i++) Sample32bToNatif(samples[faits + i], bits, bloc + i * taille, -1);
    if (WriteFluxNatif(bloc, n, id) != n) {
      Collapse("WriteFlux32b:write error");
      return faits;
    }
    faits += n;
  }
  return count;
}

int16_t FillFlux(int32_t id, int32_t count) {
  Flux* f = Slot(id);
  if (!f || count <= 0) return f ? 1 : 0;
  if (!PrepareEcriture(id, count)) return 0;
  f = Slot(id);
  const int64_t debut = Octets(f, f->position), taille = Octets(f, uint64_t(count));
  if (f->enMemoire) {
    if (!f->handle || debut < 0 || taille < 0 || debut + taille > GetHandleSize(f->handle)) return 0;
    std::memset(*f->handle + debut, Silence(f), size_t(taille));
  } else if (!PlaceFichier(f, f->position) || !TempFill(f->fichier, Silence(f), int32_t(taille))) {
    return 0;
  }
  f->position = Avance(f->position, count);
  return 1;
}

int16_t SetLengthFlux(int32_t id, uint32_t length) {
  Flux* f = Slot(id);
  if (!f) return 0;
  const int64_t octets = Octets(f, length);
  if (octets < 0) {
    Collapse("SetLengthFlux: %u samples are too many", unsigned(length));
    return 0;
  }
  if (f->position > length) {
    if (f->enMemoire || PlaceFichier(f, length)) f->position = length;
  }
  if (f->enMemoire) {
    if (octets <= kMaxBlockSize && f->handle && TempMemSetHandleSize(f->handle, Size(octets))) {
      if (length > f->longueur) {
        const int64_t avant = Octets(f, f->longueur);
        std::memset(*f->handle + avant, Silence(f), size_t(octets - avant));
      }
      f->longueur = length;
      return 1;
    }
    // Memory is short: the samples go on in a temporary file.
    const int32_t taille = OctetsParSample(f);
    const int64_t avant = std::min<int64_t>(Octets(f, f->longueur), f->handle ? GetHandleSize(f->handle) : 0);
    const int32_t n = int32_t(avant / taille);
    const int16_t fichier = TempCreate("Sos", int32_t(avant));
    if (!fichier) return 0;
    if (n > 0 && TempWrite(*f->handle, taille, n, fichier) != n) {
      TempDispose(fichier);
      return 0;
    }
    LibereStockage(f);
    f->enMemoire = 0;
    f->fichier = fichier;
    PlaceFichier(f, f->position);
  }
  TempSetFileLength(f->fichier, int32_t(octets));
  f->longueur = length;
  return 1;
}

int16_t SetFormatFlux(int32_t id, uint32_t rate, int16_t bits) {
  if (id == 0) return 1;
  Flux* f = Slot(id);
  if (!f) return 0;
  if ((f->frequence == rate && f->bits == bits) || f->longueur == 0) {
    if (bits < 8 || bits > 32) return 0;
    f->frequence = rate;
    f->bits = bits;
    return 1;
  }
  // The conversion reads the stream through: its position is taken first.
  const uint32_t ancienneFrequence = f->frequence, position = f->position;
  const int32_t copie = ConvertFluxFormat(id, rate, bits);
  if (!copie) {
    SeekFlux(id, position);
    return 0;
  }
  f = Slot(id);
  Flux* c = Slot(copie);
  // The stream takes the copy's storage; its own goes with the copy's slot.
  std::swap(f->enMemoire, c->enMemoire);
  std::swap(f->handle, c->handle);
  std::swap(f->fichier, c->fichier);
  std::swap(f->longueur, c->longueur);
  std::swap(f->bits, c->bits);
  DisposeFlux(copie);
  f = Slot(id);
  f->frequence = rate;
  f->bits = bits;
  f->position = 0;
  if (!f->enMemoire) PlaceFichier(f, 0);
  const double p = ancienneFrequence ? std::trunc(double(rate) * double(position) / double(ancienneFrequence)) : 0.0;
  SeekFlux(id, uint32_t(std::min<double>(p, UINT32_MAX)));
  return 1;
}

int32_t ConvertFluxFormat(int32_t id, uint32_t rate, int16_t bits) {
  Flux* f = Slot(id);
  if (!f) return 0;
  if (f->frequence == rate && (f->bits & ~7) == bits) return DupliqueFlux(id, 0, 1);
  const uint32_t ancienneFrequence = f->frequence;
  const int16_t ancienBits = f->bits;
  const int32_t taille = OctetsParSample(f);
  const int32_t capacite = ancienneFrequence ? LMulDiv(int32_t(std::min<uint32_t>(f->longueur, INT32_MAX)),
                                                       int32_t(std::min<uint32_t>(rate, INT32_MAX)),
                                                       int32_t(std::min<uint32_t>(ancienneFrequence, INT32_MAX)))
                                             : 0;
  const int32_t copie = CreateFlux("CvtFluxSR", uint32_t(std::max(capacite, 0)), kFluxMemoire, rate, bits);
  if (!copie) return 0;
  constexpr int32_t kBloc = 4096;
  Ptr bloc = NewPtr(kBloc);
  if (!bloc) {
    DisposeFlux(copie);
    return 0;
  }
  bool ok = true;
  StartFluxCriticalSection();
  DoOuvreDialogueProgression("", int32_t(std::min<uint32_t>(GetLengthFlux(id), INT32_MAX)));
  SeekFlux(id, 0);
  SeekFlux(copie, 0);
  const int32_t parPiece = kBloc / taille;
  for (uint32_t fait = 0; ok && fait < GetLengthFlux(id);) {
    const int32_t n = int32_t(std::min<uint64_t>(parPiece, GetLengthFlux(id) - fait));
    ReadFluxNatif(bloc, n, id);
    if (!ChangeSampleFormatSurFlux(bloc, n, ancienneFrequence, ancienBits, 1, copie)) ok = false;
    fait += uint32_t(n);
    if (DoIdleDialogueProgression(int32_t(std::min<uint32_t>(fait, INT32_MAX)))) ok = false;
  }
  DoFermeDialogueProgression();
  EndFluxCriticalSection();
  DisposePtr(bloc);
  if (!ok) {
    DisposeFlux(copie);
    return 0;
  }
  // The copy ends where its converted samples end.
  SetLengthFlux(copie, TellFlux(copie));
  SeekFlux(copie, 0);
  return copie;
}

int32_t DupliqueFlux(int32_t id, int16_t copyFlagA, int16_t copyFlagB) {
  const Flux* f = Slot(id);
  if (!f) return 0;
  StartDblBuffCriticalSection();
  const int32_t copie = CreateFlux("FlxDpl", f->longueur, kFluxMemoire, f->frequence, f->bits);
  if (copie) {
    StartFluxCriticalSection();
    Flux* s = Slot(id);
    Flux* c = Slot(copie);
    const uint32_t longueur = s->longueur;
    bool ok = true;
    if (s->enMemoire) {
      const int32_t n =
          int32_t(std::min<int64_t>(longueur, s->handle ? GetHandleSize(s->handle) / TailleSampleFlux(id) : 0));
      ok = n == 0 || WriteFluxPosNatif(copie, 0, *s->handle, n) == n;
    } else if (c->enMemoire) {
      const int32_t taille = OctetsParSample(s);
      const int32_t n = int32_t(std::min<int64_t>(longueur, c->handle ? GetHandleSize(c->handle) / taille : 0));
      if (n > 0 && (!PlaceFichier(s, 0) || TempRead(*c->handle, taille, n, s->fichier) != n)) ok = false;
      PlaceFichier(s, s->position);
    } else {
      const int16_t fichier = DupliqueFichierTemporaire(s->fichier, copyFlagA, copyFlagB);
      if (!fichier) {
        ok = false;
      } else {
        TempDispose(c->fichier);
        c->fichier = fichier;
        c->longueur = longueur;
      }
    }
    if (ok) {
      // The copy stands where its source stands.
      c = Slot(copie);
      c->position = Slot(id)->position;
      if (!c->enMemoire) PlaceFichier(c, c->position);
    }
    EndFluxCriticalSection();
    if (!ok) DisposeFlux(copie);
    EndDblBuffCriticalSection();
    return ok ? copie : 0;
  }
  EndDblBuffCriticalSection();
  return 0;
}

int32_t SampleNatifTo32b(const uint8_t* b, int16_t bits, int16_t order) {
  switch (bits & ~7) {
    case 8: return int32_t(uint32_t(b[0] ^ 0x80) << 24);
    case 16: {
      if (order < 0) {
        int16_t mot;
        std::memcpy(&mot, b, 2);
        return int32_t(uint32_t(uint16_t(mot)) << 16);
      }
      const uint32_t bas = order == 0 ? b[0] : b[1], haut = order == 0 ? b[1] : b[0];
      return int32_t((haut << 24) | (bas << 16));
    }
    // Byte 0 goes to the lowest bits, as the system always did.
    case 24: return int32_t((uint32_t(b[2]) << 24) | (uint32_t(b[1]) << 16) | uint32_t(b[0]));
    case 32: {
      int32_t v;
      std::memcpy(&v, b, 4);
      return v;
    }
    default: return 0;
  }
}

void Sample32bToNatif(int32_t value, int16_t bits, uint8_t* b, int16_t order) {
  const uint32_t v = uint32_t(value);
  switch (bits & ~7) {
    case 8: b[0] = uint8_t((value >> 24) + 128); break;
    case 16:
      if (order < 0) {
        const uint16_t mot = uint16_t(v >> 16);
        std::memcpy(b, &mot, 2);
      } else if (order == 0) {
        b[0] = uint8_t(v >> 16);
        b[1] = uint8_t(v >> 24);
      } else {
        b[0] = uint8_t(v >> 24);
        b[1] = uint8_t(v >> 16);
      }
      break;
    case 24:
      b[0] = uint8_t(v);
      b[1] = uint8_t(v >> 16);
      b[2] = uint8_t(v >> 24);
      break;
    case 32: std::memcpy(b, &value, 4); break;
    default: break;
  }
}

Ptr ChangeSampleFormatSurBuffer(const void* samples, int32_t count, uint32_t rate, int16_t bits, int16_t isSigned,
                                uint32_t newRate, int16_t newBits, int32_t* newCount) {
  if (newCount) *newCount = 0;
  const int32_t a = Cvt200eEnNbSamplesDigitPortee(double(rate)), b = Cvt200eEnNbSamplesDigitPortee(double(newRate));
  const int32_t taille = (bits & ~7) / 8, nouvelleTaille = (newBits & ~7) / 8;
  // Rates below 100 Hz reduce to 0 steps: there is nothing to step through.
  if (!samples || count <= 0 || a <= 0 || b <= 0 || taille < 1 || taille > 4 || nouvelleTaille < 1 ||
      nouvelleTaille > 4)
    return nullptr;
  const float n = std::trunc(float(count) * float(b) / float(a));
  if (!(n >= 1.0f) || double(n) * nouvelleTaille > double(kMaxBlockSize)) return nullptr;
  const int32_t sortie = int32_t(n);
  Ptr bloc = NewPtr(Size(int64_t(sortie) * nouvelleTaille));
  if (!bloc) return nullptr;
  const auto* source = static_cast<const uint8_t*>(samples);
  const auto lit = [&](int64_t i) { return SampleNatifTo32b(source + i * taille, bits, -1); };
  for (int32_t j = 0; j < sortie; j++) {
    // x = j a / b, kept exact as a whole part and a remainder.
    const int64_t produit = int64_t(j) * a;
    const int64_t i = std::min<int64_t>(produit / b, count - 1);
    const int64_t reste = produit - i * b;
    int32_t v = lit(i);
    if (i < count - 1 && reste != 0) {
      const double f = double(reste) / double(b);
      const double x = double(lit(i + 1)) * f + double(v) * (1.0 - f);
      v = int32_t(std::clamp(std::trunc(x), double(INT32_MIN), double(INT32_MAX)));
    }
    if (!isSigned) v = int32_t(uint32_t(v) ^ 0x80000000u);
    Sample32bToNatif(v, int16_t(nouvelleTaille * 8), reinterpret_cast<uint8_t*>(bloc) + int64_t(j) * nouvelleTaille,
                     -1);
  }
  if (newCount) *newCount = sortie;
  return bloc;
}

int16_t ChangeSampleFormatSurFlux(const void* samples, int32_t count, uint32_t rate, int16_t bits, int16_t isSigned,
                                  int32_t id) {
  int32_t n = 0;
  Ptr bloc = ChangeSampleFormatSurBuffer(samples, count, rate, bits, isSigned, GetRateFlux(id), GetBitsFlux(id), &n);
  if (!bloc) return 0;
  const int32_t ecrits = WriteFluxNatif(bloc, n, id);
  DisposePtr(bloc);
  return ecrits == n ? 1 : 0;
}

// ---- Locks ---------------------------------------------------------------------

namespace {

struct Verrou {
  pthread_mutex_t mutex;
  bool initialise;
};

Verrou gVerrouFlux = {PTHREAD_MUTEX_INITIALIZER, false};
Verrou gVerrouDigit = {PTHREAD_MUTEX_INITIALIZER, false};

void Initialise(Verrou& v, void (*destructeur)()) {
  if (v.initialise) return;
  pthread_mutexattr_t attributs;
  pthread_mutexattr_init(&attributs);
#ifndef NDEBUG
  // Debug builds catch a lock taken twice or released by another holder.
  pthread_mutexattr_settype(&attributs, PTHREAD_MUTEX_ERRORCHECK);
#endif
  pthread_mutex_init(&v.mutex, &attributs);
  pthread_mutexattr_destroy(&attributs);
  v.initialise = true;
  std::atexit(destructeur);
}

void Detruit(Verrou& v) {
  if (!v.initialise) return;
  pthread_mutex_destroy(&v.mutex);
  v.initialise = false;
}

void DetruitVerrouFlux() { Detruit(gVerrouFlux); }
void DetruitVerrouDigit() { Detruit(gVerrouDigit); }

void Prend(Verrou& v, const char* nom) {
  if (pthread_mutex_lock(&v.mutex) != 0) Collapse("%s: lock refused", nom);
}
void Rend(Verrou& v, const char* nom) {
  if (pthread_mutex_unlock(&v.mutex) != 0) Collapse("%s: unlock refused", nom);
}

}  // namespace

void StartFluxCriticalSection() {
  Initialise(gVerrouFlux, DetruitVerrouFlux);
  if (nbEntranceFlux < 2) nbEntranceFlux++;
  Prend(gVerrouFlux, "StartFluxCriticalSection");
}

void EndFluxCriticalSection() {
  if (nbEntranceFlux > 0) nbEntranceFlux--;
  if (gVerrouFlux.initialise) Rend(gVerrouFlux, "EndFluxCriticalSection");
}

void StartDblBuffCriticalSection() {
  Initialise(gVerrouDigit, DetruitVerrouDigit);
#ifndef NDEBUG
  // The stated order: never the double buffer while holding the streams.
  if (nbEntranceFlux > 0) Collapse("StartDblBuffCriticalSection: taken inside the sample-stream lock");
#endif
  if (nbEntranceDigit < 2) nbEntranceDigit++;
  Prend(gVerrouDigit, "StartDblBuffCriticalSection");
}

void EndDblBuffCriticalSection() {
  if (nbEntranceDigit > 0) nbEntranceDigit--;
  if (gVerrouDigit.initialise) Rend(gVerrouDigit, "EndDblBuffCriticalSection");
}

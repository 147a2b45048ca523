#include "sound/FiltresVelocite.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Memory.h"
#include "sound/SCvtdgit.h"
#include "system/Dossiers.h"
#include "system/Handles.h"
#include "system/TempFiles.h"

FiltreBiquad filtre1 = {};
FiltreBiquad filtre2 = {};
double multFiltre1 = 0;
double multFiltre2 = 0;
uint32_t semenceFichierModifieUser = 0;

namespace {

constexpr char kMarqueCache[4] = {'0', '0', '1', 'C'};
// Cache ids of this process; a name someone else holds is passed over.
uint32_t gProchainIdCache = 1;
constexpr int kEssaisNomCache = 1000;

void PrepareFiltre(FiltreBiquad* f, double* mult, int16_t kind, int32_t resonance, int32_t mix, int32_t cutoff,
                   double scale, double rate) {
  *mult = std::min<int32_t>(std::max<int32_t>(mix, 0), 100) * 0.01;
  double coupure = cutoff * scale;
  if (coupure > rate / 2) {
    coupure = rate / 2;
    *mult = 0;
  } else if (coupure <= 0) {
    coupure = 50;
  }
  const double amortissement = 1.3 - resonance * 0.013;
  *f = FiltreBiquad{};
  CalculeParamsFiltre(kind, &f->a1, &f->a2, &f->b1, &f->b2, coupure, amortissement, rate);
}

// One biquad step; values too small to matter are flushed so that silence
// does not crawl through denormals.
double Pas(FiltreBiquad* f, double x) {
  double y = f->a1 * (x + f->x2) + f->a2 * f->x1 - f->b1 * f->y1 - f->b2 * f->y2;
  if (std::fabs(y) < 1e-10) y = 0;
  f->x2 = f->x1;
  f->x1 = x;
  f->y2 = f->y1;
  f->y1 = y;
  return y;
}

uint32_t Semence() {
  if (semenceFichierModifieUser == 0) {
    const auto t = std::chrono::steady_clock::now().time_since_epoch();
    semenceFichierModifieUser = uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(t).count() * 60 / 1000);
    if (semenceFichierModifieUser == 0) semenceFichierModifieUser = 1;
  }
  return semenceFichierModifieUser;
}

bool DossierTemporaire() {
  if (PathTmp.dir != 0 && NomPathTmp[0]) return true;
  PushPath();
  const int16_t ok = InitPathTmp();
  PopPath();
  return ok != 0;
}

// Samples of a converted (16-bit, host order) sound and their count.
const int16_t* Echantillons(Handle h, int32_t* n) {
  *n = 0;
  if (!h || GetHandleSize(h) < kSurplusDigit) return nullptr;
  const EnteteDigit e = GetEnteteDigit(h);
  *n = int32_t(std::min<int64_t>(e.count, (GetHandleSize(h) - kSurplusDigit) / 2));
  return reinterpret_cast<const int16_t*>(*h + kTailleEnteteDigit);
}

// A copy of a converted sound's header and spare sample around `bytes` of samples.
Handle CopieAvecEntete(Handle modele, int32_t bytes) {
  Handle h = NewHandleClear(Size(bytes) + kSurplusDigit);
  if (h) std::memcpy(*h, *modele, kTailleEnteteDigit);
  return h;
}

void LibereCopies(Instrument* r) {
  for (int v : {kSonsVelociteDouce, kSonsVelociteForte})
    for (Handle& h : r->sampleHandles[v]) LibereHandle(&h);
}

// The copies read back from the cache file; false when it is not whole.
bool RelitCache(Instrument* r, const char* chemin) {
  FILE* f = std::fopen(chemin, "rb");
  if (!f) return false;
  char marque[4];
  bool ok = std::fread(marque, 1, 4, f) == 4 && std::memcmp(marque, kMarqueCache, 4) == 0;
  for (int i = 0; ok && i < kNbSonsInstrument; i++) {
    Handle source = r->sampleHandles[kSonsConvertis][i];
    if (!source) continue;
    int32_t n = 0;
    Echantillons(source, &n);
    for (int v : {kSonsVelociteDouce, kSonsVelociteForte}) {
      uint32_t octets = 0;
      if (std::fread(&octets, sizeof octets, 1, f) != 1 || octets != uint32_t(n) * 2) {
        ok = false;
        break;
      }
      Handle h = CopieAvecEntete(source, int32_t(octets));
      if (!h || std::fread(*h + kTailleEnteteDigit, 1, octets, f) != octets) {
        LibereHandle(&h);
        ok = false;
        break;
      }
      LibereHandle(&r->sampleHandles[v][i]);
      r->sampleHandles[v][i] = h;
    }
  }
  std::fclose(f);
  if (!ok) LibereCopies(r);
  return ok;
}

// A new cache file of this process for the instrument; its stream, or null.
FILE* CreeFichierCache(Instrument* r, char* chemin, size_t taille) {
  for (int essai = 0; essai < kEssaisNomCache; essai++) {
    r->jeu.etat.idCacheVelocite = gProchainIdCache++;
    NomFichierCacheVelocite(r, chemin, taille);
    const int fd = open(chemin, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      FILE* f = fdopen(fd, "wb");
      if (!f) {
        close(fd);
        std::remove(chemin);
        return nullptr;
      }
      r->jeu.etat.fichierCacheCree = 1;
      return f;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

}  // namespace

void CalculeParamsFiltre(int16_t kind, double* a1, double* a2, double* b1, double* b2, double cutoff, double damping,
                         double rate) {
  const double K = std::tan(cutoff * 3.1416927 / rate);
  if (kind) {
    const double c = 1.0 / (damping * K + 1.0 + K * K);
    *a1 = c;
    *a2 = -2.0 * c;
    *b1 = 2.0 * *a1 * (K * K - 1.0);
    *b2 = *a1 * (1.0 - damping * K + K * K);
  } else {
    const double C = 1.0 / K;
    const double c = 1.0 / (damping * C + 1.0 + C * C);
    *a1 = c;
    *a2 = 2.0 * c;
    *b1 = 2.0 * *a1 * (1.0 - C * C);
    *b2 = *a1 * (1.0 - damping * C + C * C);
  }
}

void InitFiltresVelocite(int16_t kind1, int16_t kind2, int32_t resonance1, int32_t mix1, int32_t cutoff2,
                         int32_t resonance2, int32_t mix2, double scale, double rate, int32_t cutoff1) {
  PrepareFiltre(&filtre1, &multFiltre1, kind1, resonance1, mix1, cutoff1, scale, rate);
  PrepareFiltre(&filtre2, &multFiltre2, kind2, resonance2, mix2, cutoff2, scale, rate);
}

bool FiltreVelocite(const int16_t* samples, int32_t count, int16_t* destination) {
  if (count <= 0) return true;
  if (!samples || !destination) return false;
  std::vector<double> r;
  try {
    r.resize(size_t(count));
  } catch (...) {
    return false;
  }
  int32_t sMin = samples[0], sMax = samples[0];
  for (int32_t i = 1; i < count; i++) {
    sMin = std::min<int32_t>(sMin, samples[i]);
    sMax = std::max<int32_t>(sMax, samples[i]);
  }
  double rMin = 0, rMax = 0;
  for (int32_t i = 0; i < count; i++) {
    const double x = samples[i] / 32768.0;
    const double y1 = Pas(&filtre1, x);
    double v = x * (1.0 - multFiltre1) + multFiltre1 * y1;
    if (multFiltre2 != 0) {
      const double y2 = Pas(&filtre2, v);
      // The second filter's share is the square of its mix.
      v = v * (1.0 - multFiltre2) + multFiltre2 * multFiltre2 * y2;
    }
    r[size_t(i)] = v;
    rMin = i == 0 ? v : std::min(rMin, v);
    rMax = i == 0 ? v : std::max(rMax, v);
  }
  const double etendue = rMax - rMin;
  if (etendue == 0) {
    std::memset(destination, 0, size_t(count) * sizeof *destination);
    return true;
  }
  const double facteur = double(sMax - sMin) / etendue;
  for (int32_t i = 0; i < count; i++)
    destination[i] = int16_t(std::clamp<double>(std::round(r[size_t(i)] * facteur), -32768.0, 32767.0));
  return true;
}

void NomFichierCacheVelocite(const Instrument* r, char* path, size_t size) {
  if (!path || size == 0) return;
  std::snprintf(path, size, "%s%s-%08lx-%08lx.tmp", NomPathTmp, "Play", static_cast<unsigned long>(Semence()),
                static_cast<unsigned long>(r ? r->jeu.etat.idCacheVelocite : 0));
}

bool CalculeVelociteSampleCacheInstrument(Instrument* r, int16_t) {
  if (!r || !DossierTemporaire()) return false;
  char chemin[kTailleNomFichier];
  EtatJeuInstrument& etat = r->jeu.etat;
  if (etat.fichierCacheCree) {
    NomFichierCacheVelocite(r, chemin, sizeof chemin);
    if (RelitCache(r, chemin)) {
      etat.cacheVelocite = 1;
      return true;
    }
    // Damaged or gone: it is made again under a new name.
    std::remove(chemin);
    etat.fichierCacheCree = 0;
  }
  etat.cacheVelocite = 0;
  LibereCopies(r);
  for (int i = 0; i < kNbSonsInstrument; i++) {
    Handle source = r->sampleHandles[kSonsConvertis][i];
    if (!source) continue;
    int32_t n = 0;
    Echantillons(source, &n);
    const double rate = SampleRateToFrequency(GetEnteteDigit(source).rate);
    for (int v = 0; v < 2; v++) {
      const FiltreVelociteInstrument* f = r->jeu.filtres[v];
      Handle h = CopieAvecEntete(source, n * 2);
      if (!h) {
        LibereCopies(r);
        return false;
      }
      InitFiltresVelocite(f[0].passeHaut, f[1].passeHaut, f[0].resonance, f[0].mix, f[1].coupure, f[1].resonance,
                          f[1].mix, 1.0, rate > 0 ? rate : 44100.0, f[0].coupure);
      int32_t m = 0;
      const int16_t* s = Echantillons(source, &m);
      if (!FiltreVelocite(s, m, reinterpret_cast<int16_t*>(*h + kTailleEnteteDigit))) {
        DisposeHandle(h);
        LibereCopies(r);
        return false;
      }
      r->sampleHandles[v == 0 ? kSonsVelociteDouce : kSonsVelociteForte][i] = h;
    }
  }
  etat.cacheVelocite = 1;
  // The file only saves work next time: a failure to write it is no failure.
  if (FILE* f = CreeFichierCache(r, chemin, sizeof chemin)) {
    bool ok = std::fwrite(kMarqueCache, 1, 4, f) == 4;
    for (int i = 0; ok && i < kNbSonsInstrument; i++) {
      if (!r->sampleHandles[kSonsConvertis][i]) continue;
      for (int v : {kSonsVelociteDouce, kSonsVelociteForte}) {
        int32_t n = 0;
        const int16_t* s = Echantillons(r->sampleHandles[v][i], &n);
        const uint32_t octets = uint32_t(n) * 2;
        ok = ok && std::fwrite(&octets, sizeof octets, 1, f) == 1 && std::fwrite(s, 1, octets, f) == octets;
      }
    }
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
      std::remove(chemin);
      etat.fichierCacheCree = 0;
    }
  }
  return true;
}

void EffaceFichierCacheVelocite(Instrument* r) {
  if (!r) return;
  EtatJeuInstrument& etat = r->jeu.etat;
  if (etat.fichierCacheCree) {
    char chemin[kTailleNomFichier];
    NomFichierCacheVelocite(r, chemin, sizeof chemin);
    std::remove(chemin);
  }
  etat.fichierCacheCree = 0;
  etat.cacheVelocite = 0;
  etat.idCacheVelocite = 0;
}

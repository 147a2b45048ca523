#include "sound/EffetsNumeriques.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Memory.h"
#include "sound/Lecture.h"
#include "system/Handles.h"

MaitreFX GlobalFXMaster = {};

const int32_t DelayReverbStd[kMaxLignesReverb] = {3058, 1655, 1364, 1094, 746};

Handle tabReverb = nullptr;
int32_t NbReverbDelayElt = 0;

int32_t ReverbDelta = 0, ReverbMult = 0;
int32_t SurroundDelta = 0, SurroundMult = 0;
int32_t NoiseRedMult = 0;
int32_t BassBoostEvol = 0, BassBoostMult = 0, BassBoostLastVal = 0;
int32_t AGCVolume = 0, AGCNbSampleRemontee = 0, AGCNbSampleDescente = 0;
float* TamponHistorique = nullptr;
int32_t TailleHistorique = 0, PosHistorique = 0;
Ptr TamponAGC[2] = {nullptr, nullptr};
int32_t volumeTamponAGC[2] = {0, 0};

namespace {

// ln(0.01): a gain that falls by 40 dB.
constexpr double kLnCentieme = -4.605170185988091;
constexpr int32_t kVolumeMax = 32767;

int32_t Sature(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
int32_t Sature(double v) {
  if (!(v == v)) return 0;
  return int32_t(std::clamp(std::trunc(v), double(INT32_MIN), double(INT32_MAX)));
}

ReverbDelayElt* Sets() { return tabReverb ? reinterpret_cast<ReverbDelayElt*>(*tabReverb) : nullptr; }

void LibereLignes(ReverbDelayElt& e) {
  for (LigneReverb& l : e.lignes) {
    if (l.tampon) DisposePtr(reinterpret_cast<Ptr>(l.tampon));
    l.tampon = nullptr;
  }
}

// A reverb's time: to the nearest 100 ms up to 500 (at least 100), to the
// nearest 500 ms from 501 on.
int32_t ArrondiTempsReverb(int32_t time) {
  if (time < 501) return std::max<int32_t>(100, (time + 50) / 100 * 100);
  return Sature((int64_t(time) + 250) / 500 * 500);
}

bool Ligne(LigneReverb& l, int64_t longueur, int32_t retour, int32_t base) {
  if (longueur < 0 || longueur * 4 > int64_t(kMaxBlockSize)) return false;
  l.tampon = reinterpret_cast<int32_t*>(NewPtrClear(Size(longueur) * 4));
  if (!l.tampon && longueur > 0) return false;
  l.longueur = int32_t(longueur);
  l.gainRetour = retour;
  l.decalageBase = base;
  return true;
}

// Builds a new set's lines and gains; false when a line cannot be had.
bool ConstruitSet(ReverbDelayElt& e) {
  const int64_t rate = GlobalFXMaster.frequence;
  const int64_t canaux = int64_t(GlobalFXMaster.codeCanaux) + 1;
  const int32_t base = int32_t(GlobalFXMaster.codeCanaux) * 500 + 500;
  const int64_t temps = e.temps;
  if (e.type == kReverbDelai || e.type == kReverbMultiDelai) {
    if (e.type == kReverbDelai) {
      e.gain = Sature(temps * 200 / 1000);
    } else if (e.parametre == 100) {
      e.gain = kVolumeMax;
    } else if (e.parametre == 0) {
      e.gain = 0;
    } else {
      const double g = 200.0 * double(temps) * -0.004605170185988091 / std::log(double(e.parametre) * 0.01);
      e.gain = !(g > 0.0) ? 0 : g > 32765.0 ? kVolumeMax : Sature(g) + 1;
    }
    e.nbLignes = 1;
    return Ligne(e.lignes[0], canaux * (temps * rate / 1000) + base, Sature(int64_t(e.parametre) * 256 / 100), base);
  }
  e.gain = Sature(temps * 200 / 1000);
  const double produit = double(rate) * double(temps);
  e.densite = produit > 0.0 ? int32_t(std::clamp(2.205e9 / produit, 1.0, 255.0)) : 255;
  e.nbLignes = kMaxLignesReverb;
  for (int i = 0; i < kMaxLignesReverb; i++) {
    const double tempsLigne = double(DelayReverbStd[i]) / 44100.0 * 1000.0;
    const int32_t retour = Sature(256.0 * std::exp(kLnCentieme / (double(temps) / tempsLigne)));
    if (!Ligne(e.lignes[i], canaux * (int64_t(DelayReverbStd[i]) * rate / 44100) + base, retour, base)) return false;
  }
  return true;
}

}  // namespace

// ---- Delay-line sets ----------------------------------------------------------------

void ReverbDispose() {
  ReverbDelayElt* sets = Sets();
  for (int32_t i = 0; sets && i < NbReverbDelayElt; i++) LibereLignes(sets[i]);
  LibereHandle(&tabReverb);
  NbReverbDelayElt = 0;
}

void ReverbInit() {
  ReverbDispose();
  tabReverb = NewHandleClear(0);
}

int32_t ReverbGetID(int32_t kind, int32_t time, int32_t parameter, uint8_t flag) {
  // Negative times and feedbacks count as none.
  time = std::max(time, 0);
  parameter = std::max(parameter, 0);
  if (kind == kReverbReverbe) time = ArrondiTempsReverb(time);
  const ReverbDelayElt* sets = Sets();
  for (int32_t i = 0; sets && i < NbReverbDelayElt; i++) {
    const ReverbDelayElt& e = sets[i];
    if (e.type != kind || e.temps != time || e.pingPong != flag) continue;
    if (kind == kReverbMultiDelai && e.parametre != parameter) continue;
    return i;
  }
  ReverbDelayElt e = {};
  e.type = kind;
  e.temps = time;
  e.parametre = parameter;
  e.pingPong = flag;
  if (!ConstruitSet(e)) {
    LibereLignes(e);
    return -1;
  }
  e.gainEntree = e.gain;
  if (!tabReverb) tabReverb = NewHandleClear(0);
  if (!tabReverb || !RetailleHandle(tabReverb, Size(NbReverbDelayElt + 1) * Size(sizeof(ReverbDelayElt)))) {
    LibereLignes(e);
    return -1;
  }
  Sets()[NbReverbDelayElt] = e;
  return NbReverbDelayElt++;
}

int32_t ReverbCalculeGainEntree(int32_t kind, int32_t time, int32_t level) {
  if (kind == kReverbDelai || kind == kReverbMultiDelai) return Sature(int64_t(level) * 256 / 100);
  if (kind != kReverbReverbe) return 0;
  // A reverb shorter than the shortest set counts as that one.
  if (time < 100) time = 100;
  const int64_t x = Sature(double(level) * 256.0 / (std::sqrt(double(time) * 0.001) * 100.0));
  return Sature(x * 2 / 3);
}

// ---- The document's output-wide effects -------------------------------------------------

void AppliqueParamsEffetsNumeriques(const EffetsSortieDocument* e, uint32_t rate, int16_t channels) {
  if (!e) return;
  const int64_t k = int64_t(std::max<int16_t>(channels, 0)) * (rate / 1000);
  // The delays read the history back: negative ones count as none, longer
  // ones are held inside it.
  const int64_t maxDelta = TamponHistorique && TailleHistorique > 0 ? TailleHistorique - 1 : INT32_MAX;
  auto delta = [&](int16_t ms) { return int32_t(std::min<int64_t>(std::max<int16_t>(ms, 0) * k, maxDelta)); };
  ReverbDelta = delta(e->tempsReverbe);
  ReverbMult = int32_t(e->niveauReverbe) * kVolumeMax / 20000;
  SurroundDelta = delta(e->delaiSurround);
  SurroundMult = int32_t(e->niveauSurround) * kVolumeMax / 10000;
  NoiseRedMult = int32_t(e->valeurReductionBruit) * kVolumeMax / 10000;
  BassBoostEvol = int32_t(e->frequenceBasses) * 10;
  BassBoostMult = int32_t(e->niveauBasses) * kVolumeMax / 10000 * 6;
  if (e->frequenceBasses >= 5) BassBoostMult /= e->frequenceBasses - 4;
  BassBoostLastVal = 0;
  AGCVolume = kVolumeMax;
  AGCNbSampleRemontee = Sature(int64_t(std::max<int16_t>(e->monteeControleGain, 0)) * k);
  AGCNbSampleDescente = Sature(2 * k);
}

void ChangeParamsEffetsNumeriques(uint32_t rate, int16_t channels) {
  if (Document* d = GetDialogMusiqueEnCours()) AppliqueParamsEffetsNumeriques(&d->effetsSortie, rate, channels);
}

void DisposeEffetsNumeriques() {
  if (TamponHistorique) DisposePtr(reinterpret_cast<Ptr>(TamponHistorique));
  TamponHistorique = nullptr;
  TailleHistorique = 0;
  PosHistorique = 0;
  for (Ptr& p : TamponAGC) {
    if (p) DisposePtr(p);
    p = nullptr;
  }
}

bool InitEffetsNumeriques(uint32_t rate, int16_t channels) {
  DisposeEffetsNumeriques();
  const int64_t canaux = std::max<int16_t>(channels, 0);
  const int64_t historique = int64_t(rate / 4) * canaux;
  const int64_t agc = int64_t(rate / 100) * canaux * 4;
  if (historique * int64_t(sizeof(float)) > int64_t(kMaxBlockSize) || agc > int64_t(kMaxBlockSize)) return false;
  TamponHistorique = reinterpret_cast<float*>(NewPtrClear(Size(historique) * Size(sizeof(float))));
  for (Ptr& p : TamponAGC) p = NewPtrClear(Size(agc));
  if (!TamponHistorique || !TamponAGC[0] || !TamponAGC[1]) {
    DisposeEffetsNumeriques();
    return false;
  }
  TailleHistorique = int32_t(historique);
  PosHistorique = 0;
  volumeTamponAGC[0] = volumeTamponAGC[1] = kVolumeMax;
  ChangeParamsEffetsNumeriques(rate, channels);
  return true;
}

void ConvertOldDocumentDigitalEffectsToHQ(EffetsSortieDocument* effects) {
  if (!effects) return;
  std::memset(effects->bandes, 0, sizeof effects->bandes);
  if (effects->renforcementBasses) {
    static const float kFrequences[7] = {32, 64, 128, 256, 512, 1024, 2048};
    static const int32_t kBases[7] = {-24, -5, -4, -3, -2, -2, -1};
    const float F = float(effects->frequenceBasses) * 0.02f;
    int32_t niveau = 0;
    // Only the last band's level is kept; the lower ones were never stored.
    for (int i = 0; i < 7; i++) {
      const float f = kFrequences[i];
      // A boost frequency of 0 or less is infinitely far from every band.
      const float proche = F > 0.0f ? std::min(1.0f, std::max(f, F) / std::min(f, F) / 3.0f) : 1.0f;
      niveau = int32_t(float(kBases[i]) + (1.0f - proche) * 20.0f);
    }
    effects->bandes[8] = int16_t(niveau * int32_t(effects->valeurReductionBruit) / 10000);
  }
  if (effects->reductionBruit) {
    effects->bandes[8] = int16_t(-(effects->valeurReductionBruit / 1000));
    effects->bandes[9] = -24;
    effects->bandes[10] = -24;
  }
}

int16_t GetDigitalSoundInternalBits() { return 18; }

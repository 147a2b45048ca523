#include "sound/CommandesFX.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvFXs.h"
#include "model/TempsJoue.h"
#include "sound/DoubleBuffer.h"
#include "sound/EffetsNumeriques.h"
#include "sound/Flux.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"

Instrument instrumentDefaut = {};
float dbToMult[kTailleDbToMult] = {};

void SetInstrumentDefautPourFx(const Instrument* r) {
  if (r) {
    std::memcpy(&instrumentDefaut, r, sizeof instrumentDefaut);
  } else {
    std::memset(&instrumentDefaut, 0, sizeof instrumentDefaut);
  }
}

namespace {

// What the set-up takes of the output parameters for the channels it builds.
bool gEffetsActifs = true;
uint16_t gSurechantillonnage = 1;
// The channel whose commands are being built, and whether a write failed.
FXDigitPortee* gCanalEnConstruction = nullptr;
bool gEchecConstruction = false;

// How long the set-up waits for the audio callback to leave its block.
constexpr int kAttenteBlocMs = 250;
constexpr double kPi = 3.14159265358979323846;

int32_t Sature(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint32_t FrequenceSortie() { return GlobalFXMaster.frequence ? GlobalFXMaster.frequence : 44100; }

FXDigitPortee* Canaux() { return reinterpret_cast<FXDigitPortee*>(GlobalFXMaster.canaux); }

Portee** PorteeDe(Partition** score, int16_t staff) {
  if (!score || staff < 0 || staff >= (*score)->nbPortees || !(*score)->portees) return nullptr;
  return (*score)->portees[staff];
}

// The channel a write on this one lands on.
FXDigitPortee* Destination(FXDigitPortee* c) {
  FXDigitPortee* canaux = Canaux();
  if (c && c->lie && canaux && c->porteeLiee >= 0 && c->porteeLiee < GlobalFXMaster.nbCanaux)
    return &canaux[c->porteeLiee];
  return c;
}

bool Ajoute(FXDigitPortee* c, const Commande& cmd) {
  const Size voulu = Size(c->nbCommandes + 1) * Size(sizeof(Commande));
  if (!c->commandes) {
    c->commandes = NewHandle(Size(16) * Size(sizeof(Commande)));
    if (!c->commandes) return false;
  } else if (GetHandleSize(c->commandes) < voulu && !RetailleHandle(c->commandes, voulu * 2)) {
    return false;
  }
  reinterpret_cast<Commande*>(*c->commandes)[c->nbCommandes++] = cmd;
  return true;
}

uint32_t TempsCommande(Partition** score, int32_t time) {
  int64_t t = time;
  if (score) t += GetRetardNegatifPartitionTemps(score, time, true);
  return uint32_t(std::clamp<int64_t>(t, 0, UINT32_MAX));
}

void LibereCanaux() {
  FXDigitPortee* canaux = Canaux();
  if (canaux) {
    for (int32_t i = 0; i <= GlobalFXMaster.nbCanaux; i++) DisposeFXDigitPortee(&canaux[i]);
    DisposePtr(GlobalFXMaster.canaux);
  }
  GlobalFXMaster.canaux = nullptr;
  GlobalFXMaster.nbCanaux = 0;
  if (GlobalFXMaster.tamponMixage) DisposePtr(GlobalFXMaster.tamponMixage);
  GlobalFXMaster.tamponMixage = nullptr;
  ReverbDispose();
}

bool AttendFinBloc() {
  for (int i = 0; IsInTraiteDblBuffer() && i < kAttenteBlocMs; i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return !IsInTraiteDblBuffer();
}

// The staff's instrument block, as an effect object at time 0.
void ObjetInstrument(Partition** score, Portee** staff, FX* out) {
  std::memset(out, 0, sizeof *out);
  const Instrument* instrument = staff ? GetInstrument(score, (*staff)->instrument) : nullptr;
  out->param = instrument ? instrument->effects : instrumentDefaut.effects;
}

// ---- Command construction ----------------------------------------------------------

struct Constructeur {
  Partition** score;
  int16_t staff;
  int32_t temps;
  FXDigitPortee* canal;
  uint32_t frequence;

  void Ecrit(size_t champ, uint32_t valeur, uint16_t largeur, GroupeFX groupe) {
    if (!WriteCommand(score, temps, canal, int16_t(champ), valeur, largeur, groupe)) gEchecConstruction = true;
  }
  void Octet(size_t champ, uint8_t v, GroupeFX g) { Ecrit(champ, v, 1, g); }
  void Mot(size_t champ, int32_t v, GroupeFX g) { Ecrit(champ, uint32_t(v), 4, g); }

  // A glide's four words: the start value, the change to the value the next
  // setting gives (found by the analysis function), the start and the length.
  void Glisse(size_t champ, int32_t debut, bool glisse, FXProcAnalyse analyse, int32_t (*cvt)(int32_t, uint32_t),
              GroupeFX g, int kind = -1) {
    int32_t delta = 0, duree = 0;
    if (glisse) {
      int32_t v[kNbValeursMultiBande] = {};
      const int32_t suivant = BalayeTableauFX(score, staff, Sature(int64_t(temps) + 1), analyse, v);
      // A panning glides only to a setting of its own kind.
      const int idx = kind >= 0 ? 1 + kind : 0;
      if (suivant >= 0 && (kind < 0 || v[0] == 1)) {
        delta = Sature(int64_t(cvt(v[idx], frequence)) - debut);
        duree = Sature(int64_t(suivant) - temps);
      }
    }
    Mot(champ + offsetof(GlisseFX, valeur), debut, g);
    Mot(champ + offsetof(GlisseFX, delta), delta, g);
    Mot(champ + offsetof(GlisseFX, debut), temps, g);
    Mot(champ + offsetof(GlisseFX, duree), duree, g);
  }

  void Resonateur(const ParamFX& p) {
    constexpr GroupeFX g = kGroupeResonateur;
    if (p.activiteResonateur < 1 || p.activiteResonateur > 4) return;
    if (p.activiteResonateur == 1) {
      Octet(offsetof(EtatFX, resonateur), 0, g);
      return;
    }
    const int a = p.activiteResonateur;
    Octet(offsetof(EtatFX, resonateur), 1, g);
    Octet(offsetof(EtatFX, resonateurLfo), a == 3, g);
    Octet(offsetof(EtatFX, resonateurWah), a == 4, g);
    auto freq = [](int32_t v, uint32_t r) { return CvtFrequenceFX(v, r); };
    auto reso = [](int32_t v, uint32_t r) { return CvtResonanceFX(v, r); };
    auto gain = [](int32_t v, uint32_t) { return CvtGainInterneFX(v); };
    if (a == 2) {
      Glisse(offsetof(EtatFX, frequenceResonateur), freq(p.frequenceFixe, frequence), p.glisseFrequenceFixe,
             FXProcAnalyseFrequence, freq, g);
      Glisse(offsetof(EtatFX, resonance), reso(p.resonanceFixe, frequence), p.glisseResonanceFixe,
             FXProcAnalyseResonnance, reso, g);
      Mot(offsetof(EtatFX, gainResonateur), gain(p.gainFixe, 0), g);
      return;
    }
    const bool lfo = a == 3;
    const int32_t fmin = freq(lfo ? p.frequenceMinLfo : p.frequenceMinWah, frequence);
    const int32_t fmax = freq(lfo ? p.frequenceMaxLfo : p.frequenceMaxWah, frequence);
    Glisse(offsetof(EtatFX, frequenceResonateur), lfo ? freq(p.frequenceLfo, frequence) : fmin, false,
           FXProcAnalyseFrequence, freq, g);
    Mot(offsetof(EtatFX, frequenceMin), fmin, g);
    Mot(offsetof(EtatFX, frequenceMax), fmax, g);
    Glisse(offsetof(EtatFX, resonance), reso(lfo ? p.resonanceLfo : p.resonanceWah, frequence),
           lfo ? p.glisseResonanceLfo : p.glisseResonanceWah, FXProcAnalyseResonnance, reso, g);
    Mot(offsetof(EtatFX, gainResonateur), gain(lfo ? p.gainLfo : p.gainWah, 0), g);
    if (lfo) {
      Mot(offsetof(EtatFX, pasFrequence), CvtPasBalayageFX(fmin, fmax, p.periodeLfo), g);
      Mot(offsetof(EtatFX, sensLfo), p.sensLfo, g);
    } else {
      Mot(offsetof(EtatFX, volumeMinWah), gain(p.volumeMinWah, 0), g);
      Mot(offsetof(EtatFX, volumeMaxWah), gain(p.volumeMaxWah, 0), g);
    }
  }

  void Distorsion(const ParamFX& p) {
    constexpr GroupeFX g = kGroupeDistorsion;
    const int32_t a = p.activiteDistorsion;
    if (a < 1 || a > 3) return;
    Octet(offsetof(EtatFX, distorsion), uint8_t(a - 1), g);
    if (a == 1) return;
    const bool od = a == 3;
    Mot(offsetof(EtatFX, puissanceDistorsion), od ? p.puissanceOverdrive : p.puissanceDistorsion, g);
    Mot(offsetof(EtatFX, gainDistorsion), CvtGainInterneFX(od ? p.gainOverdrive : p.gainDistorsion), g);
    Mot(offsetof(EtatFX, toneDistorsion), od ? p.toneOverdrive : p.toneDistorsion, g);
  }

  void Flanger(const ParamFX& p) {
    constexpr GroupeFX g = kGroupeFlanger;
    const int32_t a = p.activiteFlanger;
    if (a < 1 || a > 3) return;
    Octet(offsetof(EtatFX, flanger), a != 1, g);
    if (a == 1) return;
    const int32_t dmin = CvtDelaiFlangerFX(p.delaiMinFlanger, frequence);
    const int32_t dmax = CvtDelaiFlangerFX(p.delaiMaxFlanger, frequence);
    Mot(offsetof(EtatFX, delaiMinFlanger), dmin, g);
    Mot(offsetof(EtatFX, delaiMaxFlanger), dmax, g);
    Mot(offsetof(EtatFX, pasFlanger), CvtPasBalayageFX(dmin, dmax, p.periodeFlanger), g);
    Mot(offsetof(EtatFX, puissanceFlanger), p.puissanceFlanger, g);
  }

  void Equaliseur(const ParamFX& p) {
    constexpr GroupeFX g = kGroupeEqualiseur;
    const int32_t a = p.activiteEqualizer;
    if (a < 1 || a > 3) return;
    Octet(offsetof(EtatFX, equaliseur), uint8_t(a - 1), g);
    auto brut = [](int32_t v, uint32_t) { return v; };
    if (a == 2) {
      Glisse(offsetof(EtatFX, grave), p.grave, p.graveAiguSmooth, FXProcAnalyseGrave, brut, g);
      Glisse(offsetof(EtatFX, aigu), p.aigu, p.graveAiguSmooth, FXProcAnalyseAigu, brut, g);
      Glisse(offsetof(EtatFX, gainEqualiseur), p.gainEqualizer, p.gainSmooth, FXProcAnalyseGain, brut, g);
      Mot(offsetof(EtatFX, limiteur), p.limiter, g);
    } else if (a == 3) {
      BlocMultiBande b = {};
      for (int i = 0; i < kNbBandesEqualizer; i++) b.niveau[i] = p.multiBandLevel[i];
      b.niveau[kNbBandesEqualizer] = p.multiBandGain;
      int32_t duree = 0;
      if (p.gainSmooth) {
        int32_t v[kNbValeursMultiBande] = {};
        const int32_t suivant = BalayeTableauFX(score, staff, Sature(int64_t(temps) + 1), FXProcAnalyseMultiBandEQ, v);
        if (suivant >= 0) {
          for (int i = 0; i < kNbValeursMultiBande; i++) b.delta[i] = v[i] - b.niveau[i];
          duree = Sature(int64_t(suivant) - temps);
        }
      }
      if (!WriteCommandBloc(score, temps, canal, int16_t(offsetof(EtatFX, multiBande)), b, g))
        gEchecConstruction = true;
      Mot(offsetof(EtatFX, debutMultiBande), temps, g);
      Mot(offsetof(EtatFX, dureeMultiBande), duree, g);
      Mot(offsetof(EtatFX, limiteur), p.limiter, g);
    }
  }

  void Panning(const ParamFX& p) {
    constexpr GroupeFX g = kGroupePanning;
    const int32_t a = p.activitePanning;
    if (a < 1 || a > 3) return;
    Octet(offsetof(EtatFX, panning), uint8_t(a - 1), g);
    auto pan = [](int32_t v, uint32_t) { return CvtPanningFX(v); };
    if (a == 2) {
      Glisse(offsetof(EtatFX, stereo), pan(p.stereoFixe, 0), p.stereoSmooth != 0, FXProcAnalysePanning, pan, g, 0);
      Glisse(offsetof(EtatFX, fading), pan(p.fadingFixe, 0), p.stereoSmooth != 0, FXProcAnalysePanning, pan, g, 1);
    } else if (a == 3) {
      const int32_t smin = pan(p.stereoMinLfo, 0), smax = pan(p.stereoMaxLfo, 0);
      Glisse(offsetof(EtatFX, stereo), pan(p.stereoLfo, 0), false, FXProcAnalysePanning, pan, g);
      Mot(offsetof(EtatFX, stereoMin), smin, g);
      Mot(offsetof(EtatFX, stereoMax), smax, g);
      Mot(offsetof(EtatFX, fadingMin), pan(p.fadingMinLfo, 0), g);
      Mot(offsetof(EtatFX, fadingMax), pan(p.fadingMaxLfo, 0), g);
      Mot(offsetof(EtatFX, pasPanning), CvtPasBalayageFX(smin, smax, p.periodePanning), g);
      Mot(offsetof(EtatFX, sensPanning), p.sensPanning, g);
    }
  }

  void Reverb(const ParamFX& p) {
    constexpr GroupeFX g = kGroupeReverb;
    const int32_t a = p.activiteReverb;
    if (a < 1 || a > 4) return;
    int32_t id = -1, gain = 0;
    if (a == 2) {
      id = ReverbGetID(kReverbDelai, p.tempsDelai, p.puissanceDelai, p.pingPongDelai);
      gain = ReverbCalculeGainEntree(kReverbDelai, p.tempsDelai, p.puissanceDelai);
    } else if (a == 3) {
      id = ReverbGetID(kReverbMultiDelai, p.tempsDelaiMult, p.puissanceDelaiMult, p.pingPongDelaiMult != 0);
      gain = ReverbCalculeGainEntree(kReverbMultiDelai, p.tempsDelaiMult, p.puissanceDelaiMult);
    } else if (a == 4) {
      id = ReverbGetID(kReverbReverbe, p.tempsReverb, p.puissanceReverb, p.pingPongReverb != 0);
      gain = ReverbCalculeGainEntree(kReverbReverbe, p.tempsReverb, p.puissanceReverb);
    }
    Mot(offsetof(EtatFX, reverb), id, g);
    Mot(offsetof(EtatFX, gainEntreeReverb), id >= 0 ? gain : 0, g);
  }
};

void EcritEtat(FXDigitPortee* c, const Commande& cmd) {
  uint8_t* base = reinterpret_cast<uint8_t*>(&c->etat);
  if (cmd.champ < 0) return;
  const size_t champ = size_t(cmd.champ);
  if (cmd.largeur == kLargeurBloc) {
    if (champ + kLargeurBloc > sizeof(EtatFX) || !c->blocs || int64_t(cmd.valeur) >= c->nbBlocs) return;
    std::memcpy(base + champ, *c->blocs + size_t(cmd.valeur) * sizeof(BlocMultiBande), kLargeurBloc);
    return;
  }
  if (champ + cmd.largeur > sizeof(EtatFX)) return;
  switch (cmd.largeur) {
    case 1: base[champ] = uint8_t(cmd.valeur); break;
    case 2: {
      const uint16_t v = uint16_t(cmd.valeur);
      std::memcpy(base + champ, &v, 2);
      break;
    }
    case 4: std::memcpy(base + champ, &cmd.valeur, 4); break;
    default: break;
  }
}

// Peaking biquads at +-30 dB (1/Q = 1/6) and the shelving pair at the top.
void BiquadPic(float* c, double K) {
  const double k2 = K * K, m = 2 * (k2 - 1);
  const double d = 1 + K / 6 + k2, e = 1 + 5.2704625 * K + k2;
  const double boost[5] = {(1 + 5.2704625 * K + k2) / d, m / d, (1 - 5.2704625 * K + k2) / d, m / d,
                           (1 - K / 6 + k2) / d};
  const double cut[5] = {(1 + K / 6 + k2) / e, m / e, (1 - K / 6 + k2) / e, m / e, (1 - 5.2704625 * K + k2) / e};
  for (int i = 0; i < 5; i++) {
    c[kCoeffBoost + i] = float(boost[i]);
    c[kCoeffCut + i] = float(cut[i]);
  }
}

void BiquadPlateau(float* c, double K) {
  const double v = 31.62277603149414, sv = 7.9527072159729535, s2 = std::sqrt(2.0), k2 = K * K;
  const double d = 1 + s2 * K + k2;
  const double boost[5] = {(v + sv * K + k2) / d, 2 * (k2 - v) / d, (v - sv * K + k2) / d, 2 * (k2 - 1) / d,
                           (1 - s2 * K + k2) / d};
  // The cut is the boost's inverse.
  const double e = v + sv * K + k2, f = 1 + (sv / v) * K + k2 / v;
  const double cut[5] = {d / e, 2 * (k2 - 1) / e, (1 - s2 * K + k2) / e, 2 * (k2 / v - 1) / f,
                         (1 - (sv / v) * K + k2 / v) / f};
  for (int i = 0; i < 5; i++) {
    c[kCoeffBoost + i] = float(boost[i]);
    c[kCoeffCut + i] = float(cut[i]);
  }
  c[kCoeffForme] = 1;
}

}  // namespace

// ---- Conversions ---------------------------------------------------------------------------

int32_t CvtFrequenceFX(int32_t hz, uint32_t rate) {
  if (rate == 0) rate = 44100;
  const int64_t f = int64_t(hz) * 44100 / int64_t(rate);
  return Sature(f * f / 11816);
}

int32_t CvtResonanceFX(int32_t r, uint32_t rate) {
  if (rate == 0) rate = 44100;
  const double base = double(r) * 0.0025 + 0.7324219;
  if (base <= 0) return 0;
  return Sature(int64_t(65536.0 * std::pow(base, std::pow(44100.0 / double(rate), 1.2))));
}

int32_t CvtPanningFX(int32_t v) { return (std::clamp(v, -100, 100) + 100) * 32767 / 200; }

int32_t CvtDelaiFlangerFX(int32_t delay, uint32_t rate) {
  return Sature(int64_t(std::max(delay, 0)) * int64_t(rate) * 65536 / 1000000);
}

int32_t CvtPasBalayageFX(int32_t minimum, int32_t maximum, int32_t period) {
  return Sature((int64_t(maximum) - minimum) * 5 / (period > 0 ? period : 1));
}

int32_t CvtGainInterneFX(int32_t percent) {
  return Sature(int64_t(double(int64_t(1) << (GetDigitalSoundInternalBits() - 1)) * double(percent) * 0.01));
}

// ---- Equaliser ---------------------------------------------------------------------------

void InitMultiBandEQ(float c[kNbBandesEqualizer][kNbCoeffsBande], uint32_t rate) {
  if (dbToMult[kTailleDbToMult / 2] == 0) {
    for (int k = 0; k < kTailleDbToMult / 2; k++) {
      dbToMult[kTailleDbToMult / 2 + k] = float(std::pow(10.0, k * 0.0005));
      dbToMult[kTailleDbToMult / 2 - k] = float(std::pow(10.0, -k * 0.0005));
    }
  }
  std::memset(c, 0, sizeof(float) * kNbBandesEqualizer * kNbCoeffsBande);
  if (rate < 64) return;
  double f = 32;
  for (int b = 0; b < kNbBandesEqualizer; b++, f *= 2) {
    // A band at or past half the rate has no filter (its tangent is infinite).
    if (f * 2 >= rate) break;
    const double K = std::tan(kPi * f / rate);
    c[b][kCoeffFrequence] = float(f);
    c[b][kCoeffK] = float(K);
    if (f * 2 > rate / 2.0) {
      BiquadPlateau(c[b], K);
      break;
    }
    BiquadPic(c[b], K);
  }
}

// ---- Commands ---------------------------------------------------------------------------------

bool WriteCommand(Partition** score, int32_t time, FXDigitPortee* channel, int16_t field, uint32_t value,
                  uint16_t width, uint8_t flag) {
  const Commande cmd = {TempsCommande(score, time), field, flag, value, width};
  if (channel) return Ajoute(Destination(channel), cmd);
  FXDigitPortee* canaux = Canaux();
  bool ok = true;
  for (int32_t i = 0; canaux && i < GlobalFXMaster.nbCanaux; i++)
    if (!canaux[i].lie) ok = Ajoute(&canaux[i], cmd) && ok;
  return ok;
}

bool WriteCommandBloc(Partition** score, int32_t time, FXDigitPortee* channel, int16_t field,
                      const BlocMultiBande& block, uint8_t flag) {
  FXDigitPortee* c = Destination(channel);
  if (!c) return false;
  const Size voulu = Size(c->nbBlocs + 1) * Size(sizeof(BlocMultiBande));
  if (!c->blocs) {
    c->blocs = NewHandle(voulu);
    if (!c->blocs) return false;
  } else if (GetHandleSize(c->blocs) < voulu && !RetailleHandle(c->blocs, voulu)) {
    return false;
  }
  std::memcpy(*c->blocs + size_t(c->nbBlocs) * sizeof(BlocMultiBande), &block, sizeof block);
  return WriteCommand(score, time, c, field, uint32_t(c->nbBlocs++), kLargeurBloc, flag);
}

void InitEtatFX(EtatFX* e) {
  if (!e) return;
  std::memset(e, 0, sizeof *e);
  e->frequence = 44100;
  e->bits = 16;
  e->reverb = -1;
}

void RembobineCommandesFX(FXDigitPortee* c) {
  if (!c) return;
  InitEtatFX(&c->etat);
  c->commandeCourante = 0;
}

void AppliqueCommandesFX(FXDigitPortee* c, uint32_t time) {
  if (!c || !c->commandes) return;
  const int32_t n = int32_t(std::min<int64_t>(c->nbCommandes, GetHandleSize(c->commandes) / Size(sizeof(Commande))));
  const Commande* l = reinterpret_cast<const Commande*>(*c->commandes);
  while (c->commandeCourante < n && l[c->commandeCourante].temps <= time) EcritEtat(c, l[c->commandeCourante++]);
}

int32_t ValeurGlisseFX(const GlisseFX& g, int32_t time) {
  if (g.duree <= 0 || time <= g.debut) return g.valeur;
  if (int64_t(time) - g.debut >= g.duree) return Sature(int64_t(g.valeur) + g.delta);
  return Sature(g.valeur + int64_t(g.delta) * (int64_t(time) - g.debut) / g.duree);
}

// ---- Scanning ---------------------------------------------------------------------------------

int32_t BalayeTableauFX(Partition** score, int16_t staff, int32_t time, FXProcAnalyse analyse, int32_t* out) {
  if (!gEffetsActifs || !analyse) return -1;
  Portee** p = PorteeDe(score, staff);
  if (time < 0) {
    FX objet;
    ObjetInstrument(score, p, &objet);
    if (analyse(score, staff, 0, &objet, out)) return 0;
    time = 0;
  }
  if (!p) return -1;
  int32_t n = 0;
  const FX* objets = GetFXsPortee(p, &n);
  if (!objets || n <= 0) return -1;
  const bool table = (*score)->tabCvtMesure != nullptr;
  const int32_t nbJouees = table ? GetNbMesuresJouees(score) : std::max<int32_t>((*score)->nbMesures, 0);
  std::vector<int32_t> ordre;
  for (int32_t row = std::max(CvtTempsJoueEnMesureJouee(score, time, nullptr), 0); row < nbJouees; row++) {
    const int32_t bar = table ? CalculeIndexMesureSelonRupture(score, row) : row;
    if (bar < 0) continue;
    const int32_t debut = CvtMesureEnTemps(score, bar), fin = CvtMesureEnTemps(score, bar + 1);
    const int64_t joue = CvtMesureJoueeEnTempsJoue(score, row);
    ordre.clear();
    for (int32_t i = 0; i < n; i++) {
      const int32_t t = std::max(objets[i].debut, 0);
      if (t >= debut && t < fin) ordre.push_back(i);
    }
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&](int32_t a, int32_t b) { return std::max(objets[a].debut, 0) < std::max(objets[b].debut, 0); });
    for (int32_t i : ordre) {
      const int64_t t = joue + std::max(objets[i].debut, 0) - debut;
      // Settings before the time are behind it, even in its bar.
      if (t < time || t > INT32_MAX) continue;
      if (analyse(score, staff, int32_t(t), &objets[i], out)) return int32_t(t);
    }
  }
  return -1;
}

bool FXProcAnalyseConstructionCommandes(Partition** score, int16_t staff, int32_t time, const FX* object, int32_t*) {
  FXDigitPortee* canal = gCanalEnConstruction;
  if (!canal) {
    FXDigitPortee* canaux = Canaux();
    const int32_t k = staff < 0 ? 0 : staff + 1;
    if (canaux && k < GlobalFXMaster.nbCanaux) canal = &canaux[k];
  }
  if (!canal || !object) return false;
  Constructeur c = {score, staff, time, canal, FrequenceSortie()};
  const ParamFX& p = object->param;
  c.Resonateur(p);
  c.Distorsion(p);
  c.Flanger(p);
  c.Equaliseur(p);
  c.Panning(p);
  c.Reverb(p);
  // Every object is taken: the scan goes on to the next.
  return false;
}

namespace {
bool EstResonateur(const FX* o) { return o && o->param.activiteResonateur >= 1 && o->param.activiteResonateur <= 4; }
}  // namespace

bool FXProcAnalyseFrequence(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!EstResonateur(o)) return false;
  const ParamFX& p = o->param;
  static const int32_t kDefaut = 200;
  const int32_t v[4] = {kDefaut, p.frequenceFixe, p.frequenceLfo, p.frequenceMinWah};
  if (out) out[0] = v[p.activiteResonateur - 1];
  return true;
}

bool FXProcAnalyseResonnance(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!EstResonateur(o)) return false;
  const ParamFX& p = o->param;
  const int32_t v[4] = {0, p.resonanceFixe, p.resonanceLfo, p.resonanceWah};
  if (out) out[0] = v[p.activiteResonateur - 1];
  return true;
}

bool FXProcAnalyseGrave(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!o || o->param.activiteEqualizer != 2) return false;
  if (out) out[0] = o->param.grave;
  return true;
}

bool FXProcAnalyseAigu(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!o || o->param.activiteEqualizer != 2) return false;
  if (out) out[0] = o->param.aigu;
  return true;
}

bool FXProcAnalyseGain(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!o || o->param.activiteEqualizer != 2) return false;
  if (out) out[0] = o->param.gainEqualizer;
  return true;
}

bool FXProcAnalyseMultiBandEQ(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!o || o->param.activiteEqualizer != 3) return false;
  if (out) {
    for (int i = 0; i < kNbBandesEqualizer; i++) out[i] = o->param.multiBandLevel[i];
    out[kNbBandesEqualizer] = o->param.multiBandGain;
  }
  return true;
}

bool FXProcAnalysePanning(Partition**, int16_t, int32_t, const FX* o, int32_t* out) {
  if (!o || o->param.activitePanning < 1 || o->param.activitePanning > 3) return false;
  const ParamFX& p = o->param;
  if (out) {
    // The kind first, as the state holds it: 0 off, 1 fixed, 2 oscillating.
    out[0] = p.activitePanning - 1;
    if (p.activitePanning == 2) {
      out[1] = p.stereoFixe;
      out[2] = p.fadingFixe;
    } else if (p.activitePanning == 3) {
      out[1] = p.stereoMinLfo;
      out[2] = p.stereoMaxLfo;
      out[3] = p.fadingMinLfo;
      out[4] = p.fadingMaxLfo;
    }
  }
  return true;
}

// ---- Channels ----------------------------------------------------------------------------------

FXDigitPortee* GetCanauxFX() { return Canaux(); }

bool InitFXDigitPortee(Partition** score, int16_t staff, int16_t, FXDigitPortee* c, int32_t frames) {
  if (!c || frames <= 0) return false;
  InitEtatFX(&c->etat);
  c->commandeCourante = 0;
  InitMultiBandEQ(c->coeffsEQ, FrequenceSortie());
  FXDigitPortee* avant = gCanalEnConstruction;
  gCanalEnConstruction = c;
  gEchecConstruction = false;
  BalayeTableauFX(score, staff, -1, FXProcAnalyseConstructionCommandes, nullptr);
  gCanalEnConstruction = avant;
  if (gEchecConstruction) return false;
  // Writes shifted by a changing delay may cross: the list is kept in time order.
  FXDigitPortee* d = Destination(c);
  if (d->commandes) {
    Commande* l = reinterpret_cast<Commande*>(*d->commandes);
    std::stable_sort(l, l + d->nbCommandes, [](const Commande& a, const Commande& b) { return a.temps < b.temps; });
  }
  const Size echantillons = Size(frames) * (gSurechantillonnage >= 2 ? 8 : 1);
  c->tampon = reinterpret_cast<int32_t*>(NewPtrClear(echantillons * Size(sizeof(int32_t))));
  if (!c->tampon) return false;
  if (GlobalFXMaster.codeCanaux > 0) {
    c->tamponCanaux =
        reinterpret_cast<int32_t*>(NewPtrClear(Size(frames) * (GlobalFXMaster.codeCanaux + 1) * Size(sizeof(int32_t))));
    if (!c->tamponCanaux) return false;
  }
  return true;
}

void DisposeFXDigitPortee(FXDigitPortee* c) {
  if (!c) return;
  StartFluxCriticalSection();
  LibereHandle(&c->commandes);
  LibereHandle(&c->blocs);
  LiberePtr(&c->tampon);
  LiberePtr(&c->tamponCanaux);
  c->nbCommandes = c->nbBlocs = c->commandeCourante = 0;
  EndFluxCriticalSection();
}

bool InitFX(Partition** score, const ParamDigit* p) {
  if (!p) return false;
  StartDblBuffCriticalSection();
  GlobalFXMaster.CptStopFX++;
  bool ok = AttendFinBloc();
  if (ok) {
    LibereCanaux();
    gEffetsActifs = p->effetsNumeriques != 0;
    gSurechantillonnage = p->surechantillonnage;
    const int32_t portees = score ? std::max<int32_t>((*score)->nbPortees, 0) : 0;
    const int32_t nb = portees + 1;
    const int32_t frames = p->tramesParBloc;
    GlobalFXMaster.frequence = SampleRateToFrequency(p->frequence);
    GlobalFXMaster.codeCanaux = p->codeCanaux;
    GlobalFXMaster.bits = p->bits;
    ok = nb <= INT16_MAX && frames > 0;
    if (ok) GlobalFXMaster.canaux = NewPtrClear(Size(nb + 1) * Size(sizeof(FXDigitPortee)));
    ok = ok && GlobalFXMaster.canaux;
    if (ok) {
      GlobalFXMaster.nbCanaux = int16_t(nb);
      GlobalFXMaster.nbTrames = int16_t(frames);
      ReverbInit();
      FXDigitPortee* canaux = Canaux();
      // A staff follows the channel of the staff it is linked to, through a
      // chain of links; a chain that comes back to itself links nothing.
      for (int32_t k = 0; k < portees; k++) {
        int32_t cible = k;
        for (int32_t pas = 0; pas <= portees; pas++) {
          Portee** s = PorteeDe(score, int16_t(cible));
          if (!s || !(*s)->fxLie || (*s)->fxPorteeLiee < 0 || (*s)->fxPorteeLiee >= portees) break;
          cible = (*s)->fxPorteeLiee;
          if (cible == k) break;
        }
        if (cible != k && !(*PorteeDe(score, int16_t(cible)))->fxLie) {
          canaux[k + 1].lie = 1;
          canaux[k + 1].porteeLiee = int16_t(cible + 1);
        }
      }
      for (int32_t c = 0; ok && c < nb; c++)
        ok = InitFXDigitPortee(score, int16_t(c - 1), int16_t(c), &canaux[c], frames);
      if (ok) {
        GlobalFXMaster.tamponMixage =
            NewPtrClear(Size(GlobalFXMaster.codeCanaux + 1) * Size(frames) * Size(sizeof(int32_t)));
        ok = GlobalFXMaster.tamponMixage != nullptr;
      }
    }
    if (!ok) LibereCanaux();
  }
  GlobalFXMaster.CptStopFX--;
  EndDblBuffCriticalSection();
  return ok;
}

void DisposeFX() {
  StartDblBuffCriticalSection();
  LibereCanaux();
  gEffetsActifs = true;
  gSurechantillonnage = 1;
  EndDblBuffCriticalSection();
}

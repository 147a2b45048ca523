#include "sound/VoixFichiers.h"

#include <cmath>
#include <cstring>
#include <string>

#include "model/Portee.h"
#include "platform/Memory.h"
#include "plugin/TagParam.h"
#include "sound/Lyrastel.h"
#include "system/Dossiers.h"
#include "system/Reporters.h"

float GlobalCoeffVelociteWeak = -1.0f;
float GlobalCoeffVelociteStrong = -1.0f;
float GlobalEfficaciteVelociteNotes = -1.0f;
int32_t lastTailleRice = 0;

namespace {

bool Est(const char* word, const char* key) { return std::strcmp(word, key) == 0; }

struct CleFloat {
  const char* cle;
  float VoixParam::*champ;
};
constexpr CleFloat kClesFloat[] = {
    {"timeShiftMax", &VoixParam::timeShiftMax},
    {"PitchAttaque", &VoixParam::pitchAttaque},
    {"RangeVelociteNotes", &VoixParam::rangeVelociteNotes},
    {"F0_Jitter_max", &VoixParam::f0JitterMax},
    {"F0_Jitter_vitesse", &VoixParam::f0JitterVitesse},
    {"F1_Jitter_max", &VoixParam::f1JitterMax},
    {"F1_Jitter_vitesse", &VoixParam::f1JitterVitesse},
    {"F2_Jitter_max", &VoixParam::f2JitterMax},
    {"F2_Jitter_vitesse", &VoixParam::f2JitterVitesse},
    {"volume_Jitter_max", &VoixParam::volumeJitterMax},
    {"volume_Jitter_vitesse", &VoixParam::volumeJitterVitesse},
    {"F0_Drift_pourcentNoteStableMontee", &VoixParam::f0DriftPourcentNoteStableMontee},
    {"F0_Drift_pourcentNoteStableDescente", &VoixParam::f0DriftPourcentNoteStableDescente},
    {"F0_Drift_maxDuree", &VoixParam::f0DriftMaxDuree},
    {"F0_Drift_minDuree", &VoixParam::f0DriftMinDuree},
    {"enveloppe_coeff_max", &VoixParam::enveloppeCoeffMax},
    {"enveloppe_coeff_consonne", &VoixParam::enveloppeCoeffConsonne},
    {"enveloppe_coeff_sustain", &VoixParam::enveloppeCoeffSustain},
    {"enveloppe_coeff_weak", &VoixParam::enveloppeCoeffWeak},
    {"enveloppe_attaque_consonne", &VoixParam::enveloppeAttaqueConsonne},
    {"enveloppe_attaque_voyelle", &VoixParam::enveloppeAttaqueVoyelle},
    {"enveloppe_chute", &VoixParam::enveloppeChute},
    {"enveloppe_relache", &VoixParam::enveloppeRelache},
    {"F0_Vibrato_freqMinVibrato", &VoixParam::f0VibratoFreqMinVibrato},
    {"F0_Vibrato_ratioVibratoFrequence", &VoixParam::f0VibratoRatioVibratoFrequence},
    {"F0_Vibrato_delaiAvantVibrato", &VoixParam::f0VibratoDelaiAvantVibrato},
    {"F0_Vibrato_dureeMonteeVibrato", &VoixParam::f0VibratoDureeMonteeVibrato},
    {"F0_Vibrato_puissanceVibrato", &VoixParam::f0VibratoPuissanceVibrato},
    {"F0_Vibrato_ratioPuissanceFrequenceVibrato", &VoixParam::f0VibratoRatioPuissanceFrequenceVibrato},
    {"amplificationVoix", &VoixParam::amplificationVoix},
    {"coeffF1", &VoixParam::coeffF1},
    {"coeffF2", &VoixParam::coeffF2},
    {"coeffF3", &VoixParam::coeffF3},
    {"coeffF4", &VoixParam::coeffF4},
    {"coeffF5", &VoixParam::coeffF5},
    {"coeffF6", &VoixParam::coeffF6},
    {"graveAigu", &VoixParam::graveAigu},
    {"open_ratio", &VoixParam::openRatio},
    {"clipping", &VoixParam::clipping},
};

struct CleShort {
  const char* cle;
  int16_t VoixParam::*champ;
};
constexpr CleShort kClesShort[] = {
    {"SingingFormantDureeMontee", &VoixParam::singingFormantDureeMontee},
    {"SingingFormantSharpness", &VoixParam::singingFormantSharpness},
    {"SingingFormantPower", &VoixParam::singingFormantPower},
    {"DureeMinSilence", &VoixParam::dureeMinSilence},
};

constexpr const char* kLignesPrm[kNbLignesPrm] = {
    "PRM_F1", "PRM_F2", "PRM_F3", "PRM_F4", "PRM_F5", "PRM_F6", "PRM_B1", "PRM_B2", "PRM_B3", "PRM_B4",  "PRM_B5",
    "PRM_B6", "PRM_A1", "PRM_A2", "PRM_A3", "PRM_A4", "PRM_A5", "PRM_A6", "PRM_AV", "PRM_RL", "PRM_ASP", "PRM_AF",
};
constexpr const char* kValeursPrm[kNbValeursPrm] = {"Val",  "RaAv", "OfDe",   "DurTAv", "DutTDeb",
                                                    "RaAp", "OfFi", "DurTFi", "DurTAp"};

// Float to integer toward zero, held in the target's range.
int32_t VersEntier(float x, int32_t minimum, int32_t maximum) {
  if (std::isnan(x)) return 0;
  const double t = std::trunc(double(x));
  return t < minimum ? minimum : (t > maximum ? maximum : int32_t(t));
}

// The 6-bit value of a packed-text character; -1 for a character of no value.
int ValeurPackee(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 36;
  if (c == '-') return 62;
  if (c == '+') return 63;
  return -1;
}

// Reads the packed text of n bytes into dst, or drops it when dst is null.
bool LitPacke(uint8_t* dst, int64_t n) {
  if (n < 0) return false;
  int64_t caracteres = (8 * n + 5) / 6;
  int64_t produits = 0;
  uint32_t bits = 0;
  int nbBits = 0;
  char morceau[1024];
  while (caracteres > 0) {
    const int32_t k = int32_t(caracteres < int64_t(sizeof morceau) ? caracteres : int64_t(sizeof morceau));
    if (!TagReadRawBlock(morceau, k)) return false;
    caracteres -= k;
    for (int32_t i = 0; i < k; i++) {
      const int v = ValeurPackee(morceau[i]);
      if (v < 0) return false;
      bits = (bits << 6) | uint32_t(v);
      nbBits += 6;
      if (nbBits >= 8) {
        nbBits -= 8;
        if (produits < n && dst) dst[produits] = uint8_t(bits >> nbBits);
        produits++;
        bits &= (1u << nbBits) - 1;
      }
    }
  }
  return true;
}

// A spectrum is given room only for values the rest of the file could fill
// (four per character at the densest, a Rice code of two bits a value).
bool AlloueSpectreBorne(Fragment* f) {
  if (f->nbSpectre <= 0 || f->tailleSpectre <= 0) return false;
  if (int64_t(f->nbSpectre) * f->tailleSpectre > 4 * TagResteSource()) return false;
  return AlloueCantovoxParam(f);
}

int64_t ValeursSpectre(const Fragment* f) {
  return f->nbSpectre > 0 && f->tailleSpectre > 0 ? int64_t(f->nbSpectre) * f->tailleSpectre : 0;
}

void ZeroSpectre(Fragment* f) {
  if (f->spectre) std::memset(f->spectre, 0, size_t(ValeursSpectre(f)) * sizeof(float));
}

void LitSpectreMots(Fragment* f) {
  const int64_t n = ValeursSpectre(f);
  const bool garde = AlloueSpectreBorne(f);
  // Without room the values are read and dropped, up to the end of the file.
  for (int64_t i = 0; i < n && TagResteSource() > 0; i++) {
    const float v = TagReadFloat();
    if (garde) f->spectre[i] = v;
  }
}

void LitSpectrePacke(Fragment* f) {
  const int64_t n = ValeursSpectre(f);
  if (!AlloueSpectreBorne(f)) {
    LitPacke(nullptr, n * 4);
    return;
  }
  auto* octets = reinterpret_cast<uint8_t*>(f->spectre);
  if (!LitPacke(octets, n * 4)) {
    ZeroSpectre(f);
    return;
  }
  // Every value is stored big-endian.
  for (int64_t i = 0; i < n; i++) {
    const uint8_t* p = octets + 4 * i;
    const uint32_t mot = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    float v;
    std::memcpy(&v, &mot, sizeof v);
    f->spectre[i] = v;
  }
  RoundFloatSpectre(f);
}

void LitSpectreRice(Fragment* f) {
  const int32_t taille = lastTailleRice;
  if (taille <= 0 || (8 * int64_t(taille) + 5) / 6 > TagResteSource()) return;
  const bool garde = f->nbSpectre > 0 && f->tailleSpectre > 0 &&
                     int64_t(f->nbSpectre) * f->tailleSpectre <= 4 * int64_t(taille) && AlloueCantovoxParam(f);
  Ptr bloc = garde ? NewPtr(taille) : nullptr;
  if (!bloc) {
    LitPacke(nullptr, taille);
    return;
  }
  if (!LitPacke(reinterpret_cast<uint8_t*>(bloc), taille) ||
      !CvtBlockPackeEnSpectreCV(reinterpret_cast<uint8_t*>(bloc), taille, f))
    ZeroSpectre(f);
  DisposePtr(bloc);
}

// Fields that size the spectrum: a spectrum of the old size goes.
void FixeTailleSpectre(Fragment* f, int16_t Fragment::*champ, int16_t valeur) {
  if (f->*champ != valeur) DisposeDataFragment(f);
  f->*champ = valeur;
}

struct Preset {
  int32_t id;
  const char* dossier;
  const char* fichier;
};
constexpr Preset kPresets[] = {
    {5201, "Default", "Std voice.prv"}, {5210, "Classical", "Soprano.prv"}, {5220, "Classical", "Alto.prv"},
    {5230, "Classical", "Tenor.prv"},   {5240, "Classical", "Bass.prv"},    {5250, "Classical", "Sopranino.prv"},
    {5260, "Modern", "Modern 1.prv"},   {5270, "Modern", "Modern 2.prv"},   {5271, "Modern", "Modern 3.prv"},
    {5272, "Modern", "Modern 4.prv"},   {5273, "Modern", "Modern 5.prv"},   {5274, "Modern", "Modern 6.prv"},
};

}  // namespace

bool TagReadPackedBlock(void* buffer, int32_t n) {
  auto* octets = static_cast<uint8_t*>(buffer);
  if (n < 0 || (n > 0 && !octets)) return false;
  if (LitPacke(octets, n)) return true;
  if (n > 0) std::memset(octets, 0, size_t(n));
  return false;
}

bool TagLoadTraiteParamFragment(char* word, void* row) {
  auto* valeurs = static_cast<float*>(row);
  for (int i = 0; i < kNbValeursPrm; i++) {
    if (Est(word, kValeursPrm[i])) {
      valeurs[i] = TagReadFloat();
      break;
    }
  }
  return true;
}

bool TagLoadTraiteFragment(char* word, void* fragment) {
  auto* f = static_cast<Fragment*>(fragment);
  if (Est(word, "ID")) TagReadStringGuillemet(f->id, sizeof f->id);
  else if (Est(word, "Nom")) TagReadStringGuillemet(f->nom, sizeof f->nom);
  else if (Est(word, "Poids")) f->poids = VersEntier(TagReadFloat(), INT32_MIN, INT32_MAX);
  else if (Est(word, "Duree")) f->duree = TagReadFloat();
  else if (Est(word, "TypeFrag")) f->typeFrag = TagReadLong();
  else if (Est(word, "BeginTrans")) f->beginTrans = TagReadShort();
  else if (Est(word, "EndTrans")) f->endTrans = TagReadShort();
  else if (Est(word, "NoiseRatio")) f->noiseRatio = uint16_t(TagReadLong());
  else if (Est(word, "PowerStart")) f->powerStart = TagReadFloat();
  else if (Est(word, "PowerMax")) f->powerMax = TagReadFloat();
  else if (Est(word, "CloseLips")) f->closeLips = TagReadFloat();
  else if (Est(word, "NbSpectre")) FixeTailleSpectre(f, &Fragment::nbSpectre, TagReadShort());
  else if (Est(word, "StepLength")) f->stepLength = uint16_t(TagReadLong());
  else if (Est(word, "TailleSpectre")) FixeTailleSpectre(f, &Fragment::tailleSpectre, TagReadShort());
  else if (Est(word, "DebutDataSpectre")) LitSpectreMots(f);
  else if (Est(word, "DebutPackedSpectre")) LitSpectrePacke(f);
  else if (Est(word, "RicePackedSpectreSize")) lastTailleRice = TagReadLong();
  else if (Est(word, "DebutRicePackedSpectre")) LitSpectreRice(f);
  else {
    // A parameter-table row; the table form has no spectrum.
    DisposeDataFragment(f);
    f->forme = 1;
    for (int i = 0; i < kNbLignesPrm; i++) {
      if (!Est(word, kLignesPrm[i])) continue;
      std::memset(f->prm[i], 0, sizeof f->prm[i]);
      TagWaitPtr("FinPrm", TagLoadTraiteParamFragment, f->prm[i]);
      return true;
    }
    TagWait("FinPrm", nullptr);
  }
  return true;
}

bool TagLoadTraiteParamVoix(char* word, void* record) {
  auto* v = static_cast<VoixParam*>(record);
  for (const CleFloat& c : kClesFloat) {
    if (Est(word, c.cle)) {
      v->*c.champ = TagReadFloat();
      return true;
    }
  }
  for (const CleShort& c : kClesShort) {
    if (Est(word, c.cle)) {
      v->*c.champ = TagReadShort();
      return true;
    }
  }
  if (Est(word, "TailleChoeur")) {
    v->tailleChoeur = uint8_t(TagReadShort());
  } else if (Est(word, "DephasageChoeur")) {
    v->dephasageChoeur = uint8_t(TagReadShort());
  } else if (Est(word, "decalageOctave")) {
    v->decalageOctave = int16_t(VersEntier(TagReadFloat(), INT16_MIN, INT16_MAX));
  } else if (Est(word, "decalageDemiTon")) {
    v->decalageDemiTon = int16_t(VersEntier(TagReadFloat(), INT16_MIN, INT16_MAX));
  } else if (Est(word, "PhonemeSansParole")) {
    TagReadStringGuillemet(v->phonemeSansParole, sizeof v->phonemeSansParole);
  } else if (Est(word, "Icone")) {
    uint8_t bloc[kTailleIconeVoix];
    TagReadBlock(bloc, sizeof bloc);
    v->icone.entete = int16_t((bloc[0] << 8) | bloc[1]);
    std::memcpy(v->icone.petite, bloc + 2, sizeof v->icone.petite);
    std::memcpy(v->icone.grande, bloc + 2 + sizeof v->icone.petite, sizeof v->icone.grande);
    std::memcpy(v->icone.libre, bloc + kTailleIconeVoix - 2, sizeof v->icone.libre);
  } else if (Est(word, "CoeffVelociteWeak")) {
    GlobalCoeffVelociteWeak = TagReadFloat();
  } else if (Est(word, "CoeffVelociteStrong")) {
    GlobalCoeffVelociteStrong = TagReadFloat();
  } else if (Est(word, "EfficaciteVelociteNotes")) {
    GlobalEfficaciteVelociteNotes = TagReadFloat();
  } else if (Est(word, "DebutFragment")) {
    Fragment f;
    std::memset(&f, 0, sizeof f);
    f.stepLength = kStepLengthDefaut;
    TagWaitPtr("FinFragment", TagLoadTraiteFragment, &f);
    if (!v->fragments) v->fragments = NewHandle(0);
    // Out of memory the fragment is dropped.
    if (v->fragments) AddFragmentPtrToFragmentHandle(&f, v->fragments);
    DisposeDataFragment(&f);
  }
  return true;
}

FILE* LyrastelOpenVoiceFile(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  if (path[0] != ':') return OuvreFichier(path, mode);
  const char* relatif = path + 1;
  if (*relatif == ':') relatif++;
  char dossier[kTailleCheminUnix];
  if (GetNomCheminCourant(dossier) != noErr) return nullptr;
  std::string chemin = dossier;
  for (const char* p = relatif; *p; p++) chemin.push_back(*p == ':' ? '/' : *p);
  return OuvreFichier(chemin.c_str(), mode);
}

bool DoChargeExpressionVoix(const char* path, VoixParam* parameters) {
  if (!parameters) return false;
  FILE* f = LyrastelOpenVoiceFile(path, "rb");
  if (!f) return false;
  FILE* precedent = TagSetFile(f);
  // The record's own fragments go before the defaults replace the record.
  LibereVoixParam(parameters);
  SetDefautVoixParam(parameters);
  GlobalCoeffVelociteWeak = -1.0f;
  GlobalCoeffVelociteStrong = -1.0f;
  GlobalEfficaciteVelociteNotes = -1.0f;
  lastTailleRice = 0;
  parameters->openRatio = -1.0f;
  std::strcpy(parameters->phonemeSansParole, "M");
  while (TagWait("DebutParamVoix", nullptr)) TagWaitPtr("FinParamVoix", TagLoadTraiteParamVoix, parameters);
  if (parameters->openRatio < 0)
    parameters->openRatio = parameters->decalageOctave < 0 ? 90.0f : (parameters->decalageOctave == 0 ? 60.0f : 40.0f);
  if (GlobalCoeffVelociteWeak >= 0) parameters->rangeVelociteNotes = GlobalEfficaciteVelociteNotes;
  TagCloseFile();
  TagSetFile(precedent);
  return true;
}

void DoChargePredefVoix(Portee** staff, int32_t instrumentId) {
  if (!staff || !IsIDInstrumentLY(instrumentId)) return;
  const Preset* preset = nullptr;
  for (const Preset& p : kPresets)
    if (p.id == instrumentId) preset = &p;
  if (!preset) return;
  PushPath();
  char chemin[256];
  std::snprintf(chemin, sizeof chemin, ":%s:%s", preset->dossier, preset->fichier);
  // Without the singing-voice folder the current folder is not read instead.
  const bool dossier = SetPathLyrastelVoices() == noErr;
  if ((*staff)->voixParam) LibereVoixParam(reinterpret_cast<VoixParam*>(*(*staff)->voixParam));
  else (*staff)->voixParam = NewHandleClear(kTailleVoixParam);
  const bool lu = dossier && (*staff)->voixParam &&
                  DoChargeExpressionVoix(chemin, reinterpret_cast<VoixParam*>(*(*staff)->voixParam));
  if (lu) (*staff)->voixInitialisee = 1;
  else Collapse("DoChargePredefVoix: file '%s' not found", chemin);
  LyrastelPorteeACalculer(staff);
  PopPath();
}

void DisposeVoixChanteur(VoixChanteur* voice) {
  if (!voice) return;
  LibereFragmentsVoix(voice->fragments);
  voice->fragments = nullptr;
  voice->nbFragments = 0;
}

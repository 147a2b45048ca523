#include "sound/Lyrastel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "sound/LanguesVoix.h"
#include "sound/SINSTRUM.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/RiceBlocks.h"
#include "text/LangageParoles.h"

uint32_t lyrastelInstalle = 0;

namespace {

// The default record: without the singing engine every value is 0.
const VoixParam voixParamDefaut{};

// Smallest stored fragment from 0x770 (empty strings, the header and the
// shortest spectrum form); below it a fragment is the parameter table.
constexpr int64_t kMinFragment = 2 + 4 + 4 + 2 + 1 + 6 + 8 + 2 + 4 + 2;
constexpr int64_t kMinFragmentAncien = 2 + 4 + 4 + 2 + kNbLignesPrm * kNbValeursPrm * 4;

int32_t NbFragments(Handle fragments) {
  return fragments ? int32_t(GetHandleSize(fragments) / Size(sizeof(Fragment))) : 0;
}

Fragment* Fragments(Handle fragments) { return fragments ? reinterpret_cast<Fragment*>(*fragments) : nullptr; }

// Values of a spectrum whose counts are both positive; 0 otherwise.
int64_t NbValeurs(const Fragment* f) {
  if (f->nbSpectre <= 0 || f->tailleSpectre <= 0) return 0;
  return int64_t(f->nbSpectre) * f->tailleSpectre;
}

// A copy of the fragment list whose spectra are copies too; null when the
// list is empty or memory fails.
Handle CopieFragments(Handle source) {
  const int32_t n = NbFragments(source);
  if (n == 0) return nullptr;
  Handle copie = DupHandle(source);
  if (!copie) return nullptr;
  Fragment* f = Fragments(copie);
  for (int32_t i = 0; i < n; i++) {
    if (f[i].forme != kFormeSpectre || !f[i].spectre) continue;
    // A spectrum that cannot be copied leaves the copy without one.
    f[i].spectre = reinterpret_cast<float*>(DupPtr(f[i].spectre, Size(NbValeurs(&f[i]) * 4)));
  }
  return copie;
}

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

void LitFloats(VoixParam* v, std::initializer_list<float VoixParam::*> champs) {
  for (float VoixParam::*c : champs) v->*c = ReadFloat();
}

void DropFloats(int n) { ReadGap(4 * n); }

// Marks the stream ended: nothing after a damaged length can be read in step.
int16_t Abandonne() {
  ioCustom.finFichier = 1;
  return 0;
}

float Arrondi(float x) { return std::floor(x + 0.5f); }

// The packed spectrum of a fragment: an i32 byte count and its bytes, read
// with LZW decoding off. Mode 1 is Rice-coded; other modes are passed over.
bool LitSpectrePacke(Fragment* f, uint8_t mode) {
  const int16_t lzw = SetLZWMode(0);
  bool ok = true;
  const int32_t b = ReadLong();
  if (EndOfFile() || b < 0 || b > GetStreamRemaining()) {
    ok = false;
  } else if (mode == 1 && f->spectre) {
    Ptr bloc = NewPtr(b);
    if (bloc) {
      ReadBlock(bloc, b);
      ok = !EndOfFile() && CvtBlockPackeEnSpectreCV(reinterpret_cast<uint8_t*>(bloc), b, f) != 0;
      DisposePtr(bloc);
    } else {
      ReadGap(b);
    }
  } else {
    ReadGap(b);
  }
  SetLZWMode(lzw);
  return ok;
}

// One stored fragment, read into a zeroed record; false when the stream
// ended or a length in it is damaged (the record owns nothing then).
bool LitFragment(Fragment* f) {
  std::memset(f, 0, sizeof *f);
  f->stepLength = kStepLengthDefaut;
  f->document = 1;
  ReadString(f->id, sizeof f->id);
  ReadString(f->nom, sizeof f->nom);
  f->poids = ReadLong();
  f->duree = ReadFloat();
  f->typeFrag = ReadShort();
  f->forme = VersionQuarvelLoad >= 0x770 ? LitOctet() : 1;
  if (f->forme != kFormeSpectre) {
    for (auto& ligne : f->prm)
      for (float& v : ligne) v = ReadFloat();
    return !EndOfFile();
  }
  f->beginTrans = ReadShort();
  f->endTrans = ReadShort();
  f->noiseRatio = uint16_t(ReadShort());
  f->powerStart = ReadFloat();
  f->powerMax = ReadFloat();
  const int16_t k = ReadShort();
  uint8_t packing = 0;
  if (k < 2) {
    ReadGap(k);
  } else if (k == 2) {
    f->stepLength = uint16_t(ReadShort());
  } else if (k == 3) {
    f->stepLength = uint16_t(ReadShort());
    f->closeLips = float(int8_t(LitOctet()));
  } else if (k < 6) {
    // A step length and part of a float: the length is kept, the rest passed over.
    f->stepLength = uint16_t(ReadShort());
    ReadGap(k - 2);
  } else {
    f->stepLength = uint16_t(ReadShort());
    f->closeLips = ReadFloat();
    if (k >= 7) {
      packing = LitOctet();
      ReadGap(k - 7);
    }
  }
  f->nbSpectre = ReadShort();
  f->tailleSpectre = ReadShort();
  if (EndOfFile()) return false;
  const int64_t valeurs = NbValeurs(f);
  bool ok = true;
  if (packing == 0) {
    if (valeurs * 4 > GetStreamRemaining()) return false;
    // Out of memory the values are still read, and dropped.
    if (valeurs > 0 && AlloueCantovoxParam(f)) {
      for (int64_t i = 0; i < valeurs; i++) f->spectre[i] = Arrondi(ReadFloat());
    } else {
      ReadGap(int32_t(valeurs * 4));
    }
  } else {
    // Rice codes take two bits a value at least: a spectrum larger than its
    // block could fill is not allocated (its bytes are passed over).
    if (valeurs > 0 && valeurs <= 4 * GetStreamRemaining()) AlloueCantovoxParam(f);
    ok = LitSpectrePacke(f, packing);
  }
  const int16_t z = ReadShort();
  ReadGap(z);
  if (!ok || EndOfFile()) {
    DisposeDataFragment(f);
    return false;
  }
  return true;
}

bool AjouteFragment(VoixParam* v, const Fragment* f) {
  if (!v->fragments) {
    v->fragments = NewHandle(0);
    if (!v->fragments) return false;
  }
  return AddFragmentPtrToFragmentHandle(f, v->fragments);
}

}  // namespace

bool IsPorteeLyrastel(Portee** staff) {
  if (!staff) return false;
  const Portee* p = *staff;
  switch (p->type) {
    case kTypePorteeGregorien: return true;
    case kTypePorteeStandard:
    case kTypePorteeTablature: return p->karaoke != 0 || p->ligneParolesAffichee != 0;
    case kTypePorteeParole: return p->karaoke != 0;
    default: return false;
  }
}

bool IsLyrastel() { return (lyrastelInstalle & 1) != 0; }

bool IsIDInstrumentLY(int32_t id) {
  switch (id) {
    case 5201:
    case 5210:
    case 5220:
    case 5230:
    case 5240:
    case 5250:
    case 5260: return true;
    default: return id >= 5270 && id <= 5274;
  }
}

void SetDefautVoixParam(VoixParam* parameters) {
  if (parameters) *parameters = voixParamDefaut;
}

void DupliqueVoixParam(const VoixParam* source, VoixParam* destination) {
  if (!source || !destination || source == destination) return;
  *destination = *source;
  destination->fragments = CopieFragments(source->fragments);
}

void LibereFragmentsVoix(Handle fragments) {
  const int32_t n = NbFragments(fragments);
  for (int32_t i = 0; i < n; i++) DisposeDataFragment(&Fragments(fragments)[i]);
  if (fragments) DisposeHandle(fragments);
}

void LibereVoixParam(VoixParam* parameters) {
  if (!parameters) return;
  LibereFragmentsVoix(parameters->fragments);
  parameters->fragments = nullptr;
}

// The field is cleared too: a record left holding freed fragments would free
// them again when it is next loaded or released.
void DisposeFragmentsUser(VoixParam* parameters) { LibereVoixParam(parameters); }

void DisposeLyrastelPortee(Portee** staff) {
  if (!staff || !(*staff)->voixParam) return;
  LibereVoixParam(reinterpret_cast<VoixParam*>(*(*staff)->voixParam));
  DisposeHandle((*staff)->voixParam);
  (*staff)->voixParam = nullptr;
}

bool AddFragmentPtrToFragmentHandle(const Fragment* fragment, Handle fragments) {
  if (!fragment || !fragments) return false;
  Fragment copie = *fragment;
  if (copie.forme == kFormeSpectre && copie.spectre) {
    copie.spectre = reinterpret_cast<float*>(DupPtr(fragment->spectre, Size(NbValeurs(fragment) * 4)));
    if (!copie.spectre) return false;
  } else {
    copie.spectre = nullptr;
  }
  const Size taille = GetHandleSize(fragments);
  if (!RetailleHandle(fragments, taille + Size(sizeof(Fragment)))) {
    if (copie.spectre) DisposePtr(reinterpret_cast<Ptr>(copie.spectre));
    return false;
  }
  std::memcpy(*fragments + taille, &copie, sizeof copie);
  return true;
}

void DisposeDataFragment(Fragment* fragment) {
  if (!fragment || !fragment->spectre) return;
  DisposePtr(reinterpret_cast<Ptr>(fragment->spectre));
  fragment->spectre = nullptr;
}

bool AlloueCantovoxParam(Fragment* fragment) {
  if (!fragment || fragment->forme != kFormeSpectre) return false;
  DisposeDataFragment(fragment);
  const int64_t octets = NbValeurs(fragment) * 4;
  if (octets <= 0 || octets > kMaxBlockSize) return false;
  fragment->spectre = reinterpret_cast<float*>(NewPtrClear(Size(octets)));
  return fragment->spectre != nullptr;
}

void RoundFloatSpectre(Fragment* fragment) {
  if (!fragment || !fragment->spectre) return;
  const int64_t n = NbValeurs(fragment);
  for (int64_t i = 0; i < n; i++) fragment->spectre[i] = Arrondi(fragment->spectre[i]);
}

int32_t CvtBlockPackeEnSpectreCV(const uint8_t* block, int32_t length, Fragment* fragment) {
  if (!block || !fragment || !fragment->spectre || length < 4) return 0;
  const int64_t n = fragment->nbSpectre, m = fragment->tailleSpectre;
  if (n <= 0 || m <= 0) return 0;
  float* s = fragment->spectre;
  std::memset(s, 0, size_t(n * m) * sizeof(float));
  const auto mot = [block](int64_t at) {
    return (uint32_t(block[at]) << 24) | (uint32_t(block[at + 1]) << 16) | (uint32_t(block[at + 2]) << 8) |
           uint32_t(block[at + 3]);
  };
  const uint32_t premier = mot(0);
  if (premier == 0 || premier > uint32_t(length - 4)) return 0;
  Ptr tampon = NewPtr(Size(std::max(m, (n - 1) * m) * 4));
  if (!tampon) return 0;
  auto* r = reinterpret_cast<int32_t*>(tampon);
  bool ok = RiceDecodeBlock(block + 4, premier, r, uint32_t(m), 1) != 0;
  if (ok) {
    s[0] = float(r[0]);
    for (int64_t j = 1; j < m; j++) s[j] = float(r[j]) + s[j - 1];
  }
  if (ok && n >= 2) {
    // A 32-bit word the spectrum does not use, then the run of the other rows.
    const int64_t debut = 4 + int64_t(premier) + 4;
    ok = debut <= length && RiceDecodeBlock(block + debut, size_t(length - debut), r, uint32_t((n - 1) * m), 1);
    for (int64_t i = 1; ok && i < n; i++) {
      float* ligne = s + i * m;
      const float* dessus = ligne - m;
      const int32_t* residus = r + (i - 1) * m;
      ligne[0] = float(residus[0]) + dessus[0];
      for (int64_t j = 1; j < m; j++) {
        const float prediction = dessus[j] + ligne[j - 1] - dessus[j - 1];
        ligne[j] = std::trunc(prediction) + float(residus[j]);
      }
    }
  }
  DisposePtr(tampon);
  if (!ok) {
    std::memset(s, 0, size_t(n * m) * sizeof(float));
    return 0;
  }
  return int32_t(premier);
}

int16_t ReadParamsLyrastel(Portee** staff) {
  if (!staff) return 0;
  const uint8_t marqueur = LitOctet();
  if (EndOfFile()) return 0;
  if (marqueur == 2) {
    if (IsLyrastel()) InitChantConfigPortee(staff);
    return 1;
  }
  (*staff)->chante = marqueur;
  // Only a sung staff has more: the writer stores the marker alone otherwise.
  if (!IsPorteeLyrastel(staff)) return 1;

  DisposeLyrastelPortee(staff);
  Handle h = NewHandleClear(kTailleVoixParam);
  if (!h) return Abandonne();
  (*staff)->voixParam = h;
  auto* v = reinterpret_cast<VoixParam*>(*h);
  SetDefautVoixParam(v);
  (*staff)->voixInitialisee = 1;

  (*staff)->volumeVoix = ReadShort();
  (*staff)->panVoix = std::clamp<int16_t>(ReadShort(), 0, 127);
  (*staff)->langueVoix = CheckLangageVoix(uint16_t(ReadShort()));
  const uint8_t demiTon = LitOctet();
  v->decalageDemiTon = demiTon >= 128 ? 0 : (demiTon >= 64 ? int16_t(demiTon - 128) : int16_t(demiTon));
  v->decalageOctave = int8_t(LitOctet());

  const bool v770 = VersionQuarvelLoad >= 0x770;
  v->timeShiftMax = ReadFloat();
  if (!v770) DropFloats(2);
  LitFloats(
      v,
      {&VoixParam::pitchAttaque, &VoixParam::rangeVelociteNotes, &VoixParam::f0JitterMax, &VoixParam::f0JitterVitesse,
       &VoixParam::f1JitterMax, &VoixParam::f1JitterVitesse, &VoixParam::f2JitterMax, &VoixParam::f2JitterVitesse,
       &VoixParam::volumeJitterMax, &VoixParam::volumeJitterVitesse, &VoixParam::f0DriftPourcentNoteStableMontee,
       &VoixParam::f0DriftPourcentNoteStableDescente, &VoixParam::f0DriftMaxDuree, &VoixParam::f0DriftMinDuree});
  if (v770) {
    LitFloats(v, {&VoixParam::enveloppeCoeffMax, &VoixParam::enveloppeCoeffConsonne, &VoixParam::enveloppeCoeffSustain,
                  &VoixParam::enveloppeCoeffWeak, &VoixParam::enveloppeAttaqueConsonne,
                  &VoixParam::enveloppeAttaqueVoyelle, &VoixParam::enveloppeChute, &VoixParam::enveloppeRelache});
  } else {
    DropFloats(4);
  }
  LitFloats(v, {&VoixParam::f0VibratoFreqMinVibrato, &VoixParam::f0VibratoRatioVibratoFrequence,
                &VoixParam::f0VibratoDelaiAvantVibrato, &VoixParam::f0VibratoDureeMonteeVibrato,
                &VoixParam::f0VibratoPuissanceVibrato, &VoixParam::f0VibratoRatioPuissanceFrequenceVibrato,
                &VoixParam::amplificationVoix, &VoixParam::coeffF1, &VoixParam::coeffF2, &VoixParam::coeffF3,
                &VoixParam::coeffF4, &VoixParam::coeffF5, &VoixParam::coeffF6, &VoixParam::graveAigu});
  if (v770) {
    LitFloats(v, {&VoixParam::openRatio, &VoixParam::clipping});
  } else {
    v->openRatio = v->decalageOctave < 0 ? 90.0f : (v->decalageOctave == 0 ? 60.0f : 40.0f);
  }
  v->icone.entete = ReadShort();
  ReadBlock(v->icone.grande, sizeof v->icone.grande);
  ReadBlock(v->icone.petite, sizeof v->icone.petite);
  v->dureeMinSilence = ReadShort();
  v->tailleChoeur = LitOctet();
  v->dephasageChoeur = LitOctet();
  if (VersionQuarvelLoad >= 0x9630) ReadString(v->phonemeSansParole, sizeof v->phonemeSansParole);
  v->valeurDocument = uint32_t(ReadLong());
  const uint8_t tailleFormants = LitOctet();
  uint8_t formants[23];
  ReadBlock(formants, sizeof formants);
  if (tailleFormants >= 6) {
    v->singingFormantDureeMontee = int16_t((formants[0] << 8) | formants[1]);
    v->singingFormantSharpness = int16_t((formants[2] << 8) | formants[3]);
    v->singingFormantPower = int16_t((formants[4] << 8) | formants[5]);
  }
  if (v->tailleChoeur == 0) {
    // No voice after all; the rest of the section is still read.
    SetDefautVoixParam(v);
    (*staff)->chante = 0;
  }

  const int16_t nb = ReadShort();
  if (EndOfFile()) return 0;
  if (nb == 0) return 1;
  if (nb < 0) return Abandonne();
  bool fragments = true;
  if (VersionQuarvelLoad >= 0x850) {
    const int16_t partage = ReadShort();
    if (partage >= 0) {
      fragments = false;
      // The fragments are those of an earlier staff of the score.
      Portee** source = partage < (*staff)->index ? GetPorteeIndex((*staff)->partition, partage) : nullptr;
      if (source && (*source)->voixParam) {
        Handle copie = CopieFragments(reinterpret_cast<VoixParam*>(*(*source)->voixParam)->fragments);
        reinterpret_cast<VoixParam*>(*(*staff)->voixParam)->fragments = copie;
      }
    }
  }
  if (fragments) {
    const int64_t minimum = VersionQuarvelLoad >= 0x770 ? kMinFragment : kMinFragmentAncien;
    if (nb * minimum > GetStreamRemaining()) return Abandonne();
    for (int16_t i = 0; i < nb; i++) {
      Fragment f;
      if (!LitFragment(&f)) return Abandonne();
      // Out of memory the fragment is dropped; the stream stays in step.
      AjouteFragment(reinterpret_cast<VoixParam*>(*(*staff)->voixParam), &f);
      DisposeDataFragment(&f);
    }
  }
  if (VersionQuarvelLoad >= 0x850) {
    auto* w = reinterpret_cast<VoixParam*>(*(*staff)->voixParam);
    for (int32_t& valeur : w->valeursDocument) valeur = ReadShort();
  }
  return EndOfFile() ? 0 : 1;
}

void LyrastelPorteeACalculer(Portee** staff) {
  if (!staff) return;
  (*staff)->chantACalculer = 1;
  (*staff)->chantCalcule = 0;
  FixePorteeModifiee();
}

bool LyrastelPartitionACalculer(Partition** score) {
  if (!score) return false;
  bool marque = false;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->chante) continue;
    LyrastelPorteeACalculer(staff);
    marque = true;
  }
  return marque;
}

bool LyrastelCalculeDefautPortee(Portee** staff) {
  if (!staff) return false;
  if (!(*staff)->chante || !IsPorteeLyrastel(staff)) {
    (*staff)->chante = 0;
    return false;
  }
  if ((*staff)->langueVoix == 0) {
    const uint16_t langue = DetermineLangagePortee(staff);
    (*staff)->langueVoix = langue ? langue : 3;
  }
  if ((*staff)->voixInitialisee) return false;
  int32_t nb = 0;
  const Signe* notes = GetSignesPortee(staff, &nb);
  int32_t basse = 0, haute = 0;
  bool aDesNotes = false;
  for (int32_t i = 0; i < nb; i++) {
    if (notes[i].kind < 0) continue;
    if (!aDesNotes || notes[i].kind < basse) basse = notes[i].kind;
    if (!aDesNotes || notes[i].kind > haute) haute = notes[i].kind;
    aDesNotes = true;
  }
  InitChantConfigPortee(staff);
  if (!(*staff)->voixParam) {
    (*staff)->voixParam = NewHandleClear(kTailleVoixParam);
    if (!(*staff)->voixParam) return false;
  }
  auto* v = reinterpret_cast<VoixParam*>(*(*staff)->voixParam);
  LibereVoixParam(v);
  SetDefautVoixParam(v);
  if (aDesNotes) v->decalageOctave = int16_t(v->decalageOctave + (60 - (basse + haute) / 2) / 12);
  (*staff)->chante = 1;
  (*staff)->voixInitialisee = 1;
  return true;
}

bool LyrastelAdapteDocument(Partition** score, bool adaptVolumes) {
  if (!IsLyrastel() || !score || (*score)->nbPortees <= 0) return false;
  const int16_t nbPortees = (*score)->nbPortees;
  for (int16_t i = 0; i < nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || (*staff)->chante || !IsPorteeLyrastel(staff)) continue;
    InitChantConfigPortee(staff);
    LyrastelPorteeACalculer(staff);
  }
  bool dernier = false;
  for (int16_t i = 0; i < nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    dernier = staff && LyrastelCalculeDefautPortee(staff);
  }
  if (!adaptVolumes || !dernier) return dernier;
  // The sung staves come to the front: every instrument in use is quieter,
  // the singers' instruments at full volume.
  for (int16_t k = 0; k < (*score)->nbInstruments; k++) {
    Instrument* instrument = GetInstrument(score, k);
    if (!instrument || InstrumentUtiliseCombienDeFois(score, k) == 0) continue;
    instrument->volumeOn = 1;
    instrument->volume = uint16_t(float(instrument->volume) * 0.4f);
  }
  for (int16_t i = 0; i < nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->chante) continue;
    Instrument* instrument = GetInstrument(score, (*staff)->instrument);
    if (!instrument) continue;
    instrument->volume = 127;
    (*staff)->panVoix = int16_t(instrument->pan);
  }
  return true;
}

void LibereLyrastel() {
  CantovoxDisposeSynthesis();
  DisposeCantovoxRuntime();
  parwave_dispose();
}

void CantovoxDisposeSynthesis() {}

void DisposeCantovoxRuntime() {}

void parwave_dispose() {}

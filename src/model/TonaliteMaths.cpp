#include "model/TonaliteMaths.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "sound/DonneesInstrument.h"
#include "sound/ServicesSon.h"
#include "stafftypes/ServicesTypesPortee.h"

const uint8_t TabAlterationsStd[kNbTonalitesStd][7] = {
    {0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 1, 0, 0, 0}, {1, 0, 0, 1, 1, 0, 0}, {1, 1, 0, 1, 1, 0, 0},
    {1, 1, 0, 1, 1, 1, 0}, {1, 1, 1, 1, 1, 1, 0}, {1, 1, 1, 1, 1, 1, 1}, {0, 0, 0, 0, 0, 0, 3}, {0, 0, 3, 0, 0, 0, 3},
    {0, 0, 3, 0, 0, 3, 3}, {0, 3, 3, 0, 0, 3, 3}, {0, 3, 3, 0, 3, 3, 3}, {3, 3, 3, 0, 3, 3, 3}, {3, 3, 3, 3, 3, 3, 3},
};
const int16_t TabDegreMajeurStd[kNbTonalitesStd] = {0, 4, 1, 5, 2, 6, 3, 0, 3, 6, 2, 5, 1, 4, 0};
const uint8_t TabAlterationMajeurStd[kNbTonalitesStd] = {2, 2, 2, 2, 2, 2, 1, 1, 2, 3, 3, 3, 3, 3, 3};
const int16_t TabDegreMineurStd[kNbTonalitesStd] = {5, 2, 6, 3, 0, 4, 1, 5, 1, 4, 0, 3, 6, 2, 5};
const uint8_t TabAlterationMineurStd[kNbTonalitesStd] = {2, 2, 2, 1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3};
const int32_t TabNbAlterationsToTonaliteStd[kNbTonalitesStd] = {14, 13, 12, 11, 10, 9, 8, 0, 1, 2, 3, 4, 5, 6, 7};
const int16_t TableauOrdreDiese[7] = {3, 0, 4, 1, 5, 2, 6};
const int16_t TableauOrdreBemol[7] = {6, 2, 5, 1, 4, 0, 3};
const int16_t Note2DemiTonStd[7] = {0, 2, 4, 5, 7, 9, 11};

namespace {

const int16_t tabProgressionMajeur[7] = {0, 2, 4, 5, 7, 9, 11};
const int16_t tabProgressionMineur[7] = {0, 2, 3, 5, 7, 8, 10};
const uint8_t IsDieseSelonDegreMajeur[7] = {1, 1, 1, 0, 1, 1, 1};
const uint8_t IsDieseSelonDegreMineur[7] = {0, 0, 1, 0, 0, 1, 1};
const int16_t TabDegreDemiTonDiese[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
const uint8_t TabAlterationDemiTonDiese[12] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0};
const int16_t TabDegreDemiTonBemol[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
const uint8_t TabAlterationDemiTonBemol[12] = {0, 3, 0, 3, 0, 0, 3, 0, 3, 0, 3, 0};
const int16_t DemiTonMajeur2Mineur[12] = {0, 1, 2, 3, 3, 5, 6, 7, 8, 8, 9, 10};

int32_t Mod(int32_t a, int32_t m) { return ((a % m) + m) % m; }
int16_t FloorDiv(int32_t a, int32_t m) { return int16_t(a >= 0 ? a / m : -((-a + m - 1) / m)); }
int16_t Hauteur(int32_t p) { return int16_t(std::clamp<int32_t>(p, 0, 127)); }
int16_t Degre(int8_t d) { return int16_t(Mod(d, 7)); }

// Tonic semitone of standard key i in the major or minor tables.
int16_t FondamentaleStd(int32_t i, bool majeur) {
  int16_t d = majeur ? TabDegreMajeurStd[i] : TabDegreMineurStd[i];
  int8_t a = int8_t(majeur ? TabAlterationMajeurStd[i] : TabAlterationMineurStd[i]);
  return int16_t(Mod(Note2DemiTonStd[d] + DecalageAlterationTonique(a) + 24, 12));
}

void RemplitStd(int32_t i, bool majeur, Tonalite* key) {
  std::memcpy(key->alterations, TabAlterationsStd[i], 7);
  key->degreTonique = int8_t(majeur ? TabDegreMajeurStd[i] : TabDegreMineurStd[i]);
  key->alterationTonique = int8_t(majeur ? TabAlterationMajeurStd[i] : TabAlterationMineurStd[i]);
}

// Semitone shift of a key-signature byte (0 none, 1 sharp, 3 flat).
int16_t DecalageArmure(uint8_t a) { return a == 1 ? 1 : a == 3 ? -1 : 0; }

}  // namespace

int16_t DecalageAlterationTonique(int8_t code) {
  switch (code) {
    case 1: return 1;
    case 3: return -1;
    case 4: return 2;
    case 5: return -2;
    default: return 0;
  }
}

void CvtTypeClefEnClefStandard(uint32_t clefType, Clef* clef) {
  if (!clef) return;
  std::memset(clef, 0, sizeof(Clef));
  clef->type = clefType;
  clef->noteDeBase = clefType == kClefFa ? 43 : clefType == kClefUt ? 53 : 64;
}

int16_t CvtClefEnNoteDeBase(const Clef* clef) {
  if (!clef) return 64;
  int32_t degre = 2, octave = 5;
  if (clef->type == kClefFa) degre = 4, octave = 3;
  else if (clef->type == kClefUt) degre = 3, octave = 4;
  int32_t d = degre - 2 * int32_t(clef->decalageLigne);
  int32_t o = octave + clef->decalageOctave + FloorDiv(d, 7);
  // A far octave shift is held on the MIDI range rather than wrapped.
  return Hauteur(o * 12 + Note2DemiTonStd[Mod(d, 7)]);
}

void CvtTonaliteStdEnTonalite(int16_t index, int32_t mode, Tonalite* key) {
  if (!key) return;
  std::memset(key, 0, sizeof(Tonalite));
  if (index < 0 || index >= kNbTonalitesStd) index = 0;
  RemplitStd(index, mode == 1, key);
  key->mode = mode;
  key->styleAnnulation = 2;
}

int16_t CvtTonaliteEnTonaliteStd(const Tonalite* key) {
  if (!key) return -1;
  for (int16_t i = 0; i < kNbTonalitesStd; i++)
    if (std::memcmp(key->alterations, TabAlterationsStd[i], 7) == 0) return i;
  return -1;
}

int16_t CvtTonaliteEnFondamentale(const Tonalite* key) {
  if (!key) return 0;
  return int16_t(
      Mod(Note2DemiTonStd[Degre(key->degreTonique)] + DecalageAlterationTonique(key->alterationTonique), 12));
}

void CalculeArmureFnFondamentaleEtMode(Tonalite* key) {
  if (!key) return;
  uint8_t* b = key->alterations;
  std::memset(b, 2, 7);
  bool majeur = key->mode != 0;
  const int16_t* gamme = majeur ? tabProgressionMajeur : tabProgressionMineur;
  int16_t deg = Degre(key->degreTonique);
  int8_t alt = key->alterationTonique;
  int32_t s = Note2DemiTonStd[deg] + (alt == 1 ? 1 : alt == 3 ? -1 : 0);
  bool diese = alt == 1 ? true : alt == 3 ? false : (majeur ? IsDieseSelonDegreMajeur : IsDieseSelonDegreMineur)[deg];
  b[deg] = uint8_t(alt);
  for (int k = 1; k < 7; k++) {
    int32_t t = Mod(s + gamme[k], 12);
    int16_t d = diese ? TabDegreDemiTonDiese[t] : TabDegreDemiTonBemol[t];
    uint8_t sp = diese ? TabAlterationDemiTonDiese[t] : TabAlterationDemiTonBemol[t];
    if (b[d] == 2) {
      b[d] = sp;
      continue;
    }
    if (diese && sp == 0) {
      // E sharp for F, B sharp for C.
      int32_t bas = Mod(t - 1, 12);
      if (TabAlterationDemiTonDiese[bas] == 0 && b[TabDegreDemiTonDiese[bas]] == 2) b[TabDegreDemiTonDiese[bas]] = 1;
    } else if (diese && sp == 1 && b[d] == 0) {
      int32_t bas = Mod(s + gamme[k - 1] - 1, 12);
      int16_t db = TabDegreDemiTonDiese[bas];
      if (TabAlterationDemiTonDiese[bas] == 0 && b[db] == 2) {
        b[db] = 1;
        b[d] = 1;
      }
    } else if (!diese && sp == 0) {
      // C flat for B, F flat for E.
      int32_t haut = Mod(t + 1, 12);
      if (TabAlterationDemiTonDiese[haut] == 0 && b[TabDegreDemiTonDiese[haut]] == 2) b[TabDegreDemiTonDiese[haut]] = 3;
    }
  }
  for (int d = 0; d < 7; d++)
    if (b[d] == 2) b[d] = 0;
}

void CvtTonaliteDemiTonEnNouvelleTonalite(const Tonalite* key, int16_t semitones, Tonalite* out) {
  if (!key || !out) return;
  Tonalite src = *key;
  bool majeur = src.mode == 1;
  int16_t fond = CvtTonaliteEnFondamentale(&src);
  int32_t index = CvtTonaliteEnTonaliteStd(&src);
  if (index < 0) {
    // Fewer accidentals first, flats before sharps at each count.
    for (int d = 0; d <= 7 && index < 0; d++) {
      for (int p : {7 - d, 7 + d}) {
        int32_t i = TabNbAlterationsToTonaliteStd[p];
        if (FondamentaleStd(i, majeur) == fond) {
          index = i;
          break;
        }
      }
    }
  }
  int32_t cible = Mod(fond + semitones, 12);
  int32_t p = index < 0 ? 15 : index == 0 ? 7 : index <= 7 ? 7 + index : 14 - index;
  Tonalite r;
  std::memset(&r, 0, sizeof r);
  bool trouve = false;
  for (int d = 0; d <= 7 && !trouve; d++) {
    for (int32_t q : {p - d, p + d}) {
      if (q < 0) q += 15;
      if (q > 14) q -= 15;
      int32_t i = TabNbAlterationsToTonaliteStd[q];
      if (FondamentaleStd(i, majeur) == cible) {
        RemplitStd(i, majeur, &r);
        trouve = true;
        break;
      }
    }
  }
  if (!trouve) {
    r.degreTonique = majeur ? 0 : 5;
    r.alterationTonique = 2;
  }
  r.mode = src.mode;
  r.styleAnnulation = 2;
  *out = r;
}

void CalculeTonaliteParDelta(const Tonalite* oldRef, const Tonalite* newRef, const Tonalite* key, Tonalite* out) {
  if (!oldRef || !newRef || !key || !out) return;
  if (CmpTonalite(key, oldRef)) {
    *out = *newRef;
    return;
  }
  Tonalite src = *key;
  if (CmpTonalite(oldRef, newRef)) {
    *out = src;
    return;
  }
  int32_t cible = Mod(
      CvtTonaliteEnFondamentale(newRef) - CvtTonaliteEnFondamentale(oldRef) + CvtTonaliteEnFondamentale(&src) + 24, 12);
  bool majeur = oldRef->mode == newRef->mode ? src.mode != 0 : newRef->mode == 1;
  int16_t da = DecalageAlterationTonique(oldRef->alterationTonique);
  int16_t dn = DecalageAlterationTonique(newRef->alterationTonique);
  bool versLeBas = da > dn || (da == dn && oldRef->alterationTonique == 3);
  for (int k = 0; k < kNbTonalitesStd; k++) {
    int32_t i = versLeBas ? kNbTonalitesStd - 1 - k : k;
    if (FondamentaleStd(i, majeur) != cible) continue;
    Tonalite r = src;
    RemplitStd(i, majeur, &r);
    r.mode = majeur ? 1 : 0;
    *out = r;
    return;
  }
  *out = src;
}

void FixeTonaliteMesuresParDelta(Partition** score, Portee** staff, const Tonalite* oldRef, const Tonalite* newRef,
                                 int16_t firstBar, int16_t endBar, int16_t transpositionMode, uint32_t visible,
                                 uint32_t reminder, int16_t exactFirst) {
  if (!staff || !oldRef || !newRef || firstBar < 0) return;
  Tonalite ancienne = *oldRef, nouvelle = *newRef;
  int32_t b = firstBar;
  bool premier = true;
  int32_t fin;
  do {
    Tonalite kb, nk;
    CvtMesureEnTonalite(staff, int16_t(b), &kb);
    if (premier && exactFirst) {
      nk = nouvelle;
    } else {
      CalculeTonaliteParDelta(&ancienne, &nouvelle, &kb, &nk);
      nk.styleAnnulation = nouvelle.styleAnnulation;
    }
    fin = RechercheMesureEndChangeClefTonalite(score, staff, int16_t(b), nullptr, &nk);
    uint32_t v = CvtMesureEnVisible(staff, int16_t(b));
    uint32_t r = CvtMesureEnRappel(staff, int16_t(b));
    if (premier) {
      v = (v & ~kVisibleArmure) | (visible & kVisibleArmure);
      r = (r & ~kVisibleArmure) | (reminder & kVisibleArmure);
    }
    // Graphics attached to a change keep their record.
    int16_t i = CvtNumMesureEnIndxTabTonalite(staff, int16_t(b));
    int32_t n;
    const EltTabTonalite* t = GetEltsTabTonalite(staff, &n);
    uint16_t lien = i >= 0 && t ? t[i].lien : kLienTonaliteAucun;
    FixeTonaliteEtClefMesure(score, staff, int16_t(b), &nk, nullptr, transpositionMode, v, r, lien);
    premier = false;
    // The stretch end is always past its start: the walk ends.
    if (fin <= b) break;
    b = fin;
  } while (fin < endBar && b <= kMaxMesures);
  if (score) SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
}

bool IsDeltaOctave(int16_t semitones) { return std::abs(int32_t(semitones)) % 12 == 0; }

void CvtMesureEnTonaliteProbable(Partition** score, int16_t bar, Tonalite* key) {
  if (!key) return;
  CvtTonaliteStdEnTonalite(0, 1, key);
  if (!score || !(*score)->portees || !(*score)->instruments) return;
  struct Vote {
    Tonalite cle;
    int32_t voix;
  };
  constexpr int kMaxVotes = 64;
  Vote votes[kMaxVotes];
  int nbVotes = 0;
  int32_t nbInstruments =
      std::min<int32_t>((*score)->nbInstruments, GetHandleSize((*score)->instruments) / int32_t(sizeof(Instrument)));
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !(*staff)->affichee || !IsTypePorteeChangeTonalite(staff)) continue;
    int16_t inst = (*staff)->instrument;
    if (inst < 0 || inst >= nbInstruments) continue;
    const Instrument& instrument = reinterpret_cast<Instrument*>(*(*score)->instruments)[inst];
    if (!instrument.inUse) continue;
    Tonalite k;
    CvtMesureEnTonalite(staff, bar, &k);
    int16_t t = int16_t(instrument.transposition % 12);
    if (t != 0) CvtTonaliteDemiTonEnNouvelleTonalite(&k, t, &k);
    int32_t voix = t == 0 ? 4 : 1;
    int j = 0;
    while (j < nbVotes && !CmpTonalite(&votes[j].cle, &k)) j++;
    if (j < nbVotes) {
      votes[j].voix += voix;
    } else if (nbVotes < kMaxVotes) {
      votes[nbVotes++] = Vote{k, voix};
    }
  }
  int meilleur = -1;
  for (int j = 0; j < nbVotes; j++)
    if (meilleur < 0 || votes[j].voix > votes[meilleur].voix) meilleur = j;
  if (meilleur >= 0) *key = votes[meilleur].cle;
}

// ---- Note transposition.

namespace {

// Diatonic step of a clef's bottom line (degree + 7 x octave).
int32_t DiatoniqueClef(const Clef& c) {
  int32_t degre = 2, octave = 5;
  if (c.type == kClefFa) degre = 4, octave = 3;
  else if (c.type == kClefUt) degre = 3, octave = 4;
  return (octave + c.decalageOctave) * 7 + degre - 2 * int32_t(c.decalageLigne);
}

// The degree a pitch is written on, under the note's own accidental or else
// the key; its semitone shift from the natural degree goes in *shift.
int16_t DegreEcrit(int32_t pitch, uint8_t accidental, const Tonalite& key, int16_t* shift) {
  int32_t pc = Mod(pitch, 12);
  uint8_t a = accidental & kAlterationMasque;
  if (a != kAlterationAucune) {
    int16_t dec = a == 0 ? 0 : DecalageAlterationTonique(int8_t(a));
    for (int16_t d = 0; d < 7; d++)
      if (Mod(Note2DemiTonStd[d] + dec, 12) == pc) {
        *shift = dec;
        return d;
      }
  }
  for (int16_t d = 0; d < 7; d++)
    if (Mod(Note2DemiTonStd[d] + DecalageArmure(key.alterations[d]), 12) == pc) {
      *shift = DecalageArmure(key.alterations[d]);
      return d;
    }
  for (int16_t d = 0; d < 7; d++)
    if (Note2DemiTonStd[d] == pc) {
      *shift = 0;
      return d;
    }
  bool bemols = false;
  for (int d = 0; d < 7; d++) bemols |= key.alterations[d] == 3;
  *shift = bemols ? -1 : 1;
  return bemols ? TabDegreDemiTonBemol[pc] : TabDegreDemiTonDiese[pc];
}

// The same place on the staff under another clef and key.
int8_t HauteurMemePlace(int32_t pitch, uint8_t accidental, const Tonalite& oldKey, const Clef& oldClef,
                        const Tonalite& newKey, const Clef& newClef) {
  int16_t shift = 0;
  int16_t d = DegreEcrit(pitch, accidental, oldKey, &shift);
  int32_t octave = FloorDiv(pitch - Note2DemiTonStd[d] - shift, 12);
  int32_t place = octave * 7 + d - DiatoniqueClef(oldClef);
  int32_t dn = DiatoniqueClef(newClef) + place;
  int32_t degre = Mod(dn, 7);
  int32_t on = FloorDiv(dn - degre, 7);
  uint8_t a = accidental & kAlterationMasque;
  int32_t dec = a != kAlterationAucune ? shift : DecalageArmure(newKey.alterations[degre]);
  return int8_t(Hauteur(on * 12 + Note2DemiTonStd[degre] + dec));
}

}  // namespace

void TransposeMesures(Partition** score, Portee** staff, int16_t bar, const Clef* clef, const Tonalite* key,
                      int16_t transpositionMode) {
  if (transpositionMode == kTranspositionAucune || !staff || (*staff)->type != kTypePorteeStandard || bar < 0) return;
  Tonalite ancienne;
  Clef ancienneClef;
  CvtMesureEnTonalite(staff, bar, &ancienne);
  CvtMesureEnClef(staff, bar, &ancienneClef);
  if ((*staff)->flagGrilleAccord) SetGrilleAccordNonCalculee();
  int16_t fin = RechercheMesureEndChangeClefTonalite(score, staff, bar, clef, key);
  int32_t de = CvtMesureEnIndexNote(score, staff, bar);
  int32_t a = CvtMesureEnIndexNote(score, staff, fin);
  int32_t n;
  Signe* notes = GetSignesPortee(staff, &n);
  if (!notes) return;
  de = std::clamp<int32_t>(de, 0, n);
  a = std::clamp<int32_t>(a, de, n);
  if (de >= a) return;
  FixeTablatureEtAccordsNonCalcules(staff);
  notes = GetSignesPortee(staff, &n);
  a = std::min(a, n);
  if (transpositionMode == kTranspositionGardePlace) {
    // Each note keeps its line or space: its pitch follows the new clef and key.
    Tonalite cible = key ? *key : ancienne;
    Clef cibleClef = clef ? *clef : ancienneClef;
    for (int32_t i = de; i < a; i++) {
      Signe& s = notes[i];
      if (s.kind < 0) continue;
      int16_t b = CvtIndexNoteEnMesure(staff, i);
      notes = GetSignesPortee(staff, &n);
      Tonalite kb;
      Clef cb;
      CvtMesureEnTonalite(staff, b, &kb);
      CvtMesureEnClef(staff, b, &cb);
      const Tonalite& tk = CmpTonalite(&kb, &ancienne) ? cible : kb;
      const Clef& tc = CmpClef(&cb, &ancienneClef) ? cibleClef : cb;
      notes[i].kind = HauteurMemePlace(notes[i].kind, notes[i].alteration, kb, cb, tk, tc);
    }
    InvalideNotesPortee(staff, de);
    return;
  }
  int16_t table[128];
  for (int i = 0; i < 128; i++) table[i] = int16_t(i);
  int32_t decalage;
  if (!key || CmpTonalite(key, &ancienne)) {
    decalage = transpositionMode == kTranspositionHaut ? 12 : -12;
  } else {
    int32_t o = CvtTonaliteEnFondamentale(&ancienne), nf = CvtTonaliteEnFondamentale(key);
    for (int32_t i = 0; i < 128; i++) {
      if (ancienne.mode == 1 && key->mode == 0)
        table[i] = Hauteur(nf + DemiTonMajeur2Mineur[(i - o + 12) % 12] + 12 * ((i - o) / 12));
      else table[i] = Hauteur(i + nf - o);
    }
    int32_t delta = nf - o;
    decalage = transpositionMode == kTranspositionHaut && delta < 0  ? 12
               : transpositionMode == kTranspositionBas && delta > 0 ? -12
                                                                     : 0;
  }
  for (int i = 0; i < 128; i++) table[i] = Hauteur(table[i] + decalage);
  for (int32_t i = de; i < a; i++)
    if (notes[i].kind >= 0) notes[i].kind = int8_t(table[notes[i].kind]);
  InvalideNotesPortee(staff, de);
}

// ---- Concert key.

namespace {

bool gCheckConcertKeyEnCours = false;

Instrument* InstrumentPortee(Partition** score, Portee** staff) {
  if (!score || !staff || !(*score)->instruments) return nullptr;
  int32_t n =
      std::min<int32_t>((*score)->nbInstruments, GetHandleSize((*score)->instruments) / int32_t(sizeof(Instrument)));
  int16_t i = (*staff)->instrument;
  if (i < 0 || i >= n) return nullptr;
  return &reinterpret_cast<Instrument*>(*(*score)->instruments)[i];
}

bool IsPorteeConcertKey(Portee** staff) {
  return staff && (*staff)->type == kTypePorteeStandard && (*staff)->affichee == 1;
}

}  // namespace

int16_t AppliqueInstrumentTranspositeur(Partition** score, Portee** staff, int16_t transposition, int16_t how) {
  Instrument* instrument = InstrumentPortee(score, staff);
  if (!instrument) return 0;
  PauseMusique();
  int32_t delta = int32_t(instrument->transposition) - transposition;
  Tonalite cle0, nouvelle;
  CvtMesureEnTonalite(staff, 0, &cle0);
  CvtTonaliteDemiTonEnNouvelleTonalite(&cle0, int16_t(delta), &nouvelle);
  // The staff's own way of cancelling accidentals survives the move.
  nouvelle.styleAnnulation = cle0.styleAnnulation;
  if (delta % 12 != 0) {
    int16_t m = how == 1 || how == 2 ? int16_t(0) : how;
    FixeTonaliteMesuresParDelta(score, staff, &cle0, &nouvelle, 0, (*score)->nbMesures, m, CvtMesureEnVisible(staff, 0),
                                0, 1);
  }
  if (how != 0 && how != 3) {
    FixeAccordsNonCalcules(staff);
    bool tablature = IsTablatureVisible(staff);
    int32_t n;
    Signe* notes = GetSignesPortee(staff, &n);
    for (int32_t i = 0; notes && i < n; i++) {
      if (notes[i].kind <= 0) continue;
      // Pitches stay sounding notes: held in 1..127.
      notes[i].kind = int8_t(std::clamp<int32_t>(notes[i].kind + delta, 1, 127));
      if (tablature) notes[i].tablatureCase = uint8_t(std::clamp<int32_t>(notes[i].tablatureCase + delta, 0, 255));
    }
    InvalideNotesPortee(staff, 0);
  }
  instrument = InstrumentPortee(score, staff);
  if (instrument && instrument->transposition != transposition) {
    int16_t source = (*staff)->instrument;
    if (InstrumentUtiliseCombienDeFois(score, source) >= 2) {
      int16_t copie = AjouteInstrument(score);
      if (copie >= 0) {
        Instrument* t = reinterpret_cast<Instrument*>(*(*score)->instruments);
        Instrument c = t[source];
        // The copy shares no sound with its source, nor its cache file.
        std::memcpy(c.sampleHandles, t[copie].sampleHandles, sizeof c.sampleHandles);
        c.jeu.etat = EtatJeuInstrument{};
        c.index = copie;
        c.inUse = 1;
        if (std::strlen(c.name) < 60) std::strcat(c.name, " [Transp]");
        t[copie] = c;
        (*staff)->instrument = copie;
      }
    }
    instrument = InstrumentPortee(score, staff);
    if (instrument) instrument->transposition = transposition;
  }
  DePauseMusique();
  CheckAndSaveInfoForConcertKey(score, 1);
  return 1;
}

int16_t CheckAndSaveInfoForConcertKey(Partition** score, int16_t warn) {
  if (!score || !(*score)->modeConcertKey || gCheckConcertKeyEnCours) return 0;
  gCheckConcertKeyEnCours = true;
  int16_t change = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!IsPorteeConcertKey(staff)) continue;
    Instrument* instrument = InstrumentPortee(score, staff);
    if (!instrument) continue;
    int32_t t = instrument->transposition;
    int32_t o = t / 12 * 12, r = t - o;
    if (r >= 7) {
      r -= 12;
      o += 12;
    }
    if (r == 0) continue;
    AppliqueInstrumentTranspositeur(score, staff, int16_t(o), r < 1 ? 2 : 1);
    (*staff)->decalageConcertKey = int16_t(r);
    if ((instrument = InstrumentPortee(score, staff))) instrument->transposition = int16_t(o);
    change = 1;
  }
  if (warn && change) AvertissementVrac();
  gCheckConcertKeyEnCours = false;
  return change;
}

uint8_t GetModeConcertKey(Partition** score) { return score ? (*score)->modeConcertKey : 0; }

int16_t SetModeConcertKey(Partition** score, uint8_t mode) {
  if (!score || (*score)->modeConcertKey == mode) return 0;
  (*score)->modeConcertKey = mode;
  if (mode) return CheckAndSaveInfoForConcertKey(score, 0);
  int16_t change = 0;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!IsPorteeConcertKey(staff) || (*staff)->decalageConcertKey == 0) continue;
    Instrument* instrument = InstrumentPortee(score, staff);
    if (!instrument) continue;
    int32_t sh = (*staff)->decalageConcertKey, t = instrument->transposition;
    AppliqueInstrumentTranspositeur(score, staff, int16_t(sh + 12 * FloorDiv(t, 12)), sh < 1 ? 1 : 2);
    change = 1;
  }
  for (int16_t s = 0; s < (*score)->nbPortees; s++)
    if (Portee** staff = (*score)->portees[s]) (*staff)->decalageConcertKey = 0;
  return change;
}

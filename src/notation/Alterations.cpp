#include "notation/Alterations.h"

#include <cstring>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"

uint8_t AlterationCourante[kNbLignesAlteration];
uint8_t marqueChangementAlteration = kMGMarqueChangementAlteration;

namespace {

uint8_t priseEnCompteAlterations = 1;

// The step of each white-key pitch class; -1 for the black keys.
constexpr int8_t kHauteurNeutre2Ligne[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
// How a pitch class that the key does not spell is written: its step and code.
constexpr int8_t kInterligneStandard[12] = {0, 0, 1, 2, 2, 3, 3, 4, 4, 5, 6, 6};
constexpr uint8_t kAlterationStandard[12] = {0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 3, 0};

// Pitches below C0 (a flat on the lowest C) still fall on their own octave.
int32_t DivSol(int32_t a, int32_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
int32_t ModSol(int32_t a, int32_t b) { return a - DivSol(a, b) * b; }

int LigneTable(int32_t line) {
  return line < 0 ? 0 : line >= kNbLignesAlteration ? kNbLignesAlteration - 1 : int(line);
}

bool ToutesOctaves() { return GModeGraphique.drapeaux[1] != 0; }

void Enregistre(int16_t line, uint8_t code) {
  if (!priseEnCompteAlterations) return;
  if (ToutesOctaves()) {
    for (int l = int(ModSol(line, 7)); l < kNbLignesAlteration; l += 7) AlterationCourante[l] = code;
  } else {
    AlterationCourante[LigneTable(line)] = code;
  }
}

// Every line takes its step's accidental: the key's seven bytes repeated,
// copied by doubling blocks (this runs before every note is spelled).
void RazDepuisTonalite(const Tonalite& key) {
  if (!priseEnCompteAlterations) return;
  std::memcpy(AlterationCourante, key.alterations, 7);
  for (int fait = 7; fait < kNbLignesAlteration; fait *= 2) {
    const int n = fait * 2 <= kNbLignesAlteration ? fait : kNbLignesAlteration - fait;
    std::memcpy(AlterationCourante + fait, AlterationCourante, size_t(n));
  }
}

void TonaliteMesure(Portee** staff, int32_t tick, Tonalite* key) {
  // Drums on a standard staff show no key: their notes are spelled in C.
  if (!staff || (*staff)->type == kTypePorteeBatterieStd) {
    CvtTonaliteStdEnTonalite(0, 1, key);
    return;
  }
  Partition** score = (*staff)->partition;
  CvtMesureEnTonalite(staff, score ? CvtTempsEnMesure(score, tick) : 0, key);
}

// Per-staff cursors of a merged group, kept between calls.
struct Curseur {
  Portee** staff;
  int32_t index;
  int64_t temps;
};
std::vector<Curseur> curseurs;

// The first note of a staff that starts at or after the tick, and its start.
Curseur PremiereNoteDepuis(Portee** staff, int32_t tick) {
  const int32_t i = CvtTempsEnIndexNote(staff, tick);
  return Curseur{staff, i, CvtIndexNoteEnTemps(staff, i)};
}

}  // namespace

int16_t CvtAlterationEnDecalageDemiTon(uint8_t code) {
  static const int16_t decalage[6] = {0, 1, 0, -1, 2, -2};
  return code <= 5 ? decalage[code] : 0;
}

void SetPriseEnCompteAlterations(uint8_t on) { priseEnCompteAlterations = on; }
uint8_t GetPriseEnCompteAlterations() { return priseEnCompteAlterations; }

uint8_t CalcLigneEtAlterationTheoriques(const Tonalite* key, int16_t pitch, uint8_t* accidental, uint8_t* shown,
                                        int16_t* line) {
  const uint8_t octet = accidental ? *accidental : uint8_t(kAlterationAucune);
  if (pitch < 0) {
    if (shown) *shown = kAlterationAucune;
    if (line) *line = 0;
    if (accidental) *accidental = kAlterationAucune;
    return kAlterationAucune;
  }
  // Codes 6 and 7 mean nothing: the key spells such a note.
  uint8_t req = octet & kAlterationMasque;
  if (req > 5) req = kAlterationAucune;
  int32_t l = 0;
  uint8_t code = kAlterationAucune;
  bool trouve = false;
  if (req != kAlterationAucune) {
    const int32_t base = pitch - CvtAlterationEnDecalageDemiTon(req);
    const int8_t step = kHauteurNeutre2Ligne[ModSol(base, 12)];
    if (step >= 0) {
      l = DivSol(base, 12) * 7 + step;
      code = req;
      trouve = true;
    }
  }
  if (!trouve) {
    const int32_t n = ModSol(pitch, 12);
    for (int s = 0; s < 7; s++) {
      const uint8_t k = key ? key->alterations[s] : 0;
      const int16_t d = CvtAlterationEnDecalageDemiTon(k);
      if ((Note2DemiTonStd[s] + d + 12) % 12 == n) {
        l = DivSol(pitch - d, 12) * 7 + s;
        code = k;
        trouve = true;
      }
    }
    if (!trouve) {
      l = DivSol(pitch, 12) * 7 + kInterligneStandard[n];
      code = kAlterationStandard[n];
    }
  }
  const uint8_t enVigueur = AlterationCourante[LigneTable(l)];
  uint8_t s = code == enVigueur ? uint8_t(kAlterationAucune) : code;
  if (octet & kAlterationToujours) s = code;
  if (marqueChangementAlteration && enVigueur != 0 && enVigueur != kAlterationAucune && enVigueur <= 5) {
    const int d = CvtAlterationEnDecalageDemiTon(code) - CvtAlterationEnDecalageDemiTon(enVigueur);
    if (d >= 2 || d <= -2) s |= kAlterationChangement;
  }
  if (accidental) *accidental = code;
  if (shown) *shown = s;
  if (line) *line = int16_t(l);
  return s;
}

void PrendEnCompteGraceNote(Portee** staff, const Tonalite* key, const Signe* note, int16_t group) {
  if (!staff || !note || note->kind < 0) return;
  const ParamEffet* e = GetParamEffetNote(staff, note);
  if (!e || e->sansGraces) return;
  for (int g = 0; g < kNbGraceNotes && e->graces[g].utilise; g++) {
    const GraceNote& grace = e->graces[g];
    if ((grace.apres ? 1 : 0) != (group ? 1 : 0)) continue;
    uint8_t code = grace.alteration;
    int16_t line = 0;
    CalcLigneEtAlterationTheoriques(key, int16_t(note->kind + grace.decalage), &code, nullptr, &line);
    Enregistre(line, code);
  }
}

void PrendEnCompteSignePourAlteration(Portee** staff, const Tonalite* key, const Signe* note, int16_t mode) {
  if (mode == 0 || !note || note->kind < 0) return;
  PrendEnCompteGraceNote(staff, key, note, 0);
  if (mode >= 2 && !(note->alteration & kAlterationMasquee)) {
    uint8_t code = note->alteration;
    int16_t line = 0;
    CalcLigneEtAlterationTheoriques(key, note->kind, &code, nullptr, &line);
    Enregistre(line, code);
  }
  if (mode >= 3) PrendEnCompteGraceNote(staff, key, note, 1);
}

int32_t CalculeAlterationsJusquaNous(Portee** staff, int32_t noteIndex, int32_t tick, Tonalite* key,
                                     int16_t graceMode) {
  Tonalite k;
  TonaliteMesure(staff, tick, &k);
  if (key) *key = k;
  RazDepuisTonalite(k);
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || noteIndex < 0 || noteIndex >= n) return noteIndex;
  int32_t premier = noteIndex;
  while (premier > 0 && (s[premier - 1].flags & kSigneAccordSuite)) premier--;
  Partition** score = (*staff)->partition;
  const int32_t debutMesure = score ? CvtMesureEnTemps(score, CvtTempsEnMesure(score, tick)) : 0;
  auto mode = [tick](const Signe& note, int64_t t) { return int16_t(t + note.duree <= tick ? 3 : 2); };

  int16_t tete = -1, fin = -1;
  if (score && (*staff)->modeFusion != kFusionAucune) {
    tete = CvtIndexPorteeEnIndexPorteeDebutFusion(score, (*staff)->index);
    fin = CvtIndexPorteeEnIndexPorteeFinFusion(score, tete);
  }
  if (tete < 0 || tete == fin) {
    Curseur c = PremiereNoteDepuis(staff, debutMesure);
    for (int32_t i = c.index; i < premier; i++) {
      s = GetSignesPortee(staff, &n);
      const Signe note = s[i];
      PrendEnCompteSignePourAlteration(staff, &k, &note, mode(note, c.temps));
      if (!(note.flags & kSigneAccordSuite)) c.temps += note.duree;
    }
  } else {
    // Every staff of the group in time order: the earliest cursor first, the
    // first staff in group order on a tie.
    curseurs.clear();
    for (int16_t p = tete; p <= fin; p++)
      if (Portee** autre = GetPorteeIndex(score, p)) curseurs.push_back(PremiereNoteDepuis(autre, debutMesure));
    for (;;) {
      Curseur* choisi = nullptr;
      for (Curseur& c : curseurs)
        if (c.temps < tick && (!choisi || c.temps < choisi->temps)) choisi = &c;
      if (!choisi) break;
      int32_t m = 0;
      const Signe* notes = GetSignesPortee(choisi->staff, &m);
      if (!notes || choisi->index >= m) {
        choisi->temps = int64_t(tick) + 1;  // parked after the tick
        continue;
      }
      const Signe note = notes[choisi->index];
      PrendEnCompteSignePourAlteration(choisi->staff, &k, &note, mode(note, choisi->temps));
      choisi->index++;
      if (!(note.flags & kSigneAccordSuite)) choisi->temps += note.duree;
      if (choisi->index >= m) choisi->temps = int64_t(tick) + 1;
    }
  }
  if (graceMode) {
    s = GetSignesPortee(staff, &n);
    const Signe note = s[noteIndex];
    PrendEnCompteSignePourAlteration(staff, &k, &note, graceMode);
  }
  return premier;
}

int32_t InitAlterationGraceNote(Portee** staff, int32_t noteIndex, int16_t graceMode) {
  return CalculeAlterationsJusquaNous(staff, noteIndex, CvtIndexNoteEnTemps(staff, noteIndex), nullptr, graceMode);
}

int16_t CalcPosAlterationFnNote(Portee** staff, const Signe* note, int16_t* line, uint8_t* shown, int32_t noteIndex,
                                int32_t tick) {
  Tonalite key;
  const int32_t premier = CalculeAlterationsJusquaNous(staff, noteIndex, tick, &key, 0);
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (s && premier >= 0 && premier < n) {
    // Grace notes before any note of the chord count for all its notes.
    for (int32_t i = premier; i < n; i++) {
      const Signe membre = GetSignesPortee(staff, &n)[i];
      PrendEnCompteGraceNote(staff, &key, &membre, 0);
      if (!(membre.flags & kSigneAccordSuite)) break;
    }
  }
  uint8_t code = note ? note->alteration : uint8_t(kAlterationAucune);
  uint8_t montre = kAlterationAucune;
  int16_t l = 0;
  CalcLigneEtAlterationTheoriques(&key, note ? note->kind : int16_t(-1), &code, &montre, &l);
  if (line) *line = l;
  if (shown) *shown = montre;
  return montre;
}

int16_t CalcPosAlterationGraceNote(Portee** staff, const Signe* graceNote, int32_t tick, int16_t* line,
                                   uint8_t* shown) {
  Tonalite key;
  TonaliteMesure(staff, tick, &key);
  uint8_t code = graceNote ? graceNote->alteration : uint8_t(kAlterationAucune);
  uint8_t montre = kAlterationAucune;
  int16_t l = 0;
  CalcLigneEtAlterationTheoriques(&key, graceNote ? graceNote->kind : int16_t(-1), &code, &montre, &l);
  if (graceNote && graceNote->kind >= 0) Enregistre(l, code);
  if (line) *line = l;
  if (shown) *shown = montre;
  return montre;
}

int16_t CalcNoteFnPosAlteration(Portee** staff, int16_t line, int32_t tick, uint8_t accidental, const Tonalite* key,
                                int16_t* note) {
  const int32_t step = ModSol(line, 7);
  int32_t pitch = Note2DemiTonStd[step] + 12 * DivSol(line, 7);
  uint8_t code = accidental & kAlterationMasque;
  if (code == kAlterationAucune) {
    uint8_t enVigueur;
    if (tick < 0) {
      enVigueur = key ? key->alterations[step] : uint8_t(0);
    } else {
      CalculeAlterationsJusquaNous(staff, staff ? CvtTempsEnIndexNote(staff, tick) : -1, tick, nullptr, 0);
      enVigueur = AlterationCourante[LigneTable(line)];
    }
    pitch += CvtAlterationEnDecalageDemiTon(enVigueur);
  } else {
    pitch += CvtAlterationEnDecalageDemiTon(code);
  }
  if (pitch < 0 || pitch > 127) {
    pitch = pitch < 0 ? 0 : 127;
    code = kAlterationAucune;
  }
  if (note) *note = int16_t(pitch);
  return code;
}

int16_t CalculeNoteFnTonalite(int16_t pitch, const Tonalite* key, int16_t* step, uint8_t* accidental) {
  if (key) RazDepuisTonalite(*key);
  uint8_t code = kAlterationAucune;
  int16_t line = 0;
  CalcLigneEtAlterationTheoriques(key, int16_t(ModSol(pitch, 12)), &code, nullptr, &line);
  const int16_t s = int16_t(ModSol(line, 7));
  if (step) *step = s;
  if (accidental) *accidental = code;
  return s;
}

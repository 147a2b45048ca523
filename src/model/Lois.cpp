#include "model/Lois.h"

#include <cstring>

#include "model/CvtTemps.h"
#include "model/DeleteMesures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "system/Handles.h"

// The count field is 16-bit.
constexpr int32_t kMaxLois = 32767;

int16_t SelecteurANote(const Signe* note) { return int8_t(note->octetOption1); }
uint16_t SelecteurBNote(const Signe* note) { return note->motAvantDureeEcrite; }
uint8_t NiveauNote(const Signe* note) { return note->velocity; }

Loi* GetLoisPortee(Portee** staff, int32_t* count) {
  int32_t n = 0;
  if (staff && (*staff)->lois) {
    n = (*staff)->nbLois;
    int32_t cap = int32_t(GetHandleSize((*staff)->lois) / Size(sizeof(Loi)));
    if (n > cap) n = cap;
    if (n < 0) n = 0;
  }
  if (count) *count = n;
  return n > 0 ? reinterpret_cast<Loi*>(*(*staff)->lois) : nullptr;
}

static void LoiDefaut(Portee** staff, Loi* l) {
  std::memset(l, 0, sizeof *l);
  l->selecteurA = kLoiSelecteurATous;
  l->hauteur = kLoiHauteurToutes;
  l->selecteurB = kLoiSelecteurBTous;
  l->valeurPortee = (*staff)->instrument;
  l->valeur1 = 1;
  l->noteJeu = 60;
  l->octetJeu = -1;
  l->dureeJeu = 80640;
  const int8_t jeu[6] = {-1, -1, -1, 127, -1, -1};
  std::memcpy(l->octetsJeu, jeu, sizeof jeu);
  RazNote(&l->note, 60, 80640);
  InitDefaultParamEffet(nullptr, &l->effets);
  l->modeLegende = 1;
  l->ajustAlteration = 2;
  l->plageHaut = 127;
  l->plageHaut2 = 127;
  l->active = 1;
}

int32_t NewLoi(Portee** staff) {
  if (!staff) return -1;
  int32_t n;
  GetLoisPortee(staff, &n);
  if (n >= kMaxLois) return -1;
  Loi nouvelle;
  if (n > 0) {
    nouvelle = GetLoisPortee(staff, &n)[n - 1];
    nouvelle.selectionnee = 0;
    // The copy gets marks of its own: two laws sharing one handle would free
    // it twice.
    nouvelle.effets.marks = nullptr;
    Handle marks = GetLoisPortee(staff, &n)[n - 1].effets.marks;
    if (marks && !(nouvelle.effets.marks = DupHandle(marks))) return -1;
  } else {
    LoiDefaut(staff, &nouvelle);
  }
  if (!(*staff)->lois) (*staff)->lois = NewHandle(0);
  if (!(*staff)->lois || !RetailleHandle((*staff)->lois, Size(n + 1) * Size(sizeof(Loi)))) {
    DeleteTabMark(&nouvelle.effets.marks);
    return -1;
  }
  reinterpret_cast<Loi*>(*(*staff)->lois)[n] = nouvelle;
  (*staff)->nbLois = int16_t(n + 1);
  return n;
}

void DisposeLoisPortee(Portee** staff) {
  if (!staff) return;
  int32_t n;
  Loi* l = GetLoisPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) DeleteTabMark(&l[i].effets.marks);
  LibereHandle(&(*staff)->lois);
  (*staff)->nbLois = 0;
}

// Semitone shift of a key-signature or accidental code (1 sharp, 2 none,
// 3 flat, 4 and 5 the doubles); 0 for the others.
static int16_t DecalageAlteration(uint8_t code) {
  static const int16_t decalage[6] = {0, 1, 0, -1, 2, -2};
  return code <= 5 ? decalage[code] : 0;
}

static int16_t ModuloDouze(int32_t v) { return int16_t(((v % 12) + 12) % 12); }

bool IsNoteMatchLoi(Portee** staff, const Signe* note, const Loi* law, int32_t tick) {
  if (!note || !law) return false;
  Partition** score = staff ? (*staff)->partition : nullptr;
  if (law->selecteurA != kLoiSelecteurATous && SelecteurANote(note) != -1 && SelecteurANote(note) != law->selecteurA)
    return false;
  if (law->relatifFondamentale) {
    if (tick < 0) return false;
    int16_t f = RechercheHauteurFondamentale(score, tick);
    if (f < 0) return false;
    if ((240 - f + note->kind) % 12 != (law->hauteur - kLoiHauteurFondamentale) % 12) return false;
  } else if (law->hauteur != kLoiHauteurToutes) {
    if (note->kind < 0) return false;
    if (!law->horsOctave && law->modeTonalite == 0) {
      if (note->kind != law->hauteur) return false;
    } else {
      Tonalite key;
      if (score) CvtTempsEnTonalite(staff, tick, &key);
      else CvtTonaliteStdEnTonalite(0, 1, &key);
      int32_t hauteur = law->hauteur;
      if (law->modeTonalite & 0xFF) {
        int16_t t = Note2DemiTonStd[key.degreTonique >= 0 && key.degreTonique < 7 ? key.degreTonique : 0];
        if (key.alterationTonique == 1) t++;
        if (key.alterationTonique == 3) t--;
        if (t > 6) t = int16_t(t - 12);
        if (t < -6) t = int16_t(t + 12);
        hauteur += t;
      }
      // Pitch classes of a law moved below C wrap round to B and under.
      if (law->horsOctave ? ModuloDouze(note->kind) != ModuloDouze(hauteur) : note->kind != hauteur) return false;
      if (law->modeTonalite & 0xFF00) {
        int16_t ligne = 0;
        uint8_t affichee = kAlterationAucune;
        CalcPosAlterationFnNote(staff, note, &ligne, &affichee, 0, tick);
        const int16_t degre = int16_t(((ligne % 7) + 7) % 7);
        int16_t decalage =
            int16_t(DecalageAlteration(key.alterations[degre]) + DecalageAlteration(law->ajustAlteration));
        bool ok;
        switch (affichee & kAlterationMasque) {
          case 0: ok = decalage == 0; break;
          case 1: ok = decalage == 1; break;
          case 2: ok = law->ajustAlteration == 0 || law->ajustAlteration == 2; break;
          case 3: ok = decalage == -1; break;
          case 4: ok = decalage == 2; break;
          case 5: ok = decalage == -2; break;
          default: ok = false;
        }
        if (!ok) return false;
      }
    }
  }
  if (law->selecteurB != kLoiSelecteurBTous && SelecteurBNote(note) != kLoiSelecteurBTous &&
      SelecteurBNote(note) != law->selecteurB)
    return false;
  if (law->testPlage && note->kind >= 0 && (NiveauNote(note) < law->plageBas || NiveauNote(note) > law->plageHaut))
    return false;
  if (law->testMark & 0xFF) {
    if (!staff) return false;
    const ParamEffet* e = GetParamEffetNote(staff, note);
    if (!e || !IsMarkInParamEffet(e, uint8_t(law->testMark >> 8), nullptr)) return false;
  }
  return true;
}

int32_t RechercheLoiSelonNote(Portee** staff, int32_t first, const Signe* note, int32_t tick) {
  int32_t n;
  GetLoisPortee(staff, &n);
  if (first < 0) first = 0;
  for (int32_t i = first; i < n; i++) {
    // Copied: matching may look at other staves, never at this list, but the
    // record must not depend on where the handle's block sits.
    Loi law = GetLoisPortee(staff, &n)[i];
    if (IsNoteMatchLoi(staff, note, &law, tick)) return i;
  }
  return -1;
}

// The fundamental search matches notes against laws, and a law relative to
// the fundamental would start the search again: such laws provide nothing,
// and a search never runs inside another.
static bool rechercheFondamentaleEnCours = false;

static bool Fournit(const Loi& law) { return law.fournitFondamentale && !law.relatifFondamentale; }

int16_t RechercheHauteurFondamentale(Partition** score, int32_t tick) {
  if (!score || rechercheFondamentaleEnCours) return -1;
  rechercheFondamentaleEnCours = true;
  int16_t resultat = -1;
  bool trouve = false;
  for (int16_t p = 0; p < (*score)->nbPortees && !trouve; p++) {
    Portee** staff = (*score)->portees[p];
    int32_t nl;
    const Loi* lois = GetLoisPortee(staff, &nl);
    int32_t premiere = 0;
    while (premiere < nl && !Fournit(lois[premiere])) premiere++;
    if (premiere >= nl) continue;
    int32_t i = CvtTempsEnIndexNote(staff, tick);
    int32_t debut = GetTempsLastCvtTempsEnIndxNote();
    int32_t n;
    const Signe* s = GetSignesPortee(staff, &n);
    if (debut > tick && i > 0) {
      // The chord sounding at the tick started before it.
      i--;
      while (i > 0 && (s[i - 1].flags & kSigneAccordSuite)) i--;
    }
    for (; i < n && !trouve; i++) {
      Signe note = GetSignesPortee(staff, &n)[i];
      for (int32_t k = premiere; k < nl && !trouve; k++) {
        Loi law = GetLoisPortee(staff, &nl)[k];
        if (Fournit(law) && IsNoteMatchLoi(staff, &note, &law, tick)) {
          trouve = true;
          resultat = note.kind;
        }
      }
      if (!(note.flags & kSigneAccordSuite)) break;
    }
  }
  rechercheFondamentaleEnCours = false;
  return resultat;
}

void SupprimePorteesVolatilesLois(Partition** score) {
  if (!score) return;
  SupprimePorteesVolatilesRepeteDerniereMesure(score);
  SupprimePorteesVolatilesType(score, kVolatileLoi);
}

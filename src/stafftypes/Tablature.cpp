#include "stafftypes/Tablature.h"

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/TablatureAccordeon.h"
#include "stafftypes/TablatureGuitare.h"
#include "stafftypes/TablatureHarmonica.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"

namespace {

Tablature* Record(Portee** staff) {
  Tablature** t = GetTablature(staff);
  return t ? *t : nullptr;
}

// The record of the group's first staff, which the forwarders call.
Tablature* RecordDebutFusion(Portee** staff) {
  if (!staff) return nullptr;
  Portee** tete = CvtPorteeEnPorteeDebutFusion(staff);
  if (!tete || !(*tete)->tablature) return nullptr;
  return reinterpret_cast<Tablature*>(*(*tete)->tablature);
}

// The style's colour, or the note's: its highlight, then its own index.
void CouleurNote(const TextStyle& style, const Signe* note) {
  if (note && (note->flags & kSigneSurbrillance)) SetForeColor(kCouleurSurbrillanceTablature);
  else if (note && note->couleur != 0) SetForeColor(int16_t(note->couleur));
  else RGBForeColor(&style.color);
}

// At the destination resolution (a score would give its piano-roll zoom).
void StyleZoom(const TextStyle& style) { TextLookZoom(nullptr, style.font, style.size, int16_t(style.face)); }

void StyleAvecNote(Portee** staff, int numero, const Signe* note) {
  const Tablature* t = Record(staff);
  if (!t) return;
  const TextStyle style = t->styles[numero];
  CouleurNote(style, note);
  StyleZoom(style);
}

}  // namespace

Tablature** NewTablature(Portee** staff, uint32_t kind) {
  if (!staff) return nullptr;
  if (!(*staff)->tablature) {
    Handle h = NewHandleClear(Size(sizeof(Tablature)));
    if (!h) return nullptr;
    (*staff)->tablature = h;
    reinterpret_cast<Tablature*>(*h)->kind = kind;
  }
  Tablature** t = reinterpret_cast<Tablature**>((*staff)->tablature);
  SetDefaultStyleTablature(staff);
  (*t)->ligneBase = int16_t((*staff)->decalageLigneBasBaseRuban + 16);
  (*t)->ligneBaseZoom = int16_t(Zoom((*t)->ligneBase));
  (*t)->flagsAffichage = kTablatureAfficheNotation;
  switch (kind) {
    case kTablatureAccordeon: NewTablatureAccordeon(staff); break;
    case kTablatureHarmonica: NewTablatureHarmonica(staff); break;
    case 0: NewTablatureGuitare(staff); break;
    default: break;
  }
  Tablature* r = *t;
  r->afficheCapo = 1;
  r->marquesDessinees = 1;
  r->liaisonsDessinees = 1;
  r->effaceDerriere = 1;
  r->suitOctaves = 1;
  r->teteHarmoniques = 1;
  r->partageGroupe = 1;
  return t;
}

void ClearVecteursTablature(Portee** staff) {
  if (!staff || !(*staff)->tablature) return;
  VecteursTablature& v = reinterpret_cast<Tablature*>(*(*staff)->tablature)->vecteurs;
  const VecteursTablature garde = v;
  v = VecteursTablature{};
  v.TraceNote = &TraceNoteTablatureFusion;
  v.PopUpSelectCase = &PopUpSelectCaseTablatureFusion;
  v.CvtRubanToNote = &CvtRubanToNoteTablatureFusion;
  v.CvtNoteToEcr = &CvtNoteToEcrTablatureFusion;
  v.AfficheCurseur = &AfficheCurseurTablatureFusion;
  v.GetPosCase = &GetPosCaseTablatureFusion;
  v.SetPosCase = &SetPosCaseTablatureFusion;
  v.GetRectRuban = &GetRectRubanTablatureFusion;
  v.TraceGraceNotes = &TraceGraceNotesTablatureFusion;
  v.CalculePosEffet = &CalculePosEffetTablatureFusion;
  v.CvtNoteToRuban = garde.CvtNoteToRuban;
  v.GetPosCorde = garde.GetPosCorde;
  v.SetPosCorde = garde.SetPosCorde;
}

void InitVecteursTablature(Portee** staff, uint32_t kind) {
  if (!staff || !(*staff)->tablature) return;
  switch (kind) {
    case kTablatureAccordeon: InitVecteursTablatureAccordeon(staff); break;
    case kTablatureHarmonica: InitVecteursTablatureHarmonica(staff); break;
    default: InitVecteursTablatureGuitare(staff); break;
  }
  const VecteursTablature& v = reinterpret_cast<Tablature*>(*(*staff)->tablature)->vecteurs;
  VecteursPortee& p = (*staff)->vecteurs;
  if ((*staff)->type == kTypePorteeTablature) {
    p.vect_Note2Ecr = v.CvtNoteToEcr;
    p.vect_Note2Ruban = v.CvtNoteToRuban;
    p.CvtIndexNoteEnAireRuban = v.CvtIndexNoteTablatureEnAireRuban;
  } else if ((*staff)->type == kTypePorteeStandard || (*staff)->type == kTypePorteeBatterieStd) {
    // Other types keep their own note positions.
    p.vect_Note2Ecr = &VectNoteToEcrCleSol;
    p.vect_Note2Ruban = &VectNoteToRubanCleSol;
    p.CvtIndexNoteEnAireRuban = &VectCvtIndexNoteEnAireRubanStd;
  }
}

void DisposeTablature(Portee** staff) {
  if (!staff) return;
  if ((*staff)->tablature) DisposeHandle((*staff)->tablature);
  (*staff)->tablature = nullptr;
}

Tablature** GetTablature(Portee** staff) {
  if (!staff) return nullptr;
  Partition** score = (*staff)->partition;
  const int16_t i = (*staff)->index;
  if (!score || i < 0 || i >= (*score)->nbPortees) return nullptr;
  if ((*score)->portees[i] != staff) return reinterpret_cast<Tablature**>((*staff)->tablature);
  const int16_t n = (*score)->nbPortees;
  for (int16_t j = CvtIndexPorteeEnIndexPorteeDebutFusion(score, i); j < n; j++) {
    Portee** membre = (*score)->portees[j];
    if (!membre) break;
    if (Handle h = (*membre)->tablature) {
      Tablature** t = reinterpret_cast<Tablature**>(h);
      if (membre == staff || (*t)->partageGroupe) return t;
    }
    if (!(*membre)->fusionneAvecSuivante) break;
  }
  return nullptr;
}

Portee** GetPorteeFromTablature(Partition** score, Tablature** tablature) {
  if (!score || !tablature) return nullptr;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** s = (*score)->portees[i];
    if (s && (*s)->tablature == reinterpret_cast<Handle>(tablature)) return s;
  }
  return nullptr;
}

bool IsTablatureVisible(Portee** staff) { return GetTablature(staff) != nullptr; }

bool IsStaffDisplayMarkAsGrace(Portee** staff) { return GetTablature(staff) != nullptr; }

void FixeTablatureNonCalculee(Portee** staff) {
  if (Tablature* t = Record(staff)) t->calculee = 0;
}

void FixeTablatureNonCalculeePourOttava(Portee** staff) {
  if (Tablature* t = Record(staff); t && t->suitOctaves) t->calculee = 0;
}

bool IsNecessaireCalculTablature(Portee** staff) {
  const Tablature* t = Record(staff);
  return t && (*staff)->type != kTypePorteeTablature && !t->calculee;
}

int16_t GetHauteurUtileTablature(Tablature** tablature) {
  if (!tablature) return 0;
  const Tablature& t = **tablature;
  float h = float(t.hauteur);
  if (t.kind != kTablatureHarmonica && t.kind != kTablatureAccordeon) {
    if (t.modeNumeros == kModeLuth) h = float(std::min<int32_t>(t.nbCordes - 1, 5)) * t.interligne;
    else if (t.modeNumeros == kModeKountigui) h = t.interligne;
  }
  return int16_t(int32_t(h));
}

void SetDefaultStyleTablature(Portee** staff) {
  if (!staff || !(*staff)->tablature) return;
  // The preferences leave a style as it is: each starts as the standard one.
  Tablature* t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  for (int i = 0; i < 3; i++) {
    TextStyle style;
    FixeTextStyleStd(&style);
    GetStylePref(int16_t(i), &style);
    t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
    t->styles[i] = style;
  }
}

void SetStyleTablature(Portee** staff, const Signe* note) { StyleAvecNote(staff, kStyleTablatureNote, note); }

void SetStyleTablatureGrace(Portee** staff, const Signe* note) { StyleAvecNote(staff, kStyleTablatureGrace, note); }

void SetStyleEnteteTablature(Portee** staff) { StyleAvecNote(staff, kStyleTablatureEntete, nullptr); }

int16_t CvtIndexNoteEnPosEcranLinTablature(Portee** staff, int32_t index) {
  if (!staff || !(*staff)->tablature) return 0;
  const Tablature* t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  const VectNote2Y slot = t->vecteurs.CvtNoteToEcr;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!slot || !s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  uint8_t flags = 0;
  return slot(staff, CvtIndexNoteEnTemps(staff, index), index, &note, &flags);
}

int16_t CvtIndexNoteEnPosRubanLinTablature(Portee** staff, int32_t index) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.CvtIndexNoteTablatureEnAireRuban || !t->vecteurs.CvtNoteToRuban) return 0;
  const VectNote2Y slot = t->vecteurs.CvtNoteToRuban;
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  uint8_t flags = 0;
  return slot(staff, CvtIndexNoteEnTemps(staff, index), index, &note, &flags);
}

// ---- forwarders

void TraceNoteTablatureFusion(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note,
                              int16_t effectsIndex) {
  const Tablature* t = RecordDebutFusion(staff);
  if (t && t->vecteurs.TraceNote && t->vecteurs.TraceNote != &TraceNoteTablatureFusion)
    t->vecteurs.TraceNote(staff, x, xRef, index, note, effectsIndex);
}

int16_t PopUpSelectCaseTablatureFusion(Portee** staff, int16_t a, int16_t b, int16_t c, int16_t d) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.PopUpSelectCase || t->vecteurs.PopUpSelectCase == &PopUpSelectCaseTablatureFusion) return 0;
  t->vecteurs.PopUpSelectCase(staff, a, b, c, d);
  return 1;
}

int16_t CvtRubanToNoteTablatureFusion(Portee** staff, int32_t tick, int32_t y, Signe* note) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.CvtRubanToNote || t->vecteurs.CvtRubanToNote == &CvtRubanToNoteTablatureFusion) return 0;
  return t->vecteurs.CvtRubanToNote(staff, tick, y, note);
}

int16_t CvtNoteToEcrTablatureFusion(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.CvtNoteToEcr || t->vecteurs.CvtNoteToEcr == &CvtNoteToEcrTablatureFusion) return 0;
  return t->vecteurs.CvtNoteToEcr(staff, tick, index, note, flags);
}

void AfficheCurseurTablatureFusion(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle) {
  const Tablature* t = RecordDebutFusion(staff);
  if (t && t->vecteurs.AfficheCurseur && t->vecteurs.AfficheCurseur != &AfficheCurseurTablatureFusion)
    t->vecteurs.AfficheCurseur(staff, x, y, note, withStyle);
}

int16_t GetPosCaseTablatureFusion(Portee** staff) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.GetPosCase || t->vecteurs.GetPosCase == &GetPosCaseTablatureFusion) return 0;
  return t->vecteurs.GetPosCase(staff);
}

void SetPosCaseTablatureFusion(Portee** staff, int16_t fret) {
  const Tablature* t = RecordDebutFusion(staff);
  if (t && t->vecteurs.SetPosCase && t->vecteurs.SetPosCase != &SetPosCaseTablatureFusion)
    t->vecteurs.SetPosCase(staff, fret);
}

void GetRectRubanTablatureFusion(Portee** staff, BigRect* out) {
  const Tablature* t = RecordDebutFusion(staff);
  if (t && t->vecteurs.GetRectRuban && t->vecteurs.GetRectRuban != &GetRectRubanTablatureFusion)
    t->vecteurs.GetRectRuban(staff, out);
}

int16_t TraceGraceNotesTablatureFusion(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note) {
  const Tablature* t = RecordDebutFusion(staff);
  if (!t || !t->vecteurs.TraceGraceNotes || t->vecteurs.TraceGraceNotes == &TraceGraceNotesTablatureFusion) return 0;
  return t->vecteurs.TraceGraceNotes(staff, x, y, index, note);
}

void CalculePosEffetTablatureFusion(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                    int32_t* y) {
  const Tablature* t = RecordDebutFusion(staff);
  if (t && t->vecteurs.CalculePosEffet && t->vecteurs.CalculePosEffet != &CalculePosEffetTablatureFusion)
    t->vecteurs.CalculePosEffet(screen, staff, note, mark, x, y);
}

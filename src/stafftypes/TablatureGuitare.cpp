#include "stafftypes/TablatureGuitare.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/ExtrasNote.h"
#include "notation/FormesCorps.h"
#include "notation/PetitesNotes.h"
#include "notation/Silences.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/Necks.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/DoigteGuitare.h"
#include "stafftypes/OutilsTablature.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"

namespace {

using namespace outils_tablature;

// Natural harmonics: interval above the open string (semitones), fret.
constexpr int16_t kHarmoniques[6][2] = {{12, 12}, {28, 9}, {19, 7}, {24, 5}, {4, 4}, {31, 3}};
constexpr char kLettresLuth[] = "abcdefghiklmnopqstuvwxyz";
// Diatonic step of each semitone of the octave on a dulcimer.
constexpr int8_t kDulcimer[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 6, 6};
constexpr int16_t kDemiTonsDulcimer[7] = {0, 2, 4, 5, 7, 9, 10};
const char* const kCasesShamisen[17] = {"0", "1", "2", "3",  "#",  "4",  "5",  "6", "7",
                                        "8", "9", "b", "10", "11", "12", "13", "1#"};
const char* const kCasesKountigui[6] = {"0", "1", "2", "3", "4", "4+"};
const char* const kNomsNotes[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// The graphic mode gives the tablature's lines the staff lines' thickness.
constexpr int kSlotEpaisseurBarre = 12;
constexpr uint8_t kGlypheCroix = 192, kGlypheRepeteMesure = 212, kGlyphePoint = 46;
// Head shapes written as harmonics, and the cross head.
constexpr uint8_t kTeteHarmonique1 = 2, kTeteHarmonique2 = 13, kTeteCroix = 3;
constexpr uint8_t kMarkCercle = 6;

int16_t Ouverte(const Tablature& t, int corde) { return int16_t(t.cordes[corde & 15].valeurs[0]); }
int16_t NbCases(const Tablature& t, int corde) { return int16_t(t.cordes[corde & 15].valeurs[1]); }
int16_t PremiereCase(const Tablature& t, int corde) { return int16_t(t.cordes[corde & 15].valeurs[2]); }
int NbCordes(const Tablature& t) { return std::min<int>(t.nbCordes, kNbCordesTablature); }

// The capo in semitones.
int16_t CapoDemiTons(const Tablature& t) {
  return t.modeNumeros == kModeDulcimer ? CvtCaseDulcimerEnDemiTon(t.capo) : t.capo;
}

// The number of line spacings from the first line to the last.
int EcartsLignes(const Tablature& t) {
  if (t.modeNumeros == kModeKountigui) return 0;
  if (t.modeNumeros == kModeLuth) return std::max(0, std::min(NbCordes(t) - 1, 5));
  return std::max(0, NbCordes(t) - 1);
}

int NbLignes(const Tablature& t) {
  if (t.modeNumeros == kModeKountigui) return 1;
  if (t.modeNumeros == kModeLuth) return std::min(NbCordes(t), 6);
  return NbCordes(t);
}

// The line a string is written on.
int Ligne(const Tablature& t, int corde) {
  if (corde >= kNbCordesTablature) return 0;  // no position
  if (t.modeNumeros == kModeKountigui) return 0;
  if (t.modeNumeros == kModeLuth) return std::min(corde, 6);
  return corde;
}

int16_t Base(Portee** staff, const Tablature& t) { return S16(int32_t((*staff)->rect.top) + t.ligneBaseZoom); }

int16_t Unite72(Portee** staff) {
  return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : int16_t(72);
}

float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }

int16_t LargeurTexte(const char* s) { return TextWidth(s, 0, int16_t(std::strlen(s))); }

void DessineTexte(const char* s) { DrawText(s, 0, int16_t(std::strlen(s))); }

// The harmonic whose fret is given: its interval, or -1.
int16_t IntervalleHarmonique(int16_t fret) {
  for (const auto& h : kHarmoniques)
    if (h[1] == fret) return h[0];
  return -1;
}

// The time signature of a bar centred on the tablature at x.
void TraceSignatureTablature(Portee** staff, const Tablature& t, int16_t bar, int16_t x) {
  Partition** score = (*staff)->partition;
  if (!score) return;
  DivisionTemporelle d;
  CvtMesureEnDivisionTemporelle(score, bar, &d);
  Tablature** h = GetTablature(staff);
  const int16_t y = S16(int32_t(Base(staff, t)) + GetHauteurUtileTablature(h) / 2);
  TraceDivisionTemps(staff, x, y, kSansLimiteDroite, &d);
}

bool TablatureSeule(Portee** staff, const Tablature& t) {
  return (*staff)->type == kTypePorteeTablature && !(t.flagsAffichage & kTablatureAfficheNotation);
}

void ChaineGrace(char* out, size_t taille, const char* label) {
  const size_t n = std::strlen(out);
  if (n + 2 >= taille) return;
  std::snprintf(out + n, taille - n, "%s%s", n ? "," : "", label);
}

}  // namespace

// ---- creation and geometry

void InitVecteursTablatureGuitare(Portee** staff) {
  Tablature* t = staff && (*staff)->tablature ? reinterpret_cast<Tablature*>(*(*staff)->tablature) : nullptr;
  if (!t) return;
  VecteursTablature& v = t->vecteurs;
  v.TraceArmature = &TraceArmatureTablatureGuitare;
  v.TraceClefChange = &TraceClefChangeTablatureGuitare;
  v.TraceFond = &TraceFondTablatureGuitare;
  v.TraceBarre = &TraceBarreTablatureGuitare;
  v.TraceNote = &TraceNoteTablatureGuitare;
  v.ReCalculeInterneGraph = &ReCalculeInterneGraphTablatureGuitare;
  v.GetHauteurEcran = &GetHauteurEcranTablatureGuitare;
  v.CalculeTablature = &CalculeTablatureGuitare;
  v.CvtRubanToNote = &CvtRubanToNoteTablatureGuitare;
  v.CvtNoteToEcr = &CvtNoteToEcrTablatureGuitare;
  v.CvtNoteToRuban = &CvtNoteToRubanTablatureGuitare;
  v.GetDeltaXNote = [](Portee**, int32_t) -> int16_t { return 0; };
  v.AfficheCurseur = &AfficheCurseurTablatureGuitare;
  v.GetPosCase = [](Portee**) { return GetGlobalPosCaseTablature(); };
  v.GetPosCorde = [](Portee**) { return GetGlobalPosCordeTablature(); };
  v.SetPosCase = [](Portee**, int16_t fret) { SetGlobalPosCaseTablature(fret); };
  v.SetPosCorde = [](Portee**, int16_t string) { SetGlobalPosCordeTablature(string); };
  v.CvtIndexNoteTablatureEnAireRuban = &CvtIndexNoteTablatureGuitareEnAireRuban;
  v.GetRectRuban = &GetRectRubanTablatureGuitare;
  v.GetRectEcran = &GetRectEcranTablatureGuitare;
  v.CalculeHauteurNote = &CalculeHauteurNoteTablatureGuitare;
  v.CalculeCordeCaseNote = &CalculeCordeCaseNoteTablatureGuitare;
  v.TraceGraceNotes = &TraceGraceNotesTablatureGuitare;
  v.CalculePosEffet = &CalculePosEffetTablatureGuitare;
  v.IsPosCompatibles = &IsPosCompatiblesGuitare;
}

void NewTablatureGuitare(Portee** staff) {
  if (!staff || !(*staff)->tablature) return;
  Tablature* t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  t->kind = 0;
  t->envergure = 5;
  t->poidsCase = 20;
  t->poidsCordeVide = 0;
  t->poidsChangementCorde = 1;
  t->poidsEcart = 200;
  t->profondeur = 8;
  InitVecteursTablatureGuitare(staff);
  Neck neck;
  const int32_t i = RechercheIndexNeck(int32_t(t->kind));
  if (i >= 0 && GetNeck(i, &neck)) {
    t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
    t->kind = uint32_t(neck.id);
    t->transposition = neck.transpose;
    t->modeNumeros = neck.mode;
    t->nbCordes = uint16_t(std::clamp<int16_t>(neck.nbCordes, 0, kNbCordesTablature));
    for (int c = 0; c < t->nbCordes; c++)
      t->cordes[c] = CordeTablature{
          {uint16_t(neck.cordes[c].hauteur), uint16_t(neck.cordes[c].nbCases), uint16_t(neck.cordes[c].premiereCase)}};
  }
  ReCalculeInterneGraphTablatureGuitare(staff);
}

void ReCalculeInterneGraphTablatureGuitare(Portee** staff) {
  Tablature* t = Rec(staff);
  if (!t) return;
  const int32_t taille = (t->styles[kStyleTablatureNote].size > 0 ? t->styles[kStyleTablatureNote].size : 12) + 1;
  Partition** score = (*staff)->partition;
  t->interligne = float(GetDpiDest()) * float(taille) / 72.0f;
  // The base line follows the destination as the spacing does.
  t->ligneBaseZoom = S16(Zoom(t->ligneBase));
  t->interligneRuban = score ? float(ZoomRuban(score, taille * 72)) / 72.0f : 1.0f;
  // A tablature without strings has no lines (never a negative height).
  const int ecarts = t->modeNumeros == kModeKountigui ? 0 : std::max(0, NbCordes(*t) - 1);
  t->hauteur = S16f(float(int32_t(t->interligne * float(ecarts))));
  t->hauteurRuban = S16f(float(int32_t(t->interligneRuban * float(ecarts))));
}

int16_t GetHauteurEcranTablatureGuitare(Portee** staff, int16_t half) {
  const Tablature* t = Rec(staff);
  if (!t) return 0;
  const float h = float(EcartsLignes(*t)) * t->interligne;
  return half ? S16f(float(int32_t(h)) + t->interligne / 2.0f) : S16f(h);
}

// ---- pitches and positions

int16_t CvtCaseDulcimerEnDemiTon(int16_t fret) {
  if (fret < 0) return 0;
  return int16_t(12 * (fret / 7) + kDemiTonsDulcimer[fret % 7]);
}

int16_t CalculeHauteurNoteTablatureGuitare(Portee** staff, int16_t string, int16_t fret) {
  const Tablature* t = Rec(staff);
  if (!t) return 0;
  int32_t h = Ouverte(*t, string) + fret;
  if (fret > 0) h -= PremiereCase(*t, string);
  return S16(h + CapoDemiTons(*t));
}

void CalculeCordeCaseNoteTablatureGuitare(Portee** staff, int16_t pitch, uint8_t* string, uint8_t* fret) {
  if (string) *string = 255;
  if (fret) *fret = 255;
  const Tablature* t = Rec(staff);
  if (!t) return;
  for (int c = 0; c < NbCordes(*t); c++) {
    const int32_t bas = Ouverte(*t, c) + t->capo;
    if (pitch >= bas && pitch < Ouverte(*t, c) + NbCases(*t, c)) {
      if (string) *string = uint8_t(c);
      if (fret) *fret = uint8_t(pitch - bas);
      return;
    }
  }
}

int16_t CalculePosCaseHarmoniqueGuitare(int16_t open, int16_t pitch) {
  for (const auto& h : kHarmoniques)
    if (h[0] == pitch - open) return h[1];
  return -1;
}

bool IsCorpsHarmoniqueGuitare(Portee** staff, const Signe* note) {
  const Tablature* t = Rec(staff);
  return t && note && t->teteHarmoniques == 1 &&
         (note->formeTete == kTeteHarmonique1 || note->formeTete == kTeteHarmonique2);
}

bool IsPosCompatiblesGuitare(Portee**, uint16_t a, uint16_t b) { return a != b; }

int16_t CvtNoteToEcrTablatureGuitare(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  float y;
  if (note->kind < 0) y = float(Base(staff, *t)) + 2.0f * Interligne(staff);
  else y = float(Base(staff, *t)) + float(Ligne(*t, note->tablatureCorde)) * t->interligne;
  int32_t r = int32_t(y);
  if (t->decalageVertical != 0) r += Zoom(t->decalageVertical);
  return S16(r);
}

int16_t CvtNoteToRubanTablatureGuitare(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  const float base = float(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban);
  const float il = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  const float y =
      note->kind < 0 ? base + 2.0f * il : base + float(Ligne(*t, note->tablatureCorde)) * t->interligneRuban;
  int64_t r = int64_t(y);
  if (t->decalageVertical != 0 && (*staff)->partition) r += ZoomRuban((*staff)->partition, t->decalageVertical);
  return S16(r);
}

int16_t CvtRubanToNoteTablatureGuitare(Portee** staff, int32_t, int32_t, Signe* note) {
  Tablature* t = Rec(staff);
  if (!t || !note) return -2;
  const int16_t fret = t->vecteurs.GetPosCase ? t->vecteurs.GetPosCase(staff) : int16_t(0);
  const int16_t corde = t->vecteurs.GetPosCorde ? t->vecteurs.GetPosCorde(staff) : int16_t(0);
  note->flags = 2;
  if (IsCorpsHarmoniqueGuitare(staff, note) || IsPaletteHarmonique()) {
    const int16_t i = IntervalleHarmonique(fret);
    note->kind = int8_t(i < 0 || corde < 0 || corde >= NbCordes(*t) ? -1 : std::min(127, Ouverte(*t, corde) + i));
    return 1;
  }
  if (corde < 0 || corde >= NbCordes(*t)) {
    note->kind = int8_t(-2);
    return -2;
  }
  if (fret >= 1 && fret < PremiereCase(*t, corde)) {
    note->kind = int8_t(-2);
    return -2;
  }
  int32_t h = fret > 0 ? Ouverte(*t, corde) + fret - PremiereCase(*t, corde) : Ouverte(*t, corde);
  if (t->modeNumeros != kModeKountigui) h += CapoDemiTons(*t);
  note->kind = int8_t(std::clamp<int32_t>(h, 0, 127));
  return 1;
}

void GetRectEcranTablatureGuitare(Portee** staff, Rect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const float base = float(Base(staff, *t));
  out->left = (*staff)->rect.left;
  out->right = (*staff)->rect.right;
  out->top = S16f(float(int32_t(base - t->interligne / 2.0f)));
  out->bottom = S16f(float(int32_t(base + float(t->hauteur) + t->interligne)));
}

void GetRectRubanTablatureGuitare(Portee** staff, BigRect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const float base = float(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban);
  out->left = (*staff)->aireRuban.left;
  out->right = (*staff)->aireRuban.right;
  out->top = int32_t(base - t->interligneRuban / 2.0f);
  out->bottom = int32_t(base + float(t->hauteurRuban) + t->interligneRuban);
}

int16_t CvtIndexNoteTablatureGuitareEnAireRuban(Portee** staff, int32_t index, BigRect* out) {
  const Tablature* t = Rec(staff);
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!t || !out || !s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  Partition** score = (*staff)->partition;
  const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, index);
  const int32_t w = (*staff)->largeurNoteRuban;
  const float r = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  const float base = float(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban);
  if (note.kind == kSigneRepeteDeuxMesures || note.kind == kSigneSpecial) {
    const int32_t bas = int32_t(base + 3.0f * t->interligneRuban);
    *out = BigRect{x, x + (note.kind == kSigneSpecial ? 2 * w : w), int32_t(float(bas) - 2.0f * r), bas};
  } else if (note.kind == kSigneSilence) {
    if (!(t->flagsAffichage & kTablatureAfficheSilences)) {
      *out = BigRect{-1, -1, -1, -1};
    } else {
      const float y = base + t->interligneRuban;
      const int32_t z = score ? ZoomRuban(score, 1) : 1;
      *out = BigRect{x, x + w, int32_t(y - r - float(z)), int32_t(y + r + float(z))};
    }
  } else if (note.kind >= 0) {
    char texte[32];
    CalculeTexteNoteTablature(staff, &note, texte);
    SetStyleTablature(staff, &note);
    const int32_t y = CvtNoteToRubanTablatureGuitare(staff, 0, index, &note, nullptr);
    *out = BigRect{x, x + LargeurTexte(texte), int32_t(float(y) - t->interligneRuban / 2.0f),
                   int32_t(float(y) + t->interligneRuban / 2.0f)};
  }
  return 1;
}

// ---- texts

void CvtShortToStringTablature(Portee** staff, char* text, int16_t fret, int16_t string) {
  text[0] = 0;
  const Tablature* t = Rec(staff);
  const int32_t mode = t ? t->modeNumeros : kModeChiffres;
  switch (mode) {
    case kModeLuth: {
      // Frets past the alphabet have no letter: their number stands instead.
      char lettre[8];
      if (fret >= 0 && fret < int16_t(sizeof kLettresLuth - 1))
        std::snprintf(lettre, sizeof lettre, "%c", kLettresLuth[fret]);
      else std::snprintf(lettre, sizeof lettre, "%d", fret);
      // The first seven courses by their letter, the next three with one to
      // three slashes, the others by their number.
      if (string < 7) std::snprintf(text, 16, "%s", lettre);
      else if (string <= 9) std::snprintf(text, 16, "%.*s%s", string - 6, "///", lettre);
      else if (fret == 0) std::snprintf(text, 16, "%d", string - 6);
      else std::snprintf(text, 16, "%d%s", string - 6, lettre);
      break;
    }
    case kModeDulcimer: {
      const int32_t capo = t->capo;
      const int32_t s = std::max<int32_t>(0, fret + CvtCaseDulcimerEnDemiTon(int16_t(capo)));
      const int32_t m = s % 12;
      const int32_t v = kDulcimer[m] + 7 * (s / 12) - capo;
      const bool demi = m > 0 && kDulcimer[m] == kDulcimer[m - 1];
      std::snprintf(text, 16, demi ? "%d+" : "%d", int(v));
      break;
    }
    case kModeShamisen:
      if (fret >= 0 && fret < 17) std::snprintf(text, 16, "%s", kCasesShamisen[fret]);
      else std::snprintf(text, 16, "%d", fret - 3);
      break;
    case kModeKountigui:
      if (string >= 0 && string < 6) std::snprintf(text, 16, "%s", kCasesKountigui[string]);
      else std::snprintf(text, 16, "?");
      break;
    default: std::snprintf(text, 16, "%d", fret); break;
  }
}

bool CalculeTexteNoteTablature(Portee** staff, const Signe* note, char* text) {
  text[0] = 0;
  if (!staff || !note) return false;
  uint8_t actif = 0;
  const ParamEffet* e = note->indexParamEffet >= 0 ? GetParamEffetNote(staff, note) : nullptr;
  const bool cercle = e && IsMarkInParamEffet(e, kMarkCercle, &actif);
  char label[16];
  if (note->tablatureCase <= 100) CvtShortToStringTablature(staff, label, note->tablatureCase, note->tablatureCorde);
  else std::snprintf(label, sizeof label, "?");
  if (IsCorpsHarmoniqueGuitare(staff, note)) std::snprintf(text, 20, "<%s>", label);
  else std::snprintf(text, 16, "%s", label);
  return cercle;
}

// ---- drawing

void TraceFondTablatureGuitare(Portee** staff, const Rect* rect, const Rect* area, int16_t top, uint8_t startLine) {
  Tablature* t = Rec(staff);
  if (!t || !rect || !area) return;
  ReCalculeInterneGraphTablatureGuitare(staff);
  t = Rec(staff);
  const int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurLignePortee];
  const int16_t couleur = t->couleur;
  FixeEpaisseurCouleur(1, epaisseur, 288, couleur);
  const int lignes = NbLignes(*t);
  if (startLine && lignes > 0) {
    MoveTo(rect->left, top);
    LineTo(rect->left, S16f(float(top) + float(int32_t(float(lignes - 1) * t->interligne))));
  }
  const float e = float(GetDpiDest()) * float(epaisseur) / 288.0f;
  float y = float(top);
  for (int i = 0; i < lignes; i++, y += t->interligne)
    TraceLigneHorizontale(staff, area->left, y, S16(int32_t(area->right) - area->left), e, float(epaisseur), couleur);
  PenNormal();
  ForeColor(blackColor);
}

void TraceArmatureTablatureGuitare(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime) {
  Tablature* t = Rec(staff);
  if (!t || !rect) return;
  int32_t x = rect->left;
  if (tick == 0) {
    ReCalculeInterneGraphTablatureGuitare(staff);
    SetStyleEnteteTablature(staff);
    const Tablature& r = *Rec(staff);
    if (r.afficheCapo && r.capo != 0) {
      char capo[24];
      std::snprintf(capo, sizeof capo, "Capo %d", int(r.capo));
      MoveTo(S16(x + Zoom(2)), S16f(float(int32_t(float(top) - r.interligne))));
      DessineTexte(capo);
    }
    if (r.afficheTAB) {
      const int32_t y0 =
          int32_t((float(NbCordes(r)) * r.interligne - 3.0f * float(Zoom(20))) * 0.5f + float(top) + r.interligne);
      const char lettres[3] = {'T', 'A', 'B'};
      for (int i = 0; i < 3; i++) {
        MoveTo(S16(x + Zoom(4)), S16(y0 + i * Zoom(18)));
        DrawChar(lettres[i]);
      }
      x += CharWidth('T');
    }
    if (r.afficheAccordage) {
      for (int i = 0; i < NbCordes(r); i++) {
        MoveTo(S16(x + Zoom(8)), S16f(float(top) + float(i) * r.interligne));
        DessineTexte(kNomsNotes[Ouverte(r, i) % 12]);
      }
      x += 2 * Zoom(8);
    }
    x += Zoom(8);
  }
  const Tablature* r = Rec(staff);
  Partition** score = (*staff)->partition;
  if (withTime && r && score && TablatureSeule(staff, *r))
    TraceSignatureTablature(staff, *r, CvtTempsEnMesure(score, tick), S16(x + Zoom(6)));
  TextSize(0);
  TextFace(0);
}

void TraceClefChangeTablatureGuitare(Portee** staff, int16_t bar, int16_t x) {
  const Tablature* t = Rec(staff);
  if (!t || bar < 1 || !(CvtMesureEnVisible(staff, bar) & kVisibleSignature)) return;
  const int16_t couleur = CvtMesureEnCouleurClef(staff, bar);
  SetForeColor(couleur >= 1 ? couleur : ((*staff)->couleur >= 1 ? (*staff)->couleur : int16_t(1)));
  TraceSignatureTablature(staff, *t, bar, S16(int32_t(x) + Zoom(6)));
  ForeColor(blackColor);
}

void TraceBarreTablatureGuitare(Portee** staff, int16_t bar, int16_t x, int16_t y1, int16_t y2) {
  const Tablature* t = Rec(staff);
  const int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurBarre];
  if (!t || epaisseur == 0 || (*staff)->cacheBarresMesure) return;
  if (!CvtMesureEnFondVisible(staff, int16_t(bar - 1)) && !CvtMesureEnFondVisible(staff, bar)) return;
  if (y1 == y2) {
    y1 = Base(staff, *t);
    y2 = S16(int32_t(y1) + GetHauteurUtileTablature(GetTablature(staff)));
  }
  FixeEpaisseurCouleur(epaisseur, 1, 288, t->couleur);
  MoveTo(x, y1);
  LineTo(x, y2);
  PenNormal();
  ForeColor(blackColor);
}

void TraceNoteTablatureGuitare(Portee** staff, int16_t x, int16_t, int32_t index, const Signe* note,
                               int16_t effectsIndex) {
  Tablature* t = Rec(staff);
  if (!t || !note) return;
  Partition** score = (*staff)->partition;
  SetStyleTablature(staff, note);
  t = Rec(staff);
  // The record's block is never resized while it is drawn: it stays put.
  const Tablature& r = *t;
  const int16_t base = Base(staff, r);
  const float milieu = float(base) + float(GetHauteurUtileTablature(GetTablature(staff))) / 2.0f;
  if (note->kind == kSigneRepeteDeuxMesures || note->kind == kSigneSpecial) {
    if (!TablatureSeule(staff, r) || !score) return;
    if (note->kind == kSigneRepeteDeuxMesures) {
      const int16_t b = CvtTempsEnMesure(score, CvtIndexNoteEnTemps(staff, index));
      const int32_t dx = CvtMesureEnPixelEcranDebutMesure(score, b + 1) - CvtMesureEnPixelEcranDebutMesure(score, b) -
                         CvtMesureEnMargeGaucheMesureEcran(score, b + 1);
      TraceSymboleRepeteDeuxDernieresMesures(staff, S16(int32_t(x) + dx), S16f(milieu));
    } else {
      TextFontMusicale(staff, 72);
      MoveTo(x, S16f(milieu));
      DrawCharMusical(kGlypheRepeteMesure);
    }
    return;
  }
  if (note->kind == kSigneSilence) {
    if (r.flagsAffichage & kTablatureAfficheSilences) {
      TextFontMusicale(staff, 72);
      TraceSilence(x, S16f(float(base) + r.interligne), note->duree, Interligne(staff));
    }
    return;
  }
  if (note->kind < 0) return;
  if (int8_t(note->tablatureCase) < 0) {
    MoveTo(x, base);
    DrawChar('?');
    return;
  }
  char texte[32];
  const bool cercle = CalculeTexteNoteTablature(staff, note, texte);
  SetStyleTablature(staff, note);
  float y = float(CvtIndexNoteEnPosEcranLinTablature(staff, index));
  int32_t n = 0;
  const Signe* s = GetSignesPortee(staff, &n);
  if (r.modeNumeros == kModeLuth && note->tablatureCorde >= 6 && s && index < n)
    for (int32_t k = index - 1;
         k >= 0 && s[k].tablatureCorde >= 6 && s[k].tablatureCorde != 255 && (s[k].flags & kSigneAccordSuite); k--)
      y += r.interligne;
  const int16_t w = LargeurTexte(texte);
  Rect rc{S16f(float(int32_t(2.0f + y - r.interligne / 2.0f))), x, S16f(float(int32_t(y + r.interligne / 2.0f))),
          S16(int32_t(x) + w)};
  BackColor(whiteColor);
  int16_t descente = 0;
  if (r.modeNumeros == kModeLuth) {
    FontInfo fi{};
    GetFontInfo(&fi);
    descente = fi.descent;
  }
  if (r.effaceDerriere) {
    Rect e = rc;
    InsetRect(&e, S16(-Zoom(2)), 0);
    EraseRect(&e);
  }
  if (note->formeTete == kTeteCroix) {
    TextFontMusicale(staff, Unite72(staff));
    MoveTo(rc.left, S16(int32_t(rc.top) + Zoom(5)));
    DrawCharMusical(kGlypheCroix);
    SetStyleTablature(staff, note);
  } else {
    MoveTo(rc.left, S16(int32_t(rc.bottom) - descente));
    DessineTexte(texte);
  }
  if (cercle) {
    Rect o = rc;
    InsetRect(&o, S16(-Zoom(3)), S16(-Zoom(3)));
    FrameOval(&o);
  }
  if ((r.flagsAffichage & (kTablatureAfficheTablature | kTablatureAfficheQueues | kTablatureQueuesEnBas)) ==
      kTablatureAfficheTablature) {
    const int16_t points = CalculePointeNote(staff, note);
    if (points > 0) {
      TextFontMusicale(staff, Unite72(staff));
      for (int i = 0; i < points; i++) {
        DrawCharMusical(kGlyphePoint);
        Move(S16(Zoom(1)), 0);
      }
    }
  }
  (void)effectsIndex;
  TraceExtraGraphiquesNote(staff, x, S16f(y), x, index, 1, r.marquesDessinees, r.liaisonsDessinees);
  ForeColor(blackColor);
}

int16_t TraceGraceNotesTablatureGuitare(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note) {
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  int16_t nAvant = 0, nApres = 0;
  GraceEntry avant[kMaxGraceEntries], apres[kMaxGraceEntries];
  if (!CalculeTabGraceNotes(staff, note, index, 0, &nAvant, &nApres, avant, apres)) return 0;
  // The record's block is never resized while it is drawn: it stays put.
  const Tablature& r = *t;
  const int16_t fret = int8_t(note->tablatureCase);
  SetStyleTablatureGrace(staff, note);
  char texte[128] = {};
  for (int16_t i = 0; i < nAvant; i++) {
    char label[16];
    if (r.modeNumeros == kModeKountigui) {
      uint8_t corde = 255, c = 255;
      CalculeCordeCaseNoteTablatureGuitare(staff, int16_t(note->kind + avant[i].hauteur), &corde, &c);
      CvtShortToStringTablature(staff, label, 0, corde == 255 ? int16_t(99) : int16_t(corde));
    } else {
      const int16_t f = int16_t(fret + avant[i].hauteur);
      if (f < 0) continue;
      CvtShortToStringTablature(staff, label, f, note->tablatureCorde);
    }
    ChaineGrace(texte, sizeof texte, label);
  }
  if (texte[0]) {
    if (nAvant > 0 && avant[0].couleur != 0) SetForeColor(int16_t(avant[0].couleur));
    MoveTo(S16(int32_t(x) - LargeurTexte(texte)), y);
    DessineTexte(texte);
  }
  texte[0] = 0;
  for (int16_t i = 0; i < nApres; i++) {
    const int16_t f = int16_t(fret + apres[i].hauteur);
    if (f < 0) continue;
    char label[16];
    std::snprintf(label, sizeof label, "%d", f);
    ChaineGrace(texte, sizeof texte, label);
  }
  if (texte[0]) {
    MoveTo(S16(int32_t(x) + Zoom(8)), y);
    DessineTexte(texte);
  }
  ForeColor(blackColor);
  return -1;
}

void CalculePosEffetTablatureGuitare(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                     int32_t* y) {
  const Tablature* t = Rec(staff);
  if (!t || !mark || !x || !y) return;
  Partition** score = (*staff)->partition;
  auto z = [&](int32_t v) { return screen || !score ? Zoom(v) : ZoomRuban(score, v); };
  char texte[32] = {};
  if (note) CalculeTexteNoteTablature(staff, note, texte);
  // The note's text is measured in its style; the port's text and colour
  // are the caller's again afterwards.
  GrafPtr port;
  GetPort(&port);
  const int16_t police = GetPortTextFont(port), taille = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);
  RGBColor couleur;
  GetForeColor(&couleur);
  SetStyleTablature(staff, note);
  const int32_t w = LargeurTexte(texte);
  TextFont(police);
  TextSize(taille);
  TextFace(face);
  RGBForeColor(&couleur);
  const float sp = screen ? t->interligne : t->interligneRuban;
  const int32_t h = int32_t(sp);
  const int32_t base = screen ? Base(staff, *t) : int32_t(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban);
  int32_t dx = int8_t(mark->param2), dy = int8_t(mark->param3);
  switch (mark->param1) {
    case kPlaceDessus:
      *x += w / 2;
      *y -= h / 2;
      dy = -6 - dy;
      break;
    case kPlaceGauche:
      dx -= 8;
      dy = -dy;
      break;
    case kPlaceDessous:
      *x += w / 2;
      *y += h;
      dy = -dy;
      break;
    case kPlaceDroite:
      *x += w;
      dx += 7;
      dy = -dy;
      break;
    case kPlaceDessusTablature:
      *x += w / 2;
      *y = base - h / 2 - z(dy);
      dy = 0;
      break;
    case kPlaceDessousTablature:
      *x += w / 2;
      *y = base + h / 2 + int32_t(float(EcartsLignes(*t)) * sp) - z(dy);
      dy = 0;
      break;
    default: *x += z(dx); return;
  }
  *x += z(dx);
  *y += z(dy);
}

void AfficheCurseurTablatureGuitare(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle) {
  Tablature* t = Rec(staff);
  if (!t || !note || !(*staff)->partition) return;
  Point p{};
  CvtPtRubanEnPtEcran((*(*staff)->partition)->document, BigPt{x, y}, &p, nullptr);
  // The record's block is never resized while it is drawn: it stays put.
  const Tablature& r = *t;
  if (note->kind == kSigneSilence && !IsCorpsHarmoniqueGuitare(staff, note)) {
    TextFontMusicale(staff, 72);
    TraceSilence(p.h, S16f(float(Base(staff, r)) + r.interligne), note->duree, Interligne(staff));
    return;
  }
  const int16_t fret = r.vecteurs.GetPosCase ? r.vecteurs.GetPosCase(staff) : int16_t(0);
  const int16_t corde = r.vecteurs.GetPosCorde ? r.vecteurs.GetPosCorde(staff) : int16_t(0);
  char texte[32];
  if (note->kind == kSigneSilence) {
    std::snprintf(texte, sizeof texte, "<?>");
  } else {
    Signe copie = *note;
    copie.tablatureCase = uint8_t(fret);
    copie.tablatureCorde = uint8_t(corde);
    CalculeTexteNoteTablature(staff, &copie, texte);
  }
  int16_t descente = 0;
  if (withStyle) {
    SetStyleTablature(staff, note);
    if (r.modeNumeros == kModeLuth) {
      FontInfo fi{};
      GetFontInfo(&fi);
      descente = fi.descent;
    }
  } else {
    const TextStyle& s = r.styles[kStyleTablatureNote];
    TextLookZoom(nullptr, s.font, int16_t((s.size > 0 ? s.size : 12) + 2), int16_t(s.face & ~(8 | 16)));
    FontInfo fi{};
    GetFontInfo(&fi);
    descente = fi.descent;
  }
  int32_t py = int32_t((float(corde) + 0.5f) * r.interligne + float(Base(staff, r)) - float(descente));
  if (r.decalageVertical != 0) py += Zoom(r.decalageVertical);
  MoveTo(p.h, S16(py));
  DessineTexte(texte);
}

#include "stafftypes/TablatureAccordeon.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/ExtrasNote.h"
#include "notation/Silences.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/DoigteAccordeon.h"
#include "stafftypes/OutilsTablature.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

using namespace outils_tablature;

constexpr int kMaxLignes = 3;

bool DeuxLignes(const Tablature& t) { return t.accordeon.modeAffichage != 0; }
int NbRangees(const Tablature& t) { return std::clamp<int>(t.accordeon.nbRangees, 1, kNbRangeesAccordeon); }
int NbLignesBande(const Tablature& t) { return DeuxLignes(t) ? 2 : NbRangees(t); }

int16_t HautEcran(Portee** staff, const Tablature& t) { return S16(int32_t((*staff)->rect.top) + t.ligneBaseZoom); }
int32_t HautRuban(Portee** staff, const Tablature& t) {
  return int32_t(std::clamp<int64_t>(int64_t((*staff)->aireRuban.top) + t.ligneBaseRuban, INT32_MIN, INT32_MAX));
}

float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }

int16_t LargeurTexte(const char* s) { return TextWidth(s, 0, int16_t(std::strlen(s))); }

// A stored text up to its terminator or its array's end.
template <size_t N>
void Copie(char* out, const char (&in)[N]) {
  const size_t n = strnlen(in, N);
  std::memcpy(out, in, n);
  out[n] = 0;
}

// One apostrophe per keyboard row above the first (texte holds 24 bytes).
void Apostrophes(char* texte, int rangee) {
  size_t n = std::strlen(texte);
  for (int i = 0; i < std::clamp(rangee, 0, kNbRangeesAccordeon - 1) && n + 1 < 24; i++) texte[n++] = '\'';
  texte[n] = 0;
}

void DessineUTF(const char* s) { UTFDrawText(nullptr, s, 0, int32_t(std::strlen(s)), 0); }

// A note queued for the deferred drawing of its column.
struct NoteAccordeon {
  int32_t index;
  Signe note;
  int16_t x;
  int16_t tire;  // 0 push, 1 pull
  int16_t y;
  int16_t rangee;
  int16_t numero;  // the button's number, -1 unknown
  int16_t ligne;   // from the band's top
  uint8_t grace;
  uint8_t graceApres;
  int16_t slot;  // grace slot, -1 for the note itself
  uint8_t lien;  // the note's chord-link flag
};

// The notes of the staff being drawn (process-wide, one staff at a time), and
// the x of the last column queued.
std::vector<NoteAccordeon> NotesAccordeon;
int16_t lastCol = -1;

void Vide(std::vector<NoteAccordeon>& liste) {
  liste.clear();
  // A very long line's room is given back rather than kept for the next staff.
  if (liste.capacity() > 4096) liste.shrink_to_fit();
}

// Queues a note (and its grace notes) at x: on the screen, or on the ribbon
// for measuring.
void CalculeOuTraceNoteTablatureAccordeon(std::vector<NoteAccordeon>& liste, Portee** staff, int16_t x, int32_t index,
                                          const Signe& note, uint8_t screen) {
  lastCol = x;
  const Tablature* t = Rec(staff);
  if (!t || note.kind < 1) return;
  const float il = screen ? t->interligne : t->interligneRuban;
  const float haut = screen ? float(HautEcran(staff, *t)) : float(HautRuban(staff, *t));
  NoteAccordeon e{};
  e.index = index;
  e.note = note;
  e.x = x;
  e.slot = -1;
  e.lien = uint8_t(note.flags & kSigneAccordSuite);
  const LigneNoteAccordeon l = CalculeLigneNoteAccordeon(*t, note.tablatureCorde, note.tablatureCase);
  e.tire = (note.tablatureCorde & 16) ? 1 : 0;
  e.rangee = int16_t(note.tablatureCorde & 15);
  e.numero = int8_t(note.tablatureCase);
  e.ligne = l.ligne;
  e.y = S16f(haut + float(l.facteur) * il);
  const ParamEffet* p = note.indexParamEffet >= 0 ? GetParamEffetNote(staff, &note) : nullptr;
  if (!p) {
    liste.push_back(e);
    return;
  }
  // Grace notes take the note's direction; their buttons are searched here.
  const ParamEffet effets = *p;
  const Accordeon& k = t->accordeon;
  const int16_t sens = e.tire ? kSouffleTire : kSoufflePousse;
  auto grace = [&](int16_t slot, bool apres) {
    const GraceNote& g = effets.graces[slot];
    NoteAccordeon ge = e;
    ge.grace = 1;
    ge.graceApres = apres ? 1 : 0;
    ge.slot = slot;
    int16_t b, r, d;
    const bool trouve = TrouveLigneRangeeSouffleAccordeon(k, int16_t(note.kind + g.decalage), sens, sens, &b, &r, &d);
    ge.tire = trouve ? int16_t(d == kSouffleTire ? 1 : 0) : e.tire;
    const uint8_t rang = uint8_t((trouve ? r : 0) + (ge.tire ? 16 : 0));
    const LigneNoteAccordeon lg = CalculeLigneNoteAccordeon(*t, rang, trouve ? uint8_t(0) : uint8_t(255));
    ge.rangee = trouve ? r : int16_t(NbRangees(*t) - 1);
    ge.numero = trouve ? int16_t(b + k.premierBouton) : int16_t(-1);
    ge.ligne = lg.ligne;
    ge.y = S16f(haut + float(lg.facteur) * il);
    liste.push_back(ge);
  };
  for (int16_t i = 0; i < kNbGraceNotes && effets.graces[i].utilise; i++)
    if (!effets.graces[i].apres) grace(i, false);
  liste.push_back(e);
  for (int16_t i = 0; i < kNbGraceNotes && effets.graces[i].utilise; i++)
    if (effets.graces[i].apres) grace(i, true);
}

// Writes one queued note at x (measures it only when draw is 0); the first
// on its line in the column has no separator. Returns the advance.
int16_t TraceUneNoteAccordeon(bool draw, bool first, Portee** staff, int16_t x, const NoteAccordeon& e) {
  const Tablature* t = Rec(staff);
  if (!t) return 0;
  if (e.grace) SetStyleTablatureGrace(staff, &e.note);
  else SetStyleTablature(staff, &e.note);
  FontInfo fi{};
  GetFontInfo(&fi);
  const int16_t base = S16(int32_t(e.y) - fi.descent - Zoom(1));
  const char* sep = first ? "" : (e.grace ? "." : ",");
  const int16_t ls = LargeurTexte(sep);
  char texte[24];
  if (e.numero < 0) std::snprintf(texte, sizeof texte, "?");
  else std::snprintf(texte, sizeof texte, "%d", int(e.numero));
  const bool deux = DeuxLignes(*t);
  // Two lines show the row as apostrophes; rows show the pull underlined.
  if (deux) Apostrophes(texte, e.rangee);
  const int16_t w = LargeurTexte(texte);
  if (draw) {
    if (ls) {
      MoveTo(x, base);
      DrawText(sep, 0, int16_t(std::strlen(sep)));
    }
    MoveTo(S16(int32_t(x) + ls), base);
    DrawText(texte, 0, int16_t(std::strlen(texte)));
    if (!deux && e.tire) {
      const int32_t h = std::max<int32_t>(1, GModeGraphique.slot[kSlotEpaisseurBarreFine] * GetDpiDest() / 288);
      PenSize(1, S16(h));
      MoveTo(S16(int32_t(x) + ls), S16(int32_t(base) + Zoom(1)));
      Line(w, 0);
      PenNormal();
    }
  }
  return S16(int32_t(w) + 2 * ls);
}

// The order in which a column's notes are written: by x, the chord's linked
// notes first, grace notes after the note last, grace notes before the note
// before it, then by button and grace slot.
bool AvantNoteAccordeon(const NoteAccordeon& a, const NoteAccordeon& b) {
  if (a.x != b.x) return a.x < b.x;
  if ((a.lien != 0) != (b.lien != 0)) return a.lien != 0;
  if (a.graceApres != b.graceApres) return b.graceApres != 0;
  if (a.grace != b.grace) return a.grace != 0;
  if (uint8_t(a.numero) != uint8_t(b.numero)) return uint8_t(a.numero) < uint8_t(b.numero);
  return a.slot < b.slot;
}

int16_t FinAffichage(std::vector<NoteAccordeon>& liste, Portee** staff, int32_t index, int16_t* width, bool draw) {
  if (liste.empty()) return 0;
  if (!Rec(staff)) {
    Vide(liste);
    return 0;
  }
  SetStyleTablatureGrace(staff, nullptr);
  const int16_t w = LargeurTexte("8.");
  std::stable_sort(liste.begin(), liste.end(), AvantNoteAccordeon);
  int32_t curseur[kMaxLignes];
  bool pose[kMaxLignes] = {};
  int32_t resultat = 0;
  const size_t n = liste.size();
  for (size_t i = 0; i < n; i++) {
    const NoteAccordeon& e = liste[i];
    bool remis = false;
    if (i == 0 || !liste[i - 1].lien) {
      std::fill(pose, pose + kMaxLignes, false);
      remis = true;
    }
    const int ligne = std::clamp<int>(e.ligne, 0, kMaxLignes - 1);
    int32_t x;
    const bool suite = !remis && pose[ligne];
    if (suite) {
      x = curseur[ligne];
    } else {
      int32_t g = 0;
      for (size_t j = i; j < n && liste[j].grace; j++) g++;
      x = int32_t(e.x) - g * w;
    }
    if (e.index == index && e.slot < 0) {
      resultat = x - e.x;
      if (!width) break;
      *width = TraceUneNoteAccordeon(false, !suite, staff, S16(x), e);
      continue;
    }
    curseur[ligne] = x + TraceUneNoteAccordeon(draw, !suite, staff, S16(x), e);
    pose[ligne] = true;
  }
  Vide(liste);
  if (draw) ForeColor(blackColor);
  return S16(resultat);
}

// The time signature of the bar at a tick, after the header.
void TraceSignature(Portee** staff, int32_t tick, int16_t x, int16_t y) {
  Partition** score = (*staff)->partition;
  if (!score) return;
  DivisionTemporelle d;
  CvtMesureEnDivisionTemporelle(score, CvtTempsEnMesure(score, tick), &d);
  TraceDivisionTemps(staff, x, y, kSansLimiteDroite, &d);
}

}  // namespace

// ---- creation and geometry

void InitVecteursTablatureAccordeon(Portee** staff) {
  Tablature* t = staff && (*staff)->tablature ? reinterpret_cast<Tablature*>(*(*staff)->tablature) : nullptr;
  if (!t) return;
  VecteursTablature& v = t->vecteurs;
  v.TraceArmature = &TraceArmatureTablatureAccordeon;
  v.TraceClefChange = nullptr;
  v.TraceFond = &TraceFondTablatureAccordeon;
  v.TraceBarre = &TraceBarreTablatureAccordeon;
  v.TraceNote = &TraceNoteTablatureAccordeon;
  v.ReCalculeInterneGraph = &ReCalculeInterneGraphTablatureAccordeon;
  v.GetHauteurEcran = &GetHauteurEcranTablatureAccordeon;
  v.CalculeTablature = &CalculeTablatureAccordeon;
  v.PopUpSelectCase = nullptr;
  v.CvtRubanToNote = [](Portee**, int32_t, int32_t, Signe*) -> int16_t { return 0; };
  v.CvtNoteToEcr = &CvtNoteToEcrTablatureAccordeon;
  v.CvtNoteToRuban = &CvtNoteToRubanTablatureAccordeon;
  v.GetDeltaXNote = [](Portee** s, int32_t index) { return GetDeltaXNoteTablatureAccordeon(s, index, nullptr); };
  v.AfficheCurseur = &AfficheCurseurTablatureAccordeon;
  v.SelectParam = nullptr;
  v.GetPosCase = [](Portee**) { return GetGlobalPosCaseTablature(); };
  v.GetPosCorde = [](Portee**) { return int16_t(GetPaletteRangeeAccordeon() + (IsPaletteTireAccordeon() ? 16 : 0)); };
  v.SetPosCase = [](Portee**, int16_t button) { SetGlobalPosCaseTablature(button); };
  v.SetPosCorde = [](Portee**, int16_t row) {
    SetPaletteRangeeAccordeon(int16_t(row & 15));
    SetPaletteTireAccordeon((row & 16) ? 1 : 0);
  };
  v.CvtIndexNoteTablatureEnAireRuban = &CvtIndexNoteTablatureAccordeonEnAireRuban;
  v.GetRectRuban = &GetRectRubanTablatureAccordeon;
  v.GetRectEcran = &GetRectEcranTablatureAccordeon;
  v.CalculeHauteurNote = &CalculeHauteurNoteTablatureAccordeon;
  v.CalculeCordeCaseNote = &CalculeCordeCaseNoteTablatureAccordeon;
  v.TraceGraceNotes = nullptr;
  v.CalculePosEffet = &CalculePosEffetTablatureAccordeon;
  v.IsPosCompatibles = &IsPosCompatiblesAccordeon;
}

void NewTablatureAccordeon(Portee** staff) {
  if (!staff || !(*staff)->tablature) return;
  Tablature* t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  t->kind = kTablatureAccordeon;
  Accordeon& a = t->accordeon;
  a.modeAffichage = 0;
  a.intervalleSoufflet = 1;
  a.lignesAffichees = 1;
  // A keyboard has at least one row, even before a preset fills it.
  a.nbRangees = uint16_t(std::clamp<int>(a.nbRangees, 1, kNbRangeesAccordeon));
  InitVecteursTablatureAccordeon(staff);
  ReCalculeInterneGraphTablatureAccordeon(staff);
  t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  ChargeAccordeonPreset(t->accordeon.chaines[0]);
  // The chord-name line names the bass chords, under the band.
  t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  Portee* p = *staff;
  p->ligneAccordsAffichee = 1;
  p->ligneAccords = 1;
  Copie(p->chaineLigneAccords, t->accordeon.chaines[kFonteAccordsAccordeon]);
  const int16_t ligne = S16(int32_t(t->ligneBaseZoom) + Zoom(40));
  SetLigneAccordPortee(staff, ligne);
  FixeAccordsNonCalcules(staff);
}

void ReCalculeInterneGraphTablatureAccordeon(Portee** staff) {
  Tablature* t = Rec(staff);
  if (!t) return;
  // A style without a size writes at 12 points.
  const int32_t taille = (t->styles[kStyleTablatureNote].size > 0 ? t->styles[kStyleTablatureNote].size : 12) + 4;
  Partition** score = (*staff)->partition;
  t->interligne = float(Zoom(taille));
  t->interligneRuban = score ? float(ZoomRuban(score, taille)) : float(taille);
  // The base line follows the destination as the spacing does.
  t->ligneBaseZoom = S16(Zoom(t->ligneBase));
  const int lignes = NbLignesBande(*t);
  t->hauteur = S16f(float(lignes) * t->interligne);
  t->hauteurRuban = S16f(float(lignes) * t->interligneRuban);
}

int16_t GetHauteurEcranTablatureAccordeon(Portee** staff, int16_t) {
  const Tablature* t = Rec(staff);
  return t ? t->hauteur : int16_t(0);
}

LigneNoteAccordeon CalculeLigneNoteAccordeon(const Tablature& t, uint8_t row, uint8_t button) {
  const bool tire = (row & 16) != 0;
  if (DeuxLignes(t)) return LigneNoteAccordeon{int16_t(tire ? 1 : 0), int16_t(tire ? 2 : 1)};
  const int rangees = NbRangees(t);
  int r = row & 15;
  // A note on no button, or on a row the keyboard lacks, stands on the last row.
  if (button == 255 || r >= rangees) r = rangees - 1;
  return LigneNoteAccordeon{int16_t(rangees - 1 - r), int16_t(rangees - r)};
}

// ---- pitches and positions

int16_t CalculeHauteurNoteTablatureAccordeon(Portee** staff, int16_t row, int16_t button) {
  const Tablature* t = Rec(staff);
  if (!t) return -1;
  const int r = row & 15;
  const int b = int(button) - t->accordeon.premierBouton;
  if (r >= NbRangees(*t) || b < 0 || b >= kNbBoutonsAccordeon) return -1;
  const BoutonAccordeon& x = t->accordeon.clavier[b][r];
  const int8_t h = (row & 16) ? x.tire : x.pousse;
  return h == 0 ? int16_t(-1) : int16_t(h);
}

void CalculeCordeCaseNoteTablatureAccordeon(Portee** staff, int16_t pitch, uint8_t* row, uint8_t* button) {
  if (row) *row = 255;
  if (button) *button = 255;
  const Tablature* t = Rec(staff);
  if (!t || pitch == 0) return;
  const Accordeon& k = t->accordeon;
  auto pose = [&](int b, int r, bool tire) {
    if (r >= NbRangees(*t)) return;
    if (row) *row = uint8_t(r + (tire ? 16 : 0));
    if (button) *button = uint8_t(b + k.premierBouton);
  };
  // The push of button 0, row 0 is the last choice.
  for (int b = 0; b < kNbBoutonsAccordeon; b++)
    for (int r = 0; r < kNbRangeesAccordeon; r++) {
      const BoutonAccordeon& x = k.clavier[b][r];
      if ((b != 0 || r != 0) && x.pousse == pitch) return pose(b, r, false);
      if (x.tire == pitch) return pose(b, r, true);
    }
  if (k.clavier[0][0].pousse == pitch) pose(0, 0, false);
}

bool IsPosCompatiblesAccordeon(Portee**, uint16_t a, uint16_t b) { return ((a ^ b) & 16) == 0; }

int16_t CvtNoteToEcrTablatureAccordeon(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  const float haut = float(HautEcran(staff, *t));
  if (note->kind < 0 || note->tablatureCase == 255) return S16f(haut + Interligne(staff));
  const LigneNoteAccordeon l = CalculeLigneNoteAccordeon(*t, note->tablatureCorde, note->tablatureCase);
  return S16f(haut + float(l.facteur) * t->interligne - t->interligne / 2.0f);
}

int16_t CvtNoteToRubanTablatureAccordeon(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  const float haut = float(HautRuban(staff, *t));
  if (note->kind < 0 || note->tablatureCase == 255) return S16f(haut + Interligne(staff));
  const LigneNoteAccordeon l = CalculeLigneNoteAccordeon(*t, note->tablatureCorde, note->tablatureCase);
  return S16f(haut + float(l.facteur) * t->interligneRuban - t->interligneRuban / 2.0f);
}

void GetRectEcranTablatureAccordeon(Portee** staff, Rect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const int16_t haut = HautEcran(staff, *t);
  *out = Rect{haut, (*staff)->rect.left, S16(int32_t(haut) + t->hauteur), (*staff)->rect.right};
}

void GetRectRubanTablatureAccordeon(Portee** staff, BigRect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const int32_t haut = HautRuban(staff, *t);
  *out = BigRect{(*staff)->aireRuban.left, (*staff)->aireRuban.right, haut, haut + t->hauteurRuban};
}

int16_t CvtIndexNoteTablatureAccordeonEnAireRuban(Portee** staff, int32_t index, BigRect* out) {
  const Tablature* t = Rec(staff);
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!t || !out || !s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, index);
  t = Rec(staff);
  if (note.kind < 0) {
    if (!(t->flagsAffichage & kTablatureAfficheSilences)) {
      *out = BigRect{-1, -1, -1, -1};
      return 1;
    }
    const int32_t p = CvtIndexNoteEnPosRubanLin(staff, index);
    const float i = Interligne(staff);
    const int32_t w = (*staff)->largeurNoteRuban;
    const int32_t z = Zoom(1);
    const float gauche = float(x);
    float droite = float(x + w);
    float haut = float(p) - i - float(z);
    const float bas = float(p) + i + float(z);
    // Shorter rests stand higher and wider.
    const int32_t d = note.duree;
    const int pas = d >= 20160 ? 0 : d >= 10080 ? 1 : d >= 5040 ? 2 : d >= 2520 ? 3 : 4;
    for (int k = 0; k < pas; k++) {
      haut -= i;
      droite += float(w) / 3.0f;
    }
    *out = BigRect{int32_t(gauche), int32_t(droite), int32_t(haut), int32_t(bas)};
    return 1;
  }
  int16_t largeur = 0;
  const int16_t dx = GetDeltaXNoteTablatureAccordeon(staff, index, &largeur);
  t = Rec(staff);
  if (!t) return 0;
  int32_t haut = HautRuban(staff, *t);
  const int32_t il = int32_t(t->interligneRuban);
  if (DeuxLignes(*t)) {
    if (note.tablatureCorde & 16) haut += il;
  } else {
    const int r = std::min<int>(note.tablatureCorde & 15, NbRangees(*t) - 1);
    haut += (NbRangees(*t) - 1 - r) * il;
  }
  *out = BigRect{x + dx, x + dx + largeur, haut, haut + il};
  return 1;
}

int16_t GetDeltaXNoteTablatureAccordeon(Portee** staff, int32_t index, int16_t* width) {
  if (width) *width = 0;
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!Rec(staff) || !s || index < 0 || index >= n) return 0;
  // A list of its own: measuring never disturbs the notes queued for drawing.
  static std::vector<NoteAccordeon> mesure;
  Vide(mesure);
  const int16_t garde = lastCol;
  for (int32_t i = std::max<int32_t>(0, CalculeIndexNoteDebutAccord(staff, index)); i < n; i++) {
    s = GetSignesPortee(staff, &n);
    if (!s || i >= n) break;
    const Signe note = s[i];
    CalculeOuTraceNoteTablatureAccordeon(mesure, staff, 0, i, note, 0);
    if (!(note.flags & kSigneAccordSuite)) break;
  }
  lastCol = garde;
  return FinAffichage(mesure, staff, index, width, false);
}

// ---- deferred drawing

void InitDisplayTablatureAccordeon() {
  lastCol = -1;
  Vide(NotesAccordeon);
}

int16_t EndDisplayTablatureAccordeon(Portee** staff, int32_t index, int16_t* width, uint8_t draw) {
  return FinAffichage(NotesAccordeon, staff, index, width, draw != 0);
}

// ---- drawing

void TraceFondTablatureAccordeon(Portee** staff, const Rect* rect, const Rect*, int16_t top, uint8_t) {
  const Tablature* t = Rec(staff);
  if (!t || !rect || !t->accordeon.lignesAffichees) return;
  FixeEpaisseurCouleur(1, GModeGraphique.slot[kSlotEpaisseurLignePortee], 288, t->couleur);
  Pattern gris;
  PenPat(GetQDGlobalsGray(&gris));
  const int lignes = NbLignesBande(*t) + 1;
  for (int i = 0; i < lignes; i++) {
    const int16_t y = S16f(float(top) + float(i) * t->interligne);
    MoveTo(rect->left, y);
    LineTo(rect->right, y);
  }
  PenNormal();
  ForeColor(blackColor);
}

void TraceBarreTablatureAccordeon(Portee** staff, int16_t, int16_t x, int16_t y1, int16_t y2) {
  const Tablature* t = Rec(staff);
  const int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurBarreFine];
  if (!t || epaisseur == 0 || !t->accordeon.lignesAffichees || (*staff)->cacheBarresMesure) return;
  if (y1 == y2) {
    y1 = HautEcran(staff, *t);
    y2 = S16(int32_t(y1) + GetHauteurUtileTablature(GetTablature(staff)));
  }
  FixeEpaisseurCouleur(epaisseur, 1, 288, t->couleur);
  MoveTo(x, y1);
  LineTo(x, y2);
  PenNormal();
  ForeColor(blackColor);
}

void TraceArmatureTablatureAccordeon(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime) {
  Tablature* t = Rec(staff);
  if (!t || !rect) return;
  int32_t fin = rect->left;
  if (tick == 0 && t->afficheCapo) {
    ReCalculeInterneGraphTablatureAccordeon(staff);
    SetStyleEnteteTablature(staff);
    FontInfo fi{};
    GetFontInfo(&fi);
    // The record's block is never resized while it is drawn: it stays put.
    const Tablature& r = *Rec(staff);
    const float il = r.interligne;
    const float base = float(top) + il - float(fi.descent);
    const int16_t x = S16(int32_t(rect->left) + Zoom(2));
    char texte[256];
    if (DeuxLignes(r)) {
      Copie(texte, r.accordeon.chaines[kLibellePousseAccordeon]);
      MoveTo(x, S16f(base));
      DessineUTF(texte);
      Copie(texte, r.accordeon.chaines[kLibelleTireAccordeon]);
      MoveTo(x, S16f(base + il));
      DessineUTF(texte);
      fin = rect->left + Zoom(8);
    } else {
      // The top line is the last row's.
      const int rangees = NbRangees(r);
      for (int l = 0; l < rangees; l++) {
        Copie(texte, r.accordeon.nomsRangees[rangees - 1 - l]);
        MoveTo(x, S16f(base + float(l) * il));
        DessineUTF(texte);
      }
      fin = rect->left + Zoom(32);
    }
    TextSize(9);
    TextFace(0);
  }
  t = Rec(staff);
  if (withTime && t && (*staff)->type == kTypePorteeTablature && !(t->flagsAffichage & kTablatureAfficheNotation))
    TraceSignature(staff, tick, S16(fin + Zoom(6)), S16f(float(top) + t->interligne));
  ForeColor(blackColor);
}

void TraceNoteTablatureAccordeon(Portee** staff, int16_t x, int16_t, int32_t index, const Signe* note, int16_t) {
  Tablature* t = Rec(staff);
  if (!t || !note) return;
  if (note->kind >= 0) {
    CalculeOuTraceNoteTablatureAccordeon(NotesAccordeon, staff, x, index, *note, 1);
    if (note->indexParamEffet >= 0) {
      uint8_t f = 0;
      const int16_t y = CvtNoteToEcrTablatureAccordeon(staff, 0, index, note, &f);
      t = Rec(staff);
      TraceExtraGraphiquesNote(staff, x, y, x, index, 1, t->marquesDessinees, t->liaisonsDessinees);
    }
  } else if (note->kind == kSigneSilence && (*staff)->type != kTypePorteeTablature &&
             (t->flagsAffichage & kTablatureAfficheSilences)) {
    const float y = float(HautEcran(staff, *t)) + t->interligne;
    TextFontMusicale(staff, 72);
    TraceSilence(x, S16f(y), note->duree, Interligne(staff));
  }
}

void CalculePosEffetTablatureAccordeon(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                       int32_t* y) {
  const Tablature* t = Rec(staff);
  if (!t || !mark || !x || !y) return;
  Partition** score = (*staff)->partition;
  auto z = [&](int32_t v) { return screen || !score ? Zoom(v) : ZoomRuban(score, v); };
  // The note's text is measured in its style; the port's text is the
  // caller's again afterwards.
  char texte[16];
  std::snprintf(texte, sizeof texte, "%d", note ? int(note->tablatureCase) + 1 : 0);
  GrafPtr port;
  GetPort(&port);
  const int16_t police = GetPortTextFont(port), taille = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);
  RGBColor couleur;
  GetForeColor(&couleur);
  SetStyleTablature(staff, note);
  const int32_t h = LargeurTexte(texte) / 2;
  TextFont(police);
  TextSize(taille);
  TextFace(face);
  RGBForeColor(&couleur);
  t = Rec(staff);
  const float s = screen ? t->interligne : t->interligneRuban;
  const int32_t haut = screen ? HautEcran(staff, *t) : HautRuban(staff, *t);
  const int32_t hauteur = screen ? t->hauteur : t->hauteurRuban;
  int32_t dx = int8_t(mark->param2), dy = int8_t(mark->param3);
  switch (mark->param1) {
    case kPlaceDessus:
      *x += h;
      *y += int32_t(s * -0.5f);
      dy = -6 - dy;
      break;
    case kPlaceGauche:
      dy = -dy;
      dx -= 8;
      break;
    case kPlaceDessous:
      *x += h;
      *y += int32_t(s);
      dy = -dy;
      break;
    case kPlaceDroite:
      dy = -dy;
      dx += 6;
      break;
    case kPlaceDessusTablature:
      *x += h;
      *y = int32_t(float(haut) - s / 2.0f) - z(dy);
      dy = 0;
      break;
    case kPlaceDessousTablature:
      *x += h;
      *y = int32_t(float(haut + hauteur) + s / 2.0f) - z(dy);
      dy = 0;
      break;
    default: break;
  }
  *x += z(dx);
  *y += z(dy);
}

void AfficheCurseurTablatureAccordeon(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle) {
  Tablature* t = Rec(staff);
  if (!t || !note) return;
  const Tablature& r = *t;
  const int32_t haut = HautRuban(staff, r);
  const float il = r.interligneRuban > 0.0f ? r.interligneRuban : 1.0f;
  if (note->kind < 0) {
    TextFontMusicale(staff, 72);
    TraceSilence(S16(x), S16(haut), note->duree, Interligne(staff));
    return;
  }
  if (withStyle) SetStyleTablature(staff, note);
  else {
    const TextStyle& s = r.styles[kStyleTablatureNote];
    TextLookZoom(nullptr, s.font, s.size, int16_t(s.face));
  }
  FontInfo fi{};
  GetFontInfo(&fi);
  const int32_t ligne = int32_t(float(y - haut) / il) + 1;
  const int16_t base = S16(int64_t(haut) - fi.descent + int64_t(float(ligne) * il));
  char texte[24];
  std::snprintf(texte, sizeof texte, "%d", int(GetGlobalPosCaseTablature()));
  if (DeuxLignes(r)) Apostrophes(texte, GetPaletteRangeeAccordeon());
  MoveTo(S16(x), base);
  DrawText(texte, 0, int16_t(std::strlen(texte)));
  if (!DeuxLignes(r) && IsPaletteTireAccordeon()) {
    MoveTo(S16(x - Zoom(2)), S16(int32_t(base) + Zoom(5)));
    Line(S16(Zoom(7)), 0);
  }
  TextFont(0);
  TextSize(0);
  TextFace(0);
}

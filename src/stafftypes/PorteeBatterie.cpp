#include "stafftypes/PorteeBatterie.h"

#include <algorithm>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/DonneesZorodava.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/Tonalite.h"
#include "notation/TaillesPortee.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/TextBox.h"
#include "text/UTFText.h"

namespace {

// Drum engraving thicknesses in 1/288 inch: the stored graphic mode gives
// them no slot of their own.
constexpr int16_t kMGEpaisseurNoteBatterie = 3;         // outline of a struck note
constexpr int16_t kMGEpaisseurTempsBatterie = 3;        // grid line on a beat
constexpr int16_t kMGEpaisseurSubdivisionBatterie = 1;  // grid line inside a beat
constexpr int16_t kMGEpaisseurBarreBatterie = 6;        // bar line
// Grid lines and tinted bar margins.
constexpr int16_t kCouleurGrilleBatterie = 249;
constexpr int16_t kCouleurFondBatterie = 30;
constexpr uint16_t kGrisMargeBatterie = 61440;
// A grid finer than this helps nobody read the bar and costs a line each.
constexpr int32_t kMaxSubdivisionsBatterie = 64;
constexpr uint16_t kSansBaseX = 32768;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }
int16_t S16f(float v) {
  if (!(v == v)) return 0;
  return int16_t(std::clamp(v, -32768.0f, 32767.0f));
}
float Il(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }
float IlRuban(Portee** staff) { return (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f; }
float BasY(Portee** staff) { return float(int32_t((*staff)->rect.top) + (*staff)->decalageLigneBas); }
float BasRuban(Portee** staff) { return float(int64_t((*staff)->aireRuban.top) + (*staff)->decalageLigneBasRuban); }
int16_t CouleurPortee(Portee** staff) { return (*staff)->couleur >= 1 ? (*staff)->couleur : int16_t(1); }
// A pen of `epaisseur` 1/288 inch, in pixels at the destination.
int32_t Plume(int16_t epaisseur) { return LMulDiv(epaisseur, GetDpiDest(), 288); }

// The grid of a bar.
struct Grille {
  int32_t debut = 0;         // start tick of the bar
  int32_t duree = 0;         // its length
  int32_t subdivisions = 1;  // cells per beat
  int32_t cellules = 1;
  int32_t dureeCellule = 1;
};

Grille GrilleMesure(Portee** staff, int32_t bar) {
  Grille g;
  Partition** score = (*staff)->partition;
  if (!score) return g;
  g.debut = CvtMesureEnTemps(score, bar);
  g.duree = CvtMesureEnDureeMesure(score, bar);
  int32_t sub = 0;
  const int16_t i = CvtNumMesureEnLastIndxTabTonalite(staff, int16_t(std::clamp<int32_t>(bar, 0, INT16_MAX)));
  int32_t n = 0;
  const EltTabTonalite* e = GetEltsTabTonalite(staff, &n);
  if (e && i >= 0 && i < n && (*staff)->type != kTypePorteeBatterieStd) sub = e[i].subdivisionBatterie;
  if (sub == 0) sub = (*staff)->subdivisionBatterie;
  // No subdivision (or a negative one from a damaged file) leaves one cell per beat.
  g.subdivisions = std::clamp<int32_t>(sub, 1, kMaxSubdivisionsBatterie);
  g.cellules = std::max<int32_t>(1, int32_t(CvtMesureEnNbTemps(score, bar)) * g.subdivisions);
  g.dureeCellule = std::max<int32_t>(1, g.duree / g.cellules);
  return g;
}

// Slot 0: the metrics, and a header as wide as the staff's name.
void InitPorteeBatterieSlot(Portee** staff) {
  CGrafPtr avant = SetPortTemporaire();
  InitTaillePortee(staff);
  TextLook(int16_t((*staff)->policeNom), float((*staff)->tailleNom), int16_t((*staff)->styleNom));
  const char* nom = (*staff)->aspect.nom;
  const int16_t largeur = UTFTextWidth(nullptr, nom, 0, int32_t(strnlen(nom, sizeof((*staff)->aspect.nom))));
  (*staff)->largeurCle = S16(Zoom(int32_t(largeur) + 4));
  SetPort(reinterpret_cast<GrafPtr>(avant));
}

// Slots 3 and 4: every note sits one interline above the bottom line.
int16_t NoteToEcrBatterie(Portee** staff, int32_t, int32_t, const Signe*, uint8_t* flags) {
  if (flags) *flags = 2;
  if (!staff) return 0;
  return S16f(BasY(staff) - Il(staff));
}
int16_t NoteToRubanBatterie(Portee** staff, int32_t, int32_t, const Signe*, uint8_t* flags) {
  if (flags) *flags = 2;
  if (!staff) return 0;
  return S16f(BasRuban(staff) - IlRuban(staff));
}
// Slot 6: no key picks a drum note in a preview.
int16_t Ruban2NoteBatterie(Portee**, int32_t, int32_t, int16_t* note) {
  if (note) *note = 0;
  return 0;
}

// Slot 1: the band, its two edges and the grid lines of every bar shown.
void TraceFondBatterie(Portee** staff, const Rect* staffRect, int16_t headerEnd, const Rect* clip, int32_t startTick,
                       uint8_t) {
  if (!staff || !staffRect) return;
  Partition** score = (*staff)->partition;
  if (!score) return;
  const int64_t decalage = int64_t(headerEnd) - CalculeDebutVis(score, startTick);
  const int32_t plume = Plume(GModeGraphique.slot[kSlotEpaisseurLignePortee]);
  Rect zone = *staffRect;
  zone.left = headerEnd;
  if (clip && !SectRect(&zone, clip, &zone)) return;
  if (zone.right <= zone.left) return;
  const float il = Il(staff), bas = BasY(staff);
  const int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurLignePortee];
  FixeEpaisseurCouleur(epaisseur, epaisseur, 288, CouleurPortee(staff));
  for (const int16_t y : {S16f(bas - 2.0f * il), S16f(bas)}) {
    MoveTo(zone.left, y);
    LineTo(S16(int32_t(zone.right) - 1), y);
  }
  const bool suitEspacement = GridDrumFollowZorodava != 0;
  const int16_t hauteur = S16f(-2.0f * il + float(plume));
  int64_t dernierX = INT64_MIN;
  for (int32_t bar = std::max<int32_t>(0, CvtTempsEnMesure(score, startTick));
       bar < (*score)->nbMesures && dernierX < staffRect->right; bar++) {
    const Grille g = GrilleMesure(staff, bar);
    const int64_t debutX = int64_t(CvtMesureEnPixelEcran(score, bar)) + decalage;
    const int32_t utile = CvtMesureEnTailleUtileMesureEcran(score, bar);
    for (int32_t k = 0; k < g.cellules; k++) {
      const int64_t x = suitEspacement ? int64_t(CvtTempsEnPixelEcran(score, g.debut + k * g.dureeCellule)) + decalage
                                       : debutX + int64_t(utile) * k / g.cellules;
      dernierX = x;
      const int16_t ep = k % g.subdivisions == 0 ? kMGEpaisseurTempsBatterie : kMGEpaisseurSubdivisionBatterie;
      if (x < headerEnd || x < zone.left || x >= zone.right || ep == 0) continue;
      FixeEpaisseurCouleur(ep, 1, 288, kCouleurGrilleBatterie);
      MoveTo(S16(x), S16f(bas));
      Line(0, hauteur);
    }
  }
  (*staff)->largeurTete = 2;
  PenNormal();
  ForeColor(blackColor);
}

// Slot 7: one struck note, a right-pointing triangle filling its cell.
int32_t TraceNotesBatterie(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t tick, int32_t first,
                           int32_t count, int16_t bar, int16_t, uint8_t) {
  if (!staff || !signs || first < 0 || first >= count) return first + 1;
  Signe& s = signs[first];
  if (s.kind < 0) return first + 1;
  Partition** score = (*staff)->partition;
  if (!score) return first + 1;
  const Grille g = GrilleMesure(staff, bar);
  const float largeurCellule = float(CvtMesureEnTailleUtileMesureEcran(score, bar)) / float(g.cellules);
  const bool suitEspacement = GridDrumFollowZorodava != 0;
  int64_t gauche = x;
  if (xRef != kSansBaseX) {
    const int16_t base = int16_t(xRef);
    gauche = int64_t(CalculeMargeDebutMesureEcran(score, bar)) + base;
    if (suitEspacement) gauche += int64_t(CvtTempsEnPixelEcran(score, tick)) - CvtMesureEnPixelEcran(score, bar);
    else gauche = int64_t(float((tick - g.debut) / g.dureeCellule) * largeurCellule + float(gauche));
    s.xRelatifMesure = S16(gauche - base);
  }
  int64_t droite;
  const int32_t finCellule = tick + g.dureeCellule - 4;
  if (suitEspacement && finCellule >= g.debut && finCellule < g.debut + g.duree)
    droite = gauche + CvtTempsEnPixelEcran(score, finCellule) - CvtTempsEnPixelEcran(score, tick);
  else droite = int64_t(float(gauche) + largeurCellule);
  const float y =
      float((*staff)->vecteurs.vect_Note2Ecr ? (*staff)->vecteurs.vect_Note2Ecr(staff, tick, first, &s, nullptr)
                                             : NoteToEcrBatterie(staff, tick, first, &s, nullptr));
  const float il = Il(staff);
  const int32_t plume = Plume(GModeGraphique.slot[kSlotEpaisseurLignePortee]);
  const int32_t plumeNote = Plume(kMGEpaisseurNoteBatterie);
  const int16_t l = S16(gauche + plume), t = S16f(float(plume) + y - il);
  const int16_t r = S16(droite - plumeNote), b = S16f(y + il);
  int16_t couleur = s.couleur >= 1 ? int16_t(s.couleur) : (*staff)->couleurNotes;
  if (s.flags & kSigneSurbrillance) couleur = kCouleurSignesSurbrillance;
  FixeEpaisseurCouleur(kMGEpaisseurNoteBatterie, kMGEpaisseurNoteBatterie, 288, couleur >= 1 ? couleur : int16_t(1));
  MoveTo(l, t);
  LineTo(l, b);
  LineTo(r, S16((int32_t(t) + b) / 2));
  LineTo(l, t);
  PenSize(1, 1);
  ForeColor(blackColor);
  return first + 1;
}

// Slot 8: the bar line and the tinted margins of the bar.
int16_t TraceBarreBatterie(Portee** staff, int16_t bar, int16_t x, int16_t, uint8_t, uint8_t) {
  if (!staff) return x;
  Partition** score = (*staff)->partition;
  if (!score) return x;
  const float il = Il(staff), bas = BasY(staff);
  SetBackColor(kCouleurFondBatterie);
  if (kMGEpaisseurBarreBatterie != 0) {
    FixeEpaisseurCouleur(kMGEpaisseurBarreBatterie, 1, 288, CouleurPortee(staff));
    MoveTo(x, S16f(bas));
    Line(0, S16f(-2.0f * il));
  }
  PenNormal();
  SetRGBForeColor(kGrisMargeBatterie, kGrisMargeBatterie, kGrisMargeBatterie);
  const int16_t haut = S16f(float(Zoom(1)) - 2.0f * il + bas), basBande = S16f(bas);
  const int32_t plume = Plume(kMGEpaisseurBarreBatterie);
  Rect marge{haut, S16(int32_t(x) + plume), basBande, S16(int32_t(x) + CalculeMargeDebutMesureEcran(score, bar))};
  if (marge.right > marge.left) PaintRect(&marge);
  int16_t resultat = x;
  const int16_t fin = CalculeMargeFinMesureEcran(score, bar);
  if (fin >= 1) {
    const int32_t finX = int32_t(x) + CvtMesureEnTaillePixelEcran(score, bar);
    Rect r{haut, S16(finX - fin + Zoom(2)), basBande, S16(finX)};
    if (r.right > r.left) PaintRect(&r);
    resultat = S16(finX);
  }
  ForeColor(blackColor);
  BackColor(whiteColor);
  return resultat;
}

// Slot 12: the ribbon rectangle of a struck note.
int16_t CvtIndexNoteEnAireRubanBatterie(Portee** staff, int32_t index, BigRect* out) {
  if (!staff || !out) return 0;
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  if (!s || index < 0 || index >= n || s[index].kind < 0) return 0;
  Partition** score = (*staff)->partition;
  if (!score) return 0;
  const Signe note = s[index];
  const int32_t t = CvtIndexNoteEnTemps(staff, index);
  const int32_t bar = CvtTempsEnMesure(score, t);
  const Grille g = GrilleMesure(staff, bar);
  int32_t x1, x2;
  if (GridDrumFollowZorodava) {
    x1 = CvtTempsEnPixelRuban(score, t);
    x2 = CvtTempsEnPixelRuban(score, t + g.dureeCellule - 4);
  } else {
    const float largeur = float(CvtMesureEnTailleUtileMesureRuban(score, bar)) / float(g.cellules);
    const int32_t k = (t + g.dureeCellule / 2 - g.debut) / g.dureeCellule;
    x1 = int32_t(float(k) * largeur + float(CvtMesureEnPixelRuban(score, bar)));
    x2 = int32_t(float(x1) + largeur);
  }
  const int32_t y = (*staff)->vecteurs.vect_Note2Ruban
                        ? (*staff)->vecteurs.vect_Note2Ruban(staff, t, index, &note, nullptr)
                        : NoteToRubanBatterie(staff, t, index, &note, nullptr);
  const float r = IlRuban(staff);
  *out = BigRect{x1 + 1, x2, int32_t(float(y) - r), int32_t(float(y) + r)};
  return 1;
}

void ProcVide() {}

}  // namespace

void InitPorteeBatterie(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeBatterie;
  VecteursPortee& v = p->vecteurs;
  v = VecteursPortee{};
  v.vect_init_portee = &InitPorteeBatterieSlot;
  v.vect_trace_fond_portee = &TraceFondBatterie;
  v.vect_Note2Ecr = &NoteToEcrBatterie;
  v.vect_Note2Ruban = &NoteToRubanBatterie;
  v.vect_Ruban2Note = &Ruban2NoteBatterie;
  v.vect_trace_notes = &TraceNotesBatterie;
  v.vect_trace_barre_mesure = &TraceBarreBatterie;
  v.vect_installe_menu = &ProcVide;
  v.vect_traite_option_menu = &ProcVide;
  v.CvtIndexNoteEnAireRuban = &CvtIndexNoteEnAireRubanBatterie;
  p->flagGrilleAccord = 0;
  p->codeMiseEnPage1 = 3;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
}

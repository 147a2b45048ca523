#include "stafftypes/TablatureHarmonica.h"

#include <algorithm>
#include <cmath>
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
#include "notation/ExtrasNote.h"
#include "notation/PetitesNotes.h"
#include "notation/PlacementMarks.h"
#include "notation/ServicesNotation.h"
#include "notation/Silences.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/DoigteHarmonica.h"
#include "stafftypes/ModelesHarmonica.h"
#include "stafftypes/OutilsTablature.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"
#include "system/ResStrings.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

using namespace outils_tablature;

// Header labels: blow and draw in full, in short, the hole line, and the
// pair of the one-line style.
constexpr int16_t kListeLibelles = 1042;
enum : int16_t {
  kLibelleSouffle = 1,
  kLibelleAspire = 2,
  kLibelleSouffleCourt = 3,
  kLibelleAspireCourt = 4,
  kLibelleTrous = 5,
  kLibelleSouffleStyle4 = 6,
  kLibelleAspireStyle4 = 7,
};
constexpr uint32_t kStyleUneLigne = 4;
constexpr int kSlotEpaisseurQueueSuivante = kSlotEpaisseurQueue + 1;

float Interligne(Portee** staff) { return (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f; }

int16_t Largeur(const char* s) { return TextWidth(s, 0, int16_t(std::strlen(s))); }

bool AUnTrou(const Signe& n) { return int8_t(n.tablatureCase) >= 0; }
// Breath and place in a chord of a note; a note that never got a row byte
// reads as a draw note standing alone.
int Souffle(const Signe& n) { return n.tablatureCorde == 255 ? 0 : n.tablatureCorde & 1; }
int Place(const Signe& n) { return n.tablatureCorde == 255 ? 0 : n.tablatureCorde >> 4; }
int Bends(const Signe& n) { return n.tablatureCorde == 255 ? 0 : (n.tablatureCorde >> 1) & 7; }

// The label's baseline moves away from the band's start by its place in the
// chord; in the one-line style a breath's notes grow away from the other's.
int32_t SensEmpilement(const Harmonica& h, int16_t sens, int souffle) {
  if (h.styleSymboles == kStyleUneLigne) return souffle == h.orientation ? 1 : -1;
  return sens;
}

// A zoomed length of the screen or the ribbon.
int32_t Z(bool screen, Portee** staff, int32_t v) {
  Partition** score = (*staff)->partition;
  return screen || !score ? Zoom(v) : ZoomRuban(score, v);
}

struct Lignes {
  int32_t y1 = 0, y2 = 0, y3 = 0, y4 = 0;
  int16_t sens = 1;
};

Lignes LignesDe(bool screen, Portee** staff, int16_t souffle) {
  Lignes l;
  l.sens = CalculePosLigneHarmonica(screen, staff, souffle, &l.y1, &l.y2, &l.y3, &l.y4);
  return l;
}

// The slur of the grace notes to their note, when the record shows slurs.
bool CouleGraces(Portee** staff, const Signe* note) {
  const ParamEffet* e = note && note->indexParamEffet >= 0 ? GetParamEffetNote(staff, note) : nullptr;
  return e && e->quatreOctets[kGraceOctetCoule];
}

// The hole of `row` nearest to `ref` that sounds `pitch` (lowest on ties), or -1.
int TrouProche(const TabCalcHarmonica& table, int row, int pitch, int ref) {
  if (row < 0 || row >= kNbRangeesHarmonica || pitch <= 0) return -1;
  int meilleur = -1, distance = 0;
  for (int t = 0; t < table.definition.nbTrous; t++) {
    if (table.rangees[row][t] != pitch) continue;
    const int d = std::abs(t - ref);
    if (meilleur < 0 || d < distance) {
      meilleur = t;
      distance = d;
    }
  }
  return meilleur;
}

// Where a grace note of `pitch` is played, near its main note: hole, row and
// the semitones it lies below what was found (0 to 2).
struct PlaceGrace {
  int trou = -1, rangee = 0, ecart = 0;
};

PlaceGrace ChercheGrace(const Harmonica& h, const TabCalcHarmonica& table, const Signe& note, int pitch) {
  PlaceGrace g;
  const int b = Souffle(note), propre = note.tablatureCorde == 255 ? b : note.tablatureCorde & 15;
  const int ref = int8_t(note.tablatureCase);
  int rangees[6], n = 0;
  if (h.chromatiqueUtilise) {
    const int m = Bends(note) != 0 ? 1 : 0;
    const int r[6] = {propre, b + 2 * m, b, b + 2 * (1 - m), (1 - b) + 2 * (1 - m), (1 - b) + 2 * m};
    std::copy(r, r + 6, rangees);
    n = 6;
  } else {
    const int r[4] = {propre, b, (1 - b) + 2, 1 - b};
    std::copy(r, r + 4, rangees);
    n = 4;
  }
  for (int i = 0; i < n; i++)
    if (const int t = TrouProche(table, rangees[i], pitch, ref); t >= 0) {
      g.trou = t;
      g.rangee = rangees[i];
      return g;
    }
  if (!h.chromatiqueUtilise)
    for (int ecart = 1; ecart <= 2; ecart++)
      if (const int t = TrouProche(table, (1 - b) + 2, pitch + ecart, ref); t >= 0) {
        g.trou = t;
        g.rangee = (1 - b) + 2;
        g.ecart = ecart;
        return g;
      }
  return g;
}

// The circle around a slide note's label.
void AfficheTigeCercle(int32_t gauche, int32_t baseline, int16_t largeur) {
  FontInfo fi{};
  GetFontInfo(&fi);
  const int32_t d = std::max<int32_t>(largeur, fi.ascent + fi.descent) + Zoom(4);
  const int32_t cx = gauche + (largeur + Zoom(2)) / 2;
  const int32_t cy = baseline - fi.descent - Zoom(2) / 2;
  const int16_t e = GModeGraphique.slot[kSlotEpaisseurQueue];
  PenSizeZoom(e, e, 288);
  const Rect r{S16(cy - d / 2), S16(cx - d / 2), S16(cy - d / 2 + d), S16(cx - d / 2 + d)};
  FrameOval(&r);
  PenNormal();
}

// The symbol of a note (or grace note) on its line.
void Symbole(const Harmonica& h, float spacing, const Signe& note, int16_t x, const Lignes& l, int32_t gauche,
             int32_t baseline, int16_t largeur, bool grace) {
  const bool souffle = Souffle(note);
  int bends = Bends(note);
  bool coulisse = false;
  if (h.chromatiqueUtilise && bends != 0) {
    coulisse = true;
    bends = 0;
    if (h.cercleCoulisse) {
      AfficheTigeCercle(gauche, baseline, largeur);
      coulisse = false;
    }
  }
  const bool noteCoulisse = h.chromatiqueUtilise && Bends(note) != 0;
  int32_t y;
  bool flag;
  switch (h.modeLibelles) {
    case 2:
      y = souffle ? l.y2 : l.y3;
      flag = h.orientation != 0;
      break;
    case 1:
      y = noteCoulisse ? l.y2 : l.y3;
      coulisse = false;
      bends = 0;
      flag = l.sens < 0;
      break;
    default:
      y = l.y2;
      flag = l.sens < 0;
      break;
  }
  TraceSymboleHarmonica(int16_t(h.styleSymboles), spacing, souffle, x, S16(y), coulisse, int16_t(bends), flag, grace);
}

void DessineLigne(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  MoveTo(S16(x0), S16(y0));
  LineTo(S16(x1), S16(y1));
}

void Cercle(int32_t cx, int32_t cy, int32_t d) {
  const Rect r{S16(cy - d / 2), S16(cx - d / 2), S16(cy - d / 2 + d), S16(cx - d / 2 + d)};
  FrameOval(&r);
}

// Marks kept where their user put them, and the two that sit a little
// further from the label.
constexpr uint8_t kMarkPlaceLibre = 3;
constexpr uint8_t kMark55 = 55, kMark56 = 56;

// The grace notes, the tie and the marks of a note whose label stands on
// `baseline`: the marks are stacked from the label away from the band's
// start, each under (or over) the one before; they get their own placement
// back afterwards.
void TraceMarquesHarmonica(Portee** staff, const Signe* note, int16_t x, int32_t baseline, int16_t sens, int32_t index,
                           uint8_t marques, uint8_t liaisons) {
  ParamEffet* e = note->indexParamEffet >= 0 ? GetParamEffetNote(staff, note) : nullptr;
  const int32_t nm = e && e->marks ? std::min<int32_t>(GetNbMarks(e->marks), kMaxMarks) : 0;
  if (nm <= 0) {
    TraceExtraGraphiquesNote(staff, x, S16(baseline), x, index, 1, marques, liaisons);
    return;
  }
  FontInfo fi{};
  GetFontInfo(&fi);
  int32_t o = sens > 0 ? 4 : -DeZoom(fi.ascent + fi.descent);
  if (e->liaison.idSource > 0 && liaisons && sens > 0) o += 4;
  uint8_t garde[kMaxMarks][2];
  for (int32_t k = 0; k < nm; k++) {
    Mark* m = reinterpret_cast<Mark*>(*e->marks) + k;
    garde[k][0] = m->param1;
    garde[k][1] = m->param3;
    if (m->octet6) continue;
    if (m->code == kMark55 || m->code == kMark56) o += sens > 0 ? 4 : -2;
    m->param1 = kMarkPlaceLibre;
    m->param3 = uint8_t(int8_t(std::clamp<int32_t>(o, INT8_MIN, INT8_MAX)));
    const Mark copie = *m;
    BigRect a{};
    CalculeAireExacteMarkEcran(staff, &copie, x, baseline, &a, e);
    o += sens * DeZoom(std::max<int32_t>(0, a.bottom - a.top));
    e = GetParamEffetNote(staff, note);
    if (!e || !e->marks) return;
  }
  TraceExtraGraphiquesNote(staff, x, S16(baseline), x, index, 1, marques, liaisons);
  e = GetParamEffetNote(staff, note);
  if (!e || !e->marks) return;
  Mark* m = reinterpret_cast<Mark*>(*e->marks);
  for (int32_t k = 0; k < std::min<int32_t>(nm, GetNbMarks(e->marks)); k++) {
    m[k].param1 = garde[k][0];
    m[k].param3 = garde[k][1];
  }
}

}  // namespace

// ---- creation and geometry

void InitVecteursTablatureHarmonica(Portee** staff) {
  Tablature* t = staff && (*staff)->tablature ? reinterpret_cast<Tablature*>(*(*staff)->tablature) : nullptr;
  if (!t) return;
  VecteursTablature& v = t->vecteurs;
  v.TraceArmature = &TraceArmatureTablatureHarmonica;
  v.TraceClefChange = nullptr;
  v.TraceFond = &TraceFondTablatureHarmonica;
  v.TraceBarre = &TraceBarreTablatureHarmonica;
  v.TraceNote = &TraceNoteTablatureHarmonica;
  v.ReCalculeInterneGraph = &ReCalculeInterneGraphTablatureHarmonica;
  v.GetHauteurEcran = &GetHauteurEcranTablatureHarmonica;
  v.CalculeTablature = &CalculeTablatureHarmonica;
  v.PopUpSelectCase = [](Portee**, int16_t, int16_t, int16_t, int16_t) -> int16_t { return 0; };
  v.CvtRubanToNote = &CvtRubanToNoteTablatureHarmonica;
  v.CvtNoteToEcr = &CvtNoteToEcrTablatureHarmonica;
  v.CvtNoteToRuban = &CvtNoteToRubanTablatureHarmonica;
  v.GetDeltaXNote = [](Portee**, int32_t) -> int16_t { return 0; };
  v.AfficheCurseur = &AfficheCurseurTablatureHarmonica;
  v.SelectParam = [](Portee**) -> int16_t { return 0; };
  v.GetPosCase = [](Portee**) { return int16_t(GetGlobalPosCaseTablature() - 1); };
  v.GetPosCorde = [](Portee**) {
    return int16_t((IsPaletteSouffleHarmonica() ? 1 : 0) + 2 * GetPaletteEffetHarmonica());
  };
  v.SetPosCase = [](Portee**, int16_t hole) { SetGlobalPosCaseTablature(int16_t(hole + 1)); };
  v.SetPosCorde = [](Portee**, int16_t row) {
    SetPaletteSouffleHarmonica(int16_t(row & 1));
    SetPaletteEffetHarmonica(int16_t(row >> 1));
  };
  v.CvtIndexNoteTablatureEnAireRuban = &CvtIndexNoteTablatureHarmonicaEnAireRuban;
  v.GetRectRuban = &GetRectRubanTablatureHarmonica;
  v.GetRectEcran = &GetRectEcranTablatureHarmonica;
  v.CalculeHauteurNote = &CalculeHauteurNoteTablatureHarmonica;
  v.CalculeCordeCaseNote = &CalculeCordeCaseNoteTablatureHarmonica;
  v.TraceGraceNotes = &VectTraceGraceNotesTablatureHarmonica;
  v.CalculePosEffet = &CalculePosEffetTablatureHarmonica;
  v.IsPosCompatibles = &IsPosCompatiblesHarmonica;
}

void NewTablatureHarmonica(Portee** staff) {
  if (!staff || !(*staff)->tablature) return;
  Tablature* t = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  t->kind = kTablatureHarmonica;
  Harmonica& h = t->harmonica;
  h.modele = 0;
  h.hauteurReference = 48;
  h.styleSymboles = 0;
  h.modeLibelles = 2;
  h.bendsPermis = 1;
  h.overblowsPermis = 0;
  h.afficheInconnus = 1;
  h.lignesAffichees = 1;
  InitVecteursTablatureHarmonica(staff);
  ReCalculeInterneGraphTablatureHarmonica(staff);
}

void ReCalculeInterneGraphTablatureHarmonica(Portee** staff) {
  Tablature* t = Rec(staff);
  if (!t) return;
  const int32_t taille = (t->styles[kStyleTablatureNote].size > 0 ? t->styles[kStyleTablatureNote].size : 12) + 4;
  Partition** score = (*staff)->partition;
  t->interligne = float(Zoom(taille));
  t->ligneBaseZoom = S16(Zoom(t->ligneBase));
  t->interligneRuban = float(score ? ZoomRuban(score, taille) : taille);
  t->hauteur = S16f(3.0f * t->interligne);
  t->hauteurRuban = S16f(3.0f * t->interligneRuban);
}

int16_t GetHauteurEcranTablatureHarmonica(Portee** staff, int16_t) {
  const Tablature* t = Rec(staff);
  return t ? S16f(3.0f * t->interligne) : int16_t(0);
}

int16_t CalculePosLigneHarmonica(bool screen, Portee** staff, int16_t breath, int32_t* y1, int32_t* y2, int32_t* y3,
                                 int32_t* y4) {
  int32_t a = 0, b = 0, c = 0, d = 0;
  int16_t sens = 1;
  if (const Tablature* t = Rec(staff)) {
    const Harmonica& h = t->harmonica;
    const int32_t haut = screen ? t->ligneBaseZoom : t->ligneBaseRuban;
    const int32_t hauteur = screen ? t->hauteur : t->hauteurRuban;
    const int32_t top = int32_t(screen ? int64_t((*staff)->rect.top) : int64_t((*staff)->aireRuban.top)) + haut;
    const int32_t s = int32_t(screen ? t->interligne : t->interligneRuban);
    const int32_t decalage = t->decalageVertical ? Z(screen, staff, t->decalageVertical) : 0;
    const int32_t notation = screen ? (*staff)->decalageNotationEcran : (*staff)->decalageNotationRuban;
    const bool bas = (notation < haut + hauteur) != (h.orientation != 0);
    const bool deuxLignes = h.modeLibelles != 0;
    if (bas) {
      a = top;
      b = top + s;
      c = deuxLignes ? b + s : b;
      d = c + s + decalage;
    } else {
      sens = -1;
      a = b = top + hauteur;
      c = deuxLignes ? b - s : b;
      d = c - s - decalage;
    }
    if (h.styleSymboles == kStyleUneLigne) {
      if (!bas) {
        b -= s;
        c -= s;
        d -= s;
      }
      if (breath >= 0) d = breath ? b : c;
    }
  }
  if (y1) *y1 = a;
  if (y2) *y2 = b;
  if (y3) *y3 = c;
  if (y4) *y4 = d;
  return sens;
}

void CalculeLibelleTrouHarmonica(const Harmonica& h, int16_t hole, char* text) {
  if (hole < 0) {
    std::snprintf(text, 8, "?");
    return;
  }
  const int n = h.definition.premierTrouNormal;
  if (h.modele == -1 && n > 0) {
    if (hole + 1 < n) std::snprintf(text, 8, "%d'", hole + 1);
    else std::snprintf(text, 8, "%d", hole + 2 - n);
  } else {
    std::snprintf(text, 8, "%d", hole + 1);
  }
}

// ---- symbols

void TraceSymboleHarmonica(int16_t style, float spacing, bool blow, int16_t x, int16_t y, bool slide, int16_t bends,
                           bool flag, bool grace) {
  if (style < 0 || style > 4) style = 0;
  const float u = float(DeZoom(int32_t(spacing))) / 12.0f;
  const float f = grace ? 0.5f : 1.0f;
  const int32_t L = int32_t(spacing * f);
  // A length in twelfths of the spacing at 72 dpi, zoomed.
  auto z = [u](float v) { return Zoom(int32_t(std::lround(v * u))); };
  // Triangles have a thickness of their own; a graphic mode without one
  // (0) would leave the outlined ones invisible: they take the stems'.
  int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurQueue];
  if ((style == 2 || style == 3) && GModeGraphique.slot[kSlotEpaisseurQueueSuivante] != 0)
    epaisseur = GModeGraphique.slot[kSlotEpaisseurQueueSuivante];
  const int32_t e = int32_t(float(epaisseur) * u);
  PenSizeZoom(e, e, 288);
  const int32_t x0 = x - z(5);
  const bool over = bends == kBendsOver;
  const int nbBends = over ? 0 : std::clamp<int>(bends, 0, 6);

  if (slide) {
    int32_t sx, sy;
    if (grace) {
      sx = x0 + z(4);
      sy = y - L;
    } else {
      sx = x0 + z(style == 3 && !blow ? 20 : 16);
      sy = y + z(2 * f);
    }
    DessineLigne(sx, sy, sx, sy - L);
    const int32_t my = sy - L / 2, pointe = sx - z(2 * f);
    DessineLigne(sx, my, pointe, my);
    DessineLigne(pointe, my, pointe + z(2 * f), my - z(2 * f));
    DessineLigne(pointe, my, pointe + z(2 * f), my + z(2 * f));
  }
  const int traits = slide ? 0 : nbBends;

  switch (style) {
    case 0: {
      const int32_t sx = x0 + z(5);
      const int32_t montee = over ? z(3) : z(3.0f * float(traits));
      MoveTo(S16(sx + (blow ? 0 : z(1))), S16(y - montee));
      DrawChar(blow ? '+' : '-');
      for (int i = 0; i < traits; i++) {
        const int32_t yy = y - z(2.0f + 2.0f * float(i));
        DessineLigne(sx - z(3), yy, sx - z(3) + z(10), yy);
      }
      if (over && !slide) Cercle(sx + z(4), y, z(4));
      break;
    }
    case 1: {
      const int32_t ax = x0 + z(8), bas = y + z(4), haut = bas - L;
      DessineLigne(ax, bas, ax, haut);
      if (blow) {
        DessineLigne(ax - z(3), haut + z(3), ax, haut);
        DessineLigne(ax, haut, ax + z(3), haut + z(3));
        if (over && !slide) Cercle(ax, bas + z(2), z(4));
        for (int i = 0; i < traits; i++) {
          const int32_t yy = bas - z(2.0f * float(i + 1));
          DessineLigne(ax - z(4), yy, ax + z(4), yy);
        }
      } else {
        DessineLigne(ax - z(3), bas - z(3), ax, bas);
        DessineLigne(ax, bas, ax + z(3), bas - z(3));
        if (over && !slide) Cercle(ax, haut - z(2), z(4));
        for (int i = 0; i < traits; i++) {
          const int32_t yy = haut + z(2.0f * float(i + 1));
          DessineLigne(ax - z(4), yy, ax + z(4), yy);
        }
      }
      break;
    }
    case 2:
    case 3: {
      // The triangle stands on its line, as the other symbols do: a blow
      // one points up from its base, a draw one hangs from its base down to
      // the line, clear of the hole number below.
      const int32_t gauche = x0 + z(1), largeur = z(14 * f), bas = y + z(2);
      const int32_t base = blow ? bas : bas - L;
      const int32_t pointe = blow ? bas - L : bas;
      const bool plein = (style == 2) != blow;
      PolyHandle poly = OpenPoly();
      MoveTo(S16(gauche), S16(base));
      LineTo(S16(gauche + largeur), S16(base));
      LineTo(S16(gauche + largeur / 2), S16(pointe));
      LineTo(S16(gauche), S16(base));
      ClosePoly();
      if (poly) {
        if (plein) {
          Pattern noir;
          FillPoly(poly, GetQDGlobalsBlack(&noir));
        } else {
          FramePoly(poly);
        }
        KillPoly(poly);
      }
      // Bends and the over circle stand beyond the base side.
      const int32_t dehors = blow ? 1 : -1;
      for (int i = 0; i < traits; i++) {
        const int32_t yy = base + dehors * z(2.0f * float(i + 1));
        DessineLigne(gauche, yy, gauche + z(14), yy);
      }
      if (over && !slide) Cercle(gauche + largeur / 2, base + dehors * z(4), z(4));
      break;
    }
    default: {
      // One line per breath: the label's line shows the breath.
      const bool monte = blow != flag;
      const int32_t depart = monte ? y + Zoom(2) - L : y + z(4);
      for (int i = 0; i < traits; i++) {
        const int32_t yy = depart + (monte ? -1 : 1) * z(2.0f * float(i));
        DessineLigne(x0, yy, x0 + z(10), yy);
      }
      if (over && !slide) {
        const int32_t cx = x0 + z(5);
        const Rect r{S16(depart - z(2)), S16(cx - z(4)), S16(depart + z(2)), S16(cx + z(4))};
        FrameOval(&r);
      }
      break;
    }
  }
  PenNormal();
}

// ---- drawing

void TraceFondTablatureHarmonica(Portee** staff, const Rect* rect, const Rect* area, int16_t, uint8_t) {
  Tablature* t = Rec(staff);
  if (!t || !rect) return;
  ReCalculeInterneGraphTablatureHarmonica(staff);
  t = Rec(staff);
  if (!t->harmonica.lignesAffichees) return;
  const Rect& r = area ? *area : *rect;
  const Lignes l = LignesDe(true, staff, -1);
  FixeEpaisseurCouleur(1, GModeGraphique.slot[kSlotEpaisseurLignePortee], 288, t->couleur);
  const int32_t d = Zoom(2), largeur = int32_t(r.right) - r.left;
  auto ligne = [&](int32_t y) { DessineLigne(r.left, y + d, int32_t(r.left) + largeur, y + d); };
  if (t->harmonica.styleSymboles == kStyleUneLigne) {
    ligne(l.sens < 0 ? l.y3 : l.y2);
  } else {
    Pattern gris;
    PenPat(GetQDGlobalsGray(&gris));
    ligne(l.y1);
    if (l.y2 != l.y1) ligne(l.y2);
    if (l.y3 != l.y2) ligne(l.y3);
    if (l.sens < 0) ligne(l.y4);
  }
  PenNormal();
  ForeColor(blackColor);
}

void TraceBarreTablatureHarmonica(Portee** staff, int16_t, int16_t x, int16_t y1, int16_t y2) {
  const Tablature* t = Rec(staff);
  const int16_t epaisseur = GModeGraphique.slot[kSlotEpaisseurBarreFine];
  if (!t || epaisseur == 0 || !t->harmonica.lignesAffichees || (*staff)->cacheBarresMesure) return;
  int32_t a = y1, b = y2;
  if (y1 == y2) {
    const Lignes l = LignesDe(true, staff, -1);
    a = l.y1 + Zoom(2);
    b = a + l.sens * t->hauteur;
  }
  FixeEpaisseurCouleur(epaisseur, 1, 288, t->couleur);
  DessineLigne(x, a, x, b);
  PenNormal();
  ForeColor(blackColor);
}

void TraceArmatureTablatureHarmonica(Portee** staff, const Rect* rect, int32_t tick, int16_t, uint8_t withTime) {
  Tablature* t = Rec(staff);
  if (!t || !rect) return;
  ReCalculeInterneGraphTablatureHarmonica(staff);
  t = Rec(staff);
  const Harmonica h = t->harmonica;
  const Lignes l = LignesDe(true, staff, -1);
  int32_t fin = rect->left;
  if (tick == 0 && t->afficheCapo) {
    SetStyleEnteteTablature(staff);
    const int32_t x = rect->left + Zoom(2);
    // The list's buffer is shared: each label is used before the next is asked for.
    auto ecrit = [&](int16_t item, int32_t y, bool dessine) -> int16_t {
      const char* s = GetOneStringUTF(kListeLibelles, item);
      if (!s) return 0;
      const int32_t n = int32_t(std::strlen(s));
      if (dessine) {
        MoveTo(S16(x), S16(y));
        UTFDrawText(nullptr, s, 0, n, 0);
      }
      return UTFTextWidth(nullptr, s, 0, n);
    };
    const bool style4 = h.styleSymboles == kStyleUneLigne;
    if (h.modeLibelles != 0) {
      const int16_t a = style4 ? kLibelleSouffleStyle4 : h.modeLibelles == 1 ? kLibelleSouffle : kLibelleSouffleCourt;
      const int16_t b = style4 ? kLibelleAspireStyle4 : h.modeLibelles == 1 ? kLibelleAspire : kLibelleAspireCourt;
      ecrit(a, l.y2, true);
      ecrit(b, l.y3, true);
      if (style4 && h.lignesAffichees) {
        const int32_t sx = rect->left + Zoom(20), sy = (l.sens < 0 ? l.y3 : l.y2) - Zoom(3);
        DessineLigne(sx, sy, sx, sy + Zoom(12));
      }
    }
    fin = x + ecrit(kLibelleTrous, l.y4, !style4);
    TextSize(9);
    TextFace(0);
  }
  Partition** score = (*staff)->partition;
  t = Rec(staff);
  if (withTime && score && (*staff)->type == kTypePorteeTablature && !(t->flagsAffichage & kTablatureAfficheNotation)) {
    DivisionTemporelle d;
    CvtMesureEnDivisionTemporelle(score, CvtTempsEnMesure(score, tick), &d);
    TraceDivisionTemps(staff, S16(fin + Zoom(6)), S16((l.y2 + l.y3) / 2), kSansLimiteDroite, &d);
  }
}

void TraceNoteTablatureHarmonica(Portee** staff, int16_t x, int16_t, int32_t index, const Signe* note, int16_t) {
  Tablature* t = Rec(staff);
  if (!t || !note) return;
  if (note->kind < 0) {
    if (note->kind == kSigneSilence && (*staff)->type != kTypePorteeTablature &&
        (t->flagsAffichage & kTablatureAfficheSilences)) {
      TextFontMusicale(staff, 72);
      TraceSilence(x, S16f(float((*staff)->rect.top) + float(t->ligneBaseZoom) + t->interligne), note->duree,
                   Interligne(staff));
    }
    return;
  }
  // The record's block is never resized while it is drawn: the copies below
  // only keep the harmonica part at hand.
  const Harmonica h = t->harmonica;
  const float s = t->interligne;
  const uint8_t marques = t->marquesDessinees, liaisons = t->liaisonsDessinees;
  const bool trou = AUnTrou(*note);
  if (!trou && !h.afficheInconnus) return;
  SetStyleTablature(staff, note);
  const int souffle = Souffle(*note);
  const Lignes l = LignesDe(true, staff, int16_t(souffle));
  char label[8];
  CalculeLibelleTrouHarmonica(h, trou ? int16_t(note->tablatureCase) : int16_t(-1), label);
  const int16_t w = Largeur(label);
  const int32_t baseline = l.y4 + SensEmpilement(h, l.sens, souffle) * int32_t(float(Place(*note)) * s);
  const int32_t gauche = x + Zoom(3) - w / 2;
  MoveTo(S16(gauche), S16(baseline));
  DrawText(label, 0, int16_t(std::strlen(label)));
  if (trou && Place(*note) == 0) Symbole(h, s, *note, x, l, gauche, baseline, w, false);
  TraceMarquesHarmonica(staff, note, x, baseline, l.sens, index, marques, liaisons);
  ForeColor(blackColor);
}

int16_t VectTraceGraceNotesTablatureHarmonica(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note) {
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  int16_t nAvant = 0, nApres = 0;
  GraceEntry avant[kMaxGraceEntries], apres[kMaxGraceEntries];
  if (!CalculeTabGraceNotes(staff, note, index, 0, &nAvant, &nApres, avant, apres)) return 0;
  const Harmonica h = t->harmonica;
  const float s = t->interligne;
  const uint8_t liaisons = t->liaisonsDessinees;
  TabCalcHarmonica table;
  InitTabCalcHarmonica(h.modele, h, &table);  // an unknown model finds nothing: "?"

  int32_t extremes[2] = {x, x};
  auto serie = [&](int sens, int16_t n, const GraceEntry* entrees) {
    int32_t curseur = sens > 0 ? x - Zoom(2) : x + Zoom(12);
    for (int16_t k = 0; k < n; k++) {
      // From the note outward.
      const GraceEntry& g = entrees[sens > 0 ? n - 1 - k : k];
      const int pitch = note->kind + g.hauteur;
      if (pitch < 0) continue;
      const PlaceGrace p = ChercheGrace(h, table, *note, pitch);
      Signe grace = *note;
      grace.tablatureCase = uint8_t(p.trou < 0 ? 255 : p.trou);
      grace.tablatureCorde = uint8_t(p.rangee);
      SetStyleTablatureGrace(staff, note);
      if (g.couleur != 0) SetForeColor(int16_t(g.couleur));
      else ForeColor(blackColor);
      char label[8];
      CalculeLibelleTrouHarmonica(h, int16_t(p.trou), label);
      const int16_t w = Largeur(label);
      const int32_t place = w + Zoom(8);
      const int32_t lx = sens > 0 ? curseur - place : curseur;
      const Lignes l = LignesDe(true, staff, int16_t(Souffle(grace)));
      MoveTo(S16(lx), S16(l.y4));
      DrawText(label, 0, int16_t(std::strlen(label)));
      // A grace played a semitone or two above what the hole gives.
      for (int e = 0; e < p.ecart; e++) {
        const int32_t sx = lx + w + Zoom(1) + e * Zoom(2);
        DessineLigne(sx, l.y4 - Zoom(1), sx, l.y4 - Zoom(4));
      }
      if (p.trou >= 0) Symbole(h, s, grace, S16(lx + w + Zoom(3)), l, lx, l.y4, w, true);
      curseur = sens > 0 ? lx : lx + place;
      extremes[sens > 0 ? 0 : 1] = sens > 0 ? lx : curseur;
    }
  };
  serie(1, nAvant, avant);
  serie(-1, nApres, apres);
  if (liaisons && CouleGraces(staff, note)) {
    ForeColor(blackColor);
    const int16_t e = GModeGraphique.slot[kSlotEpaisseurQueue];
    if (extremes[0] < x)
      TraceLiaisonCoule(0, S16(extremes[0]), S16(y + Zoom(3)), x, S16(y + Zoom(3)), S16((extremes[0] + x) / 2),
                        S16(y + Zoom(9)), e, 0.0f);
    if (extremes[1] > x)
      TraceLiaisonCoule(0, x, S16(y + Zoom(3)), S16(extremes[1]), S16(y + Zoom(3)), S16((extremes[1] + x) / 2),
                        S16(y + Zoom(9)), e, 0.0f);
  }
  ForeColor(blackColor);
  return -1;
}

void CalculePosEffetTablatureHarmonica(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                       int32_t* y) {
  const Tablature* t = Rec(staff);
  if (!t || !mark || !x || !y) return;
  int32_t dx = int8_t(mark->param2), dy = int8_t(mark->param3);
  auto z = [&](int32_t v) { return Z(screen != 0, staff, v); };
  if ((*staff)->type == kTypePorteeStandard || t->flagsAffichage == kTablatureAfficheNotation) {
    *x += z(dx);
    *y += z(dy);
    return;
  }
  // The label is measured in its style; the port's text and colour are the
  // caller's again afterwards.
  char label[8] = {};
  if (note)
    CalculeLibelleTrouHarmonica(t->harmonica, AUnTrou(*note) ? int16_t(note->tablatureCase) : int16_t(-1), label);
  GrafPtr port;
  GetPort(&port);
  const int16_t police = GetPortTextFont(port), taille = GetPortTextSize(port);
  const uint8_t face = GetPortTextFace(port);
  RGBColor couleur;
  GetForeColor(&couleur);
  SetStyleTablature(staff, note);
  const int32_t h = Largeur(label) / 2;
  TextFont(police);
  TextSize(taille);
  TextFace(face);
  RGBForeColor(&couleur);
  t = Rec(staff);
  const int32_t s = int32_t(screen ? t->interligne : t->interligneRuban);
  const int32_t haut = int32_t(screen ? int64_t((*staff)->rect.top) : int64_t((*staff)->aireRuban.top)) +
                       (screen ? t->ligneBaseZoom : t->ligneBaseRuban);
  switch (mark->param1) {
    case kPlaceDessus:
      *x += h;
      *y -= s / 2;
      dy = -6 - dy;
      break;
    case kPlaceGauche:
      // Left of the label, as on the other tablatures.
      dx -= 8;
      dy = -dy;
      break;
    case kPlaceDessous:
      *x += h;
      *y += s;
      dy = -dy;
      break;
    case kPlaceDroite:
      dx += 6;
      dy = -dy;
      break;
    case kPlaceDessusTablature:
      *x += h;
      *y = haut - s / 2 - z(dy);
      dy = 0;
      break;
    case kPlaceDessousTablature:
      *x += h;
      *y = haut + s / 2 + 3 * s - z(dy);
      dy = 0;
      break;
    default: break;
  }
  *x += z(dx);
  *y += z(dy);
}

// ---- positions

int16_t CvtNoteToEcrTablatureHarmonica(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  if (note->kind < 0 || t->harmonica.modeLibelles > 2)
    return S16f(float((*staff)->rect.top) + float(t->ligneBaseZoom) + Interligne(staff));
  return S16(LignesDe(true, staff, int16_t(Souffle(*note))).y4);
}

int16_t CvtNoteToRubanTablatureHarmonica(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Tablature* t = Rec(staff);
  if (!t || !note) return 0;
  const float il = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  if (note->kind < 0 || t->harmonica.modeLibelles > 2)
    return S16f(float(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban) + il);
  const int souffle = Souffle(*note);
  const Lignes l = LignesDe(false, staff, int16_t(souffle));
  if (t->harmonica.modeLibelles == 2) return S16(souffle ? l.y2 : l.y3);
  return S16(l.y4);
}

int16_t CvtRubanToNoteTablatureHarmonica(Portee** staff, int32_t, int32_t y, Signe* note) {
  const Tablature* t = Rec(staff);
  if (!t || !note) return -2;
  const int16_t trou = int16_t(GetGlobalPosCaseTablature() - 1);
  DefinitionHarmonica d;
  if (trou >= kNbTrousHarmonica || !CalculeDefinitionHarmonica(t->harmonica.modele, t->harmonica, &d)) return -2;
  int souffle = IsPaletteSouffleHarmonica() ? 1 : 0;
  if (t->harmonica.modeLibelles == 2) {
    // The line clicked tells the breath.
    const Lignes l = LignesDe(false, staff, -1);
    souffle = std::abs(y - l.y2) <= std::abs(y - l.y3) ? 1 : 0;
  }
  const uint8_t rangee = uint8_t(souffle | ((GetPaletteEffetHarmonica() & 7) << 1));
  const int16_t p = CalculeHauteurNoteHarmonica(t->harmonica, rangee, trou);
  note->kind = int8_t(p);
  return p;
}

int16_t CvtIndexNoteTablatureHarmonicaEnAireRuban(Portee** staff, int32_t index, BigRect* out) {
  const Tablature* t = Rec(staff);
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!t || !out || !s || index < 0 || index >= n) return 0;
  const Signe note = s[index];
  Partition** score = (*staff)->partition;
  const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, index);
  auto z = [&](int32_t v) { return score ? ZoomRuban(score, v) : v; };
  if (note.kind >= 0) {
    const int souffle = Souffle(note);
    const Lignes l = LignesDe(false, staff, int16_t(souffle));
    const int32_t sp = int32_t(t->interligneRuban);
    const int32_t y = l.y4 + SensEmpilement(t->harmonica, l.sens, souffle) * Place(note) * sp;
    *out = BigRect{x - z(4), x + z(8), y - sp, y};
    return 1;
  }
  if (!(t->flagsAffichage & kTablatureAfficheSilences)) {
    *out = BigRect{-1, -1, -1, -1};
    return 1;
  }
  // A rest: wider and higher as it is shorter.
  const int32_t p = CvtIndexNoteEnPosRubanLin(staff, index);
  const float i = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  const int32_t w = (*staff)->largeurNoteRuban;
  BigRect r{x, x + w, int32_t(float(p) - i) - z(1), int32_t(float(p) + i) + z(1)};
  const int32_t d = note.duree;
  const int pas = d >= 20160 ? 0 : d >= 10080 ? 1 : d >= 5040 ? 2 : d >= 2520 ? 3 : 4;
  for (int k = 0; k < pas; k++) {
    r.top -= int32_t(i);
    r.right += w / 3;
  }
  *out = r;
  return 1;
}

void GetRectEcranTablatureHarmonica(Portee** staff, Rect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const int32_t haut = int32_t((*staff)->rect.top) + t->ligneBaseZoom;
  *out = Rect{S16(haut), (*staff)->rect.left, S16(haut + t->hauteur), (*staff)->rect.right};
}

void GetRectRubanTablatureHarmonica(Portee** staff, BigRect* out) {
  const Tablature* t = Rec(staff);
  if (!t || !out) return;
  const int32_t haut = int32_t(int64_t((*staff)->aireRuban.top) + t->ligneBaseRuban);
  *out = BigRect{(*staff)->aireRuban.left, (*staff)->aireRuban.right, haut, haut + t->hauteurRuban};
}

bool IsPosCompatiblesHarmonica(Portee** staff, uint16_t a, uint16_t b) {
  if (!staff || (*staff)->type != kTypePorteeTablature) return true;
  // A position is row byte x 256 + hole.
  return (a & 0xFF) != (b & 0xFF) && ((a >> 8) & 1) == ((b >> 8) & 1);
}

void AfficheCurseurTablatureHarmonica(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle) {
  const Tablature* t = Rec(staff);
  if (!t || !note || !(*staff)->partition) return;
  Point p{};
  CvtPtRubanEnPtEcran((*(*staff)->partition)->document, BigPt{x, y}, &p, nullptr);
  const Harmonica h = t->harmonica;
  const float s = t->interligne;
  if (note->kind == kSigneSilence) {
    TextFontMusicale(staff, 72);
    TraceSilence(p.h, S16f(float((*staff)->rect.top) + float(t->ligneBaseZoom) + s), note->duree, Interligne(staff));
    return;
  }
  Signe palette = *note;
  palette.tablatureCase = uint8_t(GetGlobalPosCaseTablature() - 1);
  palette.tablatureCorde = uint8_t((IsPaletteSouffleHarmonica() ? 1 : 0) | ((GetPaletteEffetHarmonica() & 7) << 1));
  if (withStyle) SetStyleTablature(staff, note);
  const Lignes l = LignesDe(true, staff, int16_t(Souffle(palette)));
  char label[8];
  CalculeLibelleTrouHarmonica(h, AUnTrou(palette) ? int16_t(palette.tablatureCase) : int16_t(-1), label);
  const int16_t w = Largeur(label);
  MoveTo(p.h, S16(l.y4));
  DrawText(label, 0, int16_t(std::strlen(label)));
  if (AUnTrou(palette)) Symbole(h, s, palette, p.h, l, p.h, l.y4, w, false);
}

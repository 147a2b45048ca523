#include "stafftypes/TraceLigneTexte.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "notation/ServicesNotation.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "stafftypes/PorteeKaraoke.h"
#include "system/Couleurs.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

// The characters waiting to be drawn and the pen after the last ones drawn.
std::string carHandle;
Point lastPosFinTaquet{0, 0};

constexpr int16_t kCouleurGuides = 33;
constexpr uint16_t kGrisReperes = 53248;
constexpr int16_t kCouleurGrisee = 247;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

bool IsSeparateur(char c) { return c == ' ' || c == '-' || c == '_'; }

// The cell style in the port: scaled with the staff's unit size when its
// texts scale; greyed staves draw in the grey colour.
void AppliqueStyle(Portee** staff, const TextStyle& style) {
  TextStyle s = style;
  if (s.size <= 0) s.size = 12;
  float taille = float(Zoom(s.size));
  if ((*staff)->texteEchelle) taille = taille * float((*staff)->aspect.tailleUnite) / 72.0f;
  TextLook(s.font, taille, int16_t(s.face & 127));
  if ((*staff)->modeGrise == 1) SetForeColor(kCouleurGrisee);
  else RGBForeColor(&s.color);
}

// Where a syllable stands from its column: centred on the note head, ending
// at the column, or starting there.
int16_t Decalage(Portee** staff, const LigneTexte& ligne, const char* syllabe) {
  if (ligne.alignement != 1 && ligne.alignement != 255) return 0;
  const int16_t w = CalculeTailleTexteSyllabeKaraoke(syllabe, ligne.utf8);
  if (ligne.alignement == 255) return S16(-int32_t(w));
  if ((*staff)->type == kTypePorteeGregorien) return S16(-int32_t(w) / 2);
  return S16((int32_t((*staff)->largeurTete) - w) / 2);
}

bool DebutSysteme(Partition** score, int16_t bar) {
  Handle table = GetTabEltMesureEcran(score);
  return table && bar >= 0 && bar < GetNbLignesTabElt(table) && GetLignesTabElt(table)[bar].marquePagination;
}

// Offset past the last character that shows something (separators, line
// breaks, markers and rhythm patterns do not); -1 when none does.
int32_t DerniereVisible(const char* t, int32_t n, bool showCodes) {
  int32_t dernier = -1;
  for (int32_t p = 0; p < n; p++) {
    const char c = t[p];
    if (!showCodes && (c == '[' || (c == '$' && p + 1 < n && t[p + 1] == '('))) {
      const char fin = c == '[' ? ']' : ')';
      const int32_t debut = p;
      while (p < n && t[p] != fin) p++;
      if (c == '$') dernier = debut;  // a rhythm pattern is drawn
      continue;
    }
    if (!IsSeparateur(c) && c != '\r' && c != '\n') dernier = p;
  }
  return dernier;
}

enum class Attente { Rien, Trait, Prolongation };

}  // namespace

void DrawBuffCar(uint8_t utf8) {
  if (carHandle.empty()) return;
  if (utf8) UTFDrawText(nullptr, carHandle.data(), 0, int32_t(carHandle.size()), 0);
  else DrawText(carHandle.data(), 0, int16_t(std::min<size_t>(carHandle.size(), 32767)));
  carHandle.clear();
  GetPen(&lastPosFinTaquet);
}

void TraceTiret(int16_t x1, int16_t x2, int16_t endX, int16_t baseline, int16_t flags, int16_t dashHeight,
                int16_t minRoom, int16_t margin) {
  const int32_t place = int32_t(x2) - x1;
  if (flags == 0 || place < minRoom) return;
  int32_t d = Zoom(kMGLongueurTiret);
  if (place < d + 2 * margin) d = std::max<int32_t>(place - 2 * margin, 1);
  Point pen;
  GetPen(&pen);
  const int32_t dpi = GetDpiDest();
  if (flags & kTiretProlongation) {
    PenSizeZoom(1, kMGEpaisseurProlongation, 288);
    const int16_t y = S16(int32_t(baseline) - kMGEpaisseurProlongation * dpi / 288);
    MoveTo(x1, y);
    LineTo(endX, y);
  } else {
    PenSizeZoom(1, kMGEpaisseurTiret, 288);
  }
  if ((flags & kTiretTirets) && d >= 1) {
    const int32_t h = kMGEpaisseurTiret * dpi / 288 / 2;
    const int16_t y = S16(int32_t(baseline) - dashHeight - h);
    auto tiret = [&](int32_t x) {
      MoveTo(S16(x), y);
      LineTo(S16(x + d - 1), y);
    };
    if (flags & kTiretUnique) {
      tiret(x1);
    } else {
      const int32_t nb = std::max<int32_t>(DeZoom(place) / std::max<int16_t>(kMGEspacementTirets, 1) + 1, 1);
      const int32_t part = place / nb;
      for (int32_t k = 0; k < nb; k++) tiret(x1 + part / 2 - d / 2 + k * part);
    }
  }
  PenNormal();
  MoveTo(pen.h, pen.v);
}

void AfficheLigneTexte(Portee** staff, const LigneTexte* line, int16_t bar, const Rect* cell, Handle text,
                       const TextStyle* style, uint8_t showCodes, VectTraiteTaquet hook) {
  if (!staff || !line || !cell || !text || !*text || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  const LigneTexte ligne = *line;
  const bool paroles = ligne.id == kLigneTexteParoles;
  const uint8_t utf8 = ligne.utf8;
  // The staff's texts may move while drawing: the cell is copied.
  const std::string chaine(*text);
  const char* brut = GetTexteBrutTexteStyle(chaine.c_str());
  const int32_t n = int32_t(std::strlen(brut));
  if (n == 0) return;
  const TextStyle styleCellule = style ? *style : ligne.styleCellule;
  static std::vector<RunKaraoke> runs;
  GetRunsTexteKaraoke(chaine.c_str(), styleCellule, runs);

  TaquetKaraoke colonnes[kMaxTaquetsMesure];
  int16_t nc =
      CalculeTableauTaquetKaraokeMesure(colonnes, staff, ligne.modeTaquets, ligne.parametreTaquets, bar, 1, 0, 1);
  if (nc <= 0) return;
  size_t run = 0;
  AppliqueStyle(staff, runs[0].style);
  const int16_t base = S16(int32_t(cell->bottom) - Zoom(ligne.baseVersBas));
  const int16_t hauteurTiret = S16(Zoom((int32_t(ligne.hauteurLigne) - ligne.baseVersBas) * 2 / 7));
  const int16_t marge = S16(Zoom(kMGMargeTiret));
  const int16_t longueur = S16(Zoom(kMGLongueurTiret));
  const int16_t h = int16_t(std::max<uint16_t>(ligne.hauteurLigne, 1));
  const int16_t rangee = S16(DeZoom(int32_t(cell->top) + 1 - (*staff)->yHaut - ligne.decalageHaut) / h);
  const int16_t verse = paroles ? CvtLigneAffichageKaraokeEnPassage(staff, bar, rangee) : rangee;
  const int16_t nbMesures = (*score)->nbMesures;

  int16_t k = 0;
  int16_t dec = Decalage(staff, ligne, brut);
  Attente attente = Attente::Rien;
  int16_t finSyllabe = cell->left, finProlongation = cell->left;
  int16_t colonneTenue = 0;
  uint32_t typeTenu = kTaquetNote;

  // What the previous bar left pending.
  if (paroles && bar > 0 && verse >= 0) {
    char avant[kTailleTexteCellule];
    GetTexteKaraokeCelluleStrippe(staff, kLigneTexteParoles, int16_t(bar - 1), verse, avant, nullptr);
    const size_t la = std::strlen(avant);
    const char derniere = la ? avant[la - 1] : 0;
    const int16_t premier = S16(int32_t(cell->left) + colonnes[0].xEcran + dec);
    const bool systeme = DebutSysteme(score, bar);
    if (derniere == '_') {
      attente = Attente::Prolongation;
      finSyllabe = cell->left;
      finProlongation = S16(int32_t(premier) - marge);
    } else if (derniere == '-' && (systeme || brut[0] == ' ')) {
      attente = Attente::Trait;
      finSyllabe = S16(int32_t(premier) - 2 * marge - longueur);
    } else if (derniere == ' ' && systeme && (IsModePagePartition(score) || IsModeImpressionPartition(score))) {
      TaquetKaraoke precedentes[kMaxTaquetsMesure];
      const int16_t np = CalculeTableauTaquetKaraokeMesure(precedentes, staff, ligne.modeTaquets,
                                                           ligne.parametreTaquets, int16_t(bar - 1), 0, 1, 1);
      if ((np > 0 && precedentes[np - 1].depasse) || brut[0] == ' ')
        TraceTiret(S16(int32_t(cell->left) - Zoom(CvtMesureEnMargeGaucheMesure(score, bar))), cell->left,
                   S16(int32_t(cell->left) + colonnes[0].xEcran + colonnes[0].largeurTete), base, kTiretProlongation,
                   hauteurTiret, -32767, 0);
    }
  }
  MoveTo(S16(int32_t(cell->left) + colonnes[0].xEcran), base);
  if (hook) {
    hook(staff, bar, 0);
    nc = CalculeTableauTaquetKaraokeMesure(colonnes, staff, ligne.modeTaquets, ligne.parametreTaquets, bar, 1, 0, 1);
    if (nc <= 0) return;
    AppliqueStyle(staff, runs[run].style);
  }
  MoveTo(S16(int32_t(cell->left) + colonnes[0].xEcran + dec), base);

  carHandle.clear();
  bool elision = false;
  int16_t debutElision = 0;
  // Draws what waits for the next character that shows.
  auto visible = [&]() {
    if (attente != Attente::Rien && paroles) {
      DrawBuffCar(utf8);
      Point pen;
      GetPen(&pen);
      if (attente == Attente::Trait)
        TraceTiret(finSyllabe, pen.h, 0, base, kTiretTirets, hauteurTiret, S16(Zoom(kMGPlaceMinTiret)), marge);
      else
        TraceTiret(S16(finSyllabe + (typeTenu == kTaquetDivision ? Zoom(kMGDecalageProlongation) : 0)), finProlongation,
                   finProlongation, base, kTiretProlongation, hauteurTiret, 0, 0);
    }
    attente = Attente::Rien;
    if (elision) {
      DrawBuffCar(utf8);
      Point pen;
      GetPen(&pen);
      const int16_t x1 = S16(int32_t(debutElision) - Zoom(2)), x2 = S16(int32_t(pen.h) + Zoom(2));
      const int16_t y = S16(int32_t(base) + Zoom(2));
      TraceLiaisonCoule(0, x1, y, x2, y, S16((int32_t(x1) + x2) / 2), S16(int32_t(base) + Zoom(4)),
                        S16(Zoom((*staff)->hauteurElision)), 0.0f);
      elision = false;
    }
  };
  const int32_t derniereVisible = DerniereVisible(brut, n, showCodes != 0);
  for (int32_t p = 0; p < n;) {
    if (run + 1 < runs.size() && runs[run + 1].debut <= p) {
      DrawBuffCar(utf8);
      while (run + 1 < runs.size() && runs[run + 1].debut <= p) run++;
      AppliqueStyle(staff, runs[run].style);
    }
    const char c = brut[p];
    if (c == '[' || (c == '$' && p + 1 < n && brut[p + 1] == '(')) {
      const char fin = c == '[' ? ']' : ')';
      int32_t e = p;
      while (e < n && brut[e] != fin) e++;
      const int32_t bout = std::min(e + 1, n);
      if (showCodes) {
        visible();
        carHandle.append(brut + p, size_t(bout - p));
      } else if (c == '$') {
        visible();
        DrawBuffCar(utf8);
        Point pen;
        GetPen(&pen);
        const TextStyle& s = runs[run].style;
        const Rect r{S16(int32_t(base) - Zoom(s.size > 0 ? s.size : 12)), pen.h, base, pen.h};
        DrawTextWithRhythmicPattern(&s, brut + p, bout - p, &r, 1.0f);
        AppliqueStyle(staff, s);
      } else if (p + 1 < n && brut[p + 1] == '%') {
        // A background colour for the whole bar under the cell.
        unsigned long v = 0;
        if (std::sscanf(brut + p + 2, "%8lx", &v) == 1) {
          const RGBColor fond{uint16_t(((v >> 16) & 255) << 8), uint16_t(((v >> 8) & 255) << 8),
                              uint16_t((v & 255) << 8)};
          Rect r = *cell;
          r.left = S16(int32_t(r.left) - CalculeMargeDebutMesureEcran(score, bar));
          Handle table = GetTabEltMesureEcran(score);
          const int32_t droite =
              table && bar < GetNbLignesTabElt(table) ? GetLignesTabElt(table)[bar].largeurMargeDroite : 0;
          r.right = S16(int32_t(r.right) + droite + Zoom(2));
          r.bottom = S16(int32_t(r.bottom) + Zoom(1));
          RGBBackColor(&fond);
          EraseRect(&r);
          SetBackColor(0);
        }
      }
      p = bout;
      continue;
    }
    if (c == '\r' || c == '\n') {
      if (c == '\r' && showCodes) {
        // The end of a line of verse.
        visible();
        DrawBuffCar(utf8);
        Point pen;
        GetPen(&pen);
        const int16_t z3 = S16(Zoom(3));
        MoveTo(pen.h, pen.v);
        Line(z3, S16(-z3));
        MoveTo(pen.h, pen.v);
        Line(z3, z3);
        MoveTo(pen.h, pen.v);
        Line(S16(Zoom(6)), 0);
        Line(0, S16(-Zoom(8)));
        Line(S16(-Zoom(4)), 0);
        MoveTo(S16(int32_t(pen.h) + Zoom(8)), pen.v);
      }
      p++;
      continue;
    }
    if (IsSeparateur(c) && (k + 1 < nc || p > derniereVisible)) {
      DrawBuffCar(utf8);
      Point pen;
      GetPen(&pen);
      finSyllabe = pen.h;
      colonneTenue = k;
      typeTenu = colonnes[k].type;
      if (k + 1 < nc && p < derniereVisible) {
        dec = Decalage(staff, ligne, brut + p + 1);
        const int16_t x = S16(int32_t(cell->left) + colonnes[k + 1].xEcran + dec);
        attente = c == '-' ? Attente::Trait : c == '_' ? Attente::Prolongation : Attente::Rien;
        finProlongation = S16(int32_t(x) - marge);
        k++;
        if (hook) {
          MoveTo(S16(int32_t(cell->left) + colonnes[k].xEcran), base);
          hook(staff, bar, k);
          AppliqueStyle(staff, runs[run].style);
        }
        MoveTo(x, base);
      } else if (attente == Attente::Rien) {
        // The cell's last separator says how its last syllable goes on.
        attente = c == '-' ? Attente::Trait : c == '_' ? Attente::Prolongation : Attente::Rien;
        finProlongation = S16(int32_t(cell->left) + colonnes[k].xEcran + colonnes[k].largeurTete);
      }
      p++;
      continue;
    }
    char montre = c;
    switch (c) {
      case '=': montre = '-'; break;
      case '\\': montre = '/'; break;
      case '{': montre = '['; break;
      case '}': montre = ']'; break;
      case '^': montre = ' '; break;
      default: break;
    }
    if (c == '^') {
      DrawBuffCar(utf8);
      Point pen;
      GetPen(&pen);
      debutElision = pen.h;
      elision = (*staff)->hauteurElision != 0;
    } else if (c != ' ') {
      visible();
    }
    const int32_t lc = std::max<int32_t>(1, GetNextCarBufferKaraoke(brut + p, nullptr, int8_t(utf8)));
    if (montre != c) carHandle.push_back(montre);
    else carHandle.append(brut + p, size_t(std::min(lc, n - p)));
    p += lc;
  }
  DrawBuffCar(utf8);

  // The marks the next bar carries on.
  if (paroles && bar + 1 < nbMesures && verse >= 0) {
    Point pen;
    GetPen(&pen);
    char apres[kTailleTexteCellule];
    GetTexteKaraokeCelluleStrippe(staff, kLigneTexteParoles, int16_t(bar + 1), verse, apres, nullptr);
    const bool suiteTenue = apres[0] == ' ';
    const int16_t finMesure = cell->right;
    if (attente == Attente::Rien) {
      if (suiteTenue && colonnes[nc - 1].depasse)
        TraceTiret(pen.h, finMesure, finMesure, base, kTiretProlongation | kTiretUnique, hauteurTiret, 0, 0);
    } else if (attente == Attente::Trait) {
      const int16_t x1 = S16(int32_t(finSyllabe) + marge);
      if (!DebutSysteme(score, int16_t(bar + 1))) {
        TaquetKaraoke suivantes[kMaxTaquetsMesure];
        const int16_t m = CalculeTableauTaquetKaraokeMesure(suivantes, staff, ligne.modeTaquets, ligne.parametreTaquets,
                                                            int16_t(bar + 1), 1, 0, 1);
        const int16_t x2 = m > 0 ? S16(int32_t(finMesure) + CalculeMargeDebutMesureEcran(score, bar + 1) +
                                       suivantes[0].xEcran + Decalage(staff, ligne, apres))
                                 : finMesure;
        TraceTiret(x1, x2, 0, base, kTiretTirets, hauteurTiret, -1, 0);
      } else if (colonneTenue == nc - 1) {
        TraceTiret(x1, S16(int32_t(x1) + longueur), 0, base, kTiretTirets | kTiretUnique, hauteurTiret, -1, 0);
      } else {
        TraceTiret(x1, finMesure, 0, base, kTiretTirets, hauteurTiret, -1, 0);
      }
    } else {
      const int16_t fin = suiteTenue ? finMesure : finProlongation;
      TraceTiret(S16(finSyllabe + (typeTenu == kTaquetDivision ? Zoom(kMGDecalageProlongation) : 0)), fin, fin, base,
                 kTiretProlongation, hauteurTiret, 0, 0);
    }
  }
  carHandle.clear();
  PenNormal();
}

// ------------------------------------------------------------ background, labels, bar lines

void TraceArmatureLigneTexte(Portee** staff, int16_t x, int16_t y, int16_t line) {
  if (!staff || (line != kLigneTexteParoles && line != kLigneTexteAccords)) return;
  LigneTexte& l = (*staff)->lignesTexte[line - 1];
  Rect r{S16(int32_t(y) + l.decalageHaut), S16(int32_t(x) + 5), 0, 0};
  r.bottom = S16(int32_t(r.top) + Zoom(l.hauteurLigne));
  int32_t largeur = Zoom(32);
  const int32_t n = int32_t(strnlen(l.libelle, sizeof l.libelle));
  if (n > 0) {
    uint16_t w = 0, hauteur = 0;
    TextBoxStyleSize(l.libelle, n, &l.styleLibelle, &w, &hauteur, 1);
    largeur = std::max<int32_t>(largeur, w);
    r.right = S16(int32_t(r.left) + largeur);
    const std::string libelle(l.libelle, size_t(n));
    TextBoxStyleZoom(libelle.c_str(), n, &r, 0, &(*staff)->lignesTexte[line - 1].styleLibelle, 0, 0, 1);
  }
  r.right = S16(int32_t(r.left) + largeur);
  (*staff)->lignesTexte[line - 1].rectLibelle = r;
}

namespace {

// Guide lines and bar lines take colour 33 with the guides byte, else the
// light grey of guide marks; false when neither is drawn.
bool CouleurGuides(Partition** score, const LigneTexte& l) {
  if (l.guides) {
    SetForeColor(kCouleurGuides);
  } else if (IsTraceReperes(score)) {
    SetRGBForeColor(kGrisReperes, kGrisReperes, kGrisReperes);
  } else {
    return false;
  }
  Pattern gris;
  PenPat(GetQDGlobalsGray(&gris));
  return true;
}

bool Montree(Portee** staff, int16_t line) {
  return line == kLigneTexteParoles ? (*staff)->ligneParolesAffichee != 0 : (*staff)->ligneAccordsAffichee != 0;
}

}  // namespace

void TraceFondLigneTextes(Portee** staff, const Rect* rect) {
  if (!staff || !rect || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  for (int16_t line = kLigneTexteParoles; line <= kLigneTexteAccords; line++) {
    if (!Montree(staff, line)) continue;
    const LigneTexte l = (*staff)->lignesTexte[line - 1];
    if (!CouleurGuides(score, l)) continue;
    const int32_t pas = std::max<int32_t>(Zoom(l.hauteurLigne), 1);
    int32_t y = int32_t(rect->top) + l.decalageHaut + Zoom(2);
    for (int32_t k = 0; k <= l.nbLignes && y <= rect->bottom; k++, y += pas) {
      MoveTo(rect->left, S16(y));
      LineTo(rect->right, S16(y));
    }
    PenNormal();
    SetForeColor(1);
  }
  for (int16_t line = kLigneTexteParoles; line <= kLigneTexteAccords; line++)
    if (Montree(staff, line)) TraceArmatureLigneTexte(staff, rect->left, rect->top, line);
  SetForeColor(1);
}

void TraceBarreMesureLigneTextes(Portee** staff, int16_t x) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  for (int16_t line = kLigneTexteParoles; line <= kLigneTexteAccords; line++) {
    if (!Montree(staff, line)) continue;
    const LigneTexte l = (*staff)->lignesTexte[line - 1];
    if (!CouleurGuides(score, l)) continue;
    const int32_t haut = int32_t((*staff)->yHaut) + l.decalageHaut + Zoom(2);
    int32_t longueur = Zoom(l.hauteurLigne) * std::max<int16_t>(l.nbLignes, 0);
    if (line == kLigneTexteParoles)
      longueur = std::min<int32_t>(longueur, int32_t((*staff)->yBas) - (*staff)->yHaut - l.decalageHaut);
    MoveTo(x, S16(haut));
    LineTo(x, S16(haut + longueur));
    PenNormal();
    SetForeColor(1);
  }
}

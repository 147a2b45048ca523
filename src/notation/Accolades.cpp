#include "notation/Accolades.h"

#include <algorithm>
#include <cstring>

#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/Splines.h"
#include "system/Strings.h"
#include "text/TextBox.h"

namespace {

// Curves are drawn as smooth paths here, never as the old dotted variant.
constexpr bool kCourbesBezier = true;

void Courbe(const SplinePoint* points, int32_t count) { cspline(pref.traitsAntialias != 0, points, count, 6.0f); }

float F(int32_t v) { return float(v); }

// One half of a brace, from the end at y0 to the tip at the middle; `sens` is
// +1 for the upper half (going down), -1 for the lower one.
void DemiAccolade(int32_t l, int32_t r, int32_t y0, int32_t m, int32_t h, int32_t sens, int32_t p, int32_t q,
                  bool miroir) {
  const int32_t w = r - l;
  auto x = [&](int32_t v) { return F(miroir ? l + r - v : v); };
  const SplinePoint pts[6] = {
      {x(r), F(y0), F(p / 8)},
      {x(l + w / 2 - q / 8), F(y0 + sens * (h / 8)), F(p / 2)},
      {x(l + 3 * w / 8 - q / 4), F(y0 + sens * (5 * h / 16)), F(p)},
      {x(l + 5 * w / 8 + q / 4), F(y0 + sens * (11 * h / 16)), F(7 * p / 8)},
      {x(l + w / 2), F(y0 + sens * (7 * h / 8)), F(p / 2)},
      {x(l), F(m), F(p / 4)},
  };
  Courbe(pts, 6);
}

void Accolade(const Rect* rect, int32_t p, int32_t q, bool miroir) {
  if (!rect) return;
  const int32_t l = rect->left, r = rect->right, t = rect->top, b = rect->bottom;
  const int32_t m = (t + b) / 2;
  DemiAccolade(l, r, t, m, m - t, 1, p, q, miroir);
  DemiAccolade(l, r, b, m, b - m, -1, p, q, miroir);
}

// The bracket's figure; `miroir` draws it for the right-hand side, reflected
// about the rectangle's right edge moved left as the left one moves right.
void Crochet(const Rect* rect, bool haut, bool bas, int32_t w, int32_t h, bool miroir) {
  if (!rect) return;
  const int32_t dx = Zoom(2);
  const int32_t bord = miroir ? rect->right - dx : rect->left + dx;
  auto x = [&](int32_t v) { return miroir ? 2 * bord - v : v; };
  const int32_t l = bord;
  int32_t t = rect->top, b = rect->bottom;
  const int32_t k = Zoom(25 * w) / 10;
  const int32_t e0 = Zoom(25) / 10;
  const int32_t d = kCourbesBezier ? 0 : k / 20;
  const int32_t e = kCourbesBezier ? Zoom(25 * w) / 200 - k / 20 : -k / 20;
  const int32_t mince = Zoom(6 * w) / 10, moyen = Zoom(17 * w) / 10;
  if (haut) {
    const SplinePoint pts[3] = {{F(x(l + Zoom(h + 4))), F(t - e0 - Zoom(4)), F(mince)},
                                {F(x(l + Zoom(h + 2))), F(t - e0 - Zoom(2)), F(moyen)},
                                {F(x(l + e)), F(t - e0 + k / 20), F(k)}};
    Courbe(pts, 3);
  } else {
    t += Zoom(3);
  }
  if (!bas) b -= Zoom(3);
  const int32_t decale = Zoom(25 * w) / 200;
  const int32_t gauche = l - k / 10 + decale;
  const int32_t droite = l + (k < 10 ? 2 : 1) + decale;
  const int32_t dessus = t - e0 + k / 20 - d, dessous = b + e0 + 1 - k / 20 + d;
  if (!miroir) {
    const Rect barre{Sature16(dessus), Sature16(gauche), Sature16(dessous), Sature16(droite)};
    PaintRect(&barre);
  } else {
    // On the right the bar is a line of the bar's width drawn as a curve.
    const float milieu = F(x(gauche) + x(droite)) / 2.0f;
    const float large = F(std::max(droite - gauche, int32_t(1)));
    const SplinePoint pts[3] = {
        {milieu, F(dessus), large}, {milieu, F(dessus + dessous) / 2.0f, large}, {milieu, F(dessous), large}};
    Courbe(pts, 3);
  }
  if (bas) {
    const SplinePoint pts[3] = {{F(x(l + Zoom(h + 4))), F(b + e0 + Zoom(4)), F(mince)},
                                {F(x(l + Zoom(h + 2))), F(b + e0 + Zoom(2)), F(moyen)},
                                {F(x(l + e)), F(b + e0 - k / 20), F(k)}};
    Courbe(pts, 3);
  }
}

}  // namespace

void DrawAccolade(const Rect* rect, int32_t p, int32_t q) { Accolade(rect, p, q, false); }
void DrawAccoladeInverse(const Rect* rect, int32_t p, int32_t q) { Accolade(rect, p, q, true); }

void DrawBracket(const Rect* rect, bool topHook, bool bottomHook, int32_t thickness, int32_t hook) {
  Crochet(rect, topHook, bottomHook, thickness, hook, false);
}
void DrawBracketInverse(const Rect* rect, bool topHook, bool bottomHook, int32_t thickness, int32_t hook) {
  Crochet(rect, topHook, bottomHook, thickness, hook, true);
}

void DrawSubBracket(const Rect* rect) {
  if (!rect) return;
  const int16_t s = int16_t(LMulDiv(kMGEpaisseurSousCrochet, GetDpiDest(), 288));
  PenSize(s, s);
  const int16_t haut = Sature16(int32_t(rect->top) - s / 2), bas = Sature16(int32_t(rect->bottom) - s / 2);
  MoveTo(rect->right, haut);
  LineTo(rect->left, haut);
  LineTo(rect->left, bas);
  LineTo(rect->right, bas);
  PenNormal();
}

void DrawPartGroupSystem(Document* document, const Rect*, const Systeme* system) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return;
  const int16_t n = GetNbPartGroups((*score)->partGroups);
  for (int16_t k = 0; k < n; k++) {
    Rect aire;
    if (!CalculeAirePartGroupEcran(document, system, k, &aire)) continue;
    // A copy: drawing may move the list's memory.
    const PartGroup g = reinterpret_cast<const PartGroup*>(*(*score)->partGroups)[k];
    ForeColor(blackColor);
    switch (g.type) {
      case kPartGroupAccolade: DrawAccolade(&aire, Zoom(kMGLargeurAccolade), Zoom(kMGFormeAccolade)); break;
      case 1:
      case 2:
      case 3:
      case 4:
        DrawBracket(&aire, g.type == 1 || g.type == 2, g.type == 1 || g.type == 3, kMGEpaisseurCrochet,
                    kMGLongueurCrochet);
        break;
      case 5:
        if (!IsModeImpressionPartition(score) && (!IsModePagePartition(score) || document->boutonsEcran[0])) {
          SetForeColor(247);
          PaintRect(&aire);
          ForeColor(blackColor);
        }
        break;
      case kPartGroupSousCrochet: DrawSubBracket(&aire); break;
      default: break;
    }
    PenNormal();
    const bool complet = !system || system->premierSystemePartition;
    const char* texte = complet ? g.nom : g.abrege;
    const int32_t longueur = int32_t(strnlen(texte, sizeof g.nom));
    if (longueur == 0) continue;
    const TextStyle style = complet ? g.styleNom : g.styleAbrege;
    const int16_t dx = complet ? g.valeursNom[0] : g.valeursAbrege[0];
    const int16_t dy = complet ? g.valeursNom[1] : g.valeursAbrege[1];
    const int16_t angle = complet ? g.valeurNom : g.valeurAbrege;
    uint16_t largeur = 0, hauteur = 0;
    TextBoxStyleSize(texte, longueur, &style, &largeur, &hauteur, 1);
    const int32_t gauche = int32_t(aire.left) - largeur + Zoom(int32_t(dx) - 6);
    const int32_t haut = (int32_t(aire.top) + aire.bottom) / 2 - hauteur / 2 + Zoom(dy);
    const Rect boite{Sature16(haut), Sature16(gauche), Sature16(int64_t(haut) + hauteur),
                     Sature16(int64_t(gauche) + largeur)};
    TextBoxStyleZoom(texte, longueur, &boite, 0, &style, angle, 0, 1);
  }
  ForeColor(blackColor);
}

#include "layout/Regle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/TabEltMesure.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/Icones.h"
#include "system/Strings.h"
#include "text/TextStyle.h"

namespace {

int16_t modeAfficheTaquetsRegle = 1;

// Icons of the ruler.
enum : int16_t {
  kIconeMenu = 121,
  kIconeMesureCourante = 97,
  kIconeSaut = 387,
  kIconeTaquet = 87,
};

// The ruler's text: the preferences' ruler style is the application's; a
// small plain type stands in for it.
constexpr int16_t kTailleTexteRegle = 9;

void CentreTexte(const char* t, const Rect& r, int16_t dx) {
  const int16_t n = int16_t(strnlen(t, 64));
  const int16_t w = TextWidth(t, 0, n);
  FontInfo fi{};
  GetFontInfo(&fi);
  const int32_t x = (int32_t(r.left) + r.right - w) / 2 + dx;
  const int32_t y = (int32_t(r.top) + r.bottom + fi.ascent - fi.descent) / 2;
  MoveTo(Sature16(x), Sature16(y));
  DrawText(t, 0, n);
}

// A cell framed in relief: light on its top and left, dark on its bottom and right.
void CadreRelief(const Rect& r) {
  SetForeColor(255);
  MoveTo(r.left, Sature16(r.bottom - 1));
  LineTo(r.left, r.top);
  LineTo(Sature16(r.right - 1), r.top);
  SetForeColor(1);
  LineTo(Sature16(r.right - 1), Sature16(r.bottom - 1));
  LineTo(r.left, Sature16(r.bottom - 1));
}

}  // namespace

void SetModeAfficheTaquetsRegle(int16_t mode) { modeAfficheTaquetsRegle = mode; }
int16_t GetModeAfficheTaquetsRegle() { return modeAfficheTaquetsRegle; }

int16_t CalculeHauteurRegle(Document* document) { return document && document->regle ? int16_t(19) : int16_t(0); }

void CalculeAireEcranMenuRegle(Document* document, Rect* out) {
  if (!out) return;
  *out = Rect{0, 0, 0, 0};
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || IsModePagePartition(score)) return;
  const Rect& w = document->rectContenu;
  const int32_t gauche = int32_t(w.left) + (*score)->margeGaucheEcran + (pref.gouttiereLarge ? 24 : 12);
  const Rect zone{w.top, Sature16(gauche), Sature16(int32_t(w.top) + 18), w.right};
  *out = Rect{zone.top, w.left, zone.bottom, Sature16(int32_t(w.left) + 12)};
}

void LibelleMesureRegle(int32_t numero, int32_t bar, char* out, int32_t size) {
  if (!out || size <= 0) return;
  if (numero == bar + 1) std::snprintf(out, size_t(size), "%d", int(bar + 1));
  else if (numero < 1) std::snprintf(out, size_t(size), "(%d)", int(bar + 1));
  else std::snprintf(out, size_t(size), "%d (%d)", int(numero), int(bar + 1));
}

void AfficheRegle(Document* document, const Rect* ruler, int32_t firstTime, int32_t lastTime, const Rect* update,
                  bool printing) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score || !ruler || !update) return;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  Rect commun;
  if (!printing) {
    Rect menu;
    CalculeAireEcranMenuRegle(document, &menu);
    if (SectRect(&menu, update, &commun)) DrawIconButton(&menu, kIconeMenu, 0, false);
  }
  if (!SectRect(ruler, update, &commun)) return;
  if (printing) PenSize(1, 1);
  else PenSizeZoom(1, 1, 72);
  TextFont(0);
  TextFace(0);
  TextSize(printing ? int16_t(Zoom(kTailleTexteRegle)) : kTailleTexteRegle);
  RgnHandle clip = NewRgn();
  GetClip(clip);
  ClipRect(ruler);
  RGBColor fondAvant;
  GetBackColor(&fondAvant);
  RGBColor fond;
  CvtIndexEnRGB(247, &fond);
  RGBBackColor(&fond);
  Handle table = (*score)->tabEltMesure[0];
  const int32_t lignes = GetNbLignesTabElt(table);
  const int32_t nbMesures = (*score)->nbMesures;
  const int32_t premiere = std::max<int32_t>(CvtTempsEnMesure(score, firstTime), 0);
  const int32_t derniere = std::min<int32_t>(CvtTempsEnMesure(score, lastTime), nbMesures + 1);
  for (int32_t b = premiere; b <= derniere; b++) {
    const int32_t gauche = CvtMesureEnPixelEcran(score, b) - CalculeMargeDebutMesureEcran(score, b);
    const int32_t droite = CvtMesureEnPixelEcran(score, b + 1) - CalculeMargeDebutMesureEcran(score, b + 1);
    const Rect cellule{ruler->top, Sature16(gauche), Sature16(int32_t(ruler->bottom) - 4), Sature16(droite)};
    if (!SectRect(&cellule, update, &commun)) continue;
    if (b >= nbMesures) {
      EraseRect(&cellule);
      continue;
    }
    const TabEltMesure* rang = b < lignes ? &GetLignesTabElt(table)[b] : nullptr;
    char libelle[32];
    LibelleMesureRegle(rang ? rang->numeroMesure : b + 1, b, libelle, sizeof libelle);
    EraseRect(&cellule);
    CadreRelief(cellule);
    SetForeColor(246);
    CentreTexte(libelle, cellule, 0);
    // The selection runs from its first bar to its end bar (excluded).
    const bool hors = b < document->premiereMesureSelection || b >= document->derniereMesureSelection;
    ForeColor(hors ? cyanColor : blackColor);
    CentreTexte(libelle, cellule, -1);
    if (!printing) {
      const int16_t x = Sature16(int32_t(cellule.left) + 2), y = Sature16(int32_t(cellule.top) + 2);
      if (b == (*score)->mesureCourante) {
        DrawIconXY(kIconeMesureCourante, x, y);
        if ((*score)->compteurMesureCourante >= 0) {
          char compte[16];
          std::snprintf(compte, sizeof compte, "%d", (*score)->compteurMesureCourante + 1);
          ForeColor(blueColor);
          MoveTo(Sature16(int32_t(x) + 12), Sature16(int32_t(cellule.bottom) - 3));
          DrawText(compte, 0, int16_t(strnlen(compte, sizeof compte)));
        }
      }
      if (rang && (rang->sautSysteme || rang->sautPage))
        DrawIconXY(kIconeSaut, Sature16(int32_t(cellule.right) - 10), y);
      if (modeAfficheTaquetsRegle) {
        DrawIconXY(kIconeTaquet, Sature16(int32_t(cellule.left) + CalculeMargeDebutMesureEcran(score, b)), y);
        DrawIconXY(kIconeTaquet, Sature16(int32_t(cellule.right) - CalculeMargeFinMesureEcran(score, b)), y);
      }
    }
    ForeColor(blackColor);
  }
  RGBBackColor(&fondAvant);
  SetClip(clip);
  DisposeRgn(clip);
  PenNormal();
}

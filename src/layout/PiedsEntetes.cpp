#include "layout/PiedsEntetes.h"

#include <algorithm>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "layout/Zoom.h"
#include "model/Partition.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "system/Strings.h"

namespace {

// Ascent + descent of the tallest of the block's three styles, zoomed.
int16_t HauteurBloc(const BlocEnteteMiseEnPage& bloc) {
  int32_t h = 0;
  for (const TextStyle& style : bloc.style) {
    TextLookZoom(nullptr, style.font, style.size, style.face);
    FontInfo info{};
    GetFontInfo(&info);
    h = std::max<int32_t>(h, int32_t(info.ascent) + info.descent);
  }
  return Sature16(h);
}

}  // namespace

void AjouteEltPiedEtEnteteDocument(Partition** score, uint32_t kind, const PrInfo* printInfo) {
  if (!score || !printInfo || !(*score)->pages) return;
  const int32_t nbPages = GetHandleSize((*score)->pages) / int32_t(sizeof(Page));
  const Rect& papier = printInfo->page;
  for (int32_t p = 0; p < nbPages; p++) {
    MiseEnPage* setup = reinterpret_cast<Page*>(*(*score)->pages)[p].miseEnPage;
    if (!setup || p < setup->premierePageMusique) continue;
    const BlocEnteteMiseEnPage& bloc = kind == kSystemeEnTete ? setup->enTete : setup->basDePage;
    const int16_t h = HauteurBloc(bloc);
    Systeme element;
    SetSystemeDefaut(&element);
    element.type = kind;
    Rect& r = element.rectMiseEnPage;
    r.left = Sature16(int32_t(papier.left) + CvtPosDixiemeMMEnPixel(setup, bloc.retraitGauche));
    r.right = Sature16(int32_t(papier.right) - CvtPosDixiemeMMEnPixel(setup, bloc.retraitDroit));
    if (kind == kSystemeEnTete) {
      r.top = Sature16(int32_t(papier.top) + CvtPosDixiemeMMEnPixel(setup, bloc.distanceBord));
      r.bottom = Sature16(int32_t(r.top) + h);
    } else {
      r.bottom = Sature16(int32_t(papier.bottom) - CvtPosDixiemeMMEnPixel(setup, bloc.distanceBord));
      r.top = Sature16(int32_t(r.bottom) - h);
    }
    AjouteSysteme(score, int16_t(p), &element, 0, false);
  }
}

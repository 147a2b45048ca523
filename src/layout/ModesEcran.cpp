#include "layout/ModesEcran.h"

#include <algorithm>
#include <utility>

#include "layout/Imprimante.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/TabEltMesure.h"

int32_t GetModeEcran(Partition** score) { return score ? (*score)->modeEcran : 0; }

bool IsModePagePartition(Partition** score) { return score && (*score)->modeEcran == kModeEcranPage; }

bool IsModeImpressionPartition(Partition** score) {
  return score && ((*score)->modeEcran == kModeEcranImpression || (*score)->modeEcran == kModeEcranImpression2);
}

// SEAM(layout): the guide-mark switch comes with the display settings; a
// preview never shows guide marks.
bool IsTraceReperes(Partition**) { return false; }

// SEAM(layout): pagination and the screen areas come with the page layout;
// until then nothing is paginated and the page scale is 1.
void RecalculeMiseEnPage(Document*) {}
float CalculeEchelleVisualisationModePage(Document*) { return 1.0f; }
void InitAiresEcranModeRuban(Document*) {}
void InitAiresEcranModePage(Document*) {}
void InitAiresEcranImpression(Document*) {}

void SetModeEcran(Partition** score, int32_t mode) {
  if (score == nullptr) return;
  if (mode == kModeEcranPage) mode = kModeEcranRuban;
  if ((*score)->modeEcran == mode) return;
  (*score)->modeEcran = mode;
  SetTabEltMesureModifie(score, kTabEltEspacement);
}

void GetPrInfoDocument(Document* document, PrInfo* out) {
  if (out == nullptr) return;
  *out = PrInfo{};
  if (GlobalHPrint == nullptr) ReadPrmPrint();
  if (GlobalHPrint != nullptr) *out = (*GlobalHPrint)->info;
  if (document == nullptr) return;
  if (document->taillePagePropre) {
    out->resV = out->resH = 576;
    out->page = Rect{0, 0, int16_t(std::clamp(int32_t(document->hauteurPage) * 8, 0, 32767)),
                     int16_t(std::clamp(int32_t(document->largeurPage) * 8, 0, 32767))};
  }
  Rect& r = out->page;
  const bool large = (r.right - r.left) > (r.bottom - r.top);
  const bool haut = (r.bottom - r.top) > (r.right - r.left);
  if ((document->orientation == 1 && large) || (document->orientation != 1 && haut)) {
    std::swap(r.top, r.left);
    std::swap(r.bottom, r.right);
  }
}

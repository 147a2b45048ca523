#include "layout/ImpressionPartition.h"

#include <algorithm>
#include <cmath>

#include "layout/DonneesMiseEnPage.h"
#include "model/Document.h"

float ZoomPrintSur(float scale) { return std::isnan(scale) || scale < 0.1f ? 0.1f : scale; }

void AppliqueZoomPrintDocumentAuRect(float scale, Rect* rect) {
  if (rect == nullptr) return;
  const float z = ZoomPrintSur(scale);
  auto divise = [z](int16_t v) { return int16_t(std::clamp(std::trunc(float(v) / z), -32768.0f, 32767.0f)); };
  rect->top = divise(rect->top);
  rect->left = divise(rect->left);
  rect->bottom = divise(rect->bottom);
  rect->right = divise(rect->right);
}

float GetZoomPrintDocument(const Document* document) { return document ? document->misesEnPage[0].echelle : 1.0f; }

// SEAM(layout): lyric text pages are laid out and drawn with the printing of
// pages; until then a text takes one page and draws nothing.
int16_t ImprimeTexte(Document*, ExtendedTE, int16_t, int16_t, const Rect*, const TextStyle*) { return -1; }

void GetRectScale(const MiseEnPage* setup, const PrInfo* source, PrInfo* out) {
  if (!source || !out) return;
  *out = *source;
  AppliqueZoomPrintDocumentAuRect(setup ? setup->echelle : 1.0f, &out->page);
}

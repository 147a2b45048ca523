#include "layout/ImpressionPartition.h"

#include <algorithm>
#include <cmath>

#include "layout/DonneesMiseEnPage.h"
#include "layout/Pagination.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/TracePage.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "plugin/Preferences.h"
#include "system/Strings.h"
#include "text/TextStyle.h"
#include "text/UTFText.h"

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

namespace {

// Whether a page is being printed (a page of a preview is drawn as printed).
bool impressionEnCours = false;

// A run is drawn in pieces of at most this many bytes, never cutting a
// character of UTF-8 text.
constexpr int32_t kMaxOctetsMorceau = 253;

int32_t FinMorceau(const char* t, int32_t debut, int32_t fin, bool utf8) {
  int32_t f = std::min(fin, debut + kMaxOctetsMorceau);
  if (utf8 && f < fin)
    while (f > debut + 1 && (uint8_t(t[f]) & 0xC0) == 0x80) f--;
  return f;
}

// The run that holds an offset ends at the next run's start (the text's end
// for a record without runs).
int32_t FinRun(ExtendedTE te, int32_t offset) {
  ExtendedStylHandle sh = (*te)->styleHandle;
  if (!sh) return (*te)->teLength;
  const int32_t n = Extended_NumRun(offset, sh);
  return std::min(ExtendedRuns(sh)[n + 1].start, (*te)->teLength);
}

// One line from x at the baseline y, in runs of one style.
void TraceLigne(ExtendedTE te, int32_t debut, int32_t fin, int16_t x, int16_t y) {
  while (fin > debut && ((*(*te)->hText)[fin - 1] == '\r' || (*(*te)->hText)[fin - 1] == '\n')) fin--;
  MoveTo(x, y);
  const bool utf8 = (*te)->charMode == 4;
  for (int32_t pos = debut; pos < fin;) {
    TextStyle st{};
    ExtendedTEGetStyle(pos, &st, nullptr, nullptr, te);
    TextFont(st.font);
    TextFace(st.face);
    TextSize(int16_t(std::clamp<int32_t>(Zoom(st.size == 0 ? 12 : st.size), 1, 32767)));
    RGBForeColor(&st.color);
    const int32_t finRun = std::max(std::min(FinRun(te, pos), fin), pos + 1);
    while (pos < finRun) {
      const int32_t f = FinMorceau(*(*te)->hText, pos, finRun, utf8);
      HLock((*te)->hText);
      if (utf8) UTFDrawText(nullptr, *(*te)->hText, pos, f - pos, 0);
      else DrawText(*(*te)->hText + pos, 0, int16_t(f - pos));
      HUnlock((*te)->hText);
      pos = f;
    }
  }
}

}  // namespace

bool IsPrintingInProgress() { return impressionEnCours; }

bool IsPorteeImprimable(const MiseEnPage*, Portee** staff) { return staff && !(*staff)->pasImprimee; }

int16_t ImprimeTexte(Document*, ExtendedTE text, int16_t page, int16_t draw, const Rect* pageRect,
                     const TextStyle* style) {
  if (!text || !pageRect) return 0;
  Rect zone = *pageRect;
  InsetRect(&zone, 18, 18);
  if (style) {
    const int32_t a = (*text)->selStart, b = (*text)->selEnd;
    ExtendedTESetSelect(0, (*text)->teLength, text);
    ExtendedTESetStyle(doAll, style, 0, text);
    ExtendedTESetSelect(a, b, text);
  }
  ExtendedLongRect& dest = (*text)->destRect;
  dest.left = DeZoom(zone.left);
  dest.right = DeZoom(zone.right);
  ExtendedTESetNoClipToViewRect(1, text);
  ExtendedTECalText(text);
  const int32_t lignes = (*text)->nLines;
  int16_t numero = 1;
  int32_t y = zone.top;
  for (int32_t i = 0; i < lignes; i++) {
    const int32_t h = Zoom(int32_t(ExtendedTEGetHeight(i, i, text)));
    // A line taller than the area still takes a page of its own.
    if (y + h >= zone.bottom && y > zone.top) {
      if (numero == page) return int16_t(page + 1);
      numero = int16_t(std::min<int32_t>(numero + 1, 32767));
      y = zone.top;
    }
    if (draw && numero == page) {
      const int32_t debut = ExtendedLineStarts(text)[i], fin = ExtendedLineStarts(text)[i + 1];
      const int32_t ascent = Zoom(int32_t(Extended_HeightFromRuns(text, debut, std::max(debut, fin - 1)).ascent));
      TraceLigne(text, debut, fin, zone.left, Sature16(int64_t(y) + ascent));
    }
    y += h;
  }
  return int16_t(lignes == 0 ? 0 : -numero);
}

int16_t ImprimePartition(Document* document, MiseEnPage* setup, int16_t page, const PrInfo* printInfo) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return 0;
  if (!(*score)->pages && printInfo) {
    MetsEnPageDocument(document, setup, printInfo);
    SetTabEltMesureModifie(score, kTabEltTout);
    UpdateTabEltMesure(score, kTabEltTout);
  }
  const uint8_t limites = pref.afficheLimitesPage, antialias = pref.traitsAntialias;
  const uint8_t impression = (*score)->impressionEnCours, reperes = document->reperesMiseEnPage;
  const uint8_t boutons0 = document->boutonsEcran[0], boutons1 = document->boutonsEcran[1];
  const bool avant = impressionEnCours;
  pref.afficheLimitesPage = 0;
  (*score)->impressionEnCours = 1;
  document->reperesMiseEnPage = 0;
  document->boutonsEcran[0] = document->boutonsEcran[1] = 0;
  pref.traitsAntialias = 0;
  impressionEnCours = true;
  const int16_t pages = CombienDePages(score);
  const int16_t retour = TracePageDocument(document, page, 1.0f, page, pages);
  impressionEnCours = avant;
  pref.traitsAntialias = antialias;
  document->boutonsEcran[0] = boutons0;
  document->boutonsEcran[1] = boutons1;
  document->reperesMiseEnPage = reperes;
  (*score)->impressionEnCours = impression;
  pref.afficheLimitesPage = limites;
  return retour;
}

void GetRectScale(const MiseEnPage* setup, const PrInfo* source, PrInfo* out) {
  if (!source || !out) return;
  *out = *source;
  AppliqueZoomPrintDocumentAuRect(setup ? setup->echelle : 1.0f, &out->page);
}

#pragma once
// Screen modes of a score: 0 ribbon, 1 page, 2 and 3 print. The mode decides
// the resolution lengths are drawn at, the score's screen scale and zoom, the
// current bar table and where the areas of pages and staves lie. The mode
// queries, re-pagination and the screen areas, which the model calls, are
// declared in layout/ServicesMiseEnPage.h.
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Document;
struct Portee;

// Guide marks may be drawn at all (off in a preview).
extern uint8_t IsTraceReperesGlobal;

// The resolution a mode draws at: 72 in mode 0, the page-mode preference in
// mode 1, the score's print resolution in modes 2 and 3.
int16_t GetResolutionModeEcran(Partition** score);

// Puts the score in a screen mode (a request for mode 1 is stored as mode 0).
// A change marks the spacing dirty; leaving mode 0 brings back the view kept
// for the other modes, returning to it keeps the current view and shows every
// staff. Outside mode 0: zoom 72 and a screen scale of the mode's resolution
// / 72 (times the print zoom in page mode); in mode 0 scale 1 and the
// scrolling zoom. The staves are then prepared again.
void SetModeEcran(Partition** score, int32_t mode);

struct PrInfo;
// The document's print information: its own page size at 576 dpi (x 8,
// clamped to 16 bits) when it carries one, else the print record's;
// top/left and bottom/right swapped when the rectangle's shape disagrees with
// the document's orientation.
void GetPrInfoDocument(Document* document, PrInfo* out);

// Height of the bars above the ribbon (the ruler's: a preview has no others).
int16_t CalculeHauteursBarres(Document* document);

// Areas of the pages in page and print modes: every page's screen rectangles
// (clipToWindow: a page off the window is not shown), every element's drawing
// frame, a music system's right edge from its bars, its staff entries' frames
// and the staves' areas from them.
void InitAiresEcran(Document* document, bool clipToWindow);
// Places every page of the current score in the page view: its paper and
// printable rectangles at 72 dpi, one under the other with a gap in page mode.
void CalculeAiresGlobalePageDocument(Document* document);
// Screen point of the top-left corner of a page (0-based index): (0, 0) in
// print modes.
void GetOffsetDebutPageSurEcran(Document* document, int16_t pageIndex, Point* out);

#pragma once
// Page setups, pages and page elements: defaults, building, rescaling and
// release. The records are in layout/DonneesMiseEnPage.h; the defaults of one
// setup, the release of a score's pages, the page count and the printed-staff
// test and the adding of page elements, which the model calls, are declared
// in layout/ServicesMiseEnPage.h.
#include "layout/DonneesMiseEnPage.h"
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"

struct Partition;
struct Document;

// Appends a page built with `setup` and returns its index (the count before),
// or -1 when it could not be added. With mirror margins the page rectangle is
// first recomputed for this page index from the print information and
// written back to the caller's rectangle.
int16_t AjoutePage(Partition** score, MiseEnPage* setup, const PrInfo* printInfo, Rect* pageRect);
// The setup serving page `page` (1-based) of the current score: the fifth when
// an element of kind 4, 9 or 10 comes before any of kind 5, the fourth when one
// of kind 5 comes first, else the first; the first for a page out of range or
// without elements. Null without a document.
MiseEnPage* GetMiseEnPage(Document* document, int16_t page);
// Rescales the current score's pages, elements and staff entries from one
// resolution to another.
void ZoomeMiseEnPage(Document* document, int16_t fromResolution, int16_t toResolution);
// The page rectangle of a page index: the print information's page less the
// setup's margins (divided by the setup's scale, never by less than 0.1),
// left and right swapped on odd indexes with mirror margins; bottom and right
// stay at least one pixel past top and left.
void AppliqueMargePrintInfo(const MiseEnPage* setup, int16_t pageIndex, const PrInfo* printInfo, PrInfo* out);
// The defaults of a document's five setups.
void FixeMiseEnPageStandardDocument(Document* document);

#pragma once
// Screen modes of a score: 0 ribbon, 1 page, 2 and 3 print. The mode queries,
// re-pagination and the screen areas, which the model calls, are declared in
// layout/ServicesMiseEnPage.h.
#include "layout/ServicesMiseEnPage.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Document;

// Puts the score in a screen mode (a request for mode 1 is stored as mode 0)
// and marks the bar tables dirty when it changed. The views, zoom and screen
// scale the change also sets come with the page layout.
void SetModeEcran(Partition** score, int32_t mode);

struct PrInfo;
// The document's print information: its own page size at 576 dpi (x 8) when
// it carries one, else the print record's; top/left and bottom/right swapped
// when the rectangle's shape disagrees with the document's orientation.
void GetPrInfoDocument(Document* document, PrInfo* out);

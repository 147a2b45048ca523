#include "layout/TracePage.h"

// SEAM(layout): page elements are drawn by the page layout; until it lands a
// page is blank.
void TracePageDocument(Document*, int16_t, float, int16_t, int16_t) {}

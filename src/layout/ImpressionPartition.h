#pragma once
// Printing of a score: the print zoom applied to page rectangles.
#include "platform/PlatformTypes.h"

// Divides the four coordinates by the print zoom (never by less than 0.1),
// truncated toward zero.
void AppliqueZoomPrintDocumentAuRect(float scale, Rect* rect);
// The print zoom as it divides: below 0.1, or not a number, counts as 0.1.
float ZoomPrintSur(float scale);

struct Document;
// The document's print zoom: the scale of its first page setup.
float GetZoomPrintDocument(const Document* document);

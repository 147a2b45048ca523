#pragma once
// Printing of a score: the print zoom applied to page rectangles.
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"
#include "text/ExtendedTE.h"

// Divides the four coordinates by the print zoom (never by less than 0.1),
// truncated toward zero.
void AppliqueZoomPrintDocumentAuRect(float scale, Rect* rect);
// The print zoom as it divides: below 0.1, or not a number, counts as 0.1.
float ZoomPrintSur(float scale);

struct Document;
// The document's print zoom: the scale of its first page setup.
float GetZoomPrintDocument(const Document* document);

struct TextStyle;
// A styled text on pages (lyric text pages): with page 9999 measures it and
// returns minus the number of pages it needs in pageRect; with a page number
// draws that page and returns the next page number when text remains, else
// minus the page count.
int16_t ImprimeTexte(Document* document, ExtendedTE text, int16_t page, int16_t draw, const Rect* pageRect,
                     const TextStyle* style);

struct MiseEnPage;
struct Portee;
// Whether a page is being printed: set while ImprimePartition draws.
bool IsPrintingInProgress();
// True unless the staff is marked not to be printed.
bool IsPorteeImprimable(const MiseEnPage* setup, Portee** staff);
// Draws one page (1-based) of the current score for a printer or a picture,
// with the screen-only decorations off; a score without pages is laid out
// first. Returns what the page drawing returns.
int16_t ImprimePartition(Document* document, MiseEnPage* setup, int16_t page, const PrInfo* printInfo);

// The print information with its page rectangle divided by the setup's scale
// (never by less than 0.1), truncated.
void GetRectScale(const MiseEnPage* setup, const PrInfo* source, PrInfo* out);

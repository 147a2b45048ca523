#pragma once
// Headers and footers of the pages: each page from its setup's first music
// page on gets a header element (kind 6) and a footer element (kind 7) placed
// from the paper's edges by the setup's distances.
#include "platform/PlatformTypes.h"
#include "platform/Printing.h"

struct Partition;

// Adds the header (kind 6) or footer (kind 7) element of every page whose
// index is at least its setup's first music page. The element is as high as
// the tallest of its three styles at the destination resolution, inset from
// the paper rectangle of the print information by the block's distances.
void AjouteEltPiedEtEnteteDocument(Partition** score, uint32_t kind, const PrInfo* printInfo);

struct BlocEnteteMiseEnPage;
struct Document;

// Bytes of a header or footer template, and of its expansion.
constexpr int32_t kTailleModeleEntete = 512;
struct TextStyle;

// A template's '$' codes expanded for a page: the document's dates (A, U, Y,
// with an optional "[format]"), today (D) and the time (H), titles (T, C, R),
// file name (F), page numbers counted from `base` (P, Q, N, VP, VN; O<n>
// shifts page and count by n), playing time (M), the current view (V) and
// lyric lines (L["staff"][,a or ,a-b]). `page` is 1-based. The result, a
// styled string (NUL-ended) in a new handle the caller disposes of, holds at
// most max - 1 bytes of text and keeps the template's style runs. Null for an
// empty template. Without a document the codes show placeholders.
Handle CreeChainePiedDePage(Document* document, const char* modele, int16_t base, int16_t page, int16_t count,
                            int16_t extraP, int16_t extraN, int32_t max);

// Draws one template of a block aligned 0 (left), 1 (centre) or -1 (right) in
// rect; on even pages a mirrored block swaps left and right. With `tallest`,
// raises it to the text's height wrapped at width 32000.
void DoTraceChainePiedDePageEtEntete(Document* document, const BlocEnteteMiseEnPage* block, const char* modele,
                                     const TextStyle* style, int16_t alignment, int16_t base, int16_t page,
                                     int16_t count, int16_t extraP, int16_t extraN, const Rect* rect, int16_t* tallest);
// Draws a header or footer block in rect (its three templates and its rules);
// nothing on page 1 when the block is not for page 1.
void DoTraceElementPiedDePageEtEntete(Document* document, const BlocEnteteMiseEnPage* block, int16_t base, int16_t page,
                                      int16_t count, int16_t extraP, int16_t extraN, const Rect* rect);

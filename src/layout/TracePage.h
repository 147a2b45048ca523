#pragma once
// Drawing of one page of the current score, element by element.
#include <cstdint>

struct Document;

// Draws page `page` (1-based) of the current score into the current port;
// headers and footers print `pageNumber` of `pageCount`. The drawing does not
// depend on `zoom`. Returns page + 1 when a further page exists, else minus
// the page count (also for a page that does not exist, which draws nothing).
int16_t TracePageDocument(Document* document, int16_t page, float zoom, int16_t pageNumber, int16_t pageCount);

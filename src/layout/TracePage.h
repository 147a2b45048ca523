#pragma once
// Drawing of one page of the current score, element by element.
#include <cstdint>

struct Document;

// Draws page `page` (1-based) of `pageCount` into the current port at `zoom`.
void TracePageDocument(Document* document, int16_t page, float zoom, int16_t pageNumber, int16_t pageCount);

#include "import/XMLLyrics.h"

// SEAM(import): no lyrics yet.
void XMLFinalizeLyrics(Document*) {}

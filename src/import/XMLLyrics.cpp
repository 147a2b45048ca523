#include "import/XMLLyrics.h"

// SEAM(import): no lyrics yet.
void XMLFinalizeLyrics(Document*) {}
// SEAM(import): no credits yet.
void XMLProcessCredits(Document*, XMLRootElt*) {}
// SEAM(import): no free objects from credits yet.
void XMLConvertFreeObjectsToDocumentInfo(Document*) {}

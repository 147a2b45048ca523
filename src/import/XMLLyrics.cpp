#include "import/XMLLyrics.h"

// SEAM(import): no lyrics yet.
void XMLFinalizeLyrics(Document*) {}
// SEAM(import): no credits yet.
void XMLProcessCredits(Document*, XMLRootElt*) {}
// SEAM(import): no free objects from credits yet.
void XMLConvertFreeObjectsToDocumentInfo(Document*) {}
// SEAM(import): the notes pass hands each lyric here; no lyric cells yet.
void XMLProcessLyric(Portee**, int32_t, XMLElt*) {}

#include "import/XMLImages.h"

// SEAM(import): no pictures yet.
void XMLProcessImages(Document*, XMLRootElt*) {}
// SEAM(import): no page lines or frames yet.
void XMLProcessExtraGraphics(Document*, XMLRootElt*) {}

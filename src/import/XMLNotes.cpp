#include "import/XMLNotes.h"

// SEAM(import): no notes yet.
void XMLAddNotes(XMLRootElt*, Document*, Handle) {}

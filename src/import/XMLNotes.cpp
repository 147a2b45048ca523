#include "import/XMLNotes.h"

// No notes yet.
void XMLAddNotes(XMLRootElt*, Document*, Handle) {}

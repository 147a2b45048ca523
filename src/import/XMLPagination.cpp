#include "import/XMLPagination.h"

// SEAM(import): nothing read yet: the document keeps the page setup it was given.
void XMLClearAppearance() {}
void XMLClearPagination(Document*) {}
void XMLGetInfos(XMLRootElt*, Document*) {}
void XMLGetScaling(XMLRootElt*) {}
void XMLFinalizeAppearance(Document*) {}
void XMLPaginationRecalculeLargeurObjetsTexte(Document*) {}
void XMLPaginationRecalculeLargeurDiagrammes(Document*) {}

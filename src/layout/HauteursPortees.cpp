#include "layout/HauteursPortees.h"

// SEAM(layout): staff heights come with the page layout; a new staff keeps
// the inner lines it was made with.
void SetDefaultLignesInternesPortees(Portee**) {}

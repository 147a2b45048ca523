#include "notation/AffichePortee.h"

// SEAM(notation): staves are not placed in page systems until pages are
// drawn: no bar can be prepared.
bool PrepareDraw(Portee**, int32_t, bool, int32_t* xOffset) {
  if (xOffset) *xOffset = 0;
  return false;
}

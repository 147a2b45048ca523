#include "import/XMLDirections.h"

// SEAM(import): no dynamics yet.
void XMLFinalizeDynamics(Document*) {}
// SEAM(import): directions (jumps, tempo marks, dynamics, words) are dropped until their readers land.
void XMLApplyDirectionEvent(const XMLEvent&, int32_t, Document*) {}
// SEAM(import): dynamics and wedges of notations are dropped until the directions' readers land.
void XMLProcessDynamic(XMLElt*, Portee**, int32_t, int32_t, int32_t, int32_t) {}
void XMLProcessWedge(XMLElt*, Portee**, int32_t, int32_t, int32_t, int32_t) {}

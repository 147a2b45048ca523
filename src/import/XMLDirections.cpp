#include "import/XMLDirections.h"

// SEAM(import): no dynamics yet.
void XMLFinalizeDynamics(Document*) {}
// SEAM(import): directions (jumps, tempo marks, dynamics, words) are dropped until their readers land.
void XMLApplyDirectionEvent(const XMLEvent&, int32_t, Document*) {}

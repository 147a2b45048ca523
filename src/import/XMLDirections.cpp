#include "import/XMLDirections.h"

// SEAM(import): no dynamics yet.
void XMLFinalizeDynamics(Document*) {}

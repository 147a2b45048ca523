#include "import/XMLDirections.h"

// No dynamics yet.
void XMLFinalizeDynamics(Document*) {}

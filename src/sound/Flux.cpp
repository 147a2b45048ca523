#include "sound/Flux.h"

// SEAM(sound): no sample stream is made yet, so there is none to release.
int16_t DisposeFlux(int32_t) { return 1; }

#include "sound/Flux.h"

int16_t DisposeFlux(int32_t) { return 1; }

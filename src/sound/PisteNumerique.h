#pragma once
// Digital audio tracks. What the model asks of a track is declared in
// sound/ServicesSon.h.
#include "sound/ServicesSon.h"

// Reads a track staff's stored track; 1, or 0 when it cannot be read.
int16_t ReadPisteNumerique(Portee** staff);

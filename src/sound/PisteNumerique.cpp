#include "sound/PisteNumerique.h"

// SEAM(sound): a track holds no sound yet: the default rate and no length.
uint32_t GetSampleRatePisteNumerique(Portee**) { return 44100; }
uint32_t GetLengthPisteNumerique(Portee**) { return 0; }

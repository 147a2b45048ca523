#include "sound/PisteNumerique.h"

uint32_t GetSampleRatePisteNumerique(Portee**) { return 44100; }
uint32_t GetLengthPisteNumerique(Portee**) { return 0; }

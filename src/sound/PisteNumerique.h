#pragma once
// Digital audio tracks.
#include "platform/PlatformTypes.h"

struct Portee;

uint32_t GetSampleRatePisteNumerique(Portee** staff);
uint32_t GetLengthPisteNumerique(Portee** staff);

#pragma once
// Bar lines, repeat signs and jump texts.
#include "platform/PlatformTypes.h"

struct Partition;

// Pixels of the bar line or repeat sign drawn at the start of a bar.
int32_t CalculeTailleEcranRuptureMesure(Partition** score, int16_t bar);

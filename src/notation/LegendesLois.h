#pragma once
// Law legends: the name of the law that applies to a note, shown beside it
// in the piano-roll view.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Partition;

// Brings the legends of every staff of the score up to date; 1.
int16_t CalculeLegendesLoisPartition(Partition** score);

#pragma once
// Beam links drawn across positions and staves: their default beam counts and
// the re-ordering of a chain of linked notes, which the model calls, are
// declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

// Beams of a duration (the tuplet byte's ratio n:m applied when both are at
// least 2): 0 for a quarter or a half, 1 an eighth ... 7, -1 a whole, -2 a
// breve, -3 from four wholes up.
int16_t GetNbBarresSelonDureeNote(int32_t duration, uint8_t tuplet);

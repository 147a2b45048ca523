#pragma once
// The chord-name line of a staff.
#include "platform/PlatformTypes.h"

struct Portee;

// Draws the chord diagram of one cell of the chord line; always 1.
int16_t VectTraiteTaquetLigneTexteAccord(Portee** staff, int16_t bar, int16_t cell);

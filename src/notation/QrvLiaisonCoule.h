#pragma once
// Tie and slur shapes.
#include "platform/PlatformTypes.h"

struct Portee;

// Gives a new link its default shape in the source note's effect record
// (kind 0 tie or slur, 1 beam link), keeping its ids and staff numbers.
void SetLiaisonCouleDefautNote(Portee** staff, int32_t index, int16_t kind);

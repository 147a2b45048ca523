#pragma once
// Chord offsets: where the heads of a chord sit beside the stem.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// Horizontal offset of the head of note `index` within its chord, on the
// piano roll when `ruban` is given, else on the page.
int16_t CalculeDecalageCorpsAccord(Partition** ruban, Portee** staff, int32_t index);

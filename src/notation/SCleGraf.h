#pragma once
// Chord drawing and the printed pieces of tied notes.
#include "platform/PlatformTypes.h"

struct Portee;

// True when the note carries a tie (its printed pieces can be listed).
bool IsNoteLiee(Portee** staff, int32_t index);

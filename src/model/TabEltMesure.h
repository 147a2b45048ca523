#pragma once
// Bar element tables: one per screen mode, rebuilt lazily from dirty bits.
#include "platform/PlatformTypes.h"

struct Partition;

// Dirty bits.
enum : uint16_t { kTabEltEspacement = 1, kTabEltMarges = 2, kTabEltTemps = 4 };

void DisableCalculTabElt(Partition** score);
void EnableCalculTabElt(Partition** score);
void SetTabEltMesureModifie(Partition** score, uint16_t mask);
void UpdateTabEltMesure(Partition** score, uint16_t mask);
// Frees the four tables and sets the row count to 0.
void DisposeTabEltMesure(Partition** score);

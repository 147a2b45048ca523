#pragma once
// Lyrics (type 3), tempo (type 4) and digital audio track (type 10) staff types.
#include "platform/PlatformTypes.h"

struct Portee;

void InitPorteeParole(Portee** staff);
void InitPorteeTempo(Portee** staff);
// A rate code and bit depth of 0 mean the defaults.
void InitPorteePisteNumerique(Portee** staff, uint32_t rateCode, int16_t bits);

struct Partition;
// Old documents kept notes on the tempo staff under its events: they become
// rests.
void SupprimeNotesPorteeTempoSousEvenements(Partition** score);

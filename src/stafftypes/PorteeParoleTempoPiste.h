#pragma once
// Lyrics (type 3), tempo (type 4) and digital audio track (type 10) staff
// types. Their installers are declared in stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

struct Partition;
// Old documents kept notes on the tempo staff under its events: they become
// rests.
void SupprimeNotesPorteeTempoSousEvenements(Partition** score);

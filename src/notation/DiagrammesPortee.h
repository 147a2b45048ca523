#pragma once
// The chord-diagram list of a staff. Its release and the preserving of
// diagram positions around edits, which the model calls, are declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

// Appends a zero-filled placement (model/DonneesAccords.h) to the staff's
// list, made when missing; its index, or -1 when the list cannot grow.
int32_t NewDiagramme(Portee** staff);

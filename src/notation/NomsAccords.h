#pragma once
// Chord names: chord definitions turned into chord symbols and back, their
// pitches, and the staff diagram that a definition names. What the model
// calls is declared in notation/ServicesNotation.h.
#include "model/Accords.h"
#include "notation/ServicesNotation.h"

// The chord symbol of a definition.
void CreeNomAccord(const DefAccord* chord, char* dst);
// The definition of a chord given by its degree pitches (-1 absent), its root
// spelled in the key.
void CvtAccordAbsoluEnDefAccord(int32_t neck, const Tonalite* key, const int16_t pitches[5], DefAccord* out);

#pragma once
// Accidental spelling: the staff line and shown accidental of a note under
// the key in force, and the pitch at a line. The two conversions the model
// calls are declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

// Accidental codes: 0 natural, 1 sharp, 2 none, 3 flat, 4 double sharp, 5 double flat.
int16_t CvtAlterationEnDecalageDemiTon(uint8_t code);

#pragma once
// Chord offsets: where the heads of a chord sit beside the stem. The offset
// the model reads is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

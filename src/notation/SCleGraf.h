#pragma once
// Chord drawing and the printed pieces of tied notes. The tie test the model
// calls is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

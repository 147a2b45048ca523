#pragma once
// The chord-diagram list of a staff. Its release and the preserving of
// diagram positions around edits, which the model calls, are declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

#pragma once
// Beam links drawn across positions and staves: their default beam counts and
// the re-ordering of a chain of linked notes, which the model calls, are
// declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

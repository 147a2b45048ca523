#pragma once
// Drawing of dynamics objects: velocity letters, hairpins, octave lines,
// pedal and tempo marks, and their standard sizes. What the model calls is
// declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

#pragma once
// Drawing of dynamics objects: velocity letters, hairpins, octave lines,
// pedal and tempo marks with their reference notes, and their standard
// sizes. What the model calls is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

// One hairpin in a rectangle, `opening` pixels open at its narrow end,
// turned by `angle` degrees about the rectangle.
void AfficheDynamiqueCrescendo(const Rect* rect, int16_t opening, int16_t colour, int16_t angle);
void AfficheDynamiqueDecrescendo(const Rect* rect, int16_t opening, int16_t colour, int16_t angle);

// The reference note of a tempo mark and its " = n", from pen x x (left
// aligned) or against the rectangle's right; the staff may be null. Returns
// the x reached (the x given for a right-aligned mark).
int16_t DrawNoteReferenceDansTempo(Portee** staff, const Dynamique* tempo, const Rect* rect, int16_t x);
// The same as a callback of rhythm-pattern texts: `args` holds the staff,
// the tempo object and then the mark's Rect, one word each from the third
// word on; x is the pen's.
int16_t VectDrawNoteReferenceDansTempo(void* args);

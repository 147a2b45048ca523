#pragma once
// Accidental spelling: the staff line and shown accidental of a note under
// the key in force, and the pitch at a line.
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;
struct Tonalite;

// Accidental codes: 0 natural, 1 sharp, 2 none, 3 flat, 4 double sharp, 5 double flat.
int16_t CvtAlterationEnDecalageDemiTon(uint8_t code);
// The line (octave x 7 + step) and shown accidental of a note; returns the shown code.
int16_t CalcPosAlterationFnNote(Portee** staff, const Signe* note, int16_t* line, uint8_t* shown, int32_t noteIndex,
                                int32_t tick);
// The pitch at a line with an accidental (2 takes the key's); returns the code kept.
int16_t CalcNoteFnPosAlteration(Portee** staff, int16_t line, int32_t tick, uint8_t accidental, const Tonalite* key,
                                int16_t* note);

#pragma once
// Staff metrics and stem lengths: a staff's sizes at the destination
// resolution (its ribbon sizes beside them), the length of a note's stem in
// stem units (620 make one interline at 100 %) and in screen or ribbon
// pixels, the stem drawn inside a beam, and the ends of a beam across
// linked notes.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;
struct Signe;

// The standard stem: 21 units plus the graphic mode's stem setting.
constexpr int16_t kTailleQueueStd = 21;
// Set by the grace-note series while it draws: grace notes take the standard stem.
extern uint8_t inDrawGrace;

// Computes the staff's screen metrics; returns its screen chord line.
int16_t InitTaillePortee(Portee** staff);

// Stem lengths of a note of the staff (noteIndex -1 for a note outside it).
int16_t GetTailleStdTigeNote(Portee** staff, const Signe* note, int32_t noteIndex, uint8_t standardOnly);
int16_t GetTailleEcranTigeNote(Portee** staff, const Signe* note, int32_t noteIndex, uint8_t standardOnly);
int16_t GetTailleRubanTigeNote(Portee** staff, const Signe* note, int32_t noteIndex);
// Screen pixels back to stem units at 100 %.
int16_t GetTailleTigeFnEcran(Portee** staff, int16_t screenLength);
// The ribbon length of a note's stem as drawn, a beam considered.
int16_t GetTailleAfficheeTigeNote(Portee** staff, int32_t noteIndex);
// Moves the beam ends (ribbon pixels; y1 at x1, y2 at x2) of the beamed notes
// first..last so that no stem of the range reaches past the beam.
void CalculeExtremiteAccroche(Partition** score, Portee** staff, int32_t first, int32_t last, int32_t* x1, int32_t* y1,
                              int32_t* x2, int32_t* y2);

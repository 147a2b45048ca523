#pragma once
// The extra graphics of a note drawn by a tablature: its grace notes, the tie
// to the next note and its marks.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;

// Nothing for note index -1. Grace notes first (tablature mode 0: the
// standard series; else the tablature's own), then, when asked, the tie to
// the next note (xOrigin: the x the staff's ticks start from) and the marks
// from the note's head at (x, y). Returns what the grace notes gave (their
// slot under no hit point: -1 when drawn, 0 for no note or no effects).
int16_t TraceExtraGraphiquesNote(Portee** staff, int16_t x, int16_t y, int32_t xOrigin, int32_t noteIndex,
                                 uint8_t tablatureMode, uint8_t withMarks, uint8_t withTie);

#pragma once
// The note walk of a staff: chord after chord from a sign, along a chain of
// chords that continue into each other (a beam group or a tie), one walk per
// stem direction and pass, then the stems, flags and beams of each walk's
// stem group and, last, the tuplets.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;
struct Tablature;

// Draws the chain of chords from signs[first] at screen x; returns the index
// of the first sign after it. xRef is carried across bar lines (0x8000 none).
int32_t TraceNotes(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count, int16_t bar,
                   uint8_t drawFlag, int16_t graceIndex, uint8_t proportional, int16_t tabStemMode,
                   Tablature* tablature);
// One walk: direction 0 stems up, 1 down; pass 1 draws the notes beamed to
// another staff; useStaffSlot 0 places notes as a tablature's standard notation.
int32_t TraceNotesDansUnSens(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count,
                             int16_t bar, uint8_t drawFlag, uint8_t direction, uint8_t pass, uint8_t useStaffSlot,
                             int16_t graceIndex, uint8_t proportional, int16_t tabStemMode, Tablature* tablature);
// The rhythm stems of a staff's tablature (above or below it).
void AfficheQueuesTablature(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count,
                            int16_t bar, uint8_t proportional);

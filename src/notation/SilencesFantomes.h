#pragma once
// Ghost rests (filler rests a staff shows while nothing is written there):
// a thin line, a whole-bar rest or ordinary rests, never when printing. And
// the two pitch-to-y conversions the chord drawer takes for grace notes and
// for the standard-notation view of tablature notes.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;

// The tick of the note whose grace notes are drawn: set by the grace-note
// series; their accidentals are spelled at it.
extern int32_t positionNoteGraced;

// Ghost-rest display modes of a staff.
enum : uint8_t { kSilencesFantomesAucun = 0, kSilencesFantomesLigne = 1, kSilencesFantomesPartiels = 3 };

// Draws the ghost rest signs[index] of a bar at (x, y), on screen in colour.
void TraceSilenceFantomeAtPos(Portee** staff, int16_t x, int16_t y, const Signe* signs, int32_t index, int16_t bar,
                              const RGBColor* colour);
// The y of a grace note and its accidental to show.
int16_t Note2EcrGraceNotes(Portee** staff, int32_t time, int32_t index, const Signe* sign, uint8_t* accidental);
// The y of a tablature note on its string; no accidental.
int16_t Note2EcrTablatureAssociee(Portee** staff, int32_t time, int32_t index, const Signe* sign, uint8_t* accidental);

#pragma once
// Automatic fingering of diatonic-accordion tablatures (the record's
// CalculeTablature slot): for every note a button, a keyboard row and a
// bellows direction. The direction follows the bass chord in force, which
// sounds on one direction only, and otherwise is kept for a while and then
// reversed. The bass table also names chords from the notes that sound.
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"

// Bellows directions, also as a mask of the allowed ones (0: both).
enum : int16_t { kSouffleLibre = 0, kSoufflePousse = 1, kSouffleTire = 2 };

void CalculeTablatureAccordeon(Portee** staff);

// The best button for a pitch within the allowed directions (mask 0: both),
// the preferred direction first, then the lowest row, then the lowest button,
// push before pull. False when no button plays it (outputs -1, -1, 0).
bool TrouveLigneRangeeSouffleAccordeon(const Accordeon& keyboard, int16_t pitch, int16_t allowed, int16_t preferred,
                                       int16_t* button, int16_t* row, int16_t* direction);

// The directions the bass chord in force at a tick allows (0: free).
int16_t CalculeMasqueBasseAccordeon(Portee** staff, const Accordeon& keyboard, int32_t tick);

// The score of one bass row's notes text against the sounding notes (ended
// by a negative pitch): single rows only in single mode, chords otherwise.
int32_t CalculeCorellationAccordAccordeon(const NoteAnalyse* sounding, const char* notes, bool single);

// The pitches of a notes text (letter names or syllables), at most 6, ended
// by 0xFFFF (`out` holds 7); returns the count.
int16_t CvtTexteEnListeNotesAccordeon(const char* text, uint16_t* out);

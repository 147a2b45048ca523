#pragma once
// Automatic harmonica fingering: a hole and a row of the work table for
// every note of a staff. Single notes take the simplest place (lowest row,
// lowest hole), a chord is played on one row over adjacent holes; a second
// pass, when the record asks for it, moves single notes next to the note
// before them, on the same breath when it can.
#include "stafftypes/ModelesHarmonica.h"

// The record's CalculeTablature slot.
void CalculeTablatureHarmonica(Portee** staff);
// The fingering of a note array against the harmonica part `h` (writes its
// chromatic-in-use byte); false, leaving the notes alone, for an unknown model.
bool CalculeDoigteHarmonica(Harmonica& h, Signe* notes, int32_t count);
// Re-places `note` as near as it can to the hole of `reference`.
void CalculeNoteOptimiseHarmonica(const TabCalcHarmonica& table, Signe* note, const Signe& reference);

#pragma once
// Chord drawing and the printed pieces of tied notes. The tie test the model
// calls is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

struct Portee;
// The printed pieces of note `index` up to bar lastBar: a new handle of copies
// of its record, each with the duration of its piece, in order (a piece ends
// at a bar line unless the bar lets notes run on or the staff cuts none, the
// first piece at the note's first-part limit, each is a writable value); the
// note itself alone for a sign or a note without duration; empty for an
// index out of range. The caller frees it.
Handle CvtNoteEnListeNotesLieesBorne(Portee** staff, int32_t index, int32_t firstBar, int32_t lastBar, int32_t limit);
// All the printed pieces of a note.
Handle CvtNoteEnListeNotesLiees(Portee** staff, int32_t index);

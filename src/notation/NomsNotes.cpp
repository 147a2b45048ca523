#include "notation/NomsNotes.h"

// SEAM(notation): the note-name table comes with note-name drawing; nothing reads it before.
void InitTabNomNote() {}

#include "notation/NomsNotes.h"

// The note-name table comes with note-name drawing; nothing reads it before.
void InitTabNomNote() {}

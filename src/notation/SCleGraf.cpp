#include "notation/SCleGraf.h"

#include "model/QrvLiaison.h"

// SEAM(notation): a note starting or ending a tie or slur counts as tied until the list of
// printed pieces exists.
bool IsNoteLiee(Portee** staff, int32_t index) {
  return GetLiaisonSourceNote(staff, index, nullptr, kLiaisonCoule) != 0 ||
         GetLiaisonDestNote(staff, index, nullptr, kLiaisonCoule) != 0;
}

// SEAM(notation): the notes of a text's rhythm pattern are drawn with the note
// drawing; until then they take no room.
void TraceSignesRhythmicPattern(const Signe*, int32_t, uint8_t, float) {}

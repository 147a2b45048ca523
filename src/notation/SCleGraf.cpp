#include "notation/SCleGraf.h"

#include "model/QrvLiaison.h"

// SEAM(notation): a note starting or ending a tie or slur counts as tied until the list of
// printed pieces exists.
bool IsNoteLiee(Portee** staff, int32_t index) {
  return GetLiaisonSourceNote(staff, index, nullptr, kLiaisonCoule) != 0 ||
         GetLiaisonDestNote(staff, index, nullptr, kLiaisonCoule) != 0;
}

#include "notation/LiaisonsAccroche.h"

#include "model/QrvLiaison.h"
#include "model/Signe.h"

// SEAM(notation): the link keeps the counts it was given until the beam-link drawing sets
// its own.
void CalculeNbBarresDefautLiaisonAccroche(Portee**, int32_t, Portee**, int32_t, DataAccroche*) {}

int16_t ReclasseLiaisonsAccroche(Portee**, int32_t) { return 0; }

bool IsNoteInAccord(const Signe* notes, int32_t index) {
  if (!notes || index < 0) return false;
  return (notes[index].flags & kSigneAccordSuite) || (index > 0 && (notes[index - 1].flags & kSigneAccordSuite));
}

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

int16_t GetNbBarresSelonDureeNote(int32_t duration, uint8_t tuplet) {
  int64_t d = duration;
  const int n = tuplet & 0xF, m = tuplet >> 4;
  if (n >= 2 && m >= 2) d = d * n / m;
  if (d >= 645120) return -3;
  int32_t v = 645120;
  int16_t c = -4;
  while (v > d && v % 2 == 0) {
    v /= 2;
    c++;
  }
  return c < 0 ? int16_t(c + 1) : c;
}

#include "notation/AffichePortee.h"

#include <algorithm>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/TabEltMesure.h"

// SEAM(notation): staves are not placed in page systems until pages are
// drawn: no bar can be prepared.
bool PrepareDraw(Portee**, int32_t, bool, int32_t* xOffset) {
  if (xOffset) *xOffset = 0;
  return false;
}

namespace {

// A bar's beats: its numerator, the beat in ticks and its grouping mask.
struct Temps {
  int32_t debut, duree, unite, numerateur;
  uint16_t masque[8];
};

Temps TempsMesure(Partition** score, int32_t bar) {
  DivisionTemporelle d;
  CvtMesureEnDivisionTemporelle(score, bar, &d);
  Temps t{CvtMesureEnTemps(score, bar),
          CvtMesureEnDureeMesure(score, bar),
          161280 / std::max<int16_t>(d.denominateur, 1),
          d.numerateur,
          {}};
  std::memcpy(t.masque, d.masqueAccroche, sizeof t.masque);
  return t;
}

// The group of the beat holding an offset: the boundaries crossed before it.
int32_t GroupeDansMesure(const Temps& t, int64_t offset) {
  const int64_t beats = std::min<int64_t>(t.numerateur, offset / t.unite);
  int32_t g = 0;
  for (int64_t k = 1; k <= beats; k++)
    if (GetBitMasqueAccroche(int32_t(k - 1), t.masque)) g++;
  return std::min(g, 127);
}

}  // namespace

int32_t CvtTempsEnNumGroupeAccroche(Partition** score, int32_t tick) {
  if (!score) return 0;
  const int32_t bar = CvtTempsEnMesure(score, tick);
  const Temps t = TempsMesure(score, bar);
  return bar * 128 + GroupeDansMesure(t, std::max<int64_t>(0, int64_t(tick) - t.debut));
}

int32_t CvtNumGroupeAccrocheEnTemps(Partition** score, int32_t number) {
  if (!score || number < 0) return 0;
  const int32_t bar = number / 128, g = number % 128;
  const Temps t = TempsMesure(score, bar);
  if (t.duree < 1) return t.debut;
  for (int64_t o = 0; o < t.duree; o += t.unite)
    if (GroupeDansMesure(t, o) >= g) return int32_t(t.debut + o);
  // A group past the bar's last starts with the next bar.
  return int32_t(int64_t(t.debut) + t.duree);
}

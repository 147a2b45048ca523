#include "stafftypes/PorteeQuarvel.h"

#include <cstdio>

#include "model/Portee.h"
#include "model/TabEltMesure.h"

// SEAM(stafftypes): the installers set the type and its per-type fields; the
// standard staff's operation slots come with its drawing.
void InitPorteeQuarvel(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeStandard;
  p->flagGrilleAccord = 1;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 4;
  p->flagAffichage = 1;
}

void InitPorteeBatterieStd(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeBatterieStd;
  p->flagGrilleAccord = 0;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 4;
  p->flagAffichage = 1;
}

bool IsAfficheLignePortee(Portee** staff, int16_t n) {
  if (!staff || n < kPremiereLignePortee || n > kDerniereLignePortee) return false;
  return (*staff)->aspect.afficheLigne[n - kPremiereLignePortee] != 0;
}

void SetAfficheLignePortee(Portee** staff, int16_t n, uint8_t shown) {
  if (!staff || n < kPremiereLignePortee || n > kDerniereLignePortee) return;
  (*staff)->aspect.afficheLigne[n - kPremiereLignePortee] = shown;
}

// SEAM(stafftypes): the time-signature texts as the standard staff's drawing
// will need them.
int16_t CvtDivisionTemporelleEnString(const DivisionTemporelle* division, char* top, char* bottom) {
  top[0] = bottom[0] = 0;
  if (!division) return 0;
  const DivisionTemporelle& d = *division;
  if (d.octet1 && d.partieAdditive2 == 0 && d.numerateur == d.denominateur &&
      (d.numerateur == 2 || d.numerateur == 4)) {
    std::snprintf(top, 16, "%s", d.numerateur == 2 ? "C" : "c");
    return 1;
  }
  if (d.denominateur >= 1) std::snprintf(bottom, 16, "%hd", d.denominateur);
  // An additive signature shows its two parts.
  if (d.partieAdditive2 >= 1 && d.partieAdditive1 >= 1)
    std::snprintf(top, 16, "%hd+%hd", d.partieAdditive1, d.partieAdditive2);
  else if (d.numerateur > 0) std::snprintf(top, 16, "%hd", d.numerateur);
  return 0;
}

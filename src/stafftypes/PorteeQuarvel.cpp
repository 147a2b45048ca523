#include "stafftypes/PorteeQuarvel.h"

#include "model/Portee.h"

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

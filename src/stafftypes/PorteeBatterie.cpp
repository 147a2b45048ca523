#include "stafftypes/PorteeBatterie.h"

#include "model/Portee.h"

void InitPorteeBatterie(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeBatterie;
  p->flagGrilleAccord = 0;
  p->codeMiseEnPage1 = 3;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
}

#include "stafftypes/PorteeBatterie.h"

#include "model/Portee.h"

// SEAM(stafftypes): the installer sets the type and its per-type fields; the
// drum staff's operation slots come with its drawing.
void InitPorteeBatterie(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeBatterie;
  p->flagGrilleAccord = 0;
  p->codeMiseEnPage1 = 3;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
}

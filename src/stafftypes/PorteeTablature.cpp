#include "stafftypes/PorteeTablature.h"

#include "model/Portee.h"
#include "stafftypes/Tablature.h"

// SEAM(stafftypes): the installer sets the type and its per-type fields; the
// tablature's operation slots come with its renderers.
void InitPorteeTablature(Portee** staff) {
  if (!GetTablature(staff)) return;
  Portee* p = *staff;
  p->type = kTypePorteeTablature;
  p->flagGrilleAccord = 1;
  p->codeMiseEnPage1 = 4;
  p->codeMiseEnPage2 = 3;
  p->flagAffichage = 1;
}

#include "stafftypes/PorteeParoleTempoPiste.h"

#include "model/Portee.h"

// SEAM(stafftypes): the installers set the type and its per-type fields; the
// operation slots come with each type's drawing.
void InitPorteeParole(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeParole;
  p->instrument = kInstrumentAucun;
  p->codeMiseEnPage1 = 1;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
}

void InitPorteeTempo(Portee** staff) {
  Portee* p = *staff;
  p->type = kTypePorteeTempo;
  p->flagGrilleAccord = 0;
  p->instrument = kInstrumentAucun;
}

void InitPorteePisteNumerique(Portee** staff, uint32_t, int16_t) {
  Portee* p = *staff;
  p->type = kTypePorteePisteNumerique;
  p->instrument = kInstrumentPisteNumerique;
  p->codeMiseEnPage1 = 2;
  p->codeMiseEnPage2 = 1;
  p->flagAffichage = 1;
}

// SEAM(stafftypes): the tempo staff's events are not built yet.
void SupprimeNotesPorteeTempoSousEvenements(Partition**) {}

#include "notation/LigneAccords.h"

#include "model/Portee.h"

LigneTexte* GetLigneTextePortee(Portee** staff, uint32_t line) {
  if (!staff || !*staff) return nullptr;
  Portee* p = *staff;
  if (line == kLigneTexteParoles && p->ligneParolesAffichee) return &p->lignesTexte[0];
  if (line == kLigneTexteAccords && p->ligneAccordsAffichee) return &p->lignesTexte[1];
  return nullptr;
}

// SEAM(notation): the chord-name line draws nothing until chord names are drawn.
int16_t VectTraiteTaquetLigneTexteAccord(Portee**, int16_t, int16_t) { return 1; }

#include "notation/LigneAccords.h"

int16_t VectTraiteTaquetLigneTexteAccord(Portee**, int16_t, int16_t) { return 1; }

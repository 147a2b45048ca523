#include "notation/LigneAccords.h"

// SEAM(notation): the chord-name line draws nothing until chord names are drawn.
int16_t VectTraiteTaquetLigneTexteAccord(Portee**, int16_t, int16_t) { return 1; }

#include "notation/BarresMesure.h"

// SEAM(notation): plain bar lines take no room of their own until the drawing of bar lines
// and repeats measures them.
int32_t CalculeTailleEcranRuptureMesure(Partition**, int16_t) { return 0; }

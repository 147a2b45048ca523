#include "notation/DecalagesAccord.h"

// SEAM(notation): heads sit on their stem until chord layout places them.
int16_t CalculeDecalageCorpsAccord(Partition**, Portee**, int32_t) { return 0; }

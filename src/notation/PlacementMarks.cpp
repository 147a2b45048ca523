#include "notation/ServicesNotation.h"

// SEAM(notation): until marks are placed, no code has a standard placement:
// the placement a document stores stays.
int16_t GetPosMarkStd(uint8_t) { return -1; }

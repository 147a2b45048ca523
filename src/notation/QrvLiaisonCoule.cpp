#include "notation/QrvLiaisonCoule.h"

// SEAM(notation): until the tie drawing makes its defaults, a new link keeps the shape its
// effect record was given.
void SetLiaisonCouleDefautNote(Portee**, int32_t, int16_t) {}

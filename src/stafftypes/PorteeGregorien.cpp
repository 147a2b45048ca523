#include "stafftypes/PorteeGregorien.h"

#include "model/Portee.h"

// SEAM(stafftypes): only the type is set; the Gregorian staff's fields and
// operation slots come with its drawing.
void InitPorteeGregorien(Portee** staff) { (*staff)->type = kTypePorteeGregorien; }

// SEAM(stafftypes): neumes make no lyrics column until they are built; the
// bar's beats stand in.
int16_t GregorienCalculeTableauTaquetKaraokeMesure(TaquetKaraoke*, Portee**, int16_t, uint8_t, uint8_t) { return 0; }

#include "stafftypes/PorteeGregorien.h"

#include "model/Portee.h"

// SEAM(stafftypes): only the type is set; the Gregorian staff's fields and
// operation slots come with its drawing.
void InitPorteeGregorien(Portee** staff) { (*staff)->type = kTypePorteeGregorien; }

#include "stafftypes/PorteeGregorien.h"

#include "model/Portee.h"

void InitPorteeGregorien(Portee** staff) { (*staff)->type = kTypePorteeGregorien; }

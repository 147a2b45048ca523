#pragma once
// The tablature record of a staff (declared in stafftypes/DonneesTablature.h).
// Its operations, which the model calls, are declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"

#pragma once
// The standard five-line staff (type 0) and drums on a standard staff (type
// 8). The installers, the staff-line flags and the time-signature texts the
// model asks for are declared in stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

#pragma once
// The Gregorian staff type (type 9). Its installer is declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

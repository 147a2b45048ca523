#pragma once
// The tablature staff type (type 7). Its installer is declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

#pragma once
// The drum staff type (type 2). Its installer is declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

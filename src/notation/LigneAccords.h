#pragma once
// The chord-name line of a staff. Its cell handler, which the model installs
// in a new staff, is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

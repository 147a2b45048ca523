#pragma once
// The staff drawing driver. What the model calls is declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

#pragma once
// Bar lines, repeat signs and jump texts. Their widths, which the model
// reads, are declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

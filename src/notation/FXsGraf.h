#pragma once
// Drawing of sound-effect objects. The drawing of one object, which the
// model's staff walk calls, is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

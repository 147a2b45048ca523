#pragma once
// Tie and slur shapes. The default shape of a new link, which the model
// asks for, is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

#pragma once
// ABC tune import.
#include <cstdint>

struct Document;

// Imports tune `tune` of the open ABC file into the document's current score;
// the tune found is given back when outTune is not null. 1 or 0.
int16_t ChargeMusiqueABC(Document* doc, int16_t tune, int16_t* outTune);

#pragma once
// Tie and slur shapes. The default shape of a new link, which the model
// asks for, is declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;

// The six geometric fields of the slur that starts at a note: start dx and
// dy, control point position and height, end dx and dy. The note must carry
// an effect record; without one nothing changes (and the getter gives 0s).
void SetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t startDx, int8_t startDy, uint16_t controlX,
                              int16_t controlY, int8_t endDx, int8_t endDy);
void GetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t* startDx, int8_t* startDy, uint16_t* controlX,
                              int16_t* controlY, int8_t* endDx, int8_t* endDy);
// Whether a slur from note i to note j reads as a tie: both are notes of one
// pitch and j starts where i ends.
bool IsCoulePourLieIndex(Portee** staff, int32_t i, int32_t j);

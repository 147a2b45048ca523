#pragma once
// Blocks that the page drawer puts over a staff in place of several bars: the
// multi-bar rest (a thick bar with its count above the staff) and the
// repeated-bar block (the one-bar repeat sign with its count); the colours
// that tell merged staves apart.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;

// The colours of merged staves, taken in turn by staff number.
constexpr int16_t tabColorPorteeFusionnees[8] = {235, 35, 225, 17, 96, 239, 229, 95};
// The colour index of a merged staff by its number (any number, modulo 8).
int16_t CalculeCouleurPorteeFusionnee(int32_t staffNumber);

// A multi-bar rest over the bars between x1 and x2 (the first bar's music
// start and the group's end); the number printed is count + 1.
void TraceMultiRest(Portee** staff, int32_t count, int16_t x1, int16_t x2);
// The repeated-bar block over the same span, numbered the same way.
void TraceMultiBar(Portee** staff, int32_t count, int16_t x1, int16_t x2);
// The blocks of one staff of a page system between two ticks: every group
// that pagination made a multi-bar rest or repeat and whose bar shows its
// background, from after its first bar's header to the group's end. left is
// the x where the system's first bar starts on the page.
void TraceMultiMesuresPortee(Portee** staff, int32_t startTick, int32_t endTick, int16_t left);

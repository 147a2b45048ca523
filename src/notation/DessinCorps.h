#pragma once
// Head and rest drawing: one note head or one rest of a chord piece, with its
// ledger lines, parentheses and (for rests) augmentation dots; for a head,
// where its dots must start. It keeps the extents of the grace notes drawn.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct NotePossible;
struct Portee;

// Extents of everything drawn through TraceCorps since the grace-note series
// reset them.
extern int32_t XMinTraceGrace, XMaxTraceGrace, YMinTraceGrace, YMaxTraceGrace;
void RazExtremitesGrace();

// Draws one head (pitch 0 or more) or rest (negative pitch) of a piece at
// (x, y): y is the head's centre line, or the rest's staff y. With drawFlag 0
// only the grace extents grow. For a head with dots the piece receives where
// its first dot goes. Returns the x where the head was drawn.
int16_t TraceCorps(Portee** staff, int16_t bar, int16_t x, int16_t y, NotePossible* piece, uint8_t accidental,
                   uint8_t shifted, uint8_t drawFlag, int16_t pitch, int16_t sizePercent, int16_t shape,
                   uint8_t direction, uint8_t dotsBelow, uint8_t barRest, int16_t* accidentalX, int16_t dotDx,
                   int16_t dotDy, uint8_t parentheses);

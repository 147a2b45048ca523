#pragma once
// The text lines of a staff (lyrics and chord names): the spacing columns of
// a bar, the syllables of a cell, the drawing of a cell and the whole karaoke
// text of a line. What the model calls of them is declared in
// stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/ExtendedTE.h"

struct Portee;

// A new styled text record holding the whole text of a lyric line (null when
// the line has no cell); the caller disposes of it.
ExtendedTE CreeTexteKaraoke(Portee** staff, int16_t line, int8_t slashes, int8_t caret, Handle records,
                            uint16_t passFilter, int32_t first, int32_t last);

// Measuring a bar's syllables: the style they are measured in (null: the
// lyric line's cell style) is set on the current port; then the widths of
// the cell's syllables of a verse, one per lyric column (at most count, at
// most kMaxTaquetsMesure), at the destination resolution. Returns the count
// measured, 0 for an empty cell (the widths then 0).
void SetStyleCalculeTaillesTexteKaraoke(Portee** staff, const TextStyle* style);
int16_t CalculeTaillesTexteKaraoke(Portee** staff, int16_t bar, int16_t verse, int16_t count, int16_t* widths);

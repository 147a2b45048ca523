#pragma once
// The text lines of a staff (lyrics and chord names): the spacing columns of
// a bar, the syllables of a cell and their widths, the bar scales that make
// the syllables fit, and the drawing of a cell. The cells themselves, the
// whole text of a line and its re-layout are in stafftypes/CellulesKaraoke.h
// (included here). What the model calls of them is declared in
// stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "stafftypes/CellulesKaraoke.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/ExtendedTE.h"

struct Portee;

// Measuring syllables: the style they are measured in (null: the lyric
// line's cell style), at the destination resolution and scaled by the
// staff's unit size when its texts scale, is set on the current port.
void SetStyleCalculeTaillesTexteKaraoke(Portee** staff, const TextStyle* style);
// The width of each syllable of a cell's plain text on its column
// (largeurSyllabe of columns 0..count-1), each plus `gap`: markers, rhythm
// patterns and line breaks are not measured; syllables beyond count are not
// measured, columns beyond the text's syllables get 0. runs (may be null)
// are the text's style runs, set as the walk reaches them. Returns count.
int16_t CalculeTaillesTexteKaraoke(Portee** staff, TaquetKaraoke* columns, uint16_t gap, int16_t count,
                                   const char* text, ExtendedStylHandle runs);
// The same for the lyric cell of a verse, into widths (gap 0); the count
// measured, 0 for an empty cell.
int16_t CalculeTaillesTexteKaraoke(Portee** staff, int16_t bar, int16_t verse, int16_t count, int16_t* widths);
// The width of the first syllable of a text in the current port.
int16_t CalculeTailleTexteSyllabeKaraoke(const char* text, uint8_t utf8);
// Widens every bar whose syllables do not fit between their columns (the
// line's alignment decides the room); with reset every bar scale first goes
// back to 1000. With the spacing engine on, only marks the layout dirty.
// 1 when a bar scale changed.
uint8_t CalculeEchelleIdealePorteeKaraoke(uint8_t reset, Portee** staff, int16_t line);

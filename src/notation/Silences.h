#pragma once
// Rests drawn from a duration: the duration is cut into writable values, each
// drawn as one music-font glyph with its dots and, for a tuplet, its digit;
// and the rests that stand for a ghost rest, following the bar's beat groups.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;

// The rests of a duration from (x, y + Zoom(1)); the port's text size and
// font are the standard ones afterwards.
void TraceSilence(int16_t x, int16_t y, int32_t duration, float interline);
// A rest shorter than a 64th: stacked eighth-rest glyphs at the pen.
void TraceSilenceComposite(int32_t duration);
// The rests of a ghost rest in drawing order: a new handle of 32-bit
// durations (the caller frees it); null without a staff.
Handle CvtDureeNoteEnListeSilences(Portee** staff, int32_t startTick, int32_t duration);
// A ghost rest drawn as ordinary rests, each at the x of its own start.
void TraceSilenceFantomeCommeSilence(Portee** staff, int32_t startTick, int16_t x, int16_t y, int32_t duration);

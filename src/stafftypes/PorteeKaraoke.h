#pragma once
// Lyric cells, their edit buffer and the whole karaoke text of a lyric line.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "text/ExtendedTE.h"

struct Portee;

// A new styled text record holding the whole text of a lyric line (null when
// the line has no cell); the caller disposes of it.
ExtendedTE CreeTexteKaraoke(Portee** staff, int16_t line, int8_t slashes, int8_t caret, Handle records,
                            uint16_t passFilter, int32_t first, int32_t last);

#pragma once
// SHARED(data): the score's settings of the spacing engine (Zorodava), which
// places every onset of a bar in spacing columns. Its operations are in
// layout/Zorodava.h.
#include "platform/PlatformTypes.h"

struct ZorodavaSetup {
  uint8_t on;         // spacing engine used for the score
  uint8_t scaleBars;  // set each bar's scale from its natural width
  uint8_t perStaff;   // each staff spaced on its own columns, then aligned
  uint8_t reserve;
  int16_t widths[7];   // space after a whole .. 64th note
  int16_t gap;         // before a column without accidental
  int16_t accidental;  // before a column with an accidental
  int16_t grace;       // per grace note
  int16_t shortExtra;  // after a column holding a note shorter than a quarter
  int16_t minScale;
  int16_t maxScale;
  int16_t restScale;
  int16_t lyricFactor;  // twelfths; 0 turns lyric widening off
};

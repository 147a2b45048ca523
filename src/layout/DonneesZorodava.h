#pragma once
// SHARED(data): the score's settings of the spacing engine (Zorodava), which
// places every onset of a bar in spacing columns, and the records of those
// columns. Its operations are in layout/Zorodava.h.
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

// A column's key when it belongs to no one staff.
constexpr uint16_t kTaquetToutesPortees = 0xFFFF;

// One spacing column of a bar: an onset time and what stands there. Spaces
// are in space units (pixels at 72 dpi for a staff of size 72).
struct Taquet {
  uint16_t key;  // index of the staff that owns the column (kTaquetToutesPortees: any)
  int32_t time;  // ticks, absolute
  uint8_t hasAccidental;
  uint8_t wideAccidental;  // the accidental takes a second accidental width
  uint8_t extraWide;       // one more accidental width (an accidental in parentheses)
  uint8_t extraHalf;       // half an accidental width more
  uint8_t shortNote;       // a note shorter than a quarter starts here
  int16_t graceBefore;     // most grace notes before a note of the column
  int16_t graceAfter;      // most grace notes after
  int32_t x;               // from the bar's start
  int16_t lyricLeft;       // room the lyrics need on the left and on the right
  int16_t lyricRight;
};

// An onset of a bar and its x: the offset in ticks from the bar's start and
// the x in space units.
struct ZorodavaPos {
  int32_t offset;
  float x;
};

// Drum staves follow the spacing engine (initially on): their grid lines and
// notes take the spacing columns' x rather than equal cells.
extern uint8_t GridDrumFollowZorodava;

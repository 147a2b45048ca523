#pragma once
// Law legends: the name of the law that applies to a note, shown beside it
// in the piano-roll view by a text mark of the note; the legends are placed
// so that they do not overlap, and stale ones are removed.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"
#include "system/BigRect.h"

struct Partition;
struct Portee;

// One note that shows a legend: its ribbon x and linear position, the note,
// the law and the staff, the legend's area, and whether it is still to be
// placed (the note had no legend mark).
struct Legende {
  int32_t x;
  int32_t y;
  int32_t note;
  int16_t loi;
  int16_t portee;
  BigRect aire;
  uint8_t octet;
  uint8_t aPlacer;
};

// The order legends are placed in: those already placed first, then by x,
// then lower lines (greater y) first. -1, 0 or 1.
int CompareLegende(const Legende& a, const Legende& b);
// The legends of the staff's merged group; a staff without laws is left as it
// is. 1.
int16_t CalculeLegendesLoisPortee(Portee** staff);
// Brings the legends of every staff of the score up to date; 1.
int16_t CalculeLegendesLoisPartition(Partition** score);

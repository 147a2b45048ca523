#pragma once
// 32-bit rectangle and point of layout and drawing. The field order (left,
// right, top, bottom) differs from QuickDraw's Rect on purpose.
#include <cstdint>

struct BigRect {
  int32_t left;
  int32_t right;
  int32_t top;
  int32_t bottom;
};

struct BigPt {
  int32_t x;
  int32_t y;
};

#pragma once
// SHARED(data): the text style carried by every text call, staff name and styled string.
#include "platform/PlatformTypes.h"

struct TextStyle {
  int16_t font;  // font number; 63574 stands for the music font at the size in use
  uint8_t face;  // bold 1, italic 2, underline 4, outline 8, shadow 16, condensed 32,
                 // extended 64; 128 marks a transparent staff text
  int16_t size;  // points at 72 dpi; 0 means 12
  RGBColor color;
};

#pragma once
// The Unicode text engine: HarfBuzz shaping over FreeType faces, drawn by
// cairo. Widths are typographic (unhinted, fractional); the integer callers
// truncate them. Angles are degrees, counter-clockwise on the screen.
//
// Faces the family lacks are synthesised: bold by drawing the line n + 1
// times, each one pixel further along the text direction (n = trunc(size x
// 0.06)); italic by a shear of 0.17632697; condensed and extended by a
// horizontal scale of 0.8 and 1.25, which the width includes too, so text is
// measured as it is drawn. A character the font lacks is taken from another
// family that has it.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

typedef struct _cairo cairo_t;

struct UnicodeTextStyle {
  int16_t font = 0;                 // family number; 0 draws as 3
  uint8_t face = 0;                 // QuickDraw face bits
  float size = 12.0f;               // pixels; 0 draws as 12
  float ratio = 1.0f;               // horizontal ratio of a replayed picture: drawn at 1 / ratio
  const RGBColor* color = nullptr;  // null: the context's current source
  float alpha = 1.0f;
};

// Width in pixels of UTF-16 text (unpaired surrogates read as U+FFFD).
float UnicodeTextWidth(const UniChar* text, size_t count, const UnicodeTextStyle& style);
// The same over code points.
float UnicodeTextWidth32(const uint32_t* text, size_t count, const UnicodeTextStyle& style);

// Draws text with its baseline origin at (x, y) of the context's user space
// (y downwards) and returns its width.
float UnicodeTextDraw(cairo_t* cr, double x, double y, const UniChar* text, size_t count, const UnicodeTextStyle& style,
                      double angleDegrees);
float UnicodeTextDraw32(cairo_t* cr, double x, double y, const uint32_t* text, size_t count,
                        const UnicodeTextStyle& style, double angleDegrees);

// Font metrics in pixels at a size, unrounded: ascent and descent positive.
struct UnicodeFontMetrics {
  float ascent = 0, descent = 0, leading = 0, widMax = 0;
};
UnicodeFontMetrics UnicodeTextFontMetrics(int16_t font, uint8_t face, float size);

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
#include <vector>

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

// Lays out UTF-16 text once for the widths of many of its stretches, so
// that a text is shaped once and not once per stretch: pen[i] (count + 1
// entries) is the pen position before unit i, NaN where no stretch can end
// (inside a surrogate pair or a cluster), and cut[i] what kerning with the
// character at i added before it. The stretch from unit a to unit b is
// (pen[b] - cut[b] - pen[a]) x the returned width scale wide, as
// UnicodeTextWidth measures it alone (but for contextual forms across its
// ends, which our fonts do not have).
float UnicodeTextMeasure(const UniChar* text, size_t count, const UnicodeTextStyle& style, std::vector<double>& pen,
                         std::vector<float>& cut);

// Draws text with its baseline origin at (x, y) of the context's user space
// (y downwards) and returns its width.
float UnicodeTextDraw(cairo_t* cr, double x, double y, const UniChar* text, size_t count, const UnicodeTextStyle& style,
                      double angleDegrees);
float UnicodeTextDraw32(cairo_t* cr, double x, double y, const uint32_t* text, size_t count,
                        const UnicodeTextStyle& style, double angleDegrees);

// Where drawing the text with its baseline origin at (0, 0) can put ink, in
// pixels, y downwards, turned by the angle: the extents of the faces it is
// drawn with, the marks moved above or below their base, and what shear,
// bold copies, shadow and underline add. Never smaller than the ink.
struct UnicodeTextBox {
  double left = 0, top = 0, right = 0, bottom = 0;
};
UnicodeTextBox UnicodeTextInk(const UniChar* text, size_t count, const UnicodeTextStyle& style, double angleDegrees);

// Font metrics in pixels at a size, unrounded: ascent and descent positive.
struct UnicodeFontMetrics {
  float ascent = 0, descent = 0, leading = 0, widMax = 0;
};
UnicodeFontMetrics UnicodeTextFontMetrics(int16_t font, uint8_t face, float size);

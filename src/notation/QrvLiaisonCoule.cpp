#include "notation/QrvLiaisonCoule.h"

#include <cmath>

#include "platform/QuickDraw.h"

// SEAM(notation): until the tie drawing makes its defaults, a new link keeps the shape its
// effect record was given.
void SetLiaisonCouleDefautNote(Portee**, int32_t, int16_t) {}

// SEAM(notation): until slurs are drawn with their shapes and thickness, the
// curve is a plain quadratic arc through the control point's pull, drawn with
// the current pen.
void TraceLiaisonCoule(int16_t, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t controlX, int16_t controlY,
                       int16_t, int16_t) {
  constexpr int kPas = 16;
  MoveTo(x0, y0);
  for (int i = 1; i <= kPas; i++) {
    const float t = float(i) / kPas, u = 1.0f - t;
    const float x = u * u * float(x0) + 2.0f * u * t * float(controlX) + t * t * float(x1);
    const float y = u * u * float(y0) + 2.0f * u * t * float(controlY) + t * t * float(y1);
    LineTo(int16_t(std::lround(x)), int16_t(std::lround(y)));
  }
}

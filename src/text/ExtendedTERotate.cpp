// Rotated text geometry: layout and hit testing stay unrotated; only each
// line's starting pen point and each erased band turn about the centre of
// the destination rectangle.
#include <cmath>

#include "text/ExtendedTE.h"

namespace {

int16_t Clamp16(double v) {
  if (v > 32767) return 32767;
  if (v < -32768) return -32768;
  return static_cast<int16_t>(v);
}

}  // namespace

void ExtendedRotateTransformPoint(ExtendedTE te, const Point* in, Point* out) {
  int16_t angle = (*te)->angle;
  if (angle == 0) {
    *out = *in;
    return;
  }
  const ExtendedLongRect& d = (*te)->destRect;
  float cx = static_cast<float>(static_cast<int64_t>(d.left) + d.right) * 0.5f;
  float cy = static_cast<float>(static_cast<int64_t>(d.top) + d.bottom) * 0.5f;
  float dx = static_cast<float>(in->h) - cx;
  float dy = static_cast<float>(in->v) - cy;
  float r = (dx == 0.0f && dy == 0.0f) ? 0.0f : std::sqrt(dx * dx + dy * dy);
  float theta = std::atan2(cy - static_cast<float>(in->v), dx) + static_cast<float>(angle * 0.017453292519943278);
  int16_t rx = Clamp16(std::trunc(r * std::cos(theta)));
  int16_t ry = Clamp16(std::trunc(-r * std::sin(theta)));
  out->h = Clamp16(std::trunc(static_cast<float>(rx) + cx));
  out->v = Clamp16(std::trunc(static_cast<float>(ry) + cy));
}

RgnHandle ExtendedRotateGetRgnFromRect(ExtendedTE te, const Rect* r) {
  Point tl{r->top, r->left}, tr{r->top, r->right}, bl{r->bottom, r->left}, br{r->bottom, r->right};
  Point a, b, c, d;
  ExtendedRotateTransformPoint(te, &tl, &a);
  ExtendedRotateTransformPoint(te, &tr, &b);
  ExtendedRotateTransformPoint(te, &bl, &c);
  ExtendedRotateTransformPoint(te, &br, &d);
  RgnHandle rgn = NewRgn();
  Point pen;
  GetPen(&pen);
  OpenRgn();
  MoveTo(a.h, a.v);
  LineTo(b.h, b.v);
  LineTo(d.h, d.v);
  LineTo(c.h, c.v);
  LineTo(a.h, a.v);
  CloseRgn(rgn);
  MoveTo(pen.h, pen.v);
  return rgn;
}

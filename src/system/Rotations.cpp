#include "system/Rotations.h"

#include <algorithm>
#include <cmath>

#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/UTFText.h"

namespace {

constexpr double kDegreEnRadian = 0.017453292519943278;

bool Tourne(int16_t angle) { return angle != 0 && IsUnicodeApplication(); }

int16_t T16(double v) {
  if (!(v > -32768.0)) return -32768;
  if (v > 32767.0) return 32767;
  return int16_t(v);
}

// The four corners in outline order: (left, top), (right, top),
// (right, bottom), (left, bottom).
void Coins(const Rect* r, int16_t angle, Point c[4]) {
  c[0] = Point{r->top, r->left};
  c[1] = Point{r->top, r->right};
  c[2] = Point{r->bottom, r->right};
  c[3] = Point{r->bottom, r->left};
  for (int i = 0; i < 4; ++i) RotateTransformPoint(angle, r, &c[i]);
}

}  // namespace

void RotateTransformPoint(int16_t angle, const Rect* r, Point* pt) {
  if (!r || !pt) return;
  const float cx = float(r->left + r->right) * 0.5f, cy = float(r->top + r->bottom) * 0.5f;
  const float dx = float(pt->h) - cx, dy = float(pt->v) - cy;
  const float rr = std::sqrt(dx * dx + dy * dy);
  const float theta = float(std::atan2(-double(dy), double(dx)));
  const float a = float(angle * kDegreEnRadian + theta);
  const int16_t nx = T16(rr * std::cos(a)), ny = T16(-rr * std::sin(a));
  pt->h = T16(float(nx) + cx);
  pt->v = T16(float(ny) + cy);
}

void RotateTransformXYMove(int16_t angle, float dx, float dy, Point* out) {
  if (!out) return;
  const float rr = std::sqrt(dx * dx + dy * dy);
  const float theta = float(std::atan2(-double(dy), double(dx)));
  const float a = float(angle * kDegreEnRadian + theta);
  out->h = T16(rr * std::cos(a));
  out->v = T16(-rr * std::sin(a));
}

void GetBoundRotateRect(const Rect* r, int16_t angle, Rect* out) {
  if (!r || !out) return;
  if (!Tourne(angle)) {
    *out = *r;
    return;
  }
  Point c[4];
  Coins(r, angle, c);
  out->left = out->right = c[0].h;
  out->top = out->bottom = c[0].v;
  for (const Point& p : c) {
    out->left = std::min(out->left, p.h), out->right = std::max(out->right, p.h);
    out->top = std::min(out->top, p.v), out->bottom = std::max(out->bottom, p.v);
  }
}

RgnHandle GetRgnFromRotatedRect(const Rect* r, int16_t angle) {
  RgnHandle rgn = NewRgn();
  if (!rgn || !r) return rgn;
  if (!Tourne(angle)) {
    RectRgn(rgn, r);
    return rgn;
  }
  Point c[4];
  Coins(r, angle, c);
  OpenRgn();
  MoveTo(c[0].h, c[0].v);
  for (int i = 1; i <= 4; ++i) LineTo(c[i % 4].h, c[i % 4].v);
  CloseRgn(rgn);
  return rgn;
}

void PaintRotatedRect(const Rect* r, int16_t angle) {
  if (!r) return;
  if (!Tourne(angle)) {
    PaintRect(r);
    return;
  }
  RgnHandle rgn = GetRgnFromRotatedRect(r, angle);
  if (!rgn) return;
  PaintRgn(rgn);
  DisposeRgn(rgn);
}

void FrameRotatedRect(const Rect* r, int16_t angle) {
  if (!r) return;
  if (!Tourne(angle)) {
    FrameRect(r);
    return;
  }
  Point c[4];
  Coins(r, angle, c);
  MoveTo(c[0].h, c[0].v);
  for (int i = 1; i <= 4; ++i) LineTo(c[i % 4].h, c[i % 4].v);
}

bool IsPtInRotatedRect(Point pt, const Rect* r, int16_t angle) {
  if (!r) return false;
  if (!Tourne(angle)) return PtInRect(pt, r);
  RgnHandle rgn = GetRgnFromRotatedRect(r, angle);
  if (!rgn) return false;
  bool in = PtInRgn(pt, rgn);
  DisposeRgn(rgn);
  return in;
}

void GetPenRotate(Point* pt, const Rect* centre, int16_t angle) {
  if (!pt) return;
  GetPen(pt);
  RotateTransformPoint(int16_t(-angle), centre, pt);
}

void MoveRotate(int16_t dx, int16_t dy, int16_t angle) {
  if (angle == 0) {
    Move(dx, dy);
    return;
  }
  Point v;
  RotateTransformXYMove(angle, dx, dy, &v);
  Move(v.h, v.v);
}

void LineRotate(int16_t dx, int16_t dy, int16_t angle) {
  if (angle == 0) {
    Line(dx, dy);
    return;
  }
  Point v;
  RotateTransformXYMove(angle, dx, dy, &v);
  Line(v.h, v.v);
}

void MoveToRotate(int16_t h, int16_t v, const Rect* centre, int16_t angle) {
  Point p{v, h};
  RotateTransformPoint(angle, centre, &p);
  MoveTo(p.h, p.v);
}

void TraceCadreRelief(const Rect* r, bool erase) {
  if (!r) return;
  RGBColor back;
  GetBackColor(&back);
  CarboniseBackPatWhite();
  PenSize(1, 1);
  const int16_t w = int16_t(r->right - r->left), h = int16_t(r->bottom - r->top);
  if (erase) {
    SetBackColor(247);
    Rect in = *r;
    InsetRect(&in, 2, 2);
    EraseRect(&in);
  }
  MoveTo(r->left, int16_t(r->bottom - 1));
  SetForeColor(255);
  Line(0, int16_t(-(h - 1)));
  Line(int16_t(w - 1), 0);
  SetForeColor(251);
  Move(0, 1);
  Line(0, int16_t(h - 2));
  Line(int16_t(2 - w), 0);
  SetForeColor(246);
  Move(0, -1);
  Line(0, int16_t(3 - h));
  Line(int16_t(w - 3), 0);
  SetForeColor(249);
  Move(0, 1);
  Line(0, int16_t(h - 4));
  Line(int16_t(4 - w), 0);
  // Straight to the platform: the remembered foreground index stays 249.
  ForeColor(blackColor);
  RGBBackColor(&back);
}

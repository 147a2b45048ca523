#include "system/Splines.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>

#include "layout/Zoom.h"
#include "plugin/Preferences.h"
#include "plugin/ServicesInertes.h"
#include "system/Bezier.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

int16_t TypeAction = kActionTrait;

namespace {

int16_t T16(float v) {
  if (!(v > -32767.0f)) return -32767;  // also NaN
  if (v > 32767.0f) return 32767;
  return int16_t(v);
}

// Smooth dots: written straight into the port's pixels when it has some,
// and gathered into an image with alpha for a picture being recorded or a
// port that draws through cairo.
struct CibleDots {
  CGrafPtr port = nullptr;
  const PixMap* pixmap = nullptr;  // direct pixel writes
  RGBColor fore{0, 0, 0};
  Rect aireDraw{0, 0, 0, 0};
  // Image with alpha: coverage of the foreground colour over `calque`.
  bool layer = false;
  Rect calque{0, 0, 0, 0};
  std::vector<uint8_t> alpha;

  Rect limite{0, 0, 0, 0};  // where dots can land: the pixels, the image, within the clip

  void Prepare() {
    if (pixmap) SectRect(&pixmap->bounds, &aireDraw, &limite);
    if (layer) {
      if (EmptyRect(&limite)) limite = calque;
      else UnionRect(&limite, &calque, &limite);
    }
  }

  void Dot(float qx, float qy, float pen) {
    // Far outside the plane nothing can be drawn (and the loop bounds must fit).
    if (EmptyRect(&limite) || !(std::fabs(qx) < 40000.0f && std::fabs(qy) < 40000.0f && pen < 40000.0f)) return;
    const int32_t y0 = std::max<int32_t>(int32_t(qy - pen), limite.top);
    const int32_t x0 = std::max<int32_t>(int32_t(qx - pen), limite.left);
    for (int32_t py = y0; float(py) < qy + 1.0f + pen && py < limite.bottom; ++py) {
      for (int32_t px = x0; float(px) < qx + 1.0f + pen && px < limite.right; ++px) {
        float dx = float(px) - qx, dy = float(py) - qy;
        float d = std::sqrt(dx * dx + dy * dy);
        if (d >= pen) continue;
        float a = d <= pen - 1.0f ? 1.0f : pen - d;
        if (px < aireDraw.left || px >= aireDraw.right || py < aireDraw.top || py >= aireDraw.bottom) continue;
        if (pixmap) {
          RGBColor c;
          QDMP_GetPixel(&c, pixmap, px, py);
          c.red = uint16_t(float(c.red) * (1.0f - a) + float(fore.red) * a);
          c.green = uint16_t(float(c.green) * (1.0f - a) + float(fore.green) * a);
          c.blue = uint16_t(float(c.blue) * (1.0f - a) + float(fore.blue) * a);
          QDMP_SetPixel(pixmap, px, py, &c);
        }
        if (layer && px >= calque.left && px < calque.right && py >= calque.top && py < calque.bottom) {
          uint8_t& old = alpha[size_t(py - calque.top) * size_t(calque.right - calque.left) + size_t(px - calque.left)];
          float na = float(old) / 255.0f;
          na = na + a * (1.0f - na);
          old = uint8_t(std::min(255.0f, na * 255.0f + 0.5f));
        }
      }
    }
  }

  // The gathered image goes through the port's bits procedure, in strips
  // that a picture's direct-bits record can hold.
  void Flush() {
    if (!layer || alpha.empty()) return;
    const int32_t w = calque.right - calque.left, h = calque.bottom - calque.top;
    std::vector<uint8_t> argb(size_t(w) * size_t(h) * 4);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i) {
      argb[4 * i] = alpha[i];
      argb[4 * i + 1] = uint8_t(fore.red >> 8);
      argb[4 * i + 2] = uint8_t(fore.green >> 8);
      argb[4 * i + 3] = uint8_t(fore.blue >> 8);
    }
    PixMap pm{};
    pm.baseAddr = reinterpret_cast<Ptr>(argb.data());
    pm.rowBytes = w * 4;
    pm.bounds = calque;
    pm.pixelSize = 32;
    pm.cmpCount = 4;
    pm.cmpSize = 8;
    pm.hRes = pm.vRes = 72 << 16;
    // Pixels already written directly are not copied a second time.
    if (pixmap) HidePen();
    for (int32_t x = 0; x < w; x += 2048) {
      Rect s = calque;
      s.left = int16_t(calque.left + x);
      s.right = int16_t(calque.left + std::min(w, x + 2048));
      CopyBits(&pm, GetPortBitMapForCopyBits(port), &s, &s, srcCopy, nullptr);
    }
    if (pixmap) ShowPen();
  }
};

void Trait(bool antialias, float pen, float rx, float ry, float qx, float qy) {
  if (antialias) {
    DrawSmoothLine(rx, ry, qx, qy, pen, pen);
  } else {
    MoveTo(T16(rx), T16(ry));
    LineTo(T16(qx), T16(qy));
  }
}

}  // namespace

void AntialiasedLine(bool antialias, float x1, float y1, float x2, float y2, float width, float height) {
  if (antialias) {
    DrawSmoothLine(x1, y1, x2, y2, width, height);
    return;
  }
  PenSize(T16(std::max(width, 1.0f)), T16(std::max(height, 1.0f)));
  MoveTo(T16(x1), T16(y1));
  LineTo(T16(x2), T16(y2));
}

void DrawSmoothLine(float x1, float y1, float x2, float y2, float w, float h) {
  if (w < 0.0f || h < 0.0f) {
    Point pen;
    GetPortPenSize(CarboniseGetCurrentPort(), &pen);
    if (w < 0.0f) w = 0.8f * float(pen.h);
    if (h < 0.0f) h = 0.8f * float(pen.v);
  }
  if (SystemDependantCanDrawBezier()) {
    // The hexagon swept by a w x h pen whose top-left corner goes from A to B.
    if (x1 > x2) std::swap(x1, x2), std::swap(y1, y2);
    if (w == 0.0f) w = 0.1f;
    if (h == 0.0f) h = 0.1f;
    SplinePointF c[6];
    if (y1 >= y2)
      c[0] = {x1, y1}, c[1] = {x2, y2}, c[2] = {x2 + w, y2}, c[3] = {x2 + w, y2 + h}, c[4] = {x1 + w, y1 + h},
      c[5] = {x1, y1 + h};
    else
      c[0] = {x1, y1}, c[1] = {x1 + w, y1}, c[2] = {x2 + w, y2}, c[3] = {x2 + w, y2 + h}, c[4] = {x2, y2 + h},
      c[5] = {x1, y1 + h};
    BezierPoint bp[6];
    for (int i = 0; i < 6; ++i) {
      const SplinePointF &p = c[(i + 5) % 6], &q = c[(i + 1) % 6];
      bp[i] = {c[i].x, c[i].y, (c[i].x + p.x) / 2, (c[i].y + p.y) / 2, (c[i].x + q.x) / 2, (c[i].y + q.y) / 2};
    }
    RozoDrawBezier(bp, 6, 0, 1, 2, 1, 1.0f, 0.0f, 1);
    return;
  }
  // Pen strokes: a line thinner than a pixel still shows, as the path would.
  PenSize(std::max<int16_t>(1, T16(w)), std::max<int16_t>(1, T16(h)));
  MoveTo(T16(x1), T16(y1));
  LineTo(T16(x2), T16(y2));
}

void cspline(bool antialias, const SplinePoint* points, int32_t count, float smoothing) {
  TypeAction = kActionTrait;
  PenPat(CarboniseGetPatBlack());
  TraceSpline(points, count, antialias, smoothing);
}

void csplinepointille(int16_t style, bool antialias, const SplinePoint* points, int32_t count, int32_t smoothing) {
  TypeAction = style == kStyleSplineTirets ? kActionTirets : style == kStyleSplinePoints ? kActionPoints : kActionOndes;
  PenPat(CarboniseGetPatBlack());
  TraceSpline(points, count, antialias && pref.traitsAntialiasSplines, float(smoothing));
}

void CSplineList(bool antialias, int32_t unused, ...) {
  SplinePoint pts[16];
  int32_t n = 0;
  va_list ap;
  va_start(ap, unused);
  while (n < 16) {
    int x = va_arg(ap, int);
    if (x == -32768) break;
    int y = va_arg(ap, int);
    int w = va_arg(ap, int);
    pts[n++] = SplinePoint{float(x), float(y), float(w)};
  }
  va_end(ap);
  cspline(antialias, pts, n, 6.0f);
}

void SplitBezierPoly(std::vector<SplinePointF>& poly, SplinePointF p0, SplinePointF c1, SplinePointF c2,
                     SplinePointF p3, int32_t depth) {
  auto append = [&] {
    poly.push_back(p0);
    poly.push_back(c1);
    poly.push_back(c2);
  };
  float cx = p3.x - p0.x, cy = p3.y - p0.y;
  if (depth > 6 || cx * cx + cy * cy < 4.0f) return append();
  auto dist2 = [&](SplinePointF c) {
    if (cy == 0.0f) return (c.y - p0.y) * (c.y - p0.y);
    if (cx == 0.0f) return (c.x - p0.x) * (c.x - p0.x);
    float cross = (c.x - p0.x) * cy - (c.y - p0.y) * cx;
    return cross * cross / (cx * cx + cy * cy);
  };
  if (dist2(c1) < 4.0f && dist2(c2) < 0.05f) return append();
  auto mid = [](SplinePointF a, SplinePointF b) { return SplinePointF{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
  SplinePointF m01 = mid(p0, c1), m12 = mid(c1, c2), m23 = mid(c2, p3);
  SplinePointF a = mid(m01, m12), b = mid(m12, m23), m = mid(a, b);
  SplitBezierPoly(poly, p0, m01, a, m, depth + 1);
  SplitBezierPoly(poly, m, b, m23, p3, depth + 1);
}

void TraceSpline(const SplinePoint* P, int32_t n, bool antialias, float k) {
  if (!P || n < 2) return;
  int32_t maxW = 0;
  for (int32_t i = 0; i < n; ++i)
    if (std::isfinite(P[i].width)) maxW = std::max(maxW, int32_t(std::clamp(P[i].width, 0.0f, 32767.0f)));
  // Widths that are all 0 give no step to walk by.
  if (maxW <= 0) return;

  std::vector<BezierPoint> nodes(size_t(2 * n));
  auto neighbours = [n](int32_t i, int32_t* prev, int32_t* next) {
    *prev = i == 0 ? 1 : i - 1;
    *next = i == n - 1 ? n - 2 : i + 1;
  };
  for (int32_t i = 0; i < n; ++i) {
    int32_t p, q;
    neighbours(i, &p, &q);
    float nx, ny;
    if (i == 0) BzGetMedianeGauche(P[p].x, P[p].y, P[i].x, P[i].y, P[q].x, P[q].y, &nx, &ny);
    else BzGetMedianeDroite(P[p].x, P[p].y, P[i].x, P[i].y, P[q].x, P[q].y, &nx, &ny);
    float f = P[i].width * 0.05f;
    nodes[size_t(i)] = {P[i].x + nx * f, P[i].y + ny * f, 0, 0, 0, 0};
  }
  for (int32_t j = n - 1, o = n; j >= 0; --j, ++o) {
    int32_t p, q;
    neighbours(j, &p, &q);
    float nx, ny;
    if (j == 0) BzGetMedianeDroite(P[p].x, P[p].y, P[j].x, P[j].y, P[q].x, P[q].y, &nx, &ny);
    else BzGetMedianeGauche(P[p].x, P[p].y, P[j].x, P[j].y, P[q].x, P[q].y, &nx, &ny);
    float f = P[j].width * 0.05f;
    nodes[size_t(o)] = {P[j].x + nx * f, P[j].y + ny * f, 0, 0, 0, 0};
  }
  BzSmoothPolygon(nodes.data(), 2 * n, k, true);

  CibleDots cible;
  cible.port = CarboniseGetCurrentPort();
  if (!cible.port) return;
  GetForeColor(&cible.fore);
  CarboniseGetPortClipRect(cible.port, &cible.aireDraw);

  std::vector<SplinePointF> poly;
  for (int32_t i = 0; i + 1 < n; ++i) {
    const BezierPoint &a = nodes[size_t(i)], &b = nodes[size_t(i + 1)];
    SplitBezierPoly(poly, {a.x, a.y}, {a.xOut, a.yOut}, {b.xIn, b.yIn}, {b.x, b.y}, 0);
  }
  if (poly.size() < 2) return;
  std::vector<float> seg(poly.size() - 1);
  float L = 0.0f;
  for (size_t i = 0; i + 1 < poly.size(); ++i) {
    float dx = poly[i + 1].x - poly[i].x, dy = poly[i + 1].y - poly[i].y;
    seg[i] = std::sqrt(dx * dx + dy * dy);
    L += seg[i];
  }
  if (!std::isfinite(L)) return;

  int32_t m;
  if (TypeAction == kActionOndes) {
    m = int32_t(std::min(L / float(maxW) + 0.5f, float(kSplineMaxEchantillons)));
  } else {
    m = int32_t(std::min(L / (0.5f * float(maxW)) + 0.5f, float(kSplineMaxEchantillons)));
    if (TypeAction == kActionTirets) m |= 1;
  }
  const float step = L / (float(m) + 0.01f);
  const float pen = 0.125f * float(maxW), amplitude = 2.0f * pen, diametre = 0.25f * float(maxW);

  if (TypeAction == kActionPoints && antialias) {
    const PixMap& pm = **GetPortPixMap(cible.port);
    const bool recording = IsPortPictureBeingDefined(cible.port);
    if (pm.baseAddr && (pm.pixelSize == 32 || pm.pixelSize == 16 || pm.pixelSize == 8)) cible.pixmap = &pm;
    if (recording || (!cible.pixmap && cible.port->kind == kQDPortCairo)) {
      float l = poly[0].x, t = poly[0].y, r = l, b = t;
      for (const SplinePointF& p : poly)
        l = std::min(l, p.x), t = std::min(t, p.y), r = std::max(r, p.x), b = std::max(b, p.y);
      Rect box{T16(t - pen - 2.0f), T16(l - pen - 2.0f), T16(b + pen + 3.0f), T16(r + pen + 3.0f)};
      if (SectRect(&box, &cible.aireDraw, &cible.calque)) {
        int64_t area = int64_t(cible.calque.right - cible.calque.left) * (cible.calque.bottom - cible.calque.top);
        if (area <= (int64_t(1) << 24)) {
          cible.layer = true;
          cible.alpha.assign(size_t(area), 0);
        }
      }
    }
  }

  cible.Prepare();
  float rx = poly[0].x, ry = poly[0].y;
  bool dash = false;
  float cum = 0.0f;
  int64_t idx = 0;
  for (size_t k2 = 0; k2 + 1 < poly.size(); ++k2) {
    const float end = cum + seg[k2];
    for (float s = float(idx) * step; s < end && idx <= kSplineMaxEchantillons; s = float(++idx) * step) {
      const float t = seg[k2] > 0.0f ? (s - cum) / seg[k2] : 0.0f;
      const float qx = poly[k2].x + t * (poly[k2 + 1].x - poly[k2].x);
      const float qy = poly[k2].y + t * (poly[k2 + 1].y - poly[k2].y);
      switch (TypeAction) {
        case kActionTirets:
          if (dash) Trait(antialias, pen, rx, ry, qx, qy);
          else rx = float(int32_t(qx)), ry = float(int32_t(qy));
          dash = !dash;
          break;
        case kActionPoints:
          if (antialias) {
            cible.Dot(qx, qy, pen);
          } else {
            Rect o;
            o.left = T16(qx - pen);
            o.top = T16(qy - pen);
            o.right = T16(float(o.left) + diametre);
            o.bottom = T16(float(o.top) + diametre);
            PaintOval(&o);
          }
          break;
        case kActionOndes:
          if (k2 >= 1) {
            float dx = qx - rx, dy = qy - ry, len = std::sqrt(dx * dx + dy * dy);
            if (len > 0.0f) {
              float px = rx, py = ry;
              MoveTo(T16(px), T16(py));
              for (int32_t i = 1; float(i) * 0.19625f < 6.283185f; ++i) {
                float tt = float(i) * 0.19625f, sn = std::sin(tt) * amplitude / len;
                float x = rx + dx * tt / 6.2831855f - dy * sn, y = ry + dy * tt / 6.2831855f + dx * sn;
                Trait(antialias, pen, px, py, x, y);
                px = x, py = y;
              }
            }
          }
          rx = float(int32_t(qx)), ry = float(int32_t(qy));
          break;
        default:
          if (k2 >= 1) Trait(antialias, pen, rx, ry, qx, qy);
          rx = float(int32_t(qx)), ry = float(int32_t(qy));
          break;
      }
    }
    cum = end;
  }
  cible.Flush();
}

void TraceLignePointillee(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t step) {
  MoveTo(x1, y1);
  if (step > 0) {
    float dx = float(x2 - x1), dy = float(y2 - y1);
    float n = std::sqrt(dx * dx + dy * dy) / float(step);
    if (n > 1.0f) {
      float ux = dx / n, uy = dy / n;
      for (float t = 0.0f; t < n - 1.0f; t += 2.0f) {
        MoveTo(T16(x1 + t * ux), T16(y1 + t * uy));
        LineTo(T16(x1 + (t + 1.0f) * ux), T16(y1 + (t + 1.0f) * uy));
      }
    }
  }
  // The rest after the last dash is drawn solid.
  LineTo(x2, y2);
}

void TraceLigneDotted(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t step) {
  TextFontVellari(72.0f);
  if (step <= 0) return;
  float dx = float(x2 - x1), dy = float(y2 - y1);
  float n = std::sqrt(dx * dx + dy * dy) / float(step);
  if (n <= 1.0f) return;
  float ux = dx / n, uy = dy / n;
  for (float t = 0.0f; t < n - 1.0f; t += 2.0f) {
    MoveTo(T16(x1 + t * ux), T16(y1 + t * uy));
    DrawCharMusical('.');
  }
}

void TraceLigneOnde(int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t size) {
  const float dx = float(x2 - x1), dy = float(y2 - y1);
  const float length = std::sqrt(dx * dx + dy * dy);
  if (IsUnicodeApplication()) {
    const float scale = float(size) / float(Zoom(16));
    TextFontVellari(scale * 72.0f);
    const float advance = float(UTFTextWidth(nullptr, "~", 0, 1) - Zoom(int32_t(scale * 3.0f)));
    // A glyph that does not advance is drawn once.
    int32_t count = advance > 0.0f ? int32_t(std::lround(length / advance)) : 1;
    count = std::clamp(count, 1, 32767);
    const double angle = std::atan2(-double(dy), double(dx));
    const int16_t degrees = int16_t(angle * 57.29577951471995);
    const float sx = float(std::cos(angle)) * advance, sy = -float(std::sin(angle)) * advance;
    float x = x1, y = y1;
    for (int32_t i = 0; i < count; ++i) {
      MoveTo(T16(std::round(x)), T16(std::round(y)));
      UTFDrawText(nullptr, "~", 0, 1, degrees);
      x += sx, y += sy;
    }
    return;
  }
  if (size <= 0) return;
  const int32_t count = int32_t(std::lround((length + float(size) - 1.0f) / float(size)));
  if (count <= 0) return;
  const float ux = dx / float(count), uy = dy / float(count);
  const float z2 = float(Zoom(2));
  for (int32_t i = 0; i < count; ++i) {
    const float fi = float(i);
    SplinePoint pts[5] = {
        {x1 + fi * ux, y1 + fi * uy, float(Zoom(3))},
        {x1 + (fi + 0.25f) * ux, y1 + (fi + 0.25f) * uy - z2, float(Zoom(10))},
        {x1 + (fi + 0.5f) * ux, y1 + (fi + 0.5f) * uy, float(Zoom(15))},
        {x1 + (fi + 0.75f) * ux, y1 + (fi + 0.75f) * uy + z2, float(Zoom(20))},
        {x1 + (fi + 1.0f) * ux, y1 + (fi + 1.0f) * uy, float(Zoom(3))},
    };
    cspline(pref.traitsAntialias != 0, pts, 5, 8.0f);
  }
}

void QDMP_GetPixel(RGBColor* colour, const PixMap* pm, int32_t x, int32_t y) {
  if (!colour) return;
  *colour = RGBColor{0, 0, 0};
  if (!pm || !pm->baseAddr || x < pm->bounds.left || x >= pm->bounds.right || y < pm->bounds.top ||
      y >= pm->bounds.bottom)
    return;
  const uint8_t* row =
      reinterpret_cast<const uint8_t*>(pm->baseAddr) + size_t(y - pm->bounds.top) * size_t(pm->rowBytes);
  const size_t col = size_t(x - pm->bounds.left);
  if (pm->pixelSize == 32) {
    const uint8_t* p = row + col * 4;
    *colour = RGBColor{uint16_t(p[1] * 257), uint16_t(p[2] * 257), uint16_t(p[3] * 257)};
  } else if (pm->pixelSize == 16) {
    const uint8_t* p = row + col * 2;
    uint32_t v = (uint32_t(p[0]) << 8) | p[1];
    auto c = [](uint32_t five) { return uint16_t(five * 2048 + five); };
    *colour = RGBColor{c((v >> 10) & 31), c((v >> 5) & 31), c(v & 31)};
  }
  // 8-bit maps here carry no colour table: they read black.
}

void QDMP_SetPixel(const PixMap* pm, int32_t x, int32_t y, const RGBColor* colour) {
  if (!pm || !colour || !pm->baseAddr || x < pm->bounds.left || x >= pm->bounds.right || y < pm->bounds.top ||
      y >= pm->bounds.bottom)
    return;
  uint8_t* row = reinterpret_cast<uint8_t*>(pm->baseAddr) + size_t(y - pm->bounds.top) * size_t(pm->rowBytes);
  const size_t col = size_t(x - pm->bounds.left);
  if (pm->pixelSize == 32) {
    uint8_t* p = row + col * 4;
    p[0] = 255;  // a drawn pixel is opaque
    p[1] = uint8_t(colour->red >> 8);
    p[2] = uint8_t(colour->green >> 8);
    p[3] = uint8_t(colour->blue >> 8);
  } else if (pm->pixelSize == 16) {
    uint8_t* p = row + col * 2;
    uint32_t v = (uint32_t(colour->red >> 11) << 10) | (uint32_t(colour->green >> 11) << 5) | (colour->blue >> 11);
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
  } else if (pm->pixelSize == 8) {
    // Without a colour table the nearest entry is taken as 255.
    row[col] = 255;
  }
}

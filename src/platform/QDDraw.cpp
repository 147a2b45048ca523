// The standard bottleneck procedures and the calls that reach them: lines,
// rectangles, ovals, round rectangles, arcs, polygons and regions, drawn as
// exact pixel regions into raster ports or as paths into cairo ports.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "platform/Memory.h"
#include "platform/QDInternal.h"

using namespace qd;

namespace {

// ---------------------------------------------------------------------------
// Pixels

struct Rgb8 {
  uint8_t r, g, b;
};

// The classic 8-bit system palette: the 6 x 6 x 6 cube, ramps of red, green,
// blue and grey, black last.
const Rgb8* SystemPalette() {
  static Rgb8 pal[256];
  static bool built = false;
  if (!built) {
    static const uint8_t ramp[10] = {0xEE, 0xDD, 0xBB, 0xAA, 0x88, 0x77, 0x55, 0x44, 0x22, 0x11};
    for (int i = 0; i < 215; ++i)
      pal[i] =
          Rgb8{uint8_t(0xFF - 0x33 * (i / 36)), uint8_t(0xFF - 0x33 * ((i / 6) % 6)), uint8_t(0xFF - 0x33 * (i % 6))};
    for (int k = 0; k < 10; ++k) {
      pal[215 + k] = Rgb8{ramp[k], 0, 0};
      pal[225 + k] = Rgb8{0, ramp[k], 0};
      pal[235 + k] = Rgb8{0, 0, ramp[k]};
      pal[245 + k] = Rgb8{ramp[k], ramp[k], ramp[k]};
    }
    pal[255] = Rgb8{0, 0, 0};
    built = true;
  }
  return pal;
}

uint8_t NearestIndex(uint32_t argb) {
  static uint32_t lastColor = 0xFFFFFFFFu;
  static uint8_t lastIndex = 0;
  argb |= 0xFF000000u;
  if (argb == lastColor) return lastIndex;
  const Rgb8* pal = SystemPalette();
  int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
  int best = 1 << 30, bi = 0;
  for (int i = 0; i < 256; ++i) {
    int d = std::abs(pal[i].r - r) + std::abs(pal[i].g - g) + std::abs(pal[i].b - b);
    if (d < best) {
      best = d;
      bi = i;
    }
  }
  lastColor = argb;
  lastIndex = uint8_t(bi);
  return lastIndex;
}

}  // namespace

namespace qd {

uint32_t ReadPixel(const PixMap& pm, int32_t x, int32_t y) {
  const uint8_t* row = reinterpret_cast<const uint8_t*>(pm.baseAddr) + size_t(y - pm.bounds.top) * size_t(pm.rowBytes);
  int32_t px = x - pm.bounds.left;
  switch (pm.pixelSize) {
    case 32: {
      const uint8_t* p = row + size_t(px) * 4;
      return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }
    case 16: {
      const uint8_t* p = row + size_t(px) * 2;
      uint32_t v = (uint32_t(p[0]) << 8) | p[1];
      uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return 0xFF000000u | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
    }
    case 8: {
      const Rgb8& c = SystemPalette()[row[px]];
      return 0xFF000000u | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
    }
    default: return 0;
  }
}

void WritePixel(const PixMap& pm, int32_t x, int32_t y, uint32_t argb) {
  uint8_t* row = reinterpret_cast<uint8_t*>(pm.baseAddr) + size_t(y - pm.bounds.top) * size_t(pm.rowBytes);
  int32_t px = x - pm.bounds.left;
  switch (pm.pixelSize) {
    case 32: {
      uint8_t* p = row + size_t(px) * 4;
      p[0] = uint8_t(argb >> 24);
      p[1] = uint8_t(argb >> 16);
      p[2] = uint8_t(argb >> 8);
      p[3] = uint8_t(argb);
      break;
    }
    case 16: {
      uint32_t v = (((argb >> 19) & 31) << 10) | (((argb >> 11) & 31) << 5) | ((argb >> 3) & 31);
      uint8_t* p = row + size_t(px) * 2;
      p[0] = uint8_t(v >> 8);
      p[1] = uint8_t(v);
      break;
    }
    case 8: row[px] = NearestIndex(argb); break;
    default: break;
  }
}

RgnData DrawableArea(CGrafPtr port) {
  if (port->kind == kQDPortHidden) return RgnData();
  RgnData clip = Load(port->clipRgn);
  RgnData vis = Load(port->visRgn);
  if (clip.IsRect() && vis.IsRect()) {
    const int32_t* c = &clip.d[0];
    const int32_t* v = &vis.d[0];
    return RectData(std::max(c[3], v[3]), std::max(c[0], v[0]), std::min(c[4], v[4]), std::min(c[1], v[1]));
  }
  return Combine(clip, vis, RgnOp::Sect);
}

namespace {

// n copies of one word: eight at a time, which the compiler turns into
// wide stores (a plain loop stays one 4-byte store per pixel at -O2).
void FillWords(uint32_t* p, int32_t n, uint32_t word) {
  uint32_t* const end = p + n;
  for (; end - p >= 8; p += 8)
    for (int j = 0; j < 8; ++j) p[j] = word;
  for (; p < end; ++p) *p = word;
}

}  // namespace

void RasterRgn(CGrafPtr port, const RgnData& r, GrafVerb verb) {
  if (r.Empty()) return;
  Pattern pat = port->pnPat;
  int32_t mode = port->pnMode;
  switch (verb) {
    case kQDGrafVerbErase:
      pat = port->bkPat;
      mode = patCopy;
      break;
    case kQDGrafVerbFill:
      pat = port->fillPat;
      mode = patCopy;
      break;
    case kQDGrafVerbInvert: mode = -1; break;
    default: break;
  }
  if (mode >= 0) {
    mode &= ~int32_t(ditherCopy);
    if (mode < 8) mode += 8;  // a source mode used for a pen acts as its pattern twin
    if (mode > 15) mode = patCopy;
  }
  uint32_t fg = ToARGB(port->rgbFgColor), bg = ToARGB(port->rgbBkColor);
  bool solidOn = true, solidOff = true;
  for (uint8_t b : pat.pat) {
    solidOn &= b == 0xFF;
    solidOff &= b == 0;
  }
  // The common case: one colour over every pixel.
  int64_t single = -1;
  if (mode == patCopy && (solidOn || solidOff)) single = solidOn ? fg : bg;
  if (mode == notPatCopy && (solidOn || solidOff)) single = solidOn ? bg : fg;
  // A port whose pixels are not made yet is all white: white over it (the
  // page's erase) changes nothing.
  if (port->pixelsPending && single == 0xFFFFFFFF) return;
  if (!PortPixels(port)) return;
  const PixMap& pm = port->pixMap;
  // The single colour as its A, R, G, B bytes in memory.
  const uint8_t singleBytes[4] = {uint8_t(single >> 24), uint8_t(single >> 16), uint8_t(single >> 8), uint8_t(single)};
  uint32_t singleWord;
  std::memcpy(&singleWord, singleBytes, 4);
  size_t pos = 0;
  for (int32_t i = 0; i < r.bands; ++i) {
    int32_t n = r.d[pos + 2];
    for (int32_t y = r.d[pos]; y < r.d[pos + 1]; ++y) {
      uint8_t patRow = pat.pat[(y - pm.bounds.top) & 7];
      for (int32_t k = 0; k + 1 < n; k += 2) {
        int32_t x0 = r.d[pos + 3 + size_t(k)], x1 = r.d[pos + 4 + size_t(k)];
        if (single >= 0 && pm.pixelSize == 32) {
          // Rows of 32-bit pixels are word-aligned: one word per pixel.
          uint32_t* p = reinterpret_cast<uint32_t*>(pm.baseAddr + size_t(y - pm.bounds.top) * size_t(pm.rowBytes)) +
                        (x0 - pm.bounds.left);
          FillWords(p, x1 - x0, singleWord);
          continue;
        }
        for (int32_t x = x0; x < x1; ++x) {
          if (single >= 0) {
            WritePixel(pm, x, y, uint32_t(single));
            continue;
          }
          if (mode < 0) {
            WritePixel(pm, x, y, ReadPixel(pm, x, y) ^ 0x00FFFFFFu);
            continue;
          }
          bool bit = (patRow & (0x80 >> ((x - pm.bounds.left) & 7))) != 0;
          switch (mode) {
            case patCopy: WritePixel(pm, x, y, bit ? fg : bg); break;
            case patOr:
              if (bit) WritePixel(pm, x, y, fg);
              break;
            case patXor:
              if (bit) WritePixel(pm, x, y, ReadPixel(pm, x, y) ^ 0x00FFFFFFu);
              break;
            case patBic:
              if (bit) WritePixel(pm, x, y, bg);
              break;
            case notPatCopy: WritePixel(pm, x, y, bit ? bg : fg); break;
            case notPatOr:
              if (!bit) WritePixel(pm, x, y, fg);
              break;
            case notPatXor:
              if (!bit) WritePixel(pm, x, y, ReadPixel(pm, x, y) ^ 0x00FFFFFFu);
              break;
            case notPatBic:
              if (!bit) WritePixel(pm, x, y, bg);
              break;
            default: break;
          }
        }
      }
    }
    pos += 3 + size_t(n);
  }
}

}  // namespace qd

namespace {

// ---------------------------------------------------------------------------
// Shapes

enum class ShapeKind { Rect, RRect, Oval, Arc, Poly, Rgn, Line };

struct Shape {
  ShapeKind kind;
  Rect r{};
  int32_t a = 0, b = 0;  // oval size of a round rect, or start and arc angles
  PolyHandle poly = nullptr;
  RgnHandle rgn = nullptr;
  Point from{}, to{};
};

Rect Inset(const Rect& r, int32_t dh, int32_t dv) {
  Rect o = r;
  o.left = int16_t(std::min<int32_t>(r.left + dh, 32767));
  o.right = int16_t(std::max<int32_t>(r.right - dh, -32767));
  o.top = int16_t(std::min<int32_t>(r.top + dv, 32767));
  o.bottom = int16_t(std::max<int32_t>(r.bottom - dv, -32767));
  return o;
}

bool IsEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

// The pixels a shape covers for a verb: frames take the pen's width inside
// the shape, lines the pen swept along them.
RgnData ShapeRegion(CGrafPtr port, const Shape& s, GrafVerb verb, int32_t xMin, int32_t yMin, int32_t xMax,
                    int32_t yMax) {
  int32_t pw = port->pnSize.h, ph = port->pnSize.v;
  bool frame = verb == kQDGrafVerbFrame;
  if (frame && s.kind != ShapeKind::Poly && s.kind != ShapeKind::Line && (pw <= 0 || ph <= 0)) return RgnData();
  switch (s.kind) {
    case ShapeKind::Rect: {
      if (IsEmpty(s.r)) return RgnData();
      RgnData outer = RectData(s.r.left, s.r.top, s.r.right, s.r.bottom);
      if (!frame) return outer;
      Rect in = Inset(s.r, pw, ph);
      if (IsEmpty(in)) return outer;
      return Combine(outer, RectData(in.left, in.top, in.right, in.bottom), RgnOp::Diff);
    }
    case ShapeKind::Oval:
    case ShapeKind::RRect:
    case ShapeKind::Arc: {
      if (IsEmpty(s.r)) return RgnData();
      bool oval = s.kind != ShapeKind::RRect;
      int32_t ow = oval ? int32_t(s.r.right) - s.r.left : s.a, oh = oval ? int32_t(s.r.bottom) - s.r.top : s.b;
      RgnData out = RRectData(s.r, ow, oh, yMin, yMax);
      if (frame) {
        Rect in = Inset(s.r, pw, ph);
        if (!IsEmpty(in)) out = Combine(out, RRectData(in, ow - 2 * pw, oh - 2 * ph, yMin, yMax), RgnOp::Diff);
      }
      if (s.kind == ShapeKind::Arc) {
        // The wedge is cut span by span: only where pixels can show.
        out = Combine(out, RectData(xMin, yMin, xMax, yMax), RgnOp::Sect);
        out = ArcData(out, s.r, s.a, s.b);
      }
      return out;
    }
    case ShapeKind::Poly: {
      if (!frame) return PolyData(s.poly, yMin, yMax);
      int32_t n = QDPolyPointCount(s.poly);
      SpanBuilder sb;
      sb.yMin = yMin;
      sb.yMax = yMax;
      const Point* p = (*s.poly)->polyPoints;
      for (int32_t i = 0; i + 1 < n; ++i) AddLine(sb, p[i], p[i + 1], pw, ph);
      if (n == 1) AddLine(sb, p[0], p[0], pw, ph);
      return sb.Build();
    }
    case ShapeKind::Rgn: {
      RgnData d = Load(s.rgn);
      if (!frame) return d;
      RgnHandle tmp = NewRgn();
      if (!tmp) return RgnData();
      Store(d, tmp);
      InsetRgn(tmp, int16_t(pw), int16_t(ph));
      RgnData in = Load(tmp);
      DisposeRgn(tmp);
      return Combine(d, in, RgnOp::Diff);
    }
    case ShapeKind::Line: {
      SpanBuilder sb;
      sb.yMin = yMin;
      sb.yMax = yMax;
      AddLine(sb, s.from, s.to, pw, ph);
      return sb.Build();
    }
  }
  return RgnData();
}

// Outline a frame adds to a region being defined.
void AddOutline(RgnSave* save, const Shape& s) {
  switch (s.kind) {
    case ShapeKind::Rect:
      save->edges.AddSegment(s.r.left, s.r.top, s.r.left, s.r.bottom);
      save->edges.AddSegment(s.r.right, s.r.top, s.r.right, s.r.bottom);
      break;
    case ShapeKind::Oval: save->edges.AddRgnOutline(OvalData(s.r)); break;
    case ShapeKind::RRect: save->edges.AddRgnOutline(RRectData(s.r, s.a, s.b)); break;
    case ShapeKind::Poly: {
      int32_t n = QDPolyPointCount(s.poly);
      const Point* p = (*s.poly)->polyPoints;
      for (int32_t i = 0; i + 1 < n; ++i) save->edges.AddSegment(p[i].h, p[i].v, p[i + 1].h, p[i + 1].v);
      break;
    }
    case ShapeKind::Rgn: save->edges.AddRgnOutline(Load(s.rgn)); break;
    case ShapeKind::Line: save->edges.AddSegment(s.from.h, s.from.v, s.to.h, s.to.v); break;
    case ShapeKind::Arc: break;
  }
}

// ---------------------------------------------------------------------------
// Cairo ports: the same shapes as paths

void ClipCairo(cairo_t* cr, const RgnData& area) {
  cairo_new_path(cr);
  size_t pos = 0;
  for (int32_t i = 0; i < area.bands; ++i) {
    int32_t n = area.d[pos + 2];
    for (int32_t k = 0; k + 1 < n; k += 2)
      cairo_rectangle(cr, area.d[pos + 3 + size_t(k)], area.d[pos],
                      area.d[pos + 4 + size_t(k)] - area.d[pos + 3 + size_t(k)], area.d[pos + 1] - area.d[pos]);
    pos += 3 + size_t(n);
  }
  cairo_clip(cr);
}

void SetColor(cairo_t* cr, const RGBColor& c) {
  cairo_set_source_rgb(cr, c.red / 65535.0, c.green / 65535.0, c.blue / 65535.0);
}

// Source for a verb: a plain colour, an 8 x 8 tile for a pattern, or the
// inverting operator.
void SetCairoSource(cairo_t* cr, CGrafPtr port, GrafVerb verb) {
  Pattern pat = port->pnPat;
  int32_t mode = port->pnMode & ~int32_t(ditherCopy);
  if (verb == kQDGrafVerbErase) {
    pat = port->bkPat;
    mode = patCopy;
  } else if (verb == kQDGrafVerbFill) {
    pat = port->fillPat;
    mode = patCopy;
  }
  if (mode < 8) mode += 8;
  if (verb == kQDGrafVerbInvert || mode == patXor || mode == notPatXor) {
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    if (verb == kQDGrafVerbInvert) return;
  }
  bool inverse = mode == notPatCopy || mode == notPatOr || mode == notPatBic || mode == notPatXor;
  bool on = true, off = true;
  for (uint8_t b : pat.pat) {
    on &= (inverse ? uint8_t(~b) : b) == 0xFF;
    off &= (inverse ? uint8_t(~b) : b) == 0;
  }
  int32_t base = inverse ? mode - 4 : mode;
  RGBColor fg = port->rgbFgColor, bg = port->rgbBkColor;
  if (base == patBic) fg = bg;
  bool opaqueOff = base == patCopy;
  if (on) {
    SetColor(cr, fg);
    return;
  }
  if (off) {
    if (opaqueOff) SetColor(cr, bg);
    else cairo_set_source_rgba(cr, 0, 0, 0, 0);
    return;
  }
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  uint32_t* px = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(tile));
  int stride = cairo_image_surface_get_stride(tile) / 4;
  uint32_t f = ToARGB(fg), b = opaqueOff ? ToARGB(bg) : 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool bit = (pat.pat[y] & (0x80 >> x)) != 0;
      px[y * stride + x] = (bit != inverse) ? f : b;
    }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
  cairo_surface_destroy(tile);
}

void RRectPath(cairo_t* cr, double l, double t, double r, double b, double ow, double oh) {
  double w = r - l, h = b - t;
  if (w <= 0 || h <= 0) return;
  double rx = std::min(ow, w) / 2, ry = std::min(oh, h) / 2;
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, l, t, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  auto corner = [&](double cx, double cy, double a0) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, a0, a0 + M_PI / 2);
    cairo_restore(cr);
  };
  corner(r - rx, t + ry, -M_PI / 2);
  corner(r - rx, b - ry, 0);
  corner(l + rx, b - ry, M_PI / 2);
  corner(l + rx, t + ry, M_PI);
  cairo_close_path(cr);
}

// The pen swept from a to b: the convex hull of the two pen rectangles.
void LinePath(cairo_t* cr, Point a, Point b, int32_t pw, int32_t ph) {
  if (pw <= 0 || ph <= 0) return;
  struct P {
    double x, y;
  };
  P pts[8] = {{double(a.h), double(a.v)},           {double(a.h + pw), double(a.v)},
              {double(a.h + pw), double(a.v + ph)}, {double(a.h), double(a.v + ph)},
              {double(b.h), double(b.v)},           {double(b.h + pw), double(b.v)},
              {double(b.h + pw), double(b.v + ph)}, {double(b.h), double(b.v + ph)}};
  std::sort(pts, pts + 8, [](const P& p, const P& q) { return p.x != q.x ? p.x < q.x : p.y < q.y; });
  auto cross = [](const P& o, const P& p, const P& q) { return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x); };
  P hull[16];
  int k = 0;
  for (int i = 0; i < 8; ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  for (int i = 6, lo = k + 1; i >= 0; --i) {
    while (k >= lo && cross(hull[k - 2], hull[k - 1], pts[i]) <= 0) --k;
    hull[k++] = pts[i];
  }
  cairo_new_sub_path(cr);
  for (int i = 0; i + 1 < k; ++i) cairo_line_to(cr, hull[i].x, hull[i].y);
  cairo_close_path(cr);
}

void RgnPath(cairo_t* cr, const RgnData& d) {
  size_t pos = 0;
  for (int32_t i = 0; i < d.bands; ++i) {
    int32_t n = d.d[pos + 2];
    for (int32_t k = 0; k + 1 < n; k += 2)
      cairo_rectangle(cr, d.d[pos + 3 + size_t(k)], d.d[pos], d.d[pos + 4 + size_t(k)] - d.d[pos + 3 + size_t(k)],
                      d.d[pos + 1] - d.d[pos]);
    pos += 3 + size_t(n);
  }
}

// The part of the oval inscribed in r (or of its frame, the oval less the
// oval inset by the pen) at angles [start, start + arc), degrees clockwise
// from twelve o'clock, with 45 pointing at the rectangle's corner: a real
// path, so that an arc costs what its oval costs and stays smooth at any
// scale.
void ArcPath(cairo_t* cr, const Rect& r, int32_t start, int32_t arc, bool frame, int32_t pw, int32_t ph) {
  if (arc < 0) {
    start += arc;
    arc = -arc;
  }
  const double w = double(r.right) - r.left, h = double(r.bottom) - r.top;
  const double cx = (double(r.left) + r.right) / 2, cy = (double(r.top) + r.bottom) / 2;
  // In the rectangle's own space (w x h to 1 x 1) a ray at angle a leaves
  // the centre at a - 90 degrees of the usual measure and meets the oval at
  // that same angle.
  const double a0 = (start - 90) * M_PI / 180.0, a1 = a0 + arc * M_PI / 180.0;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, w, h);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 0.5, a0, a1);
  const double iw = w - 2.0 * pw, ih = h - 2.0 * ph;
  if (!frame || iw <= 0 || ih <= 0) {
    cairo_line_to(cr, 0, 0);
  } else {
    // Back along the inner oval, between the same two rays: in the inner
    // oval's own terms a ray at angle t meets it at atan2(sin t / ih, cos t / iw).
    const double b1 = std::atan2(std::sin(a1) * h / ih, std::cos(a1) * w / iw);
    double b0 = std::atan2(std::sin(a0) * h / ih, std::cos(a0) * w / iw);
    while (b0 > b1) b0 -= 2 * M_PI;
    while (b1 - b0 > 2 * M_PI) b0 += 2 * M_PI;
    cairo_set_matrix(cr, &m);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, iw / 2, ih / 2);
    cairo_arc_negative(cr, 0, 0, 1.0, b1, b0);
  }
  cairo_close_path(cr);
  cairo_set_matrix(cr, &m);
}

void CairoShape(CGrafPtr port, const Shape& s, GrafVerb verb) {
  cairo_t* cr = port->cairo;
  RgnData area = DrawableArea(port);
  if (area.Empty()) return;
  cairo_save(cr);
  ClipCairo(cr, area);
  SetCairoSource(cr, port, verb);
  cairo_new_path(cr);
  int32_t pw = port->pnSize.h, ph = port->pnSize.v;
  bool frame = verb == kQDGrafVerbFrame;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  const Rect& r = s.r;
  switch (s.kind) {
    case ShapeKind::Rect:
      if (IsEmpty(r)) break;
      cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
      if (frame) {
        Rect in = Inset(r, pw, ph);
        if (!IsEmpty(in)) cairo_rectangle(cr, in.left, in.top, in.right - in.left, in.bottom - in.top);
      }
      break;
    case ShapeKind::Arc:
      if (IsEmpty(r) || s.b == 0) break;
      if (s.b < 360 && s.b > -360) {
        ArcPath(cr, r, s.a, s.b, frame, pw, ph);
        break;
      }
      [[fallthrough]];  // a whole turn is the oval
    case ShapeKind::Oval:
    case ShapeKind::RRect: {
      if (IsEmpty(r)) break;
      bool oval = s.kind != ShapeKind::RRect;
      double ow = oval ? r.right - r.left : s.a, oh = oval ? r.bottom - r.top : s.b;
      RRectPath(cr, r.left, r.top, r.right, r.bottom, ow, oh);
      if (frame) {
        Rect in = Inset(r, pw, ph);
        if (!IsEmpty(in)) RRectPath(cr, in.left, in.top, in.right, in.bottom, ow - 2 * pw, oh - 2 * ph);
      }
      break;
    }
    case ShapeKind::Poly: {
      int32_t n = QDPolyPointCount(s.poly);
      const Point* p = (*s.poly)->polyPoints;
      if (frame) {
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        for (int32_t i = 0; i + 1 < n; ++i) LinePath(cr, p[i], p[i + 1], pw, ph);
      } else if (n >= 2) {
        cairo_move_to(cr, p[0].h, p[0].v);
        for (int32_t i = 1; i < n; ++i) cairo_line_to(cr, p[i].h, p[i].v);
        cairo_close_path(cr);
      }
      break;
    }
    case ShapeKind::Rgn: RgnPath(cr, ShapeRegion(port, s, verb, -32768, -32768, 32768, 32768)); break;
    case ShapeKind::Line:
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      LinePath(cr, s.from, s.to, pw, ph);
      break;
  }
  cairo_fill(cr);
  cairo_restore(cr);
}

// ---------------------------------------------------------------------------
// The common path of every standard shape procedure.

void DrawShape(const Shape& s, GrafVerb verb) {
  CGrafPtr port = ThePort();
  if (verb == kQDGrafVerbFrame && port->rgnSave) AddOutline(static_cast<RgnSave*>(port->rgnSave), s);
  if (port->pnVis < 0) return;
  switch (port->kind) {
    case kQDPortHidden: return;
    case kQDPortCairo:
      if (port->cairo) CairoShape(port, s, verb);
      return;
    case kQDPortRaster: {
      RgnData area = DrawableArea(port);
      if (area.Empty()) return;
      int32_t l, t, r, b;
      area.Bounds(&l, &t, &r, &b);
      RgnData shape = ShapeRegion(port, s, verb, l, t, r, b);
      RasterRgn(port, Combine(shape, area, RgnOp::Sect), verb);
      return;
    }
  }
}

const CQDProcs* Recorder(CGrafPtr port) { return port->picSave ? gQDPictureRecorder : nullptr; }

void AppendPolyPoint(PolyHandle poly, Point pt) {
  Handle h = reinterpret_cast<Handle>(poly);
  Size size = GetHandleSize(h);
  SetHandleSize(h, size + Size(sizeof(Point)));
  if (MemError() != noErr) return;
  std::memcpy(*h + size, &pt, sizeof(Point));
  (*poly)->polySize = int16_t(std::min<int32_t>(10 + 4 * QDPolyPointCount(poly), 32767));
}

void UpdatePolyBounds(PolyHandle poly) {
  int32_t n = QDPolyPointCount(poly);
  if (n <= 0) {
    (*poly)->polyBBox = Rect{0, 0, 0, 0};
    return;
  }
  const Point* p = (*poly)->polyPoints;
  Rect b = {p[0].v, p[0].h, p[0].v, p[0].h};
  for (int32_t i = 1; i < n; ++i) {
    b.top = std::min(b.top, p[i].v);
    b.bottom = std::max(b.bottom, p[i].v);
    b.left = std::min(b.left, p[i].h);
    b.right = std::max(b.right, p[i].h);
  }
  (*poly)->polyBBox = b;
}

}  // namespace

// ---------------------------------------------------------------------------
// Standard procedures

void StdLine(Point newPt) {
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->lineProc) rec->lineProc(newPt);
  if (port->polySave) {
    if (QDPolyPointCount(port->polySave) == 0) AppendPolyPoint(port->polySave, port->pnLoc);
    AppendPolyPoint(port->polySave, newPt);
  }
  Shape s{ShapeKind::Line};
  s.from = port->pnLoc;
  s.to = newPt;
  DrawShape(s, kQDGrafVerbFrame);
  port->pnLoc = newPt;
}

void StdRect(GrafVerb verb, const Rect* r) {
  if (!r) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->rectProc) rec->rectProc(verb, r);
  Shape s{ShapeKind::Rect};
  s.r = *r;
  DrawShape(s, verb);
}

void StdRRect(GrafVerb verb, const Rect* r, int16_t ovalWidth, int16_t ovalHeight) {
  if (!r) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->rRectProc) rec->rRectProc(verb, r, ovalWidth, ovalHeight);
  Shape s{ShapeKind::RRect};
  s.r = *r;
  s.a = ovalWidth;
  s.b = ovalHeight;
  DrawShape(s, verb);
}

void StdOval(GrafVerb verb, const Rect* r) {
  if (!r) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->ovalProc) rec->ovalProc(verb, r);
  Shape s{ShapeKind::Oval};
  s.r = *r;
  DrawShape(s, verb);
}

void StdArc(GrafVerb verb, const Rect* r, int16_t startAngle, int16_t arcAngle) {
  if (!r) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->arcProc) rec->arcProc(verb, r, startAngle, arcAngle);
  Shape s{ShapeKind::Arc};
  s.r = *r;
  s.a = startAngle;
  s.b = arcAngle;
  DrawShape(s, verb);
}

void StdPoly(GrafVerb verb, PolyHandle poly) {
  if (!poly || !*poly) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->polyProc) rec->polyProc(verb, poly);
  if (QDPolyPointCount(poly) <= 0) return;
  Shape s{ShapeKind::Poly};
  s.poly = poly;
  DrawShape(s, verb);
}

void StdRgn(GrafVerb verb, RgnHandle rgn) {
  if (!rgn || !*rgn) return;
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->rgnProc) rec->rgnProc(verb, rgn);
  Shape s{ShapeKind::Rgn};
  s.rgn = rgn;
  DrawShape(s, verb);
}

size_t QDCommentLength(int16_t dataSize, Handle dataHandle) {
  if (!dataHandle || !*dataHandle) return 0;
  return std::min<size_t>(uint16_t(dataSize), size_t(GetHandleSize(dataHandle)));
}

void StdComment(int16_t kind, int16_t dataSize, Handle dataHandle) {
  CGrafPtr port = ThePort();
  if (const CQDProcs* rec = Recorder(port); rec && rec->commentProc) rec->commentProc(kind, dataSize, dataHandle);
}

void StdGetPic(void* dataPtr, int16_t byteCount) {
  if (dataPtr && byteCount > 0) std::memset(dataPtr, 0, size_t(byteCount));
}

void StdPutPic(const void*, int16_t) {}

const CQDProcs qd::kStdProcs = {StdText, StdLine, StdRect,    StdRRect,  StdOval,   StdArc,   StdPoly,
                                StdRgn,  StdBits, StdComment, StdTxMeas, StdGetPic, StdPutPic};

void SetStdCProcs(CQDProcs* procs) {
  if (procs) *procs = kStdProcs;
}
CQDProcsPtr GetPortGrafProcs(CGrafPtr port) { return port ? port->grafProcs : nullptr; }
void SetPortGrafProcs(CGrafPtr port, CQDProcsPtr procs) {
  if (port) port->grafProcs = procs;
}
const CQDProcs* QDGetProcs(CGrafPtr port) { return port && port->grafProcs ? port->grafProcs : &kStdProcs; }

// ---------------------------------------------------------------------------
// Shape calls

namespace {
const CQDProcs* Procs() { return QDGetProcs(ThePort()); }
void SetFill(const Pattern* pat) {
  if (pat) ThePort()->fillPat = *pat;
}
}  // namespace

void FrameRect(const Rect* r) { Procs()->rectProc(kQDGrafVerbFrame, r); }
void PaintRect(const Rect* r) { Procs()->rectProc(kQDGrafVerbPaint, r); }
void EraseRect(const Rect* r) { Procs()->rectProc(kQDGrafVerbErase, r); }
void InvertRect(const Rect* r) { Procs()->rectProc(kQDGrafVerbInvert, r); }
void FillRect(const Rect* r, const Pattern* pat) {
  SetFill(pat);
  Procs()->rectProc(kQDGrafVerbFill, r);
}

void FrameOval(const Rect* r) { Procs()->ovalProc(kQDGrafVerbFrame, r); }
void PaintOval(const Rect* r) { Procs()->ovalProc(kQDGrafVerbPaint, r); }
void EraseOval(const Rect* r) { Procs()->ovalProc(kQDGrafVerbErase, r); }
void InvertOval(const Rect* r) { Procs()->ovalProc(kQDGrafVerbInvert, r); }
void FillOval(const Rect* r, const Pattern* pat) {
  SetFill(pat);
  Procs()->ovalProc(kQDGrafVerbFill, r);
}

void FrameRoundRect(const Rect* r, int16_t w, int16_t h) { Procs()->rRectProc(kQDGrafVerbFrame, r, w, h); }
void PaintRoundRect(const Rect* r, int16_t w, int16_t h) { Procs()->rRectProc(kQDGrafVerbPaint, r, w, h); }
void EraseRoundRect(const Rect* r, int16_t w, int16_t h) { Procs()->rRectProc(kQDGrafVerbErase, r, w, h); }
void InvertRoundRect(const Rect* r, int16_t w, int16_t h) { Procs()->rRectProc(kQDGrafVerbInvert, r, w, h); }
void FillRoundRect(const Rect* r, int16_t w, int16_t h, const Pattern* pat) {
  SetFill(pat);
  Procs()->rRectProc(kQDGrafVerbFill, r, w, h);
}

void FrameArc(const Rect* r, int16_t s, int16_t a) { Procs()->arcProc(kQDGrafVerbFrame, r, s, a); }
void PaintArc(const Rect* r, int16_t s, int16_t a) { Procs()->arcProc(kQDGrafVerbPaint, r, s, a); }
void EraseArc(const Rect* r, int16_t s, int16_t a) { Procs()->arcProc(kQDGrafVerbErase, r, s, a); }
void InvertArc(const Rect* r, int16_t s, int16_t a) { Procs()->arcProc(kQDGrafVerbInvert, r, s, a); }
void FillArc(const Rect* r, int16_t s, int16_t a, const Pattern* pat) {
  SetFill(pat);
  Procs()->arcProc(kQDGrafVerbFill, r, s, a);
}

void FrameRgn(RgnHandle rgn) { Procs()->rgnProc(kQDGrafVerbFrame, rgn); }
void PaintRgn(RgnHandle rgn) { Procs()->rgnProc(kQDGrafVerbPaint, rgn); }
void EraseRgn(RgnHandle rgn) { Procs()->rgnProc(kQDGrafVerbErase, rgn); }
void InvertRgn(RgnHandle rgn) { Procs()->rgnProc(kQDGrafVerbInvert, rgn); }
void FillRgn(RgnHandle rgn, const Pattern* pat) {
  SetFill(pat);
  Procs()->rgnProc(kQDGrafVerbFill, rgn);
}

// ---------------------------------------------------------------------------
// Polygons and region definition

int32_t QDPolyPointCount(PolyHandle poly) {
  if (!poly || !*poly) return 0;
  Size size = GetHandleSize(reinterpret_cast<Handle>(poly));
  Size head = Size(offsetof(MacPolygon, polyPoints));
  return size <= head ? 0 : int32_t((size - head) / Size(sizeof(Point)));
}

PolyHandle OpenPoly() {
  CGrafPtr port = ThePort();
  if (port->polySave) return nullptr;  // one polygon at a time
  Handle h = NewHandleClear(Size(offsetof(MacPolygon, polyPoints)));
  if (!h) return nullptr;
  PolyHandle poly = reinterpret_cast<PolyHandle>(h);
  (*poly)->polySize = 10;
  port->polySave = poly;
  HidePen();
  return poly;
}

void ClosePoly() {
  CGrafPtr port = ThePort();
  if (!port->polySave) return;
  UpdatePolyBounds(port->polySave);
  port->polySave = nullptr;
  ShowPen();
}

void KillPoly(PolyHandle poly) {
  if (!poly) return;
  CGrafPtr port = ThePort();
  if (port->polySave == poly) {
    port->polySave = nullptr;
    ShowPen();
  }
  DisposeHandle(reinterpret_cast<Handle>(poly));
}

void OffsetPoly(PolyHandle poly, int16_t dh, int16_t dv) {
  int32_t n = QDPolyPointCount(poly);
  if (n <= 0) return;
  Point* p = (*poly)->polyPoints;
  for (int32_t i = 0; i < n; ++i) {
    p[i].h = int16_t(p[i].h + dh);
    p[i].v = int16_t(p[i].v + dv);
  }
  OffsetRect(&(*poly)->polyBBox, dh, dv);
}

void FramePoly(PolyHandle poly) { Procs()->polyProc(kQDGrafVerbFrame, poly); }
void PaintPoly(PolyHandle poly) { Procs()->polyProc(kQDGrafVerbPaint, poly); }
void ErasePoly(PolyHandle poly) { Procs()->polyProc(kQDGrafVerbErase, poly); }
void InvertPoly(PolyHandle poly) { Procs()->polyProc(kQDGrafVerbInvert, poly); }
void FillPoly(PolyHandle poly, const Pattern* pat) {
  SetFill(pat);
  Procs()->polyProc(kQDGrafVerbFill, poly);
}

void OpenRgn() {
  CGrafPtr port = ThePort();
  if (port->rgnSave) return;
  port->rgnSave = new RgnSave();
  HidePen();
}

void CloseRgn(RgnHandle dst) {
  CGrafPtr port = ThePort();
  RgnSave* save = static_cast<RgnSave*>(port->rgnSave);
  if (!save) {
    if (dst) SetEmptyRgn(dst);
    return;
  }
  port->rgnSave = nullptr;
  ShowPen();
  if (dst) Store(save->edges.Fill(), dst);
  delete save;
}

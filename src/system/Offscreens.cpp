#include "system/Offscreens.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "layout/Zoom.h"
#include "platform/ImageImport.h"
#include "platform/Memory.h"
#include "system/PngCodec.h"

namespace {

// The pixels of a 32-bit offscreen.
struct Pix {
  uint8_t* base;
  int32_t rowBytes;
  int32_t width;
  int32_t height;
};

bool Pixels32(Offscreen off, Pix& p) {
  Rect b;
  int32_t rb = 0;
  int16_t depth = 0;
  Ptr base = RozoGetInfoOffscreen(off, &b, &rb, &depth);
  if (!base || depth != 32) return false;
  p = Pix{reinterpret_cast<uint8_t*>(base), rb, int32_t(b.right) - b.left, int32_t(b.bottom) - b.top};
  return p.width > 0 && p.height > 0;
}

template <typename F>
void ForEachPixel(Offscreen off, F f) {
  Pix p;
  if (!Pixels32(off, p)) return;
  for (int32_t y = 0; y < p.height; ++y) {
    uint8_t* px = p.base + size_t(y) * size_t(p.rowBytes);
    for (int32_t x = 0; x < p.width; ++x, px += 4) f(px);
  }
}

// Widest strip a picture's direct-bits record takes (row bytes fit 14 bits).
constexpr int32_t kStripWidth = 2048;

// Hands the pixels to a port that records a picture, as direct bits with
// alpha, which the picture's player composites. The pen is hidden meanwhile,
// so that a port with pixels of its own does not get them copied raw.
void RecordAlphaBits(const BitMap* bits, const Rect& src, const Rect& dst) {
  CGrafPtr port = CarboniseGetCurrentPort();
  if (!port || !IsPortPictureBeingDefined(port)) return;
  int32_t sw = int32_t(src.right) - src.left, sh = int32_t(src.bottom) - src.top;
  int32_t dw = int32_t(dst.right) - dst.left;
  if (sw <= 0 || sh <= 0) return;
  HidePen();
  for (int32_t x = 0; x < sw; x += kStripWidth) {
    int32_t x1 = std::min(sw, x + kStripWidth);
    Rect s = src, d = dst;
    s.left = int16_t(src.left + x);
    s.right = int16_t(src.left + x1);
    d.left = int16_t(dst.left + int64_t(x) * dw / sw);
    d.right = int16_t(dst.left + int64_t(x1) * dw / sw);
    if (d.right > d.left) CopyBits(bits, GetPortBitMapForCopyBits(port), &s, &d, srcCopy, nullptr);
  }
  ShowPen();
}

// Composites 32-bit pixels over the current port's pixels (or its cairo
// context) into dst, clipped to the port's clip.
void CompositeOverPort(const Pix& p, const Rect& dst) {
  CGrafPtr port = CarboniseGetCurrentPort();
  int32_t dw = int32_t(dst.right) - dst.left, dh = int32_t(dst.bottom) - dst.top;
  if (!port || dw <= 0 || dh <= 0) return;
  cairo_t* cr = QDBeginCairo(port, &dst);
  if (!cr) return;
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, p.width, p.height);
  if (cairo_surface_status(img) == CAIRO_STATUS_SUCCESS) {
    cairo_surface_flush(img);
    uint8_t* data = cairo_image_surface_get_data(img);
    int stride = cairo_image_surface_get_stride(img);
    for (int32_t y = 0; y < p.height; ++y) {
      const uint8_t* s = p.base + size_t(y) * size_t(p.rowBytes);
      uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
      for (int32_t x = 0; x < p.width; ++x, s += 4) {
        uint32_t a = s[0];
        if (a == 0) {
          row[x] = 0;
        } else if (a == 255) {
          row[x] = 0xFF000000u | (uint32_t(s[1]) << 16) | (uint32_t(s[2]) << 8) | s[3];
        } else {
          row[x] = (a << 24) | ((s[1] * a / 255) << 16) | ((s[2] * a / 255) << 8) | (s[3] * a / 255);
        }
      }
    }
    cairo_surface_mark_dirty(img);
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dst.left, dst.top);
    cairo_scale(cr, double(dw) / p.width, double(dh) / p.height);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    if (dw == p.width && dh == p.height) cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  cairo_surface_destroy(img);
  QDEndCairo(port, cr);
}

// Bounds of the rectangle (0, 0, w, h) turned about its centre, each bound
// rounded to the nearest integer; the size of the result.
void RotatedSize(int32_t w, int32_t h, double angle, int32_t* outW, int32_t* outH) {
  double a = angle * 0.017453292222222222;
  double c = std::cos(a), s = std::sin(a);
  double cx = w * 0.5, cy = h * 0.5;
  const double xs[4] = {0, double(w), 0, double(w)}, ys[4] = {0, 0, double(h), double(h)};
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int k = 0; k < 4; ++k) {
    double dx = xs[k] - cx, dy = ys[k] - cy;
    double x = cx + dx * c - dy * s, y = cy + dx * s + dy * c;
    if (k == 0 || x < minX) minX = x;
    if (k == 0 || x > maxX) maxX = x;
    if (k == 0 || y < minY) minY = y;
    if (k == 0 || y > maxY) maxY = y;
  }
  // Rounded, not truncated toward zero: negative bounds would otherwise lose
  // a pixel and a quarter turn would not give the swapped size.
  *outW = int32_t(std::floor(maxX + 0.5) - std::floor(minX + 0.5));
  *outH = int32_t(std::floor(maxY + 0.5) - std::floor(minY + 0.5));
}

}  // namespace

Offscreen OffscreenCreate(const Rect* r) {
  if (!r) return nullptr;
  return RozoCreatePortOffscreen(r->right, r->bottom, 32);
}

Offscreen CreeOffscreen(int16_t width, int16_t height, int16_t depth) {
  if (depth == 24 || depth < 0) depth = 32;
  return RozoCreatePortOffscreen(width, height, depth);
}

Offscreen OffscreenDuplicate(Offscreen off) {
  Rect b;
  int16_t depth = 0;
  if (!RozoGetInfoOffscreen(off, &b, nullptr, &depth)) return nullptr;
  Offscreen dup = RozoCreatePortOffscreen(b.right, b.bottom, depth);
  if (!dup) return nullptr;
  if (depth == 32) {
    OffscreenCopy(off, dup, 0, 0, 0, 0);
  } else {
    int32_t rbS = 0, rbD = 0;
    Ptr s = RozoGetInfoOffscreen(off, nullptr, &rbS, nullptr);
    Ptr d = RozoGetInfoOffscreen(dup, nullptr, &rbD, nullptr);
    for (int32_t y = 0; y < b.bottom; ++y)
      std::memcpy(d + size_t(y) * size_t(rbD), s + size_t(y) * size_t(rbS), size_t(std::min(rbS, rbD)));
  }
  return dup;
}

void OffscreenGetInfo(Offscreen off, Rect* bounds, Ptr* redAddr, int32_t* rowBytes, int32_t* step, Ptr* base,
                      int32_t* rowBytes2, int32_t* step2) {
  Rect b{0, 0, 0, 0};
  int32_t rb = 0;
  Ptr p = RozoGetInfoOffscreen(off, &b, &rb, nullptr);
  if (bounds) *bounds = b;
  if (redAddr) *redAddr = p ? p + 1 : nullptr;
  if (rowBytes) *rowBytes = rb;
  if (step) *step = 4;
  if (base) *base = p;
  if (rowBytes2) *rowBytes2 = rb;
  if (step2) *step2 = 4;
}

void OffscreenSetPixel(Offscreen off, int16_t x, int16_t y, int16_t red, int16_t green, int16_t blue, int16_t alpha) {
  Pix p;
  if (!Pixels32(off, p) || x < 0 || y < 0 || x >= p.width || y >= p.height) return;
  uint8_t* px = p.base + size_t(y) * size_t(p.rowBytes) + size_t(x) * 4;
  if (alpha >= 0) px[0] = uint8_t(alpha);
  px[1] = uint8_t(red);
  px[2] = uint8_t(green);
  px[3] = uint8_t(blue);
}

void OffscreenCreateAlpha(Offscreen) {}

void OffscreenCreateOpacityFromColor(Offscreen off, const char* colour) {
  uint32_t key = colour ? uint32_t(std::strtoul(colour, nullptr, 16)) : 0;
  uint8_t r = uint8_t(key >> 16), g = uint8_t(key >> 8), b = uint8_t(key);
  ForEachPixel(off, [&](uint8_t* px) { px[0] = (px[1] == r && px[2] == g && px[3] == b) ? 0 : 255; });
}

void OffscreenCreateOpacityFromLuminance(Offscreen off) {
  ForEachPixel(off, [](uint8_t* px) {
    int32_t sum = px[1] + px[2] + px[3];
    px[0] = uint8_t(sum / 3);
  });
}

void OffscreenInvertOpacity(Offscreen off) {
  ForEachPixel(off, [](uint8_t* px) { px[0] = uint8_t(255 - px[0]); });
}

void OffscreenFadeOpacity(Offscreen off, float percent) {
  float f = percent * 0.01f;
  ForEachPixel(off, [f](uint8_t* px) {
    float a = float(px[0]) * f;
    if (!(a > 0.0f)) a = 0.0f;  // also a NaN factor
    px[0] = uint8_t(std::min(a, 255.0f));
  });
}

void OffscreenBCS(Offscreen off, float brightness, float contrast, float saturation) {
  const float c = (contrast + 100.0f) * 0.01f, s = (saturation + 100.0f) * 0.01f;
  ForEachPixel(off, [&](uint8_t* px) {
    float t[3], u[3];
    for (int k = 0; k < 3; ++k) t[k] = (float(px[k + 1]) + brightness - 128.0f) * c + 128.0f;
    float l1 = (std::min({t[0], t[1], t[2]}) + std::max({t[0], t[1], t[2]})) / 2.0f;
    for (int k = 0; k < 3; ++k) u[k] = (t[k] - l1) * s + l1;
    float l2 = (std::min({u[0], u[1], u[2]}) + std::max({u[0], u[1], u[2]})) / 2.0f;
    for (int k = 0; k < 3; ++k) {
      // A black pixel has both lightnesses 0: it keeps u rather than 0 / 0.
      float w = l2 != 0.0f ? u[k] * l1 / l2 : u[k];
      if (!(w >= 0.0f)) w = 0.0f;
      if (w > 255.0f) w = 255.0f;
      px[k + 1] = uint8_t(int32_t(w + 0.5f) > 255 ? 255 : int32_t(w + 0.5f));
    }
  });
}

void OffscreenPaintRect(Offscreen off, const Rect* r, int16_t red, int16_t green, int16_t blue, int16_t percent,
                        int16_t mode) {
  Pix p;
  if (!r || !Pixels32(off, p)) return;
  int32_t a = int32_t(percent) * 255 / 100;
  a = std::clamp(a, 0, 255);
  int32_t top = std::max<int32_t>(r->top, 0), left = std::max<int32_t>(r->left, 0);
  int32_t bottom = std::min<int32_t>(r->bottom, p.height), right = std::min<int32_t>(r->right, p.width);
  const int32_t col[3] = {uint8_t(red), uint8_t(green), uint8_t(blue)};
  for (int32_t y = top; y < bottom; ++y) {
    uint8_t* px = p.base + size_t(y) * size_t(p.rowBytes) + size_t(left) * 4;
    for (int32_t x = left; x < right; ++x, px += 4) {
      if (a == 255 && mode == 0) {
        for (int k = 0; k < 3; ++k) px[k + 1] = uint8_t(col[k]);
      } else if (mode == 2) {
        px[0] = uint8_t(a);
        for (int k = 0; k < 3; ++k) px[k + 1] = uint8_t(col[k]);
      } else {
        for (int k = 0; k < 3; ++k) px[k + 1] = uint8_t((px[k + 1] * (255 - a) + col[k] * a) / 255);
        if (mode == 1) px[0] = uint8_t(px[0] + a - px[0] * a / 255);
      }
    }
  }
}

void OffscreenCopy(Offscreen src, Offscreen dst, uint8_t fillRed, uint8_t fillBlue, uint8_t fillGreen,
                   uint8_t fillAlpha) {
  Pix s, d;
  if (!Pixels32(src, s) || !Pixels32(dst, d)) return;
  if (s.width == d.width && s.height == d.height && s.rowBytes == d.rowBytes) {
    std::memcpy(d.base, s.base, size_t(s.rowBytes) * size_t(s.height));
    return;
  }
  int32_t ox = (s.width - d.width) / 2, oy = (s.height - d.height) / 2;
  for (int32_t y = 0; y < d.height; ++y) {
    uint8_t* px = d.base + size_t(y) * size_t(d.rowBytes);
    int32_t sy = y + oy;
    for (int32_t x = 0; x < d.width; ++x, px += 4) {
      int32_t sx = x + ox;
      if (sy >= 0 && sy < s.height && sx >= 0 && sx < s.width) {
        std::memcpy(px, s.base + size_t(sy) * size_t(s.rowBytes) + size_t(sx) * 4, 4);
      } else {
        px[0] = fillAlpha;
        px[1] = fillRed;
        px[2] = fillGreen;
        px[3] = fillBlue;
      }
    }
  }
}

void OffscreenCopyBits(Offscreen off, const Rect* srcRect, const Rect* dstRect, bool useAlpha) {
  if (!off || !dstRect) return;
  CGrafPtr port = CarboniseGetCurrentPort();
  const BitMap* bits = GetPortBitMapForCopyBits(off);
  if (!useAlpha) {
    if (srcRect)
      CopyBits(bits, GetPortBitMapForCopyBits(port), srcRect, dstRect, int16_t(ditherCopy + transparent), nullptr);
    return;
  }
  Pix p;
  if (!Pixels32(off, p)) return;
  Rect all{0, 0, int16_t(p.height), int16_t(p.width)};
  RecordAlphaBits(bits, all, *dstRect);
  CompositeOverPort(p, *dstRect);
}

uint32_t GetAAPixel(const AAPixelSource& src, uint32_t background, double x, double y) {
  if (!(std::isfinite(x) && std::isfinite(y)) || std::fabs(x) > 1e9 || std::fabs(y) > 1e9) return background;
  const double fx0 = std::floor(x), fy0 = std::floor(y);
  const int32_t x0 = int32_t(fx0), y0 = int32_t(fy0);
  const uint32_t fx = uint32_t((x - fx0) * 256.0), fy = uint32_t((y - fy0) * 256.0);
  auto pixel = [&](int32_t cx, int32_t cy) -> uint32_t {
    if (cx < 0 || cy < 0 || cx >= src.width || cy >= src.height) return background;
    const uint8_t* p = src.base + size_t(cy) * size_t(src.rowBytes) + size_t(cx) * 4;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  };
  auto mix = [](uint32_t p0, uint32_t p1, uint32_t f) -> uint32_t {
    uint32_t w0 = (255 - f) * (p0 >> 24), w1 = f * (p1 >> 24), sum = w0 + w1;
    if (sum == 0) return 0;
    uint32_t out = (sum >> 8) << 24;
    for (int shift = 16; shift >= 0; shift -= 8) {
      uint32_t c = (((p0 >> shift) & 0xFF) * w0 + ((p1 >> shift) & 0xFF) * w1) / sum;
      out |= c << shift;
    }
    return out;
  };
  auto column = [&](int32_t cx) -> uint32_t {
    if (cx < 0 || cx >= src.width) return background;
    return mix(pixel(cx, y0), pixel(cx, y0 + 1), fy);
  };
  uint32_t a = column(x0);
  if (fx == 0) return a;
  return mix(a, column(x0 + 1), fx);
}

void OffscreenGetRotatedBoundRect(const Rect* r, float angle, Rect* out) {
  if (!r || !out) return;
  int32_t w = 0, h = 0;
  RotatedSize(r->right, r->bottom, angle, &w, &h);
  out->top = 0;
  out->left = 0;
  out->bottom = int16_t(std::clamp(h, 0, 32767));
  out->right = int16_t(std::clamp(w, 0, 32767));
}

Offscreen OffscreenRotate(Offscreen off, float angle, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  Pix s;
  if (!Pixels32(off, s)) return nullptr;
  int32_t W = 0, H = 0;
  RotatedSize(s.width, s.height, -double(angle), &W, &H);
  if (W <= 0 || H <= 0 || W > kQDMaxPixelSide || H > kQDMaxPixelSide) return nullptr;
  Offscreen dst = RozoCreatePortOffscreen(int16_t(W), int16_t(H), 32);
  Pix d;
  if (!Pixels32(dst, d)) {
    RozoClosePortOffscreen(dst);
    return nullptr;
  }
  const uint32_t bg = (uint32_t(alpha) << 24) | (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
  double a = double(angle) * 0.017453292222222222;
  double ca = std::cos(a), sa = std::sin(a);
  // Quarter and half turns copy pixels: exact steps keep them exact.
  const bool exact = angle == 90.0f || angle == -90.0f || angle == 180.0f;
  if (angle == 90.0f) ca = 0, sa = 1;
  if (angle == -90.0f) ca = 0, sa = -1;
  if (angle == 180.0f) ca = -1, sa = 0;
  const double cxs = (s.width - 1) / 2.0, cys = (s.height - 1) / 2.0;
  const double cxd = (W - 1) / 2.0, cyd = (H - 1) / 2.0;
  AAPixelSource src{s.base, s.rowBytes, s.width, s.height};
  for (int32_t j = 0; j < H; ++j) {
    uint8_t* px = d.base + size_t(j) * size_t(d.rowBytes);
    const double dj = j - cyd;
    const double u0 = cxs + dj * sa, v0 = cys + dj * ca;
    for (int32_t i = 0; i < W; ++i, px += 4) {
      const double di = i - cxd;
      const double u = u0 + di * ca, v = v0 - di * sa;
      uint32_t v32;
      if (exact) {
        int32_t ui = int32_t(u), vi = int32_t(v);
        if (u > -1.0 && v > -1.0 && ui >= 0 && vi >= 0 && ui < s.width && vi < s.height) {
          std::memcpy(px, s.base + size_t(vi) * size_t(s.rowBytes) + size_t(ui) * 4, 4);
          continue;
        }
        v32 = bg;
      } else {
        v32 = GetAAPixel(src, bg, u, v);
      }
      px[0] = uint8_t(v32 >> 24);
      px[1] = uint8_t(v32 >> 16);
      px[2] = uint8_t(v32 >> 8);
      px[3] = uint8_t(v32);
    }
  }
  return dst;
}

Offscreen SystemDependantConvertImageToOffscreen(Handle data) {
  if (!data || !*data) return nullptr;
  int32_t w = 0, h = 0;
  Ptr pixels = QDImportImageARGB(reinterpret_cast<const uint8_t*>(*data), size_t(GetHandleSize(data)), &w, &h);
  if (!pixels) return nullptr;
  Offscreen off =
      (w <= kQDMaxPixelSide && h <= kQDMaxPixelSide) ? RozoCreatePortOffscreen(int16_t(w), int16_t(h), 32) : nullptr;
  Pix p;
  if (off && Pixels32(off, p)) {
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(p.base + size_t(y) * size_t(p.rowBytes), pixels + size_t(y) * size_t(w) * 4, size_t(w) * 4);
  } else if (off) {
    RozoClosePortOffscreen(off);
    off = nullptr;
  }
  DisposePtr(pixels);
  return off;
}

Offscreen ConvertDataToOffscreen(int16_t type, Handle data, int32_t, int16_t angle) {
  Offscreen off = nullptr;
  if (type == kTypeImagePNG) off = ConvertPNGToOffscreen(data);
  if (!off) off = SystemDependantConvertImageToOffscreen(data);
  if (off && angle != 0) {
    Offscreen turned = OffscreenRotate(off, -float(angle), 0, 0, 0, 0);
    RozoClosePortOffscreen(off);
    off = turned;
  }
  return off;
}

bool QuartzDrawImage(Handle data, const Rect* r) {
  if (!r) return false;
  Offscreen off = SystemDependantConvertImageToOffscreen(data);
  if (!off) return false;
  OffscreenCopyBits(off, nullptr, r, true);
  RozoClosePortOffscreen(off);
  return true;
}

void DrawOffscreenImage(Offscreen off, const Rect* r, bool blend) {
  if (!r) return;
  ForeColor(blackColor);
  BackColor(whiteColor);
  if (!off) {
    FrameRect(r);
    MoveTo(r->left, r->top);
    LineTo(int16_t(r->right - 1), int16_t(r->bottom - 1));
    MoveTo(int16_t(r->right - 1), r->top);
    LineTo(r->left, int16_t(r->bottom - 1));
    return;
  }
  Rect all;
  GetAireImage(off, &all);
  // Blended images go to a recorded picture as well, with their alpha.
  if (blend) {
    OffscreenCopyBits(off, &all, r, true);
  } else {
    CopyBits(GetPortBitMapForCopyBits(off), GetPortBitMapForCopyBits(CarboniseGetCurrentPort()), &all, r,
             int16_t(ditherCopy + transparent), nullptr);
  }
}

void FillWithPattern(Offscreen off, const Rect* r) {
  if (!r) return;
  ForeColor(blackColor);
  BackColor(whiteColor);
  RgnHandle saved = AddRectAuClip(r);
  Rect b;
  if (off && RozoGetInfoOffscreen(off, &b, nullptr, nullptr)) {
    const int32_t tw = Zoom(b.right), th = Zoom(b.bottom);
    CGrafPtr port = CarboniseGetCurrentPort();
    Rect clip, area;
    CarboniseGetPortClipRect(port, &clip);
    if (tw > 0 && th > 0 && SectRect(&clip, r, &area)) {
      const BitMap* src = GetPortBitMapForCopyBits(off);
      const BitMap* dst = GetPortBitMapForCopyBits(port);
      // Tiles that lie wholly outside the clip are skipped, not copied.
      int32_t y = r->top + std::max<int32_t>(0, (area.top - r->top) / th) * th;
      for (; y < area.bottom; y += th) {
        int32_t x = r->left + std::max<int32_t>(0, (area.left - r->left) / tw) * tw;
        for (; x < area.right; x += tw) {
          Rect tile{int16_t(y), int16_t(x), int16_t(std::min(y + th, 32767)), int16_t(std::min(x + tw, 32767))};
          CopyBits(src, dst, &b, &tile, int16_t(ditherCopy + transparent), nullptr);
        }
      }
    }
  }
  RestaureClip(saved);
}

void GetAireImage(Offscreen off, Rect* r) {
  if (!r) return;
  *r = Rect{0, 0, 0, 0};
  if (off) RozoGetInfoOffscreen(off, r, nullptr, nullptr);
}

void DisposeImage(Offscreen* image) {
  if (!image) return;
  if (*image) RozoClosePortOffscreen(*image);
  *image = nullptr;
}

bool CvtOffscreenToPngFile(Offscreen off, FILE* file, const char* comment, const char* title, const char* author,
                           const char* description) {
  if (!file) return false;
  Handle png = CvtOffscreenToPngHandle(off, 0, 0, comment, title, author, description);
  if (!png) return false;
  size_t n = size_t(GetHandleSize(png));
  size_t written = std::fwrite(*png, 1, n, file);
  DisposeHandle(png);
  return written == n;
}

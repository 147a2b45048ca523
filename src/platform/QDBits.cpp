// Pixel copies between pixel maps, cairo access to a port's pixels, PNG
// output for tools and tests, and PackBits.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/QDInternal.h"

using namespace qd;

namespace {

bool Inside(const PixMap& pm, int32_t x, int32_t y) {
  return x >= pm.bounds.left && x < pm.bounds.right && y >= pm.bounds.top && y < pm.bounds.bottom;
}

// One span of a row in a transfer mode, between 32-bit pixels (A, R, G, B
// bytes); `cols` maps each destination pixel to its source pixel when the
// copy scales (null: side by side). Walked backwards when the span overlaps
// its own source to the left.
void CopySpan32(const uint8_t* s, uint8_t* d, int32_t n, const int32_t* cols, int32_t m, const uint8_t back[3],
                bool backwards) {
  if (!cols && m != srcOr && m != srcXor && m != srcBic && m != transparent) {
    std::memmove(d, s, size_t(n) * 4);
    return;
  }
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = backwards ? n - 1 - k : k;
    const uint8_t* p = s + size_t(cols ? cols[i] : i) * 4;
    uint8_t* q = d + size_t(i) * 4;
    switch (m) {
      case srcOr:
        // Direct pixels: dark source pixels darken the destination.
        q[0] |= p[0], q[1] &= p[1], q[2] &= p[2], q[3] &= p[3];
        break;
      case srcXor: q[1] ^= uint8_t(~p[1]), q[2] ^= uint8_t(~p[2]), q[3] ^= uint8_t(~p[3]); break;
      case srcBic: q[1] |= uint8_t(~p[1]), q[2] |= uint8_t(~p[2]), q[3] |= uint8_t(~p[3]); break;
      case transparent:
        if (p[1] != back[0] || p[2] != back[1] || p[3] != back[2]) std::memcpy(q, p, 4);
        break;
      default: std::memcpy(q, p, 4); break;
    }
  }
}

// The same for pixel maps of other depths, pixel by pixel.
void CopySpanAny(const PixMap& src, const PixMap& dst, int32_t y, int32_t sy, int32_t x0, int32_t x1, int32_t sx0,
                 const int32_t* cols, int32_t m, uint32_t back, bool backwards) {
  for (int32_t k = 0; k < x1 - x0; ++k) {
    const int32_t i = backwards ? x1 - x0 - 1 - k : k, x = x0 + i;
    uint32_t s = ReadPixel(src, cols ? cols[i] : sx0 + i, sy);
    if (src.pixelSize != 32) s |= 0xFF000000u;
    switch (m) {
      case srcOr: {
        uint32_t d = ReadPixel(dst, x, y);
        WritePixel(dst, x, y, (d & s & 0x00FFFFFFu) | ((d | s) & 0xFF000000u));
        break;
      }
      case srcXor: WritePixel(dst, x, y, ReadPixel(dst, x, y) ^ (~s & 0x00FFFFFFu)); break;
      case srcBic: WritePixel(dst, x, y, ReadPixel(dst, x, y) | (~s & 0x00FFFFFFu)); break;
      case transparent:
        if ((s & 0x00FFFFFFu) != back) WritePixel(dst, x, y, s);
        break;
      default: WritePixel(dst, x, y, s); break;
    }
  }
}

// Copies src onto the pixels of dst over the region area (already limited to
// dstRect and to whatever clips the copy). Nearest-pixel scaling. Rows of
// 32-bit pixels go span by span; a copy within one buffer runs in the order
// that reads every source pixel before it is overwritten, and only a scaled
// one reads from a copy (of its source rows).
void RasterCopy(const PixMap& srcIn, const Rect& sr, const PixMap& dst, const Rect& dr, int16_t mode,
                const RgnData& area, uint32_t backColor) {
  const int32_t sw = int32_t(sr.right) - sr.left, sh = int32_t(sr.bottom) - sr.top;
  const int32_t dw = int32_t(dr.right) - dr.left, dh = int32_t(dr.bottom) - dr.top;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || area.Empty() || !srcIn.baseAddr || !dst.baseAddr) return;
  const int32_t m = mode & ~int32_t(ditherCopy);
  const bool scaled = sw != dw || sh != dh;
  PixMap src = srcIn;
  bool rowsUp = false, colsBack = false;
  std::vector<char> rows;
  if (src.baseAddr == dst.baseAddr) {
    if (!scaled) {
      rowsUp = dr.top > sr.top;
      colsBack = dr.top == sr.top && dr.left > sr.left;
    } else {
      const int32_t top = std::max<int32_t>(sr.top, src.bounds.top),
                    bottom = std::min<int32_t>(sr.bottom, src.bounds.bottom);
      if (top >= bottom) return;
      const char* from = src.baseAddr + size_t(top - src.bounds.top) * size_t(src.rowBytes);
      rows.assign(from, from + size_t(bottom - top) * size_t(src.rowBytes));
      src.baseAddr = rows.data();
      src.bounds.top = int16_t(top);
      src.bounds.bottom = int16_t(bottom);
    }
  }
  // Source column of every destination column, and the destination columns
  // whose source lies inside the source's pixels.
  std::vector<int32_t> colX, colRel;
  int32_t okLo = dr.left, okHi = dr.right;
  if (scaled) {
    colX.resize(size_t(dw));
    for (int32_t i = 0; i < dw; ++i) colX[size_t(i)] = sr.left + int32_t((int64_t(2 * i + 1) * sw) / (2 * int64_t(dw)));
    while (okLo < okHi && colX[size_t(okLo - dr.left)] < src.bounds.left) ++okLo;
    while (okHi > okLo && colX[size_t(okHi - 1 - dr.left)] >= src.bounds.right) --okHi;
    // The same from the start of a source row, for 32-bit rows.
    colRel.resize(size_t(dw));
    for (int32_t i = 0; i < dw; ++i) colRel[size_t(i)] = colX[size_t(i)] - src.bounds.left;
  } else {
    okLo = std::max<int32_t>(okLo, src.bounds.left - sr.left + dr.left);
    okHi = std::min<int32_t>(okHi, src.bounds.right - sr.left + dr.left);
  }
  const bool direct = src.pixelSize == 32 && dst.pixelSize == 32;
  const uint32_t back = backColor & 0x00FFFFFFu;
  const uint8_t backBytes[3] = {uint8_t(back >> 16), uint8_t(back >> 8), uint8_t(back)};
  std::vector<size_t> bands;
  bands.reserve(size_t(area.bands));
  for (size_t pos = 0; bands.size() < size_t(area.bands); pos += 3 + size_t(area.d[pos + 2])) bands.push_back(pos);
  for (size_t bi = 0; bi < bands.size(); ++bi) {
    const size_t pos = bands[rowsUp ? bands.size() - 1 - bi : bi];
    const int32_t n = area.d[pos + 2], top = area.d[pos], bottom = area.d[pos + 1];
    for (int32_t yi = top; yi < bottom; ++yi) {
      const int32_t y = rowsUp ? top + bottom - 1 - yi : yi;
      const int32_t sy =
          scaled ? sr.top + int32_t((int64_t(2 * (y - dr.top) + 1) * sh) / (2 * int64_t(dh))) : y - dr.top + sr.top;
      if (sy < src.bounds.top || sy >= src.bounds.bottom) continue;
      for (int32_t k = 0; k + 1 < n; k += 2) {
        const int32_t x0 = std::max(area.d[pos + 3 + size_t(k)], okLo),
                      x1 = std::min(area.d[pos + 4 + size_t(k)], okHi);
        if (x0 >= x1) continue;
        const int32_t* cols = scaled ? &colX[size_t(x0 - dr.left)] : nullptr;
        const int32_t sx0 = x0 - dr.left + sr.left;
        if (!direct) {
          CopySpanAny(src, dst, y, sy, x0, x1, sx0, cols, m, back, colsBack);
          continue;
        }
        const uint8_t* srow =
            reinterpret_cast<const uint8_t*>(src.baseAddr) + size_t(sy - src.bounds.top) * size_t(src.rowBytes);
        uint8_t* drow = reinterpret_cast<uint8_t*>(dst.baseAddr) + size_t(y - dst.bounds.top) * size_t(dst.rowBytes);
        if (scaled) {
          CopySpan32(srow, drow + size_t(x0 - dst.bounds.left) * 4, x1 - x0, &colRel[size_t(x0 - dr.left)], m,
                     backBytes, false);
        } else {
          CopySpan32(srow + size_t(sx0 - src.bounds.left) * 4, drow + size_t(x0 - dst.bounds.left) * 4, x1 - x0,
                     nullptr, m, backBytes, colsBack);
        }
      }
    }
  }
}

// Unpremultiplied A, R, G, B of any pixel map as a premultiplied cairo pixel.
uint32_t Premultiply(uint32_t argb) {
  uint32_t a = argb >> 24;
  if (a == 255) return argb;
  if (a == 0) return 0;
  uint32_t r = ((argb >> 16) & 0xFF) * a / 255, g = ((argb >> 8) & 0xFF) * a / 255, b = (argb & 0xFF) * a / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t Unpremultiply(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255 || a == 0) return a == 0 ? 0 : p;
  uint32_t r = std::min<uint32_t>(255, (((p >> 16) & 0xFF) * 255 + a / 2) / a);
  uint32_t g = std::min<uint32_t>(255, (((p >> 8) & 0xFF) * 255 + a / 2) / a);
  uint32_t b = std::min<uint32_t>(255, ((p & 0xFF) * 255 + a / 2) / a);
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// A premultiplied image surface of part of a pixel map (local coordinates).
cairo_surface_t* SurfaceOf(const PixMap& pm, const Rect& part, bool opaque) {
  int32_t w = int32_t(part.right) - part.left, h = int32_t(part.bottom) - part.top;
  if (w <= 0 || h <= 0 || !pm.baseAddr) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  uint8_t* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    if (pm.pixelSize == 32) {
      // The common case, read straight from the row: A, R, G, B bytes. The
      // row is taken as it is first (a loop the compiler vectorises), and
      // only when some pixel is not opaque looked at again.
      const uint8_t* p = reinterpret_cast<const uint8_t*>(pm.baseAddr) +
                         size_t(part.top + y - pm.bounds.top) * size_t(pm.rowBytes) +
                         size_t(part.left - pm.bounds.left) * 4;
      const uint32_t force = opaque ? 0xFF000000u : 0;
      uint32_t alphas = 0xFF000000u;
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t* q = p + size_t(x) * 4;
        const uint32_t v = ((uint32_t(q[0]) << 24) | (uint32_t(q[1]) << 16) | (uint32_t(q[2]) << 8) | q[3]) | force;
        row[x] = v;
        alphas &= v;
      }
      if (alphas < 0xFF000000u) {
        for (int32_t x = 0; x < w; ++x) {
          const uint32_t a = row[x] >> 24;
          if (a != 255) row[x] = a == 0 ? 0 : Premultiply(row[x]);
        }
      }
      continue;
    }
    for (int32_t x = 0; x < w; ++x) {
      uint32_t v = ReadPixel(pm, part.left + x, part.top + y);
      if (opaque || pm.pixelSize != 32) v |= 0xFF000000u;
      row[x] = Premultiply(v);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

struct CairoSession {
  cairo_t* cr;
  cairo_surface_t* surface;
  Rect area;
  std::vector<uint32_t> before;
};
std::vector<CairoSession> gSessions;

void ClipTo(cairo_t* cr, const RgnData& area) {
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

void CairoBits(CGrafPtr port, const BitMap* srcBits, const Rect& sr, const Rect& dr, int16_t mode,
               const RgnData& area) {
  Rect part;
  if (!SectRect(&sr, &srcBits->bounds, &part)) return;
  cairo_surface_t* img = SurfaceOf(*srcBits, part, false);
  if (!img) return;
  int32_t m = mode & ~int32_t(ditherCopy);
  if (m == transparent) {
    // Pixels of the background colour are holes.
    uint32_t back = ToARGB(port->rgbBkColor);
    uint8_t* data = cairo_image_surface_get_data(img);
    int stride = cairo_image_surface_get_stride(img);
    for (int y = 0; y < cairo_image_surface_get_height(img); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
      for (int x = 0; x < cairo_image_surface_get_width(img); ++x)
        if ((row[x] | 0xFF000000u) == back && (row[x] >> 24) == 0xFF) row[x] = 0;
    }
    cairo_surface_mark_dirty(img);
  }
  if (m == srcXor || m == srcBic) {
    // Both act on the complement of the source: XOR inverts under black and
    // keeps under white, which is the difference from the complement; Bic
    // whitens under black, which is the complement screened over.
    uint8_t* data = cairo_image_surface_get_data(img);
    int stride = cairo_image_surface_get_stride(img);
    for (int y = 0; y < cairo_image_surface_get_height(img); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
      for (int x = 0; x < cairo_image_surface_get_width(img); ++x) {
        const uint32_t p = row[x], a = p >> 24;
        row[x] = (a << 24) | ((a - ((p >> 16) & 0xFF)) << 16) | ((a - ((p >> 8) & 0xFF)) << 8) | (a - (p & 0xFF));
      }
    }
    cairo_surface_mark_dirty(img);
  }
  cairo_t* cr = port->cairo;
  cairo_save(cr);
  ClipTo(cr, area);
  double sx = double(int32_t(dr.right) - dr.left) / (int32_t(sr.right) - sr.left);
  double sy = double(int32_t(dr.bottom) - dr.top) / (int32_t(sr.bottom) - sr.top);
  cairo_translate(cr, dr.left + (part.left - sr.left) * sx, dr.top + (part.top - sr.top) * sy);
  cairo_scale(cr, sx, sy);
  cairo_set_source_surface(cr, img, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  if (m == srcOr) cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
  if (m == srcXor) cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
  if (m == srcBic) cairo_set_operator(cr, CAIRO_OPERATOR_SCREEN);
  cairo_rectangle(cr, 0, 0, int32_t(part.right) - part.left, int32_t(part.bottom) - part.top);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_surface_destroy(img);
}

}  // namespace

void StdBits(const BitMap* srcBits, const Rect* srcRect, const Rect* dstRect, int16_t mode, RgnHandle maskRgn) {
  if (!srcBits || !srcRect || !dstRect) return;
  CGrafPtr port = ThePort();
  if (port->picSave && gQDPictureRecorder && gQDPictureRecorder->bitsProc)
    gQDPictureRecorder->bitsProc(srcBits, srcRect, dstRect, mode, maskRgn);
  if (port->pnVis < 0 || port->kind == kQDPortHidden) return;
  RgnData area =
      Combine(DrawableArea(port), RectData(dstRect->left, dstRect->top, dstRect->right, dstRect->bottom), RgnOp::Sect);
  if (maskRgn) area = Combine(area, Load(maskRgn), RgnOp::Sect);
  if (area.Empty()) return;
  if (port->kind == kQDPortCairo) {
    if (port->cairo) CairoBits(port, srcBits, *srcRect, *dstRect, mode, area);
    return;
  }
  if (!PortPixels(port)) return;
  RasterCopy(*srcBits, *srcRect, port->pixMap, *dstRect, mode, area, ToARGB(port->rgbBkColor));
}

void CopyBits(const BitMap* srcBits, const BitMap* dstBits, const Rect* srcRect, const Rect* dstRect, int16_t mode,
              RgnHandle maskRgn) {
  if (!srcBits || !dstBits || !srcRect || !dstRect) return;
  CGrafPtr port = ThePort();
  if (dstBits == &port->pixMap) {
    QDGetProcs(port)->bitsProc(srcBits, srcRect, dstRect, mode, maskRgn);
    return;
  }
  // Into a pixel map that is not the current port's: no clip but the mask.
  RgnData area =
      Combine(RectData(dstBits->bounds.left, dstBits->bounds.top, dstBits->bounds.right, dstBits->bounds.bottom),
              RectData(dstRect->left, dstRect->top, dstRect->right, dstRect->bottom), RgnOp::Sect);
  if (maskRgn) area = Combine(area, Load(maskRgn), RgnOp::Sect);
  RasterCopy(*srcBits, *srcRect, *dstBits, *dstRect, mode, area, ToARGB(port->rgbBkColor));
}

// ---------------------------------------------------------------------------
// Raster output and cairo access

uint32_t QDGetPixel(CGrafPtr port, int16_t h, int16_t v) {
  if (!port || !PortPixels(port) || !Inside(port->pixMap, h, v)) return 0;
  return ReadPixel(port->pixMap, h, v);
}

cairo_surface_t* QDCopyPortToCairoSurface(CGrafPtr port) {
  if (!port || !PortPixels(port)) return nullptr;
  return SurfaceOf(port->pixMap, port->pixMap.bounds, false);
}

Boolean QDWritePortPNG(CGrafPtr port, const char* path) {
  if (!path) return false;
  cairo_surface_t* s = QDCopyPortToCairoSurface(port);
  if (!s) return false;
  bool ok = cairo_surface_write_to_png(s, path) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

cairo_t* QDBeginCairo(CGrafPtr port, const Rect* area) {
  if (!port) return nullptr;
  if (port->kind == kQDPortCairo) {
    if (!port->cairo) return nullptr;
    cairo_save(port->cairo);
    ClipTo(port->cairo, DrawableArea(port));
    return port->cairo;
  }
  if (!PortPixels(port)) return nullptr;
  Rect part = port->pixMap.bounds;
  if (area && !SectRect(area, &port->pixMap.bounds, &part)) return nullptr;
  cairo_surface_t* s = SurfaceOf(port->pixMap, part, false);
  if (!s) return nullptr;
  cairo_surface_set_device_offset(s, -part.left, -part.top);
  cairo_t* cr = cairo_create(s);
  ClipTo(cr, DrawableArea(port));
  CairoSession session{cr, s, part, {}};
  int32_t w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  session.before.resize(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y)
    std::memcpy(&session.before[size_t(y) * size_t(w)], cairo_image_surface_get_data(s) + size_t(y) * size_t(stride),
                size_t(w) * 4);
  gSessions.push_back(std::move(session));
  return cr;
}

void QDEndCairo(CGrafPtr port, cairo_t* cr) {
  if (!port || !cr) return;
  if (port->kind == kQDPortCairo) {
    cairo_restore(cr);
    return;
  }
  auto it = std::find_if(gSessions.begin(), gSessions.end(), [cr](const CairoSession& s) { return s.cr == cr; });
  if (it == gSessions.end()) return;
  cairo_surface_flush(it->surface);
  const uint8_t* data = cairo_image_surface_get_data(it->surface);
  int stride = cairo_image_surface_get_stride(it->surface);
  int32_t w = int32_t(it->area.right) - it->area.left, h = int32_t(it->area.bottom) - it->area.top;
  // Only pixels cairo changed go back, so untouched translucent pixels keep
  // their exact values.
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
    const uint32_t* avant = &it->before[size_t(y) * size_t(w)];
    if (std::memcmp(row, avant, size_t(w) * 4) == 0) continue;  // most rows of an area stay as they were
    for (int32_t x = 0; x < w; ++x)
      if (row[x] != avant[x]) WritePixel(port->pixMap, it->area.left + x, it->area.top + y, Unpremultiply(row[x]));
  }
  cairo_destroy(it->cr);
  cairo_surface_destroy(it->surface);
  gSessions.erase(it);
}

// ---------------------------------------------------------------------------
// PackBits

void PackBits(Ptr* srcPtr, Ptr* dstPtr, int16_t srcBytes) {
  if (!srcPtr || !dstPtr || srcBytes <= 0) return;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(*srcPtr);
  uint8_t* d = reinterpret_cast<uint8_t*>(*dstPtr);
  int32_t n = srcBytes, i = 0;
  while (i < n) {
    // A run of three or more equal bytes is worth a repeat code.
    int32_t run = 1;
    while (i + run < n && run < 128 && s[i + run] == s[i]) ++run;
    if (run >= 3 || (run == 2 && i + run == n)) {
      *d++ = uint8_t(1 - run);
      *d++ = s[i];
      i += run;
      continue;
    }
    int32_t start = i, len = 0;
    while (i < n && len < 128) {
      if (i + 2 < n && s[i] == s[i + 1] && s[i] == s[i + 2]) break;
      ++i;
      ++len;
    }
    *d++ = uint8_t(len - 1);
    std::memcpy(d, s + start, size_t(len));
    d += len;
  }
  *srcPtr += n;
  *dstPtr = reinterpret_cast<Ptr>(d);
}

void UnpackBits(Ptr* srcPtr, Ptr* dstPtr, int16_t dstBytes) {
  if (!srcPtr || !dstPtr || dstBytes <= 0) return;
  const uint8_t* s = reinterpret_cast<const uint8_t*>(*srcPtr);
  uint8_t* d = reinterpret_cast<uint8_t*>(*dstPtr);
  int32_t left = dstBytes;
  while (left > 0) {
    int8_t f = int8_t(*s++);
    if (f == -128) continue;
    if (f < 0) {
      int32_t count = std::min<int32_t>(1 - f, left);
      std::memset(d, *s++, size_t(count));
      d += count;
      left -= count;
    } else {
      int32_t count = std::min<int32_t>(f + 1, left);
      std::memcpy(d, s, size_t(count));
      s += f + 1;
      d += count;
      left -= count;
    }
  }
  *srcPtr = reinterpret_cast<Ptr>(const_cast<uint8_t*>(s));
  *dstPtr = reinterpret_cast<Ptr>(d);
}

Boolean QDUnpackBitsChecked(const uint8_t* src, size_t srcSize, uint8_t* dst, size_t dstSize, size_t* srcUsed) {
  if (srcUsed) *srcUsed = 0;
  if (!src || (!dst && dstSize)) return false;
  size_t si = 0, di = 0;
  while (di < dstSize) {
    if (si >= srcSize) return false;
    int8_t f = int8_t(src[si++]);
    if (f == -128) continue;
    if (f < 0) {
      size_t count = size_t(1 - f);
      if (si >= srcSize || count > dstSize - di) return false;
      std::memset(dst + di, src[si++], count);
      di += count;
    } else {
      size_t count = size_t(f) + 1;
      if (count > srcSize - si || count > dstSize - di) return false;
      std::memcpy(dst + di, src + si, count);
      si += count;
      di += count;
    }
  }
  if (srcUsed) *srcUsed = si;
  return true;
}

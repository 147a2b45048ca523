// Draws a test sheet of the QuickDraw stand-in into a PNG: pens and lines,
// frames, ovals, round rectangles, arcs, polygons, patterns, clipped shapes
// and CopyBits modes. Usage: qdsheet [OUT.png] [--zoom N] [--area L T R B]
// [--cairo]; with --cairo the sheet is drawn as paths through a cairo port
// (antialiased, at the zoom) instead of into pixels.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <cairo.h>

#include "platform/QuickDraw.h"

namespace {

void Box(int16_t l, int16_t t, int16_t r, int16_t b) {
  Rect box;
  SetRect(&box, l, t, r, b);
  RGBColor grey = {0xC000, 0xC000, 0xC000};
  RGBForeColor(&grey);
  PenNormal();
  FrameRect(&box);
  ForeColor(blackColor);
}

void Pens() {
  Box(5, 5, 195, 135);
  // Lines in every direction with growing pens.
  for (int16_t i = 0; i < 5; ++i) {
    PenSize(int16_t(i + 1), int16_t(i + 1));
    MoveTo(int16_t(15 + i * 35), 15);
    LineTo(int16_t(35 + i * 35), 60);
    MoveTo(int16_t(15 + i * 35), 70);
    Line(25, 0);
    MoveTo(int16_t(15 + i * 35), 80);
    Line(0, 20);
    MoveTo(int16_t(40 + i * 35), 105);
    Line(-25, 20);
  }
  // 1x1 lines: single pixels and a shallow slope.
  PenNormal();
  for (int16_t i = 0; i < 6; ++i) {
    MoveTo(int16_t(180 - i * 2), 20);
    LineTo(int16_t(180 - i * 2), 20);
  }
  MoveTo(150, 30);
  LineTo(190, 40);
  PenSize(3, 2);
  MoveTo(150, 45);
  LineTo(190, 55);
}

void Frames() {
  Box(200, 5, 395, 135);
  Rect r;
  for (int16_t i = 0; i < 4; ++i) {
    SetRect(&r, int16_t(210 + i * 45), 15, int16_t(245 + i * 45), 45);
    PenSize(int16_t(i + 1), int16_t(1 + i / 2));
    FrameRect(&r);
    OffsetRect(&r, 0, 40);
    FrameOval(&r);
    OffsetRect(&r, 0, 40);
    if (i % 2) PaintOval(&r);
    else FrameRoundRect(&r, 16, 12);
  }
  PenNormal();
}

void Ovals() {
  Box(400, 5, 595, 135);
  Rect r;
  // Odd and even sizes side by side.
  for (int16_t s = 1; s <= 9; ++s) {
    SetRect(&r, int16_t(405 + s * (s + 3) / 2), 15, int16_t(405 + s * (s + 3) / 2 + s), int16_t(15 + s));
    PaintOval(&r);
    OffsetRect(&r, 0, 15);
    FrameOval(&r);
  }
  SetRect(&r, 410, 50, 470, 90);
  PaintRoundRect(&r, 20, 20);
  SetRect(&r, 480, 50, 540, 90);
  PaintArc(&r, 45, 270);
  SetRect(&r, 545, 50, 590, 90);
  FrameArc(&r, 0, 90);
  Pattern gray, ltGray;
  GetQDGlobalsGray(&gray);
  GetQDGlobalsLightGray(&ltGray);
  SetRect(&r, 410, 95, 470, 130);
  FillOval(&r, &gray);
  SetRect(&r, 480, 95, 590, 130);
  FillRect(&r, &ltGray);
  InsetRect(&r, 10, 8);
  InvertOval(&r);
}

void Polygons() {
  Box(5, 140, 195, 270);
  // A five-pointed star: even-odd leaves its centre empty.
  PolyHandle star = OpenPoly();
  MoveTo(50, 150);
  LineTo(75, 230);
  LineTo(10, 180);
  LineTo(90, 180);
  LineTo(25, 230);
  LineTo(50, 150);
  ClosePoly();
  PaintPoly(star);
  OffsetPoly(star, 95, 0);
  PenSize(2, 2);
  FramePoly(star);
  PenNormal();
  KillPoly(star);
  PolyHandle tri = OpenPoly();
  MoveTo(15, 240);
  LineTo(180, 245);
  LineTo(100, 265);
  LineTo(15, 240);
  ClosePoly();
  Pattern gray;
  FillPoly(tri, GetQDGlobalsGray(&gray));
  KillPoly(tri);
}

void Clipped() {
  Box(200, 140, 395, 270);
  // Clip to a ring defined with OpenRgn, then draw stripes through it.
  RgnHandle ring = NewRgn();
  OpenRgn();
  Rect outer, inner;
  SetRect(&outer, 220, 150, 380, 262);
  SetRect(&inner, 260, 180, 340, 232);
  FrameOval(&outer);
  FrameOval(&inner);
  CloseRgn(ring);
  RgnHandle saved = NewRgn();
  GetClip(saved);
  SetClip(ring);
  PenSize(3, 3);
  for (int16_t x = 180; x < 400; x += 10) {
    MoveTo(x, 145);
    LineTo(int16_t(x + 40), 268);
  }
  PenNormal();
  SetClip(saved);
  FrameRgn(ring);
  DisposeRgn(saved);
  // Region arithmetic: union minus intersection.
  RgnHandle a = NewRgn(), b = NewRgn(), x = NewRgn();
  SetRectRgn(a, 210, 240, 250, 265);
  SetRectRgn(b, 230, 250, 270, 268);
  XorRgn(a, b, x);
  ForeColor(blueColor);
  PaintRgn(x);
  ForeColor(blackColor);
  DisposeRgn(a);
  DisposeRgn(b);
  DisposeRgn(x);
  DisposeRgn(ring);
}

void Bits(GWorldPtr sheet) {
  Box(400, 140, 595, 270);
  // A small source: a red disc on white with a black border.
  GWorldPtr src;
  Rect sb;
  SetRect(&sb, 0, 0, 16, 16);
  if (NewGWorld(&src, 32, &sb, nullptr, nullptr, 0) != qdNoErr) return;
  SetGWorld(src, nullptr);
  EraseRect(&sb);
  ForeColor(redColor);
  Rect disc = sb;
  InsetRect(&disc, 2, 2);
  PaintOval(&disc);
  ForeColor(blackColor);
  FrameRect(&sb);
  SetGWorld(sheet, nullptr);
  // Backgrounds to copy onto.
  Rect bg;
  SetRect(&bg, 405, 150, 590, 215);
  Pattern gray;
  FillRect(&bg, GetQDGlobalsGray(&gray));
  const BitMap* s = GetPortBitMapForCopyBits(src);
  const BitMap* d = GetPortBitMapForCopyBits(sheet);
  const int16_t modes[] = {srcCopy, srcOr, transparent + ditherCopy, srcXor};
  Rect dr;
  for (int16_t i = 0; i < 4; ++i) {
    SetRect(&dr, int16_t(410 + i * 45), 155, int16_t(426 + i * 45), 171);
    CopyBits(s, d, &sb, &dr, modes[i], nullptr);
    SetRect(&dr, int16_t(410 + i * 45), 175, int16_t(442 + i * 45), 207);  // scaled x2
    CopyBits(s, d, &sb, &dr, modes[i], nullptr);
  }
  // Scaled down, and clipped to a diagonal band.
  SetRect(&dr, 410, 220, 418, 228);
  CopyBits(s, d, &sb, &dr, srcCopy, nullptr);
  RgnHandle saved = NewRgn();
  GetClip(saved);
  PolyHandle band = OpenPoly();
  MoveTo(450, 215);
  LineTo(500, 215);
  LineTo(560, 268);
  LineTo(510, 268);
  LineTo(450, 215);
  ClosePoly();
  RgnHandle clip = NewRgn();
  QDPolyToRgn(band, clip);
  SetClip(clip);
  SetRect(&dr, 430, 215, 590, 268);
  CopyBits(s, d, &sb, &dr, srcCopy, nullptr);
  SetClip(saved);
  KillPoly(band);
  DisposeRgn(clip);
  DisposeRgn(saved);
  DisposeGWorld(src);
}

}  // namespace

int main(int argc, char** argv) {
  const char* out = "qdsheet.png";
  int zoom = 1;
  bool viaCairo = false;
  Rect bounds, area;
  SetRect(&bounds, 0, 0, 600, 275);
  area = bounds;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
      zoom = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--area") == 0 && i + 4 < argc) {
      int16_t v[4];
      for (int16_t& x : v) x = int16_t(std::atoi(argv[++i]));
      SetRect(&area, v[0], v[1], v[2], v[3]);
      if (!SectRect(&area, &bounds, &area)) area = bounds;
    } else if (std::strcmp(argv[i], "--cairo") == 0) {
      viaCairo = true;
    } else if (argv[i][0] != '-') {
      out = argv[i];
    } else {
      // --help, and anything else that is not a path: never an output file.
      const bool help = !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
      std::fprintf(help ? stdout : stderr, "usage: qdsheet [OUT.png] [--zoom N] [--area L T R B] [--cairo]\n");
      return help ? 0 : 2;
    }
  }
  if (zoom < 1 || zoom > 8) zoom = 1;
  if (viaCairo) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600 * zoom, 275 * zoom);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, zoom, zoom);
    CGrafPtr port = QDNewCairoPort(cr, &bounds);
    SetGWorld(port, nullptr);
    EraseRect(&bounds);
    Pens();
    Frames();
    Ovals();
    Polygons();
    Clipped();
    Bits(port);
    SetGWorld(nullptr, nullptr);
    DisposePort(port);
    cairo_destroy(cr);
    bool ok = cairo_surface_write_to_png(surface, out) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (ok) std::printf("%s\n", out);
    return ok ? 0 : 1;
  }
  GWorldPtr sheet;
  if (NewGWorld(&sheet, 32, &bounds, nullptr, nullptr, 0) != qdNoErr) {
    std::fprintf(stderr, "qdsheet: no offscreen\n");
    return 1;
  }
  SetGWorld(sheet, nullptr);
  EraseRect(&bounds);
  Pens();
  Frames();
  Ovals();
  Polygons();
  Clipped();
  Bits(sheet);
  GWorldPtr shown = sheet;
  if (zoom > 1 || !EqualRect(&area, &bounds)) {
    // A part, enlarged with CopyBits, so that single pixels can be checked by eye.
    Rect big;
    SetRect(&big, 0, 0, int16_t((area.right - area.left) * zoom), int16_t((area.bottom - area.top) * zoom));
    if (NewGWorld(&shown, 32, &big, nullptr, nullptr, 0) != qdNoErr) return 1;
    SetGWorld(shown, nullptr);
    CopyBits(GetPortBitMapForCopyBits(sheet), GetPortBitMapForCopyBits(shown), &area, &big, srcCopy, nullptr);
  }
  bool ok = QDWritePortPNG(shown, out);
  SetGWorld(nullptr, nullptr);
  if (shown != sheet) DisposeGWorld(shown);
  DisposeGWorld(sheet);
  if (!ok) {
    std::fprintf(stderr, "qdsheet: cannot write %s\n", out);
    return 1;
  }
  std::printf("%s\n", out);
  return 0;
}

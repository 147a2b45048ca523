// Draws a gallery of the engine's own graphics into a PNG: splines of each
// line style (with and without smooth dots), straight dashed, dotted and
// wavy lines, rotated rectangles, a relief frame, an image rotated and faded
// over a pattern, and a colour icon faded and desaturated.
// Usage: gallery [OUT.png]
#include <cmath>
#include <cstdio>
#include <cstring>

#include "layout/Zoom.h"
#include "platform/ColorIcons.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/Icones.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"
#include "system/PortLayer.h"
#include "system/Rotations.h"
#include "system/Splines.h"
#include "text/Fontes.h"
#include "text/UTFText.h"

namespace {

void Label(int16_t x, int16_t y, const char* text) {
  TextFont(21);
  TextSize(10);
  TextFace(0);
  MoveTo(x, y);
  UTFDrawText(nullptr, text, 0, int32_t(std::strlen(text)), 0);
}

void Courbe(int16_t x, int16_t y, SplinePoint* p) {
  const float xs[5] = {0, 60, 130, 200, 260}, ys[5] = {40, 0, 50, 10, 40}, ws[5] = {8, 16, 24, 16, 8};
  for (int i = 0; i < 5; ++i) p[i] = SplinePoint{x + xs[i], y + ys[i], ws[i]};
}

// A test image: a colour wheel on transparent ground with an opaque frame.
Offscreen Image() {
  Offscreen off = CreeOffscreen(120, 80, 32);
  if (!off) return nullptr;
  for (int16_t y = 0; y < 80; ++y)
    for (int16_t x = 0; x < 120; ++x) {
      float dx = x - 60.0f, dy = y - 40.0f, d = std::sqrt(dx * dx + dy * dy);
      if (d < 36) {
        float a = std::atan2(dy, dx);
        OffscreenSetPixel(off, x, y, int16_t(127 + 127 * std::cos(a)), int16_t(127 + 127 * std::sin(a)),
                          int16_t(127 - 127 * std::cos(a)), 255);
      }
      if (x < 3 || y < 3 || x >= 117 || y >= 77) OffscreenSetPixel(off, x, y, 20, 40, 160, 255);
    }
  Rect bar{34, 10, 46, 110};
  OffscreenPaintRect(off, &bar, 0, 0, 0, 70, 1);
  return off;
}

}  // namespace

int main(int argc, char** argv) {
  const char* out = "gallery.png";
  for (int i = 1; i < argc; ++i) {
    const bool help = !std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h");
    if (help || argv[i][0] == '-' || i > 1) {
      std::fprintf(help ? stdout : stderr, "usage: gallery [OUT.png]\n");
      return help ? 0 : 2;
    }
    out = argv[i];
  }
  SetUnicodeApplication(1);
  if (!ActiveFonteVellari(TAMREL_RESOURCES "/SVELLARI.TTF")) std::fprintf(stderr, "music font not activated\n");
  SetDpiDest(72);
  Offscreen page = RozoCreatePortOffscreen(900, 760, 32);
  if (!page) return 1;
  SetGWorld(page, nullptr);
  Rect all{0, 0, 760, 900};
  ForeColor(blackColor);
  BackColor(whiteColor);
  EraseRect(&all);

  // Splines: solid, dashes, dots, waves; each plain and with smooth dots.
  const struct {
    int16_t style;
    bool aa;
    const char* name;
  } styles[] = {{0, false, "solid"},       {6, false, "dashes"}, {4, false, "dots"},
                {4, true, "dots, smooth"}, {5, false, "waves"},  {5, true, "waves, smooth"}};
  for (int i = 0; i < 6; ++i) {
    int16_t x = int16_t(20 + (i % 3) * 290), y = int16_t(30 + (i / 3) * 90);
    SplinePoint p[5];
    Courbe(x, y, p);
    PenNormal();
    ForeColor(i % 2 ? redColor : blackColor);
    if (styles[i].style == 0) cspline(false, p, 5, 6.0f);
    else csplinepointille(styles[i].style, styles[i].aa, p, 5, 6);
    ForeColor(blackColor);
    Label(x, int16_t(y + 75), styles[i].name);
  }

  // Straight special lines.
  PenNormal();
  TraceLignePointillee(20, 230, 280, 230, 6);
  Label(20, 245, "dashed");
  TraceLigneDotted(310, 230, 570, 230, 8);
  Label(310, 245, "dotted");
  TraceLigneOnde(600, 230, 860, 200, 16);
  Label(600, 245, "wavy (music font)");
  SetUnicodeApplication(0);
  TraceLigneOnde(600, 280, 860, 280, 16);
  SetUnicodeApplication(1);
  Label(600, 300, "wavy (splines)");
  DrawSmoothLine(20.5f, 280.0f, 280.7f, 262.3f, 3.0f, 3.0f);
  AntialiasedLine(false, 310, 280, 570, 262, 0.4f, 0.4f);
  Label(20, 300, "thick line");

  // Rotated rectangles.
  for (int i = 0; i < 5; ++i) {
    int16_t angle = int16_t(i * 20);
    Rect r{340, int16_t(40 + i * 110), 380, int16_t(110 + i * 110)};
    PenNormal();
    ForeColor(blackColor);
    FrameRotatedRect(&r, angle);
    OffsetRect(&r, 0, 70);
    ForeColor(blueColor);
    PaintRotatedRect(&r, angle);
    Rect bound;
    GetBoundRotateRect(&r, angle, &bound);
    ForeColor(greenColor);
    FrameRect(&bound);
  }
  ForeColor(blackColor);
  Label(20, 500, "rotated rectangles: 0, 20, 40, 60, 80 degrees, and the bounds of the filled ones");

  // Relief frame.
  Rect relief{530, 20, 620, 220};
  TraceCadreRelief(&relief, true);
  Label(20, 640, "relief frame");

  // An image over a checkered ground: as stored, rotated by 30 and faded,
  // turned a quarter.
  Rect ground{520, 250, 740, 880};
  for (int16_t y = ground.top; y < ground.bottom; y += 10)
    for (int16_t x = ground.left; x < ground.right; x += 10) {
      Rect c{y, x, int16_t(y + 10), int16_t(x + 10)};
      ForeColor(((x + y) / 10) % 2 ? whiteColor : yellowColor);
      PaintRect(&c);
    }
  ForeColor(blackColor);
  Offscreen img = Image();
  Handle png = CvtOffscreenToPngHandle(img, 1, 1, "gallery", nullptr, nullptr, nullptr);
  Offscreen turned = ConvertDataToOffscreen(kTypeImagePNG, png, 0, 30);
  Offscreen quarter = OffscreenRotate(img, 90.0f, 0, 0, 0, 0);
  OffscreenFadeOpacity(turned, 60.0f);
  Rect at;
  GetAireImage(img, &at);
  OffsetRect(&at, 260, 540);
  DrawOffscreenImage(img, &at, true);
  GetAireImage(turned, &at);
  OffsetRect(&at, 420, 530);
  DrawOffscreenImage(turned, &at, true);
  GetAireImage(quarter, &at);
  OffsetRect(&at, 600, 530);
  Offscreen adjusted = OffscreenDuplicate(quarter);
  OffscreenBCS(adjusted, 30.0f, 20.0f, -60.0f);
  DrawOffscreenImage(adjusted, &at, true);
  Rect missing{660, 700, 730, 780};
  DrawOffscreenImage(nullptr, &missing, true);
  Label(260, 755, "image; rotated 30 and faded to 60 %; quarter turn adjusted; missing image");

  // A colour icon, plain, faded and desaturated, and as an unselected button.
  uint32_t icon[16 * 16];
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      int dx = x - 8, dy = y - 8;
      icon[y * 16 + x] =
          dx * dx + dy * dy < 49 ? 0xFF000000u | uint32_t((x * 16) << 16) | uint32_t((y * 16) << 8) | 0xC0u : 0;
    }
  QDRegisterColorIcon(128, 16, 16, icon);
  DrawIconXY(128, 60, 680);
  Rect ir{680, 90, 712, 122};
  OrvantaDrawIconAltered(&ir, 128, true, 50, 100);
  OffsetRect(&ir, 40, 0);
  OrvantaDrawIconAltered(&ir, 128, true, 100, 0);
  OffsetRect(&ir, 40, 0);
  DrawIconButton(&ir, 128, 0, false);
  Label(20, 740, "icon: plain, faded, grey, button");

  bool ok = QDWritePortPNG(page, out);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", out);
  DisposeImage(&img);
  DisposeImage(&turned);
  DisposeImage(&quarter);
  DisposeImage(&adjusted);
  DisposeHandle(png);
  SetGWorld(nullptr, nullptr);
  RozoClosePortOffscreen(page);
  return ok ? 0 : 1;
}

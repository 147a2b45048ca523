#include <gtest/gtest.h>

#include <cairo.h>

#include "platform/QuickDraw.h"

// A new port makes its white pixels on first use: every way in to them must
// see the same white, drawn-on buffer an eagerly made port would have.
namespace {

struct PortGuard {
  CGrafPtr port;
  GDHandle dev;
  PortGuard() { GetGWorld(&port, &dev); }
  ~PortGuard() { SetGWorld(port, dev); }
};

TEST(PortPixels, EveryWayInSeesWhitePixelsAndKeepsWhatWasDrawn) {
  PortGuard guard;
  struct Way {
    const char* name;
    uint32_t (*read)(CGrafPtr port, int16_t h, int16_t v);
  };
  const Way ways[] = {
      {"QDGetPixel", [](CGrafPtr p, int16_t h, int16_t v) { return QDGetPixel(p, h, v); }},
      {"GetPortPixMap",
       [](CGrafPtr p, int16_t h, int16_t v) {
         PixMapHandle pm = GetPortPixMap(p);
         const uint8_t* px = reinterpret_cast<const uint8_t*>(GetPixBaseAddr(pm)) + v * GetPixRowBytes(pm) + h * 4;
         return (uint32_t(px[0]) << 24) | (uint32_t(px[1]) << 16) | (uint32_t(px[2]) << 8) | px[3];
       }},
      {"CopyBits to an offscreen",
       [](CGrafPtr p, int16_t h, int16_t v) {
         CGrafPtr saved;
         GetPort(&saved);
         Rect one{0, 0, 1, 1}, src{v, h, int16_t(v + 1), int16_t(h + 1)};
         GWorldPtr w = nullptr;
         NewGWorld(&w, 32, &one, nullptr, nullptr, 0);
         SetGWorld(w, nullptr);
         CopyBits(GetPortBitMapForCopyBits(p), GetPortBitMapForCopyBits(w), &src, &one, srcCopy, nullptr);
         uint32_t got = QDGetPixel(w, 0, 0);
         SetGWorld(saved, nullptr);
         DisposeGWorld(w);
         return got;
       }},
      {"cairo surface",
       [](CGrafPtr p, int16_t h, int16_t v) {
         cairo_surface_t* s = QDCopyPortToCairoSurface(p);
         if (!s) return 0u;
         const uint8_t* row = cairo_image_surface_get_data(s) + v * cairo_image_surface_get_stride(s);
         uint32_t got = reinterpret_cast<const uint32_t*>(row)[h];
         cairo_surface_destroy(s);
         return got;
       }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    CGrafPtr port = CreateNewPort();
    ASSERT_NE(port, nullptr);
    Rect bounds;
    GetPortBounds(port, &bounds);
    EXPECT_EQ(bounds.right, 600);
    EXPECT_EQ(bounds.bottom, 800);
    EXPECT_EQ(way.read(port, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(way.read(port, 599, 799), 0xFFFFFFFFu);
    Rect r{10, 20, 12, 22};
    PaintRect(&r);
    EXPECT_EQ(way.read(port, 20, 10), 0xFF000000u);
    EXPECT_EQ(way.read(port, 22, 10), 0xFFFFFFFFu);
    DisposePort(port);
  }
}

TEST(PortPixels, DrawingFirstThenReadingAndDisposingUntouchedPorts) {
  PortGuard guard;
  // Drawn into before anything asked for the pixels: the drawing lands on white.
  CGrafPtr port = CreateNewPort();
  ASSERT_NE(port, nullptr);
  MoveTo(5, 5);
  LineTo(9, 5);
  PixMapHandle pm = GetPortPixMap(port);
  ASSERT_NE(GetPixBaseAddr(pm), nullptr);
  EXPECT_EQ(GetPixRowBytes(pm), 600 * 4);
  EXPECT_EQ(GetPixDepth(pm), 32);
  EXPECT_EQ(QDGetPixel(port, 7, 5), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(port, 7, 6), 0xFFFFFFFFu);
  DisposePort(port);
  // Erasing a new port to white is skipped; any other colour lands.
  port = CreateNewPort();
  Rect all{0, 0, 800, 600}, corner{0, 0, 2, 2};
  EraseRect(&all);
  RGBColor red{0xFFFF, 0, 0};
  RGBBackColor(&red);
  EraseRect(&corner);
  EXPECT_EQ(QDGetPixel(port, 1, 1), 0xFFFF0000u);
  EXPECT_EQ(QDGetPixel(port, 2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(QDGetPixel(port, 599, 799), 0xFFFFFFFFu);
  DisposePort(port);
  // Never touched: nothing to free but the port itself.
  for (int i = 0; i < 3; i++) DisposePort(CreateNewPort());
}

}  // namespace

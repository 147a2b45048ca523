#include <gtest/gtest.h>

#include <cstring>

#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/PngCodec.h"
#include "system/PortLayer.h"

namespace {

Offscreen NewOffscreen(int16_t w, int16_t h) { return RozoCreatePortOffscreen(w, h, 32); }

}  // namespace

TEST(PngOffscreen, OffscreenRoundTripKeepsPixelsAndAlpha) {
  const int16_t w = 19, h = 7;
  Offscreen off = NewOffscreen(w, h);
  ASSERT_NE(off, nullptr);
  PixMapHandle pm = GetGWorldPixMap(off);
  uint8_t* base = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm));
  int32_t rowBytes = GetPixRowBytes(pm);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint8_t* px = base + y * rowBytes + 4 * x;
      px[0] = uint8_t(255 - x * 10), px[1] = uint8_t(x * 13), px[2] = uint8_t(y * 30), px[3] = uint8_t(x ^ y);
    }
  for (int alpha = 0; alpha < 2; alpha++) {
    Handle png = CvtOffscreenToPngHandle(off, uint8_t(alpha), 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(png, nullptr);
    Offscreen back = ConvertPNGToOffscreen(png);
    DisposeHandle(png);
    ASSERT_NE(back, nullptr);
    Rect bounds;
    GetPixBounds(GetGWorldPixMap(back), &bounds);
    EXPECT_EQ(bounds.right, w);
    EXPECT_EQ(bounds.bottom, h);
    for (int16_t y = 0; y < h; y++)
      for (int16_t x = 0; x < w; x++) {
        uint32_t want = QDGetPixel(off, x, y);
        if (!alpha) want |= 0xFF000000u;
        EXPECT_EQ(QDGetPixel(back, x, y), want) << x << "," << y << " alpha " << alpha;
      }
    RozoClosePortOffscreen(back);
  }
  RozoClosePortOffscreen(off);
}

TEST(PngOffscreen, UndecodableDataGivesNoOffscreen) {
  Handle junk = NewHandleClear(64);
  EXPECT_EQ(ConvertPNGToOffscreen(junk), nullptr);
  DisposeHandle(junk);
  EXPECT_EQ(ConvertPNGToOffscreen(nullptr), nullptr);
  EXPECT_EQ(CvtOffscreenToPngHandle(nullptr, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
}

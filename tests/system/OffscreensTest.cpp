// Offscreens and images: pixel operations, copies, rotation, image import,
// and drawing with alpha into ports and into recorded pictures.
#include <cairo.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "layout/Zoom.h"
#include "platform/Memory.h"
#include "platform/PictContext.h"
#include "platform/Pictures.h"
#include "system/Offscreens.h"
#include "system/PngCodec.h"

namespace {

struct PortGuard {
  CGrafPtr port;
  GDHandle dev;
  PortGuard() { GetGWorld(&port, &dev); }
  ~PortGuard() { SetGWorld(port, dev); }
};

struct Off {
  Offscreen o;
  explicit Off(Offscreen off) : o(off) {}
  ~Off() { RozoClosePortOffscreen(o); }
  uint8_t* At(int x, int y) {
    int32_t rb = 0;
    Ptr base = RozoGetInfoOffscreen(o, nullptr, &rb, nullptr);
    return reinterpret_cast<uint8_t*>(base) + y * rb + x * 4;
  }
};

// Pixel (x, y) gets a colour that tells where it came from.
void Number(Offscreen off) {
  Rect b;
  GetAireImage(off, &b);
  for (int16_t y = 0; y < b.bottom; ++y)
    for (int16_t x = 0; x < b.right; ++x) OffscreenSetPixel(off, x, y, x, y, 77, 255);
}

}  // namespace

TEST(Offscreens, CreationDepthsAndBounds) {
  const struct { int16_t asked, got; } cases[] = {{-1, 32}, {24, 32}, {32, 32}, {8, 8}, {16, 16}};
  for (const auto& c : cases) {
    Off off(CreeOffscreen(20, 10, c.asked));
    ASSERT_NE(off.o, nullptr) << c.asked;
    int16_t depth = 0;
    Rect b;
    RozoGetInfoOffscreen(off.o, &b, nullptr, &depth);
    EXPECT_EQ(depth, c.got);
    EXPECT_EQ(b.right, 20);
    EXPECT_EQ(b.bottom, 10);
  }
  // Huge requests fail cleanly.
  EXPECT_EQ(CreeOffscreen(32767, 32767, 32), nullptr);
  EXPECT_EQ(CreeOffscreen(0, 10, 32), nullptr);
}

TEST(Offscreens, PaintRectModesAndFade) {
  Off off(CreeOffscreen(4, 4, 32));
  Rect all{0, 0, 4, 4};
  OffscreenPaintRect(off.o, &all, 10, 20, 30, 100, 2);
  uint8_t* p = off.At(1, 1);
  EXPECT_EQ(p[0], 255);
  // Mode 0 at full opacity keeps alpha; mode 2 at 70 % sets it to 178.
  Rect one{1, 1, 2, 2};
  for (uint8_t* q : {off.At(1, 1)}) q[0] = 90;
  OffscreenPaintRect(off.o, &one, 200, 100, 50, 100, 0);
  EXPECT_EQ(p[0], 90);
  EXPECT_EQ(p[1], 200);
  OffscreenPaintRect(off.o, &one, 0, 0, 0, 70, 2);
  EXPECT_EQ(p[0], 178);
  // Mode 1 blends colour and alpha: 50 % (a = 127) of white over black, alpha 178.
  OffscreenPaintRect(off.o, &one, 255, 255, 255, 50, 1);
  EXPECT_EQ(p[1], 127);
  EXPECT_EQ(p[0], 178 + 127 - 178 * 127 / 255);
  // Rects outside change nothing; the edges are clipped.
  Rect outside{10, 10, 20, 20}, overlap{-5, -5, 1, 1};
  std::vector<uint8_t> before(off.At(0, 0), off.At(0, 0) + 4 * 16);
  OffscreenPaintRect(off.o, &outside, 1, 2, 3, 100, 2);
  EXPECT_EQ(std::memcmp(before.data(), off.At(0, 0), before.size()), 0);
  OffscreenPaintRect(off.o, &overlap, 1, 2, 3, 100, 2);
  EXPECT_EQ(off.At(0, 0)[1], 1);
  EXPECT_EQ(off.At(1, 0)[1], 10);
  // Fading by 200 % doubles alpha and stops at 255.
  off.At(2, 2)[0] = 100;
  off.At(3, 3)[0] = 200;
  OffscreenFadeOpacity(off.o, 200.0f);
  EXPECT_EQ(off.At(2, 2)[0], 200);
  EXPECT_EQ(off.At(3, 3)[0], 255);
}

TEST(Offscreens, OpacityFromColourLuminanceAndInvert) {
  Off off(CreeOffscreen(3, 1, 32));
  OffscreenSetPixel(off.o, 0, 0, 3, 4, 5, 9);
  OffscreenSetPixel(off.o, 1, 0, 3, 4, 6, 9);
  OffscreenSetPixel(off.o, 2, 0, 30, 60, 91, 9);
  OffscreenCreateOpacityFromColor(off.o, "030405");
  EXPECT_EQ(off.At(0, 0)[0], 0);
  EXPECT_EQ(off.At(1, 0)[0], 255);
  OffscreenCreateOpacityFromLuminance(off.o);
  EXPECT_EQ(off.At(2, 0)[0], 60);
  OffscreenInvertOpacity(off.o);
  EXPECT_EQ(off.At(2, 0)[0], 195);
}

TEST(Offscreens, BcsNeutralKeepsPixelsAndBlackStaysBlack) {
  Off off(CreeOffscreen(6, 1, 32));
  const uint8_t colours[6][3] = {{0, 0, 0}, {255, 255, 255}, {10, 200, 30}, {128, 128, 128}, {1, 0, 0}, {0, 0, 254}};
  for (int16_t i = 0; i < 6; ++i) OffscreenSetPixel(off.o, i, 0, colours[i][0], colours[i][1], colours[i][2], 77);
  OffscreenBCS(off.o, 0, 0, 0);
  for (int i = 0; i < 6; ++i) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(off.At(i, 0)[k + 1], colours[i][k]) << i;
    EXPECT_EQ(off.At(i, 0)[0], 77);
  }
  // Black through contrast and saturation changes: both lightnesses are 0.
  OffscreenSetPixel(off.o, 0, 0, 128, 128, 128, 255);
  OffscreenBCS(off.o, -128, 0, 50);
  EXPECT_EQ(off.At(0, 0)[1], 0);
  // Full desaturation gives grey.
  OffscreenSetPixel(off.o, 2, 0, 200, 100, 0, 255);
  OffscreenBCS(off.o, 0, 0, -100);
  EXPECT_EQ(off.At(2, 0)[1], off.At(2, 0)[2]);
  EXPECT_EQ(off.At(2, 0)[2], off.At(2, 0)[3]);
}

TEST(Offscreens, PixelOperationsIgnoreOtherDepths) {
  Off off(CreeOffscreen(8, 8, 8));
  ASSERT_NE(off.o, nullptr);
  int32_t rb = 0;
  uint8_t* base = reinterpret_cast<uint8_t*>(RozoGetInfoOffscreen(off.o, nullptr, &rb, nullptr));
  std::vector<uint8_t> before(base, base + rb * 8);
  Rect all{0, 0, 8, 8};
  OffscreenPaintRect(off.o, &all, 1, 2, 3, 100, 2);
  OffscreenSetPixel(off.o, 1, 1, 1, 2, 3, 4);
  OffscreenFadeOpacity(off.o, 50);
  OffscreenBCS(off.o, 10, 10, 10);
  OffscreenInvertOpacity(off.o);
  EXPECT_EQ(std::memcmp(before.data(), base, before.size()), 0);
  EXPECT_EQ(OffscreenRotate(off.o, 30, 0, 0, 0, 0), nullptr);
  OffscreenSetPixel(nullptr, 0, 0, 0, 0, 0, 0);
  OffscreenPaintRect(nullptr, &all, 0, 0, 0, 0, 0);
}

TEST(Offscreens, CopyCentresAndCrops) {
  Off src(CreeOffscreen(4, 2, 32)), big(CreeOffscreen(6, 4, 32)), small(CreeOffscreen(2, 2, 32));
  Number(src.o);
  OffscreenCopy(src.o, big.o, 1, 2, 3, 4);
  // Source pixel (x - 1, y - 1); the border gets red 1, green 3, blue 2, alpha 4.
  EXPECT_EQ(big.At(1, 1)[1], 0);
  EXPECT_EQ(big.At(4, 2)[1], 3);
  EXPECT_EQ(big.At(4, 2)[2], 1);
  const uint8_t fill[4] = {4, 1, 3, 2};
  EXPECT_EQ(std::memcmp(big.At(0, 0), fill, 4), 0);
  EXPECT_EQ(std::memcmp(big.At(5, 3), fill, 4), 0);
  OffscreenCopy(src.o, small.o, 0, 0, 0, 0);
  EXPECT_EQ(small.At(0, 0)[1], 1);  // the centre columns 1 and 2
  EXPECT_EQ(small.At(1, 1)[1], 2);
  Off dup(OffscreenDuplicate(src.o));
  EXPECT_EQ(std::memcmp(dup.At(0, 0), src.At(0, 0), 4 * 4 * 2), 0);
}

TEST(Offscreens, QuarterAndHalfTurnsCopyPixels) {
  Off src(CreeOffscreen(40, 10, 32));
  Number(src.o);
  const struct {
    float angle;
    int16_t w, h;
  } cases[] = {{90, 10, 40}, {-90, 10, 40}, {180, 40, 10}};
  for (const auto& c : cases) {
    Off turned(OffscreenRotate(src.o, c.angle, 9, 9, 9, 9));
    ASSERT_NE(turned.o, nullptr);
    Rect b;
    GetAireImage(turned.o, &b);
    EXPECT_EQ(b.right, c.w) << c.angle;
    EXPECT_EQ(b.bottom, c.h) << c.angle;
    for (int j = 0; j < c.h; ++j)
      for (int i = 0; i < c.w; ++i) {
        // A positive angle turns clockwise on the screen.
        int sx = c.angle == 90 ? j : c.angle == -90 ? 39 - j : 39 - i;
        int sy = c.angle == 90 ? 9 - i : c.angle == -90 ? i : 9 - j;
        ASSERT_EQ(turned.At(i, j)[1], sx) << c.angle << " " << i << "," << j;
        ASSERT_EQ(turned.At(i, j)[2], sy) << c.angle << " " << i << "," << j;
        ASSERT_EQ(turned.At(i, j)[0], 255);
      }
  }
  Rect r{0, 0, 10, 40}, out;
  OffscreenGetRotatedBoundRect(&r, 90, &out);
  EXPECT_EQ(out.right, 10);
  EXPECT_EQ(out.bottom, 40);
}

TEST(Offscreens, FreeAnglesSampleWithAlpha) {
  Off src(CreeOffscreen(20, 20, 32));
  Rect all{0, 0, 20, 20};
  OffscreenPaintRect(src.o, &all, 200, 0, 0, 100, 2);
  Off turned(OffscreenRotate(src.o, 45, 0, 0, 0, 0));
  ASSERT_NE(turned.o, nullptr);
  Rect b;
  GetAireImage(turned.o, &b);
  EXPECT_EQ(b.right, 28);
  EXPECT_EQ(b.bottom, 28);
  EXPECT_EQ(turned.At(0, 0)[0], 0);      // corner: background
  EXPECT_GE(turned.At(14, 14)[0], 250);  // centre: the image
  EXPECT_EQ(turned.At(14, 14)[1], 200);
  // Exactly aligned opaque pixels come out with alpha 254.
  int32_t rb = 0;
  Ptr base = RozoGetInfoOffscreen(src.o, nullptr, &rb, nullptr);
  AAPixelSource s{reinterpret_cast<uint8_t*>(base), rb, 20, 20};
  EXPECT_EQ(GetAAPixel(s, 0, 5.0, 5.0), 0xFEC80000u);
  EXPECT_EQ(GetAAPixel(s, 0x11223344u, -3.0, 5.0), 0x11223344u);
  EXPECT_EQ(GetAAPixel(s, 0x11223344u, 1e300, 5.0), 0x11223344u);
}

TEST(Offscreens, StoredImagesDecodeRotateAndRefuse) {
  Off src(CreeOffscreen(5, 3, 32));
  Number(src.o);
  Handle png = CvtOffscreenToPngHandle(src.o, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(png, nullptr);
  Off same(ConvertDataToOffscreen(kTypeImagePNG, png, 0, 0));
  ASSERT_NE(same.o, nullptr);
  EXPECT_EQ(std::memcmp(same.At(0, 0), src.At(0, 0), 5 * 4), 0);
  // A document angle of 90 turns counter-clockwise on the screen.
  Off turned(ConvertDataToOffscreen(kTypeImagePNG, png, 0, 90));
  ASSERT_NE(turned.o, nullptr);
  EXPECT_EQ(turned.At(0, 0)[1], 4);
  EXPECT_EQ(turned.At(0, 0)[2], 0);
  DisposeHandle(png);

  // A 16-bit PNG, which our decoder refuses, goes through the importer.
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = 2;
  image.height = 1;
  image.format = PNG_FORMAT_LINEAR_RGB_ALPHA;
  const uint16_t px[8] = {65535, 0, 0, 65535, 0, 0, 65535, 0};
  png_alloc_size_t size = 0;
  ASSERT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, px, 0, nullptr));
  std::vector<uint8_t> bytes(size);
  ASSERT_TRUE(png_image_write_to_memory(&image, bytes.data(), &size, 0, px, 0, nullptr));
  Handle h16 = NewHandle(Size(size));
  std::memcpy(*h16, bytes.data(), size);
  Off wide(ConvertDataToOffscreen(kTypeImagePNG, h16, 0, 0));
  ASSERT_NE(wide.o, nullptr);
  EXPECT_EQ(wide.At(0, 0)[1], 255);
  EXPECT_EQ(wide.At(1, 0)[0], 0);
  DisposeHandle(h16);

  // Not an image, a truncated one, and one whose header asks for 40000 x 40000.
  Handle junk = NewHandle(40);
  std::memset(*junk, 0x5A, 40);
  EXPECT_EQ(ConvertDataToOffscreen(kTypeImagePNG, junk, 0, 0), nullptr);
  EXPECT_EQ(ConvertDataToOffscreen(1, junk, 0, 0), nullptr);
  EXPECT_EQ(ConvertDataToOffscreen(1, nullptr, 0, 0), nullptr);
  std::vector<uint8_t> huge = {0x89, 'P', 'N', 'G',  0x0D, 0x0A, 0x1A, 0x0A, 0,    0, 0, 13, 'I', 'H', 'D',
                               'R',  0,   0,   0x9C, 0x40, 0,    0,    0x9C, 0x40, 8, 6, 0,  0,   0};
  uint32_t crc = Crc32(huge.data() + 12, 17);
  for (int k = 3; k >= 0; --k) huge.push_back(uint8_t(crc >> (8 * k)));
  SetHandleSize(junk, Size(huge.size()));
  std::memcpy(*junk, huge.data(), huge.size());
  EXPECT_EQ(ConvertDataToOffscreen(kTypeImagePNG, junk, 0, 0), nullptr);
  SetHandleSize(junk, 3);
  (*junk)[0] = char(0xFF), (*junk)[1] = char(0xD8), (*junk)[2] = char(0xFF);
  EXPECT_EQ(ConvertDataToOffscreen(2, junk, 0, 0), nullptr);
  DisposeHandle(junk);
}

TEST(Offscreens, PngFileHoldsTheWholeImage) {
  Off src(CreeOffscreen(7, 3, 32));
  Number(src.o);
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(CvtOffscreenToPngFile(src.o, f, "c", "t", "a", "d"));
  long n = std::ftell(f);
  std::rewind(f);
  Handle h = NewHandle(Size(n));
  ASSERT_EQ(std::fread(*h, 1, size_t(n), f), size_t(n));
  std::fclose(f);
  Off back(ConvertDataToOffscreen(kTypeImagePNG, h, 0, 0));
  ASSERT_NE(back.o, nullptr);
  EXPECT_EQ(back.At(6, 2)[1], 6);
  DisposeHandle(h);
  Off grey(CreeOffscreen(2, 2, 8));
  EXPECT_FALSE(CvtOffscreenToPngFile(grey.o, stdout, nullptr, nullptr, nullptr, nullptr));
  EXPECT_FALSE(CvtOffscreenToPngFile(src.o, nullptr, nullptr, nullptr, nullptr, nullptr));
}

TEST(Offscreens, AlphaDrawingBlendsIntoPixels) {
  PortGuard guard;
  Off port(CreeOffscreen(20, 20, 32));
  SetGWorld(port.o, nullptr);
  Rect all{0, 0, 20, 20};
  BackColor(whiteColor);
  EraseRect(&all);
  Off img(CreeOffscreen(10, 10, 32));
  Rect half{0, 0, 10, 10};
  OffscreenPaintRect(img.o, &half, 255, 0, 0, 50, 2);  // alpha 127
  Rect dst{5, 5, 15, 15};
  DrawOffscreenImage(img.o, &dst, true);
  uint8_t* p = port.At(8, 8);
  EXPECT_EQ(p[1], 255);
  EXPECT_NEAR(p[2], 128, 2);
  EXPECT_EQ(port.At(2, 2)[2], 255);
  // Clipped to the port's clip.
  EraseRect(&all);
  Rect clip{0, 0, 20, 10};
  ClipRect(&clip);
  DrawOffscreenImage(img.o, &dst, true);
  EXPECT_NEAR(port.At(8, 8)[2], 128, 2);
  EXPECT_EQ(port.At(12, 12)[2], 255);
  ClipRect(&all);
  // No image: the crossed frame.
  EraseRect(&all);
  DrawOffscreenImage(nullptr, &dst, false);
  EXPECT_EQ(port.At(5, 10)[1], 0);  // frame
  EXPECT_EQ(port.At(9, 9)[1], 0);   // diagonal
  EXPECT_EQ(port.At(9, 6)[1], 255);
}

TEST(Offscreens, AlphaImagesReachRecordedPictures) {
  PortGuard guard;
  Rect bounds{0, 0, 100, 100};
  DialogPtr dialog = NewColorDialog(nullptr, &bounds, nullptr, false, 0, nullptr, false, 0, nullptr);
  ASSERT_NE(dialog, nullptr);
  SetGWorld(GetDialogPort(dialog), nullptr);
  PicHandle pic = OpenPicture(&bounds);
  ASSERT_NE(pic, nullptr);
  Off img(CreeOffscreen(10, 10, 32));
  Rect half{0, 0, 10, 10};
  OffscreenPaintRect(img.o, &half, 0, 0, 255, 50, 2);
  Rect dst{20, 20, 40, 40};
  DrawOffscreenImage(img.o, &dst, true);
  ClosePicture();
  DisposeDialog(dialog);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 100, 100);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  ASSERT_TRUE(DrawPictureIntoContext(cr, pic, &bounds));
  cairo_surface_flush(s);
  auto at = [&](int x, int y) {
    return *reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s) +
                                              x * 4);
  };
  uint32_t mid = at(30, 30);
  EXPECT_NEAR(int((mid >> 16) & 0xFF), 128, 2);  // blue at half opacity over white
  EXPECT_EQ(mid & 0xFF, 0xFFu);
  EXPECT_EQ(at(10, 10) & 0xFFFFFF, 0xFFFFFFu);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
  KillPicture(pic);
}

TEST(Offscreens, PatternTilesFromTheTopLeftCorner) {
  PortGuard guard;
  int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  Off port(CreeOffscreen(40, 40, 32));
  SetGWorld(port.o, nullptr);
  Rect all{0, 0, 40, 40};
  BackColor(whiteColor);
  EraseRect(&all);
  Off tile(CreeOffscreen(4, 4, 32));
  Rect corner{0, 0, 1, 1}, tileAll{0, 0, 4, 4};
  OffscreenPaintRect(tile.o, &tileAll, 255, 255, 255, 100, 2);
  OffscreenPaintRect(tile.o, &corner, 0, 0, 0, 100, 2);
  Rect r{3, 3, 13, 13};
  FillWithPattern(tile.o, &r);
  EXPECT_EQ(port.At(3, 3)[1], 0);
  EXPECT_EQ(port.At(7, 7)[1], 0);
  EXPECT_EQ(port.At(11, 11)[1], 0);
  EXPECT_EQ(port.At(15, 15)[1], 255);  // outside the Rect
  EXPECT_EQ(port.At(4, 4)[1], 255);
  FillWithPattern(nullptr, &r);
  SetDpiDest(dpi);
}

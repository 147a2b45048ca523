// Rotated shapes and the relief frame.
#include <gtest/gtest.h>

#include "system/Couleurs.h"
#include "system/Rotations.h"
#include "text/UTFText.h"

namespace {

struct Scene {
  CGrafPtr port;
  GDHandle dev;
  uint8_t unicode;
  GWorldPtr world = nullptr;
  Scene() {
    GetGWorld(&port, &dev);
    unicode = IsUnicodeApplication();
    SetUnicodeApplication(1);
    Rect r{0, 0, 100, 200};
    NewGWorld(&world, 32, &r, nullptr, nullptr, 0);
    SetGWorld(world, nullptr);
    BackColor(whiteColor);
    EraseRect(&r);
    ForeColor(blackColor);
  }
  ~Scene() {
    SetGWorld(port, dev);
    DisposeGWorld(world);
    SetUnicodeApplication(unicode);
  }
  uint32_t At(int16_t x, int16_t y) { return QDGetPixel(world, x, y) & 0xFFFFFF; }
};

}  // namespace

TEST(Rotations, PointsAndVectorsTurnCounterClockwise) {
  Rect r{40, 40, 60, 60};  // centre (50, 50)
  Point p{50, 60};
  RotateTransformPoint(90, &r, &p);
  EXPECT_EQ(p.h, 50);
  EXPECT_EQ(p.v, 40);
  Point v;
  RotateTransformXYMove(90, 10, 0, &v);
  EXPECT_EQ(v.h, 0);
  EXPECT_EQ(v.v, -10);
  RotateTransformXYMove(180, 10, 0, &v);
  EXPECT_EQ(v.h, -10);
}

TEST(Rotations, RectangleBoundsAndFlag) {
  Scene s;
  Rect r{40, 0, 60, 100}, b;  // 100 x 20, centre (50, 50)
  GetBoundRotateRect(&r, 90, &b);
  EXPECT_NEAR(b.right - b.left, 20, 1);
  EXPECT_NEAR(b.bottom - b.top, 100, 1);
  EXPECT_NEAR((b.left + b.right) / 2, 50, 1);
  EXPECT_NEAR((b.top + b.bottom) / 2, 50, 1);
  GetBoundRotateRect(&r, 0, &b);
  EXPECT_TRUE(EqualRect(&b, &r));
  // Without the Unicode flag rectangles do not turn, vectors still do.
  SetUnicodeApplication(0);
  GetBoundRotateRect(&r, 90, &b);
  EXPECT_TRUE(EqualRect(&b, &r));
  MoveTo(10, 10);
  MoveRotate(10, 0, 90);
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 10);
  EXPECT_EQ(pen.v, 0);
}

TEST(Rotations, ShapesAtZeroAreTheirQuickDrawForms) {
  Scene s;
  Rect r{10, 10, 30, 50};
  PaintRotatedRect(&r, 0);
  EXPECT_EQ(s.At(10, 10), 0u);
  EXPECT_EQ(s.At(49, 29), 0u);
  EXPECT_EQ(s.At(50, 29), 0xFFFFFFu);
  Point in{20, 20}, out{5, 5};
  EXPECT_TRUE(IsPtInRotatedRect(in, &r, 0));
  EXPECT_FALSE(IsPtInRotatedRect(out, &r, 0));
  // Turned by 90: the 40 x 20 rect stands 20 x 40 about (30, 20).
  Rect t{40, 100, 60, 140};  // centre (120, 50)
  PaintRotatedRect(&t, 90);
  EXPECT_EQ(s.At(120, 35), 0u);
  EXPECT_EQ(s.At(135, 50), 0xFFFFFFu);
  Point top{35, 120}, side{50, 135};
  EXPECT_TRUE(IsPtInRotatedRect(top, &t, 90));
  EXPECT_FALSE(IsPtInRotatedRect(side, &t, 90));
  RgnHandle rgn = GetRgnFromRotatedRect(&t, 90);
  Rect bb;
  GetRegionBounds(rgn, &bb);
  EXPECT_NEAR(bb.right - bb.left, 20, 2);  // each corner truncated toward the centre
  DisposeRgn(rgn);
  // The pen, read back in the unturned frame.
  MoveToRotate(130, 50, &t, 90);
  Point pen;
  GetPenRotate(&pen, &t, 90);
  EXPECT_EQ(pen.h, 130);
  EXPECT_EQ(pen.v, 50);
}

TEST(Rotations, ReliefFrameKeepsTheBackground) {
  Scene s;
  RGBColor back{0x1111, 0x2222, 0x3333};
  RGBBackColor(&back);
  Rect r{10, 10, 50, 90};
  TraceCadreRelief(&r, true);
  RGBColor fore, now;
  GetForeColor(&fore);
  GetBackColor(&now);
  EXPECT_EQ(fore.red, 0);
  EXPECT_EQ(fore.blue, 0);
  EXPECT_EQ(now.green, 0x2222);
  EXPECT_EQ(GetLastForeColor(), 249);
  EXPECT_EQ(s.At(10, 10), 0xFFFFFFu);  // light top-left
  RGBColor c251;
  CvtIndexEnRGB(251, &c251);
  EXPECT_EQ(s.At(89, 49) >> 16, uint32_t(c251.red >> 8));  // dark bottom-right
  RGBColor c247;
  CvtIndexEnRGB(247, &c247);
  EXPECT_EQ(s.At(50, 30) >> 16, uint32_t(c247.red >> 8));  // erased inside
}

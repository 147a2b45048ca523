// Lines and splines: what the walker draws per style, the straight special
// lines, the limits that keep degenerate input finite, and the smooth dots
// that a recorded picture must keep.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "platform/Memory.h"
#include "platform/Pictures.h"
#include "plugin/Preferences.h"
#include "system/Splines.h"
#include "text/UTFText.h"

namespace {

struct PortGuard {
  CGrafPtr port;
  GDHandle dev;
  PortGuard() { GetGWorld(&port, &dev); }
  ~PortGuard() { SetGWorld(port, dev); }
};

struct Spy {
  std::vector<Point> lines;
  std::vector<Rect> ovals;
  std::vector<int16_t> comments;
  int bits = 0;
  int texts = 0;
  int translucent = 0;  // pixels with alpha strictly between 0 and 255 handed to bits
  int opaque = 0;
};
Spy gSpy;
void SpyLine(Point p) { gSpy.lines.push_back(p); }
void SpyOval(GrafVerb, const Rect* r) { gSpy.ovals.push_back(*r); }
void SpyText(int16_t, const void*, Point, Point) { ++gSpy.texts; }
void SpyComment(int16_t kind, int16_t, Handle) { gSpy.comments.push_back(kind); }
void SpyBits(const BitMap* bits, const Rect* src, const Rect*, int16_t, RgnHandle) {
  ++gSpy.bits;
  if (bits->pixelSize != 32) return;
  for (int y = src->top; y < src->bottom; ++y)
    for (int x = src->left; x < src->right; ++x) {
      uint8_t a = uint8_t(bits->baseAddr[(y - bits->bounds.top) * bits->rowBytes + (x - bits->bounds.left) * 4]);
      if (a > 0 && a < 255) ++gSpy.translucent;
      if (a == 255) ++gSpy.opaque;
    }
}

// A hidden port whose procedures spy, made current.
struct SpyPort {
  DialogPtr dialog;
  CQDProcs procs;
  SpyPort() {
    Rect r{0, 0, 400, 400};
    dialog = NewColorDialog(nullptr, &r, nullptr, false, 0, nullptr, false, 0, nullptr);
    SetGWorld(GetDialogPort(dialog), nullptr);
    SetStdCProcs(&procs);
    procs.lineProc = SpyLine;
    procs.ovalProc = SpyOval;
    procs.commentProc = SpyComment;
    procs.textProc = SpyText;
    procs.bitsProc = SpyBits;
    SetPortGrafProcs(GetDialogPort(dialog), &procs);
    gSpy = Spy{};
  }
  // Recording needs the standard procedures, which hand everything to the recorder.
  void Standard() { SetPortGrafProcs(GetDialogPort(dialog), nullptr); }
  void Spying() { SetPortGrafProcs(GetDialogPort(dialog), &procs); }
  ~SpyPort() {
    SetPortGrafProcs(GetDialogPort(dialog), nullptr);
    DisposeDialog(dialog);
  }
};

std::vector<SplinePoint> Straight(float length, float width) {
  return {{10, 50, width}, {10 + length / 2, 50, width}, {10 + length, 50, width}};
}

}  // namespace

TEST(Splines, DashesBeginAndEndTheCurve) {
  PortGuard guard;
  SpyPort port;
  std::vector<SplinePoint> p = Straight(100, 10);
  csplinepointille(kStyleSplineTirets, false, p.data(), 3, 6);
  EXPECT_EQ(TypeAction, kActionTirets);
  ASSERT_EQ(gSpy.lines.size(), 11u);  // m = 21 samples after 0: eleven dashes
  EXPECT_LE(gSpy.lines.back().h, 110);
  EXPECT_GE(gSpy.lines.back().h, 105);
  // Dots: one disc per sample, 0.25 x the width across.
  gSpy = Spy{};
  csplinepointille(kStyleSplinePoints, false, p.data(), 3, 6);
  EXPECT_EQ(TypeAction, kActionPoints);
  ASSERT_EQ(gSpy.ovals.size(), 21u);
  EXPECT_EQ(gSpy.ovals[0].right - gSpy.ovals[0].left, 2);
  // Solid and waves draw from the second polyline segment on.
  gSpy = Spy{};
  cspline(false, p.data(), 3, 6.0f);
  EXPECT_EQ(TypeAction, kActionTrait);
  EXPECT_GT(gSpy.lines.size(), 10u);
  gSpy = Spy{};
  csplinepointille(5, false, p.data(), 3, 6);
  EXPECT_EQ(TypeAction, kActionOndes);
  EXPECT_EQ(gSpy.lines.size() % 32, 0u);  // whole sine periods of 32 strokes
  EXPECT_GT(gSpy.lines.size(), 0u);
}

TEST(Splines, DegenerateInputEnds) {
  PortGuard guard;
  SpyPort port;
  std::vector<SplinePoint> zero = Straight(100, 0);
  cspline(false, zero.data(), 3, 6.0f);
  std::vector<SplinePoint> one = {{5, 5, 10}};
  cspline(false, one.data(), 1, 6.0f);
  std::vector<SplinePoint> same = {{5, 5, 10}, {5, 5, 10}, {5, 5, 10}};
  for (int16_t style : {int16_t(4), int16_t(5), int16_t(6)}) csplinepointille(style, true, same.data(), 3, 6);
  cspline(true, same.data(), 3, 6.0f);
  std::vector<SplinePoint> wild = {{-1e30f, 5, 10}, {1e30f, 5, 1e30f}, {3, 1e30f, 10}};
  csplinepointille(4, false, wild.data(), 3, 6);
  csplinepointille(4, true, wild.data(), 3, 6);
  std::vector<SplinePoint> nan = {{0, 0, 10}, {std::nanf(""), 5, 10}, {3, 4, 10}};
  cspline(false, nan.data(), 3, 6.0f);
  EXPECT_TRUE(gSpy.lines.empty());
  // Steps of 0 or less: the dashed line solid, the dotted line nothing.
  TraceLignePointillee(0, 0, 100, 0, 0);
  EXPECT_EQ(gSpy.lines.size(), 1u);
  TraceLigneDotted(0, 0, 100, 0, -3);
  TraceLigneOnde(0, 0, 100, 0, 0);
  TraceLigneOnde(5, 5, 5, 5, 16);
}

TEST(Splines, ListStopsAtSixteenPoints) {
  PortGuard guard;
  SpyPort port;
  std::vector<SplinePoint> p;
  for (int i = 0; i < 16; ++i) p.push_back({float(10 + 20 * i), float(50 + (i % 2) * 30), 8});
  cspline(false, p.data(), 16, 6.0f);
  std::vector<Point> expected = gSpy.lines;
  ASSERT_FALSE(expected.empty());
  gSpy = Spy{};
  // Seventeen triples and no end mark: the seventeenth is not read.
  CSplineList(false, 0, 10, 50, 8, 30, 80, 8, 50, 50, 8, 70, 80, 8, 90, 50, 8, 110, 80, 8, 130, 50, 8, 150, 80, 8, 170,
              50, 8, 190, 80, 8, 210, 50, 8, 230, 80, 8, 250, 50, 8, 270, 80, 8, 290, 50, 8, 310, 80, 8, 999, 999, 99);
  ASSERT_EQ(gSpy.lines.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(EqualPt(gSpy.lines[i], expected[i]));
  gSpy = Spy{};
  CSplineList(false, 0, 10, 50, 8, 30, 80, 8, -32768);
  EXPECT_FALSE(gSpy.lines.empty());
}

TEST(Splines, StraightDashedLines) {
  PortGuard guard;
  SpyPort port;
  const struct {
    int16_t x2, step;
    size_t lines;
  } cases[] = {{100, 200, 1}, {100, 10, 6}, {100, 100, 1}, {100, 30, 3}};
  for (const auto& c : cases) {
    gSpy = Spy{};
    TraceLignePointillee(0, 0, c.x2, 0, c.step);
    EXPECT_EQ(gSpy.lines.size(), c.lines) << c.step;
    EXPECT_EQ(gSpy.lines.back().h, c.x2);
  }
}

TEST(Splines, SmoothLinePenSizes) {
  PortGuard guard;
  SpyPort port;
  PenSize(10, 5);
  DrawSmoothLine(0, 0, 50, 50, -1, -1);
  PenState pen;
  GetPenState(&pen);
  EXPECT_EQ(pen.pnSize.h, 8);
  EXPECT_EQ(pen.pnSize.v, 4);
  // Thinner than a pixel still shows.
  DrawSmoothLine(0, 0, 50, 50, 0.4f, 0.0f);
  GetPenState(&pen);
  EXPECT_EQ(pen.pnSize.h, 1);
  EXPECT_EQ(pen.pnSize.v, 1);
  AntialiasedLine(false, 1.7f, 2.2f, 30.9f, 2.2f, 2.6f, 0.2f);
  GetPenState(&pen);
  EXPECT_EQ(pen.pnSize.h, 2);
  EXPECT_EQ(pen.pnSize.v, 1);
  EXPECT_EQ(gSpy.lines.back().h, 30);
}

TEST(Splines, SmoothDotsReachRecordedPictures) {
  PortGuard guard;
  SpyPort port;
  uint8_t savedPref = pref.traitsAntialiasSplines;
  pref.traitsAntialiasSplines = 1;
  Rect frame{0, 0, 400, 400};
  port.Standard();
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  std::vector<SplinePoint> p = Straight(100, 16);
  csplinepointille(kStyleSplinePoints, true, p.data(), 3, 6);
  ClosePicture();
  port.Spying();
  gSpy = Spy{};
  DrawPicture(pic, &frame);
  EXPECT_GE(gSpy.bits, 1);
  EXPECT_GT(gSpy.translucent, 0);  // the dots' smooth edges
  EXPECT_GT(gSpy.opaque, 0);
  // With the preference off the dots are plain discs.
  pref.traitsAntialiasSplines = 0;
  gSpy = Spy{};
  csplinepointille(kStyleSplinePoints, true, p.data(), 3, 6);
  EXPECT_EQ(gSpy.bits, 0);
  EXPECT_GT(gSpy.ovals.size(), 0u);
  pref.traitsAntialiasSplines = savedPref;
  KillPicture(pic);
}

TEST(Splines, SmoothDotsBlendIntoPixels) {
  PortGuard guard;
  Rect r{0, 0, 60, 120};
  GWorldPtr world = nullptr;
  ASSERT_EQ(NewGWorld(&world, 32, &r, nullptr, nullptr, 0), qdNoErr);
  SetGWorld(world, nullptr);
  BackColor(whiteColor);
  EraseRect(&r);
  ForeColor(blackColor);
  std::vector<SplinePoint> p = Straight(100, 16);
  uint8_t savedPref = pref.traitsAntialiasSplines;
  pref.traitsAntialiasSplines = 1;
  csplinepointille(kStyleSplinePoints, true, p.data(), 3, 6);
  pref.traitsAntialiasSplines = savedPref;
  int grey = 0, black = 0;
  for (int16_t y = 0; y < 60; ++y)
    for (int16_t x = 0; x < 120; ++x) {
      uint32_t v = QDGetPixel(world, x, y) & 0xFF;
      grey += v > 0 && v < 255;
      black += v == 0;
    }
  EXPECT_GT(grey, 0);
  EXPECT_GT(black, 0);
  DisposeGWorld(world);
}

TEST(Splines, PixelAccessByDepth) {
  std::vector<uint8_t> px32(4 * 4 * 4, 0), px16(4 * 4 * 2, 0);
  PixMap pm32{};
  pm32.baseAddr = reinterpret_cast<Ptr>(px32.data());
  pm32.rowBytes = 16;
  pm32.bounds = Rect{10, 10, 14, 14};
  pm32.pixelSize = 32;
  RGBColor c{0x1234, 0xABCD, 0xFFFF}, back;
  QDMP_SetPixel(&pm32, 11, 12, &c);
  QDMP_GetPixel(&back, &pm32, 11, 12);
  EXPECT_EQ(back.red, 0x1212);
  EXPECT_EQ(back.green, 0xABAB);
  EXPECT_EQ(back.blue, 0xFFFF);
  std::vector<uint8_t> before = px32;
  QDMP_SetPixel(&pm32, 14, 12, &c);
  QDMP_SetPixel(&pm32, 9, 12, &c);
  EXPECT_EQ(px32, before);
  QDMP_GetPixel(&back, &pm32, 20, 20);
  EXPECT_EQ(back.red, 0);
  PixMap pm16 = pm32;
  pm16.baseAddr = reinterpret_cast<Ptr>(px16.data());
  pm16.rowBytes = 8;
  pm16.pixelSize = 16;
  px16[0] = 0x7F, px16[1] = 0xFF;
  QDMP_GetPixel(&back, &pm16, 10, 10);
  EXPECT_EQ(back.red, 31 * 2048 + 31);
  QDMP_SetPixel(&pm16, 11, 10, &c);
  EXPECT_EQ((px16[2] << 8 | px16[3]), (0x1234 >> 11) << 10 | (0xABCD >> 11) << 5 | 31);
}

TEST(Splines, ShortWavyLineStillDrawsOneGlyph) {
  PortGuard guard;
  SpyPort port;
  uint8_t saved = IsUnicodeApplication();
  SetUnicodeApplication(1);
  Rect frame{0, 0, 400, 400};
  port.Standard();
  PicHandle pic = OpenPicture(&frame);
  ASSERT_NE(pic, nullptr);
  TraceLigneOnde(10, 10, 12, 10, 16);
  ClosePicture();
  port.Spying();
  SetUnicodeApplication(saved);
  gSpy = Spy{};
  DrawPicture(pic, &frame);
  EXPECT_EQ(gSpy.texts, 1);
  KillPicture(pic);
}

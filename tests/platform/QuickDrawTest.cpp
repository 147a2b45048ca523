#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <cairo.h>

#include "platform/Memory.h"
#include "platform/QuickDraw.h"

namespace {

// A small white 32-bit offscreen made current for the test; pixels read back
// as text rows, '#' for black, '.' for white, '?' for anything else.
class Canvas : public ::testing::Test {
 protected:
  void SetUp() override { Make(12, 10); }
  void TearDown() override {
    SetGWorld(saved_, nullptr);
    DisposeGWorld(world_);
  }
  void Make(int16_t w, int16_t h, int16_t depth = 32) {
    if (world_) {
      SetGWorld(saved_, nullptr);
      DisposeGWorld(world_);
    }
    GetGWorld(&saved_, nullptr);
    Rect b;
    SetRect(&b, 0, 0, w, h);
    ASSERT_EQ(NewGWorld(&world_, depth, &b, nullptr, nullptr, 0), qdNoErr);
    SetGWorld(world_, nullptr);
    EraseRect(&b);
  }
  std::string Rows(int16_t top, int16_t bottom, int16_t right) {
    std::string out;
    for (int16_t v = top; v < bottom; ++v) {
      for (int16_t h = 0; h < right; ++h) {
        uint32_t p = QDGetPixel(world_, h, v) & 0xFFFFFF;
        out += p == 0 ? '#' : p == 0xFFFFFF ? '.' : '?';
      }
      out += '\n';
    }
    return out;
  }
  std::string All() {
    Rect b;
    GetPortBounds(world_, &b);
    return Rows(0, b.bottom, b.right);
  }
  static std::string Lines(std::initializer_list<const char*> rows) {
    std::string out;
    for (const char* r : rows) out += std::string(r) + "\n";
    return out;
  }
  GWorldPtr world_ = nullptr;
  CGrafPtr saved_ = nullptr;
};

TEST_F(Canvas, PenHangsBelowRightAndLinesIncludeBothEnds) {
  MoveTo(2, 1);
  LineTo(2, 1);  // a 1x1 line is one pixel
  PenSize(3, 2);
  MoveTo(5, 4);
  LineTo(8, 5);  // the 3x2 pen swept from (5,4) to (8,5)
  Point pen;
  GetPen(&pen);
  EXPECT_EQ(pen.h, 8);
  EXPECT_EQ(pen.v, 5);
  EXPECT_EQ(Rows(0, 8, 12), Lines({
                                "............",
                                "..#.........",
                                "............",
                                "............",
                                ".....####...",  // points (5,4),(6,4) then (7,5),(8,5), 3 wide, 2 high
                                ".....######.",
                                ".......####.",
                                "............",
                            }));
}

TEST_F(Canvas, LineAndItsReverseCoverTheSamePixels) {
  MoveTo(1, 1);
  LineTo(10, 4);
  std::string forward = All();
  Rect b = {0, 0, 10, 12};
  EraseRect(&b);
  MoveTo(10, 4);
  LineTo(1, 1);
  EXPECT_EQ(All(), forward);
  // Diagonal: one pixel per row and column.
  EraseRect(&b);
  MoveTo(0, 0);
  Line(3, 3);
  EXPECT_EQ(Rows(0, 5, 5), Lines({"#....", ".#...", "..#..", "...#.", "....."}));
}

TEST_F(Canvas, FrameRectDrawsInsideAndPaintFillsExactly) {
  Rect r;
  SetRect(&r, 1, 1, 7, 6);
  PenSize(2, 1);
  FrameRect(&r);
  SetRect(&r, 8, 2, 11, 4);
  PaintRect(&r);
  EXPECT_EQ(All(), Lines({
                       "............",
                       ".######.....",
                       ".##..##.###.",
                       ".##..##.###.",
                       ".##..##.....",
                       ".######.....",
                       "............",
                       "............",
                       "............",
                       "............",
                   }));
}

TEST_F(Canvas, OvalOfOddSizeIsInscribedAndSymmetric) {
  Rect r;
  SetRect(&r, 1, 1, 6, 6);  // 5 x 5
  PaintOval(&r);
  SetRect(&r, 7, 1, 12, 8);  // 5 x 7 framed
  FrameOval(&r);
  EXPECT_EQ(Rows(0, 9, 12), Lines({
                                "............",
                                "..###...###.",
                                ".#####.##.##",
                                ".#####.#...#",
                                ".#####.#...#",
                                "..###..#...#",
                                ".......##.##",
                                "........###.",
                                "............",
                            }));
}

TEST_F(Canvas, EvenOddPolygonAndClip) {
  PolyHandle poly = OpenPoly();
  MoveTo(0, 0);
  LineTo(6, 0);
  LineTo(6, 6);
  LineTo(3, 3);
  LineTo(0, 6);
  LineTo(0, 0);
  ClosePoly();
  Rect clip;
  SetRect(&clip, 0, 0, 5, 10);
  ClipRect(&clip);
  PaintPoly(poly);
  KillPoly(poly);
  EXPECT_EQ(Rows(0, 7, 8), Lines({
                               "#####...",
                               "#####...",
                               "#####...",
                               "##.##...",
                               "#...#...",
                               "........",
                               "........",
                           }));
  // A new port's clip is wide open.
  RgnHandle rgn = NewRgn();
  CGrafPtr port = CreateNewPort();
  GetClip(rgn);
  Rect b;
  GetRegionBounds(rgn, &b);
  EXPECT_EQ(b.left, -32767);
  EXPECT_EQ(b.top, -32767);
  EXPECT_EQ(b.right, 32767);
  EXPECT_EQ(b.bottom, 32767);
  DisposePort(port);
  DisposeRgn(rgn);
}

TEST_F(Canvas, FrameRgnDrawsInsideAnyRegion) {
  RgnHandle a = NewRgn(), b = NewRgn();
  SetRectRgn(a, 0, 0, 6, 3);
  SetRectRgn(b, 0, 0, 3, 6);
  UnionRgn(a, b, a);  // an L
  FrameRgn(a);
  EXPECT_EQ(Rows(0, 7, 7), Lines({
                               "######.",
                               "#....#.",
                               "#.####.",
                               "#.#....",
                               "#.#....",
                               "###....",
                               ".......",
                           }));
  DisposeRgn(a);
  DisposeRgn(b);
}

TEST_F(Canvas, HugeAndHostileShapesStayBounded) {
  // Shapes across the whole 16-bit plane are only built where pixels are.
  Rect all = {-32767, -32767, 32767, 32767};
  PaintOval(&all);
  EXPECT_EQ(All().find('.'), std::string::npos);
  EraseRect(&all);
  PenSize(30000, 30000);
  FrameArc(&all, 10, 300);
  MoveTo(-32767, -32767);
  LineTo(32767, 32767);
  EXPECT_EQ(QDGetPixel(world_, 5, 5), 0xFF000000u);
  PenNormal();
  // Thousands of edges spanning the plane: refused, not gigabytes.
  PolyHandle zig = OpenPoly();
  MoveTo(-32767, -32767);
  for (int i = 0; i < 2000; ++i) LineTo(int16_t(-32000 + i * 30), int16_t(i % 2 ? 32767 : -32767));
  ClosePoly();
  RgnHandle rgn = NewRgn();
  QDPolyToRgn(zig, rgn);
  EXPECT_TRUE(EmptyRgn(rgn));
  PaintPoly(zig);  // clipped to the port's rows: drawn
  KillPoly(zig);
  DisposeRgn(rgn);
}

// An arc is its oval (or the oval's frame) cut to the pixels whose centres lie
// at angles [start, start + arc), clockwise from twelve o'clock, with angles
// following the rectangle (45 points at its corner). Pixels whose centre sits
// on an edge within rounding are not judged.
TEST_F(Canvas, ArcsAreTheirOvalsCutToTheirWedge) {
  Make(40, 30);
  const struct {
    Rect r;
    int16_t start, arc;
  } cases[] = {
      {{2, 3, 27, 38}, 0, 90},    {{2, 3, 27, 38}, 45, 120}, {{2, 3, 27, 38}, 300, 100}, {{2, 3, 27, 38}, 10, 250},
      {{2, 3, 27, 38}, 90, -135}, {{1, 1, 30, 30}, -30, 60}, {{1, 1, 30, 30}, 180, 180}, {{0, 5, 9, 36}, 725, 30},
      {{3, 4, 8, 7}, 0, 359},     {{2, 3, 27, 38}, 20, 400}, {{2, 3, 27, 38}, 20, 0},
  };
  Rect all = {0, 0, 30, 40};
  for (const auto& c : cases) {
    for (bool frame : {false, true}) {
      const std::string where = std::to_string(c.start) + " " + std::to_string(c.arc) + (frame ? " frame" : "");
      PenSize(3, 2);
      EraseRect(&all);
      frame ? FrameOval(&c.r) : PaintOval(&c.r);
      const std::string oval = All();
      EraseRect(&all);
      frame ? FrameArc(&c.r, c.start, c.arc) : PaintArc(&c.r, c.start, c.arc);
      const std::string arc = All();
      PenNormal();
      int64_t start = c.start, sweep = c.arc;
      if (sweep < 0) start += sweep, sweep = -sweep;
      const long double w = c.r.right - c.r.left, h = c.r.bottom - c.r.top;
      const long double cx = (c.r.left + c.r.right) / 2.0L, cy = (c.r.top + c.r.bottom) / 2.0L;
      int judged = 0;
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
          const size_t at = size_t(y) * 41 + size_t(x);
          if (oval[at] == '.') {
            EXPECT_EQ(arc[at], '.') << where << " at " << x << "," << y;
            continue;
          }
          bool want = true;
          if (sweep < 360) {
            const long double u = (x + 0.5L - cx) / w, v = (y + 0.5L - cy) / h;
            if (u == 0 && v == 0) continue;
            long double a = std::atan2(u, -v) * 180.0L / 3.14159265358979323846L;
            long double rel = std::fmod(a - start, 360.0L);
            if (rel < 0) rel += 360.0L;
            if (std::fabs(rel) < 1e-6L || std::fabs(rel - sweep) < 1e-6L || std::fabs(rel - 360.0L) < 1e-6L) continue;
            want = sweep > 0 && rel < sweep;
          }
          ++judged;
          EXPECT_EQ(arc[at], want ? '#' : '.') << where << " at " << x << "," << y;
        }
      EXPECT_GT(judged, 5) << where;
    }
  }
}

namespace {

// A cairo port over an image surface without anti-aliasing, made current.
struct CairoCanvas {
  cairo_surface_t* surface;
  cairo_t* cr;
  CGrafPtr port, saved = nullptr;
  Rect bounds;
  CairoCanvas(int16_t w, int16_t h) : bounds{0, 0, h, w} {
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    port = QDNewCairoPort(cr, &bounds);
    GetGWorld(&saved, nullptr);
    SetGWorld(port, nullptr);
    EraseRect(&bounds);
  }
  ~CairoCanvas() {
    SetGWorld(saved, nullptr);
    DisposePort(port);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  uint32_t At(int x, int y) {
    cairo_surface_flush(surface);
    const uint8_t* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
  }
};

}  // namespace

TEST(QuickDrawCairo, ArcsAreWedgePaths) {
  CairoCanvas canvas(40, 40);
  Rect r = {0, 0, 40, 40};
  PaintArc(&r, 90, 90);  // the lower right quarter
  PenSize(2, 2);
  Rect inner = {10, 10, 30, 30};
  FrameArc(&inner, 270, 90);  // the upper left quarter of a ring
  auto px = [&](int x, int y) { return canvas.At(x, y); };
  EXPECT_EQ(px(25, 25), 0u);
  EXPECT_EQ(px(35, 24), 0u);
  EXPECT_EQ(px(38, 38), 0xFFFFFFu);  // outside the oval
  EXPECT_EQ(px(15, 25), 0xFFFFFFu);  // other quarters
  EXPECT_EQ(px(25, 15), 0xFFFFFFu);
  EXPECT_EQ(px(10, 19), 0u);  // the ring's left edge, above the middle
  EXPECT_EQ(px(19, 10), 0u);
  EXPECT_EQ(px(15, 15), 0xFFFFFFu);  // inside the ring
  EXPECT_EQ(px(10, 21), 0xFFFFFFu);  // below the middle: not the wedge
}

TEST_F(Canvas, HiddenPenDrawsNothingButMoves) {
  HidePen();
  MoveTo(1, 1);
  LineTo(5, 1);
  ShowPen();
  Point p;
  GetPen(&p);
  EXPECT_EQ(p.h, 5);
  EXPECT_EQ(All().find('#'), std::string::npos);
}

TEST(QuickDrawRegions, SetOperationsAndPointTests) {
  RgnHandle a = NewRgn(), b = NewRgn(), c = NewRgn();
  SetRectRgn(a, 0, 0, 10, 10);
  SetRectRgn(b, 5, 5, 15, 15);
  UnionRgn(a, b, c);
  Rect r;
  GetRegionBounds(c, &r);
  EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 15 && r.bottom == 15);
  EXPECT_FALSE(PtInRgn(Point{12, 2}, c));  // v 12, h 2: outside both
  EXPECT_TRUE(PtInRgn(Point{12, 12}, c));
  SectRgn(a, b, c);
  GetRegionBounds(c, &r);
  EXPECT_TRUE(r.left == 5 && r.top == 5 && r.right == 10 && r.bottom == 10);
  EXPECT_TRUE(IsRegionRectangular(c));
  DiffRgn(a, b, c);
  EXPECT_TRUE(PtInRgn(Point{9, 4}, c));
  EXPECT_FALSE(PtInRgn(Point{9, 9}, c));
  EXPECT_FALSE(IsRegionRectangular(c));
  // Diff then union back gives the same region.
  UnionRgn(c, b, c);
  UnionRgn(a, b, a);
  EXPECT_TRUE(EqualRgn(a, c));
  SetRectRgn(b, 20, 20, 30, 30);
  SectRgn(a, b, c);
  EXPECT_TRUE(EmptyRgn(c));
  GetRegionBounds(c, &r);
  EXPECT_TRUE(r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0);
  OffsetRgn(b, -5, 5);
  GetRegionBounds(b, &r);
  EXPECT_TRUE(r.left == 15 && r.top == 25 && r.right == 25 && r.bottom == 35);
  DisposeRgn(a);
  DisposeRgn(b);
  DisposeRgn(c);
}

// Insetting keeps the points whose whole neighbourhood of dh across and dv
// down is inside (outsetting: any of it), however far: checked point by point
// against the definition on a region with notches, a hole and two parts.
TEST(QuickDrawRegions, InsetRgnIsExactAtAnyDistance) {
  RgnHandle base = NewRgn(), part = NewRgn();
  auto add = [&](int16_t l, int16_t t, int16_t r, int16_t b) {
    SetRectRgn(part, l, t, r, b);
    UnionRgn(base, part, base);
  };
  add(0, 0, 30, 3000);
  add(30, 100, 60, 160);
  add(40, 1500, 70, 4100);
  SetRectRgn(part, 10, 1000, 20, 1003);  // a thin hole
  DiffRgn(base, part, base);
  constexpr int kX0 = -10, kX1 = 80, kY0 = -1800, kY1 = 6000;
  constexpr int kW = kX1 - kX0, kH = kY1 - kY0;
  // A region's points over the window, painted into pixels.
  GWorldPtr world = nullptr;
  const Rect window = {0, 0, kH, kW};
  ASSERT_EQ(NewGWorld(&world, 32, &window, nullptr, nullptr, 0), qdNoErr);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(world, nullptr);
  RgnHandle shifted = NewRgn();
  auto points = [&](RgnHandle rgn) {
    EraseRect(&window);
    CopyRgn(rgn, shifted);
    OffsetRgn(shifted, -kX0, -kY0);
    PaintRgn(shifted);
    std::vector<uint8_t> out(size_t(kW) * kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        out[size_t(y) * kW + size_t(x)] = (QDGetPixel(world, int16_t(x), int16_t(y)) & 0xFFFFFF) == 0;
    return out;
  };
  const std::vector<uint8_t> grid = points(base);
  const struct {
    int16_t dh, dv;
  } cases[] = {{0, 1000}, {0, -700}, {0, 2}, {0, -1}, {3, 600}, {-2, -40}, {5, 0}, {0, 1600}, {2, -30}};
  RgnHandle r = NewRgn();
  std::vector<uint8_t> across(grid.size()), want(grid.size());
  for (const auto& c : cases) {
    // Across, then down, as the definition reads.
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        bool all = true, any = false;
        for (int j = -std::abs(c.dh); j <= std::abs(c.dh); ++j) {
          const bool p = x + j >= 0 && x + j < kW && grid[size_t(y) * kW + size_t(x + j)];
          all = all && p;
          any = any || p;
        }
        across[size_t(y) * kW + size_t(x)] = c.dh >= 0 ? all : any;
      }
    for (int x = 0; x < kW; ++x) {
      std::vector<int> sum(size_t(kH) + 1, 0);
      for (int y = 0; y < kH; ++y) sum[size_t(y) + 1] = sum[size_t(y)] + across[size_t(y) * kW + size_t(x)];
      const int d = std::abs(c.dv);
      for (int y = 0; y < kH; ++y) {
        const int lo = std::max(0, y - d), hi = std::min(kH, y + d + 1), n = sum[size_t(hi)] - sum[size_t(lo)];
        want[size_t(y) * kW + size_t(x)] = c.dv >= 0 ? n == 2 * d + 1 : n > 0;
      }
    }
    CopyRgn(base, r);
    InsetRgn(r, c.dh, c.dv);
    const std::vector<uint8_t> got = points(r);
    int bad = 0;
    for (size_t i = 0; i < got.size() && bad < 5; ++i)
      if (got[i] != want[i]) {
        ++bad;
        ADD_FAILURE() << c.dh << "," << c.dv << " at " << int(i % kW) + kX0 << "," << int(i / kW) + kY0;
      }
  }
  SetGWorld(saved, nullptr);
  DisposeGWorld(world);
  DisposeRgn(shifted);
  DisposeRgn(r);
  DisposeRgn(part);
  DisposeRgn(base);
}

TEST(QuickDrawRegions, OpenRgnBuildsEvenOddOutline) {
  GWorldPtr w;
  Rect b = {0, 0, 20, 20};
  ASSERT_EQ(NewGWorld(&w, 32, &b, nullptr, nullptr, 0), qdNoErr);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(w, nullptr);
  RgnHandle rgn = NewRgn();
  OpenRgn();
  Rect outer = {0, 0, 10, 10}, inner = {3, 3, 6, 6};
  FrameRect(&outer);
  FrameRect(&inner);
  CloseRgn(rgn);
  EXPECT_TRUE(PtInRgn(Point{1, 1}, rgn));
  EXPECT_FALSE(PtInRgn(Point{4, 4}, rgn));  // the inner frame makes a hole
  EXPECT_TRUE(PtInRgn(Point{9, 9}, rgn));
  EXPECT_FALSE(PtInRgn(Point{10, 9}, rgn));
  // Nothing was drawn while the region was defined.
  EXPECT_EQ(QDGetPixel(w, 0, 0), 0u);
  SetGWorld(saved, nullptr);
  DisposeRgn(rgn);
  DisposeGWorld(w);
}

TEST(QuickDrawRegions, StoredFormRoundTripsAndRejectsDamage) {
  RgnHandle a = NewRgn(), b = NewRgn(), c = NewRgn();
  SetRectRgn(a, 0, 0, 10, 10);
  SetRectRgn(b, 5, 5, 15, 15);
  UnionRgn(a, b, c);
  Handle bytes = NewHandle(0);
  ASSERT_EQ(QDRegionToBytes(c, bytes), noErr);
  // Inversion points: v0: 0 10; v5: 10 15; v10: 0 5; v15: 5 15.
  const uint8_t expect[] = {0,    44,  0, 0,  0, 0,  0,    15,   0, 15,  // size, bounds
                            0,    0,   0, 0,  0, 10, 0x7F, 0xFF,         //
                            0,    5,   0, 10, 0, 15, 0x7F, 0xFF,         //
                            0,    10,  0, 0,  0, 5,  0x7F, 0xFF,         //
                            0,    15,  0, 5,  0, 15, 0x7F, 0xFF,         //
                            0x7F, 0xFF};
  ASSERT_EQ(GetHandleSize(bytes), Size(sizeof(expect)));
  EXPECT_EQ(std::memcmp(*bytes, expect, sizeof(expect)), 0);
  size_t used = 0;
  ASSERT_TRUE(QDRegionFromBytes(reinterpret_cast<uint8_t*>(*bytes), sizeof(expect), a, &used));
  EXPECT_EQ(used, sizeof(expect));
  EXPECT_TRUE(EqualRgn(a, c));
  // Rectangular regions are 10 bytes.
  SetRectRgn(b, 1, 2, 3, 4);
  ASSERT_EQ(QDRegionToBytes(b, bytes), noErr);
  EXPECT_EQ(GetHandleSize(bytes), 10);
  // Damage: truncated, size beyond the data, unsorted points, odd edges.
  std::vector<uint8_t> good(expect, expect + sizeof(expect));
  struct Bad {
    const char* what;
    std::vector<uint8_t> data;
  };
  std::vector<Bad> bad = {{"truncated", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
                          {"short", {0, 8, 0, 0, 0, 0, 0, 1, 0, 1}}};
  auto v = good;
  v[14] = 0;
  v[15] = 0;  // second point of the first row equal to the first
  bad.push_back({"unsorted", v});
  v = good;
  v[12] = 0x7F;
  v[13] = 0xFF;
  v[14] = 0;
  v[15] = 0;
  bad.push_back({"row without points", v});
  for (const Bad& c2 : bad) {
    EXPECT_FALSE(QDRegionFromBytes(c2.data.data(), c2.data.size(), a, &used)) << c2.what;
    EXPECT_TRUE(EmptyRgn(a)) << c2.what;
  }
  DisposeHandle(bytes);
  DisposeRgn(a);
  DisposeRgn(b);
  DisposeRgn(c);
}

TEST(QuickDrawBits, CopyBitsModesScalingAndClip) {
  GWorldPtr src, dst;
  Rect sb = {0, 0, 2, 2}, db = {0, 0, 4, 6};
  ASSERT_EQ(NewGWorld(&src, 32, &sb, nullptr, nullptr, 0), qdNoErr);
  ASSERT_EQ(NewGWorld(&dst, 32, &db, nullptr, nullptr, 0), qdNoErr);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  // Source: black, white / white, red.
  SetGWorld(src, nullptr);
  EraseRect(&sb);
  Rect px = {0, 0, 1, 1};
  PaintRect(&px);
  ForeColor(redColor);
  px = Rect{1, 1, 2, 2};
  PaintRect(&px);
  SetGWorld(dst, nullptr);
  RGBColor grey = {0x8000, 0x8000, 0x8000};
  RGBBackColor(&grey);
  EraseRect(&db);
  BackColor(whiteColor);
  // Scaled x2 with transparent (+ dither flag): the white pixels are holes.
  Rect to = {0, 0, 4, 4};
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &sb, &to, transparent + ditherCopy, nullptr);
  EXPECT_EQ(QDGetPixel(dst, 0, 0), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(dst, 1, 1), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(dst, 2, 0), 0xFF808080u);
  EXPECT_EQ(QDGetPixel(dst, 3, 3), 0xFFFF0000u);
  // srcCopy clipped to the destination clip.
  Rect clip = {0, 4, 1, 5};  // only pixel (4, 0)
  ClipRect(&clip);
  Rect to2 = {0, 4, 2, 6};
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &sb, &to2, srcCopy, nullptr);
  EXPECT_EQ(QDGetPixel(dst, 4, 0), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(dst, 5, 0), 0xFF808080u);
  EXPECT_EQ(QDGetPixel(dst, 4, 1), 0xFF808080u);
  // srcOr darkens: red over grey keeps the red component only where grey had it.
  Rect wide = {-32767, -32767, 32767, 32767};
  ClipRect(&wide);
  Rect one = {1, 1, 2, 2}, at = {3, 5, 4, 6};
  CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &one, &at, srcOr, nullptr);
  EXPECT_EQ(QDGetPixel(dst, 5, 3), 0xFF800000u);
  SetGWorld(saved, nullptr);
  DisposeGWorld(src);
  DisposeGWorld(dst);
}

// Copies within one pixel buffer read every source pixel before it is
// overwritten, whichever way they move, scaled or not.
TEST(QuickDrawBits, CopiesWithinOneBufferMoveThePixelsAsTheyWere) {
  const Rect b = {0, 0, 9, 12};
  GWorldPtr w;
  ASSERT_EQ(NewGWorld(&w, 32, &b, nullptr, nullptr, 0), qdNoErr);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(w, nullptr);
  auto fill = [&] {
    for (int16_t y = 0; y < 9; ++y)
      for (int16_t x = 0; x < 12; ++x) {
        RGBColor c = {uint16_t(x * 0x1500), uint16_t(y * 0x1C00), 0x7700};
        RGBForeColor(&c);
        Rect px = {y, x, int16_t(y + 1), int16_t(x + 1)};
        PaintRect(&px);
      }
  };
  const struct {
    Rect src, dst;
  } cases[] = {
      {{0, 0, 6, 8}, {2, 3, 8, 11}},  // down and right
      {{2, 3, 8, 11}, {0, 0, 6, 8}},  // up and left
      {{1, 0, 5, 9}, {1, 3, 5, 12}},  // along its own rows, right
      {{1, 3, 5, 12}, {1, 0, 5, 9}},  // and left
      {{0, 1, 4, 5}, {1, 0, 9, 12}},  // enlarged over itself
      {{0, 0, 9, 12}, {2, 2, 5, 6}},  // shrunk into itself
  };
  for (const auto& c : cases) {
    fill();
    uint32_t before[9][12];
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) before[y][x] = QDGetPixel(w, int16_t(x), int16_t(y));
    const BitMap* bits = GetPortBitMapForCopyBits(w);
    CopyBits(bits, bits, &c.src, &c.dst, srcCopy, nullptr);
    const int sw = c.src.right - c.src.left, sh = c.src.bottom - c.src.top;
    const int dw = c.dst.right - c.dst.left, dh = c.dst.bottom - c.dst.top;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) {
        uint32_t want = before[y][x];
        if (x >= c.dst.left && x < c.dst.right && y >= c.dst.top && y < c.dst.bottom) {
          const int sx = c.src.left + (2 * (x - c.dst.left) + 1) * sw / (2 * dw);
          const int sy = c.src.top + (2 * (y - c.dst.top) + 1) * sh / (2 * dh);
          want = before[sy][sx];
        }
        EXPECT_EQ(QDGetPixel(w, int16_t(x), int16_t(y)), want)
            << c.dst.left << "," << c.dst.top << " at " << x << "," << y;
      }
  }
  SetGWorld(saved, nullptr);
  DisposeGWorld(w);
}

// XOR and Bic act on the complement of the source, in pixels and in cairo
// ports alike: black inverts (XOR) or whitens (Bic), white leaves alone.
TEST(QuickDrawBits, XorAndBicCopiesInPixelsAndCairo) {
  const Rect sb = {0, 0, 1, 2};
  GWorldPtr src;
  ASSERT_EQ(NewGWorld(&src, 32, &sb, nullptr, nullptr, 0), qdNoErr);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(src, nullptr);
  EraseRect(&sb);
  Rect black = {0, 0, 1, 1};
  PaintRect(&black);  // black at (0, 0), white at (1, 0)
  const Rect db = {0, 0, 1, 2};
  const RGBColor tint = {0x3000, 0x9000, 0xC000};
  const struct {
    int16_t mode;
    uint32_t underBlack, underWhite;
  } cases[] = {{srcXor, 0xCF6F3Fu, 0x3090C0u}, {srcBic, 0xFFFFFFu, 0x3090C0u}};
  for (const auto& c : cases) {
    GWorldPtr dst;
    ASSERT_EQ(NewGWorld(&dst, 32, &db, nullptr, nullptr, 0), qdNoErr);
    SetGWorld(dst, nullptr);
    RGBForeColor(&tint);
    PaintRect(&db);
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(dst), &sb, &db, c.mode, nullptr);
    EXPECT_EQ(QDGetPixel(dst, 0, 0) & 0xFFFFFF, c.underBlack) << c.mode;
    EXPECT_EQ(QDGetPixel(dst, 1, 0) & 0xFFFFFF, c.underWhite) << c.mode;
    SetGWorld(saved, nullptr);
    DisposeGWorld(dst);

    CairoCanvas canvas(2, 1);
    RGBForeColor(&tint);
    PaintRect(&db);
    CopyBits(GetPortBitMapForCopyBits(src), GetPortBitMapForCopyBits(canvas.port), &sb, &db, c.mode, nullptr);
    EXPECT_EQ(canvas.At(0, 0), c.underBlack) << c.mode;
    EXPECT_EQ(canvas.At(1, 0), c.underWhite) << c.mode;
  }
  DisposeGWorld(src);
}

TEST(QuickDrawBits, OffscreenSizesAreBounded) {
  GWorldPtr w = reinterpret_cast<GWorldPtr>(1);
  Rect huge = {0, 0, 30000, 30000};
  EXPECT_NE(NewGWorld(&w, 32, &huge, nullptr, nullptr, 0), qdNoErr);
  EXPECT_EQ(w, nullptr);
  Rect empty = {0, 0, 0, 10};
  EXPECT_NE(NewGWorld(&w, 32, &empty, nullptr, nullptr, 0), qdNoErr);
  EXPECT_EQ(w, nullptr);
  Rect wide = {0, 0, 1, 9000};  // wider than 8191 pixels at 32 bits
  ASSERT_EQ(NewGWorld(&w, 32, &wide, nullptr, nullptr, 0), qdNoErr);
  EXPECT_EQ(GetPixRowBytes(GetGWorldPixMap(w)), 36000);
  DisposeGWorld(w);
  Rect small = {0, 0, 2, 3};
  for (int16_t depth : {8, 16}) {
    ASSERT_EQ(NewGWorld(&w, depth, &small, nullptr, nullptr, 0), qdNoErr);
    CGrafPtr saved;
    GetGWorld(&saved, nullptr);
    SetGWorld(w, nullptr);
    ForeColor(redColor);
    PaintRect(&small);
    EXPECT_EQ(QDGetPixel(w, 2, 1), 0xFFFF0000u) << depth;
    SetGWorld(saved, nullptr);
    DisposeGWorld(w);
  }
}

TEST(QuickDrawPackBits, RoundTripAndCheckedUnpack) {
  const uint8_t data[] = {1, 1, 1, 1, 2, 3, 4, 4, 5, 5, 5, 6};
  uint8_t packed[32], unpacked[12];
  Ptr s = reinterpret_cast<Ptr>(const_cast<uint8_t*>(data)), d = reinterpret_cast<Ptr>(packed);
  PackBits(&s, &d, int16_t(sizeof(data)));
  size_t n = size_t(d - reinterpret_cast<Ptr>(packed));
  const uint8_t expect[] = {0xFD, 1, 3, 2, 3, 4, 4, 0xFE, 5, 0, 6};
  ASSERT_EQ(n, sizeof(expect));
  EXPECT_EQ(std::memcmp(packed, expect, n), 0);
  size_t used = 0;
  ASSERT_TRUE(QDUnpackBitsChecked(packed, n, unpacked, sizeof(unpacked), &used));
  EXPECT_EQ(used, n);
  EXPECT_EQ(std::memcmp(unpacked, data, sizeof(data)), 0);
  s = reinterpret_cast<Ptr>(packed);
  d = reinterpret_cast<Ptr>(unpacked);
  std::memset(unpacked, 0, sizeof(unpacked));
  UnpackBits(&s, &d, int16_t(sizeof(unpacked)));
  EXPECT_EQ(std::memcmp(unpacked, data, sizeof(data)), 0);
  // A run longer than the room left, and a source that ends early, fail.
  const uint8_t overrun[] = {0x81, 7};
  EXPECT_FALSE(QDUnpackBitsChecked(overrun, sizeof(overrun), unpacked, 4, &used));
  EXPECT_FALSE(QDUnpackBitsChecked(packed, 3, unpacked, sizeof(unpacked), &used));
}

TEST(QuickDrawCairo, CairoPortDrawsPathsAndCairoSessionsKeepUntouchedPixels) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20, 20);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  Rect bounds = {0, 0, 20, 20};
  CGrafPtr port = QDNewCairoPort(cr, &bounds);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(port, nullptr);
  EraseRect(&bounds);
  Rect r = {2, 2, 6, 8};
  ForeColor(blueColor);
  PaintRect(&r);
  Rect clip = {0, 0, 10, 20};
  ClipRect(&clip);
  PenSize(2, 2);
  MoveTo(12, 0);
  LineTo(12, 19);  // clipped below row 10
  cairo_surface_flush(surface);
  auto px = [&](int x, int y) {
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface) +
                                       y * cairo_image_surface_get_stride(surface))[x];
  };
  EXPECT_EQ(px(2, 2), 0xFF0000FFu);
  EXPECT_EQ(px(7, 5), 0xFF0000FFu);
  EXPECT_EQ(px(8, 5), 0xFFFFFFFFu);
  EXPECT_EQ(px(13, 9), 0xFF0000FFu);
  EXPECT_EQ(px(13, 10), 0xFFFFFFFFu);
  SetGWorld(saved, nullptr);
  DisposePort(port);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);

  // Drawing with cairo into an offscreen writes back only what changed.
  GWorldPtr w;
  Rect wb = {0, 0, 4, 4};
  ASSERT_EQ(NewGWorld(&w, 32, &wb, nullptr, nullptr, 0), qdNoErr);
  PixMapHandle pm = GetGWorldPixMap(w);
  uint8_t* base = reinterpret_cast<uint8_t*>(GetPixBaseAddr(pm));
  const uint8_t translucent[4] = {0x40, 0x12, 0x34, 0x56};  // A, R, G, B
  std::memcpy(base, translucent, 4);
  cairo_t* c2 = QDBeginCairo(w, nullptr);
  ASSERT_NE(c2, nullptr);
  cairo_set_source_rgb(c2, 1, 0, 0);
  cairo_rectangle(c2, 2, 2, 1, 1);
  cairo_fill(c2);
  QDEndCairo(w, c2);
  EXPECT_EQ(std::memcmp(base, translucent, 4), 0);
  EXPECT_EQ(QDGetPixel(w, 2, 2), 0xFFFF0000u);
  EXPECT_EQ(QDGetPixel(w, 1, 1), 0u);
  DisposeGWorld(w);
}

// A recorder sees every standard operation while a picture is defined.
std::vector<std::string> gSeen;
TEST(QuickDrawBottlenecks, CustomProcsAndRecorderSeeEveryCall) {
  Rect bounds;
  SetRect(&bounds, 0, 0, 600, 800);
  DialogPtr dlg = NewColorDialog(nullptr, &bounds, nullptr, false, 0, nullptr, false, 0, nullptr);
  ASSERT_NE(dlg, nullptr);
  CGrafPtr port = GetDialogPort(dlg);
  CGrafPtr saved;
  GetGWorld(&saved, nullptr);
  SetGWorld(port, nullptr);
  Rect r;
  GetPortBounds(port, &r);
  EXPECT_EQ(r.right, 600);
  EXPECT_EQ(r.bottom, 800);
  static CQDProcs recorder = {};
  recorder.lineProc = [](Point p) { gSeen.push_back("line " + std::to_string(p.h) + "," + std::to_string(p.v)); };
  recorder.rectProc = [](GrafVerb v, const Rect*) { gSeen.push_back("rect " + std::to_string(v)); };
  recorder.commentProc = [](int16_t k, int16_t, Handle) { gSeen.push_back("comment " + std::to_string(k)); };
  gQDPictureRecorder = &recorder;
  int token = 0;
  port->picSave = &token;
  EXPECT_TRUE(IsPortPictureBeingDefined(port));
  MoveTo(1, 2);
  LineTo(3, 4);
  EraseRect(&r);
  StdComment(100, 0, nullptr);
  // A hook installed in the port comes first and may pass on to the standard one.
  static CQDProcs hooks;
  SetStdCProcs(&hooks);
  hooks.commentProc = [](int16_t k, int16_t n, Handle h) {
    gSeen.push_back("hook " + std::to_string(k));
    StdComment(k, n, h);
  };
  SetPortGrafProcs(port, &hooks);
  EXPECT_EQ(GetPortGrafProcs(port), &hooks);
  QDGetProcs(port)->commentProc(5479, 0, nullptr);
  SetPortGrafProcs(port, nullptr);
  port->picSave = nullptr;
  gQDPictureRecorder = nullptr;
  EXPECT_EQ(gSeen, (std::vector<std::string>{"line 3,4", "rect 2", "comment 100", "hook 5479", "comment 5479"}));
  SetGWorld(saved, nullptr);
  DisposeDialog(dlg);
}

}  // namespace

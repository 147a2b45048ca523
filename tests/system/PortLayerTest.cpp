#include <gtest/gtest.h>

#include <cstring>

#include <memory>

#include "model/Document.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "text/ExtendedTE.h"

namespace {

bool Eq(const Rect& r, int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return r.top == top && r.left == left && r.bottom == bottom && r.right == right;
}

bool Eq(const RGBColor& c, uint16_t r, uint16_t g, uint16_t b) { return c.red == r && c.green == g && c.blue == b; }

// Each test starts from an offscreen of its own as the current port.
class PortLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    RozoGetPortOffscreen(&saved_);
    off_ = RozoCreatePortOffscreen(40, 30, 32);
    ASSERT_NE(off_, nullptr);
    RozoSetPortOffscreen(off_);
  }
  void TearDown() override {
    RozoSetPortOffscreen(saved_);
    RozoClosePortOffscreen(off_);
  }
  CGrafPtr saved_ = nullptr;
  Offscreen off_ = nullptr;
};

TEST_F(PortLayer, ScratchPortIsMadeOnceAndTheCallerGetsItsPortBack) {
  InitPortTemporaire();
  EXPECT_EQ(CarboniseGetCurrentPort(), off_);  // creating the scratch port kept ours current
  CGrafPtr scratch = portTravail;
  ASSERT_NE(scratch, nullptr);
  EXPECT_EQ(SetPortTemporaire(), off_);
  EXPECT_EQ(CarboniseGetCurrentPort(), scratch);
  EXPECT_EQ(SetPortTemporaire(), scratch);
  EXPECT_EQ(portTravail, scratch);
  RozoSetPortOffscreen(off_);
}

TEST_F(PortLayer, DocumentPortFallsBackToDialogThenScratch) {
  Rect b;
  SetRect(&b, 0, 0, 600, 800);
  DialogPtr dlg = NewColorDialog(nullptr, &b, nullptr, false, 0, nullptr, false, 0, nullptr);
  ASSERT_NE(dlg, nullptr);
  // The document record is large: on the heap, zero-filled as the loader makes it.
  auto doc = std::make_unique<Document>();
  std::memset(static_cast<void*>(doc.get()), 0, sizeof(Document));
  doc->portDocument = off_;
  doc->dialogue = dlg;
  CarboniseSetPortDocument(doc.get());
  EXPECT_EQ(CarboniseGetCurrentPort(), off_);
  doc->portDocument = nullptr;
  CarboniseSetPortDocument(doc.get());
  EXPECT_EQ(CarboniseGetCurrentPort(), CarboniseGetDialogPort(dlg));
  Rect r;
  CarboniseGetRectPort(CarboniseGetCurrentPort(), &r);
  EXPECT_TRUE(Eq(r, 0, 0, 800, 600));
  doc->dialogue = nullptr;
  CarboniseSetPortDocument(doc.get());
  EXPECT_EQ(CarboniseGetCurrentPort(), portTravail);
  RozoSetPortOffscreen(off_);
  CarboniseSetPortDocument(nullptr);
  EXPECT_EQ(CarboniseGetCurrentPort(), portTravail);
  RozoSetPortOffscreen(off_);
  DisposeDialog(dlg);
}

TEST_F(PortLayer, ClipNarrowsAndRestoresInNestedPairs) {
  Rect a, b, r;
  SetRect(&a, 10, 10, 30, 20);
  SetRect(&b, 25, 0, 50, 15);
  RgnHandle outer = AddRectAuClip(&a);
  CarboniseGetPortClipRect(off_, &r);
  EXPECT_TRUE(Eq(r, 10, 10, 20, 30));
  RgnHandle inner = AddRectAuClip(&b);
  CarboniseGetPortClipRect(off_, &r);
  EXPECT_TRUE(Eq(r, 10, 25, 15, 30));
  // Outside the current clip: nothing left to draw in.
  Rect far;
  SetRect(&far, 100, 100, 110, 110);
  RgnHandle empty = AddRectAuClip(&far);
  RgnHandle now = CarboniseGetCurrentPortClipRegion();
  EXPECT_TRUE(EmptyRgn(now));
  DisposeRgn(now);
  RestaureClip(empty);
  RestaureClip(inner);
  CarboniseGetPortClipRect(off_, &r);
  EXPECT_TRUE(Eq(r, 10, 10, 20, 30));
  RestaureClip(outer);
  now = CarboniseGetCurrentPortClipRegion();
  CarboniseGetRegionBounds(now, &r);
  EXPECT_TRUE(Eq(r, -32767, -32767, 32767, 32767));
  DisposeRgn(now);
}

TEST_F(PortLayer, OffscreenInfoReportsTrueRowBytes) {
  struct Case {
    int16_t width, depth;
    int32_t rowBytes;
  } cases[] = {{400, 32, 1600}, {9000, 32, 36000}, {10, 16, 20}, {10, 8, 12}};
  for (const Case& c : cases) {
    Offscreen o = RozoCreatePortOffscreen(c.width, 2, c.depth);
    ASSERT_NE(o, nullptr) << c.width;
    Rect bounds;
    int32_t rowBytes = 0;
    int16_t depth = 0;
    EXPECT_NE(RozoGetInfoOffscreen(o, &bounds, &rowBytes, &depth), nullptr);
    EXPECT_EQ(rowBytes, c.rowBytes) << c.width;
    EXPECT_EQ(depth, c.depth);
    EXPECT_TRUE(Eq(bounds, 0, 0, 2, c.width));
    EXPECT_NE(RozoGetInfoOffscreen(o, nullptr, nullptr, nullptr), nullptr);  // every output optional
    RozoClosePortOffscreen(o);
  }
  EXPECT_EQ(CarboniseGetCurrentPort(), off_);  // creation leaves the current port alone
  EXPECT_EQ(RozoCreatePortOffscreen(32000, 32000, 32), nullptr);
  EXPECT_EQ(RozoCreatePortOffscreen(0, 10, 32), nullptr);
  Rect bounds = {1, 2, 3, 4};
  EXPECT_EQ(RozoGetInfoOffscreen(nullptr, &bounds, nullptr, nullptr), nullptr);
  EXPECT_TRUE(Eq(bounds, 0, 0, 0, 0));
  RozoClosePortOffscreen(nullptr);
}

TEST_F(PortLayer, PictureFrameSwappedUnlessHostOrder) {
  const uint8_t bigEndian[14] = {0, 0, 0, 1, 0, 2, 0x01, 0x00, 0x02, 0x00, 0, 0x11, 0x02, 0xFF};
  Handle pic = NewHandle(14);
  std::memcpy(*pic, bigEndian, 14);
  Rect r;
  CarboniseGetPicFrame(pic, &r);
  EXPECT_TRUE(Eq(r, 1, 2, 256, 512));
  const int16_t host[4] = {3, 4, 300, 400};
  std::memcpy(*pic + 2, host, 8);
  (*pic)[12] = char(0xCA);
  (*pic)[13] = char(0xFE);
  CarboniseGetPicFrame(pic, &r);
  EXPECT_TRUE(Eq(r, 3, 4, 300, 400));
  DisposeHandle(pic);
}

TEST_F(PortLayer, EraseInColourDrawsAndKeepsBothColours) {
  RGBColor red = {0xFFFF, 0, 0}, blue = {0, 0, 0xFFFF};
  RGBForeColor(&red);
  RGBBackColor(&blue);
  PenSize(3, 3);
  Rect r;
  SetRect(&r, 0, 0, 4, 4);
  EraseWhiteRect(&r);
  EXPECT_EQ(QDGetPixel(off_, 3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(QDGetPixel(off_, 4, 4), 0u);  // untouched
  RGBColor green = {0, 0xFFFF, 0};
  CarboniseEraseColorRect(&r, &green);
  EXPECT_EQ(QDGetPixel(off_, 0, 0), 0xFF00FF00u);
  RgnHandle rgn = NewRgn();
  SetRectRgn(rgn, 10, 10, 12, 11);
  CarboniseEraseColorRgn(rgn, &red);
  EXPECT_EQ(QDGetPixel(off_, 11, 10), 0xFFFF0000u);
  DisposeRgn(rgn);
  CarboniseEraseRect(&r);  // the port's own background
  EXPECT_EQ(QDGetPixel(off_, 0, 0), 0xFF0000FFu);
  RGBColor c;
  CarboniseGetRgbForeColor(&c);
  EXPECT_TRUE(Eq(c, 0xFFFF, 0, 0));
  CarboniseGetRgbBackColor(&c);
  EXPECT_TRUE(Eq(c, 0, 0, 0xFFFF));
  Point size;
  GetPortPenSize(off_, &size);
  EXPECT_EQ(size.h, 3);  // the pen is the caller's again
}

TEST_F(PortLayer, TextAndPenStateOfTheCurrentPort) {
  TextFont(21);
  TextSize(0);
  TextFace(bold | italic);
  TextMode(srcCopy);
  SpaceExtra(3 << 16);
  MoveTo(7, 9);
  EXPECT_EQ(CarboniseGetTextFontPortCourant(), 21);
  EXPECT_EQ(CarboniseGetTextSizePortCourant(), 0);  // 0 stands for 12
  EXPECT_EQ(CarboniseGetTextFacePortCourant(), bold | italic);
  EXPECT_EQ(CarboniseGetTextModePortCourant(), srcCopy);
  EXPECT_EQ(CarboniseGetTextSpExtraPortCourant(), 3 << 16);
  Point p;
  CarboniseGetPenLocPortCourant(&p);
  EXPECT_EQ(p.h, 7);
  EXPECT_EQ(p.v, 9);
  CarboniseSetPatGray();
  Pattern pat;
  GetPortPenPat(off_, &pat);
  EXPECT_EQ(pat.pat[0], 0xAA);
  PenNormal();
  GetPortPenPat(off_, &pat);
  EXPECT_EQ(std::memcmp(&pat, CarboniseGetPatBlack(), sizeof(Pattern)), 0);
}

TEST(PortLayerFonts, FamilyFromNameLeavesTheIdAloneWhenUnknown) {
  int16_t id = 77;
  EXPECT_EQ(CarboniseGetIDFontFromName("No Such Family Anywhere", &id), 0);
  EXPECT_EQ(id, 77);
  EXPECT_EQ(CarboniseGetIDFontFromName("Helvetica", &id), 1);
  EXPECT_EQ(id, 21);
}

// ---------------------------------------------------------------------------
// Colours

TEST(Couleurs, TableRowsFromTheFormula) {
  struct Row {
    int index;
    uint16_t r, g, b;
  } rows[] = {{0, 0xFFFF, 0xFFFF, 0xFFFF},   {1, 0, 0, 0},
              {2, 0xFFFF, 0xFFFF, 0x9999},   {35, 0xFFFF, 0, 0},
              {215, 0xEEEE, 0, 0},           {225, 0, 0xEEEE, 0},
              {244, 0, 0, 0x1111},           {246, 0xDDDD, 0xDDDD, 0xDDDD},
              {247, 0xBBBB, 0xBBBB, 0xBBBB}, {249, 0x8888, 0x8888, 0x8888},
              {251, 0x5555, 0x5555, 0x5555}, {255, 0xFFFF, 0xFFFF, 0xFFFF}};
  for (const Row& row : rows) EXPECT_TRUE(Eq(TabRgbColor[size_t(row.index)], row.r, row.g, row.b)) << row.index;
  RGBColor c;
  for (uint16_t black : {0, 1, 256, 4000}) {
    CvtIndexEnRGB(black, &c);
    EXPECT_TRUE(Eq(c, 0, 0, 0)) << black;
  }
  CvtIndexEnRGB(255, &c);
  EXPECT_TRUE(Eq(c, 0xFFFF, 0xFFFF, 0xFFFF));
  CvtIndexEnRGBBrut(0, &c);
  EXPECT_TRUE(Eq(c, 0xFFFF, 0xFFFF, 0xFFFF));
}

TEST(Couleurs, NearestIndex) {
  struct Case {
    RGBColor c;
    int16_t index;
  } cases[] = {{{0xFFFF, 0xFFFF, 0xFFFF}, 0},  // entries 0 and 255 tie: the lower wins
               {{0xFFF0, 0xFFFF, 0xFFFF}, 0},
               {{0, 0, 0}, 1},
               {{0xFFFF, 0, 0}, 35},
               {{0xCCCC, 0xCCCC, 0xCCCC}, 43},  // the cube's grey, not a ramp's
               {{0xE666, 0, 0}, 215},
               {{0x1200, 0x1111, 0}, 224}};  // the red, green and grey ramps tie: the lowest index
  for (const Case& c : cases) EXPECT_EQ(CvtRGBEnIndexProche(&c.c), c.index);
}

TEST(Couleurs, SettersSkipUnchangedColoursAndRememberTheIndex) {
  Offscreen off = RozoCreatePortOffscreen(4, 4, 32);
  CGrafPtr saved;
  RozoGetPortOffscreen(&saved);
  RozoSetPortOffscreen(off);
  ForeColor(blackColor);
  BackColor(whiteColor);
  uint32_t calls = QDColorCallCount();
  SetForeColor(0);  // black, already the port's
  EXPECT_EQ(QDColorCallCount(), calls);
  EXPECT_EQ(GetLastForeColor(), 0);
  SetForeColor(35);
  SetForeColor(35);
  EXPECT_EQ(QDColorCallCount(), calls + 1);
  RGBColor c;
  GetForeColor(&c);
  EXPECT_TRUE(Eq(c, 0xFFFF, 0, 0));
  // Setting by RGB leaves the remembered index; ResetForeColor goes back to it.
  SetRGBForeColorNumber(0xFF8000);
  GetForeColor(&c);
  EXPECT_TRUE(Eq(c, 0xFF00, 0x8000, 0));
  ResetForeColor();
  GetForeColor(&c);
  EXPECT_TRUE(Eq(c, 0xFFFF, 0, 0));
  SetBackColor(255);  // white, unchanged
  EXPECT_EQ(QDColorCallCount(), calls + 3);
  SetBackColor(246);
  GetBackColor(&c);
  EXPECT_TRUE(Eq(c, 0xDDDD, 0xDDDD, 0xDDDD));
  SetRGBBackColorNumber(0x123456);
  GetBackColor(&c);
  EXPECT_TRUE(Eq(c, 0x1200, 0x3400, 0x5600));
  EXPECT_EQ(GetLastForeColor(), 35);
  RozoSetPortOffscreen(saved);
  RozoClosePortOffscreen(off);
}

// ---------------------------------------------------------------------------
// BigRect

TEST(BigRect, ConversionsClampAndReportIt) {
  BigRect b;
  SetBigRect(&b, 10, 20, 30, 40);
  EXPECT_TRUE(b.left == 10 && b.right == 30 && b.top == 20 && b.bottom == 40);
  Rect r;
  EXPECT_TRUE(CvtBigRectToRect(&b, &r));
  EXPECT_TRUE(Eq(r, 20, 10, 40, 30));
  b = BigRect{-40000, 10, 0, 5};
  EXPECT_FALSE(CvtBigRectToRect(&b, &r));
  EXPECT_TRUE(Eq(r, 0, -32767, 5, 10));
  b = BigRect{-32768, 0, 0, 40000};
  EXPECT_FALSE(CvtBigRectToRect(&b, &r));
  EXPECT_TRUE(Eq(r, 0, -32767, 32767, 0));
  Rect small = {-5, -6, 7, 8};
  CvtRectToBigRect(&small, &b);
  EXPECT_TRUE(b.left == -6 && b.right == 8 && b.top == -5 && b.bottom == 7);
}

TEST(BigRect, IntersectionAndArithmetic) {
  struct Case {
    BigRect a, b;
    bool meet;
    BigRect out;
  } cases[] = {
      {{0, 10, 0, 10}, {10, 20, 0, 10}, false, {0, 0, 0, 0}},  // touching edges
      {{0, 10, 0, 10}, {5, 20, -5, 5}, true, {5, 10, 0, 5}},
      {{0, 0, 0, 10}, {-5, 5, 0, 10}, false, {0, 0, 0, 0}},  // empty operand
  };
  for (const Case& c : cases) {
    BigRect out = {9, 9, 9, 9};
    EXPECT_EQ(SectBigRect(&c.a, &c.b, &out), c.meet);
    EXPECT_TRUE(out.left == c.out.left && out.right == c.out.right && out.top == c.out.top &&
                out.bottom == c.out.bottom);
    EXPECT_EQ(SectBigRect(&c.a, &c.b, nullptr), c.meet);
  }
  BigRect r = {-3, 3, -1, 1};
  AppliqueEchelleBigRect(&r, 0.5f);
  EXPECT_TRUE(r.left == -1 && r.right == 1 && r.top == 0 && r.bottom == 0);
  r = {1, 2, 3, 4};
  OffsetBigRect(&r, 0, 0);
  OffsetBigRect(&r, 10, -10);
  EXPECT_TRUE(r.left == 11 && r.right == 12 && r.top == -7 && r.bottom == -6);
  InsetBigRect(&r, -1, 2);
  EXPECT_TRUE(r.left == 10 && r.right == 13 && r.top == -5 && r.bottom == -8);
  EXPECT_TRUE(EmptyBigRect(&r));
  r = {0, 1, 0, 1};
  AppliqueEchelleBigRect(&r, 1e20f);  // stays within 32 bits
  EXPECT_EQ(r.right, INT32_MAX);
  BigPt p;
  SetBigPt(&p, 1, 2);
  OffsetBigPt(&p, 3, 4);
  EXPECT_TRUE(p.x == 4 && p.y == 6);
}

TEST_F(PortLayer, FrameBigRectOnlyWhenEverythingFits) {
  BigRect partly = {-40000, 10, 0, 10};
  FrameBigRect(&partly);
  EXPECT_EQ(QDGetPixel(off_, 0, 0), 0u);
  BigRect fits = {0, 10, 0, 10};
  FrameBigRect(&fits);
  EXPECT_EQ(QDGetPixel(off_, 0, 0), 0xFF000000u);
  EXPECT_EQ(QDGetPixel(off_, 5, 5), 0u);
}

}  // namespace

namespace {
CGrafPtr gStylePort = nullptr;
Pattern gStylePenPat;
void SpyTextFont(int16_t font) {
  GetPort(&gStylePort);
  GetPortPenPat(gStylePort, &gStylePenPat);
  TextFont(font);
}
}  // namespace

// The style is set while the record's own port is current with a white pen;
// both ports come back as they were, the style stays.
TEST_F(PortLayer, TextRecordStyleIsSetInsideItsOwnPort) {
  Offscreen own = RozoCreatePortOffscreen(20, 20, 32);
  ASSERT_NE(own, nullptr);
  Pattern gray, white, pat;
  GetQDGlobalsGray(&gray);
  GetQDGlobalsWhite(&white);
  PenPat(&gray);
  RozoSetPortOffscreen(own);
  PenPat(&gray);
  RozoSetPortOffscreen(off_);
  Rect r{0, 0, 20, 20};
  ExtendedTE te = ExtendedTENew(&r, &r);
  ASSERT_NE(te, nullptr);
  (*te)->port = own;
  (*te)->textFont = SpyTextFont;
  TextStyle style{3, 0, 18, {0, 0, 0}};
  gStylePort = nullptr;
  CarboniseExtendedTESetStyle(doAll, &style, 0, te);
  EXPECT_EQ(gStylePort, own);
  EXPECT_EQ(std::memcmp(&gStylePenPat, &white, sizeof white), 0);
  EXPECT_EQ(CarboniseGetCurrentPort(), off_);
  EXPECT_EQ((*te)->txSize, 18);
  EXPECT_EQ(GetPortTextFont(own), 3);
  EXPECT_EQ(std::memcmp(GetPortPenPat(own, &pat), &gray, sizeof gray), 0);
  EXPECT_EQ(std::memcmp(GetPortPenPat(off_, &pat), &gray, sizeof gray), 0);
  // A record without a port of its own works in the current one.
  (*te)->port = nullptr;
  style.font = 4;
  CarboniseExtendedTESetStyle(doFont, &style, 0, te);
  EXPECT_EQ(gStylePort, off_);
  EXPECT_EQ(CarboniseGetCurrentPort(), off_);
  CarboniseExtendedTESetStyle(doFont, &style, 0, nullptr);
  ExtendedTEDispose(te);
  RozoClosePortOffscreen(own);
}

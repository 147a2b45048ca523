// Text boxes: measured sizes, wrapped heights at any resolution, drawing at
// a zoom, and plain text through the platform's line breaker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "text/ExtendedTE.h"
#include "text/TextBox.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

std::vector<std::string> gTexts;
void SpyText(int16_t n, const void* t, Point, Point) {
  const char* p = static_cast<const char*>(t);
  gTexts.emplace_back(p, p + n);
}

class TextBox : public testing::Test {
 protected:
  void SetUp() override {
    GetPort(&saved_);
    Rect r{0, 0, 300, 600};
    ASSERT_EQ(NewGWorld(&world_, 32, &r, nullptr, nullptr, 0), noErr);
    SetPort(world_);
    dpi_ = GetDpiDest();
    SetDpiDest(72);
    SetUnicodeApplication(1);
    gTexts.clear();
  }
  void TearDown() override {
    world_->picSave = nullptr;
    gQDPictureRecorder = nullptr;
    SetDpiDest(dpi_);
    SetPort(saved_);
    DisposeGWorld(world_);
    SetUnicodeApplication(0);
  }
  // Leftmost and rightmost columns holding ink, -1 when none.
  std::pair<int, int> Ink() {
    int lo = -1, hi = -1;
    for (int16_t x = 0; x < 600; x++) {
      for (int16_t y = 0; y < 300; y++) {
        uint32_t p = QDGetPixel(world_, x, y);
        if ((p >> 24) && (p & 0xFFFFFF) != 0xFFFFFF) {
          if (lo < 0) lo = x;
          hi = x;
          break;
        }
      }
    }
    return {lo, hi};
  }
  CGrafPtr saved_ = nullptr;
  GWorldPtr world_ = nullptr;
  int16_t dpi_ = 72;
};

const TextStyle kStyle{kFontHelvetica, 0, 14, {0, 0, 0}};

TEST_F(TextBox, UnwrappedSizeIsTheWidestLinePlusOne) {
  uint16_t w1 = 0, h1 = 0, w2 = 0, h2 = 0, w = 0, h = 0;
  TextBoxStyleSize("short", 5, &kStyle, &w1, &h1, 1);
  TextBoxStyleSize("a much longer line", 18, &kStyle, &w2, &h2, 1);
  TextBoxStyleSize("short\ra much longer line", 24, &kStyle, &w, &h, 1);
  EXPECT_GT(w2, w1);
  EXPECT_EQ(w, w2);
  EXPECT_EQ(h, h1 + h2);
  TextFont(kFontHelvetica);
  TextSize(14);
  EXPECT_EQ(w2, UTFTextWidth(nullptr, "a much longer line", 0, 18) + 1);

  // An empty string: one pixel wide, one line of its style high.
  uint16_t we = 0, he = 0;
  TextBoxStyleSize("", 0, &kStyle, &we, &he, 1);
  EXPECT_EQ(we, 1);
  EXPECT_EQ(he, h1);
  // Null outputs are skipped.
  TextBoxStyleSize("x", 1, &kStyle, nullptr, nullptr, 1);
}

TEST_F(TextBox, WrappedAreaAndHeightAtAnyResolution) {
  const char* text = "one two three four five six seven eight nine ten";
  const int32_t n = 48;
  int16_t h72 = TextBoxStyleHeightWrap(text, n, 100, &kStyle, 1);
  uint16_t w1 = 0, h1 = 0;
  TextBoxStyleSize("one", 3, &kStyle, &w1, &h1, 1);
  EXPECT_GE(h72, 3 * h1);
  for (int16_t dpi : {144, 300, 576}) {
    SetDpiDest(dpi);
    EXPECT_EQ(TextBoxStyleHeightWrap(text, n, 100, &kStyle, 1), h72) << dpi;
  }
  SetDpiDest(72);

  // The area grows down from the box's top; its right is the widest line's.
  Rect r{20, 10, 21, 110};
  TextBoxStyleArea(text, n, &kStyle, &r, 1);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 20 + h72);
  EXPECT_GT(r.right, 10 + 50);
  EXPECT_LE(r.right, 110 + 10);
}

TEST_F(TextBox, DrawsStyledStringsScaledToTheResolution) {
  TextStyle big{kFontTimes, 0, 20, {0, 0, 0}};
  char* s = CreeChaineStyle("Wide text", &big);
  int32_t len = static_cast<int32_t>(strlen(s));
  Rect box{10, 10, 290, 590};
  Rect all{0, 0, 300, 600};
  TextBoxStyleZoom(s, len, &box, 0, nullptr, 0, 0, 1);
  std::pair<int, int> at72 = Ink();
  ASSERT_GE(at72.first, 10);

  EraseRect(&all);
  SetDpiDest(144);
  TextBoxStyleZoom(s, len, &box, 0, nullptr, 0, 0, 1);
  std::pair<int, int> at144 = Ink();
  int w72 = at72.second - at72.first, w144 = at144.second - at144.first;
  EXPECT_NEAR(w144, 2 * w72, 4);

  // Right-justified: the ink ends at the box's right.
  EraseRect(&all);
  SetDpiDest(72);
  TextBoxStyleZoom(s, len, &box, teFlushRight, nullptr, 0, 0, 1);
  EXPECT_GE(Ink().second, 590 - 4);
  EXPECT_LE(Ink().second, 590);  // antialiasing may touch the edge's pixel
  DisposeTextData(s);

  // A plain text takes the given style.
  EraseRect(&all);
  TextBoxStyleZoom("Wide text", 9, &box, 0, &big, 0, 0, 1);
  EXPECT_EQ(Ink().second - Ink().first, w72);
}

TEST_F(TextBox, PlainTextCentredSkipsLeadingSpaces) {
  const CQDProcs spy = [] {
    CQDProcs p{};
    p.textProc = SpyText;
    return p;
  }();
  world_->picSave = world_;
  gQDPictureRecorder = &spy;
  TextFont(kFontHelvetica);
  TextSize(12);
  Rect box{0, 0, 200, 400};
  TextBoxSansFond("  left\r  right", 14, &box, 0, 0);
  TextBoxSansFond("  centred\r  again", 17, &box, 1, 0);
  ASSERT_EQ(gTexts.size(), 4u);
  EXPECT_EQ(gTexts[0], "  left");
  EXPECT_EQ(gTexts[1], "  right");
  EXPECT_EQ(gTexts[2], "centred");
  EXPECT_EQ(gTexts[3], "again");
}

}  // namespace

namespace {

TEST_F(TextBox, StyledStringDrawnRunByRunGivesTheLargestAscent) {
  TextStyle small{kFontTimes, 0, 10, {0, 0, 0}};
  TextStyle large{kFontTimes, 0, 30, {65535, 0, 0}};
  char* s = CreeChaineStyle("small ", &small);
  s = ConcateneChaineAvecStyle("LARGE", &large, s);
  TextFont(kFontTimes);
  TextSize(30);
  FontInfo fi{};
  GetFontMetrics(&fi);
  TextSize(10);
  MoveTo(10, 100);
  EXPECT_EQ(TraceChaineStyle(s, 0, 11, 0), fi.ascent);
  std::pair<int, int> ink = Ink();
  EXPECT_EQ(ink.first, 10);
  // Only the first run: the small ascent.
  FontInfo fs{};
  TextSize(10);
  GetFontMetrics(&fs);
  MoveTo(10, 200);
  EXPECT_EQ(TraceChaineStyle(s, 0, 3, 0), fs.ascent);
  DisposeTextData(s);
}

}  // namespace

// The styled text-edit record: style table and runs, line breaking, drawing
// order, selection and hit testing, rotated geometry. Most tests measure
// with fake width slots (every character is half the size wide), a few with
// the real fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "text/ExtendedTE.h"
#include "text/Fontes.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

// ---- fake slots ------------------------------------------------------------------

float gSize = 12;
int16_t gFont = 0;
uint8_t gFace = 0;
RGBColor gColor{};
struct Drawn {
  int32_t line;
  std::string text;
  int16_t font;
  uint8_t face;
  float size;
};
std::vector<Drawn> gDrawn;
std::vector<std::pair<float, float>> gMoves;
std::vector<Rect> gErased;
int gStopAfter = -1;  // the DrawText slot returns 0 on this call

void FakeFont(int16_t f) { gFont = f; }
void FakeFace(uint8_t f) { gFace = f; }
void FakeMode(int16_t) {}
void FakeSize(float s) { gSize = s <= 0.1111f ? 12 : s; }
void FakeExtra(Fixed) {}
void FakeColor(const RGBColor* c) { gColor = *c; }
void FakeInfo(float info[4]) {
  info[0] = gSize * 0.75f;
  info[1] = gSize * 0.25f;
  info[2] = gSize;
  info[3] = 0;
}
// Every character (UTF-8 sequence) is half the size wide.
float FakeWidth(ExtendedTE, int32_t, const char* text, int32_t offset, int32_t length) {
  int32_t chars = 0;
  for (int32_t i = 0; i < length; i++) {
    if ((static_cast<uint8_t>(text[offset + i]) & 0xC0) != 0x80) chars++;
  }
  return static_cast<float>(chars) * gSize / 2;
}
uint8_t FakeDraw(ExtendedTE, int32_t line, const char* bytes, int32_t length) {
  gDrawn.push_back({line, std::string(bytes, bytes + length), gFont, gFace, gSize});
  return static_cast<int>(gDrawn.size()) == gStopAfter ? 0 : 1;
}
void FakeMoveTo(float h, float v) { gMoves.emplace_back(h, v); }
void FakeAlpha(float) {}
void FakeEraseRect(uint32_t, const Rect* r, const RGBColor*) { gErased.push_back(*r); }
void FakeEraseRgn(uint32_t, RgnHandle rgn, const RGBColor*) {
  Rect b;
  GetRegionBounds(rgn, &b);
  gErased.push_back(b);
}

void InstallFakes(ExtendedTE te) {
  ExtendedTERec& r = **te;
  r.textFont = FakeFont;
  r.textFace = FakeFace;
  r.textMode = FakeMode;
  r.textSize = FakeSize;
  r.spaceExtra = FakeExtra;
  r.textColor = FakeColor;
  r.getFontInfo = FakeInfo;
  r.textWidth = FakeWidth;
  r.drawText = FakeDraw;
  r.moveTo = FakeMoveTo;
  r.setAlphaBackground = FakeAlpha;
  r.eraseColorRect = FakeEraseRect;
  r.eraseColorRgn = FakeEraseRgn;
}

class ExtTE : public testing::Test {
 protected:
  void SetUp() override {
    GetPort(&saved_);
    port_ = CreateNewPort();
    SetPort(port_);
    gDrawn.clear();
    gMoves.clear();
    gErased.clear();
    gStopAfter = -1;
  }
  void TearDown() override {
    for (ExtendedTE te : made_) ExtendedTEDispose(te);
    SetPort(saved_);
    DisposePort(port_);
  }
  // A styled record of the given width over the text, measured by the fakes
  // (default style: size 12, so 6 pixels a character, lines 12 high).
  ExtendedTE Make(int32_t width, const std::string& text, bool styled = true) {
    Rect dest{0, 0, 400, static_cast<int16_t>(width)};
    Rect view{0, 0, 400, static_cast<int16_t>(width)};
    ExtendedTE te = styled ? ExtendedTEStylNew(&dest, &view) : ExtendedTENew(&dest, &view);
    EXPECT_NE(te, nullptr);
    made_.push_back(te);
    InstallFakes(te);
    if (styled) {
      Extended_InitStyle(te);
    } else {
      TextStyle st{0, 0, 12, {0, 0, 0}};
      ExtendedTESetStyle(doAll, &st, 0, te);
    }
    if (!text.empty()) ExtendedTEFastAddData(text.data(), static_cast<int32_t>(text.size()), te);
    ExtendedTECalText(te);
    return te;
  }
  std::vector<int32_t> Starts(ExtendedTE te) {
    const int32_t* s = ExtendedLineStarts(te);
    return std::vector<int32_t>(s, s + (*te)->nLines + 1);
  }
  std::vector<std::pair<int32_t, int32_t>> Runs(ExtendedTE te) {
    std::vector<std::pair<int32_t, int32_t>> out;
    ExtendedStylHandle sh = (*te)->styleHandle;
    for (int32_t i = 0; i <= (*sh)->nRuns; i++) out.emplace_back(ExtendedRuns(sh)[i].start, ExtendedRuns(sh)[i].style);
    return out;
  }
  void Select(ExtendedTE te, int32_t a, int32_t b) { ExtendedTESetStartEnd(te, a, b); }
  void Style(ExtendedTE te, int32_t a, int32_t b, int16_t mode, TextStyle st) {
    Select(te, a, b);
    ExtendedTESetStyle(mode, &st, 0, te);
  }
  // Runs sorted from 0 to the sentinel, no two neighbours alike, use counts
  // equal to the runs naming each style, every style in use.
  void CheckRuns(ExtendedTE te) {
    ExtendedStylHandle sh = (*te)->styleHandle;
    int32_t n = (*sh)->nRuns, ns = (*sh)->nStyles;
    ASSERT_GE(n, 1);
    const ExtendedRun* runs = ExtendedRuns(sh);
    EXPECT_EQ(runs[0].start, 0);
    EXPECT_EQ(runs[n].start, (*te)->teLength + 1);
    EXPECT_EQ(runs[n].style, kExtendedSentinelStyle);
    std::vector<int32_t> uses(ns, 0);
    for (int32_t i = 0; i < n; i++) {
      ASSERT_LT(runs[i].style, ns);
      uses[runs[i].style]++;
      EXPECT_LT(runs[i].start, runs[i + 1].start) << "run " << i;
      if (i > 0) {
        EXPECT_NE(runs[i].style, runs[i - 1].style) << "run " << i;
      }
    }
    if (n > 1) {
      EXPECT_LT(runs[n - 1].start, (*te)->teLength);
    }
    for (int32_t s = 0; s < ns; s++) {
      EXPECT_EQ(ExtendedStyles(sh)[s].useCount, uses[s]) << "style " << s;
      EXPECT_GT(uses[s], 0) << "style " << s;
    }
  }
  CGrafPtr saved_ = nullptr;
  CGrafPtr port_ = nullptr;
  std::vector<ExtendedTE> made_;
};

// ---- style table and runs --------------------------------------------------------

TEST_F(ExtTE, NewStyledRecordHasOneRunAndTheSentinel) {
  ExtendedTE te = Make(100, "");
  EXPECT_EQ(Runs(te), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {1, 65535}}));
  EXPECT_EQ((*te)->lineHeight, -1);
  EXPECT_EQ((*te)->nLines, 0);
  ExtendedTEFastAddData("hello", 5, te);
  EXPECT_EQ(Runs(te), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {6, 65535}}));
  EXPECT_EQ((*te)->selStart, 5);
  CheckRuns(te);
}

TEST_F(ExtTE, StylesOfRangesAndThePendingStyle) {
  ExtendedTE te = Make(400, "abcdefghij");
  TextStyle bold{0, 1, 12, {0, 0, 0}};
  // An empty selection in a non-empty text only stores the pending style.
  Style(te, 3, 3, doFace, bold);
  EXPECT_EQ(Runs(te).size(), 2u);
  TextStyle got{};
  ExtendedTEGetStyle(3, &got, nullptr, nullptr, te);
  EXPECT_EQ(got.face, 0);
  ExtendedGetStyleNull((*te)->styleHandle, &got);
  EXPECT_EQ(got.face, 1);

  Style(te, 2, 5, doFace, bold);
  auto once = Runs(te);
  EXPECT_EQ(once, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {2, 1}, {5, 0}, {11, 65535}}));
  Style(te, 2, 5, doFace, bold);  // the same style again changes nothing
  EXPECT_EQ(Runs(te), once);
  // Size added twice adds twice.
  TextStyle two{0, 0, 2, {0, 0, 0}};
  Style(te, 0, 10, addSize, two);
  Style(te, 0, 10, addSize, two);
  ExtendedTEGetStyle(7, &got, nullptr, nullptr, te);
  EXPECT_EQ(got.size, 16);
  ExtendedTEGetStyle(3, &got, nullptr, nullptr, te);
  EXPECT_EQ(got.size, 16);
  EXPECT_EQ(got.face, 1);
  // Toggling the face back joins the runs again.
  Style(te, 0, 10, doToggle, bold);
  Style(te, 0, 10, doToggle, bold);
  ExtendedTEGetStyle(3, &got, nullptr, nullptr, te);
  EXPECT_EQ(got.face, 1);
  Style(te, 2, 5, doToggle, bold);
  EXPECT_EQ(Runs(te).size(), 2u);
  CheckRuns(te);
}

TEST_F(ExtTE, NearlyEqualSizesShareOneEntry) {
  ExtendedTE te = Make(400, "abc");
  ExtendedStylHandle sh = (*te)->styleHandle;
  RGBColor k{0, 0, 0};
  int32_t a = ExtendedAddStyleF(3, 0, 10.0f, &k, sh, te);
  int32_t b = ExtendedAddStyleF(3, 0, 10.00005f, &k, sh, te);
  int32_t c = ExtendedAddStyleF(3, 0, 10.001f, &k, sh, te);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
}

TEST_F(ExtTE, DeletingARunsTextRemovesItsStyle) {
  ExtendedTE te = Make(400, "aaabbbccc");
  Style(te, 3, 6, doSize, TextStyle{0, 0, 20, {0, 0, 0}});
  Style(te, 6, 9, doSize, TextStyle{0, 0, 30, {0, 0, 0}});
  ASSERT_EQ((*(*te)->styleHandle)->nStyles, 3);
  Select(te, 3, 6);
  ExtendedTEDelete(te);
  EXPECT_EQ((*te)->teLength, 6);
  EXPECT_EQ(std::string(*(*te)->hText, 6), "aaaccc");
  EXPECT_EQ((*(*te)->styleHandle)->nStyles, 2);
  // The size-30 style moved down to index 1.
  EXPECT_EQ(Runs(te), (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {3, 1}, {7, 65535}}));
  TextStyle got{};
  ExtendedTEGetStyle(4, &got, nullptr, nullptr, te);
  EXPECT_EQ(got.size, 30);
  CheckRuns(te);
}

TEST_F(ExtTE, PrintMusicFontMetricsAreQuartered) {
  ExtendedTE te = Make(400, "a");
  int16_t savedPrint = vellariPrint;
  vellariPrint = 777;
  RGBColor k{0, 0, 0};
  int32_t i = ExtendedAddStyleF(777, 0, 40.0f, &k, (*te)->styleHandle, te);
  int32_t j = ExtendedAddStyleF(778, 0, 40.0f, &k, (*te)->styleHandle, te);
  vellariPrint = savedPrint;
  const ExtendedStyle* s = ExtendedStyles((*te)->styleHandle);
  EXPECT_FLOAT_EQ(s[j].lineHeight, 40.0f);
  EXPECT_FLOAT_EQ(s[i].lineHeight, 10.0f);
  EXPECT_FLOAT_EQ(s[i].ascent, 7.5f);
}

// ---- line breaking -----------------------------------------------------------------

struct BreakCase {
  const char* name;
  int32_t width;
  std::string text;
  uint8_t noWrap, noWordCut;
  std::vector<int32_t> starts;
};

TEST_F(ExtTE, LineBreaks) {
  const BreakCase cases[] = {
      {"words", 48, "aaa bbb ccc", 0, 0, {0, 8, 11}},
      {"exactly the width wraps", 42, "aaa bbb", 0, 0, {0, 4, 7}},
      {"narrower than the width", 43, "aaa bbb", 0, 0, {0, 7}},
      {"space stays up", 18, "aa bb", 0, 0, {0, 3, 5}},
      {"hyphen stays up", 30, "aaa-bbb", 0, 0, {0, 4, 7}},
      {"CR LF is one end", 400, "a\r\nb", 1, 0, {0, 3, 4}},
      {"LF CR is one end", 400, "a\n\rb", 1, 0, {0, 3, 4}},
      {"two CRs are two ends", 400, "a\r\rb", 1, 0, {0, 2, 3, 4}},
      {"no wrap keeps long lines", 12, "aaa bbb\rc", 1, 0, {0, 8, 9}},
      {"long word is cut", 30, "abcdefghij", 0, 0, {0, 4, 8, 10}},
      {"long word kept whole", 30, "abcdefghij", 0, 1, {0, 10}},
      {"word then long word", 30, "ab cdefghij", 0, 0, {0, 3, 7, 11}},
      {"UTF-8 never split", 18, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 0, 0, {0, 4, 8, 10}},
      {"paragraphs wrap apart", 30, "aaa bbb\rcc dd", 0, 0, {0, 4, 8, 11, 13}},
  };
  for (const BreakCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExtendedTE te = Make(c.width, "");
    (*te)->noWrap = c.noWrap;
    (*te)->noWordCut = c.noWordCut;
    ExtendedTEFastAddData(c.text.data(), static_cast<int32_t>(c.text.size()), te);
    ExtendedTECalText(te);
    EXPECT_EQ(Starts(te), c.starts);
  }
}

TEST_F(ExtTE, HugeBoxKeepsALongWordWhole) {
  ExtendedTE te = Make(100, "");
  (*te)->destRect.right = 40000;  // wrap width clamps to 32000
  std::string word(6000, 'x');
  ExtendedTEFastAddData(word.data(), static_cast<int32_t>(word.size()), te);
  ExtendedTECalText(te);
  EXPECT_EQ(Starts(te), (std::vector<int32_t>{0, 6000}));
}

TEST_F(ExtTE, FinalCROpensAnEmptyLine) {
  ExtendedTE te = Make(400, "ab\r");
  EXPECT_EQ((*te)->nLines, 1);
  EXPECT_EQ(ExtendedNumLigne(3, te), 1);
  EXPECT_EQ(ExtendedNumLigne(1, te), 0);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(0, 0, te), 12.0f);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(0, 1, te), 24.0f);
  ExtendedLongPoint p;
  ExtendedTEGetPoint(3, te, &p);
  EXPECT_EQ(p.h, 0);
  EXPECT_EQ(p.v, 24);
  // Single style: the same empty line.
  ExtendedTE single = Make(400, "ab\r", false);
  EXPECT_EQ((*single)->lineHeight, 12);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(0, 1, single), 24.0f);
  ExtendedTEGetPoint(3, single, &p);
  EXPECT_EQ(p.v, 24);
}

TEST_F(ExtTE, LineHeightsFollowTheLargestRun) {
  ExtendedTE te = Make(60, "aaa bbb ccc ddd");
  ASSERT_EQ(Starts(te), (std::vector<int32_t>{0, 8, 15}));
  Style(te, 9, 10, doSize, TextStyle{0, 0, 20, {0, 0, 0}});
  (*te)->lineSpacing = 0;
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(0, 0, te), 12.0f);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(1, 1, te), 20.0f);
  // A height set negative by a caller is kept through re-breaking of its line.
  ExtendedLineHeight* h = reinterpret_cast<ExtendedLineHeight*>(*(*(*te)->styleHandle)->lineHeights);
  h[1].height = -30;
  Style(te, 12, 13, doSize, TextStyle{0, 0, 24, {0, 0, 0}});
  h = reinterpret_cast<ExtendedLineHeight*>(*(*(*te)->styleHandle)->lineHeights);
  EXPECT_EQ(h[1].height, -30);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(1, 1, te), 30.0f);
}

TEST_F(ExtTE, Justification) {
  ExtendedTE te = Make(100, "abc\rabcdefghijklmnopqrstuvwxyz");  // second line wider than the box
  ASSERT_GE((*te)->nLines, 2);
  struct {
    int16_t just;
    int32_t x0;
  } cases[] = {{teFlushDefault, 0}, {teFlushLeft, 0}, {teCenter, 41}, {teFlushRight, 82}, {7, 0}};
  for (auto c : cases) {
    ExtendedTESetJust(c.just, te);
    ExtendedLongPoint p;
    ExtendedTEGetPoint(0, te, &p);
    EXPECT_EQ(p.h, c.x0) << c.just;
    ExtendedTEGetPoint(1, te, &p);
    EXPECT_EQ(p.h, c.x0 + 6) << c.just;
  }
  // Single style, the same rule.
  ExtendedTE single = Make(100, "abc", false);
  ExtendedTESetJust(teFlushRight, single);
  int32_t len = 0, x = 0;
  Extended_calc_param_ligne(single, 0, &len, &x);
  EXPECT_EQ(len, 3);
  EXPECT_EQ(x, 82);
}

// Random edits: runs and use counts stay exact, and the incremental layout
// equals a full one.
TEST_F(ExtTE, RandomEditsKeepRunsAndLayoutExact) {
  std::mt19937 rng(20261210);
  const char* pieces[] = {"ab", "cd ", " ", "\r", "\r\n", "\xC3\xA9", "xyz-", "longerword", "\n"};
  for (int round = 0; round < 6; round++) {
    ExtendedTE te = Make(40 + static_cast<int32_t>(rng() % 80), "");
    for (int step = 0; step < 60; step++) {
      int32_t len = (*te)->teLength;
      int kind = static_cast<int>(rng() % 3);
      std::string before(*(*te)->hText, static_cast<size_t>(len));
      std::vector<int32_t> startsBefore = Starts(te);
      std::string desc;
      if (kind == 0 || len == 0) {
        const char* p = pieces[rng() % (sizeof pieces / sizeof pieces[0])];
        int32_t n = static_cast<int32_t>(std::strlen(p));
        ExtendedTEFastAddData(p, n, te);
        int32_t first, last;
        ExtendedTERecalText(len, len, n, te, &first, &last);
      } else if (kind == 1) {
        int32_t a = static_cast<int32_t>(rng() % (len + 1)), b = static_cast<int32_t>(rng() % (len + 1));
        // Keep UTF-8 sequences whole.
        const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText);
        while (a < len && (s[a] & 0xC0) == 0x80) a++;
        while (b < len && (s[b] & 0xC0) == 0x80) b++;
        Select(te, a, b);
        desc = "delete " + std::to_string(a) + " " + std::to_string(b);
        ExtendedTEDelete(te);
      } else {
        int32_t a = static_cast<int32_t>(rng() % (len + 1)), b = static_cast<int32_t>(rng() % (len + 1));
        TextStyle st{static_cast<int16_t>(rng() % 3),
                     static_cast<uint8_t>(rng() % 4),
                     static_cast<int16_t>(8 + 4 * (rng() % 4)),
                     {0, 0, 0}};
        static const int16_t modes[] = {doFont, doFace, doSize, doAll, doToggle, addSize};
        desc = "style " + std::to_string(a) + " " + std::to_string(b);
        Style(te, a, b, modes[rng() % 6], st);
      }
      SCOPED_TRACE(testing::Message() << "round " << round << " step " << step << " " << desc << " before [" << before
                                      << "] " << testing::PrintToString(startsBefore) << " text ["
                                      << std::string(*(*te)->hText, (*te)->teLength) << "]");
      CheckRuns(te);
      if (HasFailure()) return;
      std::vector<int32_t> incremental = Starts(te);
      std::vector<ExtendedLineHeight> heights(static_cast<size_t>((*te)->nLines));
      if (!heights.empty())
        std::memcpy(heights.data(), *(*(*te)->styleHandle)->lineHeights, heights.size() * sizeof(ExtendedLineHeight));
      ExtendedTECalText(te);
      ASSERT_EQ(incremental, Starts(te));
      const ExtendedLineHeight* full = reinterpret_cast<ExtendedLineHeight*>(*(*(*te)->styleHandle)->lineHeights);
      for (size_t i = 0; i < heights.size(); i++) {
        ASSERT_EQ(heights[i].height, full[i].height) << "line " << i;
        ASSERT_EQ(heights[i].ascent, full[i].ascent) << "line " << i;
      }
    }
  }
}

// Offsets and indexes from callers, and runs naming styles the table lacks,
// are bounded: nothing reads outside the record.
TEST_F(ExtTE, HostileOffsetsAndDamagedRuns) {
  ExtendedTE te = Make(48, "aaa bbb\rccc");
  ExtendedLongPoint p;
  ExtendedTEGetPoint(INT32_MAX, te, &p);
  EXPECT_EQ(p.v, 24);
  ExtendedTEGetPoint(INT32_MIN, te, &p);
  EXPECT_EQ(p.h, 0);
  EXPECT_EQ(ExtendedTEGetOffset(INT32_MAX, te), 0);  // above the top
  EXPECT_EQ(ExtendedTEGetOffset(INT32_MIN, te), 0);  // far left of the first line
  EXPECT_EQ(ExtendedNumLigne(-5, te), 0);
  EXPECT_EQ(ExtendedNumLigne(INT32_MAX, te), 1);
  EXPECT_FLOAT_EQ(ExtendedTEGetHeight(-100, 1 << 30, te), 36.0f);
  EXPECT_EQ(ExtendedTailleTexte(te, 99, -50, INT32_MAX, 1), 66);
  EXPECT_EQ(ExtendedTailleTexte(te, 0, 8, INT32_MAX, 1), 18);
  int32_t len = 0, x = 0;
  Extended_calc_param_ligne(te, 1 << 20, &len, &x);
  EXPECT_EQ(len, 0);
  ExtendedFixeSelect(INT32_MIN, INT32_MAX, te);
  EXPECT_EQ((*te)->selStart, 0);
  EXPECT_EQ((*te)->selEnd, 11);
  int32_t first = -1, last = -1;
  ExtendedTERecalText(INT32_MAX, INT32_MAX, INT32_MAX, te, &first, &last);
  EXPECT_EQ(Starts(te), (std::vector<int32_t>{0, 8, 11}));
  ExtendedTERecalText(3, 3, -1000, te, &first, &last);
  EXPECT_EQ(Starts(te), (std::vector<int32_t>{0, 8, 11}));
  ExtendedStylHandle sh = (*te)->styleHandle;
  EXPECT_EQ(Extended_NewRun(INT32_MAX, 0, sh), -1);
  EXPECT_EQ(Extended_NewRun(2, 77, sh), -1);
  Extended_DelRun(-1, sh);
  Extended_DelRun(99, sh);
  EXPECT_EQ(Extended_NumRun(-1, sh), -1);
  EXPECT_EQ(Extended_NumRun(12, sh), -1);
  CheckRuns(te);
  // A run naming a style the table lacks is measured and drawn in no style of its own.
  Style(te, 4, 7, doSize, TextStyle{0, 0, 20, {0, 0, 0}});
  ExtendedRuns(sh)[1].style = 500;
  ExtendedTECalText(te);
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  ExtendedTEGetPoint(5, te, &p);
  EXPECT_GE((*te)->nLines, 2);
  TextStyle got{};
  ExtendedTEGetStyle(5, &got, nullptr, nullptr, te);
}

// ---- points, offsets, selection ------------------------------------------------

TEST_F(ExtTE, OffsetsAndPointsAgree) {
  ExtendedTE te = Make(48, "aaa bbb ccc\rdd");
  ASSERT_EQ(Starts(te), (std::vector<int32_t>{0, 8, 12, 14}));
  // Every caret position comes back from its own point (one pixel up, inside its line).
  for (int32_t o = 0; o <= 14; o++) {
    ExtendedLongPoint p;
    ExtendedTEGetPoint(o, te, &p);
    int32_t packed = static_cast<int32_t>((static_cast<uint32_t>(p.h) << 16) | static_cast<uint16_t>(p.v - 1));
    EXPECT_EQ(ExtendedTEGetOffset(packed, te), o) << o;
  }
  auto at = [&](int16_t h, int16_t v) {
    return ExtendedTEGetOffset(
        static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(h)) << 16) | static_cast<uint16_t>(v)), te);
  };
  EXPECT_EQ(at(8, 5), 1);  // nearer the second boundary
  EXPECT_EQ(at(2, 5), 0);
  EXPECT_EQ(at(300, 17), 11);  // right of "ccc\r": before the terminator
  EXPECT_EQ(at(5, 200), 14);   // below the text
  EXPECT_EQ(at(5, -3), 0);     // above the destination
  // A wrapped line's end is shown at the next line's start.
  ExtendedLongPoint p;
  ExtendedTEGetPoint(8, te, &p);
  EXPECT_EQ(p.h, 0);
  EXPECT_EQ(p.v, 24);
}

TEST_F(ExtTE, SelectionRegions) {
  ExtendedTE te = Make(48, "aaa bbb ccc ddd eee");
  Rect b;
  // One line: the stretch between the two points.
  RgnHandle r = ExtendedComputeSelectRgn(1, 3, te);
  GetRegionBounds(r, &b);
  EXPECT_TRUE(IsRegionRectangular(r));
  EXPECT_EQ(b.left, 6);
  EXPECT_EQ(b.right, 18);
  EXPECT_EQ(b.top, 0);
  EXPECT_EQ(b.bottom, 12);
  DisposeRgn(r);
  // From line 0 to line 2: the first line's tail, the middle line, the last line's head.
  r = ExtendedComputeSelectRgn(17, 2, te);
  GetRegionBounds(r, &b);
  EXPECT_EQ(b.top, 0);
  EXPECT_EQ(b.bottom, 36);
  Point inFirst{5, 20}, beforeFirst{5, 5}, inLast{30, 3}, afterLast{30, 20};
  EXPECT_TRUE(PtInRgn(inFirst, r));
  EXPECT_FALSE(PtInRgn(beforeFirst, r));
  EXPECT_TRUE(PtInRgn(inLast, r));
  EXPECT_FALSE(PtInRgn(afterLast, r));
  DisposeRgn(r);
  // Up to the end of the text: the last line reaches the view's right.
  r = ExtendedComputeSelectRgn(17, 19, te);
  GetRegionBounds(r, &b);
  EXPECT_EQ(b.right, 48);
  DisposeRgn(r);
}

TEST_F(ExtTE, SelectingKeepsAnchorsAndPendingStyle) {
  ExtendedTE te = Make(400, "abcdef");
  Style(te, 2, 4, doFace, TextStyle{0, 1, 12, {0, 0, 0}});
  ExtendedFixeSelect(5, 1, te);
  EXPECT_EQ((*te)->selStart, 1);
  EXPECT_EQ((*te)->selEnd, 5);
  EXPECT_EQ((*te)->anchorStart, 5);
  EXPECT_EQ((*te)->anchorEnd, 1);
  ExtendedFixeSelect(4, 4, te);  // the caret after the bold run takes its style
  TextStyle got{};
  ExtendedGetStyleNull((*te)->styleHandle, &got);
  EXPECT_EQ(got.face, 1);
  ExtendedFixeSelect(99, -3, te);
  EXPECT_EQ((*te)->selStart, 0);
  EXPECT_EQ((*te)->selEnd, 6);
}

TEST_F(ExtTE, OptionalSlots) {
  // The wrap filter keeps a paragraph on one line.
  ExtendedTE te = Make(30, "");
  (*te)->wrapFilter = [](ExtendedTE, int32_t, int32_t length) -> uint8_t { return length < 12; };
  const char* text = "aa bb cc dd ee\rff gg hh";
  ExtendedTEFastAddData(text, static_cast<int32_t>(std::strlen(text)), te);
  ExtendedTECalText(te);
  EXPECT_EQ(Starts(te), (std::vector<int32_t>{0, 15, 21, 23}));
  // A line indent counts in the width and moves the pen.
  (*te)->wrapFilter = nullptr;
  (*te)->lineIndent = [](ExtendedTE, int32_t line, int32_t) -> int32_t { return line == 0 ? 12 : 0; };
  static int hookCalls;
  hookCalls = 0;
  (*te)->lineTableHook = [](ExtendedTE, int32_t, int32_t) { hookCalls++; };
  ExtendedTECalText(te);
  EXPECT_EQ(ExtendedTailleTexte(te, 0, 0, 2, 0), 24);
  EXPECT_EQ(Starts(te)[1], 3);  // "aa " with the indent: 12 + 12 + 6 does not fit before "bb"
  EXPECT_GT(hookCalls, 0);
  static int afterCalls;
  afterCalls = 0;
  (*te)->afterDraw = [](ExtendedTE, int32_t from, int32_t to, float, float) {
    afterCalls++;
    EXPECT_EQ(from, 0);
    EXPECT_EQ(to, 4);
  };
  gMoves.clear();
  Extended_affiche_texte(te, 0, 4, 0, 0);
  EXPECT_EQ(afterCalls, 1);
  ASSERT_FALSE(gMoves.empty());
  EXPECT_FLOAT_EQ(gMoves[0].first, 12.0f);
  EXPECT_FLOAT_EQ(gMoves[0].second, 9.0f);
}

TEST_F(ExtTE, SelectionIsScrolledIntoView) {
  ExtendedTE te = Make(48, "aaa\rbbb\rccc\rddd\reee");
  (*te)->viewRect.bottom = 24;  // two lines shown
  ExtendedTEAutoView(1, te);
  ExtendedTESetSelect(17, 17, te);  // on line 4, below the view
  EXPECT_EQ((*te)->destRect.top, -36);
  EXPECT_EQ((*te)->destRect.bottom, 400 - 36);
  ExtendedLongPoint p;
  ExtendedTEGetPoint(17, te, &p);
  EXPECT_EQ(p.v, 24);
  ExtendedTESetSelect(1, 1, te);  // back above
  EXPECT_EQ((*te)->destRect.top, 0);
}

uint32_t gTicks = 0;
uint32_t FakeTicks() { return gTicks; }

TEST_F(ExtTE, CaretWidthAndBlinking) {
  GWorldPtr world = nullptr;
  Rect bounds{0, 0, 40, 100};
  ASSERT_EQ(NewGWorld(&world, 32, &bounds, nullptr, nullptr, 0), noErr);
  SetPort(world);
  RGBColor white{65535, 65535, 65535};
  RGBBackColor(&white);
  EraseRect(&bounds);
  ExtendedTE te = Make(100, "abcdef");
  (*te)->port = world;
  auto inkColumns = [&]() {
    int n = 0;
    for (int16_t x = 0; x < 100; x++) {
      for (int16_t y = 0; y < 40; y++) {
        if (((QDGetPixel(world, x, y) >> 16) & 0xFF) < 128) {
          n++;
          break;
        }
      }
    }
    return n;
  };
  uint8_t savedMode = ModeInsert;
  struct {
    uint8_t insert;
    int32_t at;
    int columns;
  } cases[] = {{1, 2, 1}, {0, 2, 6}, {0, 6, 8}};
  for (auto c : cases) {
    ModeInsert = c.insert;
    ExtendedFixeSelect(c.at, c.at, te);
    ExtendedAfficheCurseur(te, 1);
    EXPECT_EQ(inkColumns(), c.columns) << int(c.insert) << " " << c.at;
    ExtendedAfficheCurseur(te, 0);  // drawn twice in XOR: gone
    EXPECT_EQ(inkColumns(), 0);
  }
  ModeInsert = savedMode;
  // Blinking by the injected clock.
  uint32_t (*savedClock)() = ExtendedTETickCount;
  ExtendedTETickCount = FakeTicks;
  (*te)->active = 1;
  (*te)->caretTime = 0;
  gTicks = 10;
  ExtendedTEIdle(te);
  EXPECT_EQ((*te)->caretShown, 1);
  EXPECT_EQ((*te)->caretTime, 10 + kExtendedCaretTime);
  gTicks = 20;
  ExtendedTEIdle(te);
  EXPECT_EQ((*te)->caretShown, 1);
  gTicks = 10 + kExtendedCaretTime;
  ExtendedTEIdle(te);
  EXPECT_EQ((*te)->caretShown, 0);
  ExtendedTETickCount = savedClock;
  SetPort(port_);
  DisposeGWorld(world);
}

// ---- drawing -------------------------------------------------------------------

TEST_F(ExtTE, RightToLeftPiecesAreDrawnReversed) {
  // "ab ", two Hebrew words, "cd"; the second Hebrew word is bold.
  std::string text = "ab \xD7\x90\xD7\x91 \xD7\x92\xD7\x93 cd";
  ExtendedTE te = Make(400, text);
  int32_t bold = static_cast<int32_t>(text.find("\xD7\x92"));
  Style(te, bold, bold + 4, doFace, TextStyle{0, 1, 12, {0, 0, 0}});
  gDrawn.clear();
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  std::vector<std::string> got;
  for (const Drawn& d : gDrawn) got.push_back(d.text);
  EXPECT_EQ(got, (std::vector<std::string>{"ab ", " ", "\xD7\x92\xD7\x93", "\xD7\x90\xD7\x91 ", "cd"}));
  EXPECT_EQ(gDrawn[2].face, 1);
}

TEST_F(ExtTE, DrawingPassesThroughTheSlots) {
  ExtendedTE te = Make(48, "aaa bbb ccc\r");
  Style(te, 0, 3, doSize, TextStyle{0, 0, 0, {0, 0, 0}});
  ASSERT_EQ(Starts(te), (std::vector<int32_t>{0, 8, 12}));
  (*(*te)->styleHandle)->scale = 2.0f;
  gDrawn.clear();
  gMoves.clear();
  gErased.clear();
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  ASSERT_EQ(gDrawn.size(), 3u);
  EXPECT_EQ(gDrawn[1].text, " bbb ");
  EXPECT_EQ(gDrawn[0].text, "aaa");
  EXPECT_FLOAT_EQ(gDrawn[0].size, 24.0f);  // size 0 is drawn at 12 x scale
  EXPECT_EQ(gDrawn.back().text, "ccc");    // no terminator drawn
  EXPECT_EQ(gMoves.size(), 2u);
  EXPECT_FALSE(gErased.empty());
  // Without erasing nothing is erased, not even the band of a shorter text.
  (*te)->eraseBackground = 0;
  gErased.clear();
  Extended_affiche_texte(te, 0, (*te)->teLength, 500, 10);
  EXPECT_TRUE(gErased.empty());
  // A DrawText slot returning 0 ends its line only.
  (*te)->eraseBackground = 1;
  gDrawn.clear();
  gStopAfter = 1;
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  EXPECT_EQ(gDrawn.size(), 2u);
}

// ---- rotation ------------------------------------------------------------------

TEST_F(ExtTE, RotatedGeometry) {
  ExtendedTE te = Make(100, "abc");
  (*te)->destRect = {0, 100, 0, 60};  // centre (50, 30)
  Rect r{10, 20, 30, 60};
  Point p{12, 70}, out;
  // Angle 0: points copied, the region is the rectangle.
  ExtendedRotateTransformPoint(te, &p, &out);
  EXPECT_EQ(out.h, 70);
  EXPECT_EQ(out.v, 12);
  RgnHandle rgn = ExtendedRotateGetRgnFromRect(te, &r);
  RgnHandle rect = NewRgn();
  RectRgn(rect, &r);
  EXPECT_TRUE(EqualRgn(rgn, rect));
  DisposeRgn(rgn);
  DisposeRgn(rect);
  Point centre{30, 50};
  for (int16_t angle : {1, 30, 90, 180, -45, 359}) {
    (*te)->angle = angle;
    ExtendedRotateTransformPoint(te, &centre, &out);
    EXPECT_EQ(out.h, 50) << angle;
    EXPECT_EQ(out.v, 30) << angle;
  }
  // 90 degrees turns counter-clockwise on screen: right of the centre goes above it.
  (*te)->angle = 90;
  Point right{30, 60};
  ExtendedRotateTransformPoint(te, &right, &out);
  EXPECT_EQ(out.h, 50);
  EXPECT_EQ(out.v, 20);
  (*te)->angle = 180;
  ExtendedRotateTransformPoint(te, &right, &out);
  EXPECT_EQ(out.h, 40);
  EXPECT_EQ(out.v, 30);
  // A band turned by 90 degrees about the centre: a tall region.
  (*te)->angle = 90;
  Rect band{28, 20, 32, 80};
  rgn = ExtendedRotateGetRgnFromRect(te, &band);
  Rect b;
  GetRegionBounds(rgn, &b);
  EXPECT_NEAR(b.left, 48, 1);
  EXPECT_NEAR(b.right, 52, 1);
  EXPECT_NEAR(b.top, 0, 1);
  EXPECT_NEAR(b.bottom, 60, 1);
  DisposeRgn(rgn);
  // Rotation is stored only in a Unicode application.
  SetUnicodeApplication(0);
  ExtendedTESetRotation(te, 45);
  EXPECT_EQ((*te)->angle, 90);
  SetUnicodeApplication(1);
  ExtendedTESetRotation(te, 45);
  EXPECT_EQ((*te)->angle, 45);
  SetUnicodeApplication(0);
}

// ---- real fonts ----------------------------------------------------------------

class ExtTEFonts : public testing::Test {
 protected:
  void SetUp() override {
    GetPort(&saved_);
    Rect r{0, 0, 100, 300};
    ASSERT_EQ(NewGWorld(&world_, 32, &r, nullptr, nullptr, 0), noErr);
    SetPort(world_);
    SetUnicodeApplication(1);
    TextFont(21);
    TextSize(12);
  }
  void TearDown() override {
    SetPort(saved_);
    DisposeGWorld(world_);
    SetUnicodeApplication(0);
  }
  CGrafPtr saved_ = nullptr;
  GWorldPtr world_ = nullptr;
};

TEST_F(ExtTEFonts, MeasuresBreaksAndDrawsWithTheStandardSlots) {
  Rect dest{0, 0, 100, 120};
  ExtendedTE te = ExtendedTEStylNew(&dest, &dest);
  ASSERT_NE(te, nullptr);
  const ExtendedStyle& s = ExtendedStyles((*te)->styleHandle)[0];
  EXPECT_GT(s.lineHeight, 10.0f);
  EXPECT_LT(s.lineHeight, 20.0f);
  EXPECT_GT(s.ascent, 7.0f);
  const char* text = "Hello world, a line of text";
  ExtendedTEFastAddData(text, static_cast<int32_t>(std::strlen(text)), te);
  ExtendedTECalText(te);
  int32_t w = ExtendedTailleTexte(te, 0, 0, 5, 1);
  EXPECT_EQ(w, UTFTextWidth(world_, "Hello", 0, 5));
  EXPECT_GT(w, 20);
  ASSERT_GE((*te)->nLines, 2);
  // Every line fits and breaks after a space.
  const int32_t* starts = ExtendedLineStarts(te);
  for (int32_t i = 0; i < (*te)->nLines; i++) {
    EXPECT_LE(ExtendedTailleTexte(te, i, starts[i], starts[i + 1] - starts[i], 1), 120) << i;
    if (i > 0) {
      EXPECT_EQ(text[starts[i] - 1], ' ') << i;
    }
  }
  // Drawn: ink inside the text's height, none below.
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  int32_t height = static_cast<int32_t>(ExtendedTEGetHeight(0, (*te)->nLines - 1, te));
  int inkIn = 0, inkBelow = 0;
  for (int16_t y = 0; y < 100; y++) {
    for (int16_t x = 0; x < 120; x++) {
      uint32_t px = QDGetPixel(world_, x, y);
      bool ink = ((px >> 16) & 0xFF) < 128;
      if (ink && y < height) inkIn++;
      if (ink && y >= height + 2) inkBelow++;
    }
  }
  EXPECT_GT(inkIn, 50);
  EXPECT_EQ(inkBelow, 0);
  ExtendedTEDispose(te);
}

// A text laid out past the 16-bit plane (a title of hundreds of lines) moves
// the pen past it: the pen stops on the edge instead of wrapping round.
TEST_F(ExtTEFonts, PenBeyondThePlaneStopsOnItsEdge) {
  struct Cas {
    float h, v;
    int16_t ph, pv;
  };
  for (const Cas& c : {Cas{12.7f, -3.2f, 12, -3}, Cas{33102.0f, 40.0f, 32767, 40}, Cas{10.0f, 65600.0f, 10, 32767},
                       Cas{-40000.0f, -1e9f, -32768, -32768}, Cas{32767.0f, -32768.0f, 32767, -32768}}) {
    VectStdMoveTo(c.h, c.v);
    Point pen;
    GetPen(&pen);
    EXPECT_EQ(pen.h, c.ph) << c.h;
    EXPECT_EQ(pen.v, c.pv) << c.v;
  }
}

TEST_F(ExtTEFonts, RotatedLineIsDrawnTurned) {
  Rect dest{0, 100, 100, 200};  // centre (150, 50)
  ExtendedTE te = ExtendedTEStylNew(&dest, &dest);
  ASSERT_NE(te, nullptr);
  (*te)->noClip = 1;
  (*te)->eraseBackground = 0;
  ExtendedTESetRotation(te, 90);
  ASSERT_EQ((*te)->angle, 90);
  const char* text = "HHHHHHHH";
  ExtendedTEFastAddData(text, 8, te);
  ExtendedTECalText(te);
  Extended_affiche_texte(te, 0, (*te)->teLength, 0, 0);
  int16_t minX = 300, maxX = -1, minY = 100, maxY = -1;
  for (int16_t y = 0; y < 100; y++) {
    for (int16_t x = 0; x < 300; x++) {
      if (((QDGetPixel(world_, x, y) >> 16) & 0xFF) < 128 && (QDGetPixel(world_, x, y) >> 24)) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
  }
  ASSERT_GE(maxX, 0);
  // Turned a quarter counter-clockwise: a tall, narrow column.
  EXPECT_GT(maxY - minY, 2 * (maxX - minX));
  ExtendedTEDispose(te);
}

// The standard width slot, called as any other slot: the record measures
// each stretch on its own instead of the whole paragraph at once.
float StretchByStretch(ExtendedTE te, int32_t line, const char* text, int32_t offset, int32_t length) {
  return VectStdTextWidth(te, line, text, offset, length);
}

struct Laid {
  std::vector<int32_t> starts;
  std::vector<int16_t> heights;
};

// A record of the width over the text, its runs given as (start, font,
// size, face), laid out as a whole.
Laid LayOutText(const std::string& text, int16_t width, bool styled, const std::vector<TextStyle>& styles,
                const std::vector<int32_t>& runStarts, bool stretchByStretch) {
  Rect dest{0, 0, 32000, width};
  ExtendedTE te = styled ? ExtendedTEStylNew(&dest, &dest) : ExtendedTENew(&dest, &dest);
  if (stretchByStretch) (*te)->textWidth = StretchByStretch;
  const int32_t len = static_cast<int32_t>(text.size());
  ExtendedTEFastAddData(text.data(), len, te);
  for (size_t i = 0; i < runStarts.size() && (styled || i == 0); i++) {
    ExtendedTESetStartEnd(te, runStarts[i], len);
    ExtendedTESetStyle(doAll, &styles[i % styles.size()], 0, te);
  }
  ExtendedTECalText(te);
  Laid out;
  out.starts.assign(ExtendedLineStarts(te), ExtendedLineStarts(te) + (*te)->nLines + 1);
  if (styled) {
    const ExtendedLineHeight* h = reinterpret_cast<ExtendedLineHeight*>(*(*(*te)->styleHandle)->lineHeights);
    for (int32_t i = 0; i < (*te)->nLines; i++) out.heights.push_back(h[i].height);
  }
  ExtendedTEDispose(te);
  return out;
}

// Paragraphs are laid out once and their breaks found from the pen
// positions: the lines are those of measuring every candidate stretch on its
// own, whatever the words (kerning pairs at the breaks, ligatures, accents
// composed or combining, another script from a fallback font, damaged
// bytes, controls, words too long for a line), the runs and the width.
TEST_F(ExtTEFonts, BreaksFoundAtOnceAreThoseOfMeasuringEachStretch) {
  const char* words[] = {"AVATAR ",
                         "Type ",
                         "To ",
                         "yo, ",
                         "LT ",
                         "fi ",
                         "ffl ",
                         "Wa-",
                         "e\xCC\x81t\xC3\xA9 ",
                         "\x96",
                         "\x01",
                         "x ",
                         "Y. ",
                         "\xE6\x97\xA5\xE6\x9C\xAC ",
                         "\r",
                         "\r\n",
                         "longerwordwithoutanybreak",
                         "  ",
                         "\x03"};
  const std::vector<TextStyle> styles = {{kFontHelvetica, 0, 12, {0, 0, 0}},
                                         {kFontTimes, 1, 17, {0, 0, 0}},
                                         {kFontCourier, 2, 9, {0, 0, 0}},
                                         {kFontHelvetica, 0, 24, {0, 0, 0}}};
  std::mt19937 rng(58);
  for (int round = 0; round < 40; round++) {
    std::string text;
    const size_t kinds = sizeof words / sizeof words[0];
    for (int i = 0, n = 5 + static_cast<int>(rng() % 50); i < n; i++) text += words[rng() % kinds];
    std::vector<int32_t> runStarts{0};
    for (int i = 0, n = static_cast<int>(rng() % 4); i < n; i++) {
      runStarts.push_back(static_cast<int32_t>(rng() % text.size()));
    }
    std::sort(runStarts.begin(), runStarts.end());
    // Runs start on character boundaries.
    for (int32_t& a : runStarts) {
      while (a < static_cast<int32_t>(text.size()) && (static_cast<uint8_t>(text[a]) & 0xC0) == 0x80) a++;
    }
    for (int16_t width : {30, 80, 150, 333}) {
      for (bool styled : {true, false}) {
        SCOPED_TRACE(testing::Message() << "round " << round << " width " << width << " styled " << styled << " ["
                                        << text << "]");
        Laid once = LayOutText(text, width, styled, styles, runStarts, false);
        Laid alone = LayOutText(text, width, styled, styles, runStarts, true);
        ASSERT_EQ(once.starts, alone.starts);
        ASSERT_EQ(once.heights, alone.heights);
      }
    }
  }
}

// Texts made to be slow or to split what must stay whole: one 16 KB word,
// a base with a pile of marks again and again, a box narrower than any
// character, a run for every byte. Each is broken into lines that follow
// one another, none inside a character, and where a line can hold more
// than a character, none between a base and its marks.
TEST_F(ExtTEFonts, HostileTextsAreBrokenIntoWholeCharacters) {
  auto field = [](const std::string& v) { return v + "\x03"; };
  std::string marks;
  while (marks.size() < 4000) marks += "a\xCC\x81\xCC\x82\xCC\x83";
  std::string words;
  while (words.size() < 4000) words += "word ";
  std::string fewWords = words.substr(0, 600);
  struct Case {
    const char* name;
    std::string text;
    int16_t width;
    bool runPerByte;
  } cases[] = {
      {"one long word", std::string(16384, 'm'), 480, false},
      {"one long word of piled marks", marks, 480, false},
      {"piled marks, narrow", marks, 3, false},
      {"narrower than a character", words, 3, false},
      {"a run for every byte", fewWords, 120, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rect dest{0, 0, 32000, c.width};
    ExtendedTE te = ExtendedTEStylNew(&dest, &dest);
    // Stored in Helvetica, or with Helvetica and Times taken in turn byte after byte.
    const int32_t len = static_cast<int32_t>(c.text.size());
    std::string data =
        "\x01"
        "A" +
        field("2") + field(std::to_string(c.runPerByte ? len : 1)) + "\x85" + field("12.000") + field("14.000") +
        field("11.000") + field("Helvetica") + "\x85" + field("15.000") + field("17.000") + field("13.000") +
        field("Times");
    for (int32_t i = 0; i < (c.runPerByte ? len : 1); i++) {
      data += field(std::to_string(i)) + field(std::to_string(i % 2));
    }
    data += field(std::to_string(len + 1)) + field("-1") + "\x02" + c.text;
    CvtTextDataToTEHandle(te, data.c_str(), static_cast<int32_t>(data.size()), nullptr);
    if (c.runPerByte) {
      ASSERT_EQ((*(*te)->styleHandle)->nRuns, static_cast<int16_t>(c.text.size()));
    }
    const int32_t n = (*te)->nLines;
    ASSERT_EQ((*te)->teLength, len);
    const int32_t* starts = ExtendedLineStarts(te);
    ASSERT_GT(n, 0);
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[n], len);
    for (int32_t i = 1; i < n; i++) {
      ASSERT_LT(starts[i - 1], starts[i]) << i;
      const uint8_t* s = reinterpret_cast<const uint8_t*>(*(*te)->hText) + starts[i];
      EXPECT_NE(s[0] & 0xC0, 0x80) << "line " << i << " starts inside a character";
      // A box narrower than one character holds one character a line.
      if (c.width > 100) {
        EXPECT_FALSE(s[0] == 0xCC && s[1] >= 0x80 && s[1] <= 0x84) << "line " << i << " starts with a mark";
      }
    }
    if (c.runPerByte) {
      // Every piece is truncated on its own, as when measured stretch by stretch.
      Rect d2 = dest;
      ExtendedTE alone = ExtendedTEStylNew(&d2, &d2);
      (*alone)->textWidth = StretchByStretch;
      CvtTextDataToTEHandle(alone, data.c_str(), static_cast<int32_t>(data.size()), nullptr);
      EXPECT_EQ(std::vector<int32_t>(starts, starts + n + 1),
                std::vector<int32_t>(ExtendedLineStarts(alone), ExtendedLineStarts(alone) + (*alone)->nLines + 1));
      ExtendedTEDispose(alone);
    } else if (c.width > 100 && c.text.find(' ') == std::string::npos) {
      // A long word is cut where the box is full.
      EXPECT_GT(n, 1);
      for (int32_t i = 0; i + 1 < n; i++) {
        EXPECT_LE(ExtendedTailleTexte(te, i, starts[i], starts[i + 1] - starts[i], 1), c.width);
        EXPECT_GE(ExtendedTailleTexte(te, i, starts[i], starts[i + 1] - starts[i] + 1, 1), c.width);
      }
    }
    ExtendedTEDispose(te);
  }
}

}  // namespace

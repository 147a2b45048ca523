// Styled strings: the stored bytes of the style part, its reader on damaged
// input, the loading into and out of styled text records, and the
// sub-string operations that keep the runs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "platform/Fonts.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "support/Locales.h"
#include "text/ExtendedTE.h"
#include "text/Fontes.h"
#include "text/TextData.h"
#include "text/UTFText.h"

namespace {

struct S {
  uint16_t font;
  uint8_t face;
  float size, lineHeight, ascent;
  RGBColor color;
};
struct R {
  int32_t start;
  uint16_t style;
};

// A style handle built by hand: the writer's input with known metrics.
ExtendedStylHandle MakeStyl(const std::vector<S>& styles, const std::vector<R>& runs) {
  ExtendedStylHandle sh = ExtendedNewStylHandle();
  SetHandleSize((*sh)->styleTable, sizeof(ExtendedStyle) * styles.size());
  (*sh)->nStyles = static_cast<int16_t>(styles.size());
  for (size_t i = 0; i < styles.size(); i++) {
    ExtendedStyle e{};
    e.font = styles[i].font;
    e.face = styles[i].face;
    e.size = styles[i].size;
    e.lineHeight = styles[i].lineHeight;
    e.ascent = styles[i].ascent;
    e.color = styles[i].color;
    ExtendedStyles(sh)[i] = e;
  }
  SetHandleSize(reinterpret_cast<Handle>(sh), sizeof(ExtendedStylRec) + sizeof(ExtendedRun) * runs.size());
  (*sh)->nRuns = static_cast<int16_t>(runs.size() - 1);
  for (size_t j = 0; j < runs.size(); j++) {
    ExtendedRuns(sh)[j] = {runs[j].start, runs[j].style};
    if (j + 1 < runs.size()) ExtendedStyles(sh)[runs[j].style].useCount++;
  }
  return sh;
}

std::string HandleBytes(Handle h) { return std::string(*h, static_cast<size_t>(GetHandleSize(h))); }

// Fields of the stored form.
std::string F(const std::string& s) { return s + "\x03"; }

// A port to measure in, at 72 dpi, for every test.
class TextData : public testing::Test {
 protected:
  void SetUp() override {
    GetPort(&saved_);
    Rect r{0, 0, 100, 100};
    ASSERT_EQ(NewGWorld(&world_, 32, &r, nullptr, nullptr, 0), noErr);
    SetPort(world_);
    dpi_ = GetDpiDest();
    SetDpiDest(72);
    SetUnicodeApplication(1);
  }
  void TearDown() override {
    SetDpiDest(dpi_);
    SetPort(saved_);
    DisposeGWorld(world_);
    SetUnicodeApplication(0);
  }
  ExtendedTE NewTE() {
    Rect r{0, 0, 32000, 32000};
    return ExtendedTEStylNew(&r, &r);
  }
  CGrafPtr saved_ = nullptr;
  GWorldPtr world_ = nullptr;
  int16_t dpi_ = 72;
};

const RGBColor kNoir{0, 0, 0};
const RGBColor kRouge{65535, 0, 0};

struct Golden {
  const char* name;
  std::vector<S> styles;
  std::vector<R> runs;
  std::string bytes;  // style part
};

std::vector<Golden> Goldens() {
  return {
      {"one style",
       {{kFontTimes, 0, 12, 14.5f, 11.25f, kNoir}},
       {{0, 0}, {6, 65535}},
       "\x01"
       "A" +
           F("1") + F("1") + "\x85" + F("12.000") + F("14.500") + F("11.250") + F("Times") + F("0") + F("0") + F("6") +
           F("-1") + "\x02"},
      {"several runs, every field",
       {{kFontTimes, 0, 12, 14, 11, kNoir},
        {kFontTimes, kFaceBold, 12, 14, 11, kNoir},
        {kFontHelvetica, kFaceItalic, 18.5f, 21, 17, {65535, 32768, 1}}},
       {{0, 0}, {3, 1}, {5, 2}, {9, 0}, {13, 65535}},
       "\x01"
       "A" +
           F("3") + F("4") + "\x85" + F("12.000") + F("14.000") + F("11.000") + F("Times") + "\x82" + F("1") + "\x8F" +
           F("18.500") + F("21.000") + F("17.000") + F("Helvetica") + F("2") + F("65535") + F("32768") + F("1") +
           F("0") + F("0") + F("3") + F("1") + F("5") + F("2") + F("9") + F("0") + F("13") + F("-1") + "\x02"},
      // Same size and font as the previous entry: no size, metric or font
      // fields even though the line height differs; only the colour.
      {"metrics follow size and font",
       {{kFontTimes, 0, 12, 14, 11, kNoir}, {kFontTimes, 0, 12, 20, 15, kRouge}},
       {{0, 0}, {2, 1}, {4, 65535}},
       "\x01"
       "A" +
           F("2") + F("2") + "\x85" + F("12.000") + F("14.000") + F("11.000") + F("Times") + "\x88" + F("65535") +
           F("0") + F("0") + F("0") + F("0") + F("2") + F("1") + F("4") + F("-1") + "\x02"},
      // Size 0 and font 0 equal the zero previous state: no fields at all.
      {"zero first entry",
       {{0, 0, 0, 0, 0, kNoir}},
       {{0, 0}, {3, 65535}},
       "\x01"
       "A" +
           F("1") + F("1") + "\x80" + F("0") + F("0") + F("3") + F("-1") + "\x02"},
  };
}

TEST_F(TextData, StylePartGoldenBytesBothWays) {
  for (const Golden& g : Goldens()) {
    SCOPED_TRACE(g.name);
    ExtendedStylHandle sh = MakeStyl(g.styles, g.runs);
    Handle part = CvtStyleHandleToTextData(sh, nullptr);
    EXPECT_EQ(HandleBytes(part), g.bytes);
    DisposeHandle(part);
    ExtendedDisposeStylHandle(sh);

    // Read back with its text: entries as written (metrics truncated, size 0
    // read as 12), runs as written, the sentinel at the text length + 1.
    std::string text(static_cast<size_t>(g.runs.back().start - 1), 'x');
    std::string stored = g.bytes + text;
    std::vector<char> buf(stored.begin(), stored.end());
    buf.push_back(0);
    ExtendedStylHandle back = CvtTextDataToStyleHandle(buf.data());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ((*back)->nStyles, static_cast<int16_t>(g.styles.size()));
    ASSERT_EQ((*back)->nRuns, static_cast<int16_t>(g.runs.size() - 1));
    S prev{0, 0, 0, 0, 0, kNoir};
    for (size_t i = 0; i < g.styles.size(); i++) {
      const ExtendedStyle& e = ExtendedStyles(back)[i];
      // Metrics are stored only with a new size or font.
      if (!(g.styles[i].size == prev.size && g.styles[i].font == prev.font)) prev = g.styles[i];
      EXPECT_EQ(e.font, g.styles[i].font == 0 ? 0 : g.styles[i].font);
      EXPECT_EQ(e.face, g.styles[i].face);
      EXPECT_EQ(e.size, g.styles[i].size == 0 ? 12.0f : static_cast<float>(static_cast<int>(g.styles[i].size)));
      EXPECT_EQ(e.lineHeight, static_cast<float>(static_cast<int>(prev.lineHeight)));
      EXPECT_EQ(e.ascent, static_cast<float>(static_cast<int>(prev.ascent)));
      EXPECT_EQ(e.color.red, g.styles[i].color.red);
      EXPECT_EQ(e.color.blue, g.styles[i].color.blue);
    }
    for (size_t j = 0; j < g.runs.size(); j++) {
      EXPECT_EQ(ExtendedRuns(back)[j].start, g.runs[j].start);
      EXPECT_EQ(ExtendedRuns(back)[j].style, g.runs[j].style);
    }
    ExtendedDisposeStylHandle(back);
  }
}

TEST_F(TextData, PlainAndEmpty) {
  char plain[] = "hello";
  EXPECT_EQ(CvtTextDataToStyleHandle(plain), nullptr);
  EXPECT_EQ(CvtTextDataToStyleHandle(nullptr), nullptr);
  Handle h = CvtStyleHandleToTextData(nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), 0);
  DisposeHandle(h);

  std::string s =
      "\x01"
      "A" +
      F("1") + F("1") + "\x80" + F("0") + F("0") + F("3") + F("-1") + "\x02" + "abc";
  EXPECT_TRUE(IsStyledString(s.c_str()));
  EXPECT_FALSE(IsStyledString(plain));
  EXPECT_EQ(GetStringStyleSize(s.c_str()), static_cast<int32_t>(s.size() - 3));
  EXPECT_EQ(GetStringStyleSize(plain), 0);
  EXPECT_STREQ(GetTexteBrutTexteStyle(s.c_str()), "abc");
  EXPECT_EQ(GetStrlenBrutTexteStyle(s.c_str()), 3);
  int32_t n = -1;
  EXPECT_STREQ(GetTexteBrutTexteStyleAndSize(s.c_str(), static_cast<int32_t>(s.size()), &n), "abc");
  EXPECT_EQ(n, 3);
  Handle d = GetDataTextStyle(s.c_str(), static_cast<int32_t>(s.size()));
  EXPECT_EQ(HandleBytes(d), "abc");
  DisposeHandle(d);
  // A styled string without 0x02 has no text.
  EXPECT_STREQ(GetTexteBrutTexteStyle("\x01"
                                      "A1\x03"),
               "");
}

TEST_F(TextData, NeighbourRunsOfOneStyleMergeAndTheSentinelIsMended) {
  std::string part =
      "\x01"
      "A" +
      F("2") + F("4") + "\x85" + F("12.000") + F("14.000") + F("11.000") + F("Times") + "\x82" + F("1") + F("0") +
      F("0") + F("2") + F("0") + F("4") + F("1") + F("6") + F("1") + F("77") + F("-1") + "\x02";
  std::string s = part + "abcdefgh";
  std::vector<char> buf(s.begin(), s.end());
  buf.push_back(0);
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(buf.data());
  ASSERT_NE(sh, nullptr);
  ASSERT_EQ((*sh)->nRuns, 2);
  EXPECT_EQ(ExtendedRuns(sh)[0].start, 0);
  EXPECT_EQ(ExtendedRuns(sh)[1].start, 4);
  EXPECT_EQ(ExtendedRuns(sh)[1].style, 1);
  EXPECT_EQ(ExtendedRuns(sh)[2].start, 9);  // stored 77
  EXPECT_EQ(ExtendedStyles(sh)[0].useCount, 1);
  EXPECT_EQ(ExtendedStyles(sh)[1].useCount, 1);
  ExtendedDisposeStylHandle(sh);
}

TEST_F(TextData, SizesScaleToTheDestinationResolution) {
  std::string s =
      "\x01"
      "A" +
      F("1") + F("1") + "\x85" + F("12.000") + F("14.700") + F("11.200") + F("Times") + F("0") + F("0") + F("3") +
      F("-1") + "\x02" + "abc";
  std::vector<char> buf(s.begin(), s.end());
  buf.push_back(0);
  SetDpiDest(144);
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(buf.data());
  ASSERT_NE(sh, nullptr);
  EXPECT_EQ(ExtendedStyles(sh)[0].size, 24.0f);
  EXPECT_EQ(ExtendedStyles(sh)[0].lineHeight, 28.0f);  // truncated, then zoomed
  EXPECT_EQ(ExtendedStyles(sh)[0].ascent, 22.0f);
  ExtendedDisposeStylHandle(sh);
}

// Float fields do not follow the locale's decimal mark.
TEST_F(TextData, FloatFieldsIgnoreTheLocale) {
  tamrel_test::DecimalCommaLocale comma;
  ASSERT_TRUE(comma.active()) << comma.Missing();
  ExtendedStylHandle sh = MakeStyl({{kFontTimes, 0, 12.5f, 14.25f, 11, kNoir}}, {{0, 0}, {2, 65535}});
  Handle part = CvtStyleHandleToTextData(sh, nullptr);
  std::string bytes = HandleBytes(part);
  std::vector<char> buf(bytes.begin(), bytes.end());
  buf.push_back('x');
  buf.push_back(0);
  ExtendedStylHandle back = CvtTextDataToStyleHandle(buf.data());
  EXPECT_NE(bytes.find(F("12.500") + F("14.250")), std::string::npos);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(ExtendedStyles(back)[0].size, 12.0f);
  DisposeHandle(part);
  ExtendedDisposeStylHandle(sh);
  ExtendedDisposeStylHandle(back);
}

// Damaged style parts: refused, reported, and the string overwritten in its
// own bytes so that it reads as plain text. Each buffer is exactly the
// string's size, so a read past its end shows under the sanitizers.
TEST_F(TextData, MalformedStylePartsAreRefused) {
  const std::string entry = "\x85" + F("12.000") + F("14.000") + F("11.000") + F("Times");
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"marker only", "\x01"},
      {"marker and letter",
       "\x01"
       "A"},
      {"counts cut short",
       "\x01"
       "A1"},
      {"no end of style part",
       "\x01"
       "A" +
           F("1") + F("1") + entry + F("0") + F("0") + F("3") + F("-1") + "abc"},
      {"end of style part too early",
       "\x01"
       "A" +
           F("1") + F("1") + entry + F("0") + "\x02" + "abc"},
      {"bytes after the runs",
       "\x01"
       "A" +
           F("1") + F("1") + entry + F("0") + F("0") + F("4") + F("-1") + "zz\x02" + "abc"},
      {"style count past the string",
       "\x01"
       "A" +
           F("30000") + F("0") + F("1") + F("-1") + "\x02" + "abc"},
      {"style count over the ceiling",
       "\x01"
       "A" +
           F("99999999") + F("0") + "\x02" + "abc"},
      {"negative style count",
       "\x01"
       "A" +
           F("-1") + F("0") + F("1") + F("-1") + "\x02" + "abc"},
      {"run count past the string",
       "\x01"
       "A" +
           F("1") + F("2000000000") + entry + "\x02" + "abc"},
      {"negative run count",
       "\x01"
       "A" +
           F("1") + F("-3") + entry + F("4") + F("-1") + "\x02" + "abc"},
      {"style index past the table",
       "\x01"
       "A" +
           F("1") + F("1") + entry + F("0") + F("5") + F("4") + F("-1") + "\x02" + "abc"},
      {"negative style index",
       "\x01"
       "A" +
           F("1") + F("1") + entry + F("0") + F("-1") + F("4") + F("-1") + "\x02" + "abc"},
      {"run past the text",
       "\x01"
       "A" +
           F("1") + F("2") + entry + F("0") + F("0") + F("9") + F("0") + F("4") + F("-1") + "\x02" + "abc"},
      {"runs out of order",
       "\x01"
       "A" +
           F("2") + F("2") + entry + "\x82" + F("1") + F("2") + F("0") + F("1") + F("1") + F("4") + F("-1") + "\x02" +
           "abc"},
      {"field without end",
       "\x01"
       "A" +
           F("1") + F("1") + "\x85" + "12.000"},
      {"0x02 inside a font name",
       "\x01"
       "A" +
           F("1") + F("1") + "\x85" + F("12") + F("14") + F("11") + F("Ti\x02mes") + F("0") + F("0") + F("4") +
           F("-1") + "\x02" + "abc"},
      {"entries cut short",
       "\x01"
       "A" +
           F("3") + F("1") + entry + "\x02" + "abc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> buf(c.bytes.begin(), c.bytes.end());
    buf.push_back(0);
    EXPECT_EQ(CvtTextDataToStyleHandle(buf.data()), nullptr);
    EXPECT_STREQ(buf.data(), c.bytes.size() >= 4 ? "<?>" : "?");
    EXPECT_FALSE(IsStyledString(buf.data()));
  }
  // A record loaded from a damaged string takes the fallback as plain text;
  // the caller's string stays as it is.
  std::string bad = cases[3].bytes;
  ExtendedTE te = NewTE();
  CvtTextDataToTEHandle(te, bad.c_str(), static_cast<int32_t>(bad.size()), nullptr);
  EXPECT_EQ(std::string(*ExtendedTEGetText(te), static_cast<size_t>((*te)->teLength)), "<?>");
  EXPECT_EQ((*(*te)->styleHandle)->nRuns, 1);
  EXPECT_EQ(bad, cases[3].bytes);
  ExtendedTEDispose(te);
}

// Every byte of a valid string changed in turn, and the string cut at every
// length: each either reads or is refused, never read past its end.
TEST_F(TextData, DamagedCopiesOfAValidStringNeverReadPastTheirEnd) {
  const std::string good = Goldens()[1].bytes + "abcdefghijkl";
  const uint8_t values[] = {0x00, 0x01, 0x02, 0x03, '-', '9', 0x7F, 0xFF};
  int refused = 0, read = 0;
  auto attempt = [&](std::string bytes) {
    std::vector<char> buf(bytes.begin(), bytes.end());
    buf.push_back(0);
    ExtendedStylHandle sh = CvtTextDataToStyleHandle(buf.data());
    if (!sh) {
      refused++;
      return;
    }
    read++;
    // What was read keeps the record's invariants.
    const int32_t n = (*sh)->nRuns;
    const ExtendedRun* runs = ExtendedRuns(sh);
    EXPECT_EQ(runs[n].start, GetStrlenBrutTexteStyle(buf.data()) + 1);
    for (int32_t j = 0; j < n; j++) {
      EXPECT_LT(runs[j].style, (*sh)->nStyles);
      if (j) {
        EXPECT_LE(runs[j - 1].start, runs[j].start);
      }
    }
    ExtendedDisposeStylHandle(sh);
  };
  for (size_t i = 1; i < good.size(); i++) {
    for (uint8_t v : values) {
      std::string bytes = good;
      bytes[i] = static_cast<char>(v);
      attempt(bytes);
    }
    attempt(good.substr(0, i));
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(read, 0);
}

TEST_F(TextData, RecordRoundTripKeepsTheBytes) {
  // Whole sizes and metrics: what the reader keeps of them is all there is.
  ExtendedStylHandle made = MakeStyl({{kFontTimes, 0, 12, 14, 11, kNoir},
                                      {kFontTimes, kFaceBold, 12, 14, 11, kNoir},
                                      {kFontHelvetica, kFaceItalic, 18, 21, 17, {65535, 32768, 1}}},
                                     {{0, 0}, {3, 1}, {5, 2}, {9, 0}, {13, 65535}});
  Handle part = CvtStyleHandleToTextData(made, nullptr);
  std::string s = HandleBytes(part) + "abcdefghijkl";
  DisposeHandle(part);
  ExtendedDisposeStylHandle(made);
  ExtendedTE te = NewTE();
  CvtTextDataToTEHandle(te, s.c_str(), static_cast<int32_t>(s.size()), nullptr);
  EXPECT_EQ((*te)->teLength, 12);
  EXPECT_EQ((*(*te)->styleHandle)->nRuns, 4);
  char* out = CvtExtendedTEHandleToTextData(te, -1, nullptr);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::string(out), s);
  DisposeTextData(out);

  // With a TextStyle the first run's style comes out there too.
  TextStyle first{};
  out = CvtExtendedTEHandleToTextData(te, 0, &first);
  EXPECT_EQ(std::string(out), s);
  EXPECT_EQ(first.font, kFontTimes);
  EXPECT_EQ(first.size, 12);
  DisposeTextData(out);
  ExtendedTEDispose(te);
}

TEST_F(TextData, PlainTextTakesTheGivenStyle) {
  ExtendedTE te = NewTE();
  TextStyle style{kFontHelvetica, kFaceBold, 0, kRouge};
  CvtTextDataToTEHandle(te, "twelve bytes", 12, &style);
  ExtendedStylHandle sh = (*te)->styleHandle;
  ASSERT_EQ((*sh)->nRuns, 1);
  EXPECT_EQ(ExtendedStyles(sh)[0].size, 12.0f);  // 0 means 12
  EXPECT_EQ(ExtendedStyles(sh)[0].font, kFontHelvetica);
  EXPECT_EQ(ExtendedRuns(sh)[1].start, 13);

  // One run and a TextStyle: no style part, the style comes back apart.
  TextStyle got{};
  Handle part = CvtStyleHandleToTextData(sh, &got);
  EXPECT_EQ(GetHandleSize(part), 0);
  EXPECT_EQ(got.face, kFaceBold);
  DisposeHandle(part);
  char* out = CvtExtendedTEHandleToTextData(te, -1, &got);
  EXPECT_STREQ(out, "twelve bytes");
  DisposeTextData(out);

  // Bounded: the style part goes and the text is cut to maxLength - 1.
  out = CvtExtendedTEHandleToTextData(te, 10, nullptr);
  EXPECT_STREQ(out, "twelve by");
  DisposeTextData(out);
  // Never inside a UTF-8 sequence.
  CvtTextDataToTEHandle(te, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 12, &style);
  out = CvtExtendedTEHandleToTextData(te, 10, nullptr);
  EXPECT_STREQ(out, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  DisposeTextData(out);
  ExtendedTEDispose(te);
}

// The runs of a string as (start, font, face, size) for comparisons.
std::string Runs(const char* s) {
  std::vector<char> buf(s, s + strlen(s) + 1);
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(buf.data());
  if (!sh) return "plain";
  std::string out;
  for (int32_t i = 0; i <= (*sh)->nRuns; i++) {
    ExtendedRun r = ExtendedRuns(sh)[i];
    out += std::to_string(r.start);
    if (i < (*sh)->nRuns) {
      const ExtendedStyle& e = ExtendedStyles(sh)[r.style];
      out += ":" + std::to_string(e.font) + "/" + std::to_string(e.face) + "/" + std::to_string((int)e.size) + " ";
    }
  }
  ExtendedDisposeStylHandle(sh);
  return out;
}

TEST_F(TextData, SubStringsKeepTheirRuns) {
  TextStyle a{kFontTimes, 0, 12, kNoir};
  TextStyle b{kFontHelvetica, kFaceBold, 14, kRouge};
  char* s = CreeChaineStyle("abcd", &a);
  EXPECT_EQ(Runs(s), "0:20/0/12 5");  // always styled
  s = ConcateneChaineAvecStyle("EFGH", &b, s);
  EXPECT_STREQ(GetTexteBrutTexteStyle(s), "abcdEFGH");
  EXPECT_EQ(Runs(s), "0:20/0/12 4:21/1/14 9");

  char* sub = ExtraitSousChaineStyle(s, 2, 6, nullptr);
  EXPECT_STREQ(GetTexteBrutTexteStyle(sub), "cdEF");
  EXPECT_EQ(Runs(sub), "0:20/0/12 2:21/1/14 5");
  DisposeTextData(sub);

  char* cut = SupprimeSousChaineStyle(s, 1, 6, 8);
  EXPECT_STREQ(GetTexteBrutTexteStyle(cut), "aGH");
  EXPECT_EQ(Runs(cut), "0:20/0/12 1:21/1/14 4");
  DisposeTextData(cut);

  // Inserted inside the first run: the text after it keeps the first style.
  char* ins = CreeChaineStyle("xy", &b);
  char* joined = InsereSousChaineStyle(ins, 2, s, 1, 8);
  EXPECT_STREQ(GetTexteBrutTexteStyle(joined), "axybcdEFGH");
  EXPECT_EQ(Runs(joined), "0:20/0/12 1:21/1/14 3:20/0/12 6:21/1/14 11");
  DisposeTextData(joined);
  // Into a plain destination: the whole result takes the inserted style.
  joined = InsereSousChaineStyle(ins, 2, "plain", 3, 5);
  EXPECT_STREQ(GetTexteBrutTexteStyle(joined), "plaxyin");
  EXPECT_EQ(Runs(joined), "0:21/1/14 8");
  DisposeTextData(joined);
  DisposeTextData(ins);

  TextStyle got{};
  EXPECT_TRUE(ExtraitStyleChaine(s, 5, &got));
  EXPECT_EQ(got.font, kFontHelvetica);
  EXPECT_EQ(got.size, 14);
  EXPECT_FALSE(ExtraitStyleChaine("plain", 0, &got));
  EXPECT_FALSE(ExtraitStyleChaine(s, 40, &got));

  // Runs marked with 0x03, the text of each run changed, the runs put back.
  Handle marked = InjecteRunsDansChaine(s, static_cast<int32_t>(strlen(s)));
  EXPECT_STREQ(*marked,
               "abcd\x03"
               "EFGH\x03");
  Handle back = RecupereRunsDansChaine(s, static_cast<int32_t>(strlen(s)),
                                       "Do\x03"
                                       "RE MI\x03");
  EXPECT_STREQ(GetTexteBrutTexteStyle(*back), "DoRE MI");
  EXPECT_EQ(Runs(*back), "0:20/0/12 2:21/1/14 8");
  DisposeHandle(marked);
  DisposeHandle(back);
  DisposeTextData(s);
}

TEST_F(TextData, RangeOfAStyleHandleAndMergingIntoARecord) {
  std::string s = Goldens()[1].bytes + "abcdefghijkl";
  std::vector<char> buf(s.begin(), s.end());
  buf.push_back(0);
  ExtendedStylHandle sh = CvtTextDataToStyleHandle(buf.data());
  ASSERT_NE(sh, nullptr);
  // With an output style, the style at start comes out and the part begins
  // with the next run.
  TextStyle def{kFontCourier, 0, 10, kNoir}, out{};
  Handle part = CvtStyleHandleToTextDataRange(sh, 4, 8, &def, &out);
  EXPECT_EQ(out.face, kFaceBold);
  std::string p = HandleBytes(part) + "efgh";
  EXPECT_EQ(Runs(p.c_str()), "1:21/2/18 5");
  DisposeHandle(part);

  // Merged into a record at an offset, completed with a run at 0.
  ExtendedTE te = NewTE();
  TextStyle plain{kFontCourier, 0, 10, kNoir};
  CvtTextDataToTEHandle(te, "0123456789", 10, &plain);
  AddStyleHandleRangeToText(te, p.c_str(), 3, &def);
  char* whole = CvtExtendedTEHandleToTextData(te, -1, nullptr);
  EXPECT_EQ(Runs(whole), "0:22/0/10 4:21/2/18 11");
  DisposeTextData(whole);
  ExtendedTEDispose(te);
  ExtendedDisposeStylHandle(sh);
}

// A text in the music font keeps it through every stored form: the
// placeholder has no name and is stored without one, as documents carry it,
// and a style part naming no font reads back as the placeholder (not as the
// font 1 of names that are not installed).
TEST_F(TextData, MusicFontPlaceholderSurvivesTheStoredForm) {
  const uint16_t music = static_cast<uint16_t>(kFontePlaceholderVellari);
  ExtendedStylHandle made = MakeStyl({{kFontTimes, 0, 12, 14, 11, kNoir}, {music, 0, 24, 30, 20, kNoir}},
                                     {{0, 0}, {2, 1}, {4, 0}, {7, 65535}});
  Handle part = CvtStyleHandleToTextData(made, nullptr);
  ExtendedDisposeStylHandle(made);
  const std::string stored = HandleBytes(part);
  DisposeHandle(part);
  EXPECT_NE(stored.find("\x85" + F("24.000") + F("30.000") + F("20.000") + F("")), std::string::npos);

  const std::string s = stored +
                        "a\xC3\xA9"
                        "bcd";
  EXPECT_EQ(Runs(s.c_str()), "0:20/0/12 2:63574/0/24 4:20/0/12 7");
  ExtendedTE te = NewTE();
  CvtTextDataToTEHandle(te, s.c_str(), static_cast<int32_t>(s.size()), nullptr);
  char* again = CvtExtendedTEHandleToTextData(te, -1, nullptr);
  EXPECT_EQ(std::string(again), s);
  ExtendedTEDispose(te);

  // Cut out, joined and asked for, the music run stays in the music font.
  char* music2 = ExtraitSousChaineStyle(again, 2, 4, nullptr);
  EXPECT_EQ(Runs(music2), "0:63574/0/24 3");
  TextStyle got{};
  EXPECT_TRUE(ExtraitStyleChaine(again, 3, &got));
  EXPECT_EQ(got.font, kFontePlaceholderVellari);
  TextStyle times{kFontTimes, 0, 12, kNoir};
  char* joined = ConcateneChaineAvecStyle("xy", &times, music2);
  EXPECT_EQ(Runs(joined), "0:63574/0/24 2:20/0/12 5");
  DisposeTextData(joined);
  DisposeTextData(again);

  // A name that is there but not installed still falls back to font 1.
  const std::string missing =
      "\x01"
      "A" +
      F("1") + F("1") + "\x85" + F("12.000") + F("14.000") + F("11.000") + F("No Such Font Here") + F("0") + F("0") +
      F("2") + F("-1") + "\x02" + "ab";
  EXPECT_EQ(Runs(missing.c_str()), "0:1/0/12 3");
}

}  // namespace

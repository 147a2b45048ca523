#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_BBOX_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/TELineBreak.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "support/TestPaths.h"

namespace {

std::string MusicFontPath() { return tamrel_test::BundlePath() + "/Resources/SVELLARI.TTF"; }

int16_t MusicFont() {
  static int16_t n = [] {
    EXPECT_EQ(FMActivateFonts(MusicFontPath().c_str()), noErr);
    return FontNumberForName("SVellari");
  }();
  return n;
}

// Every code the drawing code draws or measures in the music font.
constexpr uint8_t kMusicCodes[] = {
    35,  37,  38,  40,  41,  42,  43,  44,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  59,
    63,  66,  67,  70,  73,  74,  75,  77,  78,  80,  83,  84,  85,  87,  94,  96,  98,  99,  101, 102, 103,
    104, 105, 106, 107, 109, 110, 112, 113, 114, 117, 118, 119, 120, 122, 126, 133, 134, 135, 136, 137, 138,
    142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162,
    163, 164, 165, 166, 168, 170, 171, 172, 176, 177, 178, 179, 181, 182, 183, 184, 185, 186, 187, 188, 189,
    192, 193, 195, 196, 197, 198, 202, 203, 204, 205, 206, 207, 208, 209, 212, 213, 215, 219, 220, 221, 222,
    225, 226, 228, 232, 233, 236, 238, 240, 243, 244, 245, 247, 249, 250, 251, 252, 253, 254, 255};

struct TranscodeOff {
  TranscodeOff() { SetTextTranscoding(false); }
  ~TranscodeOff() { SetTextTranscoding(true); }
};

// Rightmost and topmost inked pixels of an ARGB image.
struct Ink {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};
Ink InkOf(cairo_surface_t* s) {
  cairo_surface_flush(s);
  Ink ink;
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  int stride = cairo_image_surface_get_stride(s);
  const unsigned char* d = cairo_image_surface_get_data(s);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint32_t px;
      memcpy(&px, d + y * stride + x * 4, 4);
      if ((px >> 24) > 0x40) {
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
      }
    }
  }
  return ink;
}

TEST(FontRegistry, ClassicNumbersAndStableNewNumbers) {
  struct {
    int16_t number;
    const char* name;
  } classic[] = {{0, "System Font"}, {1, "Application Font"}, {2, "New York"}, {3, "Geneva"}, {4, "Monaco"},
                 {20, "Times"},      {21, "Helvetica"},       {22, "Courier"}, {23, "Symbol"}};
  for (const auto& c : classic) {
    char name[256];
    EXPECT_TRUE(FontNameForNumber(c.number, name, sizeof name));
    EXPECT_STREQ(name, c.name);
    EXPECT_EQ(FontNumberForName(c.name), c.number);
  }
  EXPECT_EQ(FontNumberForName("TIMES"), 20);
  int16_t a = FontNumberForName("Some Document Font");
  EXPECT_GE(a, 1024);
  EXPECT_EQ(FontNumberForName("some document font"), a);
  EXPECT_NE(FontNumberForName("Another Font"), a);
  EXPECT_NE(a, static_cast<int16_t>(63574));
  Str255 p;
  GetFontName(a, p);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(p + 1), p[0]), "Some Document Font");
  GetFontName(999, p);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(FontNumberForName(""), kInvalidFontFamily);
}

TEST(FontRegistry, InstalledMeansExactFamilyOrMetricAlias) {
  struct {
    const char* name;
    bool installed;
  } cases[] = {{"Liberation Sans", true}, {"LIBERATION SERIF", true}, {"Times", true},   {"Times New Roman", true},
               {"Arial", true},           {"Helvetica-Bold", true},   {"Courier", true}, {"Geneva", false},
               {"LiberationSans", false}, {"No Such Font", false},    {"", false}};
  for (const auto& c : cases) EXPECT_EQ(IsFontInstalled(c.name), c.installed) << c.name;
  unsigned char pname[] = "\x0cNo Such Font";
  int16_t n = 99;
  GetFNum(pname, &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(FMGetFontFamilyFromName(pname), kInvalidFontFamily);
  unsigned char times[] = "\x05Times";
  EXPECT_EQ(FMGetFontFamilyFromName(times), 20);
}

TEST(FontRegistry, ActivationIsForThisProcessAndChecksTheFile) {
  // Resolved before activation (to a substitute), the family resolves to the
  // activated file afterwards.
  const FontResolved* before = FontResolve(FontNumberForName("SVellari"), 0);
  ASSERT_NE(before, nullptr);
  EXPECT_STRNE(before->file->ft->family_name, "SVellari");
  EXPECT_EQ(FMActivateFonts("/nonexistent/font.ttf"), fnfErr);
  EXPECT_EQ(FMActivateFonts((tamrel_test::BundlePath() + "/Resources/SVELLARI-LICENSE.txt").c_str()), paramErr);
  ASSERT_GT(MusicFont(), 0);
  EXPECT_TRUE(IsFontInstalled("svellari"));
  const FontResolved* r = FontResolve(MusicFont(), 0);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->file->ft->family_name, "SVellari");
}

TEST(MusicFont, EveryCodeHasItsGlyphWithInk) {
  const FontResolved* r = FontResolve(MusicFont(), 0);
  ASSERT_NE(r, nullptr);
  FT_Face ft = r->file->ft;
  for (uint8_t code : kMusicCodes) {
    uint32_t g = FontGlyphFor(r->file, 0xF000u + code);
    ASSERT_NE(g, 0u) << int(code);
    ASSERT_EQ(FT_Load_Glyph(ft, g, FT_LOAD_NO_SCALE), 0);
    bool blank = code == 219 || code == 255;
    EXPECT_EQ(ft->glyph->outline.n_contours == 0, blank) << int(code);
    EXPECT_GT(FontGlyphAdvance(r->file, g), 0) << int(code);
  }
  // Nothing else: codes the drawing never uses stay empty.
  EXPECT_EQ(FontGlyphFor(r->file, 0xF000u + 'A'), 0u);
  // The raw codes address the same glyphs through the Mac Roman cmap.
  ASSERT_EQ(FT_Select_Charmap(ft, FT_ENCODING_APPLE_ROMAN), 0);
  for (uint8_t code : kMusicCodes) EXPECT_EQ(FT_Get_Char_Index(ft, code), FontGlyphFor(r->file, 0xF000u + code));
  EXPECT_EQ(FT_Select_Charmap(ft, FT_ENCODING_UNICODE), 0);
}

TEST(MusicFont, AdvancesFollowTheDrawingCode) {
  TranscodeOff off;
  Text8Style st{MusicFont(), 0, 2040};  // one pixel per font unit
  // Digits and '+' advance by their fixed "followed" widths.
  const struct {
    char c;
    int16_t width;
  } fixed[] = {{'0', 277}, {'1', 192}, {'2', 274}, {'3', 266}, {'4', 252}, {'5', 230},
               {'6', 273}, {'7', 261}, {'8', 296}, {'9', 330}, {'+', 229}};
  for (const auto& f : fixed) EXPECT_EQ(Text8CharWidth(st, f.c), f.width) << f.c;
  // The filled head's advance is its ink width x 713/613, so the staff's
  // head width (advance x 613 + 356) / 713 is the ink width.
  const FontResolved* r = FontResolve(MusicFont(), 0);
  uint32_t g = FontGlyphFor(r->file, 0xF000u + 207);
  ASSERT_EQ(FT_Load_Glyph(r->file->ft, g, FT_LOAD_NO_SCALE), 0);
  FT_BBox box;
  FT_Outline_Get_CBox(&r->file->ft->glyph->outline, &box);
  int16_t adv = Text8CharWidth(st, 207);
  EXPECT_NEAR((adv * 613 + 356) / 713, box.xMax - box.xMin, 2);
  // Raw codes reach the font only with transcoding off.
  SetTextTranscoding(true);
  EXPECT_NE(Text8CharWidth(st, 207), adv);
}

// Time-signature figures are drawn one after the other at their advances:
// each one's ink stays within its width as the last figure, centred in its
// advance, so that "12" or "10" never run into each other.
TEST(MusicFont, TimeSignatureFiguresKeepClearOfTheirNeighbours) {
  TranscodeOff off;
  Text8Style st{MusicFont(), 0, 2040};  // one pixel per font unit
  const FontResolved* r = FontResolve(MusicFont(), 0);
  ASSERT_NE(r, nullptr);
  const int16_t last[10] = {264, 183, 249, 237, 240, 220, 244, 250, 239, 246};
  FT_BBox ink[10];
  int16_t adv[10];
  for (int d = 0; d < 10; d++) {
    const uint8_t code = uint8_t('0' + d);
    ASSERT_EQ(FT_Load_Glyph(r->file->ft, FontGlyphFor(r->file, 0xF000u + code), FT_LOAD_NO_SCALE), 0);
    ASSERT_EQ(FT_Outline_Get_BBox(&r->file->ft->glyph->outline, &ink[d]), 0);
    adv[d] = Text8CharWidth(st, code);
    EXPECT_LE(ink[d].xMax - ink[d].xMin, last[d] + 1) << d;
    EXPECT_NEAR(ink[d].xMin, adv[d] - ink[d].xMax, 2) << d;
  }
  for (int a = 0; a < 10; a++)
    for (int b = 0; b < 10; b++) EXPECT_LT(ink[a].xMax, adv[a] + ink[b].xMin) << a << b;
}

// Filled and half heads carry their up-stem at x + w - t, w being the staff's
// head width taken from code 207: their ink must span [0, w] so that the stem
// meets them (neither cutting through nor standing clear), and be centred
// on the baseline, where the head's staff position is. Whole and breve heads
// carry no stem and may be wider.
TEST(MusicFont, FilledAndHalfHeadsSpanTheHeadWidthAndStraddleTheBaseline) {
  TranscodeOff off;
  Text8Style st{MusicFont(), 0, 2040};  // one pixel per font unit
  const int32_t w = (Text8CharWidth(st, 207) * 613 + 356) / 713;
  const FontResolved* r = FontResolve(MusicFont(), 0);
  ASSERT_NE(r, nullptr);
  const uint8_t heads[] = {207, 250, 43,  133, 134, 136, 153, 154, 155, 156, 157, 158, 159,
                           171, 177, 182, 192, 202, 203, 204, 205, 209, 225, 226, 252, 253};
  for (uint8_t code : heads) {
    ASSERT_EQ(FT_Load_Glyph(r->file->ft, FontGlyphFor(r->file, 0xF000u + code), FT_LOAD_NO_SCALE), 0);
    FT_BBox ink;
    ASSERT_EQ(FT_Outline_Get_BBox(&r->file->ft->glyph->outline, &ink), 0);
    EXPECT_NEAR(ink.xMin, 0, 2) << int(code);
    EXPECT_NEAR(ink.xMax, w, 2) << int(code);
    EXPECT_NEAR(ink.yMin + ink.yMax, 0, 4) << int(code);
    EXPECT_GT(ink.yMax - ink.yMin, w / 2) << int(code);
  }
}

TEST(TextMetrics, RoundingRulesAgainstRealFonts) {
  int16_t sans = FontNumberForName("Liberation Sans");
  Text8Style st{sans, 0, 12};
  // Liberation Sans: H 1479, e 1139, l 455, o 1139 units of 2048.
  EXPECT_EQ(Text8CharWidth(st, 'H'), 9);  // 8.67
  EXPECT_EQ(Text8CharWidth(st, 'l'), 3);  // 2.67
  const uint8_t hello[] = {'H', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(Text8Width(st, hello, 5), 9 + 7 + 3 + 3 + 7);
  FontInfo fi;
  Text8FontInfo(st, &fi);
  EXPECT_EQ(fi.ascent, 11);  // ceil(10.86)
  EXPECT_EQ(fi.descent, 3);  // ceil(2.54)
  EXPECT_EQ(fi.leading, 0);  // round(0.39)
  // The Unicode engine keeps the typographic width: 27.35.
  const UniChar u[] = {'H', 'e', 'l', 'l', 'o'};
  UnicodeTextStyle us;
  us.font = sans;
  us.size = 12;
  EXPECT_NEAR(UnicodeTextWidth(u, 5, us), 4667.0 * 12 / 2048, 0.01);
  // Size 0 is 12; classic Times draws with Liberation Serif.
  Text8Style zero{sans, 0, 0};
  EXPECT_EQ(Text8Width(zero, hello, 5), 29);
  Text8Style times{kFontTimes, 0, 12};
  EXPECT_STREQ(FontResolve(kFontTimes, 0)->file->ft->family_name, "Liberation Serif");
  EXPECT_GT(Text8Width(times, hello, 5), 0);
}

TEST(TextMetrics, TranscodingDecodesMacRomanAndShiftJis) {
  const uint8_t macE[] = {0x8E};  // e acute in Mac Roman
  uint32_t out[4];
  EXPECT_EQ(DecodeText8(macE, 1, out), 1u);
  EXPECT_EQ(out[0], 0xE9u);
  SetTextTranscodeJapanese(true);
  const uint8_t jis[] = {0x82, 0xA0, 'A', 0x82};
  EXPECT_EQ(DecodeText8(jis, 4, out), 3u);
  EXPECT_EQ(out[0], 0x3042u);
  EXPECT_EQ(out[1], uint32_t('A'));
  EXPECT_EQ(out[2], 0xFFFDu);  // a lead byte at the end
  SetTextTranscodeJapanese(false);
  TranscodeOff off;
  EXPECT_EQ(DecodeText8(macE, 1, out), 1u);
  EXPECT_EQ(out[0], 0xF08Eu);
}

TEST(UnicodeEngine, FallbackFacesAndSynthesisedWidths) {
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 20;
  const UniChar a[] = {0x3042};  // not in Liberation Sans
  float w = UnicodeTextWidth(a, 1, st);
  UnicodeTextStyle ipa = st;
  ipa.font = FontNumberForName("IPAGothic");
  EXPECT_GT(w, 0);
  EXPECT_FLOAT_EQ(w, UnicodeTextWidth(a, 1, ipa));
  const UniChar m[] = {'M', 'M', 'M', 'M'};
  float plain = UnicodeTextWidth(m, 4, st);
  st.face = kFaceCondense;
  EXPECT_NEAR(UnicodeTextWidth(m, 4, st), plain * 0.8f, 0.01);
  st.face = kFaceExtend;
  EXPECT_NEAR(UnicodeTextWidth(m, 4, st), plain * 1.25f, 0.01);
  // Unpaired surrogates do not break measuring.
  const UniChar bad[] = {0xD800, 'a'};
  EXPECT_GT(UnicodeTextWidth(bad, 2, st), 0);
}

TEST(UnicodeEngine, CondensedAndExtendedTextIsDrawnAsMeasured) {
  for (uint8_t face : {uint8_t(0), uint8_t(kFaceCondense), uint8_t(kFaceExtend)}) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600, 100);
    cairo_t* cr = cairo_create(s);
    UnicodeTextStyle st;
    st.font = FontNumberForName("Liberation Sans");
    st.size = 40;
    st.face = face;
    const UniChar t[] = {'H', 'H', 'H', 'H', 'H', 'H'};
    float w = UnicodeTextDraw(cr, 10, 70, t, 6, st, 0);
    EXPECT_NEAR(w, UnicodeTextWidth(t, 6, st), 0.001);
    Ink ink = InkOf(s);
    // H has side bearings of about 0.08 em on each side.
    EXPECT_NEAR(ink.right + 1 - 10, w, st.size * 0.15) << int(face);
    EXPECT_GT(ink.right + 1 - 10, w - st.size * 0.2) << int(face);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
}

TEST(UnicodeEngine, AngleIsCounterClockwiseOnScreen) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200);
  cairo_t* cr = cairo_create(s);
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 20;
  const UniChar t[] = {'H', 'H', 'H', 'H', 'H'};
  float w = UnicodeTextDraw(cr, 100, 150, t, 5, st, 90);
  Ink ink = InkOf(s);
  // Turned a quarter counter-clockwise: the text runs upwards from the
  // origin, its glyph tops to the left.
  EXPECT_LT(ink.top, 150 - w + 5);
  EXPECT_GE(ink.bottom, 140);
  EXPECT_LE(ink.right, 101);
  EXPECT_GT(ink.left, 100 - 20);
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

TEST(LineBreaker, BreaksAfterSpacesOnCrAndInsideLongWords) {
  Text8Style st{FontNumberForName("Liberation Mono"), 0, 10};  // 6 px a character
  ASSERT_EQ(Text8CharWidth(st, 'a'), 6);
  struct {
    const char* text;
    int32_t width;
    std::vector<int32_t> starts;
  } cases[] = {
      {"aaa bbb ccc", 45, {0, 8}},  // "aaa bbb " fits (spaces hang)
      {"aaa bbb ccc", 20, {0, 4, 8}},
      {"aa\rbb", 100, {0, 3}},  // CR ends its line
      {"aa\r", 100, {0}},
      {"abcdefghij", 24, {0, 4, 8}},  // no space: between characters
      {"abc", 1, {0, 1, 2}},          // at least one character a line
      {"", 100, {}},
  };
  for (const auto& c : cases) {
    int32_t starts[16];
    int32_t n = TEBreakLines(st, reinterpret_cast<const uint8_t*>(c.text), static_cast<int32_t>(strlen(c.text)),
                             c.width, starts, 16);
    EXPECT_EQ(std::vector<int32_t>(starts, starts + n), c.starts) << c.text << " / " << c.width;
  }
  Rect r{0, 0, 100, 20};
  TEHandle te = TENewStyled(&r, &r, st);
  ASSERT_NE(te, nullptr);
  TESetText("aaa bbb ccc", 11, te);
  FontInfo fi;
  Text8FontInfo(st, &fi);
  int16_t lh = static_cast<int16_t>(fi.ascent + fi.descent + fi.leading);
  EXPECT_EQ((*te)->nLines, 3);
  EXPECT_EQ(TEGetHeight(32767, 1, te), 3 * lh);
  EXPECT_EQ(TEGetHeight(2, 2, te), lh);
  TEDispose(te);
}

// The box drawing copies out of a port for a text holds all its ink, and is
// not much larger than the text: faces with marks stacked on a base, another
// script from a fallback face, synthesised italic and bold, shadow,
// underline, condensed and extended text, a replay ratio, any angle.
TEST(UnicodeEngine, InkStaysInsideTheInkBox) {
  const int16_t sans = FontNumberForName("Liberation Sans");
  const std::vector<UniChar> latin = {'H', 'g', 'j', 'y', ' ', 0xC5, 0xC9, 'f', '/'};
  const std::vector<UniChar> marks = {'a', 0x301, 0x302, 0x303, 0x304, 'q', 0x323, 0x324, 0x330};
  const std::vector<UniChar> japanese = {'A', 0x65E5, 0x672C, 'g'};
  std::vector<UniChar> music;
  for (uint8_t c : {uint8_t(38), uint8_t(133), uint8_t(207), uint8_t(255)}) music.push_back(UniChar(0xF000 | c));
  struct Case {
    const char* name;
    const std::vector<UniChar>* text;
    int16_t font;
    uint8_t face;
    float ratio;
    double angle;
  } cases[] = {
      {"plain", &latin, sans, 0, 1, 0},
      {"marks", &marks, sans, 0, 1, 0},
      {"fallback face", &japanese, sans, 0, 1, 0},
      {"synthesised italic and bold", &music, MusicFont(), kFaceItalic | kFaceBold, 1, 0},
      {"shadow and underline", &latin, sans, kFaceShadow | kFaceUnderline, 1, 0},
      {"condensed", &latin, sans, kFaceCondense, 1, 0},
      {"extended, replayed narrower", &latin, sans, kFaceExtend, 0.5f, 0},
      {"turned 30", &marks, sans, kFaceItalic, 1, 30},
      {"turned 90", &latin, sans, 0, 1, 90},
      {"turned 200", &music, MusicFont(), kFaceShadow, 1, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UnicodeTextStyle st;
    st.font = c.font;
    st.size = 40;
    st.face = c.face;
    st.ratio = c.ratio;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000);
    cairo_t* cr = cairo_create(s);
    const float w = UnicodeTextDraw(cr, 500, 500, c.text->data(), c.text->size(), st, c.angle);
    cairo_surface_flush(s);
    int left = 1000, right = -1, top = 1000, bottom = -1;
    const unsigned char* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < 1000; y++) {
      for (int x = 0; x < 1000; x++) {
        if (d[y * stride + x * 4 + 3] == 0) continue;  // alpha, little-endian
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    ASSERT_GE(right, 0);
    const UnicodeTextBox box = UnicodeTextInk(c.text->data(), c.text->size(), st, c.angle);
    // A pixel touched by antialiasing may lie one beyond.
    EXPECT_GE(left, 500 + box.left - 1);
    EXPECT_LE(right + 1, 500 + box.right + 1);
    EXPECT_GE(top, 500 + box.top - 1);
    EXPECT_LE(bottom + 1, 500 + box.bottom + 1);
    if (c.angle == 0) {
      EXPECT_LT(box.right - box.left, (w + 3 * st.size) / c.ratio);
      EXPECT_LT(box.bottom - box.top, 4 * st.size);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
  }
}

}  // namespace

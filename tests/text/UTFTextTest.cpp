#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/QuickDraw.h"
#include "text/TextEncodings.h"
#include "text/UTFText.h"

namespace {

TEST(UnicodePictureComments, PayloadsByteForByte) {
  std::vector<uint8_t> c;
  FabriqueCommentaireUTF("\xC3\xA9", 2, 0, c);
  EXPECT_EQ(c, (std::vector<uint8_t>{'Q', 'r', 'v', 'l', 1, 0, 0, 0, 0xC3, 0xA9}));
  FabriqueCommentaireUTF("ab", 2, -90, c);
  EXPECT_EQ(c[6], 0xA6);
  EXPECT_EQ(c[7], 0xFF);
  const UniChar u[] = {0xE9};
  FabriqueCommentaireUTF16(u, 1, 90, c);
  EXPECT_EQ(c, (std::vector<uint8_t>{90, 0, 0xE9, 0}));
}

TEST(UnicodePictureComments, ReadingIsChecked) {
  const uint8_t good[] = {'Q', 'r', 'v', 'l', 1, 0, 0x5A, 0, 'h', 'i'};
  int16_t angle = 0;
  const uint8_t* text = nullptr;
  int32_t len = -5;
  ASSERT_TRUE(LitCommentaireUTF(good, sizeof good, &angle, &text, &len));
  EXPECT_EQ(angle, 90);
  EXPECT_EQ(len, 2);
  EXPECT_EQ(text, good + 8);
  // Just the header: an empty text.
  ASSERT_TRUE(LitCommentaireUTF(good, 8, &angle, &text, &len));
  EXPECT_EQ(len, 0);
  // Seven bytes would give a text of -1 bytes: refused, as are other tags
  // and versions.
  EXPECT_FALSE(LitCommentaireUTF(good, 7, &angle, &text, &len));
  EXPECT_FALSE(LitCommentaireUTF(good, 0, &angle, &text, &len));
  const uint8_t version[] = {'Q', 'r', 'v', 'l', 0, 1, 0, 0};
  EXPECT_FALSE(LitCommentaireUTF(version, sizeof version, &angle, &text, &len));
  const uint8_t tag[] = {'Q', 'r', 'v', 'L', 1, 0, 0, 0};
  EXPECT_FALSE(LitCommentaireUTF(tag, sizeof tag, &angle, &text, &len));
}

TEST(UnicodeTextPreparation, ControlsAndMusicRange) {
  std::vector<UniChar> u;
  ASSERT_TRUE(PrepareTexteUTF("xa\tb\xC3\xA9", 1, 5, false, u));
  EXPECT_EQ(u, (std::vector<UniChar>{'a', ' ', 'b', 0xE9}));
  ASSERT_TRUE(PrepareTexteUTF("&\xC3\x8F\xE1\x80\x80", 0, 6, true, u));
  EXPECT_EQ(u, (std::vector<UniChar>{0xF026, 0xF0CF, 0x1000}));
  // Beyond 16 bits nothing lands in the music range, even in the music font.
  ASSERT_TRUE(PrepareTexteUTF("\xF0\x9F\x81\x81", 0, 4, true, u));
  EXPECT_EQ(u, (std::vector<UniChar>{0xFFFD}));
  EXPECT_FALSE(PrepareTexteUTF("abc", 0, 0, false, u));
}

// A text measured once gives every stretch the width it has measured
// alone: a kerning pair across an end of the stretch does not count, one
// inside it does; a cluster counts whole in the stretch that holds its
// first byte.
TEST(UnicodeTextMeasure, StretchesAreAsWideAsMeasuredAlone) {
  CGrafPtr saved = nullptr;
  GetPort(&saved);
  GWorldPtr world = nullptr;
  Rect r{0, 0, 50, 50};
  ASSERT_EQ(NewGWorld(&world, 32, &r, nullptr, nullptr, 0), noErr);
  SetPort(world);
  SetUnicodeApplication(1);
  TextFont(21);
  TextSize(24);
  // The premise: this font kerns A V.
  ASSERT_LT(UTFTextWidth(world, "AV", 0, 2), UTFTextWidth(world, "A", 0, 1) + UTFTextWidth(world, "V", 0, 1));

  const std::string texts[] = {"AVATAR To yo. Type LT", "\xC3\xA9t\xC3\xA9 \x01\x96\x03 x-y \xE6\x97\xA5\xE6\x9C\xAC"};
  for (const std::string& t : texts) {
    SCOPED_TRACE(t);
    const int32_t n = static_cast<int32_t>(t.size());
    UTFTextMeasure m;
    ASSERT_TRUE(UTFMeasureText(world, t.data(), 0, n, m));
    std::vector<int32_t> at{0};
    while (at.back() < n) at.push_back(UTFNextChar(t.data(), at.back(), n));
    for (size_t i = 0; i < at.size(); i++) {
      for (size_t j = i + 1; j < at.size(); j++) {
        ASSERT_EQ(UTFMeasuredWidth(m, at[i], at[j]), UTFTextWidth(world, t.data(), at[i], at[j] - at[i]))
            << at[i] << ".." << at[j];
      }
    }
  }

  // x, e with a combining acute, y: a stretch ending between the e and its
  // mark takes the mark along; one starting there leaves both out.
  const char* marked = "xe\xCC\x81y";
  UTFTextMeasure m;
  ASSERT_TRUE(UTFMeasureText(world, marked, 0, 5, m));
  EXPECT_EQ(UTFMeasuredWidth(m, 0, 2), UTFTextWidth(world, marked, 0, 4));
  EXPECT_EQ(UTFMeasuredWidth(m, 2, 5), UTFTextWidth(world, marked, 4, 1));
  EXPECT_EQ(UTFMeasuredWidth(m, 0, 5), UTFTextWidth(world, marked, 0, 5));

  // 8-bit text is measured stretch by stretch.
  SetUnicodeApplication(0);
  EXPECT_FALSE(UTFMeasureText(world, "abc", 0, 3, m));
  SetPort(saved);
  DisposeGWorld(world);
}

}  // namespace

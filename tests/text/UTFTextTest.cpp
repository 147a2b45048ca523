#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

}  // namespace

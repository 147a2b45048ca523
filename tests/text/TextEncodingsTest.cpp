#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/EncodingTables.h"
#include "text/TextEncodings.h"

namespace {

// Converts and takes the result as bytes, releasing the buffer.
std::string Convert(const std::string& in, int32_t source, int32_t target) {
  int32_t len = -1;
  bool unitsIn = (source & kEncodingMask) >= kEncodingUTF16Host;
  int32_t inLength = static_cast<int32_t>(unitsIn ? in.size() / 2 : in.size());
  EncodedStr r = ChangeTextEncoding(in.data(), 0, inLength, source, target, &len);
  if (!r) return "<null>";
  bool units = (target & kEncodingMask) >= kEncodingUTF16Host;
  std::string out(r, static_cast<size_t>(units ? len * 2 : len));
  DisposeEncodedStr(r);
  return out;
}

std::vector<UniChar> ToUnits(const std::string& in, int32_t source) {
  std::string b = Convert(in, source, kEncodingUTF16Host | kLineEndSame);
  std::vector<UniChar> u(b.size() / 2);
  memcpy(u.data(), b.data(), b.size());
  return u;
}

std::string FromUnits(const std::vector<UniChar>& u, int32_t target) {
  std::string b(reinterpret_cast<const char*>(u.data()), u.size() * 2);
  return Convert(b, kEncodingUTF16Host | kLineEndSame, target | kLineEndSame);
}

TEST(EncodingTables, CountsAndFixedEntries) {
  EXPECT_EQ(kJis2UnicodeCount, 7356);
  int fffd = 0;
  for (int i = 0; i + 1 < kJis2UnicodeCount; i++) {
    fffd += Jis2UnicodeTab[i].unicode == 0xFFFD;
    EXPECT_LT(Jis2UnicodeTab[i].code, Jis2UnicodeTab[i + 1].code);
  }
  EXPECT_EQ(fffd, 56);
  EXPECT_EQ(Jis2UnicodeTab[kJis2UnicodeCount - 1].code, 0xFFFF);
  EXPECT_EQ(kUnicodeMinToMajCount, 866);
  EXPECT_EQ(UnicodeMinToMaj[kUnicodeMinToMajCount - 1].lower, 0);
  EXPECT_EQ(kHTML2UnicodeCount, 148);
  int holes = 0;
  for (uint16_t v : Windows2UnicodeTable) holes += v == 0xFFFD;
  EXPECT_EQ(holes, 6);  // 0x7F and the five undefined bytes
  EXPECT_EQ(Windows2UnicodeTable[0x81 - 0x7F], 0xFFFD);
  EXPECT_EQ(Windows2UnicodeTable[0x80 - 0x7F], 0x20AC);
  EXPECT_EQ(MacRoman2UnicodeTable[0xDB - 0x80], 0x20AC);
  EXPECT_EQ(MacRoman2UnicodeTable[0xBD - 0x80], 0x03A9);
  EXPECT_EQ(MacRoman2UnicodeTable[0xC6 - 0x80], 0x2206);
  EXPECT_EQ(MacRoman2UnicodeTable[0xF0 - 0x80], 0xF8FF);
  EXPECT_EQ(MSDos2UnicodeTable[0x82 - 0x80], 0x00E9);
  struct {
    uint16_t code, unicode;
  } jis[] = {{0x5C, 0xA5},     {0x80, 0x5C},     {0xA0, 0xA0},     {0xA1, 0xFF61},   {0xDF, 0xFF9F},
             {0xFD, 0xA9},     {0xFE, 0x2122},   {0xFF, 0xFFFD},   {0x8140, 0x3000}, {0x815C, 0x2014},
             {0x82A0, 0x3042}, {0x8540, 0x2460}, {0x889F, 0x4E9C}, {0xEAA4, 0x7199}};
  for (const auto& j : jis) {
    bool found = false;
    for (int i = 0; i + 1 < kJis2UnicodeCount; i++) {
      if (Jis2UnicodeTab[i].code == j.code) {
        EXPECT_EQ(Jis2UnicodeTab[i].unicode, j.unicode) << std::hex << j.code;
        found = true;
      }
    }
    EXPECT_TRUE(found) << std::hex << j.code;
  }
}

TEST(EncodedStrPool, FourBuffersThenFreshBlocks) {
  EXPECT_EQ(NewEncodedStr(0, 0), nullptr);
  EncodedStr a[5];
  for (auto& p : a) p = NewEncodedStr(100, FourCC("test"));
  for (int i = 0; i < 4; i++) EXPECT_NE(a[i], nullptr);
  // The pool buffers are one block of four; the fifth lies outside it.
  EXPECT_EQ(a[1] - a[0], kEncodedStrPoolBuffer);
  EXPECT_TRUE(a[4] < a[0] || a[4] >= a[0] + 4 * kEncodedStrPoolBuffer);
  for (auto& p : a) DisposeEncodedStr(p);
  EncodedStr again = NewEncodedStr(10, 0);
  EXPECT_EQ(again, a[0]);  // a pool slot is free again
  DisposeEncodedStr(again);
  EncodedStr big = NewEncodedStr(5000, 0);
  ASSERT_NE(big, nullptr);
  DisposeEncodedStr(big);
  DisposeEncodedStr(nullptr);
}

TEST(Utf8, DecodingAndEncodingEdges) {
  struct {
    std::string bytes;
    UniChar ch;
    int32_t used;
  } dec[] = {
      {"\xC3\xA9", 0xE9, 2},
      {"\xC3", 0xFFFD, 1},
      {"\x80", 0x80, 1},
      {"\xBF", 0xBF, 1},
      {"\xFE", 0xFFFD, 1},
      {"\xC3\x41", 0xFFFD, 1},
      {"\xC0\x80", 0x0000, 2},  // overlong forms are accepted
      {"\xE3\x81\x82", 0x3042, 3},
      // Beyond 16 bits: U+1F600 and U+1F041 give U+FFFD, never a unit of the
      // private-use range where the music font lives.
      {"\xF0\x9F\x98\x80", 0xFFFD, 4},
      {"\xF0\x9F\x81\x81", 0xFFFD, 4},
  };
  for (const auto& d : dec) {
    UniChar c = 1;
    EXPECT_EQ(
        UTFCharToUnicode(reinterpret_cast<const uint8_t*>(d.bytes.data()), &c, static_cast<int32_t>(d.bytes.size())),
        d.used);
    EXPECT_EQ(c, d.ch) << d.bytes;
  }
  UniChar c = 7;
  EXPECT_EQ(UTFCharToUnicode(reinterpret_cast<const uint8_t*>("a"), &c, 0), 0);
  EXPECT_EQ(c, 0);
  struct {
    UniChar ch;
    std::string bytes;
  } enc[] = {{0x41, "A"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"}, {0xD800, "?"}, {0xFFFF, "\xEF\xBF\xBF"}};
  for (const auto& e : enc) {
    uint8_t out[3];
    int32_t n = UnicodeCharToUTF(e.ch, out);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n)), e.bytes) << e.ch;
  }
}

TEST(ChangeTextEncoding, LineEnds) {
  EXPECT_EQ(Convert("a\rb\r", kEncodingUTF8 | kLineEndCR, kEncodingUTF8 | kLineEndCRLF), "a\r\nb\r\n");
  EXPECT_EQ(Convert("a\r\nb", kEncodingUTF8 | kLineEndCRLF, kEncodingUTF8 | kLineEndLF), "a\nb");
  EXPECT_EQ(Convert("a\r\nb", kEncodingUTF8 | kLineEndCRLF, kEncodingUTF8 | 96), "a\r\nb");  // no conversion
  // Detection: the last finding wins; the last unit is not examined.
  EXPECT_EQ(Convert("x\ny\r\nz", kEncodingUTF8 | kLineEndSame, kEncodingUTF8 | kLineEndLF), "x\ny\nz");
  EXPECT_EQ(Convert("ab\n", kEncodingUTF8 | kLineEndSame, kEncodingUTF8 | kLineEndLF), "ab\n");
  EXPECT_EQ(Convert("ab\r", kEncodingUTF8 | kLineEndSame, kEncodingUTF8 | kLineEndLF), "ab\n");
  EXPECT_EQ(Convert("a\rb", kEncodingUTF8 | kLineEndSame, kEncodingUTF8 | kLineEndSame), "a\rb");
  int32_t len = 5;
  EXPECT_EQ(ChangeTextEncoding("abc", 0, 0, kEncodingUTF8, kEncodingUTF8, &len), nullptr);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(ChangeTextEncoding("abc", -1, 2, kEncodingUTF8, kEncodingUTF8, &len), nullptr);
}

TEST(ChangeTextEncoding, EightBitEncodings) {
  // Windows-1252.
  EXPECT_EQ(FromUnits({0x20AC, 0xF041, 0x4E00, 0xFFFD}, kEncodingWindows), "\x80\x41?\x7F");
  EXPECT_EQ(ToUnits("\x80\x81\xE9", kEncodingWindows), (std::vector<UniChar>{0x20AC, 0xFFFD, 0xE9}));
  // Mac Roman and code page 437.
  EXPECT_EQ(ToUnits("\x8E\xDB", kEncodingMacRoman), (std::vector<UniChar>{0xE9, 0x20AC}));
  EXPECT_EQ(FromUnits({0xE9, 0x20AC, 0xF0CF, 0x3042}, kEncodingMacRoman), "\x8E\xDB\xCF?");
  EXPECT_EQ(ToUnits("\x82", kEncodingMSDos), (std::vector<UniChar>{0xE9}));
  EXPECT_EQ(FromUnits({0xE9, 0x20AC}, kEncodingMSDos), "\x82?");
  // Shift-JIS.
  EXPECT_EQ(ToUnits("\x82\xA0", kEncodingShiftJis), (std::vector<UniChar>{0x3042}));
  EXPECT_EQ(ToUnits("a\x82", kEncodingShiftJis), (std::vector<UniChar>{'a', 0xFFFD}));
  EXPECT_EQ(ToUnits("\x5C\x80", kEncodingShiftJis), (std::vector<UniChar>{0xA5, 0x5C}));
  EXPECT_EQ(FromUnits({0x3042, 'A', 0x5C, 0xF041, 0x1234}, kEncodingShiftJis),
            "\x82\xA0"
            "A\x80\x41?");
  // UTF-16, swapped.
  std::string sw = Convert(std::string("\x00\x41\x30\x42", 4), kEncodingUTF16Swapped, kEncodingUTF8);
  EXPECT_EQ(sw, std::string("A\xE3\x81\x82"));
  EXPECT_EQ(Convert("A", kEncodingUTF8, kEncodingUTF16Swapped), std::string("\x00\x41", 2));
  EXPECT_EQ(Convert("A", kEncodingUTF8, 20), std::string("\x41\x00", 2));  // 8 to 31: host UTF-16
}

TEST(Html, InputAndOutput) {
  EXPECT_EQ(ToUnits("a&amp;b&#233;&foo;<BR>", kEncodingHTML),
            (std::vector<UniChar>{'a', '&', 'b', 0xE9, '&', 'f', 'o', 'o', ';', 13}));
  EXPECT_EQ(ToUnits("&#x41;&#0;&", kEncodingHTML),
            (std::vector<UniChar>{'&', '#', 'x', '4', '1', ';', '&', '#', '0', ';', '&'}));
  EXPECT_EQ(ToUnits("&lsquor;&sum;", kEncodingHTML), (std::vector<UniChar>{0x201A, 0x3A3}));
  EXPECT_EQ(ToUnits("\xE9", kEncodingHTML), (std::vector<UniChar>{0xE9}));  // Windows-1252 by default
  SetHTMLDefault8BitEncoding(4);
  EXPECT_EQ(ToUnits("\xC3\xA9", kEncodingHTML), (std::vector<UniChar>{0xE9}));
  SetHTMLDefault8BitEncoding(2);
  EXPECT_EQ(ToUnits("\x8E", kEncodingHTML), (std::vector<UniChar>{0xE9}));
  SetHTMLDefault8BitEncoding(1);
  EXPECT_EQ(FromUnits({0xE9, 0x4E00, '<', 13, 'a'}, kEncodingHTML), "&eacute;&#19968;&lt;<br>a");
}

TEST(TwoStageAndInPlace, ConvertWithoutLineEnds) {
  int32_t len = 0;
  EncodedStr r = MacRomanTextToUTF(1, "x\x8E\r", 2, &len);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(std::string(r, static_cast<size_t>(len)), "\xC3\xA9\r");
  DisposeEncodedStr(r);
  r = UTFTextToWindows("\xE2\x82\xAC", 0, 3, &len);
  EXPECT_EQ(std::string(r, static_cast<size_t>(len)), "\x80");
  DisposeEncodedStr(r);
  char buf[16] = "caf\x8E";
  EXPECT_STREQ(MacRomanToUTF(buf), "caf\xC3\xA9");
  EXPECT_STREQ(UTFToMacRoman(buf), "caf\x8E");
  r = UTFToStr("a\r\nb", kEncodingUTF8 | kLineEndLF, &len);
  EXPECT_EQ(std::string(r, static_cast<size_t>(len)), std::string("a\nb\0", 4));
  DisposeEncodedStr(r);
}

TEST(UnicodeChars, CapitalsDirectionAndSteps) {
  struct {
    UniChar in, out;
  } caps[] = {{0x61, 0x41},     {0x1C4, 0x1C5}, {0x1C5, 0x1C4}, {0x1F80, 0x1F88},
              {0xFF5A, 0xFF3A}, {0xE9, 0xC9},   {0x41, 0x41},   {0x3042, 0x3042}};
  for (const auto& c : caps) EXPECT_EQ(UnicodeCharMajuscule(c.in), c.out) << std::hex << c.in;
  struct {
    UniChar c;
    int16_t type;
  } rl[] = {{0x41, 0},  {0x5D0, 2},  {0x627, 1},  {0x710, 1},  {0x750, 0},
            {0x780, 1}, {0xFB20, 0}, {0xFB50, 1}, {0xFE70, 1}, {0xFF21, 0}};
  for (const auto& r : rl) EXPECT_EQ(UniCharRLType(r.c), r.type) << std::hex << r.c;
  const UniChar s[] = {'a', 'b', 0};
  EXPECT_EQ(UnicodeStrLen(s), 2);
  const char* t = "a\xC3\xA9\xE3\x81\x82z";  // a, e acute, hiragana a, z
  int32_t n = 8;
  EXPECT_EQ(UTFNextChar(t, 0, n), 1);
  EXPECT_EQ(UTFNextChar(t, 1, n), 3);
  EXPECT_EQ(UTFNextChar(t, 3, n), 6);
  EXPECT_EQ(UTFNextChar(t, 4, n), 6);  // inside a character: its end
  EXPECT_EQ(UTFNextChar(t, 8, n), 8);
  EXPECT_EQ(UTFNextChar(t, 1, 2), 2);  // sequence cut by the length
  EXPECT_EQ(UTFPrevChar(t, 0, n), 0);
  EXPECT_EQ(UTFPrevChar(t, 1, n), 0);
  EXPECT_EQ(UTFPrevChar(t, 3, n), 1);
  EXPECT_EQ(UTFPrevChar(t, 6, n), 3);
  EXPECT_EQ(UTFPrevChar(t, 5, n), 3);
  EXPECT_EQ(UTFPrevChar(t, 7, n), 6);
  EXPECT_EQ(UTFPrevChar("a\x80\x80", 3, 3), 2);  // no valid first byte
}

}  // namespace

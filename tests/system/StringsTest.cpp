#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "system/ByteOrder.h"
#include "system/Strings.h"

TEST(Strings, LengthPrefixedConversions) {
  unsigned char p[8] = {3, 'a', 'b', 'c'};
  EXPECT_STREQ(PtoCstr(p), "abc");
  char c[8] = "hello";
  unsigned char* q = CtoPstr(c);
  EXPECT_EQ(q[0], 5);
  EXPECT_EQ(std::memcmp(q + 1, "hello", 5), 0);

  // A text longer than 255 bytes keeps 255 of them, and says so.
  std::string big(300, 'x');
  std::string buf = big + '\0';
  unsigned char* l = CtoPstr(buf.data());
  EXPECT_EQ(l[0], 255);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(PtoCstr(l))), std::string(255, 'x'));
}

TEST(Strings, BoundedCopyAndAppend) {
  struct Case {
    const char* dst;
    const char* src;
    int32_t n;
    const char* cpy;  // strnzcpy(src)
    const char* cat;  // dst + src through strnzcat
  } cases[] = {
      {"", "abc", 4, "abc", "abc"},  {"", "abcd", 4, "abc", "abc"}, {"", "ab", 4, "ab", "ab"},
      {"ab", "cd", 5, "cd", "abcd"}, {"ab", "cd", 4, "cd", "abc"},  {"abc", "d", 4, "d", "abc"},
      {"ab", "", 3, "", "ab"},       {"x", "abcdef", 1, "", "x"},
  };
  for (const Case& k : cases) {
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    strnzcpy(buf, k.src, k.n);
    EXPECT_STREQ(buf, k.cpy) << k.src << " n=" << k.n;
    EXPECT_EQ(buf[k.n], '#');  // nothing written past the n bytes
    std::memset(buf, '#', sizeof buf);
    std::strcpy(buf, k.dst);
    strnzcat(buf, k.src, k.n);
    EXPECT_STREQ(buf, k.cat) << k.dst << "+" << k.src << " n=" << k.n;
  }
  char untouched[4] = {'q', 0};
  strnzcpy(untouched, "abc", 0);
  EXPECT_STREQ(untouched, "q");
  char full[8] = "abcdef";
  strnzcat(full, "gh", 4);  // already longer than the size: unchanged
  EXPECT_STREQ(full, "abcdef");

  char s[32] = "n=";
  EXPECT_STREQ(sprintcat(s, "%d/%s", 12, "x"), "n=12/x");
}

TEST(Strings, TrimmingAndSubstitution) {
  EXPECT_EQ(strspace(""), 1);
  EXPECT_EQ(strspace("   "), 1);
  EXPECT_EQ(strspace(" \t "), 0);
  char a[] = "  a b  ";
  EXPECT_STREQ(strstrip(a), "a b");
  char b[] = "\t\r a\xE9 \n";
  EXPECT_STREQ(strpurge(b), "a\xE9");  // high bytes are not control characters
  char c[] = " \x01\t";
  EXPECT_STREQ(strpurge(c), "");
  char d[] = "\xE9 \xE9";
  EXPECT_STREQ(strpurge(d), "\xE9 \xE9");

  char e[] = "abcabd";
  SubstChars(e, "abc", "x");
  EXPECT_STREQ(e, "xxxxxd");
  char f[] = "a-b_c";
  SubstChars(f, "-_", "+ ");
  EXPECT_STREQ(f, "a+b c");
}

TEST(Strings, StrSubReplacesEveryOccurrence) {
  char a[64] = "$A $A";
  EXPECT_STREQ(StrSub(a, "$A", "Monday"), "Monday Monday");
  char b[64] = "aaa";
  EXPECT_STREQ(StrSub(b, "aa", "b"), "ba");  // left to right, no overlap
  char c[64] = "x$Ny";
  EXPECT_STREQ(StrSubShort(c, "$N", -12), "x-12y");
  char d[64] = "keep";
  EXPECT_STREQ(StrSub(d, "", "zz"), "keep");

  // Many one-byte patterns with a long replacement: far more growth than the
  // string's length plus a fixed margin.
  std::string many(600, '#');
  std::vector<char> buf(600 * 10 + 1);
  std::memcpy(buf.data(), many.c_str(), many.size() + 1);
  StrSub(buf.data(), "#", "0123456789");
  std::string want;
  for (int i = 0; i < 600; ++i) want += "0123456789";
  EXPECT_EQ(std::string(buf.data()), want);

  char n[8];
  EXPECT_STREQ(CvtShortToStr(n, 0), "0");
  EXPECT_STREQ(CvtShortToStr(n, 65535), "65535");
  EXPECT_STREQ(CvtShortToStr(n, 100), "100");
}

TEST(Strings, FoldingComparesWithoutCaseOrAccents) {
  struct Case {
    const char* a;
    const char* b;
    int16_t want;
  } cases[] = {
      {"\x8E", "E", 0},  // e acute
      {"\x80", "A", 1},  // upper-case A diaeresis stays itself
      {"caf\x8E", "CAFE", 0}, {"abc", "abd", -1}, {"abd", "ABC", 1}, {"ab", "abc", -1},
      {"abc", "ab", 1},       {"", "", 0},        {"\x96", "N", 1},  // lower-case n tilde is not folded
      {"\xE7", "a", 0},                                              // upper-case A acute
      {"\xF4", "u", 0},       {"\xF5", "I", 1},                      // 245 is past the accented range
  };
  for (const Case& k : cases) EXPECT_EQ(stricmp(k.a, k.b), k.want) << k.a << " / " << k.b;
  EXPECT_EQ(stricmp(nullptr, "a"), -1);
  EXPECT_EQ(stricmp("a", nullptr), -1);

  EXPECT_EQ(StrnCaseCmp("abcX", "ABCy", 3), 0);
  EXPECT_EQ(StrnCaseCmp("abcX", "ABCy", 4), -1);
  EXPECT_EQ(StrnCaseCmp("ab", "ab", 10), 0);
  EXPECT_EQ(StrnCaseCmp("ab", "ab", 0), -1);

  char up[] = "\x8e\x8dt\xe9\xf5\x96";
  EXPECT_STREQ(strupr(up), "ECTE\xf5\x96");

  const char* hay = "le Ch\x8Fur final";
  EXPECT_EQ(stristr(hay, "CHEUR"), hay + 3);
  EXPECT_EQ(stristr(hay, "finale"), nullptr);
  EXPECT_EQ(stristr(hay, ""), nullptr);
  EXPECT_EQ(stristr("", "a"), nullptr);
  const char* aab = "aab";
  EXPECT_EQ(stristr(aab, "AB"), aab + 1);
}

namespace {
struct Row {
  int32_t pad;
  int32_t l;
  int16_t s;
  float f;
};
}  // namespace

TEST(Strings, DichoSearchFindsTheEntryInForce) {
  const int32_t keys[] = {1, 5, 5, 5, 9};
  Row rows[5];
  for (int i = 0; i < 5; ++i) rows[i] = {-1, keys[i], int16_t(keys[i]), float(keys[i])};
  struct Case {
    int32_t value;
    int32_t want;
  } cases[] = {{5, 1}, {6, 3}, {10, 4}, {0, -1}, {1, 0}, {9, 4}, {2, 0}};
  for (const Case& k : cases) {
    EXPECT_EQ(DichoSearchLong(rows, 5, sizeof(Row), offsetof(Row, l), k.value), k.want) << k.value;
    EXPECT_EQ(DichoSearchShort(rows, 5, sizeof(Row), offsetof(Row, s), int16_t(k.value)), k.want) << k.value;
    EXPECT_EQ(DichoSearchFloat(rows, 5, sizeof(Row), offsetof(Row, f), float(k.value)), k.want) << k.value;
  }
  EXPECT_EQ(DichoSearchLong(rows, 0, sizeof(Row), offsetof(Row, l), 5), -1);
  EXPECT_EQ(DichoSearchFloat(rows, 5, sizeof(Row), offsetof(Row, f), std::nanf("")), -1);
  EXPECT_EQ(DichoSearchLong(rows, 1, sizeof(Row), offsetof(Row, l), 7), 0);
}

TEST(Strings, LMulDivRoundsHalvesAwayAndClamps) {
  struct Case {
    int32_t a, b, c, want;
  } cases[] = {
      {3, 5, 2, 8},
      {-3, 5, 2, -8},
      {3, -5, -2, 8},
      {3, 5, 0, INT32_MAX},
      {0, 5, 0, 0},
      {3, 0, 0, 0},
      {100, 144, 72, 200},
      {7, 1, 3, 2},
      {-7, 1, 3, -2},
      {1, 1, 2, 1},
      {-1, 1, 2, -1},
      {INT32_MAX, INT32_MAX, 1, INT32_MAX},
      {INT32_MIN, INT32_MAX, 1, INT32_MIN},
      {INT32_MAX, 4, 2, INT32_MAX},
      {16777217, 1, 1, 16777216},  // single precision: 2^24 + 1 is not representable
  };
  for (const Case& k : cases) EXPECT_EQ(LMulDiv(k.a, k.b, k.c), k.want) << k.a << "*" << k.b << "/" << k.c;
}

TEST(ByteOrder, SwapsAreTheirOwnInverse) {
  EXPECT_EQ(wintel2moto(0x1234), 0x3412);
  EXPECT_EQ(wintel2moto(0x00FF), int16_t(0xFF00));
  EXPECT_EQ(uint32_t(lintel2moto(0x01020304u)), 0x04030201u);
  EXPECT_EQ(uint32_t(lintel2moto(uint32_t(lintel2moto(0xDEADBEEFu)))), 0xDEADBEEFu);

  unsigned char w[5] = {1, 2, 3, 4, 5};
  ZoneWintel2moto(w, 5);  // the odd last byte stays
  EXPECT_EQ(std::memcmp(w, "\x02\x01\x04\x03\x05", 5), 0);
  unsigned char l[6] = {1, 2, 3, 4, 5, 6};
  ZoneLintel2moto(l, 6);
  EXPECT_EQ(std::memcmp(l, "\x04\x03\x02\x01\x05\x06", 6), 0);

  Rect r{0x0102, 0x0304, 0x0506, 0x0708};
  rintel2moto(&r);
  EXPECT_EQ(r.top, 0x0201);
  EXPECT_EQ(r.right, 0x0807);

  int16_t a = 1, b = 2;
  swapw(&a, &b);
  EXPECT_EQ(a, 2);
  int32_t x = 7, y = -7;
  swapl(&x, &y);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, 7);
}

// Primitives of the native format over the document byte stream: byte order,
// stored strings and their clean-up, rectangles, and the stream's end.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "text/Fontes.h"

namespace {

class Primitives : public ::testing::Test {
 protected:
  std::string octets;
  void Lit(const std::string& s, uint16_t version = 0x0964) {
    octets = s;
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
  }
};

std::string Octets(std::initializer_list<int> v) {
  std::string s;
  for (int c : v) s.push_back(char(c));
  return s;
}

}  // namespace

TEST_F(Primitives, NumbersAreBigEndian) {
  Lit(Octets({0xFF, 0xFE, 0x80, 0x00, 0x00, 0x01, 0x3F, 0x80, 0x00, 0x00}));
  EXPECT_EQ(ReadShort(), -2);
  EXPECT_EQ(ReadLong(), int32_t(0x80000001u));
  EXPECT_EQ(ReadFloat(), 1.0f);
  EXPECT_EQ(EndOfFile(), 0);
}

TEST_F(Primitives, RectanglesAreStoredLeftTopRightBottom) {
  Lit(Octets({0, 10, 0, 20, 0, 30, 0, 40, 0, 0, 0, 1, 0, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFD, 0, 0, 0, 4}));
  Rect r;
  ReadRect(&r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 40);
  BigRect b;
  ReadBigRect(&b);
  EXPECT_EQ(b.left, 1);
  EXPECT_EQ(b.top, 2);
  EXPECT_EQ(b.right, -3);
  EXPECT_EQ(b.bottom, 4);
}

TEST_F(Primitives, StringsAreCutToTheBufferAndTheStreamStaysInStep) {
  std::string s = Octets({0xFF, 0x01, 0x2C}) + std::string(300, 'q') + "Z";
  Lit(s);
  char buf[256];
  EXPECT_TRUE(ReadString(buf, sizeof buf));
  EXPECT_EQ(std::strlen(buf), 255u);
  EXPECT_EQ(ReadCar(), 'Z');
}

TEST_F(Primitives, EmptyAndMissingStrings) {
  Lit(Octets({0x00, 0xFF, 0x80, 0x00, 'Z'}));
  char buf[16] = "junk";
  EXPECT_TRUE(ReadString(buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  std::strcpy(buf, "junk");
  EXPECT_FALSE(ReadString(buf, sizeof buf));
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(ReadCar(), 'Z');
}

TEST_F(Primitives, OldDocumentsDropStyleCodes) {
  char buf[16];
  Lit(Octets({3, 0x41, 0x05, 0x42}), 0x091F);
  EXPECT_TRUE(ReadString(buf, sizeof buf));
  EXPECT_STREQ(buf, "AB");
  TermineSurPtr();
  Lit(Octets({3, 0x41, 0x05, 0x42}), 0x0920);
  EXPECT_TRUE(ReadString(buf, sizeof buf));
  EXPECT_STREQ(buf,
               "A\x05"
               "B");
}

// Old strings are MacRoman: they become UTF-8, cut on a character boundary.
TEST_F(Primitives, OldUnicodeStringsAreConvertedAndCutWhole) {
  char buf[16];
  Lit(Octets({2, 0x8E, 0x41}), 0x0910);
  EXPECT_TRUE(ReadUTFString(buf, sizeof buf));
  EXPECT_STREQ(buf,
               "\xC3\xA9"
               "A");
  TermineSurPtr();
  char petit[4];
  Lit(Octets({3, 0x8E, 0x8E, 'Z'}), 0x0910);
  EXPECT_TRUE(ReadUTFString(petit, sizeof petit));
  EXPECT_STREQ(petit, "\xC3\xA9");
  TermineSurPtr();
  Lit(Octets({2, 0xC3, 0xA9}), 0x0964);
  EXPECT_TRUE(ReadUTFString(buf, sizeof buf));
  EXPECT_STREQ(buf, "\xC3\xA9");
}

// Past the end nothing more is read: numbers are 0, strings end where the
// data does, gaps stop, and the end flag stays for the record reader.
TEST_F(Primitives, ReadingStopsAtTheEndOfTheStream) {
  Lit(Octets({0x12}));
  EXPECT_EQ(ReadLong(), 0);
  EXPECT_NE(EndOfFile(), 0);
  TermineSurPtr();

  Lit(Octets({0xFF, 0x7F, 0xFF, 'a', 'b'}));
  char buf[64];
  EXPECT_TRUE(ReadString(buf, sizeof buf));
  EXPECT_STREQ(buf, "ab");
  EXPECT_NE(EndOfFile(), 0);
  TermineSurPtr();

  Lit(Octets({1, 2, 3}));
  ReadGap(INT32_MAX);  // returns at once at the end
  EXPECT_NE(EndOfFile(), 0);
  TermineSurPtr();

  Lit(Octets({1, 2}));
  uint8_t bloc[6];
  std::memset(bloc, 0xAA, sizeof bloc);
  ReadBlock(bloc, sizeof bloc);
  EXPECT_EQ(bloc[1], 2);
  EXPECT_EQ(bloc[2], 0);
  EXPECT_EQ(bloc[5], 0);
  Rect r;
  ReadRect(&r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, 0);
}

TEST(WriteBlock, WritesThroughTheStreamIntoAGrowableBlock) {
  Handle h = NewHandle(0);
  FixeEcritureSurHandle(h);
  EXPECT_TRUE(WriteBlock("abc", 3));
  EXPECT_TRUE(WriteBlock(nullptr, 0));
  EXPECT_EQ(TermineEcritureSurHandle(), 3);
  EXPECT_EQ(GetHandleSize(h), 3);
  EXPECT_EQ(std::memcmp(*h, "abc", 3), 0);
  DisposeHandle(h);
}

namespace {

std::string Item(const char* tag, int32_t id, int32_t taille, const std::string& donnees) {
  std::string s(tag, 4);
  for (int32_t v : {id, taille})
    for (int k = 3; k >= 0; k--) s.push_back(char(uint32_t(v) >> (8 * k)));
  s += std::string(4, '\0') + donnees;
  return s;
}

}  // namespace

TEST_F(Primitives, CollectionsAreReadItemByItem) {
  Lit(Octets({0, 0, 0, 0, 'Z'}));
  EXPECT_EQ(ReadCollection(), nullptr);
  EXPECT_EQ(ReadCar(), 'Z');
  TermineSurPtr();

  Lit(Octets({0, 0, 0, 2}) + Item("bnum", 7, 0, "") + Item("bnum", 8, 3, "abc") + "Z");
  Collection c = ReadCollection();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(CountCollectionItems(c), 2);
  char buf[8] = {};
  int32_t taille = sizeof buf;
  EXPECT_EQ(GetCollectionItem(c, FourCC("bnum"), 8, &taille, buf), noErr);
  EXPECT_EQ(taille, 3);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(ReadCar(), 'Z');
  DisposeCollection(c);
  TermineSurPtr();

  Lit(Octets({0xFF, 0xFF, 0xFF, 0xFF, 'Z'}));
  c = ReadCollection();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(CountCollectionItems(c), 0);
  DisposeCollection(c);
}

// Counts and sizes the stream cannot hold are refused before any allocation.
TEST_F(Primitives, HostileCollectionsFailCleanly) {
  struct Cas {
    std::string octets;
  } cas[] = {
      {Octets({0x7F, 0xFF, 0xFF, 0xFF}) + Item("abcd", 1, 0, "")},
      {Octets({0, 0, 0, 1}) + Item("abcd", 1, 0x7FFFFFFF, "xy")},
      {Octets({0, 0, 0, 2}) + Item("abcd", 1, 2, "xy")},
      {Octets({0, 0, 0, 1}) + std::string("ab")},
  };
  for (const Cas& c : cas) {
    Lit(c.octets);
    EXPECT_EQ(ReadCollection(), nullptr);
    EXPECT_NE(EndOfFile(), 0);
    TermineSurPtr();
  }
}

TEST(StoreFontError, RecordsTheAskedFontAndItsReplacement) {
  ClrListeFontInconnue();
  StoreFontError("Frutiger", "Liberation Sans", 3, true);
  StoreFontError("Optima", nullptr, 0, false);
  EXPECT_NE(std::string(strLibFontesSubstitues).find("Frutiger=>Liberation Sans"), std::string::npos)
      << strLibFontesSubstitues;
  EXPECT_NE(std::string(strLibFontesInconnues).find("Optima"), std::string::npos) << strLibFontesInconnues;
  ClrListeFontInconnue();
}

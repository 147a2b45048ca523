#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/DateTime.h"
#include "platform/Resources.h"
#include "system/ResStrings.h"

namespace {

uint32_t Secondes(int an, int mois, int jour, int h, int m, int s) {
  DateTimeRec d = {int16_t(an), int16_t(mois), int16_t(jour), int16_t(h), int16_t(m), int16_t(s), 0};
  uint32_t secs = 0;
  DateToSeconds(&d, &secs);
  return secs;
}

class DateTexts : public ::testing::Test {
 protected:
  void TearDown() override {
    Langue = 1;
    UseRealDateTime();
  }
};

}  // namespace

// Monday 5 March 2018 at 9:07:03, in French (0) and English (1).
TEST_F(DateTexts, ByTemplateAndByLanguage) {
  const uint32_t lundi = Secondes(2018, 3, 5, 9, 7, 3);
  const uint32_t aout = Secondes(2018, 8, 14, 14, 5, 0);
  const uint32_t fevrier = Secondes(2018, 2, 1, 0, 0, 0);
  const uint32_t mai = Secondes(2018, 5, 1, 0, 0, 0);
  struct {
    int16_t langue;
    uint32_t secs;
    const char* modele;
    int16_t heure;
    const char* attendu;
  } cas[] = {
      {1, lundi, "$e/$m/$y", 0, "5/3/18"},
      {1, aout, "$H:$M", 0, "14:5"},
      {1, lundi, "$A $e $B $Y", 0, "Monday 5 March 2018"},
      {1, lundi, "$a $b / $A", 1, "Mon. Mar. / Monday"},
      {1, mai, "$b", 0, "May"},  // three bytes: not cut
      {0, lundi, "$A $e $B $Y", 0, "lundi 5 mars 2018"},
      {0, fevrier, "$a $e $b", 0, "jeu. 1 f\xC3\xA9."},
      {0, aout, "$b", 0, "ao."},  // the cut never splits a character
      {0, mai, "$B $b", 0, "mai mai"},
      {1, lundi, "", 1, "Monday, March 5, 2018  9:07:03"},
      {1, lundi, nullptr, 0, "Monday, March 5, 2018"},
      {0, lundi, nullptr, 1, "lundi 5 mars 2018  9:07:03"},
      {0, aout, nullptr, 0, "mardi 14 ao\xC3\xBBt 2018"},
      {4, lundi, nullptr, 0, " 5 de  de 2018"},  // no lists for this language: empty names
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.attendu);
    Langue = c.langue;
    char out[256];
    CvtSecsDateToString(c.secs, c.modele, out, c.heure);
    EXPECT_STREQ(out, c.attendu);
  }

  Langue = 1;
  SetFixedDateTime(Secondes(2018, 3, 5, 9, 7, 3));
  char out[64];
  GetStringDate(out, "$Y-$m-$e");
  EXPECT_STREQ(out, "2018-3-5");
  GetStringHeure(out);
  EXPECT_STREQ(out, " 9:07:03");
  char court[12];
  CvtSecsDateToString(lundi, nullptr, court, 0, sizeof court);
  EXPECT_STREQ(court, "Monday, Mar");

  // The platform's own format, whatever the language and template.
  Langue = 0;
  SetPrefFormatDateSysteme(true);
  CvtSecsDateToString(lundi, "$e/$m", out, 1, sizeof out);
  SetPrefFormatDateSysteme(false);
  EXPECT_STREQ(out, "Monday, March 5, 2018");
}

TEST(ResStrings, ListsComeOutAsUTF8WithinTheBuffer) {
  EXPECT_STREQ(GetOneString(1020, 5), "SOL");
  EXPECT_STREQ(GetOneString(1021, 5), "G");
  EXPECT_STREQ(GetOneString(131, 2), "f\x8Evrier");
  EXPECT_STREQ(GetOneStringUTF(131, 2), "f\xC3\xA9vrier");
  EXPECT_STREQ(GetOneStringUTF(131, 13), "");
  EXPECT_STREQ(GetOneStringUTF(131, 0), "");
  EXPECT_STREQ(GetOneStringUTF(4242, 1), "");
  EXPECT_STREQ(GetStrVracUTF(499), "");  // list 1000 is not carried
  EXPECT_STREQ(GetStrVracUTF(500), "");
  EXPECT_STREQ(GetOneStringUTF(1042, 1), "Blow");

  // 255 euro signs: one byte each in Mac Roman, three in UTF-8.
  std::string liste = std::string("\x00\x01", 2) + char(255) + std::string(255, '\xDB');
  ASSERT_TRUE(PlatformAddResource(kTypeSTR, 30001, liste.data(), Size(liste.size())));
  const char* s = GetOneStringUTF(30001, 1);
  ASSERT_EQ(std::strlen(s), 765u);
  EXPECT_EQ(std::string(s, 3), "\xE2\x82\xAC");

  char petit[6] = "\x8E\x8E\x8E";
  SystemEncodingToUTF(petit, sizeof petit);
  EXPECT_STREQ(petit, "\xC3\xA9\xC3\xA9");  // the third would not fit whole
}

TEST(ResStrings, FindIndStringAndRelease) {
  EXPECT_EQ(FindIndString(1020, "SOL", 0), 5);
  EXPECT_EQ(FindIndString(1020, "sol", 0), 0);
  EXPECT_EQ(FindIndString(1020, "sol", 2), 5);
  EXPECT_EQ(FindIndString(1020, "SOLfege", 0), 0);
  EXPECT_EQ(FindIndString(1020, "SOLfege", 1), 5);
  EXPECT_EQ(FindIndString(1020, "S", 1), 0);  // an entry longer than the text is no prefix
  EXPECT_EQ(FindIndString(4242, "x", 1), 0);
  std::string liste = std::string(
      "\x00\x02\x02"
      "Ab\x03"
      "Abc",
      9);
  ASSERT_TRUE(PlatformAddResource(kTypeSTR, 30002, liste.data(), Size(liste.size())));
  EXPECT_EQ(FindIndString(30002, "Abc", 1), 1);
  EXPECT_EQ(FindIndString(30002, "Abc", 0), 2);

  GetOneString(1021, 1);
  EXPECT_NE(PlatformGetLoadedResource(kTypeSTR, 1021), nullptr);
  LibereRessource(kTypeSTR, 1021);
  EXPECT_EQ(PlatformGetLoadedResource(kTypeSTR, 1021), nullptr);
  LibereRessource(kTypeSTR, 1021);  // not loaded: reported only
  EXPECT_EQ(OuvreResFile("anything"), -1);
}

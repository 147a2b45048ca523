// Voice languages: ids of language names and of the two-letter codes of
// lyrics, and the table of installed languages by id and by index.
#include <gtest/gtest.h>

#include <initializer_list>

#include "platform/Memory.h"
#include "sound/LanguesVoix.h"

namespace {

// Installs languages with these ids; the table is removed with the object.
class Langues {
 public:
  Langues(std::initializer_list<uint16_t> ids) {
    LYLang = NewHandle(Size(ids.size() * sizeof(LangueVoix)));
    auto* l = reinterpret_cast<LangueVoix*>(*LYLang);
    for (uint16_t id : ids) (l++)->id = id;
  }
  ~Langues() {
    DisposeHandle(LYLang);
    LYLang = nullptr;
  }
};

}  // namespace

TEST(LanguesVoix, IdsOfNamesAndCodes) {
  struct Cas {
    const char* texte;
    uint16_t id;
  };
  const Cas noms[] = {
      {"fre-0", 1},
      {"fre-1", 2},
      {"eng-0", 3},
      {"enu-0", 4},
      {"lat-0", 5},
      {"spa-0", 6},
      {"ita-0", 7},
      {"fin-0", 8},
      {"jpn-0", 9},
      {"ger-0", 10},
      {"oci-0", 11},
      // Other five-character names: ((c0 x 676 + c1 x 26 + c2) x 3 + c4 - 8013) mod 65536.
      {"por-0", 31563},
      {"por-7", 31570},
      {"ger-1", 12532},
      // Characters count as signed bytes: 0xE9 is -23.
      {"\xE9\xE9\xE9-0", uint16_t((-23 * 703 * 3 + 48 - 8013) & 0xFFFF)},
      {"fre", 0},
      {"fre-00", 0},
      {"", 0},
  };
  for (const Cas& c : noms) EXPECT_EQ(LYLangNameToID(c.texte), c.id) << c.texte;
  // Two-letter codes of lyrics go through their three-letter codes.
  const Cas codes[] = {
      {"fr", 1},  {"en", 3},     {"us", 4}, {"la", 5}, {"es", 6}, {"it", 7},  {"fi", 8}, {"jp", 9}, {"de", 10},
      {"oc", 11}, {"pt", 31563}, {"ja", 0}, {"FR", 0}, {"f", 0},  {"fra", 0}, {"xx", 0}, {"", 0},
  };
  for (const Cas& c : codes) EXPECT_EQ(LYLang2CharToID(c.texte), c.id) << c.texte;
  // The other codes give the computed ids of their names.
  EXPECT_EQ(LYLang2CharToID("zh"), LYLangNameToID("chi-0"));
  EXPECT_EQ(LYLang2CharToID("aa"), LYLangNameToID("aar-0"));
  EXPECT_EQ(LYLang2CharToID("zu"), LYLangNameToID("zul-0"));
  EXPECT_NE(LYLang2CharToID("zu"), 0);
}

TEST(LanguesVoix, InstalledLanguagesByIdAndIndex) {
  // Nothing installed: every id is unknown and every index beyond the table.
  for (uint16_t id : {0, 1, 3, 31563}) EXPECT_EQ(CheckLangageVoix(id), 0) << id;
  for (int32_t i : {-1, 0, 1}) EXPECT_EQ(LYGetLanguageIDByIndex(i), 0) << i;
  {
    Langues installees({3, 1, 31563});
    EXPECT_EQ(CheckLangageVoix(1), 1);
    EXPECT_EQ(CheckLangageVoix(31563), 31563);
    EXPECT_EQ(CheckLangageVoix(2), 0);
    struct Cas {
      int32_t index;
      uint16_t id;
    } cas[] = {{-1, 0}, {0, 3}, {1, 1}, {2, 31563}, {3, 0}, {1 << 30, 0}};
    for (const Cas& c : cas) EXPECT_EQ(LYGetLanguageIDByIndex(c.index), c.id) << c.index;
  }
  {
    Langues vide({});
    EXPECT_EQ(CheckLangageVoix(0), 0);
    EXPECT_EQ(LYGetLanguageIDByIndex(0), 0);
  }
}

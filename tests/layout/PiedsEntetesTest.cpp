#include "layout/PiedsEntetes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "model/Document.h"
#include "model/ModelFixtures.h"
#include "platform/DateTime.h"
#include "platform/Memory.h"
#include "text/TextData.h"

namespace {

struct Pages {
  int16_t base, page, count, extraP, extraN;
};

// The plain text of an expansion; "<null>" when there is none.
std::string Expanse(Document* doc, const char* modele, Pages p, int32_t max = kTailleModeleEntete) {
  Handle h = CreeChainePiedDePage(doc, modele, p.base, p.page, p.count, p.extraP, p.extraN, max);
  if (!h) return "<null>";
  std::string s = GetTexteBrutTexteStyle(*h);
  DisposeHandle(h);
  return s;
}

class PiedsEntetes : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = NouveauDocument();
    std::strcpy(doc->titres[0].texte, "Sonata");
    std::strcpy(doc->titres[1].texte, "A. Composer");
    std::strcpy(doc->titres[2].texte, "for piano");
    std::strcpy(doc->nomFichier, "sonata.qrv");
    // 2 March 2015 at noon.
    DateTimeRec d{2015, 3, 2, 12, 0, 0, 0};
    DateToSeconds(&d, &doc->dates[0]);
  }
  void TearDown() override {
    LibereDocument(doc);
    UseRealDateTime();
  }
  Document* doc = nullptr;
};

}  // namespace

TEST_F(PiedsEntetes, CodesOfATemplate) {
  struct Cas {
    const char* modele;
    Pages p;
    const char* attendu;
  };
  const Cas cas[] = {
      {"Page $P of $N", {0, 2, 3, 0, 0}, "Page 2 of 3"},
      {"$p/$n", {0, 2, 3, 0, 0}, "2/3"},  // lower case works
      {"$P", {1, 3, 4, 0, 0}, "2"},       // counted from the first music page
      {"[$P]", {2, 1, 4, 0, 0}, "[]"},    // a page before it shows no number
      {"$Q", {0, 1, 1, 0, 0}, ""},        // one page: no number
      {"$Q", {0, 1, 2, 0, 0}, "1"},
      {"$Q", {0, 2, 2, 0, 0}, "2"},
      {"$O-1$P", {0, 3, 5, 0, 0}, "2"},
      {"$O+2$P/$N", {0, 1, 3, 0, 0}, "3/5"},
      {"$VP $VN", {1, 2, 3, 5, 9}, "4 8"},
      {"$T, $C ($R)", {0, 1, 1, 0, 0}, "Sonata, A. Composer (for piano)"},
      {"$F", {0, 1, 1, 0, 0}, "sonata.qrv"},
      {"$Y", {0, 1, 1, 0, 0}, "2015"},
      {"$$", {0, 1, 1, 0, 0}, "$"},
      {"$z$E$G", {0, 1, 1, 0, 0}, "$z$E$G"},
      {"a$B$Wb", {0, 1, 1, 0, 0}, "ab"},
      {"end$", {0, 1, 1, 0, 0}, "end"},
      {"$M", {0, 1, 1, 0, 0}, "00:00"},  // no score: no playing time
      {"$A[%Y]!", {0, 1, 1, 0, 0}, nullptr},
      {"", {0, 1, 1, 0, 0}, "<null>"},
  };
  for (const Cas& c : cas) {
    const std::string s = Expanse(doc, c.modele, c.p);
    if (c.attendu) EXPECT_EQ(s, c.attendu) << c.modele;
  }
  // A bracketed format belongs to its date code.
  const std::string date = Expanse(doc, "$A[%Y]!", {0, 1, 1, 0, 0});
  EXPECT_EQ(date.find('['), std::string::npos) << date;
  EXPECT_EQ(date.back(), '!');
  // The current view has a name only when there is one.
  EXPECT_EQ(Expanse(doc, "<$V>", {0, 1, 1, 0, 0}), "<>");
}

TEST_F(PiedsEntetes, WithoutADocumentTheCodesShowPlaceholders) {
  EXPECT_EQ(Expanse(nullptr, "$T|$C|$R|$F|$V|$M", {0, 1, 1, 0, 0}),
            "[Title]|[Composer]|[Remarks]|[File name]|Piano|00:00");
  // Some nine days before now.
  SetFixedDateTime(3600u * 24u * 365u * 100u);
  DateTimeRec d{};
  SecondsToDate(3600u * 24u * 365u * 100u - 817500u, &d);
  EXPECT_EQ(Expanse(nullptr, "$Y", {0, 1, 1, 0, 0}), std::to_string(d.year));
}

// Text stops at max - 1 bytes; a value goes in whole or not at all.
TEST_F(PiedsEntetes, TheExpansionIsBounded) {
  EXPECT_EQ(Expanse(doc, "abcdefghij", {0, 1, 1, 0, 0}, 8), "abcdefg");
  EXPECT_EQ(Expanse(doc, "ab$Tcd", {0, 1, 1, 0, 0}, 8), "abcd");
  EXPECT_EQ(Expanse(doc, "ab$T", {0, 1, 1, 0, 0}, 9), "abSonata");
  // A huge shift stays within 16 bits.
  EXPECT_EQ(Expanse(doc, "$O99999999$P", {0, 1, 1, 0, 0}), "32768");
  std::string longue(600, 'x');
  EXPECT_EQ(Expanse(doc, (longue + "$T").c_str(), {0, 1, 1, 0, 0}).size(), size_t(kTailleModeleEntete - 1));
}

// The template's style runs follow the text around the values put in.
TEST_F(PiedsEntetes, StyleRunsFollowTheExpandedText) {
  TextStyle a{0, 0, 12, {}};
  TextStyle b{0, 1, 14, {}};
  char* s = CreeChaineStyle("Page $P ", &a);
  s = ConcateneChaineAvecStyle("of $N", &b, s);
  Handle h = CreeChainePiedDePage(doc, s, 0, 12, 140, 0, 0, kTailleModeleEntete);
  DisposeTextData(s);
  ASSERT_NE(h, nullptr);
  EXPECT_STREQ(GetTexteBrutTexteStyle(*h), "Page 12 of 140");
  TextStyle lu{};
  ASSERT_TRUE(ExtraitStyleChaine(*h, 7, &lu));  // the space after 12
  EXPECT_EQ(lu.face, 0);
  EXPECT_EQ(lu.size, 12);
  ASSERT_TRUE(ExtraitStyleChaine(*h, 8, &lu));  // "of"
  EXPECT_EQ(lu.face, 1);
  EXPECT_EQ(lu.size, 14);
  DisposeHandle(h);
}

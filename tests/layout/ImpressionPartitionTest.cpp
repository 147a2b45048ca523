#include "layout/ImpressionPartition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/Zoom.h"
#include "notation/NotationFixtures.h"
#include "text/ExtendedTE.h"
#include "text/TextData.h"

namespace {

// A styled text record holding the text in 12-point type.
struct TexteStyle {
  ExtendedTE te = nullptr;
  explicit TexteStyle(const std::string& t, bool utf8 = false) {
    Rect r{0, 0, 32000, 30000};
    te = ExtendedTEStylNew(&r, &r);
    ExtendedSetUnicodeMode(te, utf8 ? 1 : 0);
    TextStyle st{};
    st.size = 12;
    CvtTextDataToTEHandle(te, t.c_str(), int32_t(t.size()), &st);
    ExtendedTECalText(te);
  }
  ~TexteStyle() { ExtendedTEDispose(te); }
  int32_t HauteurLigne() { return int32_t(ExtendedTEGetHeight(0, 0, te)); }
};

// The texts drawn, in order.
std::vector<std::string> Textes(const std::vector<std::string>& ops) {
  std::vector<std::string> v;
  for (const std::string& op : ops) {
    const size_t a = op.find('"'), b = op.rfind('"');
    if (op.rfind("LongText", 0) == 0 || op.rfind("DHText", 0) == 0 || op.rfind("DVText", 0) == 0 ||
        op.rfind("DHDVText", 0) == 0)
      if (a != std::string::npos && b > a) v.push_back(op.substr(a + 1, b - a - 1));
  }
  return v;
}

class ImprimeTexteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dpi_ = GetDpiDest();
    SetDpiDest(72);
  }
  void TearDown() override { SetDpiDest(dpi_); }
  int16_t dpi_ = 0;
};

}  // namespace

// Ten lines, four to a page: three pages; each page draws its own lines and
// names the next page, the last one gives minus the page count.
TEST_F(ImprimeTexteTest, PagesOfAText) {
  std::string t;
  for (int i = 1; i <= 10; i++) t += "L" + std::to_string(i) + (i < 10 ? "\r" : "");
  TexteStyle texte(t);
  const int32_t h = texte.HauteurLigne();
  ASSERT_GT(h, 0);
  // The area is the rectangle less 18 on every side.
  const Rect page{0, 0, int16_t(36 + 4 * h + h / 2), 500};
  EXPECT_EQ(ImprimeTexte(nullptr, texte.te, 9999, 0, &page, nullptr), -3);
  struct Cas {
    int16_t page, retour;
    std::vector<std::string> lignes;
  };
  const Cas cas[] = {{1, 2, {"L1", "L2", "L3", "L4"}}, {2, 3, {"L5", "L6", "L7", "L8"}}, {3, -3, {"L9", "L10"}}};
  for (const Cas& c : cas) {
    int16_t retour = 0;
    const auto ops = Enregistre([&] { retour = ImprimeTexte(nullptr, texte.te, c.page, 1, &page, nullptr); });
    EXPECT_EQ(retour, c.retour) << c.page;
    EXPECT_EQ(Textes(ops), c.lignes) << c.page;
  }
  // An area lower than a line still takes one line a page, never none.
  const Rect basse{0, 0, int16_t(36 + h / 2), 500};
  EXPECT_EQ(ImprimeTexte(nullptr, texte.te, 9999, 0, &basse, nullptr), -10);
  TexteStyle une("one line");
  EXPECT_EQ(ImprimeTexte(nullptr, une.te, 9999, 0, &page, nullptr), -1);
}

// A run longer than 253 bytes is drawn in pieces that together are the run,
// never cutting a UTF-8 character.
TEST_F(ImprimeTexteTest, LongRunsAreDrawnInPieces) {
  const Rect page{0, 0, 400, 30000};
  const std::string a(600, 'a');
  TexteStyle plat(a);
  auto morceaux = Textes(Enregistre([&] { ImprimeTexte(nullptr, plat.te, 1, 1, &page, nullptr); }));
  ASSERT_EQ(morceaux.size(), 3u);
  std::string tout;
  for (const std::string& m : morceaux) {
    EXPECT_LE(m.size(), 253u);
    tout += m;
  }
  EXPECT_EQ(tout, a);
  std::string e;
  for (int i = 0; i < 300; i++) e += "\xC3\xA9";  // e acute, two bytes each
  TexteStyle utf(e, true);
  morceaux = Textes(Enregistre([&] { ImprimeTexte(nullptr, utf.te, 1, 1, &page, nullptr); }));
  ASSERT_EQ(morceaux.size(), 3u);
  size_t caracteres = 0;
  for (const std::string& m : morceaux) caracteres += m.size();
  // Each character reaches the picture's 8-bit text whole: one byte, which
  // the dump writes as a four-character escape.
  EXPECT_EQ(caracteres, 4u * 300u) << morceaux[0];
}

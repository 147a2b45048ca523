#include "notation/MultiMesures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "layout/PaginationFixtures.h"
#include "model/Portee.h"
#include "notation/NotationFixtures.h"
#include "system/Couleurs.h"

// Merged staves take the eight colours in turn, whatever the staff number.
TEST(MultiMesures, MergedStavesTakeTheColoursInTurn) {
  const struct {
    int32_t numero;
    int16_t couleur;
  } cas[] = {{0, 235}, {1, 35}, {7, 95}, {8, 235}, {9, 35}, {-1, 95}, {-9, 95}};
  for (const auto& c : cas) EXPECT_EQ(CalculeCouleurPorteeFusionnee(c.numero), c.couleur) << c.numero;
}

namespace {

// The texts drawn by a block (a whole record line per text).
std::vector<std::string> Textes(const std::vector<std::string>& ops) {
  std::vector<std::string> out;
  for (const std::string& op : ops) {
    const size_t q = op.find('"');
    if (q != std::string::npos && (op.rfind("LongText", 0) == 0 || op.rfind("DH", 0) == 0 || op.rfind("DV", 0) == 0))
      out.push_back(op.substr(q + 1, op.rfind('"') - q - 1));
  }
  return out;
}

}  // namespace

// Both blocks print the count plus one, in the staff's colour or grey 247 on
// a greyed staff; the rest is a bar between the inner margins with a stroke
// at each end, the repeat the one-bar sign centred on the span.
TEST(MultiMesures, BlocksShowTheirCountPlusOne) {
  ActiveFonteMusicale();
  PartitionPaginee p(1, 1);
  Portee** staff = p.Staff(0);
  (*staff)->rect = Rect{100, 0, 160, 600};
  (*staff)->decalageLigneBas = 40;
  (*staff)->interligne = 6.0f;
  (*staff)->couleur = 35;
  GetDefautModeGraphique(&GModeGraphique);
  using Trace = std::function<void(Portee**, int32_t, int16_t, int16_t)>;
  const struct {
    Trace trace;
    int32_t count;
    uint32_t grise;
    std::string nombre;
  } cas[] = {
      {TraceMultiRest, 4, 0, "5"},
      {TraceMultiRest, 11, 1, "12"},
      {TraceMultiBar, 2, 0, "3"},
      {TraceMultiBar, 0, 1, "1"},
  };
  for (const auto& c : cas) {
    (*staff)->modeGrise = c.grise;
    const auto ops = Enregistre([&] { c.trace(staff, c.count, 100, 300); });
    const std::string tout = ::testing::PrintToString(ops);
    const std::vector<std::string> textes = Textes(ops);
    ASSERT_FALSE(textes.empty()) << tout;
    EXPECT_EQ(textes.back(), c.nombre) << tout;
    const RGBColor attendu = TabRgbColor[c.grise ? 247 : 35];
    char couleur[64];
    std::snprintf(couleur, sizeof couleur, "RGBFgCol %04X %04X %04X", attendu.red, attendu.green, attendu.blue);
    EXPECT_NE(tout.find(couleur), std::string::npos) << tout;
  }
  (*staff)->modeGrise = 0;
  // The rest: a bar one interline thick around the middle line (y 128 -
  // 3, bottom line at 140), from 116 to 284 (margins of 16).
  const auto repos = Enregistre([&] { TraceMultiRest(staff, 4, 100, 300); });
  const auto barres = Filtre(repos, {"PaintRect"});
  ASSERT_EQ(barres.size(), 1u) << ::testing::PrintToString(repos);
  EXPECT_NE(barres[0].find("(125,116,131,284)"), std::string::npos) << barres[0];
  EXPECT_EQ(Filtre(repos, {"ShortLine (122,116) 0 12", "ShortLine (122,283) 0 12"}).size(), 2u)
      << ::testing::PrintToString(repos);
  // The repeat: glyph 212 centred between 100 and 300.
  const auto rep = Enregistre([&] { TraceMultiBar(staff, 4, 100, 300); });
  const std::vector<int> g = Glyphes(rep);
  EXPECT_EQ(std::count(g.begin(), g.end(), 212), 1) << ::testing::PrintToString(rep);
}

// A graphic mode stored without the blocks' sizes (0) draws them at the
// built-in sizes: the rest's bar keeps its interline of thickness.
TEST(MultiMesures, ZeroSizesInTheModeTakeTheBuiltInOnes) {
  ActiveFonteMusicale();
  PartitionPaginee p(1, 1);
  Portee** staff = p.Staff(0);
  (*staff)->rect = Rect{100, 0, 160, 600};
  (*staff)->decalageLigneBas = 40;
  (*staff)->interligne = 6.0f;
  std::memset(&GModeGraphique, 0, sizeof GModeGraphique);
  const auto ops = Enregistre([&] { TraceMultiRest(staff, 4, 100, 300); });
  const auto barres = Filtre(ops, {"PaintRect"});
  ASSERT_EQ(barres.size(), 1u) << ::testing::PrintToString(ops);
  EXPECT_NE(barres[0].find("(125,100,131,300)"), std::string::npos) << barres[0];
  EXPECT_TRUE(Filtre(ops, {"TxSize 0"}).empty()) << ::testing::PrintToString(ops);
  GetDefautModeGraphique(&GModeGraphique);
}

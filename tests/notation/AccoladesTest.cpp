#include "notation/Accolades.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "model/PartGroups.h"
#include "notation/NotationFixtures.h"

namespace {

std::string Joint(const std::vector<std::string>& ops) {
  std::string t;
  for (const std::string& op : ops) t += op + "\n";
  return t;
}

// Two staves joined by one group of a kind, named "Strings" / "Str.".
struct Groupe : PartitionPaginee {
  explicit Groupe(uint32_t type) : PartitionPaginee(2, 2) { NewPartGroup(score, type, 0, 0, 1, 0, "Strings", "Str."); }
  std::string Trace(const Systeme* s) {
    return Joint(Enregistre([&] { DrawPartGroupSystem(doc, nullptr, s); }));
  }
};

}  // namespace

// A bracket without hooks is shorter by Zoom(3) at both ends than one with
// both hooks over the same staves.
TEST(Accolades, BracketsWithoutHooksAreShorter) {
  const int16_t dpi = GetDpiDest();
  SetDpiDest(288);
  const Rect r{100, 50, 300, 60};
  auto barre = [&](bool crochets) {
    const std::vector<std::string> ops =
        Filtre(Enregistre([&] { DrawBracket(&r, crochets, crochets, 5, 6); }), {"PaintRect"});
    EXPECT_EQ(ops.size(), 1u);
    Rect b{};
    if (!ops.empty()) std::sscanf(ops[0].c_str(), "PaintRect (%hd,%hd,%hd,%hd)", &b.top, &b.left, &b.bottom, &b.right);
    return b;
  };
  const Rect avec = barre(true), sans = barre(false);
  EXPECT_EQ(sans.top - avec.top, Zoom(3));
  EXPECT_EQ(avec.bottom - sans.bottom, Zoom(3));
  EXPECT_EQ(sans.left, avec.left);
  SetDpiDest(dpi);
}

// The full name on the score's first system (or outside pages), the
// abbreviation on the others; an empty abbreviation shows nothing.
TEST(Accolades, GroupNamesBySystem) {
  Groupe g(kPartGroupAccolade);
  Systeme s;
  SetSystemeDefaut(&s);
  s.rectDessin = Rect{0, 100, 200, 500};
  s.premierSystemePartition = 1;
  std::string t = g.Trace(&s);
  EXPECT_NE(t.find("\"Strings\""), std::string::npos) << t;
  EXPECT_NE(g.Trace(nullptr).find("\"Strings\""), std::string::npos);
  s.premierSystemePartition = 0;
  t = g.Trace(&s);
  EXPECT_NE(t.find("\"Str.\""), std::string::npos) << t;
  EXPECT_EQ(t.find("\"Strings\""), std::string::npos) << t;
  reinterpret_cast<PartGroup*>(*(*g.score)->partGroups)[0].abrege[0] = 0;
  t = g.Trace(&s);
  EXPECT_EQ(t.find("Str"), std::string::npos) << t;
}

// A grey background is an on-screen aid: never printed.
TEST(Accolades, BackgroundsAreNotPrinted) {
  Groupe g(5);
  EXPECT_NE(g.Trace(nullptr).find("PaintRect"), std::string::npos);
  SetModeEcran(g.score, kModeEcranImpression);
  EXPECT_EQ(g.Trace(nullptr).find("PaintRect"), std::string::npos);
}

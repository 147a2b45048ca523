// Head and rest drawing: rest glyphs with their ledger line, dots and
// parentheses, heads with their ledger lines and dot position, and the grace
// extents that grow even when nothing is drawn.
#include "NotationFixtures.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DessinCorps.h"
#include "notation/ValeursNotes.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

// A staff whose bottom line is at y 140, lines 6 pixels apart (top line 116).
struct DessinCorpsTest : NotationTest {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  DessinCorpsTest() {
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 400};
    p.decalageLigneBas = 40;
    p.largeurTete = 8;
    p.extensionLigneSup = 2;
    for (int16_t l = 0; l <= 4; l++) SetAfficheLignePortee(staff, l, 1);
  }
  static NotePossible Piece(int32_t duree) {
    NotePossible r;
    CalculeNotePossible(duree, duree, nullptr, kDivisionSimple, &r, 60);
    r.largeurTete = 8;
    return r;
  }
  std::vector<std::string> Corps(int16_t pitch, int32_t duree, int16_t y, uint8_t barRest = 0, uint8_t paren = 0,
                                 NotePossible* out = nullptr, uint8_t dotsBelow = 0, int16_t shape = 0) {
    NotePossible r = Piece(duree);
    auto ops = Enregistre([&] {
      int16_t ax = 0;
      EXPECT_EQ(TraceCorps(staff, 0, 50, y, &r, 2, 0, 1, pitch, 100, shape, 0, dotsBelow, barRest, &ax, 0, 0, paren),
                50);
    });
    if (out) *out = r;
    return ops;
  }
  static std::vector<std::string> Lignes(const std::vector<std::string>& ops) {
    return Filtre(ops, {"ShortLine", "Line "});
  }
};

TEST_F(DessinCorpsTest, RestGlyphsDotsAndParentheses) {
  const struct {
    int32_t duree;
    uint8_t barRest, paren;
    std::vector<int> glyphs;
  } cas[] = {
      {40320, 0, 0, {206}},  {60480, 0, 0, {206, 46}},
      {20160, 0, 0, {228}},  {80640, 0, 0, {238}},
      {161280, 0, 0, {183}}, {322560, 0, 0, {208}},
      {10080, 0, 0, {197}},  {5040, 0, 0, {168}},
      {2520, 0, 0, {244}},   {1260, 0, 0, {228, 228, 228, 228, 228}},
      {120960, 1, 0, {183}}, {40320, 0, 1, {40, 206, 41}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.duree);
    EXPECT_EQ(Glyphes(Corps(kSigneSilence, c.duree, 128, c.barRest, c.paren)), c.glyphs);
  }
  // The alternative quarter rest.
  GModeGraphique.drapeaux[2] = 1;
  EXPECT_EQ(Glyphes(Corps(kSigneSilence, 40320, 128)), std::vector<int>{213});
  // A staff that hides rests draws none, nor their dots.
  p.cacheSilences = 1;
  EXPECT_TRUE(Corps(kSigneSilence, 60480, 128).empty());
  // The two-bar sign draws nothing here.
  p.cacheSilences = 0;
  NotePossible special;
  CalculeNotePossible(161280, 161280, nullptr, kDivisionSimple, &special, kSigneRepeteDeuxMesures);
  const auto ops = Enregistre([&] {
    TraceCorps(staff, 0, 50, 128, &special, 2, 0, 1, kSigneRepeteDeuxMesures, 100, 0, 0, 0, 0, nullptr, 0, 0, 0);
  });
  EXPECT_TRUE(ops.empty());
}

TEST_F(DessinCorpsTest, HalfAndWholeRestsOffTheStaffGetALedgerLine) {
  const struct {
    int32_t duree;
    int16_t y;
    size_t lines;
  } cas[] = {
      {80640, 128, 0},   // on the middle line
      {80640, 104, 1},   // two interlines above the top line
      {80640, 146, 1},   // an interline below the bottom line
      {161280, 116, 0},  // on the top line
      {161280, 113, 1},  // half an interline above it
      {40320, 104, 0},   // other values never
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.duree << " at " << c.y);
    const auto lignes = Lignes(Corps(kSigneSilence, c.duree, c.y));
    ASSERT_EQ(lignes.size(), c.lines);
    if (c.lines) {
      EXPECT_EQ(lignes[0], "ShortLine (" + std::to_string(c.y) + ",48) 11 0");
    }
  }
}

TEST_F(DessinCorpsTest, HeadsWithLedgerLines) {
  const struct {
    int16_t y;
    std::vector<int16_t> lines;  // ys of the ledger lines
  } cas[] = {
      {116, {}},                             // on the top line
      {113, {}},                             // just above it
      {104, {104, 110}},                     // two interlines above: two lines
      {107, {110}},                          // in the space above the first ledger line
      {128, {}},         {152, {152, 146}},  // two below
      {149, {146}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.y);
    const auto ops = Corps(60, 40320, c.y);
    EXPECT_EQ(Glyphes(ops), std::vector<int>{207});
    std::vector<std::string> attendu;
    // Lines from x - 2 over the head width and 2 on each side.
    for (int16_t y : c.lines) attendu.push_back("ShortLine (" + std::to_string(y) + ",48) 11 0");
    EXPECT_EQ(Lignes(ops), attendu);
  }
  // Wider lines for a whole note and a breve.
  EXPECT_EQ(Lignes(Corps(60, 161280, 110)), std::vector<std::string>{"ShortLine (110,48) 13 0"});
  EXPECT_EQ(Lignes(Corps(60, 322560, 110)), std::vector<std::string>{"ShortLine (110,48) 17 0"});
  // Shape 14 starts its lines 3 units right of the head.
  EXPECT_EQ(Lignes(Corps(60, 40320, 110, 0, 0, nullptr, 0, 14)), std::vector<std::string>{"ShortLine (110,53) 11 0"});
  // No ledger-line extension: no ledger lines.
  p.extensionLigneSup = 0;
  EXPECT_TRUE(Lignes(Corps(60, 40320, 104)).empty());
  // A one-line staff draws ledger lines up to its line.
  p.extensionLigneSup = 2;
  for (int16_t l : {0, 1, 3, 4}) SetAfficheLignePortee(staff, l, 0);
  EXPECT_EQ(Lignes(Corps(60, 40320, 134)).size(), 1u);  // line 1, then line 2 is shown
  EXPECT_EQ(Lignes(Corps(60, 40320, 140)).size(), 2u);  // lines 0 and 1
}

TEST_F(DessinCorpsTest, WhereTheDotsOfAHeadGo) {
  const struct {
    int16_t y;
    uint8_t below;
    int16_t dy;  // the dots' y against the head's y + 1
  } cas[] = {
      {128, 0, -3},  // on a line: half an interline up
      {128, 1, 3},   // ... or down
      {125, 0, 0},   // in a space: level
      {125, 1, 6},   // ... or an interline down
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.y << " " << int(c.below));
    NotePossible r;
    const auto ops = Corps(60, 60480, c.y, 0, 0, &r, c.below);
    EXPECT_EQ(Glyphes(ops), std::vector<int>{207});  // the chord drawer draws the dots
    EXPECT_EQ(r.yPoints, c.y + 1 + c.dy);
    EXPECT_GT(r.xPoints, 50);
  }
}

TEST_F(DessinCorpsTest, ExtentsGrowWithoutDrawing) {
  RazExtremitesGrace();
  NotePossible r = Piece(40320);
  const auto ops = Enregistre([&] {
    TraceCorps(staff, 0, 30, 90, &r, 1, 1, 0, 60, 100, 0, 0, 0, 0, nullptr, 0, 0, 0);
    TraceCorps(staff, 0, 70, 150, &r, 2, 1, 0, 60, 100, 0, 0, 0, 0, nullptr, 0, 0, 0);
  });
  EXPECT_TRUE(Filtre(ops, {"LongText", "Line", "ShortLine"}).empty());
  EXPECT_EQ(XMinTraceGrace, 30);
  EXPECT_EQ(XMaxTraceGrace, 70);  // the first one's right edge (shifted, with an accidental) is 38
  EXPECT_EQ(YMinTraceGrace, 90);
  EXPECT_EQ(YMaxTraceGrace, 150);
  // A staff never prepared (interline 0) still draws, and is not written.
  p.interligne = 0.0f;
  EXPECT_EQ(Glyphes(Corps(60, 40320, 128)), std::vector<int>{207});
  EXPECT_EQ(p.interligne, 0.0f);
}

}  // namespace

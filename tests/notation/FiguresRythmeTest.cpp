// The rhythm figures that texts draw inline: values, rests, accidentals,
// dots, flags or beams, ties, and the pen moved past them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/Signe.h"
#include "notation/NotationFixtures.h"
#include "notation/SCleGraf.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"

namespace {

struct FiguresRythme : NotationTest {};

Signe Note(int32_t duree, int8_t kind = 60) {
  Signe s;
  RazNote(&s, kind, duree);
  return s;
}

std::vector<std::string> Trace(const std::vector<Signe>& signes, uint8_t second = 0) {
  return Enregistre([&] {
    MoveTo(100, 200);
    TraceSignesRhythmicPattern(signes.data(), int32_t(signes.size()), second, 1.0f);
  });
}

int Compte(const std::vector<int>& g, int code) { return int(std::count(g.begin(), g.end(), code)); }

}  // namespace

// One sign alone: its head (hollow from the half up), its rest, accidental,
// dots and flags; a whole note has no stem.
TEST_F(FiguresRythme, EachValueDrawsItsGlyphs) {
  const struct {
    Signe signe;
    std::vector<int> glyphes;  // the music glyphs, in order
    bool tige;
  } cas[] = {
      {Note(40320), {207}, true},       {Note(20160), {207, 106}, true},
      {Note(10080), {207, 107}, true},  {Note(5040), {207, 251, 251, 251}, true},
      {Note(80640), {250}, true},       {Note(161280), {119}, false},
      {Note(60480), {207, 46}, true},   {Note(70560), {207, 46, 46}, true},
      {Note(40320, -1), {206}, false},  {Note(2520, -1), {244}, false},
      {Note(161280, -1), {183}, false}, {Note(120960, -1), {238, 46}, false},
  };
  for (const auto& c : cas) {
    const auto ops = Trace({c.signe});
    EXPECT_EQ(Glyphes(ops), c.glyphes) << c.signe.duree << " " << int(c.signe.kind);
    EXPECT_EQ(!Filtre(ops, {"Line", "ShortLine"}).empty(), c.tige) << c.signe.duree << " " << int(c.signe.kind);
  }
  // Accidentals stand before their head.
  const struct {
    uint8_t alteration;
    int glyphe;
  } alterations[] = {{0, 110}, {1, 35}, {3, 98}, {4, 220}, {5, 186}};
  for (const auto& a : alterations) {
    Signe s = Note(40320);
    s.alteration = a.alteration;
    EXPECT_EQ(Glyphes(Trace({s})), (std::vector<int>{a.glyphe, 207})) << int(a.alteration);
  }
  // The graphic mode's switch picks the other quarter rest.
  GModeGraphique.drapeaux[2] = 1;
  EXPECT_EQ(Glyphes(Trace({Note(40320, -1)})), std::vector<int>{213});
}

// Notes beamed with the next share beams instead of flags (one per value
// level), unless their division word breaks the run; the figure's second
// mode draws flags as strokes, not glyphs.
TEST_F(FiguresRythme, BeamedRunsAndFlags) {
  auto paire = [](int32_t duree, uint16_t casse) {
    Signe a = Note(duree), b = Note(duree);
    a.flags |= kSigneAccroche;
    a.motTuplet = uint16_t(kDivisionSimple | casse);
    return std::vector<Signe>{a, b};
  };
  const struct {
    std::vector<Signe> signes;
    uint8_t second;
    int poutres, crochets;  // beams painted, flag glyphs drawn
  } cas[] = {
      {paire(20160, 0), 0, 1, 0},
      {paire(10080, 0), 0, 2, 0},
      {paire(20160, 0x1000), 0, 0, 2},
      {{Note(20160), Note(20160)}, 0, 0, 2},
  };
  for (const auto& c : cas) {
    const auto ops = Trace(c.signes, c.second);
    const auto g = Glyphes(ops);
    EXPECT_EQ(int(Filtre(ops, {"PaintRect"}).size()), c.poutres) << ::testing::PrintToString(ops);
    EXPECT_EQ(Compte(g, 106) + Compte(g, 107), c.crochets) << ::testing::PrintToString(ops);
    EXPECT_EQ(int(Filtre(ops, {"Line", "ShortLine"}).size()), 2) << ::testing::PrintToString(ops);  // two stems
  }
  // Second mode: two flags become two strokes.
  const auto avecGlyphe = Trace({Note(10080)}, 0), traits = Trace({Note(10080)}, 1);
  EXPECT_EQ(Compte(Glyphes(traits), 107), 0);
  EXPECT_GT(traits.size(), avecGlyphe.size());
}

// A note with effects ties to the next one; the last one has nothing to tie to.
TEST_F(FiguresRythme, TiesGoToTheNextNote) {
  Signe a = Note(40320), b = Note(40320);
  const auto sans = Trace({a, b});
  a.indexParamEffet = 0;
  const auto avec = Trace({a, b});
  EXPECT_GT(avec.size(), sans.size());
  b.indexParamEffet = 0;
  EXPECT_EQ(Trace({b}), Trace({Note(40320)}));
}

// The pen ends past the figure on its own line; the note walk's stem group
// is given back; no signs draw nothing and leave the pen.
TEST_F(FiguresRythme, PenMovesOnAndStemGroupIsGivenBack) {
  nbQueue = 3;
  TabQueue[0].x = 11;
  TabQueue[1].barres = 2;
  Point fin{}, vide{};
  const std::vector<Signe> signes{Note(40320), Note(20160), Note(20160)};
  Enregistre([&] {
    MoveTo(100, 200);
    TraceSignesRhythmicPattern(signes.data(), 3, 0, 1.0f);
    GetPen(&fin);
    MoveTo(50, 60);
    TraceSignesRhythmicPattern(signes.data(), 0, 0, 1.0f);
    GetPen(&vide);
  });
  EXPECT_EQ(nbQueue, 3);
  EXPECT_EQ(TabQueue[0].x, 11);
  EXPECT_EQ(TabQueue[1].barres, 2);
  EXPECT_EQ(fin.v, 200);
  // Three heads and three gaps of Zoom(5) at 72 dpi.
  TextFontMusicale(nullptr, 72);
  const int tete = (CharWidthCaractereMusical(207) * 613 + 356) / 713;
  EXPECT_EQ(fin.h, 100 + 3 * (tete + 5));
  EXPECT_EQ(vide.h, 50);
  EXPECT_EQ(vide.v, 60);
  nbQueue = 0;
  EXPECT_TRUE(Trace({}).empty());
}

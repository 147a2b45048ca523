// The standard staff type: key signatures with their naturals, clefs, time
// signatures and note positions, read back from the recorded drawing.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/NotationFixtures.h"
#include "stafftypes/PorteeQuarvel.h"

namespace {

// A glyph drawn at a point: (x, y, code).
using Glyphe = std::tuple<int, int, int>;

// The music glyphs of the text operations with their absolute origins (a
// picture gives each text origin relative to the one before).
std::vector<Glyphe> Places(const std::vector<std::string>& ops) {
  std::vector<Glyphe> out;
  int x = 0, y = 0;
  for (const std::string& op : ops) {
    int a = 0, b = 0;
    if (std::sscanf(op.c_str(), "LongText (%d,%d)", &y, &x) == 2) {
    } else if (std::sscanf(op.c_str(), "DHDVText %d %d", &a, &b) == 2) {
      x += a;
      y += b;
    } else if (std::sscanf(op.c_str(), "DHText %d", &a) == 1) {
      x += a;
    } else if (std::sscanf(op.c_str(), "DVText %d", &b) == 1) {
      y += b;
    } else {
      continue;
    }
    for (int g : Glyphes({op})) out.emplace_back(x, y, g);
  }
  return out;
}

// Bottom line at y 140, interline 6: step n lies at 140 - 3n.
struct PorteeQuarvelTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  PorteeQuarvelTest() {
    Mesures(4);
    staff = Portee0();
    Portee& p = **staff;
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 600};
    p.decalageLigneBas = 40;
  }
  static Clef Cle(uint32_t type) {
    Clef c;
    CvtTypeClefEnClefStandard(type, &c);
    return c;
  }
  static Tonalite Armure(int16_t index, uint32_t naturals = 2) {
    Tonalite t;
    CvtTonaliteStdEnTonalite(index, 1, &t);
    t.styleAnnulation = naturals;
    return t;
  }
  // The signs of a key change drawn from x 10 with an advance of 2, as
  // (glyph, step above the bottom line).
  std::vector<std::pair<int, int>> Signes(const Tonalite* previous, const Tonalite& key, uint32_t clefType) {
    const Clef c = Cle(clefType);
    std::vector<std::pair<int, int>> out;
    for (const Glyphe& g : Places(Enregistre([&] { TraceTonalite(staff, previous, &key, &c, 10, 2); })))
      out.emplace_back(std::get<2>(g), (140 - std::get<1>(g)) / 3);
    return out;
  }
};

constexpr int kDiese = '#', kBemol = 'b', kBecarre = 'n';

TEST_F(PorteeQuarvelTest, KeySignaturesStandOnTheirLinesForEachClef) {
  struct Cas {
    int16_t key;
    uint32_t clef;
    std::vector<int> steps;
  } cas[] = {
      {7, kClefSol, {8, 5, 9, 6, 3, 7, 4}},   // F5 C5 G5 D5 A4 E5 B4
      {14, kClefSol, {4, 7, 3, 6, 2, 5, 1}},  // B4 E5 A4 D5 G4 C5 F4
      {7, kClefFa, {6, 3, 7, 4, 1, 5, 2}},    // F3 C3 G3 D3 A2 E3 B2
      {14, kClefFa, {2, 5, 1, 4, 0, 3, -1}},  // B2 E3 A2 D3 G2 C3 F2
      {7, kClefUt, {7, 4, 8, 5, 2, 6, 3}},    // F4 C4 G4 D4 A3 E4 B3
  };
  for (const Cas& c : cas) {
    const auto signes = Signes(nullptr, Armure(c.key), c.clef);
    ASSERT_EQ(signes.size(), 7u) << c.key << " " << c.clef;
    for (size_t k = 0; k < 7; k++) {
      EXPECT_EQ(signes[k].first, c.key <= 7 ? kDiese : kBemol);
      EXPECT_EQ(signes[k].second, c.steps[k]) << c.key << " clef " << c.clef << " sign " << k;
    }
  }
}

TEST_F(PorteeQuarvelTest, NaturalsCancelWhatTheNewKeyDrops) {
  const Tonalite troisBemols = Armure(10), unBemol = Armure(8);
  // Three flats to two sharps: naturals on B, E and A, then F and C sharp.
  for (uint32_t mode : {1u, 2u}) {
    const auto s = Signes(&troisBemols, Armure(2, mode), kClefSol);
    const std::vector<std::pair<int, int>> attendu = {
        {kBecarre, 4}, {kBecarre, 7}, {kBecarre, 3}, {kDiese, 8}, {kDiese, 5}};
    EXPECT_EQ(s, attendu) << mode;
  }
  // One flat to seven sharps: mode 2 cancels the B flat, mode 1 does not
  // (the new key has a sharp there), mode 0 never draws naturals.
  EXPECT_EQ(Signes(&unBemol, Armure(7, 2), kClefSol).size(), 8u);
  EXPECT_EQ(Signes(&unBemol, Armure(7, 2), kClefSol)[0], std::make_pair(kBecarre, 4));
  EXPECT_EQ(Signes(&unBemol, Armure(7, 1), kClefSol).size(), 7u);
  EXPECT_EQ(Signes(&unBemol, Armure(0, 0), kClefSol).size(), 0u);
  // Nothing drawn leaves x where it was.
  const Clef c = Cle(kClefSol);
  const Tonalite rien = Armure(0);
  EXPECT_EQ(TraceTonalite(staff, nullptr, &rien, &c, 37, 2), 37);
}

TEST_F(PorteeQuarvelTest, ClefsAndTheirOctaveMarks) {
  struct Cas {
    uint32_t type;
    int8_t octave;
    std::vector<int> glyphes;
  } cas[] = {
      {kClefSol, 0, {38}},
      {kClefFa, 0, {63}},
      {kClefUt, 0, {66}},
      {7, 0, {47}},
      {kClefSol, 1, {38, 165}},
      {kClefSol, -1, {38, 165}},
      {kClefSol, 2, {38, 193, 176}},
      {kClefFa, -2, {63, 193, 176}},
  };
  for (const Cas& c : cas) {
    Clef clef = Cle(c.type == 7 ? 1 : c.type);
    clef.type = c.type;
    clef.decalageOctave = c.octave;
    const auto places = Places(Enregistre([&] { TraceTonaliteArmature(staff, nullptr, nullptr, &clef, 10, 2, 1, 0); }));
    std::vector<int> g;
    for (const Glyphe& p : places) g.push_back(std::get<2>(p));
    EXPECT_EQ(g, c.glyphes) << c.type << " " << int(c.octave);
    if (places.empty()) continue;
    // The treble clef stands on the bottom line; the bass clef a little lower.
    if (c.type == kClefSol) EXPECT_EQ(std::get<1>(places[0]), 140);
    if (c.type == kClefFa) EXPECT_GT(std::get<1>(places[0]), 140);
    // Eight or fifteen above the clef's top, below its bottom.
    if (c.octave > 0) EXPECT_LT(std::get<1>(places[1]), 140 - 24);
    if (c.octave < 0) EXPECT_GT(std::get<1>(places[1]), 140);
  }
}

TEST_F(PorteeQuarvelTest, DrumsOnAStandardStaffShowAFrameAndNoKey) {
  InitPorteeBatterieStd(staff);
  EXPECT_EQ((*staff)->vecteurs.HauteurRuban2Note, nullptr);
  const Clef clef = Cle(kClefSol);
  const Tonalite key = Armure(3);
  const auto ops = Enregistre([&] { TraceTonaliteArmature(staff, nullptr, &key, &clef, 10, 2, 1, 1); });
  EXPECT_TRUE(Places(ops).empty());
  EXPECT_EQ(Filtre(ops, {"FrameRect"}).size(), 1u);
}

TEST_F(PorteeQuarvelTest, TimeSignatures) {
  struct Cas {
    int16_t num, den, add1, add2;
    uint8_t symbole;
    std::string haut;
    bool chiffres;
  } cas[] = {
      {2, 2, 0, 0, 1, "C", false}, {4, 4, 0, 0, 1, "c", false},  {3, 4, 0, 0, 1, "3", true},
      {4, 4, 0, 0, 0, "4", true},  {5, 8, 3, 2, 0, "3+2", true},
  };
  for (const Cas& c : cas) {
    DivisionTemporelle d{};
    d.numerateur = c.num;
    d.denominateur = c.den;
    d.partieAdditive1 = c.add1;
    d.partieAdditive2 = c.add2;
    d.octet1 = c.symbole;
    const auto places = Places(Enregistre([&] { TraceDivisionTemps(staff, 10, 128, kSansLimiteDroite, &d); }));
    std::string haut;
    int yHaut = 0;
    std::vector<int> bas;
    for (const Glyphe& p : places) {
      if (haut.size() < c.haut.size()) {
        haut += char(std::get<2>(p));
        yHaut = std::get<1>(p);
      } else {
        bas.push_back(std::get<2>(p));
      }
    }
    EXPECT_EQ(haut, c.haut);
    if (!c.chiffres) {
      EXPECT_EQ(yHaut, 128);  // a symbol on the middle line
      EXPECT_TRUE(bas.empty());
      continue;
    }
    EXPECT_EQ(yHaut, 128 - 6);  // numbers an interline above and below it
    ASSERT_EQ(bas.size(), 1u);
    EXPECT_EQ(bas[0], '0' + c.den);
    EXPECT_GT(std::get<1>(places.back()), 128);
  }
  // A right limit puts the signature right before it.
  DivisionTemporelle d{};
  d.numerateur = d.denominateur = 4;
  const auto places = Places(Enregistre([&] { TraceDivisionTemps(staff, 10, 128, 300, &d); }));
  ASSERT_FALSE(places.empty());
  EXPECT_GT(std::get<0>(places[0]), 250);
}

TEST_F(PorteeQuarvelTest, NotesAndSignsOnTheStaff) {
  (*staff)->modeQueues = 0;
  struct Cas {
    int8_t kind;
    int16_t y;
    bool bas;
  } cas[] = {
      {64, 140, false},             // E4 on the bottom line
      {71, 128, true},              // B4, the middle line: stem down
      {69, 131, false},             // A4 below it
      {kSigneSpecial, 134, false},  // the one-bar repeat sign: one interline up
      {kSigneSilence, 128, false},  // rests: two
  };
  for (const Cas& c : cas) {
    Signe s;
    RazNote(&s, c.kind, 40320);
    uint8_t flags = 0;
    EXPECT_EQ((*staff)->vecteurs.vect_Note2Ecr(staff, 0, -1, &s, &flags), c.y) << int(c.kind);
    EXPECT_EQ((flags & 128) != 0, c.bas) << int(c.kind);
    if (c.kind < 0) EXPECT_EQ(flags, 2);
  }
  // Line positions outside -5..10 read as hidden.
  EXPECT_FALSE(IsAfficheLignePortee(staff, 11));
  EXPECT_FALSE(IsAfficheLignePortee(staff, -6));
  SetAfficheLignePortee(staff, 11, 1);
  EXPECT_TRUE(IsAfficheLignePortee(staff, 0));
}

// A note's piano-roll area lies around its head: from its x rightwards,
// around its y; a rest's reaches up from its y.
TEST_F(PorteeQuarvelTest, NoteAreasOnThePianoRollHoldTheirNote) {
  AjouteSigne(staff, 64, 40320, 100, 0);
  AjouteSigne(staff, kSigneSilence, 40320, 100, 0);
  for (int32_t i : {0, 1}) {
    BigRect r{};
    ASSERT_EQ((*staff)->vecteurs.CvtIndexNoteEnAireRuban(staff, i, &r), 1) << i;
    const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, i);
    const int32_t y = CvtIndexNoteEnPosRubanLin(staff, i);
    EXPECT_EQ(r.left, x) << i;
    EXPECT_GT(r.right, r.left) << i;
    EXPECT_LT(r.top, y) << i;
    EXPECT_GT(r.bottom, y) << i;
  }
}

}  // namespace

// Tuplets: the number of a one-note tuplet, a tuplet split between stem
// directions joined into one bracket, brackets too short for their number,
// hidden numbers, and the list released after the stage.
#include "NotationFixtures.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/Nuplets.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"

namespace {

constexpr int kTrois = 163;  // the tuplet digit 3

struct NupletsTest : NotationTest {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  Signe notes[8]{};
  NupletsTest() {
    p.largeurTete = 8;
    nbQueue = 0;
  }
  ~NupletsTest() override {
    if (tupletList) DisposeHandle(tupletList);
    tupletList = nullptr;
  }
  // A triplet eighth at tick t and x, its stem's tips, into the group.
  int16_t Note(int32_t t, int16_t x, uint8_t down, uint8_t beamed, uint16_t word = kDivisionTriolet | kTupletCrochet) {
    Signe& s = notes[nbQueue];
    s.debut = t;
    s.duree = 13440;
    s.motTuplet = word;
    const int16_t k = AjouteQueue(8, x, 1, 20160, down, beamed, beamed, 0, 0, 0, 0, 0, nbQueue, 0, 100, 0, &s);
    TabQueue[k].tuplet = word;
    TabQueue[k].tupletCrochet = kCrochetTupletDefaut;
    TabQueue[k].extremiteHaut = 100;
    TabQueue[k].extremiteBas = 130;
    return k;
  }
  static std::vector<std::string> Traits(const std::vector<std::string>& ops) {
    return Filtre(ops, {"Line", "ShortLine", "LineFrom", "ShortLineFrom"});
  }
};

TEST_F(NupletsTest, OneNoteTupletDrawsItsNumberOffTheStem) {
  // Stem down: three hooks under the bottom; stem up: two above the top.
  const struct {
    uint8_t down;
    const char* position;
  } cas[] = {{1, "(145,"}, {0, "(90,"}};
  for (const auto& c : cas) {
    nbQueue = 0;
    Note(0, 50, c.down, 0);
    ASSERT_TRUE(AjouteTuplets(staff, 0, 0, 1));
    const auto ops = Enregistre([&] { TraceTupletsCollectes(); });
    EXPECT_EQ(Glyphes(ops), std::vector<int>{kTrois});
    const auto texte = Filtre(ops, {"LongText"});
    ASSERT_EQ(texte.size(), 1u);
    EXPECT_NE(texte[0].find(c.position), std::string::npos) << texte[0];
    EXPECT_TRUE(Traits(ops).empty());
    EXPECT_EQ(tupletList, nullptr);
    EXPECT_EQ(notes[0].tupletPremier, 1);
    EXPECT_EQ(notes[0].tupletDernier, 1);
  }
}

TEST_F(NupletsTest, ATupletSplitBetweenDirectionsIsJoined) {
  // The first note stems up (its own group); the other two stem down.
  Note(0, 50, 0, 1);
  Note(13440, 70, 1, 1);
  Note(26880, 90, 1, 0);
  // Recorded as two tuplets (the order of the walks: the down group first).
  ASSERT_TRUE(AjouteTuplets(staff, 1, 2, 1));
  ASSERT_TRUE(AjouteTuplets(staff, 0, 0, 1));
  const auto ops = Enregistre([&] { TraceTupletsCollectes(); });
  // One number, one bracket in two halves with its two hooks.
  EXPECT_EQ(Glyphes(ops), std::vector<int>{kTrois});
  EXPECT_EQ(Traits(ops).size(), 4u);
  EXPECT_EQ(notes[0].tupletPremier, 1);
  EXPECT_EQ(notes[1].tupletPremier, 0);
  EXPECT_EQ(notes[2].tupletDernier, 1);
  EXPECT_EQ(notes[0].tupletDernier, 0);
}

TEST_F(NupletsTest, BracketsAndHiddenNumbers) {
  // A second stem left of the first (a tie across a line start): the
  // bracket is shorter than its number: number only.
  Note(0, 50, 1, 0);
  Note(13440, 40, 1, 0);
  ASSERT_TRUE(AjouteTuplets(staff, 0, 1, 1));
  auto ops = Enregistre([&] { TraceTupletsCollectes(); });
  EXPECT_EQ(Glyphes(ops), std::vector<int>{kTrois});
  EXPECT_TRUE(Traits(ops).empty());
  // A hidden number: an unbroken bracket (hook, line, hook), no number.
  nbQueue = 0;
  const uint16_t cache = kDivisionTriolet | kTupletCrochet | kTupletCache;
  Note(0, 50, 1, 0, cache);
  Note(13440, 80, 1, 0, cache);
  ASSERT_TRUE(AjouteTuplets(staff, 0, 1, 1));
  ops = Enregistre([&] { TraceTupletsCollectes(); });
  EXPECT_TRUE(Glyphes(ops).empty());
  EXPECT_EQ(Traits(ops).size(), 3u);
  // Without the bracket bit: the number alone.
  nbQueue = 0;
  Note(0, 50, 1, 0, kDivisionTriolet);
  Note(13440, 80, 1, 0, kDivisionTriolet);
  ASSERT_TRUE(AjouteTuplets(staff, 0, 1, 1));
  ops = Enregistre([&] { TraceTupletsCollectes(); });
  EXPECT_EQ(Glyphes(ops), std::vector<int>{kTrois});
  EXPECT_TRUE(Traits(ops).empty());
}

TEST_F(NupletsTest, AnEmptyListIsReleased) {
  tupletList = NewHandleClear(0);
  EXPECT_TRUE(Enregistre([&] { TraceTupletsCollectes(); }).empty());
  EXPECT_EQ(tupletList, nullptr);
  // Records before the first tuplet start are not drawn.
  Note(0, 50, 1, 0);
  ASSERT_TRUE(AjouteTuplets(staff, 0, 0, 1));
  reinterpret_cast<TupletEntry*>(*tupletList)[0].debut = 0;
  EXPECT_TRUE(Enregistre([&] { TraceTupletsCollectes(); }).empty());
  EXPECT_EQ(tupletList, nullptr);
}

}  // namespace

// Ghost rests: never while printing, a grey line between two wedges, ghost
// rests of cut bars drawn once, the whole-bar rest; and the y of grace notes
// and of tablature notes.
#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/Tonalite.h"
#include "notation/SilencesFantomes.h"
#include "stafftypes/DonneesTablature.h"

namespace {

struct FantomesTest : BarTableTest {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  BarTableTest& b = *this;
  Portee** staff = nullptr;
  RGBColor bleu{0, 0, 0xFFFF};
  FantomesTest() {
    b.Mesures(4);
    staff = b.Portee0();
    b.doc->partitionCourante = b.score;
    (*b.score)->modeEcran = 1;
    Portee& p = **staff;
    p.interligne = 6.0f;
    p.aspect.tailleUnite = 72;
    p.modeSilencesFantomes = kSilencesFantomesPartiels;
  }
  void Fantome(int32_t duree) {
    AjouteSigne(staff, kSigneSilenceFantome, duree);
    int32_t n;
    GetSignesPortee(staff, &n)[n - 1].taille = 100;
  }
  std::vector<std::string> Dessine(int32_t index, int16_t bar, int16_t x = 100) {
    return Enregistre([&] {
      int32_t n;
      const Signe* s = GetSignesPortee(staff, &n);
      TraceSilenceFantomeAtPos(staff, x, 128, s, index, bar, &bleu);
    });
  }
  void Coupe(int16_t bar) {
    TabEltMesure* r = GetLignesTabElt((*b.score)->tabEltMesure[0]);
    r[bar].continueLigneSuivante = 1;
    r[bar].sautSysteme = 1;
    r[bar + 1].nonComptee = 1;
  }
};

TEST_F(FantomesTest, NeverWhilePrinting) {
  Fantome(161280);
  (*b.score)->impressionEnCours = 1;
  const auto ops = Dessine(0, 0);
  EXPECT_TRUE(Glyphes(ops).empty());
  EXPECT_TRUE(Filtre(ops, {"ShortLine", "Line"}).empty());
}

TEST_F(FantomesTest, LineModeDrawsAGreyLineBetweenTwoWedges) {
  (*staff)->modeSilencesFantomes = kSilencesFantomesLigne;
  Fantome(40320);
  const auto ops = Dessine(0, 0);
  // Five columns each side (Zoom(5) at 72 dpi), one grey line between.
  const auto lignes = Filtre(ops, {"ShortLine", "Line ", "LineFrom"});
  ASSERT_EQ(lignes.size(), 11u);
  EXPECT_EQ(lignes[0], "ShortLine (131,100) 0 0");
  EXPECT_EQ(lignes[4], "ShortLine (127,104) 0 0");
  EXPECT_EQ(Filtre(ops, {"PnPat"}).size(), 2u);  // grey, then solid again
  EXPECT_EQ(Filtre(ops, {"RGBFgCol"})[0], "RGBFgCol 0000 0000 FFFF");
  // The line mode draws on a greyed staff too.
  (*staff)->modeGrise = 1;
  EXPECT_EQ(Filtre(Dessine(0, 0), {"ShortLine", "Line "}).size(), 11u);
}

TEST_F(FantomesTest, WholeBarsAndPartialBars) {
  FixeSignature(0, 3, 4);
  Fantome(120960);  // a whole 3/4 bar
  Fantome(40320);   // part of a 4/4 bar
  Fantome(120960);
  // The whole-bar option draws the whole rest, even in 3/4.
  (*staff)->pauseMesureEntiere = 1;
  EXPECT_EQ(Glyphes(Dessine(0, 0)), std::vector<int>{183});
  (*staff)->pauseMesureEntiere = 0;
  EXPECT_EQ(Glyphes(Dessine(0, 0)), (std::vector<int>{206, 206, 206}));
  // A partial bar shows in mode 3 only.
  EXPECT_EQ(Glyphes(Dessine(1, 1)), std::vector<int>{206});
  (*staff)->modeSilencesFantomes = 2;
  EXPECT_TRUE(Glyphes(Dessine(1, 1)).empty());
  // Greyed staves and other staff types show none.
  (*staff)->modeSilencesFantomes = kSilencesFantomesPartiels;
  (*staff)->modeGrise = 1;
  EXPECT_TRUE(Dessine(0, 0).empty());
  (*staff)->modeGrise = 0;
  (*staff)->type = kTypePorteeBatterie;
  EXPECT_TRUE(Dessine(0, 0).empty());
}

TEST_F(FantomesTest, GhostRestsOfCutBarsDrawOnce) {
  (*staff)->pauseMesureEntiere = 1;
  Fantome(161280);
  Fantome(161280);
  Fantome(161280);
  Coupe(0);
  // Bar 0 continues in bar 1: its ghost rest draws both bars' length once
  // (not a whole rest, which fills one bar), and bar 1's draws nothing.
  const auto glyphes = Glyphes(Dessine(0, 0));
  EXPECT_FALSE(glyphes.empty());
  EXPECT_NE(glyphes, std::vector<int>{183});
  EXPECT_TRUE(Dessine(1, 1).empty());
  EXPECT_EQ(Glyphes(Dessine(2, 2)), std::vector<int>{183});
}

TEST_F(FantomesTest, GraceNoteAndTablatureYs) {
  // Treble clef: the bottom line is E4 (64), step 37.
  Signe grace{};
  grace.kind = 64;
  grace.alteration = 2;
  (*staff)->rect = Rect{100, 0, 200, 400};
  (*staff)->decalageLigneBas = 40;
  uint8_t acc = 0;
  EXPECT_EQ(Note2EcrGraceNotes(staff, 0, 0, &grace, &acc), 140);
  EXPECT_EQ(acc, 2);
  grace.kind = 66;  // F sharp, one step up, with its sharp
  EXPECT_EQ(Note2EcrGraceNotes(staff, 0, 0, &grace, &acc), 137);
  EXPECT_EQ(acc, 1);
  // A tablature note sits half a string from its string number, by stem.
  Signe t{};
  t.tablatureCorde = 2;
  acc = 0;
  EXPECT_EQ(Note2EcrTablatureAssociee(staff, 0, 0, &t, &acc), 100 + 9);
  EXPECT_EQ(acc, 2);
  t.flags = kSigneQueueEnBas;
  EXPECT_EQ(Note2EcrTablatureAssociee(staff, 0, 0, &t, &acc), 100 + 15);
}

}  // namespace

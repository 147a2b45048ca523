// Keys and clefs per bar: lookups and their cache, the table's upkeep, the
// setters, karaoke lines and header widths.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "system/PortLayer.h"
#include "text/Fontes.h"

namespace {

struct TonaliteTest : BarTableTest {
  Portee** staff = nullptr;
  void SetUp() override {
    Mesures(12);
    staff = Portee0();
    (*staff)->affichee = 1;
    // Spaces of the graphic mode at 0: widths count only glyphs and signs.
    std::memset(&(*score)->modeGraphique, 0, sizeof(ModeGraphique));
  }
  Tonalite Std(int16_t index, int32_t mode = 1) {
    Tonalite k;
    CvtTonaliteStdEnTonalite(index, mode, &k);
    return k;
  }
  Clef StdClef(uint32_t type) {
    Clef c;
    CvtTypeClefEnClefStandard(type, &c);
    return c;
  }
  EltTabTonalite* Elts() { return reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite); }
  int16_t StdA(int16_t bar) {
    Tonalite k;
    CvtMesureEnTonalite(staff, bar, &k);
    return CvtTonaliteEnTonaliteStd(&k);
  }
  uint32_t ClefA(int16_t bar) {
    Clef c;
    CvtMesureEnClef(staff, bar, &c);
    return c.type;
  }
  // Entries at 0 (C major, treble), 4 (D major shown) and 8 (bass clef shown).
  void Changements() {
    Tonalite d = Std(2);
    Clef fa = StdClef(kClefFa);
    ASSERT_EQ(FixeTonaliteEtClefMesure(score, staff, 4, &d, nullptr, 0, kVisibleArmure, 0, kLienTonaliteAucun), 1);
    // A clef set on a bar keeps the bar's flags: showing it is a second step.
    ASSERT_EQ(FixeClefMesure(score, staff, 8, &fa, 0), 1);
    ASSERT_EQ(CvtMesureEnVisible(staff, 8), 0u);
    ASSERT_EQ(FixeVisibleMesure(score, staff, 8, kVisibleClef, kVisibleClef), 1);
    ASSERT_EQ((*staff)->nbTonalites, 3);
  }
};

TEST_F(TonaliteTest, LookupsByBarFollowTheEntryInForce) {
  Changements();
  struct Cas {
    int16_t bar;
    int16_t exact, enVigueur, std;
    uint32_t clef;
    int16_t noteDeBase;
  } cas[] = {
      {-1, -1, -1, 0, kClefSol, 64}, {0, 0, 0, 0, kClefSol, 64},   {3, -1, 0, 0, kClefSol, 64},
      {4, 1, 1, 2, kClefSol, 64},    {7, -1, 1, 2, kClefSol, 64},  {8, 2, 2, 2, kClefFa, 43},
      {11, -1, 2, 2, kClefFa, 43},   {500, -1, 2, 2, kClefFa, 43},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(CvtNumMesureEnIndxTabTonalite(staff, c.bar), c.exact) << c.bar;
    EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, c.bar), c.enVigueur) << c.bar;
    EXPECT_EQ(StdA(c.bar), c.std) << c.bar;
    EXPECT_EQ(ClefA(c.bar), c.clef) << c.bar;
    EXPECT_EQ(CvtMesureEnNoteDeBase(staff, c.bar), c.noteDeBase) << c.bar;
  }
  EXPECT_EQ(CvtMesureEnVisible(staff, 4), kVisibleArmure);
  EXPECT_EQ(CvtMesureEnVisible(staff, 8), kVisibleClef);
  EXPECT_EQ(CvtTempsEnNoteDeBase(staff, 8 * kDureeRonde + 10), 43);
  Tonalite k;
  CvtTempsEnTonalite(staff, 5 * kDureeRonde, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 2);
  CvtTempsEnTonalite(staff, -1, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 0);

  // Drums on a standard staff read the defaults whatever the table holds.
  (*staff)->type = kTypePorteeBatterieStd;
  for (int16_t bar : {0, 5, 9}) {
    EXPECT_EQ(StdA(bar), 0);
    EXPECT_EQ(ClefA(bar), kClefSol);
    EXPECT_EQ(CvtMesureEnNoteDeBase(staff, bar), 64);
  }
  (*staff)->type = kTypePorteeStandard;
  EXPECT_EQ(GetMesureMaxTonalitePartition(score), 8);
}

TEST_F(TonaliteTest, TheCacheNeverOutlivesAnEdit) {
  Changements();
  // Removal: the cached bar gets the entry now in force.
  EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, 9), 2);
  SupprimeEltTabTonalite(staff, 2);
  EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, 9), 1);
  EXPECT_EQ(ClefA(9), kClefSol);
  // Bars deleted before an entry shift it: the same cached bar is looked up again.
  Clef fa = StdClef(kClefFa);
  FixeClefMesure(score, staff, 8, &fa, 0);
  EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, 6), 1);
  DeleteMesureChangeTonalitePortee(staff, 1, 2);  // bar 4 -> 2, bar 8 -> 6
  EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, 6), 2);
  EXPECT_EQ(ClefA(6), kClefFa);
  EXPECT_EQ(Elts()[1].mesure, 2);
  // The first entry is never removed.
  SupprimeEltTabTonalite(staff, 0);
  SupprimeEltTabTonalite(staff, 99);
  EXPECT_EQ((*staff)->nbTonalites, 3);
}

TEST_F(TonaliteTest, RewritingInPlaceKeepsColourAndCount) {
  Changements();
  Elts()[1].couleurClef = 5;
  Tonalite f = Std(8);
  InsereEltTabTonalite(staff, 4, &f, nullptr, kVisibleArmure, kVisibleArmure, kLienTonaliteAucun);
  EXPECT_EQ((*staff)->nbTonalites, 3);
  EXPECT_EQ(Elts()[1].couleurClef, 5);
  EXPECT_EQ(StdA(4), 8);
  EXPECT_EQ(CvtMesureEnCouleurClef(staff, 4), 5);
  EXPECT_EQ(CvtMesureEnRappel(staff, 4), kVisibleArmure);
  // A new entry takes the values in force and colour 0.
  InsereEltTabTonalite(staff, 6, nullptr, nullptr, 0, 0, kLienTonaliteAucun);
  EXPECT_EQ((*staff)->nbTonalites, 4);
  EXPECT_EQ(StdA(6), 8);
  EXPECT_EQ(CvtMesureEnCouleurClef(staff, 6), 0);
  // Redundant entries go; shown ones stay.
  EXPECT_EQ(GarbageEltTabTonalite(staff), 1);
  EXPECT_EQ((*staff)->nbTonalites, 3);
  EXPECT_EQ(GarbageEltTabTonalite(staff), 0);
}

TEST_F(TonaliteTest, AnEmptyTableGetsItsBarZeroEntry) {
  DisposeTabTonalite(staff);
  EXPECT_EQ(CvtNumMesureEnLastIndxTabTonalite(staff, 3), -1);
  EXPECT_FALSE(CvtMesureEnFondVisible(staff, 3));
  Tonalite d = Std(2);
  Clef fa = StdClef(kClefFa);
  FixeTonaliteEtClefMesure(score, staff, 3, &d, &fa, 0, kVisibleArmure, 0, -1);
  ASSERT_EQ((*staff)->nbTonalites, 2);
  EXPECT_EQ(Elts()[1].lien, kLienTonaliteAucun);
  EXPECT_EQ(Elts()[0].mesure, 0);
  EXPECT_EQ(StdA(1), 0);
  EXPECT_EQ(ClefA(1), kClefSol);
  EXPECT_EQ(StdA(3), 2);
  EXPECT_TRUE(CvtMesureEnFondVisible(staff, 3));
}

TEST_F(TonaliteTest, SettingTheKeyInForceTransposesNothing) {
  Changements();
  AjouteSigne(staff, 60, 5 * kDureeRonde);
  AjouteSigne(staff, 62, kDureeRonde);
  AjouteSigne(staff, 64, kDureeRonde);
  Elts()[2].rappel = kVisibleClef;
  Tonalite d = Std(2);
  FixeTonaliteEtClefMesure(score, staff, 5, &d, nullptr, kTranspositionHaut, 0, kVisibleArmure, kLienTonaliteAucun);
  EXPECT_EQ((*staff)->nbTonalites, 4);
  int32_t n;
  Signe* notes = GetSignesPortee(staff, &n);
  EXPECT_EQ(notes[1].kind, 62);
  EXPECT_EQ(notes[2].kind, 64);
  EXPECT_EQ(Elts()[3].rappel, kVisibleClef);  // the entry at 8 is not rewritten
  // A real change moves the notes of its stretch, past the clef change that shows no key.
  Tonalite e = Std(4);
  FixeTonaliteEtClefMesure(score, staff, 5, &e, nullptr, kTranspositionHaut, 0, 0, kLienTonaliteAucun);
  notes = GetSignesPortee(staff, &n);
  EXPECT_EQ(notes[0].kind, 60);
  EXPECT_EQ(notes[1].kind, 64);
  EXPECT_EQ(notes[2].kind, 66);
  EXPECT_EQ(StdA(9), 4);  // the clef entry inside the stretch took the new key
}

TEST_F(TonaliteTest, AChangeCoversItsStretchUpToTheNextShownChange) {
  Changements();
  // An entry at 6 that shows nothing, and a shown key at 10.
  FixeVisibleMesure(score, staff, 6, 0, 0);
  Tonalite bb = Std(9);
  FixeTonaliteEtClefMesure(score, staff, 10, &bb, nullptr, 0, kVisibleArmure, 0, kLienTonaliteAucun);
  EXPECT_EQ(RechercheMesureEndChangeClefTonalite(score, staff, 4, nullptr, &bb), 10);
  EXPECT_EQ(RechercheMesureEndChangeClefTonalite(score, staff, 4, &Elts()[0].clef, nullptr), 8);
  EXPECT_EQ(RechercheMesureEndChangeClefTonalite(score, staff, 4, nullptr, nullptr), 4);
  EXPECT_EQ(RechercheMesureEndChangeClefTonalite(score, staff, 11, nullptr, &bb), 12);
  // A new key at 4 reaches the silent entry at 6 and the clef change at 8, not bar 10.
  Tonalite a = Std(3);
  FixeTonaliteMesure(score, staff, 4, &a, 0);
  EXPECT_EQ(StdA(6), 3);
  EXPECT_EQ(StdA(9), 3);
  EXPECT_EQ(ClefA(9), kClefFa);
  EXPECT_EQ(StdA(10), 9);
  EXPECT_EQ(CvtMesureEnVisible(staff, 4), kVisibleArmure);
}

TEST_F(TonaliteTest, DeletingTheFirstBarsFoldsTheNextChangeIntoTheFirstEntry) {
  Tonalite d = Std(2);
  int32_t lien = AjouteParamEffet(staff);
  FixeTonaliteEtClefMesure(score, staff, 4, &d, nullptr, 0, kVisibleArmure, 0, uint16_t(lien));
  uint32_t visible0 = Elts()[0].visible;
  DeleteMesureChangeTonalitePortee(staff, 0, 4);
  ASSERT_EQ((*staff)->nbTonalites, 1);
  EXPECT_EQ(Elts()[0].mesure, 0);
  EXPECT_EQ(Elts()[0].visible, visible0);
  EXPECT_EQ(StdA(0), 2);
  // The folded change keeps its attachments.
  EXPECT_EQ(Elts()[0].lien, lien);
  // Deleting everything after the first entry leaves it alone.
  DeleteMesureChangeTonalitePortee(staff, 0, 11);
  EXPECT_EQ((*staff)->nbTonalites, 1);
}

TEST_F(TonaliteTest, ScoreWideSettersPickTheirStaves) {
  Portee** tab = NewPortee(score, kTypePorteeTablature);
  Portee** drums = NewPortee(score, kTypePorteeBatterie);
  Portee** lyrics = NewPortee(score, kTypePorteeParole);
  Tonalite a = Std(3);
  FixeTonaliteMesure(score, nullptr, 2, &a, 0);
  for (Portee** p : {staff, tab}) EXPECT_EQ(CvtNumMesureEnIndxTabTonalite(p, 2), 1);
  for (Portee** p : {drums, lyrics}) EXPECT_EQ(CvtNumMesureEnIndxTabTonalite(p, 2), -1);
  EXPECT_EQ(FixeTonaliteMesure(score, drums, 2, &a, 0), 0);
  Clef fa = StdClef(kClefFa);
  EXPECT_EQ(FixeClefMesure(score, lyrics, 2, &fa, 0), 0);
  Tonalite e = Std(4);
  SetTonalitePartition(score, &e, kVisibleArmure | kVisibleClef);
  Tonalite k;
  CvtMesureEnTonalite(tab, 1, &k);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&k), 4);
  EXPECT_EQ(CvtMesureEnVisible(staff, 0), kVisibleArmure | kVisibleClef);
  EXPECT_EQ(StdA(2), 3);  // the later change stays
}

TEST_F(TonaliteTest, KaraokeLinesMapVersesBothWays) {
  // Without mapping every verse is on its own line.
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 2, 7), 7);
  EXPECT_EQ(CvtLigneAffichageKaraokeEnPassage(staff, 2, 7), 7);
  int16_t* lut = Elts()[0].lignesKaraoke;
  std::memset(lut, 0, sizeof(int16_t) * kNbPassagesKaraoke);
  lut[2] = -1;  // first two values 0: still no mapping
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 2, 2), 2);
  EXPECT_TRUE(IsCelluleKaraokeVisible(staff, 2, 2));
  for (int v = 0; v < kNbPassagesKaraoke; v++) lut[v] = int16_t(v < 3 ? v : v + 1);
  lut[1] = -1;  // verse 1 hidden; lines 0, 2, 4, 5 ...
  lut[2] = 2;
  struct Cas {
    int16_t verse, ligne;
  } cas[] = {{0, 0}, {1, -1}, {2, 2}, {3, 4}, {255, 256}, {-3, -3}, {300, 300}};
  for (const Cas& c : cas) EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 2, c.verse), c.ligne) << c.verse;
  EXPECT_FALSE(IsCelluleKaraokeVisible(staff, 2, 1));
  EXPECT_TRUE(IsCelluleKaraokeVisible(staff, 2, 3));
  EXPECT_EQ(CvtLigneAffichageKaraokeEnPassage(staff, 2, 4), 3);
  EXPECT_EQ(CvtLigneAffichageKaraokeEnPassage(staff, 2, 3), -1);  // no verse on line 3
  EXPECT_EQ(CvtLigneAffichageKaraokeEnPassage(staff, 2, 256), 256);
  // A new entry copies the table in force.
  InsereEltTabTonalite(staff, 5, nullptr, nullptr, 0, 0, kLienTonaliteAucun);
  EXPECT_EQ(CvtPassageKaraokeEnLigneAffichage(staff, 6, 3), 4);
}

TEST_F(TonaliteTest, ShownKeyAndClefAtALineStart) {
  Changements();
  Tonalite key, prev;
  Clef clef;
  bool keyShown, clefShown;
  CalculeTonaliteCleAfficheMesure(staff, 6, &key, &prev, &keyShown, &clef, &clefShown);
  EXPECT_TRUE(keyShown);
  EXPECT_TRUE(clefShown);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&key), 2);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&prev), 2);  // mid-stretch: no naturals
  EXPECT_EQ(clef.type, kClefSol);
  CalculeTonaliteCleAfficheMesure(staff, 4, &key, &prev, &keyShown, &clef, &clefShown);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&prev), 0);  // the change itself: C before it
  CalculeTonaliteCleAfficheMesure(staff, 9, &key, &prev, &keyShown, &clef, &clefShown);
  EXPECT_EQ(clef.type, kClefFa);
  EXPECT_EQ(CvtTonaliteEnTonaliteStd(&key), 2);
  EXPECT_TRUE(IsClefTonaliteChangeMesure(score, nullptr, 4));
  EXPECT_FALSE(IsClefTonaliteChangeMesure(score, nullptr, 5));
  FixeRappelMesure(score, staff, 8, kVisibleClef, kVisibleClef);
  EXPECT_TRUE(IsRappelMesure(score, nullptr, 8));
  EXPECT_EQ(CvtMesureEnVisible(staff, 8), kVisibleClef);  // the reminder kept the rest
  (*staff)->pasImprimee = 1;
  EXPECT_TRUE(IsRappelMesure(score, nullptr, 8));
  EXPECT_FALSE(IsRappelMesure(score, &doc->misesEnPage[0], 8));
}

TEST_F(TonaliteTest, KeyWidthsCountSignsAndNaturals) {
  // At 72 dpi a sign takes 72 / 12 pixels when the spaces are 0.
  struct Cas {
    int16_t de, vers;  // standard indexes; de -1: no previous key
    uint32_t style;
    int32_t signes;
  } cas[] = {
      {2, 8, 1, 3}, {2, 8, 2, 3}, {-1, 8, 2, 1}, {6, 13, 2, 12}, {6, 13, 1, 7}, {0, 0, 2, 0}, {7, 7, 2, 7},
  };
  for (const Cas& c : cas) {
    Tonalite de = Std(c.de < 0 ? 0 : c.de), vers = Std(c.vers);
    vers.styleAnnulation = c.style;
    EXPECT_EQ(CalculeLargeurEcranArmatureComplete(staff, &vers, c.de < 0 ? nullptr : &de, kVisibleArmure, nullptr),
              6 * c.signes)
        << c.de << " -> " << c.vers << " style " << c.style;
  }
  // Drums and volatile staves take no header.
  Tonalite d = Std(2);
  (*staff)->type = kTypePorteeBatterie;
  EXPECT_EQ(CalculeLargeurEcranArmatureComplete(staff, &d, nullptr, 7, nullptr), 0);
  (*staff)->type = kTypePorteeStandard;
  (*staff)->typeVolatile = 1;
  EXPECT_EQ(CalculeLargeurEcranArmatureComplete(staff, &d, nullptr, 7, nullptr), 0);
  (*staff)->typeVolatile = 0;
}

TEST_F(TonaliteTest, HeaderWidthsAtBarsLineStartsAndCourtesies) {
  Changements();
  DivisionTemporelle division;
  CvtMesureEnDivisionTemporelle(score, 0, &division);
  int16_t clef = CalculeLargeurEcranArmatureComplete(staff, nullptr, nullptr, kVisibleClef, nullptr);
  int16_t signature = CalculeLargeurEcranArmatureComplete(staff, nullptr, nullptr, kVisibleSignature, &division);
  EXPECT_GT(clef, 0);
  EXPECT_GT(signature, 0);
  // Measured with the music font at the staff's size: the glyph's own width.
  CGrafPtr ancien = SetPortTemporaire();
  SetFontVellari(72);
  TextSize(72);
  TextFace(0);
  EXPECT_EQ(clef, CharWidthCaractereMusical(38));
  EXPECT_EQ(signature, TextWidthCaractereMusical("4"));
  SetPort(reinterpret_cast<GrafPtr>(ancien));

  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(CalculeTailleClePixelEcranPorteeMesure(score, nullptr, 0), clef + signature);
  EXPECT_EQ(CalculeTailleClePixelEcranPorteeMesure(score, nullptr, 3), 0);
  EXPECT_EQ(CalculeTailleClePixelEcranPorteeMesure(score, nullptr, 4), 2 * 6);
  EXPECT_EQ(CalculeTailleClePixelEcranPorteeMesure(score, nullptr, 8), clef);
  EXPECT_EQ(Ligne(4).largeurCleArmure, 12);
  EXPECT_EQ(CalculeMaxTailleClePixelEcran(score), clef + signature);
  // A line starting at bar 9 shows the bass clef and D major.
  EXPECT_EQ(CalculeLargeurEcranCleDebutLigneImpression(score, 9), clef + 2 * 6);
  // Courtesy signs before bar 4: the two sharps.
  EXPECT_EQ(CalculeLargeurEcranCleRappel(score, 4), 0);
  FixeRappelMesure(score, staff, 4, kVisibleArmure, kVisibleArmure);
  EXPECT_EQ(CalculeLargeurEcranCleRappel(score, 4), 2 * 6);
  EXPECT_EQ(CalculeLargeurEcranCleRappel(score, 0), 0);
}

}  // namespace

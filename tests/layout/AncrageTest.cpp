// Anchors of staff objects: absolute positions to note and bar anchors and back.
#include "model/BarTableFixtures.h"

namespace {

struct AncrageTest : BarTableTest {
  // Six bars of 4/4 and four quarter notes (ids 101 to 104) in the first.
  Portee** Portee4Noires() {
    Mesures(6);
    Portee** staff = Portee0();
    for (int i = 0; i < 4; i++) {
      AjouteSigne(staff, 60, 40320);
      reinterpret_cast<Signe*>(*(*staff)->notes)[i].id = 101 + i;
    }
    return staff;
  }
};

TEST_F(AncrageTest, BarAnchorsAreBarTimesTenThousandPlusTheFraction) {
  Portee** staff = Portee4Noires();
  const int32_t debut3 = CvtMesureEnPixelRubanDebutMesure(score, 3);
  const int32_t largeur3 = CvtMesureEnPixelRubanDebutMesure(score, 4) - debut3;
  ASSERT_EQ(largeur3, 176);
  int32_t decalage = -7;
  EXPECT_EQ(AireAbsolueToRelative(score, staff, true, debut3 * 32, false, &decalage), 30000);
  EXPECT_EQ(decalage, 0);
  EXPECT_EQ(AireAbsolueToRelative(score, staff, true, (debut3 + 88) * 32, false, &decalage), 35000);
  for (int32_t anchor : {30000, 35000, 20250}) {
    int32_t value = 0;
    AireRelativeToAbsolue(score, staff, true, false, anchor, 0, &value);
    EXPECT_EQ(AireAbsolueToRelative(score, staff, true, value, false, &decalage), anchor);
  }
  int32_t value = 0;
  AireRelativeToAbsolue(score, staff, true, false, 35000, 0, &value);
  EXPECT_EQ(value, (debut3 + 88) * 32);
  // Bars exist only on the piano roll: the tick form anchors nothing.
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 40320, false, &decalage), -1);
}

TEST_F(AncrageTest, NoteAnchorsInTicks) {
  Portee** staff = Portee4Noires();
  int32_t decalage = -7;
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 40320, true, &decalage), 102);
  EXPECT_EQ(decalage, 0);
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 50000, true, &decalage), 102);
  EXPECT_EQ(decalage, 50000 - 40320);
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 0, true, &decalage), 101);
  EXPECT_EQ(decalage, 0);
  int32_t value = 0;
  AireRelativeToAbsolue(score, staff, false, true, 102, 9680, &value);
  EXPECT_EQ(value, 50000);
  // Past the last note: anchored to it.
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 200000, true, &decalage), 104);
  EXPECT_EQ(decalage, 200000 - 120960);
}

TEST_F(AncrageTest, NoteAnchorsInPianoRollPixels) {
  Portee** staff = Portee4Noires();
  const int32_t x1 = CvtTempsEnPixelRuban(score, 40320);
  int32_t decalage = 0;
  EXPECT_EQ(AireAbsolueToRelative(score, staff, true, (x1 + 5) * 32, true, &decalage), 102);
  EXPECT_EQ(decalage, 5);
  int32_t value = 0;
  AireRelativeToAbsolue(score, staff, true, true, 102, 5, &value);
  EXPECT_EQ(value, (x1 + 5) * 32);
  // Exactly on a note's start: that note.
  EXPECT_EQ(AireAbsolueToRelative(score, staff, true, x1 * 32, true, &decalage), 102);
  EXPECT_EQ(decalage, 0);
}

TEST_F(AncrageTest, WhatCannotBeAnchoredIsLeftAlone) {
  Portee** staff = Portee4Noires();
  int32_t value = 1234;
  AireRelativeToAbsolue(score, staff, false, true, -1, 0, &value);
  AireRelativeToAbsolue(score, staff, false, true, 999, 0, &value);     // no such note
  AireRelativeToAbsolue(score, staff, false, false, 30000, 0, &value);  // bar anchors are pixels
  EXPECT_EQ(value, 1234);
  int32_t decalage = 3;
  EXPECT_EQ(AireAbsolueToRelative(nullptr, staff, true, 0, true, &decalage), -1);
  EXPECT_EQ(decalage, 0);
  // A staff without notes anchors nothing to a note.
  (*staff)->nbNotes = 0;
  EXPECT_EQ(AireAbsolueToRelative(score, staff, false, 40320, true, &decalage), -1);
  (*staff)->nbNotes = 4;
}

}  // namespace

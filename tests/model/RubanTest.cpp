// Piano-roll coordinates: zoom, ticks and bars to piano-roll x and back,
// staff bands, and the maps between piano roll and page on a small
// multi-staff score.
#include "BarTableFixtures.h"
#include "model/Tonalite.h"

namespace {

TEST_F(BarTableTest, PianoRollZoomNeverLosesALength) {
  EXPECT_EQ(ZoomRuban(score, 40), 40);
  (*score)->zoom = 36;
  EXPECT_EQ(ZoomRuban(score, 40), 20);
  EXPECT_EQ(ZoomRuban(score, 1), 1);
  EXPECT_EQ(ZoomRuban(score, -1), -1);
  EXPECT_EQ(ZoomRuban(score, 0), 0);
  EXPECT_EQ(DeZoomRuban(score, 20), 40);
  (*score)->zoom = 18;
  EXPECT_EQ(ZoomRuban(score, 1), 1);
  SetNoNullZoomResult(false);
  EXPECT_EQ(ZoomRuban(score, 1), 0);
  SetNoNullZoomResult(true);
  // A damaged zoom counts as 100 %.
  (*score)->zoom = 0;
  EXPECT_EQ(ZoomRuban(score, 40), 40);
  EXPECT_EQ(DeZoomRuban(score, 40), 40);
  (*score)->zoom = 72;
}

TEST_F(BarTableTest, TicksOnThePianoRoll) {
  Mesures(6);
  // A quarter note is 40 pixels at zoom 72 (rounded, not truncated).
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 0), 16);
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 40320), 56);
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 161280 + 40320), 176 + 56);
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 1), 16);  // one tick is no pixel
  EXPECT_EQ(CvtTempsEnPixelRuban(score, -40320), -40);
  // Past the end: a margin per missing bar, then the time beyond the last bar.
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 161280 * 7), 16 + 880 + 160 + 2 * 16 + 160);
  EXPECT_EQ(CvtMesureEnPixelRubanDebutMesure(score, 8), 1056 + 2 * 176);
  EXPECT_EQ(CvtMesureEnPixelRuban(score, 8), 1056 + 2 * 176 + 16);
  EXPECT_EQ(CvtMesureEnPixelRuban(score, 2), 368);
  EXPECT_EQ(CvtMesureEnTaillePixelRuban(score, 9), 176);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesureRuban(score, 9), 0);
  EXPECT_EQ(CalculeMargeDebutMesureRuban(score, 9), 16);
  EXPECT_EQ(CvtMesureEnTailleUtileMesureRuban(score, 9), 160);
  EXPECT_EQ(CvtMesureEnTailleRubanClePixel(score, 1), 0);

  // At zoom 36 the whole table halves.
  (*score)->zoom = 36;
  SetTabEltMesureModifie(score, kTabEltEspacement);
  EXPECT_EQ(CvtTempsEnPixelRuban(score, 40320), 8 + 20);
  (*score)->zoom = 72;
}

TEST_F(BarTableTest, PianoRollXBackToBarsAndTicks) {
  Mesures(6);
  // The first half of a header belongs to the previous bar's end.
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 880 + 16 / 2 - 1), 5 * 161280 - 2);
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 880 + 16 / 2), 5 * 161280);
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 0), -2);
  for (int32_t t = 0; t < 6 * 161280; t += 20160)
    EXPECT_EQ(CvtPixelRubanEnTemps(score, CvtTempsEnPixelRuban(score, t)), t) << t;
  // The music's last pixel, then the next bar's header.
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 175), 160272);
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 176), 161278);
  // A point in the right margin counts as the music's last pixel.
  // The margin is taken from the bar's own width.
  FixeMargeDroiteMesure(score, 0, 8);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(Ligne(0).largeurMusique, 152);
  EXPECT_EQ(Ligne(0).largeurTotale, 176);
  int32_t fin = CvtPixelRubanEnTemps(score, 16 + 151);
  EXPECT_EQ(CvtPixelRubanEnTemps(score, 172), fin);

  EXPECT_EQ(CvtPixelRubanEnMesure(score, -50), 0);
  EXPECT_EQ(CvtPixelRubanEnMesure(score, 175), 0);
  EXPECT_EQ(CvtPixelRubanEnMesure(score, 176), 1);
  EXPECT_EQ(CvtPixelRubanEnMesure(score, 1000), 5);
}

TEST_F(BarTableTest, PastTheEndOfThreeBars) {
  Mesures(3);
  // Two and a half extrapolated bar widths past the end of bar 2 is bar 5.
  EXPECT_EQ(CvtPixelRubanEnMesure(score, 528 + 440), 5);
  EXPECT_EQ(CvtPixelRubanEnMesure(score, 527), 2);
  EXPECT_EQ(CvtPixelRubanEnTemps(score, CvtMesureEnPixelRuban(score, 5)), 5 * 161280);
  // Single precision: a bar of 10655/64 is 26637 pixels past the end (26638
  // in double precision), plus the margin.
  FixeSignature(2, 10655, 64);
  EXPECT_EQ(CvtMesureEnTaillePixelRuban(score, 4), 26637 + 16);
}

// Three staves: two merged (the first opens the group, the second closes it)
// and a third below; heights 40, 30 and 20.
struct BandesTest : BarTableTest {
  Portee** p[3] = {};
  void SetUp() override {
    Mesures(4);
    for (int i = 0; i < 3; i++) {
      p[i] = NewPortee(score, kTypePorteeStandard);
      (*p[i])->affichee = 1;
      (*p[i])->modeFusion = kFusionAucune;
      (*p[i])->fusionneAvecSuivante = 0;
      // No clef, key or time signature: the bars start right after their margin.
      FixeVisibleMesure(score, p[i], 0, 0, kVisibleClef | kVisibleArmure | kVisibleSignature);
    }
    (*p[0])->hauteurBaseRuban = 40;
    (*p[1])->hauteurBaseRuban = 30;
    (*p[2])->hauteurBaseRuban = 20;
    (*p[2])->decalageLigneBasBaseRuban = 12;
  }
};

TEST_F(BandesTest, BandsStackMergeAndSkipHiddenStaves) {
  CalculeAireRubanPorteesPartition(score);
  EXPECT_EQ((*p[1])->aireRuban.top, 40);
  EXPECT_EQ((*p[2])->aireRuban.top, 70);
  EXPECT_EQ((*p[2])->aireRuban.bottom, 90);
  EXPECT_EQ((*p[2])->decalageLigneBasRuban, 12);
  EXPECT_FLOAT_EQ((*p[2])->interligneRuban, 6.0f);
  EXPECT_EQ((*p[2])->huitiemeRuban, 9);
  EXPECT_EQ((*p[2])->quinziemeRuban, 4);
  int32_t tete = (*p[2])->largeurNoteRuban;
  EXPECT_GT(tete, 0);
  // Twice the zoom: twice the sizes, and a head about twice as wide.
  (*score)->zoom = 144;
  CalculeAireRubanPorteesPartition(score);
  EXPECT_EQ((*p[2])->aireRuban.bottom - (*p[2])->aireRuban.top, 40);
  EXPECT_EQ((*p[2])->decalageLigneBasRuban, 24);
  EXPECT_FLOAT_EQ((*p[2])->interligneRuban, 12.0f);
  EXPECT_NEAR((*p[2])->largeurNoteRuban, 2 * tete, 2);
  (*score)->zoom = 72;
  CalculeAireRubanPorteesPartition(score);

  // A hidden staff has an empty band and does not move the next.
  (*p[1])->affichee = 0;
  CalculeAireRubanPorteesPartition(score);
  EXPECT_EQ((*p[1])->aireRuban.top, 40);
  EXPECT_EQ((*p[1])->aireRuban.bottom, 40);
  EXPECT_EQ((*p[1])->hauteurRuban, 0);
  EXPECT_EQ((*p[2])->aireRuban.top, 40);
  (*p[1])->affichee = 1;

  Fusionne(score, 0, 1, 1);
  CalculeAireRubanPorteesPartition(score);
  EXPECT_EQ((*p[1])->aireRuban.top, 0);
  EXPECT_EQ((*p[1])->aireRuban.bottom, 40);
  EXPECT_EQ((*p[1])->hauteurRuban, 40);
  EXPECT_EQ((*p[2])->aireRuban.top, 40);

  struct Cas {
    int32_t y;
    int16_t index;
  } cas[] = {{-1, -1}, {0, 1}, {39, 1}, {40, 2}, {59, 2}, {500, 2}};
  for (const Cas& c : cas) {
    EXPECT_EQ(CvtPosYRubanEnIndexPortee(score, c.y), c.index) << c.y;
    EXPECT_EQ(CvtPtRubanEnIndexPortee(doc, nullptr, BigPt{0, c.y}, false), c.index) << c.y;
  }
  // With the flag the walk goes on to a shown staff outside the group's
  // members: down below the reference line, up above it.
  EXPECT_EQ(CvtPtRubanEnIndexPortee(doc, nullptr, BigPt{0, 30}, true), 1);
  (*p[1])->affichee = 0;
  EXPECT_EQ(CvtPtRubanEnIndexPortee(doc, nullptr, BigPt{0, 30}, true), 2);
  (*p[1])->decalageLigneBasRuban = 35;
  EXPECT_EQ(CvtPtRubanEnIndexPortee(doc, nullptr, BigPt{0, 30}, true), 1);  // none above: its own
}

TEST_F(BandesTest, PianoRollAndPageMapOntoEachOther) {
  CalculeAireRubanPorteesPartition(score);
  // Nothing left to rebuild: a rebuild in print mode would paginate and
  // replace the print table made below.
  UpdateTabEltMesure(score, kTabEltTout);
  // The print table: the same bars at twice the size, with a bar line.
  (*score)->tabEltMesure[2] = DupHandle((*score)->tabEltMesure[0]);
  ZoomeTabEltMesure(score, (*score)->tabEltMesure[2], 2.0f);
  TabEltMesure* S = GetLignesTabElt((*score)->tabEltMesure[2]);
  EXPECT_EQ(S[3].debutX, 3 * 352);
  EXPECT_EQ(S[1].largeurMusique, 320);
  S[1].largeurRupture = 4;
  S[1].largeurEntete = 32;
  (*score)->modeEcran = 2;

  struct Cas {
    int32_t ruban, page;
  } cas[] = {{0, 0}, {176, 352}, {192, 384}, {272, 544}, {351, 702}, {540, 1080}};
  for (const Cas& c : cas) {
    EXPECT_EQ(CvtPixelRubanEnPixelEcran(score, c.ruban), c.page) << c.ruban;
    EXPECT_EQ(CvtPixelEcranEnPixelRuban(score, c.page), c.ruban) << c.page;
  }
  // Inside the header: the bar line (no piano-roll width) maps to its start,
  // the rest of the header proportionally.
  EXPECT_EQ(CvtPixelRubanEnPixelEcran(score, 184), 352 + 4 + 8 * 28 / 16);
  // Past the bar count, the bases lie two widths beyond the last bar's start.
  EXPECT_EQ(CvtPixelRubanEnPixelEcran(score, 528 + 2 * 176 + 10), 1056 + 2 * 352 + 20);
  // In the ribbon mode both axes are the same.
  (*score)->modeEcran = 0;
  EXPECT_EQ(CvtPixelRubanEnPixelEcran(score, 272), 272);
  EXPECT_EQ(CvtPixelEcranEnPixelRuban(score, 544), 544);
  (*score)->modeEcran = 2;

  // A piano-roll point on the third staff, whose page staff is twice as big.
  Portee* t = *p[2];
  t->rect.left = 30;
  t->yEcran = 100;
  t->decalageLigneBas = 24;
  t->interligne = 12.0f;
  Point pt;
  CvtPtRubanEnPtEcranDansPorteeOffset(doc, p[2], 0, BigPt{272, 62}, &pt);
  EXPECT_EQ(pt.h, 30 + 544);
  EXPECT_EQ(pt.v, 100 + 24 - 2 * (12 + 70 - 62));
  Rect r;
  BigRect aire{272, 352, 62, 72};
  CvtAireRubanEnAireEcranDansPorteeOffset(doc, p[2], 0, &aire, &r);
  EXPECT_EQ(r.left, 574);
  EXPECT_EQ(r.right, 30 + 702 + 1);
  EXPECT_EQ(r.top, 84);
  EXPECT_EQ(r.bottom, 100 + 24 + 2 * (71 - 82) + 1);
  // Page points are clamped.
  CvtPtRubanEnPtEcranDansPorteeOffset(doc, p[2], 0, BigPt{272, -100000}, &pt);
  EXPECT_EQ(pt.v, -32000);

  // The window mode places points by the staff's band.
  (*score)->modeEcran = 0;
  ASSERT_TRUE(CvtPtRubanEnPtEcran(doc, BigPt{272, 75}, &pt, nullptr));
  EXPECT_EQ(pt.h, 30 + 272);
  EXPECT_EQ(pt.v, 100 + 5);
  (*score)->modeEcran = 2;
  // No page system holds it until pagination places points.
  EXPECT_FALSE(CvtPtRubanEnPtEcran(doc, BigPt{272, 75}, &pt, nullptr));
  EXPECT_EQ(pt.h, -1);
}

TEST_F(BandesTest, AnchoredObjectAreas) {
  CalculeAireRubanPorteesPartition(score);
  Portee* t = *p[2];
  t->uniteObjet = 2.0f;
  AireObjet a{40320, 161280, -10, 4};
  BigRect r;
  CalculeAireObjetRuban(p[2], &a, false, 3, -2, &r);
  EXPECT_EQ(r.left, 56 + 3);
  EXPECT_EQ(r.right, 192 - 2);
  // 6 x 0.01 x height x 100 / 2, then the reference offset and the band top.
  EXPECT_EQ(r.top, -30 + 12 + 70);
  EXPECT_EQ(r.bottom, 12 + 12 + 70);
  // Pixel-anchored: piano-roll pixels x 32, no shifts.
  AireObjet px{32 * 100, 32 * 150, 0, 0};
  CalculeAireObjetRuban(p[2], &px, true, 3, 3, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 150);

  Rect e;
  t->rect.left = 30;
  t->yEcran = 100;
  t->decalageLigneBas = 24;
  t->interligne = 12.0f;
  EXPECT_TRUE(CvtAireObjetEnAireEcran(doc, p[2], 0, &a, 3, -2, false, &e));
  EXPECT_EQ(e.left, 30 + 56 + 3);
  EXPECT_EQ(e.right, 30 + 192 - 2);
  EXPECT_EQ(e.top, 100 + 24 - 60);
  EXPECT_EQ(e.bottom, 100 + 24 + 24);
  EXPECT_TRUE(CvtAireObjetEnAireEcran(doc, p[2], 0, &px, 0, 0, true, &e));
  EXPECT_EQ(e.left, 130);
  EXPECT_EQ(e.right, 130 + 50);
}

}  // namespace

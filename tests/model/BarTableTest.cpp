// The bar element table: appending rows, numbering, the dirty-bit protocol,
// the pixel pass, inserting and deleting bars, field setters and divisions.
#include "BarTableFixtures.h"

namespace {

TEST_F(BarTableTest, AppendingToAnEmptyTableGivesFourFourBars) {
  Mesures(4);
  ASSERT_EQ(NbLignes(), 4);
  for (int32_t i = 0; i < 4; i++) {
    const TabEltMesure& e = Ligne(i);
    EXPECT_EQ(e.debutTemps, uint32_t(161280 * i)) << i;
    EXPECT_EQ(e.echelle, 1000);
    EXPECT_EQ(e.margeGauche, 16);
    EXPECT_EQ(e.margeDroite, 0);
    EXPECT_EQ(e.echelleZorodava, 1000u);
    EXPECT_EQ(e.division.numerateur, 4);
    EXPECT_EQ(e.division.denominateur, 4);
    EXPECT_EQ(e.division.partieAdditive1, 4);
    EXPECT_EQ(e.division.denominateurAdditif, 4);
    EXPECT_EQ(e.division.octet2, 1);
    EXPECT_EQ(e.division.groupePar4, 1);
    EXPECT_EQ(e.division.masqueAccroche[0], 7);  // beams break after beats 1, 2 and 3
    EXPECT_EQ(e.numeroMesure, i + 1);
  }
  EXPECT_EQ(CvtMesureEnTemps(score, 1), 161280);
  EXPECT_EQ(CvtMesureEnTemps(score, 3), 483840);
}

TEST_F(BarTableTest, AppendedRowsTakeTheirSettingsFromTheLastBar) {
  Mesures(2);
  // (3+2)/8 becomes 5/8.
  Ligne(1).division.numerateur = 3;
  Ligne(1).division.denominateur = 8;
  Ligne(1).division.partieAdditive1 = 3;
  Ligne(1).division.partieAdditive2 = 2;
  Ligne(1).division.denominateurAdditif = 8;
  Ligne(1).echelle = 1500;
  Ligne(1).margeGauche = 30;
  ASSERT_TRUE(AddEltTabEltMesureRubanCurView(score, 2));
  EXPECT_EQ(Ligne(2).division.numerateur, 5);
  EXPECT_EQ(Ligne(2).division.denominateur, 8);
  EXPECT_EQ(Ligne(2).division.partieAdditive2, 2);
  EXPECT_EQ(Ligne(3).echelle, 1500);
  EXPECT_EQ(Ligne(3).margeGauche, 30);
  // Start times run on with each new row's own length.
  EXPECT_EQ(Ligne(2).debutTemps, 161280u + 60480u);
  EXPECT_EQ(Ligne(3).debutTemps, 161280u + 60480u + 100800u);

  // A cut bar: its second part is not counted; new rows copy the first part.
  Ligne(3).continueLigneSuivante = 1;
  ASSERT_TRUE(AddEltTabEltMesureRubanCurView(score, 1));
  Ligne(4).nonComptee = 1;
  Ligne(4).echelle = 300;
  Ligne(3).echelle = 900;
  ASSERT_TRUE(AddEltTabEltMesureRubanCurView(score, 1));
  EXPECT_EQ(Ligne(5).echelle, 900);
}

TEST_F(BarTableTest, NumberingRestartsSkipsAndHides) {
  Mesures(8);
  Ligne(2).numeroRedemarrage = 10;
  RecalculeNumeroMesures(score);
  EXPECT_EQ(Ligne(0).numeroMesure, 1);
  EXPECT_EQ(Ligne(1).numeroMesure, 2);
  EXPECT_EQ(Ligne(2).numeroMesure, 10);
  EXPECT_EQ(Ligne(3).numeroMesure, 11);

  Ligne(2).numeroRedemarrage = 0;
  Ligne(4).nonComptee = 1;  // after the bar numbered 4
  Ligne(4).numeroGarde = 1;
  RecalculeNumeroMesures(score);
  EXPECT_EQ(Ligne(3).numeroMesure, 4);
  EXPECT_EQ(Ligne(4).numeroMesure, 5);
  EXPECT_EQ(Ligne(5).numeroMesure, 5);
  Ligne(4).numeroGarde = 0;
  Ligne(6).numeroCache = 1;
  RecalculeNumeroMesures(score);
  EXPECT_EQ(Ligne(4).numeroMesure, 0);
  EXPECT_EQ(Ligne(5).numeroMesure, 5);
  EXPECT_EQ(Ligne(6).numeroMesure, 0);  // hidden, but counted
  EXPECT_EQ(Ligne(7).numeroMesure, 7);
}

TEST_F(BarTableTest, DirtyMarksFollowTheProtocol) {
  Mesures(2);
  ASSERT_EQ((*score)->masqueModifieTabElt, 0);
  // Ignored while recomputation is off, and an update then does nothing.
  DisableCalculTabElt(score);
  SetTabEltMesureModifie(score, kTabEltTout);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);
  EnableCalculTabElt(score);
  SetTabEltMesureModifie(score, kTabEltTemps);
  DisableCalculTabElt(score);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltTemps);
  EnableCalculTabElt(score);
  EnableCalculTabElt(score);  // never below 0
  EXPECT_EQ((*score)->reentranceTabElt, 0);
  // An update clears only the bits it was asked for.
  SetTabEltMesureModifie(score, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltTemps);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);

  // Disabled bits are never marked; lifting a disabled spacing bit owes it.
  SetDisableMaskTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  SetTabEltMesureModifie(score, kTabEltTout);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltTemps);
  SetDisableMaskTabEltMesureModifie(score, 0);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltTemps | kTabEltEspacement);
  SetDisableMaskTabEltMesureModifie(score, kTabEltMarges);
  UpdateTabEltMesure(score, kTabEltTout);
  SetDisableMaskTabEltMesureModifie(score, 0);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);  // spacing was not disabled

  // The screen table is returned as it stands unless an update is asked.
  Handle table = (*score)->tabEltMesure[0];
  SetTabEltMesureModifie(score, kTabEltTout);
  EXPECT_EQ(GetTabEltMesureEcran(score), table);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltTout);
  (*score)->modeEcran = 4;
  EXPECT_EQ(GetTabEltMesureEcran(score), nullptr);
  (*score)->modeEcran = 0;
}

TEST_F(BarTableTest, AnUpdateWithoutADocumentLowersItsGuard) {
  Mesures(3);
  Document* d = (*score)->document;
  (*score)->document = nullptr;
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ((*score)->reentranceTabElt, 0);
  // Marks are taken again afterwards.
  SetTabEltMesureModifie(score, kTabEltEspacement);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltTout);
  (*score)->document = d;
}

TEST_F(BarTableTest, AnUpdateCoversTheWrittenMusic) {
  Portee** staff = Portee0();
  for (int i = 0; i < 10; i++) AjouteSigne(staff, 60, 80640);  // five bars of half notes
  SetTabEltMesureModifie(score, kTabEltTout);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(NbLignes(), 5);
  // The rows it appended marked the table dirty from inside the update:
  // those marks were dropped.
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);
  EXPECT_EQ((*score)->reentranceTabElt, 0);
  EXPECT_EQ((*score)->nbMesures, 5);
  EXPECT_EQ(Ligne(4).debutTemps, 4u * 161280u);
}

TEST_F(BarTableTest, ThePixelPassLaysBarsOutAtTheScoreZoom) {
  Mesures(4);
  // At 72 dpi a 4/4 bar is 160 pixels of music after a 16-pixel header.
  for (int32_t i = 0; i < 4; i++) {
    EXPECT_EQ(Ligne(i).largeurEntete, 16);
    EXPECT_EQ(Ligne(i).largeurMusique, 160);
    EXPECT_EQ(Ligne(i).largeurTotale, 176);
    EXPECT_EQ(Ligne(i).debutX, 176 * i);
    EXPECT_FLOAT_EQ(Ligne(i).etirement, 999.999f);
  }
  // Twice the zoom, twice the widths; the destination resolution comes back.
  (*score)->zoom = 144;
  SetTabEltMesureModifie(score, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltEspacement);
  EXPECT_EQ(GetDpiDest(), 72);
  EXPECT_EQ(Ligne(1).largeurEntete, 32);
  EXPECT_EQ(Ligne(1).largeurMusique, 320);
  EXPECT_EQ(Ligne(2).debutX, 704);
  (*score)->zoom = 72;

  // Scale, right margin, a collapsed bar and a bar too short for a pixel.
  Ligne(0).echelle = 500;
  Ligne(1).margeDroite = 16;
  Ligne(2).sansLargeur = 1;
  FixeSignature(3, 1, 32767);
  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(Ligne(0).largeurMusique, 80);
  EXPECT_EQ(Ligne(1).largeurMargeDroite, 16);
  EXPECT_EQ(Ligne(1).largeurMusique, 144);
  EXPECT_EQ(Ligne(1).largeurTotale, 176);
  EXPECT_FLOAT_EQ(CalculeEchelleEcranMesure(score, &Ligne(1)), 899.999f);
  EXPECT_EQ(Ligne(2).largeurTotale, 0);
  EXPECT_FLOAT_EQ(Ligne(2).etirement, 1.0f);
  EXPECT_EQ(Ligne(3).debutX, Ligne(2).debutX);
  EXPECT_EQ(Ligne(3).debutX, 96 + 176);
  EXPECT_FLOAT_EQ(Ligne(3).etirement, 10.0f);
  EXPECT_EQ(Ligne(3).debutTemps, 3u * 161280u);
}

TEST_F(BarTableTest, ThePixelPassStopsAtItsLimitAndLeavesAResumePoint) {
  Mesures(6);
  for (int32_t i = 0; i < 6; i++) Ligne(i).debutX = -1;
  Ligne(3).sansLargeur = 1;
  // The middle of bar 1 (176 + 88 - 5) passes 200: bar 2 is not computed
  // and only receives the point to resume from.
  CalculePosTempsPixelTabElt(score, nullptr, (*score)->tabEltMesure[0], 0, 6, 72, 200);
  EXPECT_EQ(Ligne(1).debutX, 176);
  EXPECT_EQ(Ligne(2).debutX, 352);
  EXPECT_EQ(Ligne(2).debutTemps, 2u * 161280u);
  EXPECT_EQ(Ligne(2).largeurTotale, 176);  // left from the full pass
  EXPECT_EQ(Ligne(4).debutX, -1);
  // Resuming from bar 2 continues where it stopped.
  CalculePosTempsPixelTabElt(score, nullptr, (*score)->tabEltMesure[0], 2, 6, 72, -1);
  EXPECT_EQ(Ligne(4).debutX, 528);
  EXPECT_EQ(Ligne(5).debutX, 704);
}

TEST_F(BarTableTest, InsertingBarsWithADivision) {
  Mesures(4);
  DivisionTemporelle troisQuatre;
  GetDivisionTemporelleDefaut(&troisQuatre);
  troisQuatre.numerateur = troisQuatre.partieAdditive1 = 3;
  InsereMesureChangeEchelleMesure(score, 1, 2, true, &troisQuatre);
  ASSERT_EQ(NbLignes(), 6);
  EXPECT_EQ((*score)->nbMesures, 6);
  const uint32_t attendus[6] = {0, 161280, 282240, 403200, 564480, 725760};
  for (int32_t i = 0; i < 6; i++) EXPECT_EQ(Ligne(i).debutTemps, attendus[i]) << i;
  EXPECT_EQ(Ligne(1).signatureVisible, 1);
  EXPECT_EQ(Ligne(2).signatureVisible, 0);
  EXPECT_EQ(Ligne(3).signatureVisible, 1);  // back to 4/4
  EXPECT_EQ(Ligne(5).numeroMesure, 6);
  EXPECT_EQ(CvtTempsEnMesure(score, 300000), 2);

  // Deleting everything leaves one bar.
  DeleteMesureChangeEchelleMesure(score, 0, 100);
  EXPECT_EQ(NbLignes(), 1);
  EXPECT_EQ((*score)->nbMesures, 1);
  EXPECT_EQ(GetNbLignesTabElt((*score)->tabEltMesure[0]), 1);
}

TEST_F(BarTableTest, DeletingBarsInTheMiddle) {
  Mesures(6);
  Ligne(4).echelle = 700;
  DeleteMesureChangeEchelleMesure(score, 1, 2);
  ASSERT_EQ(NbLignes(), 4);
  EXPECT_EQ((*score)->nbMesures, 4);
  EXPECT_EQ(Ligne(2).echelle, 700);
  EXPECT_EQ(Ligne(3).debutTemps, 3u * 161280u);
  EXPECT_EQ(Ligne(3).numeroMesure, 4);
}

TEST_F(BarTableTest, EveryViewGetsTheNewRows) {
  // Two views beside the base view; the base view is current.
  doc->vues = NewHandleClear(Size(2 * sizeof(Vue)));
  doc->indexVueCourante = -1;
  Mesures(3);
  for (int16_t v = -1; v < 2; v++) {
    Vue* vue = GetVueDocument(doc, v);
    EXPECT_EQ(vue->nbMesures, 3) << v;
    EXPECT_EQ(GetNbLignesTabElt(vue->tabEltMesure), 3) << v;
  }
  EXPECT_EQ(NbLignes(), 3);
  DeleteMesureChangeEchelleMesure(score, 0, 1);
  EXPECT_EQ(GetNbLignesTabElt(GetVueDocument(doc, 1)->tabEltMesure), 2);
  EXPECT_EQ(NbLignes(), 2);
}

TEST_F(BarTableTest, AChangeReachesEveryViewWhenAnotherViewIsShown) {
  // View 0 is shown: the base view and view 1 hold their own tables, which
  // the change must reach without taking the shown one's place.
  doc->vues = NewHandleClear(Size(2 * sizeof(Vue)));
  doc->indexVueCourante = 0;
  Mesures(4);
  // View 1 keeps a different layout: a scale the others do not have.
  GetLignesTabElt(GetVueDocument(doc, 1)->tabEltMesure)[0].echelle = 700;
  DivisionTemporelle troisQuatre;
  GetDivisionTemporelleDefaut(&troisQuatre);
  troisQuatre.numerateur = troisQuatre.partieAdditive1 = 3;
  FixeDivisionMesurePartition(score, 5, &troisQuatre, 1, false);

  ASSERT_EQ(NbLignes(), 6);
  EXPECT_EQ(Ligne(5).division.numerateur, 3);
  EXPECT_EQ(Ligne(0).echelle, 1000);
  for (int16_t v = -1; v < 2; v++) {
    Vue* vue = GetVueDocument(doc, v);
    ASSERT_EQ(vue->nbMesures, 6) << v;
    ASSERT_EQ(GetNbLignesTabElt(vue->tabEltMesure), 6) << v;
    const TabEltMesure* r = GetLignesTabElt(vue->tabEltMesure);
    EXPECT_EQ(r[5].division.numerateur, 3) << v;
    EXPECT_EQ(r[4].division.numerateur, 4) << v;
    EXPECT_EQ(r[0].echelle, v == 1 ? 700 : 1000) << v;
    EXPECT_NE(vue->tabEltMesure, (*score)->tabEltMesure[0]) << v;
  }
}

TEST_F(BarTableTest, BarCountsAreBounded) {
  Mesures(2);
  EXPECT_FALSE(AddEltTabEltMesureRuban(score, 0));
  EXPECT_TRUE(AddEltTabEltMesureRuban(score, 20000));
  EXPECT_EQ(NbLignes(), kMaxMesures);
  EXPECT_FALSE(AddEltTabEltMesureRubanCurView(score, 1));
  (*score)->nbMesures = 9000;
  RecalculeNbMesures(score, false);
  EXPECT_EQ((*score)->nbMesures, kMaxMesures);
  // A recount never gives fewer than one bar.
  (*score)->nbMesures = -3;
  RecalculeNbMesures(score, false);
  EXPECT_GE((*score)->nbMesures, 1);
  // Inserting into a full table adds nothing.
  (*score)->nbMesures = kMaxMesures;
  InsereMesureChangeEchelleMesure(score, 0, 5, false, nullptr);
  EXPECT_EQ(NbLignes(), kMaxMesures);
  EXPECT_EQ((*score)->nbMesures, kMaxMesures);
}

TEST_F(BarTableTest, ScalesAndMargins) {
  Mesures(3);
  SetEchelleMesureOrig(score, 1, 5);
  EXPECT_EQ(GetEchelleMesureOrig(score, 1), 20);
  SetEchelleMesureOrig(score, 1, 9000);
  EXPECT_EQ(GetEchelleMesureOrig(score, 1), 8000);
  EXPECT_EQ(GetEchelleMesureOrig(score, 7), 0);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);  // marks nothing

  UpdateTabEltMesure(score, kTabEltTout);
  EXPECT_EQ(FixeEchelleMesureBrut(score, 2, 1000), 2);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);
  FixeEchelleMesureBrut(score, 2, 9000);
  EXPECT_EQ(GetEchelleMesureOrig(score, 2), 9000);
  EXPECT_EQ((*score)->masqueModifieTabElt, kTabEltEspacement | kTabEltMarges);
  // Past the rows, rows are appended up to the bar.
  FixeEchelleMesureBrut(score, 5, 400);
  EXPECT_EQ(NbLignes(), 6);
  EXPECT_EQ(GetEchelleMesureOrig(score, 5), 400);

  FixeMargeDroiteMesure(score, 0, -4);
  EXPECT_EQ(CvtMesureEnMargeDroiteMesure(score, 0), 0);
  FixeMargeDroiteMesure(score, 0, 24);
  EXPECT_EQ(CvtMesureEnMargeDroiteMesure(score, 0), 24);
  FixeMargeGaucheMesure(score, 1, 0);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 1), 0);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, -1), 0);

  FixeEtatComptageMesurePartition(score, 8, 1);
  EXPECT_EQ((*score)->nbMesures, 9);
  EXPECT_EQ(Ligne(8).nonComptee, 1);
  EXPECT_EQ(Ligne(8).numeroMesure, 0);
}

TEST_F(BarTableTest, ChangingADivisionRunsToTheNextSignature) {
  Mesures(8);
  DivisionTemporelle troisQuatre;
  GetDivisionTemporelleDefaut(&troisQuatre);
  troisQuatre.numerateur = troisQuatre.partieAdditive1 = 3;
  FixeDivisionMesurePartition(score, 4, &troisQuatre, 1, true);
  for (int32_t i = 0; i < 8; i++) EXPECT_EQ(Ligne(i).division.numerateur, i < 4 ? 4 : 3) << i;
  EXPECT_EQ(Ligne(4).signatureVisible, 1);
  EXPECT_EQ(CvtMesureEnTemps(score, 6), 4 * 161280 + 2 * 120960);

  // A later bar showing its own signature stops the change.
  Ligne(6).signatureVisible = 1;
  DivisionTemporelle deuxQuatre = troisQuatre;
  deuxQuatre.numerateur = 2;
  FixeDivisionMesurePartition(score, 4, &deuxQuatre, 1, false);
  EXPECT_EQ(Ligne(5).division.numerateur, 2);
  EXPECT_EQ(Ligne(6).division.numerateur, 3);
  // Times follow even without a recount.
  EXPECT_EQ(CvtMesureEnTemps(score, 6), 4 * 161280 + 2 * 80640);

  // From bar 0, up to the first bar of another signature.
  SetDivisionMesureStdValues(score, 6, 8);
  for (int32_t i = 0; i < NbLignes(); i++) EXPECT_EQ(Ligne(i).division.numerateur, i < 4 ? 6 : (i < 6 ? 2 : 3)) << i;
  EXPECT_EQ(Ligne(0).division.masqueAccroche[0], 0x4);
  EXPECT_EQ(Ligne(0).division.groupePar4, 0);
  DivisionTemporelle std;
  GetDivisionMesurePartitionStd(score, &std);
  EXPECT_EQ(std.denominateur, 8);
}

TEST(BeamMasks, DefaultMasksAndBits) {
  struct Cas {
    int16_t numerateur;
    uint16_t mot0;
  } cas[] = {{4, 0x7}, {6, 0x4}, {9, 0x24}, {3, 0x3}, {2, 0x1}, {12, 0x124}, {5, 0xF}};
  for (const Cas& c : cas) {
    uint16_t mask[8] = {};
    GetDefautMasqueAccroche(c.numerateur, mask);
    EXPECT_EQ(mask[0], c.mot0) << c.numerateur;
  }
  uint16_t mask[8];
  for (uint16_t& w : mask) w = 0xFFFF;
  GetDefautMasqueAccroche(0, mask);
  EXPECT_EQ(mask[0], 0);
  EXPECT_EQ(mask[1], 0xFFFF);
  mask[0] = 0xFFFF;
  GetDefautMasqueAccroche(6, mask);  // bits past the numerator keep their values
  EXPECT_EQ(mask[0], 0xFFE4);
  EXPECT_EQ(mask[1], 0xFFFF);
  EXPECT_TRUE(GetBitMasqueAccroche(16 * 8 + 3, mask) == GetBitMasqueAccroche(3, mask));
  EXPECT_TRUE(AdapteDivisionTemporelle());
}

}  // namespace

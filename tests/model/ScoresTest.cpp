// Scores of a document: creation, the current score, deletion, partial and
// whole disposal, empty and volatile staves, written length.
#include <gtest/gtest.h>

#include "ModelFixtures.h"
#include "model/PartGroups.h"
#include "sound/SINSTRUM.h"

namespace {

struct ScoresTest : ::testing::Test {
  Document* doc = NouveauDocument();
  ~ScoresTest() override { LibereDocument(doc); }
};

TEST_F(ScoresTest, NewScoresAreRegisteredAndBecomeCurrent) {
  Partition** a = NewPartition(doc);
  Partition** b = NewPartition(doc);
  Partition** c = NewPartition(doc);
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(doc->nbPartitions, 3);
  EXPECT_EQ(doc->partitions[0], a);
  EXPECT_EQ(doc->partitions[2], c);
  EXPECT_EQ(doc->partitionCourante, c);
  EXPECT_EQ(doc->indexPartitionCourante, 2);
  EXPECT_EQ((*b)->document, doc);
  EXPECT_EQ((*b)->zoom, 72);
  EXPECT_EQ((*b)->zoomEcran, 72);
  EXPECT_FLOAT_EQ((*b)->zoomPage, 72.0f);
  EXPECT_FLOAT_EQ((*b)->echelleEcran, 1.0f);
  EXPECT_NE((*b)->matriceAccompagnement, nullptr);
  EXPECT_NE((*b)->matriceRythme, nullptr);
  EXPECT_EQ((*b)->zorodava.on, 0);
  EXPECT_EQ((*b)->typeLibelleCible, 'A');

  FixePartitionEdite(doc, 1);
  EXPECT_EQ(doc->partitionCourante, b);
  EXPECT_EQ(doc->indexPartitionCourante, 1);
  // Out of range: reported, and the current score stays.
  FixePartitionEdite(doc, 3);
  FixePartitionEdite(doc, -1);
  EXPECT_EQ(doc->partitionCourante, b);
  EXPECT_EQ(doc->indexPartitionCourante, 1);
}

TEST_F(ScoresTest, AScoreWithoutDocumentIsNotRegistered) {
  Partition** s = NewPartition(nullptr);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ((*s)->document, nullptr);
  EXPECT_EQ((*s)->matriceAccompagnement, nullptr);
  DisposePartiePartition(s, kDisposePartitionEntiere);
  LibereHandle(&s);
}

TEST_F(ScoresTest, EmptyScoreHasOneInstrumentAndNoStaff) {
  Partition** s = CreePartitionVide(doc);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ((*s)->nbPortees, 0);
  EXPECT_EQ((*s)->portees, nullptr);
  EXPECT_EQ((*s)->mot1, 60);
  EXPECT_EQ((*s)->mot2, 65535);
  EXPECT_EQ((*s)->reentranceTabElt, 0);
  EXPECT_EQ((*s)->masqueModifieTabElt & 1, 1);
  ASSERT_GE((*s)->nbInstruments, 1);
  const Instrument& i = reinterpret_cast<Instrument*>(*(*s)->instruments)[0];
  EXPECT_EQ(i.inUse, 1);
  EXPECT_STREQ(i.name, "...");
  EXPECT_EQ(doc->partitionCourante, s);
}

// Which score is current after deleting one of three.
TEST_F(ScoresTest, DeletingMovesTheCurrentScoreToANeighbour) {
  struct Cas {
    int deleted;
    int expectedCurrent;  // index in the original order
  } cas[] = {{2, 1}, {0, 1}, {1, 2}};
  for (const Cas& c : cas) {
    Document* d = NouveauDocument();
    Partition** s[3] = {NewPartition(d), NewPartition(d), NewPartition(d)};
    SupprimePartition(d, s[c.deleted]);
    EXPECT_EQ(d->nbPartitions, 2);
    EXPECT_EQ(d->partitionCourante, s[c.expectedCurrent]) << "deleted " << c.deleted;
    EXPECT_EQ(d->partitions[d->indexPartitionCourante], s[c.expectedCurrent]);
    LibereDocument(d);
  }
}

TEST_F(ScoresTest, DeletingTheOnlyScoreLeavesNoArray) {
  Partition** s = CreePartitionVide(doc);
  CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  SupprimePartition(doc, s);
  EXPECT_EQ(doc->nbPartitions, 0);
  EXPECT_EQ(doc->partitions, nullptr);
  EXPECT_EQ(doc->partitionCourante, nullptr);
  // A score the document does not hold only clears the current score.
  Partition** autre = NewPartition(nullptr);
  NewPartition(doc);
  SupprimePartition(doc, autre);
  EXPECT_EQ(doc->nbPartitions, 1);
  EXPECT_EQ(doc->partitionCourante, nullptr);
  DisposePartiePartition(autre, kDisposePartitionEntiere);
  LibereHandle(&autre);
}

TEST_F(ScoresTest, PartialDisposalReleasesOnlyTheMaskedParts) {
  Partition** s = CreePartitionVide(doc);
  CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  (*s)->ruptures = NewHandleClear(194);
  (*s)->nbRuptures = 1;
  (*s)->partGroups = NewHandleClear(8);
  (*s)->masqueModifieTabElt = 7;
  DisposePartiePartition(s, kDisposeRuptures);
  EXPECT_EQ((*s)->ruptures, nullptr);
  EXPECT_EQ((*s)->nbRuptures, 0);
  EXPECT_EQ((*s)->nbPortees, 1);
  EXPECT_EQ((*s)->nbInstruments, 16);
  // Part groups go with any mask; the pending dirty bits are cleared and
  // bar-table updates are enabled again.
  EXPECT_EQ((*s)->partGroups, nullptr);
  EXPECT_EQ((*s)->masqueModifieTabElt, 0);
  EXPECT_EQ((*s)->reentranceTabElt, 0);
  DisposePartiePartition(s, kDisposePortees | kDisposeInstruments);
  EXPECT_EQ((*s)->nbPortees, 0);
  EXPECT_EQ((*s)->portees, nullptr);
  EXPECT_EQ((*s)->nbInstruments, 0);
  EXPECT_EQ((*s)->instruments, nullptr);
  DisposePartiePartition(nullptr, kDisposePartitionEntiere);
}

// Each bank bit releases its own handle and no other: the banks (records) go
// with 0x2 and 0x20, their Matrices made at creation (the bar lists) with
// 0x4 and 0x40, the chord grid with 0x10.
TEST_F(ScoresTest, EachBankBitReleasesItsOwnHandle) {
  const struct {
    uint32_t bit;
    Handle Partition::*champ;
  } cas[] = {
      {kDisposeAccompagnements, &Partition::accompagnements},
      {kDisposeBarreAccompagnements, &Partition::matriceAccompagnement},
      {kDisposeGrilleAccord, &Partition::grilleAccord},
      {kDisposeBanqueRythmes, &Partition::banqueRythmes},
      {kDisposeBarreRythmes, &Partition::matriceRythme},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.bit);
    Partition** s = CreePartitionVide(doc);
    ASSERT_NE(s, nullptr);
    (*s)->accompagnements = NewHandleClear(80);
    (*s)->banqueRythmes = NewHandleClear(78);
    (*s)->grilleAccord = NewHandleClear(834);
    for (const auto& autre : cas) ASSERT_NE((*s)->*autre.champ, nullptr);
    DisposePartiePartition(s, c.bit);
    for (const auto& autre : cas) EXPECT_EQ((*s)->*autre.champ == nullptr, autre.bit == c.bit) << autre.bit;
    SupprimePartition(doc, s);
  }
}

// Three scores full of staves and lists: the whole tree goes with the
// document (the sanitizer build reports any block left behind).
TEST_F(ScoresTest, DisposingADocumentWithThreeScoresFreesEverything) {
  for (int k = 0; k < 3; k++) {
    Partition** s = CreePartitionVide(doc);
    ASSERT_NE(s, nullptr);
    const uint32_t types[] = {kTypePorteeStandard, kTypePorteeTablature, kTypePorteeParole, kTypePorteeGregorien,
                              kTypePorteePisteNumerique};
    for (uint32_t t : types) {
      Portee** p = CreePorteeVide(s, t, 1, 1);
      ASSERT_NE(p, nullptr);
      AjouteSigne(p, 60, 40320);
      AjouteParamEffet(p);
      Effet(p, 0).marks = NewHandleClear(660);
      (*p)->textes = NewHandleClear(62);
      (*p)->nbTextes = 1;
      (*p)->staffHeightEvts = NewHandleClear(16);
      (*p)->collection = NewHandleClear(4);
      InitChantConfigPortee(p);
    }
    NewPartGroup(s, 0, 0, 0, 1, 2, "Piano", "Pno.");
    (*s)->ruptures = NewHandleClear(194);
    LibereHandle(&(*s)->tabEltMesure[0]);  // the staves' creation built it
    (*s)->tabEltMesure[0] = NewHandleClear(108);
    (*s)->tabEltMesure[3] = NewHandleClear(108);
    (*s)->enregsIndexPortee = NewHandleClear(sizeof(EnregIndexPortee));
    (*s)->courbes = NewHandleClear(8);
    (*s)->pages = NewHandleClear(sizeof(Page));
    Handle systemes = NewHandleClear(sizeof(Systeme));
    reinterpret_cast<Systeme*>(*systemes)->portees = NewHandleClear(sizeof(PorteeSysteme));
    reinterpret_cast<Page*>(*(*s)->pages)->systemes = systemes;
  }
  EXPECT_EQ(doc->nbPartitions, 3);
}

TEST_F(ScoresTest, EmptyStavesAreRemovedUnlessSomethingHangsFromThem) {
  Partition** s = CreePartitionVide(doc);
  Portee** restes = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  AjouteSigne(restes, kSigneSilence, 40320);
  (*restes)->nbDynamiques = 1;
  (*restes)->dynamiques = NewHandleClear(596);
  Portee** vide = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  AjouteSigne(vide, kSigneSilenceFantome, 40320);
  Portee** piste = CreePorteeVide(s, kTypePorteePisteNumerique, 1, 0);
  Portee** note = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  AjouteSigne(note, 0, 40320);
  CreePorteeVide(s, kTypePorteeBatterie, 1, 0);  // empty too

  SupprimePorteesVides(s, 0);
  ASSERT_EQ((*s)->nbPortees, 3);
  EXPECT_EQ((*s)->portees[0], restes);
  EXPECT_EQ((*s)->portees[1], piste);
  EXPECT_EQ((*s)->portees[2], note);
  for (int16_t i = 0; i < 3; i++) EXPECT_EQ((*(*s)->portees[i])->index, i);
}

TEST_F(ScoresTest, MergedEmptyStavesGoOnlyWhenTheyDoNotHeadTheirGroup) {
  Partition** s = CreePartitionVide(doc);
  for (int i = 0; i < 4; i++) CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  Portee** tete = (*s)->portees[0];
  Portee** seule = (*s)->portees[2];
  Portee** pleine = (*s)->portees[3];
  AjouteSigne(pleine, 64, 40320);
  Fusionne(s, 0, 1, 0);
  SupprimePorteesVides(s, 1);
  ASSERT_EQ((*s)->nbPortees, 3);
  EXPECT_EQ((*s)->portees[0], tete);
  EXPECT_EQ((*s)->portees[1], seule);
  EXPECT_EQ((*s)->portees[2], pleine);
  // The group lost its member: its head is left unmerged.
  EXPECT_EQ((*tete)->modeFusion, kFusionAucune);
  EXPECT_EQ((*tete)->fusionneAvecSuivante, 0);
}

TEST_F(ScoresTest, VolatileStavesAreRemovedByKind) {
  Partition** s = CreePartitionVide(doc);
  uint32_t kinds[] = {0, 5, 3, 5, 0, 3};
  Portee** staves[6];
  for (int i = 0; i < 6; i++) {
    staves[i] = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
    (*staves[i])->typeVolatile = kinds[i];
  }
  SupprimePorteesVolatilesType(s, 3);
  ASSERT_EQ((*s)->nbPortees, 4);
  SupprimeToutesPorteesVolatiles(s);
  ASSERT_EQ((*s)->nbPortees, 2);
  EXPECT_EQ((*s)->portees[0], staves[0]);
  EXPECT_EQ((*s)->portees[1], staves[4]);
  EXPECT_EQ((*staves[4])->index, 1);
}

TEST_F(ScoresTest, WrittenLengthIgnoresTempoStaves) {
  Partition** s = CreePartitionVide(doc);
  EXPECT_EQ(CalculeDureePartition(s), 0);
  Portee** tempo = CreePorteeVide(s, kTypePorteeTempo, 1, 0);
  AjouteSigne(tempo, 60, 4 * 161280);
  EXPECT_EQ(CalculeDureePartition(s), 0);
  Portee** p = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  AjouteSigne(p, 60, 161280);
  AjouteSigne(p, kSigneSilence, 40320);
  EXPECT_EQ(CalculeDureePartition(s), 161280 + 40320 - 2);
}

TEST_F(ScoresTest, TheDocumentOfAStaffIsFoundThroughItsScore) {
  Partition** s = CreePartitionVide(doc);
  Portee** p = CreePorteeVide(s, kTypePorteeStandard, 1, 0);
  EXPECT_EQ(GetDialogPortee(p), doc);
  Portee** seule = AllouePortee();
  EXPECT_EQ(GetDialogPortee(seule), nullptr);
  EXPECT_EQ(GetDialogPortee(nullptr), nullptr);
  DisposePortee(seule);
}

}  // namespace

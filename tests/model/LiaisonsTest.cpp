// Ties, slurs and beam links: ends written by id and staff index, links made
// and replaced, staff numbers kept across staff moves, and the collection
// that turns, renumbers and drops ends.
#include <gtest/gtest.h>

#include "ModelFixtures.h"
#include "model/QrvLiaison.h"

namespace {

struct LiaisonsTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  ~LiaisonsTest() override { LibereDocument(doc); }

  Portee** Ajoute(int notes) {
    Portee** p = CreePorteeVide(score, kTypePorteeStandard, 1, 0);
    for (int i = 0; i < notes; i++) AjouteSigne(p, int8_t(60 + i), 40320);
    return p;
  }
  Portee** At(int i) { return (*score)->portees[i]; }
  Signe& S(Portee** p, int32_t i) { return reinterpret_cast<Signe*>(*(*p)->notes)[i]; }
  int32_t NbEffetsUtilises(Portee** p) {
    int32_t n = 0;
    for (int32_t i = 0; i < (*p)->nbParamEffets; i++) n += Effet(p, i).libre == 0;
    return n;
  }
};

TEST_F(LiaisonsTest, CreatingReplacingAndRemovingTies) {
  Portee** p = Ajoute(6);
  EXPECT_EQ(SetLiaison(p, 3, p, 3, kLiaisonCoule), 0);
  ASSERT_EQ(SetLiaison(p, 1, p, 2, kLiaisonCoule), 1);
  uint32_t id = GetLiaisonSourceNote(p, 1, nullptr, kLiaisonCoule);
  EXPECT_GT(id, 0u);
  Portee** autre = nullptr;
  EXPECT_EQ(GetLiaisonDestNote(p, 2, &autre, kLiaisonCoule), id);
  EXPECT_EQ(autre, p);
  EXPECT_EQ(LocIdLiaisonDest(p, id, p, kLiaisonCoule), 2);
  EXPECT_EQ(LocIdLiaisonSource(p, id, nullptr, kLiaisonCoule), 1);
  EXPECT_EQ(SetLiaison(p, 1, p, 2, kLiaisonCoule), 1);  // already there
  EXPECT_EQ(GetLiaisonSourceNote(p, 1, nullptr, kLiaisonCoule), id);

  // A new destination: the old one loses its end, the id is kept.
  ASSERT_EQ(SetLiaison(p, 1, p, 4, kLiaisonCoule), 1);
  EXPECT_EQ(GetLiaisonDestNote(p, 2, nullptr, kLiaisonCoule), 0u);
  EXPECT_EQ(S(p, 2).indexParamEffet, -1);
  EXPECT_EQ(GetLiaisonDestNote(p, 4, nullptr, kLiaisonCoule), id);

  // Removing: no effect record is left behind.
  ASSERT_EQ(SetLiaison(p, 1, p, -1, kLiaisonCoule), 1);
  EXPECT_EQ(S(p, 1).indexParamEffet, -1);
  EXPECT_EQ(S(p, 4).indexParamEffet, -1);
  EXPECT_EQ(NbEffetsUtilises(p), 0);

  // Reading ends of bad notes gives nothing.
  EXPECT_EQ(GetLiaisonSourceNote(p, 99, &autre, kLiaisonCoule), 0u);
  EXPECT_EQ(autre, nullptr);
  EXPECT_EQ(LocIdLiaisonDest(p, 0, nullptr, kLiaisonCoule), -1);
  DataLiaison d{};
  EXPECT_EQ(GetDataLiaisonNote(p, 0, &d), 0);
}

TEST_F(LiaisonsTest, BeamLinksClearTheirFlagWithTheirSource) {
  Portee** p = Ajoute(3);
  S(p, 0).flags |= kSigneAccroche;
  ASSERT_EQ(SetLiaison(p, 0, p, 1, kLiaisonAccroche), 1);
  DataAccroche a{};
  ASSERT_EQ(GetDataAccrocheNote(p, 0, &a), 1);
  EXPECT_EQ(a.forme[0], 50);
  EXPECT_EQ(GetLiaisonSourceNote(p, 0, nullptr, kLiaisonCoule), 0u);  // kinds are apart
  SetLiaisonSourceNote(p, 0, 0, nullptr, kLiaisonAccroche);
  EXPECT_FALSE(S(p, 0).flags & kSigneAccroche);
}

TEST_F(LiaisonsTest, CollectionTurnsRenumbersAndDrops) {
  Portee** p = Ajoute(10);
  // Three ties with scattered ids, one written backwards.
  SetLiaisonSourceNote(p, 0, 40, nullptr, kLiaisonCoule);
  SetLiaisonDestNote(p, 1, 40, nullptr, kLiaisonCoule);
  SetLiaisonSourceNote(p, 5, 17, nullptr, kLiaisonCoule);  // backwards: 5 -> 3
  SetLiaisonDestNote(p, 3, 17, nullptr, kLiaisonCoule);
  DataLiaison forme{};
  ASSERT_EQ(GetDataLiaisonNote(p, 5, &forme), 1);
  forme.formeType = 3;
  SetDataLiaisonNote(p, 5, &forme);
  SetLiaisonSourceNote(p, 6, 9, nullptr, kLiaisonCoule);
  SetLiaisonDestNote(p, 7, 9, nullptr, kLiaisonCoule);
  // Ends without a partner.
  SetLiaisonDestNote(p, 8, 55, nullptr, kLiaisonCoule);
  SetLiaisonSourceNote(p, 9, 56, nullptr, kLiaisonCoule);

  GarbageLiaisonsPartition(score);

  EXPECT_EQ(GetLiaisonSourceNote(p, 0, nullptr, kLiaisonCoule), 1u);
  EXPECT_EQ(GetLiaisonDestNote(p, 1, nullptr, kLiaisonCoule), 1u);
  EXPECT_EQ(GetLiaisonSourceNote(p, 3, nullptr, kLiaisonCoule), 2u);
  EXPECT_EQ(GetLiaisonDestNote(p, 5, nullptr, kLiaisonCoule), 2u);
  EXPECT_EQ(GetLiaisonSourceNote(p, 5, nullptr, kLiaisonCoule), 0u);
  ASSERT_EQ(GetDataLiaisonNote(p, 3, &forme), 1);
  EXPECT_EQ(forme.formeType, 3u) << "the shape moves to the new source";
  EXPECT_EQ(GetLiaisonSourceNote(p, 6, nullptr, kLiaisonCoule), 3u);
  EXPECT_EQ(S(p, 8).indexParamEffet, -1);
  EXPECT_EQ(S(p, 9).indexParamEffet, -1);
  // Note fields are refreshed.
  EXPECT_EQ(GetParamEffetIndexNote(p, 7)->note, 7);
}

TEST_F(LiaisonsTest, CyclicAndDanglingLinksEnd) {
  Portee** p = Ajoute(4);
  // Two notes pointing at each other with one id, a chain through a third,
  // an id written twice, and an effect index past the list.
  SetLiaisonSourceNote(p, 0, 5, nullptr, kLiaisonCoule);
  SetLiaisonDestNote(p, 0, 5, nullptr, kLiaisonCoule);
  SetLiaisonSourceNote(p, 1, 5, nullptr, kLiaisonCoule);
  SetLiaisonDestNote(p, 1, 5, nullptr, kLiaisonCoule);
  SetLiaisonSourceNote(p, 2, 5, nullptr, kLiaisonCoule);
  SetLiaisonSourceNote(p, 0, 7, nullptr, kLiaisonAccroche);
  SetLiaisonDestNote(p, 0, 7, nullptr, kLiaisonAccroche);
  S(p, 3).indexParamEffet = 500;
  GarbageLiaisonsPartition(score);
  GarbageLiaisonsPartition(score);
  EXPECT_EQ(S(p, 3).indexParamEffet, -1);
  // Every live id has exactly one source and one destination.
  for (int16_t kind : {kLiaisonCoule, kLiaisonAccroche}) {
    for (int32_t i = 0; i < 4; i++) {
      uint32_t id = GetLiaisonSourceNote(p, i, nullptr, kind);
      if (!id) continue;
      int nbDest = 0;
      for (int32_t k = 0; k < 4; k++) nbDest += GetLiaisonDestNote(p, k, nullptr, kind) == id;
      EXPECT_EQ(nbDest, 1) << i;
    }
  }
}

TEST_F(LiaisonsTest, CrossStaffTieSurvivesStaffMovesAndCollection) {
  Portee** haut = Ajoute(4);
  Ajoute(2);
  Portee** bas = Ajoute(4);
  ASSERT_EQ(SetLiaison(haut, 1, bas, 2, kLiaisonCoule), 1);

  auto verifie = [&](int16_t indexBas) {
    Portee** autre = nullptr;
    uint32_t id = GetLiaisonSourceNote(haut, 1, &autre, kLiaisonCoule);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(autre, bas);
    EXPECT_EQ(GetParamEffetIndexNote(haut, 1)->liaison.porteeSource, uint16_t(indexBas));
    EXPECT_EQ(GetLiaisonDestNote(bas, 2, &autre, kLiaisonCoule), id);
    EXPECT_EQ(autre, haut);
    EXPECT_EQ(LocIdLiaisonDest(bas, id, haut, kLiaisonCoule), 2);
  };
  verifie(2);

  // A staff inserted above both ends.
  Portee** nouvelle = AllouePortee();
  InitPortee(score, nouvelle, kTypePorteeStandard, 1);
  ASSERT_EQ(InserePorteeDansTabPortee(score, nouvelle, 0), 1);
  CreeIndexPortees(score);
  ASSERT_EQ((*haut)->index, 1);
  verifie(3);

  // The staff between the ends removed.
  DisposePorteeIndex(score, 2, 0);
  ASSERT_EQ((*bas)->index, 2);
  verifie(2);

  GarbageLiaisonsPartition(score);
  verifie(2);
  EXPECT_EQ(GetLiaisonSourceNote(haut, 1, nullptr, kLiaisonCoule), 1u);

  // Removing the destination's staff leaves a dangling end: collected away.
  DisposePorteeIndex(score, 2, 0);
  GarbageLiaisonsPartition(score);
  EXPECT_EQ(GetLiaisonSourceNote(haut, 1, nullptr, kLiaisonCoule), 0u);
  EXPECT_EQ(S(haut, 1).indexParamEffet, -1);
}

}  // namespace

// The banks of a score: the Matrice of bar ranges and its edits, the
// accompaniment and rhythm banks, their volatile staves, and the chord grid.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "ModelFixtures.h"
#include "model/Lois.h"
#include "model/Matrices.h"
#include "model/Partition.h"
#include "model/QrvFXs.h"
#include "model/TabEltMesure.h"

namespace {

using Ranges = std::vector<std::pair<int, int>>;

struct BanquesTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  ~BanquesTest() override { LibereDocument(doc); }

  static Handle Matrice(const Ranges& rows, const std::vector<uint16_t>& index = {}) {
    Handle h = NewMatriceAccompagnement();
    for (size_t i = 0; i < rows.size(); i++)
      EXPECT_EQ(AjouteRangeMatrice(h, -1, uint16_t(10 + i), int16_t(rows[i].first), int16_t(rows[i].second),
                                   i < index.size() ? index[i] : 0),
                int16_t(i));
    return h;
  }
  static Ranges Lignes(Handle h) {
    Ranges r;
    for (int16_t i = 0; i < GetEnteteMatrice(h)->nbRanges; i++)
      r.push_back({GetRangesMatrice(h)[i].mesureDebut, GetRangesMatrice(h)[i].mesureFin});
    return r;
  }
};

TEST_F(BanquesTest, NewMatricesCarryTheirKindAndDisplayValues) {
  struct Cas {
    Handle h;
    uint32_t kind;
    uint16_t deux[2];
    uint16_t cinq[5];
  } cas[] = {
      {NewMatriceAccompagnement(), kMatriceAccompagnement, {42, 14}, {246, 248, 254, 240, 2}},
      {NewMatriceRythme(), kMatriceRythme, {14, 14}, {37, 248, 254, 231, 36}},
  };
  for (Cas& c : cas) {
    const EnteteMatrice* e = GetEnteteMatrice(c.h);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, c.kind);
    EXPECT_EQ(e->nbRanges, 0);
    EXPECT_EQ(e->rangeCourant, -1);
    for (int i = 0; i < 2; i++) EXPECT_EQ(e->valeurs[i], c.deux[i]);
    for (int i = 0; i < 5; i++) EXPECT_EQ(e->valeursAffichage[i], c.cinq[i]);
    // The effects that move with the bars go with the Matrice.
    EnteteMatrice* m = GetEnteteMatrice(c.h);
    ASSERT_GE(NewFXGenerique(&m->nbFXs, &m->fxs), 0);
    DeleteMatrice(&c.h);
    EXPECT_EQ(c.h, nullptr);
  }
  // The score's two Matrices are made with it.
  EXPECT_EQ(GetEnteteMatrice((*score)->matriceAccompagnement)->type, kMatriceAccompagnement);
  EXPECT_EQ(GetEnteteMatrice((*score)->matriceRythme)->type, kMatriceRythme);
}

TEST_F(BanquesTest, RowsFollowDeletedAndErasedBars) {
  struct Cas {
    const char* nom;
    Ranges avant;
    bool efface;   // erase the bars instead of deleting them
    int16_t a, b;  // first and count, or from and to
    Ranges apres;
    int16_t finMax;
  } cas[] = {
      {"delete 4..5", {{0, 3}, {2, 7}, {4, 5}, {8, 9}}, false, 4, 2, {{0, 3}, {2, 5}, {6, 7}}, 7},
      {"delete across a start", {{4, 9}, {0, 1}}, false, 3, 3, {{3, 6}, {0, 1}}, 6},
      {"delete everything", {{2, 3}}, false, 0, 10, {}, 0},
      {"erase 4..5 splits", {{0, 9}}, true, 4, 5, {{0, 3}, {6, 9}}, 9},
      {"erase a start and an end", {{5, 8}, {0, 4}, {4, 5}}, true, 4, 5, {{6, 8}, {0, 3}}, 8},
      {"erase to the end of a row", {{0, 5}}, true, 4, 5, {{0, 3}}, 3},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    Handle h = Matrice(c.avant);
    if (c.efface) EffacePartieMatrice(score, h, c.a, c.b);
    else DeleteMesuresMatrice(score, h, c.a, c.b);
    EXPECT_EQ(Lignes(h), c.apres);
    EXPECT_EQ(GetEnteteMatrice(h)->mesureFinMax, c.finMax);
    EXPECT_EQ(GetHandleSize(h), Size(sizeof(EnteteMatrice) + c.apres.size() * sizeof(RangeMatrice)));
    DeleteMatrice(&h);
  }
}

TEST_F(BanquesTest, ASplitRowKeepsItsValueAndEntry) {
  Handle h = Matrice({{0, 9}}, {3});
  GetRangesMatrice(h)[0].bloc1[1] = 77;
  EffacePartieMatrice(score, h, 4, 5);
  ASSERT_EQ(GetEnteteMatrice(h)->nbRanges, 2);
  const RangeMatrice& r = GetRangesMatrice(h)[1];
  EXPECT_EQ(r.valeur, 10);
  EXPECT_EQ(r.indexBanque, 3);
  EXPECT_EQ(r.bloc1[1], 77);
  DeleteMatrice(&h);
}

TEST_F(BanquesTest, RemovingRowsMovesTheCurrentRow) {
  Handle h = Matrice({{0, 1}, {5, 2}, {3, 4}, {6, 7}});
  GetEnteteMatrice(h)->rangeCourant = 3;
  GarbageMatrice(h);
  EXPECT_EQ(Lignes(h), (Ranges{{0, 1}, {3, 4}, {6, 7}}));
  EXPECT_EQ(GetEnteteMatrice(h)->rangeCourant, 2);
  GetEnteteMatrice(h)->rangeCourant = 1;
  DeleteMesuresMatrice(score, h, 3, 2);
  EXPECT_EQ(GetEnteteMatrice(h)->rangeCourant, -1);
  EXPECT_EQ(Lignes(h), (Ranges{{0, 1}, {4, 5}}));
  DeleteMatrice(&h);
}

TEST_F(BanquesTest, DeletingAnAccompanimentDropsItsRowsAndRenumbersTheLaterOnes) {
  for (int i = 0; i < 3; i++) ASSERT_EQ(AjouteAccompagnement(score), i);
  const Accompagnement& a = reinterpret_cast<Accompagnement*>(*(*score)->accompagnements)[2];
  EXPECT_EQ(a.indexPortee, 65535);
  EXPECT_EQ(a.instrument, 65535);
  EXPECT_EQ(a.modePaste.pattern, nullptr);
  Handle m = (*score)->matriceAccompagnement;
  AjouteRangeMatrice(m, -1, 0, 0, 3, 0);
  AjouteRangeMatrice(m, -1, 0, 4, 5, 1);
  AjouteRangeMatrice(m, -1, 0, 6, 9, 2);
  AjouteRangeMatrice(m, -1, 0, 10, 11, 1);
  EXPECT_TRUE(IsAccompagnementUtilise(score, 1));
  DeleteAccompagnementPartition(score, 1);
  EXPECT_EQ((*score)->nbAccompagnements, 2);
  EXPECT_EQ(GetHandleSize((*score)->accompagnements), Size(2 * sizeof(Accompagnement)));
  ASSERT_EQ(Lignes(m), (Ranges{{0, 3}, {6, 9}}));
  EXPECT_EQ(GetRangesMatrice(m)[1].indexBanque, 1);
  EXPECT_FALSE(IsAccompagnementUtilise(score, 2));
  DeleteToutAccompagnements(score);
  EXPECT_EQ((*score)->accompagnements, nullptr);
  EXPECT_EQ((*score)->nbAccompagnements, 0);
  EXPECT_EQ(GetEnteteMatrice(m)->nbRanges, 0);
}

TEST_F(BanquesTest, VolatileAccompanimentStavesGoAndTheirEntriesLetGo) {
  for (uint32_t k : {0u, uint32_t(kVolatileAccompagnement), 0u, uint32_t(kVolatileLoi)})
    (*NewPortee(score, kTypePorteeStandard))->typeVolatile = k;
  for (uint16_t staffIndex : {1, 2, 3}) {
    const int16_t i = AjouteAccompagnement(score);
    reinterpret_cast<Accompagnement*>(*(*score)->accompagnements)[i].indexPortee = staffIndex;
  }
  SupprimePorteesVolatilesAccompagnements(score);
  ASSERT_EQ((*score)->nbPortees, 3);
  EXPECT_EQ((*(*score)->portees[2])->typeVolatile, kVolatileLoi);
  const Accompagnement* a = reinterpret_cast<Accompagnement*>(*(*score)->accompagnements);
  EXPECT_EQ(a[0].indexPortee, 65535);
  EXPECT_EQ(a[2].indexPortee, 65535);
  // All playback's volatile staves go together.
  SupprimeToutesPorteesVolatiles(score);
  EXPECT_EQ((*score)->nbPortees, 2);
}

TEST_F(BanquesTest, NewRhythmsTakeTheStandardDivisionAndCopyMissingInstruments) {
  ASSERT_EQ(AjouteRythme(score, false), 0);
  ASSERT_EQ(AjouteRythme(score, false), 1);
  Handle bank = (*score)->banqueRythmes;
  auto staff = [&](int16_t r, int16_t s) -> PorteeRythme& {
    return reinterpret_cast<PorteeRythme*>(*reinterpret_cast<Rythme*>(*(*score)->banqueRythmes)[r].portees)[s];
  };
  for (uint16_t inst : {35, 38}) {
    const int16_t s = AjoutePorteeRythme(bank, 0);
    staff(0, s).instrument = inst;
    staff(0, s).notes = NewHandleClear(Size(2 * sizeof(Signe)));
    staff(0, s).nbNotes = 2;
  }
  staff(0, 1).paramEffets = NewHandleClear(Size(sizeof(ParamEffet)));
  staff(0, 1).nbParamEffets = 1;
  staff(1, AjoutePorteeRythme(bank, 1)).instrument = 38;
  staff(1, AjoutePorteeRythme(bank, 1)).instrument = 42;
  EXPECT_EQ(AjoutePorteeRythme(bank, 5), -1);

  ASSERT_EQ(AjouteRythme(score, true), 2);
  const Rythme& r = reinterpret_cast<Rythme*>(*(*score)->banqueRythmes)[2];
  EXPECT_EQ(r.valeur, 1);
  EXPECT_EQ(r.numerateur, 4);
  EXPECT_EQ(r.denominateur, 4);
  EXPECT_EQ((*score)->nbRythmes, 3);
  ASSERT_EQ(r.nbPortees, 3);
  const uint16_t attendus[3] = {35, 38, 42};
  for (int16_t s = 0; s < 3; s++) {
    EXPECT_EQ(staff(2, s).instrument, attendus[s]);
    EXPECT_EQ(staff(2, s).nbNotes, 0);
    ASSERT_NE(staff(2, s).notes, nullptr);
    EXPECT_NE(staff(2, s).notes, staff(0, 0).notes);
    EXPECT_EQ(GetHandleSize(staff(2, s).notes), 0);
    EXPECT_EQ(staff(2, s).paramEffets, nullptr);
  }
  Handle matrice = (*score)->matriceRythme;
  AjouteRangeMatrice(matrice, -1, 0, 0, 1, 2);
  EXPECT_TRUE(IsRythmeUtilise(score, 2));
  EXPECT_FALSE(IsRythmeUtilise(score, 0));
  DisposeBanqueRythmesPartition(score);
  EXPECT_EQ((*score)->banqueRythmes, nullptr);
  EXPECT_EQ((*score)->nbRythmes, 0);
  DisposeBarreRythmes(score);
  EXPECT_EQ((*score)->matriceRythme, nullptr);
}

TEST_F(BanquesTest, TheChordGridGrowsWithDotsAndShrinksFromAnyBar) {
  FixeNbMesuresGrilleAccord(score, 3);
  ASSERT_EQ((*score)->nbMesuresGrilleAccord, 3);
  const MesureGrilleAccord* g = reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord);
  EXPECT_EQ(g[2].nbCellules, 1);
  for (const DefAccord& c : g[2].cellules) {
    EXPECT_STREQ(c.nom, "...");
    EXPECT_EQ(c.fondamentale, -1);
    EXPECT_EQ(c.alterationFondamentale, 2);
    EXPECT_EQ(c.tierce, 0);
    EXPECT_EQ(c.septieme, 2);
    EXPECT_EQ(c.quinte, 0);
    EXPECT_EQ(c.neuvieme, 2);
    EXPECT_EQ(c.valeur, 0);
    EXPECT_EQ(c.octave, 4);
    EXPECT_EQ(c.renversement, 0);
  }
  auto marque = [&](int bar, int cell, std::string nom) {
    MesureGrilleAccord* m = reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord);
    m[bar].nbCellules = uint8_t(cell + 1);
    m[bar].cellules[cell].valeur = 1;
    std::snprintf(m[bar].cellules[cell].nom, 32, "%s", nom.c_str());
  };
  EXPECT_EQ(MesureMaxGrilleAccord(score), 0);
  FixeNbMesuresGrilleAccord(score, 8);
  marque(1, 0, "C");
  marque(6, 3, "G7");
  // A chord in a cell past the used ones does not count.
  reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord)[7].cellules[5].valeur = 1;
  EXPECT_EQ(MesureMaxGrilleAccord(score), 6);
  // The grid's last chord gives the score its bars.
  AddEltTabEltMesureRuban(score, 2);
  (*score)->nbMesures = 2;
  UpdateTabEltMesure(score, kTabEltTout);
  RecalculeNbMesures(score, false);
  EXPECT_EQ((*score)->nbMesures, 7);

  DeleteMesureGrilleAccord(score, 2, 3);
  ASSERT_EQ((*score)->nbMesuresGrilleAccord, 5);
  EXPECT_EQ(MesureMaxGrilleAccord(score), 3);
  EXPECT_STREQ(reinterpret_cast<MesureGrilleAccord*>(*(*score)->grilleAccord)[3].cellules[3].nom, "G7");
  DeleteMesureGrilleAccord(score, 1, 30);
  EXPECT_EQ((*score)->nbMesuresGrilleAccord, 1);
  EXPECT_EQ(MesureMaxGrilleAccord(score), 0);
  DisposeGrilleAccord(score);
  EXPECT_EQ((*score)->grilleAccord, nullptr);
  EXPECT_EQ((*score)->nbMesuresGrilleAccord, 0);
}

}  // namespace

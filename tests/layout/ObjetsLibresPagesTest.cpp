#include "layout/ObjetsLibresPages.h"

#include <gtest/gtest.h>

#include <vector>

#include "layout/Justification.h"
#include "layout/PaginationFixtures.h"
#include "model/ObjetsLibres.h"

namespace {

// A score of three pages: one staff of 200 on the 800 paper, three systems of
// three bars a page.
struct TroisPages : PartitionPaginee {
  TroisPages() : PartitionPaginee(1, 27) { (*Staff(0))->hauteurBaseRuban = 200; }

  ObjetLibre& Objet(int i) { return reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i]; }
  int Ajoute(uint32_t ancrage, int16_t page, bool devant) {
    const int i = NewObjetLibre(doc, 3);
    Objet(i).valeur2 = ancrage;
    Objet(i).page = page;
    Objet(i).flags[0] = devant ? 1 : 0;
    return i;
  }
  // Pages (0-based) holding a page element of object i.
  std::vector<int> PagesDe(int i) {
    std::vector<int> v;
    for (int p = 0; p < NbPages(); p++)
      for (const Systeme& s : Elements(p, kSystemeObjetLibre))
        if (s.indexObjetLibre == i) v.push_back(p);
    return v;
  }
};

}  // namespace

TEST(ObjetsLibresPages, EachAnchorKindNamesItsPages) {
  {
    TroisPages p;
    p.Pagine();
    ASSERT_EQ(p.NbPages(), 3);
  }
  struct Cas {
    uint32_t ancrage;
    int16_t valeur;
    int pages;  // page count after the objects
    std::vector<int> sur;
  };
  const Cas cas[] = {
      {kPageObjetValeur, 1, 3, {1}},
      {kPageObjetValeur, -1, 3, {0}},  // a new object's "no page" counts as the first
      {kPageObjetValeur, 5, 6, {5}},
      {kPageObjetAvantDerniere, 0, 3, {2}},
      {kPageObjetAvantDerniere, 7, 3, {0}},
      {kPageObjetToutes, 0, 3, {0, 1, 2}},
      {kPageObjetImpaires, 0, 3, {1}},
      {kPageObjetPaires, 0, 3, {0, 2}},
      {kPageObjetDepuis, 1, 3, {1, 2}},
      {kPageObjetJusqua, 1, 3, {0, 1}},
      // Two pages after the music's last: pages 4 and 5 are made, it lands on 5.
      {kPageObjetApresMusique, 2, 5, {4}},
      {kPageObjetApresMusique, 0, 3, {2}},
  };
  for (const Cas& c : cas) {
    TroisPages p;
    const int i = p.Ajoute(c.ancrage, c.valeur, true);
    p.Pagine();
    EXPECT_EQ(p.NbPages(), c.pages) << c.ancrage << " " << c.valeur;
    EXPECT_EQ(p.PagesDe(i), c.sur) << c.ancrage << " " << c.valeur;
  }
}

TEST(ObjetsLibresPages, ObjectsAfterTheMusicMakeTheirPagesAndTheOddOnesFollow) {
  TroisPages p;
  p.Ajoute(kPageObjetApresMusique, 3, true);
  const int impaires = p.Ajoute(kPageObjetImpaires, 0, true);
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 6);
  EXPECT_EQ(p.PagesDe(impaires), (std::vector<int>{1, 3, 5}));
  // A hostile page value never adds more than the bound.
  TroisPages q;
  q.Ajoute(kPageObjetValeur, 32767, true);
  q.Pagine();
  EXPECT_EQ(q.NbPages(), kMaxPagesObjetsLibres);
}

// Behind the music objects come first and keep their list order; in front of
// it they come after the page's own elements, in list order too.
TEST(ObjetsLibresPages, ObjectsBehindAndInFrontKeepTheirOrder) {
  TroisPages p;
  const int devant1 = p.Ajoute(kPageObjetValeur, 0, true);
  const int derriere1 = p.Ajoute(kPageObjetValeur, 0, false);
  const int devant2 = p.Ajoute(kPageObjetValeur, 0, true);
  const int derriere2 = p.Ajoute(kPageObjetValeur, 0, false);
  p.Pagine();
  const std::vector<Systeme> e = p.Elements(0);
  ASSERT_GE(e.size(), 6u);
  EXPECT_EQ(e[0].type, kSystemeObjetLibre);
  EXPECT_EQ(e[0].indexObjetLibre, derriere1);
  EXPECT_EQ(e[1].indexObjetLibre, derriere2);
  EXPECT_NE(e[2].type, kSystemeObjetLibre);
  const size_t n = e.size();
  EXPECT_EQ(e[n - 2].type, kSystemeObjetLibre);
  EXPECT_EQ(e[n - 2].indexObjetLibre, devant1);
  EXPECT_EQ(e[n - 1].indexObjetLibre, devant2);
}

// The search fits the music alone: an object anchored after the music would
// keep the count above the target. The objects get their pages back.
TEST(ObjetsLibresPages, TheScaleSearchSetsTheAnchorsAsideAndRestoresThem) {
  TroisPages p;
  const int i = p.Ajoute(kPageObjetValeur, 6, true);
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 7);
  RecalculeEchellePourNombreDePage(p.doc, 0, &p.Setup(), 3);
  EXPECT_EQ(p.Objet(i).page, 6);
}

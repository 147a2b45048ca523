// Sound-effect objects: new objects take the effect defaults, their piano-roll
// area, which ones a drawn range shows, and how time ranges and bars are cut
// out of a staff's objects and of a bank's list.
#include <vector>

#include "BarTableFixtures.h"
#include "model/QrvFXs.h"

namespace {

constexpr int32_t kMesure = 161280;

struct FXsTest : BarTableTest {
  Portee** staff;
  FXsTest() {
    Mesures(3);
    staff = Portee0();
  }
  int32_t Ajoute(int32_t debut, int32_t fin) {
    int32_t i = NewFX(staff);
    int32_t n;
    FX& f = GetFXsPortee(staff, &n)[i];
    f.debut = debut;
    f.fin = fin;
    f.haut = int32_t(i);  // tells the objects apart once some are gone
    return i;
  }
  std::vector<std::vector<int32_t>> Spans() {
    std::vector<std::vector<int32_t>> out;
    int32_t n;
    const FX* f = GetFXsPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) out.push_back({f[i].haut, f[i].debut, f[i].fin});
    return out;
  }
};

TEST_F(FXsTest, NewObjectsTakeTheEffectDefaults) {
  EXPECT_EQ(NewFX(staff), 0);
  EXPECT_EQ(NewFX(staff), 1);
  EXPECT_EQ((*staff)->nbFXs, 2);
  int32_t n;
  const FX& f = GetFXsPortee(staff, &n)[1];
  EXPECT_EQ(f.affiche, 1);
  EXPECT_EQ(f.style.font, 3);
  EXPECT_EQ(f.style.size, 9);
  EXPECT_EQ(f.param.tempsReverb, 3000);
  EXPECT_EQ(f.debut, 0);
  EXPECT_EQ(f.cache, 0u);

  // Any list: a bank's effects.
  int16_t count = 0;
  Handle list = nullptr;
  EXPECT_EQ(NewFXGenerique(&count, &list), 0);
  EXPECT_EQ(NewFXGenerique(&count, &list), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(reinterpret_cast<FX*>(*list)[1].style.font, 3);
  DisposeHandle(list);

  DisposeFXs(staff);
  EXPECT_EQ((*staff)->fxs, nullptr);
  EXPECT_EQ((*staff)->nbFXs, 0);
}

TEST_F(FXsTest, PianoRollAreaWithShiftsAndNoMinimumWidth) {
  int32_t i = Ajoute(0, 40320);
  int32_t n;
  FX& f = GetFXsPortee(staff, &n)[i];
  f.decalageGauche = 3;
  f.decalageDroite = -2;
  f.haut = -10;
  f.bas = 20;
  const int32_t ref = (*staff)->aireRuban.top + (*staff)->decalageLigneBasRuban;
  BigRect r;
  EXPECT_EQ(CalculeAireFXRuban(doc, staff, i, &r), 1);
  // A quarter note is 40 pixels from the bar's header.
  EXPECT_EQ(r.left, CvtTempsEnPixelRuban(score, 0) + 3);
  EXPECT_EQ(r.right - r.left, 40 - 3 - 2);
  EXPECT_EQ(r.top, ref - 10);
  EXPECT_EQ(r.bottom, ref + 20);

  // At half zoom every length halves; an empty span stays empty.
  (*score)->zoom = 36;
  SetTabEltMesureModifie(score, kTabEltEspacement);
  GetFXsPortee(staff, &n)[i].fin = 0;
  CalculeAireFXRuban(doc, staff, i, &r);
  EXPECT_EQ(r.right - r.left, -1 - 2);
  EXPECT_EQ(r.bottom - r.top, 15);
  (*score)->zoom = 72;
}

TEST(FXsAffichage, WhichObjectsARangeShows) {
  const struct {
    int32_t debut, fin;
    uint32_t cache;
    bool attendu;
  } cas[] = {
      {100, 200, 0, true},                           // inside
      {1000, 2000, 0, true},                         // starts at the range's end
      {0, 100, 0, true},                             // starts before, ends at its start
      {0, 99, 0, false},                             // over before it starts
      {1001, 1500, 0, false}, {100, 200, 1, false},  // hidden, though inside
      {0, 5000, 1, false},
  };
  for (const auto& c : cas) {
    FX f{};
    f.debut = c.debut;
    f.fin = c.fin;
    f.cache = c.cache;
    EXPECT_EQ(IsFXAAfficher(&f, 100, 1000), c.attendu) << c.debut << ".." << c.fin << " hidden " << c.cache;
  }
}

TEST_F(FXsTest, CuttingTheSecondOfThreeBars) {
  Ajoute(10, 100);                             // bar 1: stays
  Ajoute(kMesure + 100, kMesure + 5000);       // inside bar 2: goes
  Ajoute(0, 3 * kMesure);                      // bars 1 to 3: one bar shorter
  Ajoute(2 * kMesure + 10, 2 * kMesure + 20);  // bar 3: moves to bar 2
  Ajoute(kMesure, kMesure + 10);               // starts at the cut: goes
  Ajoute(kMesure - 50, kMesure);               // ends at the cut: stays
  DeleteMesureFXs(staff, 1, 1);
  EXPECT_EQ(Spans(),
            (std::vector<std::vector<int32_t>>{
                {0, 10, 100}, {2, 0, 2 * kMesure}, {3, kMesure + 10, kMesure + 20}, {5, kMesure - 50, kMesure}}));
  EXPECT_EQ((*staff)->nbFXs, 4);
}

TEST_F(FXsTest, KeepingTheObjectsOfACutRange) {
  Ajoute(10, 100);
  Ajoute(kMesure + 100, kMesure + 5000);
  Ajoute(0, 3 * kMesure);
  Ajoute(2 * kMesure + 10, 2 * kMesure + 20);
  DeleteTimeRangeFXs(staff, kMesure, 2 * kMesure, 1);
  EXPECT_EQ(Spans(),
            (std::vector<std::vector<int32_t>>{
                {0, 10, 100}, {1, kMesure, kMesure + 4900}, {2, 0, 3 * kMesure}, {3, kMesure + 10, kMesure + 20}}));
}

TEST_F(FXsTest, ABanksListMovesOverDeletedBarsWithoutLosingAny) {
  int16_t count = 0;
  Handle list = nullptr;
  const int32_t spans[][2] = {{10, 100}, {kMesure + 100, kMesure + 5000}, {0, 3 * kMesure}};
  for (const auto& s : spans) {
    int32_t i = NewFXGenerique(&count, &list);
    reinterpret_cast<FX*>(*list)[i].debut = s[0];
    reinterpret_cast<FX*>(*list)[i].fin = s[1];
  }
  EXPECT_EQ(DeleteMesureTabFXs(score, count, list, 1, 1), 2 * kMesure);
  const FX* f = reinterpret_cast<FX*>(*list);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(f[0].fin, 100);
  EXPECT_EQ(f[1].debut, kMesure);
  EXPECT_EQ(f[1].fin, kMesure);
  EXPECT_EQ(f[2].fin, 2 * kMesure);
  DisposeHandle(list);
}

}  // namespace

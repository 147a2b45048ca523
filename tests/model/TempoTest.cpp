// The tempo curve (tempo staff, tempo marks, fermatas), milliseconds over
// played and written time, digital-track positions and the pre-roll.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BarTableFixtures.h"
#include "model/CourbeTempo.h"
#include "model/ParamEffet.h"
#include "model/QrvDynamics.h"
#include "model/Ruptures.h"
#include "model/TempsJoue.h"
#include "notation/ServicesNotation.h"
#include "stafftypes/ServicesTypesPortee.h"

namespace {

constexpr int32_t kMesure = 161280;
constexpr int32_t kNoire = 40320;

struct TempoTest : BarTableTest {
  TempoTest() {
    Mesures(8);
    (*score)->tempo = 120;
  }
  Portee** P(int16_t i, uint32_t type = kTypePorteeStandard) {
    while ((*score)->nbPortees <= i) NewPortee(score, type);
    return (*score)->portees[i];
  }
  // A tempo mark on staff 0; progressive when it has a span.
  int32_t Marque(int32_t start, int32_t end, float tempo, int32_t unit = kNoire) {
    Portee** p = P(0);
    int32_t i = NewDynamique(p);
    Dynamique& d = GetDynamiquesPortee(p, nullptr)[i];
    SetDefaultDynamique(&d, kDynTempo);
    d.debut = start;
    d.fin = end;
    d.progressif = end != start;
    d.uniteTempo = unit;
    InjecteTempoDansDynamique(&d, tempo);
    return i;
  }
  std::string Courbe() {
    int32_t n = 0;
    const PointTempo* p = GetPointsCourbeTempo(score, &n);
    std::string out;
    char ligne[64];
    for (int32_t i = 0; i < n; i++) {
      std::snprintf(ligne, sizeof ligne, "%d %g%s\n", p[i].temps, double(p[i].tempo), p[i].rampe ? " ramp" : "");
      out += ligne;
    }
    return out;
  }
  int32_t NbSegments(bool played) {
    Handle h = InitTableauCvtSec(score, played);
    int32_t n = int32_t(GetHandleSize(h) / Size(sizeof(SegmentCvtSec)));
    DisposeHandle(h);
    return n;
  }
  void Repete(int16_t first, int16_t last) {
    ASSERT_GE(AjouteRuptureEnMesure(score, 3, first, true, false), 0);
    ASSERT_GE(AjouteRuptureEnMesure(score, 4, last, true, false), 0);
    (*score)->nbMesures = 8;
    RemetRupturesEnForme(score);
    LibereTableauCvtSec(score);
  }
};

TEST_F(TempoTest, ACurveFromMarksAndAFermata) {
  (*score)->tempo = 100;
  Marque(2 * kNoire + 1000, 2 * kNoire + 1000, 120);  // seen from its 64th: 80640
  Marque(kMesure, 2 * kMesure, 80);                   // a progressive slowing over bar 1
  // Three bars of quarters, then a half note with a fermata of 200 %.
  Portee** p = P(0);
  for (int i = 0; i < 12; i++) AjouteSigne(p, 60, kNoire);
  AjouteSigne(p, 62, 2 * kNoire);
  AjouteSigne(p, 64, 2 * kNoire);
  int32_t e = AjouteParamEffet(p);
  Effet(p, e).pointOrgue = 200;
  int32_t n = 0;
  GetSignesPortee(p, &n)[12].indexParamEffet = int16_t(e);
  ASSERT_GE(AddMarkNote(p, 12, kMarkPointOrgue, 0, 0, 0), 0);

  CreeCourbeTempo(score);
  EXPECT_EQ(Courbe(),
            "80640 120\n"
            "161280 120 ramp\n"  // 33 % of the change at a third, 66 % at two thirds
            "214200 106.8\n"
            "214200 106.8 ramp\n"
            "267120 93.6\n"
            "267120 93.6 ramp\n"
            "322560 80\n"
            "483839 80\n"  // the fermata's half note plays at half the tempo
            "483840 40\n"
            "564479 40\n"
            "564480 80\n");
  struct {
    int32_t tick;
    float tempo;
  } cas[] = {{0, 100},     {80639, 100}, {80640, 120}, {161280, 120}, {186480, 113.714286f}, {214200, 106.8f},
             {322560, 80}, {483839, 80}, {483840, 40}, {564479, 40},  {564480 + 2519, 80},   {9 * kMesure, 80}};
  for (auto c : cas) EXPECT_NEAR(CvtTempsEnTempo(score, c.tick), c.tempo, 1e-3) << c.tick;
  EXPECT_EQ(CvtTempsEnTempo(score, 2519), CvtTempsEnTempo(score, 0));
  EXPECT_EQ(CvtTempsEnTempo(nullptr, 0), 120.0f);

  // An inactive fermata slows nothing.
  Mark* m = reinterpret_cast<Mark*>(*Effet(p, e).marks);
  m[0].actif = 0;
  CreeCourbeTempo(score);
  EXPECT_EQ(CvtTempsEnTempo(score, 483840), 80.0f);
}

TEST_F(TempoTest, MarksStaffNotesAndTheirSpans) {
  // Without any source the curve is empty: the score's tempo everywhere.
  CreeCourbeTempo(score);
  ASSERT_NE((*score)->courbeTempo, nullptr);
  EXPECT_EQ(Courbe(), "");
  (*score)->fractionTempo = 32768;
  EXPECT_NEAR(CvtTempsEnTempo(score, 5 * kMesure), 120.5f, 1e-4);
  (*score)->fractionTempo = 0;

  // A mark of 60 dotted quarters is 90 quarters; a change at tick 1000 holds from tick 0.
  Marque(1000, 1000, 60, 60480);
  ClearCourbeTempo(score);
  EXPECT_NEAR(CvtTempsEnTempo(score, 0), 90.0f, 1e-3);
  // A progressive change from 100 to 130 over three quarters passes 110 after one.
  DisposeDynamiques(P(0));
  (*score)->tempo = 100;
  Marque(kNoire, 4 * kNoire, 130);
  CreeCourbeTempo(score);
  EXPECT_NEAR(CvtTempsEnTempo(score, 2 * kNoire), 110.0f, 0.2f);
  EXPECT_EQ(CvtTempsEnTempo(score, 4 * kNoire), 130.0f);

  // A tempo staff's notes set the tempo where they start; its rests and the
  // chords' inner members add nothing.
  DisposeDynamiques(P(0));
  Portee** t = P(1, kTypePorteeTempo);
  AjouteSigne(t, 0, kNoire);
  AjouteSigne(t, -1, kNoire);
  AjouteSigne(t, 0, kNoire, 100, kSigneAccordSuite);
  AjouteSigne(t, 0, kNoire);
  int32_t n = 0;
  Signe* s = GetSignesPortee(t, &n);
  InjecteTempoDansNote(&s[0], 90.5f);
  InjecteTempoDansNote(&s[2], 70.0f);
  InjecteTempoDansNote(&s[3], 75.0f);
  EXPECT_EQ(s[0].pourcentJoue, 90);
  EXPECT_EQ(s[0].decalageArpege, 16000);
  EXPECT_EQ(LocalisePorteeTempo(score), t);
  CreeCourbeTempo(score);
  EXPECT_EQ(Courbe(), "0 90.5\n80640 70\n80640 75\n");
  // Tempo marks on the tempo staff itself are not read.
  int32_t k = NewDynamique(t);
  SetDefaultDynamique(&GetDynamiquesPortee(t, nullptr)[k], kDynTempo);
  CreeCourbeTempo(score);
  EXPECT_EQ(Courbe(), "0 90.5\n80640 70\n80640 75\n");
}

TEST_F(TempoTest, PointsAddedLaterCutRampsAndKeepTheOrder) {
  Marque(kMesure, 2 * kMesure, 60);
  Portee** t = P(1, kTypePorteeTempo);
  AjouteSigne(t, 0, kMesure);
  int32_t n = 0;
  InjecteTempoDansNote(&GetSignesPortee(t, &n)[0], 120.0f);
  CreeCourbeTempo(score);
  // A step inside a ramp ends it there, at the tempo the ramp had reached:
  // the ramp's first part is unchanged, the step holds up to the next ramp.
  float avant = CvtTempsEnTempo(score, kMesure + 5040);
  AddFixedTempoPoint(score, kMesure + 10000, 200.0f);
  EXPECT_NEAR(CvtTempsEnTempo(score, kMesure + 5040), avant, 1e-3);
  EXPECT_EQ(CvtTempsEnTempo(score, kMesure + 10000), 200.0f);
  EXPECT_EQ(CvtTempsEnTempo(score, 200000), 200.0f);
  // A ramp over earlier points replaces them: ticks stay in order.
  AddSmoothTempoPoint(score, 0, 3 * kMesure, 50.0f, 150.0f);
  const PointTempo* p = GetPointsCourbeTempo(score, &n);
  for (int32_t i = 1; i < n; i++) EXPECT_LE(p[i - 1].temps, p[i].temps) << Courbe();
  EXPECT_NEAR(CvtTempsEnTempo(score, 3 * kMesure / 2), 100.0f, 1e-3);
  // Without a curve nothing is added.
  ClearCourbeTempo(score);
  AddFixedTempoPoint(score, 0, 10.0f);
  EXPECT_EQ((*score)->courbeTempo, nullptr);
}

TEST_F(TempoTest, TempoMarksStoreTheirTempoAndRebuildsFreeTheTables) {
  struct {
    float tempo;
    uint16_t v1, v2;
  } cas[] = {{90, 90, 0}, {72.5f, 72, 50}, {0, 1, 0}, {-3, 1, 0}, {9999, 5000, 0}};
  for (auto c : cas) {
    Dynamique d{};
    InjecteTempoDansDynamique(&d, c.tempo);
    EXPECT_EQ(d.valeur1, c.v1) << c.tempo;
    EXPECT_EQ(d.valeur2, c.v2) << c.tempo;
  }
  Portee** p = P(0);
  int32_t i = AjouteObjetTempo(score, nullptr, 5000, 66.6f);
  ASSERT_EQ(i, 0);
  const Dynamique& d = GetDynamiquesPortee(p, nullptr)[i];
  Rect r{};
  GetRectStdDynamique(p, &d, &r);
  EXPECT_EQ(d.type, kDynTempo);
  EXPECT_EQ(d.flagTempo, 1);
  EXPECT_EQ(d.tempoAffiche, 0);
  EXPECT_EQ(d.debut, 5000);
  EXPECT_EQ(d.fin, 5000 + kNoire);
  EXPECT_EQ(d.haut, -32);
  EXPECT_EQ(d.bas, r.bottom - 32);
  EXPECT_EQ(d.valeur1, 66);
  EXPECT_EQ(d.valeur2, 60);
  EXPECT_EQ(AjouteObjetTempo(nullptr, nullptr, 0, 60), -1);

  // A rebuild frees both milliseconds tables; a changed curve asks sung
  // staves for a new synthesis, an unchanged one does not.
  (*p)->chante = 1;
  CreeCourbeTempo(score);
  EXPECT_EQ((*p)->chantACalculer, 1);
  CvtTempsJoueEnMs(score, kMesure, true);
  CvtTempsJoueEnMs(score, kMesure, false);
  ASSERT_NE((*score)->tableauCvtSec, nullptr);
  ASSERT_NE((*score)->tableauCvtSecEcrit, nullptr);
  (*p)->chantACalculer = 0;
  PrepareDynamiquesTempoPartition(score);
  EXPECT_EQ((*score)->tableauCvtSec, nullptr);
  EXPECT_EQ((*score)->tableauCvtSecEcrit, nullptr);
  EXPECT_EQ((*p)->chantACalculer, 0);
  GetDynamiquesPortee(p, nullptr)[i].valeur1 = 70;
  PrepareDynamiquesTempoPartition(score);
  EXPECT_EQ((*p)->chantACalculer, 1);
}

TEST_F(TempoTest, MillisecondsFollowTheTempoBothWays) {
  // 120 everywhere: a quarter is 500 ms.
  EXPECT_EQ(CvtTempsJoueEnMs(score, kNoire, true), 500);
  EXPECT_EQ(CvtMsEnTempsJoue(score, 500, true), kNoire);
  EXPECT_EQ(CvtMesureJoueeEnMs(score, 3), 6000);
  // A score never given a tempo runs at 120 too, not at a standstill.
  (*score)->tempo = 0;
  LibereTableauCvtSec(score);
  ClearCourbeTempo(score);
  EXPECT_EQ(CvtTempsJoueEnMs(score, kNoire, false), 500);
  (*score)->tempo = 120;

  // 60 from bar 1, 240 from bar 2 (a change at +1000 is seen from the bar's start).
  Marque(kMesure, kMesure, 60);
  Marque(2 * kMesure + 1000, 2 * kMesure + 1000, 240);
  ClearCourbeTempo(score);
  LibereTableauCvtSec(score);
  EXPECT_EQ(CvtTempsJoueEnMs(score, kMesure, true), 2000);
  EXPECT_EQ(CvtTempsJoueEnMs(score, 2 * kMesure, true), 6000);
  EXPECT_EQ(CvtTempsJoueEnMs(score, 3 * kMesure, true), 7000);
  EXPECT_EQ(CvtTempsJoueEnMs(score, 3 * kMesure, false), 7000);
  EXPECT_EQ(CvtMsEnTempsJoue(score, 6500, true), 2 * kMesure + 2 * kNoire);
  EXPECT_EQ(CvtMsEnTempsJoue(score, -1, true), 0);
  EXPECT_EQ(CvtTempsJoueEnMs(score, -kNoire, true), -500);
  for (int32_t ms = 0; ms <= 9000; ms += 37) {
    int32_t t = CvtMsEnTempsJoue(score, ms, true);
    EXPECT_EQ(CvtTempsJoueEnMs(score, t, true), ms) << ms;
  }
  // Ticks come back within half a millisecond (rounded) and a tick
  // (truncated): at 240, 81 ticks.
  for (int32_t t = 0; t <= 4 * kMesure; t += 997) {
    int32_t back = CvtMsEnTempsJoue(score, CvtTempsJoueEnMs(score, t, true), true);
    EXPECT_LE(std::abs(back - t), t < 2 * kMesure ? 41 : 82) << t;
  }
  EXPECT_EQ(CvtTempsJoueEnMs(nullptr, 5, true), 0);
  EXPECT_EQ(CvtMsEnTempsJoue(nullptr, 5, true), 0);
}

TEST_F(TempoTest, PlayedTimeWalksRepeatsAndDigitalTracksFindTheirPass) {
  Marque(2 * kMesure, 2 * kMesure, 60);  // bar 2 onward at 60
  ClearCourbeTempo(score);
  Repete(1, 2);  // played bars 0 1 2 1 2 3 4 5 6 7
  ASSERT_EQ(GetNbMesuresJouees(score), 10);
  // 2 s, 2 s, 4 s, then bar 1 at 120 again, bar 2 at 60 again.
  EXPECT_EQ(CvtMesureJoueeEnMs(score, 4), 10000);
  EXPECT_EQ(CvtMesureJoueeEnMs(score, 5), 14000);
  EXPECT_EQ(CvtTempsJoueEnMs(score, 3 * kMesure, false), 8000);

  struct {
    int32_t ms;
    int32_t mesure, passage, joue;
  } cas[] = {{1000, 0, 0, 0},  {5000, 2, 0, 2},   {9000, 1, 1, 3},  {11000, 2, 1, 4},
             {14001, 3, 0, 5}, {35000, 8, 0, 10}, {39000, 9, 0, 11}};
  for (auto c : cas) {
    SCOPED_TRACE(c.ms);
    uint32_t offset = uint32_t(c.ms) * 441 / 10;
    int32_t mesure = -1, passage = -1, joue = -1;
    EXPECT_EQ(CvtPosPisteNumeriqueEnMesureEcrite(doc, 44100, offset, &mesure, &passage, &joue), c.mesure);
    EXPECT_EQ(mesure, c.mesure);
    EXPECT_EQ(passage, c.passage);
    EXPECT_EQ(joue, c.joue);
  }
  // 11 s of samples reach the second time through bar 2, a quarter in.
  EXPECT_EQ(CvtPosPisteEnTempsEcrit(score, 44100, 485100), 2 * kMesure + kNoire);
  EXPECT_EQ(CvtPosPisteEnTempsEcrit(score, 0, 485100), 0);
  EXPECT_EQ(CvtPosPisteEnMs(48000, 48000 * 3), 3000);
  // On the page the position stands a quarter into the cell of that pass.
  Portee** piste = P(1, kTypePorteePisteNumerique);
  Rect cellule{1, 2, 3, 4};
  int32_t joue = -1;
  EXPECT_EQ(CvtPosPisteNumeriqueEnPosEcr(doc, piste, 485100, &cellule, &joue),
            CvtTempsEnPixelEcran(score, 2 * kMesure + kNoire) - CvtMesureEnPixelEcran(score, 2));
  EXPECT_EQ(joue, 4);
  EXPECT_GT(cellule.right, cellule.left);
}

TEST_F(TempoTest, AShortPlayedListEndsTheTable) {
  // Bar 0 turns to 60 halfway; only bars 1 and 2 (0 and 1) are played.
  Marque(2 * kNoire, 2 * kNoire, 60);
  ClearCourbeTempo(score);
  const char liste[] = "1-2";
  ASSERT_TRUE(CvtStringToTabMesures(score, liste, int32_t(std::strlen(liste)), nullptr));
  LibereTableauCvtSec(score);
  EXPECT_EQ(NbSegments(true), 2);
  EXPECT_EQ(NbSegments(false), 2);
  EXPECT_EQ(CvtTempsJoueEnMs(score, kMesure, true), 3000);
  EXPECT_EQ(CvtTempsJoueEnMs(score, 2 * kMesure, true), 7000);
}

TEST_F(TempoTest, PreRollInTicksAcrossTempoChanges) {
  (*score)->tempo = 60;
  (*score)->preRoll = 100;  // half a second
  EXPECT_EQ(GetRetardNegatifPartition200e(score), 100);
  EXPECT_EQ(GetRetardNegatifPartition200e(nullptr), 0);
  EXPECT_EQ(GetRetardNegatifPartitionTemps(score, 100000, true), 20160);
  EXPECT_EQ(GetRetardNegatifPartitionTemps(score, 100000, false), 20160);
  EXPECT_EQ(GetRetardNegatifPartitionTemps(score, 1000, false), 20160);
  EXPECT_EQ(GetRetardNegatifPartitionTemps(nullptr, 1000, true), 0);
  // 120 from bar 1: half a second is 250 ms at 60 and 250 at 120.
  Marque(kMesure, kMesure, 120);
  ClearCourbeTempo(score);
  EXPECT_EQ(GetRetardNegatifPartitionTemps(score, kMesure - 10080, true), 10080 + 20160);
  // Backward from 125 ms into bar 1: 125 ms at 120, 375 ms at 60.
  EXPECT_EQ(GetRetardNegatifPartitionTemps(score, kMesure + 10080, false), 10080 + 15120);
}

}  // namespace

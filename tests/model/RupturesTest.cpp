// Ruptures: presets, sorting, adding and removing with their margins, texts
// and searches; the played-bar table built from them and the conversions
// between written and played time.
#include <random>
#include <vector>

#include "BarTableFixtures.h"
#include "model/Ruptures.h"
#include "model/TempsJoue.h"

namespace {

constexpr int32_t kMesure = kDureeRonde;  // a 4/4 bar

struct RupturesTest : BarTableTest {
  RupturesTest() { Mesures(8); }

  int16_t Ajoute(int16_t preset, int16_t bar, bool atStart = true) {
    return AjouteRuptureEnMesure(score, preset, bar, atStart, false);
  }
  std::vector<int16_t> Classes() {
    std::vector<int16_t> out;
    for (int16_t i = 0; i < GetNbRuptures(score); i++) out.push_back(GetTypeRupture(GetRupture(score, i)));
    return out;
  }
  std::vector<int32_t> Joues() {
    std::vector<int32_t> out;
    Handle h = (*score)->tabCvtMesure;
    for (int32_t i = 0; i < (*score)->nbCvtMesures; i++) out.push_back(GetLignesCvtMesure(h)[i].mesure);
    return out;
  }
  std::vector<int32_t> Passages() {
    std::vector<int32_t> out;
    Handle h = (*score)->tabCvtMesure;
    for (int32_t i = 0; i < (*score)->nbCvtMesures; i++) out.push_back(int32_t(GetLignesCvtMesure(h)[i].passage));
    return out;
  }
};

TEST_F(RupturesTest, PresetsCarryTheirFieldsAndStyle) {
  ASSERT_EQ(kNbPredefRupture, 22);
  for (const Rupture& r : TabPredefRupture) {
    EXPECT_EQ(r.mesure, 0);
    EXPECT_EQ(r.style.font, 20);
    EXPECT_EQ(r.style.face, 2);
    EXPECT_EQ(r.style.size, 12);
  }
  const Rupture& fin = TabPredefRupture[4];
  EXPECT_EQ(fin.placement, 3u);
  EXPECT_EQ(fin.barre, 8u);
  EXPECT_EQ(fin.type, 14u);
  EXPECT_EQ(fin.modePassage, 1u);
  EXPECT_EQ(fin.nbPassages, 1);
  EXPECT_EQ(TabPredefRupture[10].decalageXTexte, -2);
  EXPECT_STREQ(TabPredefRupture[20].texte, "Dal Segno $S Al Coda $C");
  EXPECT_EQ(TabPredefRupture[20].al, 1u);
  EXPECT_EQ(TabPredefRupture[11].parametre, -1);
  EXPECT_EQ(TabPredefRupture[21].barre, 9u);
}

TEST_F(RupturesTest, RecordsOfOneBarSortByClassAndTheTrackedIndexFollows) {
  // Added in an order that the sort has to undo.
  Ajoute(5, 2, false);  // bar line at the end: class 5
  Ajoute(10, 2);        // ending end: 4
  Ajoute(13, 2);        // Fine at the end: 3
  Ajoute(11, 2);        // segno sign: 2
  Ajoute(9, 2);         // ending start: 1
  Ajoute(5, 2, true);   // bar line at the start: 0
  Ajoute(0, 2);         // neither: -1
  Ajoute(13, 1);        // an earlier bar goes first
  EXPECT_EQ(Classes(), (std::vector<int16_t>{3, -1, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(GetRupture(score, 0)->mesure, 1);
  EXPECT_EQ((*score)->mesureMaxRupture, 2);
  EXPECT_EQ((*score)->nbRuptures, 8);

  // A record moved out of order is found again where the sort puts it.
  GetRupture(score, 7)->mesure = 0;
  EXPECT_EQ(ClasseRuptures(score, 7), 0);
  EXPECT_EQ(GetRupture(score, 0)->barre, kBarreGrise);  // the bar line that was at the end
  EXPECT_EQ(ClasseRuptures(score, -1), -1);
}

TEST_F(RupturesTest, RepeatsEndingsAndLabelsGrowOnTheirRecords) {
  int16_t a = Ajoute(4, 3);
  int16_t b = Ajoute(4, 3);
  EXPECT_EQ(a, b);
  EXPECT_EQ(GetRupture(score, b)->nbPassages, 2);
  EXPECT_STREQ(GetRupture(score, b)->texte, "x$P");

  // Three ending starts at successive bars: passes 1, 2 and 3.
  for (int16_t bar = 4; bar <= 6; bar++) {
    const Rupture* r = GetRupture(score, Ajoute(9, bar));
    for (int p = 0; p < kNbPassagesVolta; p++) EXPECT_EQ(r->passagesVolta[p], p == bar - 4 ? 1 : 0) << bar;
  }
  // Another pass added to an ending that is there already.
  const Rupture* v = GetRupture(score, Ajoute(9, 4));
  EXPECT_EQ(v->passagesVolta[0], 1);
  EXPECT_EQ(v->passagesVolta[1], 1);

  // Segnos take the smallest free label.
  EXPECT_EQ(GetRupture(score, Ajoute(11, 0))->parametre, 0);
  EXPECT_STREQ(GetRupture(score, RechercheRuptureStrict(score, 0, 0, 0))->texte, "$S");
  Ajoute(11, 1);
  const Rupture* s = GetRupture(score, Ajoute(11, 2));
  EXPECT_EQ(s->parametre, 2);
  EXPECT_STREQ(s->texte, "$S$N");
}

TEST(RupturesTextes, PassAndLabelTexts) {
  Rupture ds = TabPredefRupture[16];
  SetActionParamRupture(&ds, 2);
  EXPECT_STREQ(ds.texte, "Dal Segno $S$N");
  SetActionParamRupture(&ds, 2);
  EXPECT_STREQ(ds.texte, "Dal Segno $S$N");
  SetActionParamRupture(&ds, 0);
  EXPECT_STREQ(ds.texte, "Dal Segno $S");

  Rupture go = TabPredefRupture[0];
  go.type = kRuptureAllerMesure;
  SetActionParamRupture(&go, 5);
  EXPECT_STREQ(go.texte, "$N");

  Rupture rep = TabPredefRupture[4];
  SetNbPassageRupture(&rep, 3);
  EXPECT_STREQ(rep.texte, "x$P");
  EXPECT_EQ(rep.nbPassages, 3);
  SetNbPassageRupture(&rep, 1);
  EXPECT_STREQ(rep.texte, "x");
  rep.modePassage = 2;
  SetNbPassageRupture(&rep, 2);
  EXPECT_STREQ(rep.texte, "$P$T,x");
  rep.modePassage = 4;
  SetNbPassageRupture(&rep, 9);
  EXPECT_EQ(rep.nbPassages, 2);

  // Texts never outgrow their field.
  Rupture plein = TabPredefRupture[16];
  std::memset(plein.texte, 'a', sizeof plein.texte - 1);
  plein.texte[sizeof plein.texte - 1] = 0;
  SetActionParamRupture(&plein, 3);
  EXPECT_EQ(std::strlen(plein.texte), sizeof plein.texte - 1);
}

TEST_F(RupturesTest, SearchesUseTheEffectiveBarOfEndRecords) {
  Ajoute(13, 4);  // Fine at the end of bar 4
  Ajoute(11, 5);  // segno over bar 5
  EXPECT_EQ(RechercheRupture(score, 0, 5), 0);
  EXPECT_EQ(RechercheRupture(score, 1, 5), 1);
  EXPECT_EQ(RechercheRupture(score, 0, 4), -1);
  EXPECT_EQ(RechercheRuptureStrict(score, 0, 4, 1), 0);
  EXPECT_EQ(RechercheRuptureStrict(score, 0, 4, 0), -1);
  EXPECT_EQ(RechercheRuptureStrict(score, 0, 4, 2), -1);
  EXPECT_EQ(GetIndexTypeRupturePresent(score, 3, 4), 0);
  ReporteRuptureFinMesureSurMesureSuivante(score, 4);
  EXPECT_EQ(GetRupture(score, 0)->mesure, 5);

  Ajoute(5, 7);  // a grey hairline is not "visible"
  EXPECT_EQ(RechercheRuptureVisible(score, 7), -1);
  EXPECT_EQ(RechercheRupture(score, 0, 7), 2);
  EXPECT_EQ(RechercheRuptureVisible(score, 6), 1);  // the Fine, after the segno once sorted
  EXPECT_EQ(AjouteRuptureEnMesure(score, 3, 7999, true, false), -1);
  EXPECT_EQ(RechercheRupture(nullptr, 0, 0), -1);
}

TEST_F(RupturesTest, SnappedPresetsGoToTheNearestBarLine) {
  int32_t debut3 = CvtMesureEnTemps(score, 3);
  // An end-of-bar preset asked early in bar 3 ends bar 2; a sign asked late
  // in bar 3 goes over bar 4; without snapping both stay in bar 3.
  EXPECT_EQ(GetRupture(score, AjouteRupture(score, 13, debut3 + 10, true))->mesure, 2);
  EXPECT_EQ(GetRupture(score, AjouteRupture(score, 11, debut3 + kMesure - 10, true))->mesure, 4);
  EXPECT_EQ(GetRupture(score, AjouteRupture(score, 12, debut3 + kMesure - 10, false))->mesure, 3);
  // Plain bar lines follow the half of the bar instead.
  const Rupture* r = GetRupture(score, AjouteRupture(score, 6, debut3 + kMesure - 10, true));
  EXPECT_EQ(r->mesure, 3);
  EXPECT_EQ(r->placement, kRupturePlacementFin);
}

TEST_F(RupturesTest, ThinBarLineToggles) {
  int32_t t = CvtMesureEnTemps(score, 3) + 10;  // early in bar 3: its start
  int16_t i = AjouteRupture(score, 21, t, true);
  ASSERT_GE(i, 0);
  EXPECT_EQ(GetRupture(score, i)->mesure, 3);
  EXPECT_EQ(GetRupture(score, i)->placement, 1u);
  // Late in bar 2 is the same bar line.
  EXPECT_EQ(AjouteRupture(score, 21, CvtMesureEnTemps(score, 3) - 10, true), -1);
  EXPECT_EQ(GetNbRuptures(score), 0);
  EXPECT_EQ((*score)->ruptures, nullptr);
}

TEST_F(RupturesTest, BarLinesWidenTheirBarAndGiveTheWidthBack) {
  int16_t debut = Ajoute(3, 2);  // begin repeat: 24 at the start
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 2), 24);
  Ajoute(4, 2);  // end repeat: 16 at the end
  EXPECT_EQ(CvtMesureEnMargeDroiteMesure(score, 2), 16);
  Ajoute(8, 5, true);  // dashed, 4: the left margin stays at least 16
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 5), 16);

  // A sign without a bar line gives nothing back when it goes.
  Ligne(2).margeGauche = 40;
  Ligne(2).margeDroite = 30;
  int16_t segno = Ajoute(11, 2);
  DeleteRupture(score, segno, true);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 2), 40);
  EXPECT_EQ(CvtMesureEnMargeDroiteMesure(score, 2), 30);
  ASSERT_EQ(GetRupture(score, debut)->type, kRuptureDebutRepetition);
  DeleteRupture(score, debut, true);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 2), 16);
  int16_t fin = RechercheRuptureStrict(score, 0, 2, 1);
  DeleteRupture(score, fin, true);
  EXPECT_EQ(CvtMesureEnMargeDroiteMesure(score, 2), 14);
  // Without adjustment the margins stay.
  Ligne(5).margeGauche = 50;
  DeleteRupture(score, 0, false);
  EXPECT_EQ(CvtMesureEnMargeGaucheMesure(score, 5), 50);
  EXPECT_EQ((*score)->mesureMaxRupture, 0);
}

// ------------------------------------------------------- played bars

struct Placement {
  int16_t preset;
  int16_t bar;
};

struct CasJoue {
  const char* nom;
  int32_t nbMesures;
  std::vector<Placement> ruptures;
  std::vector<int32_t> joues;
};

TEST_F(RupturesTest, PlayedBarsUnrollRepeatsEndingsAndJumps) {
  const CasJoue cas[] = {
      {"plain repeat", 4, {{3, 1}, {4, 2}}, {0, 1, 2, 1, 2, 3}},
      {"repeat from the start", 3, {{4, 1}}, {0, 1, 0, 1, 2}},
      {"three times", 3, {{3, 1}, {4, 1}, {4, 1}}, {0, 1, 1, 1, 2}},
      {"first and second endings", 5, {{3, 1}, {9, 2}, {10, 2}, {4, 2}, {9, 3}, {10, 3}}, {0, 1, 2, 1, 3, 4}},
      {"first ending alone", 3, {{3, 0}, {9, 1}, {10, 1}, {4, 1}}, {0, 1, 0, 2}},
      {"da capo al fine", 4, {{13, 1}, {17, 3}}, {0, 1, 2, 3, 0, 1}},
      {"dal segno al coda", 8, {{11, 1}, {14, 3}, {20, 5}, {12, 6}}, {0, 1, 2, 3, 4, 5, 1, 2, 3, 6, 7}},
      {"dal segno al fine", 6, {{11, 1}, {13, 2}, {18, 4}}, {0, 1, 2, 3, 4, 1, 2}},
      {"da capo al coda", 6, {{14, 1}, {19, 3}, {12, 4}}, {0, 1, 2, 3, 0, 1, 4, 5}},
      {"plain dal segno", 5, {{11, 1}, {16, 3}}, {0, 1, 2, 3, 1, 2, 3, 4}},
      {"plain da capo", 4, {{15, 2}}, {0, 1, 2, 0, 1, 2, 3}},
      {"fine alone", 4, {{13, 1}}, {0, 1}},
      {"to coda the last time", 6, {{14, 2}, {4, 3}, {12, 4}}, {0, 1, 2, 3, 0, 1, 2, 4, 5}},
      {"begin of music", 4, {{1, 1}}, {1, 2, 3}},
      {"end of music", 4, {{2, 1}}, {0, 1}},
      {"dal segno without segno", 3, {{16, 1}}, {0, 1, 2}},
  };
  for (const CasJoue& c : cas) {
    SCOPED_TRACE(c.nom);
    while (GetNbRuptures(score) > 0) DeleteRupture(score, 0, false);
    (*score)->nbMesures = int16_t(c.nbMesures);
    for (const Placement& p : c.ruptures) ASSERT_GE(Ajoute(p.preset, p.bar), 0);
    (*score)->nbMesures = int16_t(c.nbMesures);
    RemetRupturesEnForme(score);
    EXPECT_EQ(Joues(), c.joues);
  }
}

// Jumps over repeated sections. After a Da Capo no repeat is taken and the
// last ending plays. After a Dal Segno a plain repeat is not taken again (its
// count is spent), but a group of endings the jump went back over is played
// again from its first ending, with its repeat: the walk resets jumped-over
// ending groups, and keeps that rule.
TEST_F(RupturesTest, JumpsOverRepeatedSectionsAndEndings) {
  const CasJoue cas[] = {
      {"da capo al fine over a repeat", 6, {{3, 1}, {4, 2}, {13, 3}, {17, 5}}, {0, 1, 2, 1, 2, 3, 4, 5, 0, 1, 2, 3}},
      {"da capo al fine over endings",
       6,
       {{9, 1}, {10, 1}, {4, 1}, {9, 2}, {10, 2}, {13, 2}, {17, 5}},
       {0, 1, 0, 2, 3, 4, 5, 0, 2}},
      {"da capo al coda with endings",
       8,
       {{3, 1}, {9, 2}, {10, 2}, {4, 2}, {9, 3}, {10, 3}, {14, 4}, {19, 5}, {12, 6}},
       {0, 1, 2, 1, 3, 4, 5, 0, 1, 3, 4, 6, 7}},
      {"three endings",
       6,
       {{3, 1}, {9, 2}, {10, 2}, {4, 2}, {9, 3}, {10, 3}, {4, 3}, {9, 4}, {10, 4}},
       {0, 1, 2, 1, 3, 1, 4, 5}},
      {"two repeated sections", 5, {{4, 1}, {3, 2}, {4, 3}}, {0, 1, 0, 1, 2, 3, 2, 3, 4}},
      {"dal segno al fine over a repeat",
       6,
       {{11, 1}, {3, 1}, {4, 2}, {13, 3}, {18, 5}},
       {0, 1, 2, 1, 2, 3, 4, 5, 1, 2, 3}},
      {"plain dal segno over a repeat", 6, {{11, 1}, {3, 1}, {4, 2}, {16, 4}}, {0, 1, 2, 1, 2, 3, 4, 1, 2, 3, 4, 5}},
      {"dal segno al coda over a repeat",
       8,
       {{11, 1}, {3, 1}, {4, 2}, {14, 3}, {20, 5}, {12, 6}},
       {0, 1, 2, 1, 2, 3, 4, 5, 1, 2, 3, 6, 7}},
      {"dal segno al coda with endings",
       9,
       {{11, 1}, {3, 1}, {9, 3}, {10, 3}, {4, 3}, {9, 4}, {10, 4}, {14, 5}, {20, 6}, {12, 7}},
       {0, 1, 2, 3, 1, 2, 4, 5, 6, 1, 2, 3, 1, 2, 4, 5, 7, 8}},
  };
  for (const CasJoue& c : cas) {
    SCOPED_TRACE(c.nom);
    while (GetNbRuptures(score) > 0) DeleteRupture(score, 0, false);
    (*score)->nbMesures = int16_t(c.nbMesures);
    for (const Placement& p : c.ruptures) ASSERT_GE(Ajoute(p.preset, p.bar), 0);
    (*score)->nbMesures = int16_t(c.nbMesures);
    RemetRupturesEnForme(score);
    EXPECT_EQ(Joues(), c.joues);
  }
}

TEST_F(RupturesTest, PlayedRowsCarryPassesAndTimes) {
  (*score)->nbMesures = 4;
  Ajoute(3, 1);
  Ajoute(4, 2);
  (*score)->nbMesures = 4;
  RemetRupturesEnForme(score);
  ASSERT_EQ(Joues(), (std::vector<int32_t>{0, 1, 2, 1, 2, 3}));
  EXPECT_EQ(Passages(), (std::vector<int32_t>{1, 1, 1, 2, 2, 1}));
  const LigneCvtMesure* l = GetLignesCvtMesure((*score)->tabCvtMesure);
  for (int32_t i = 0; i < 6; i++) {
    EXPECT_EQ(l[i].debutJoue, uint32_t(i * kMesure));
    EXPECT_EQ(l[i].debutEcrit, uint32_t(l[i].mesure * kMesure));
  }
  EXPECT_EQ(CvtPosMesureEnNbPassages(score, 1), 2);
  EXPECT_EQ(CvtPosMesureEnNbPassages(score, 3), 1);
  EXPECT_EQ(CvtPosMesurePassageEnMesureJouee(score, 2, 1), 4);
  EXPECT_EQ(CvtPosMesurePassageEnMesureJouee(score, 2, 2), -1);
  EXPECT_EQ(CvtPosMesurePassageEnMesureJouee(score, 2, -1), -1);
  EXPECT_EQ(CalculeIndexMesureSelonRupture(score, 3), 1);
  EXPECT_EQ(CalculeIndexMesureSelonRupture(score, 6), -1);
  EXPECT_EQ(DureeTotaleMusique(score), 6 * kMesure - 1);
  EXPECT_EQ(CvtMesureJoueeEnTempsJoue(score, 4), 4 * kMesure);
  EXPECT_EQ(CvtMesureJoueeEnTempsJoue(score, 0), 0);

  // Written -> played -> written, on the first and on the last pass.
  for (int32_t t : {0, 17, kMesure + 5, 2 * kMesure + kMesure / 2, 3 * kMesure + 1}) {
    for (bool last : {false, true}) {
      int32_t p = CvtTempsEcritEnTempsJoue(score, t, last);
      EXPECT_EQ(CvtTempsJoueEnTempsEcrit(score, p), t) << t << " " << last;
      int32_t rest = -1;
      int32_t row = CvtTempsJoueEnMesureJouee(score, p, &rest);
      EXPECT_EQ(CalculeIndexMesureSelonRupture(score, row), CvtTempsEnMesure(score, t));
      EXPECT_EQ(rest, t - CvtMesureEnTemps(score, CvtTempsEnMesure(score, t)));
    }
  }
  EXPECT_EQ(CvtTempsEcritEnTempsJoue(score, kMesure + 5, false), kMesure + 5);
  EXPECT_EQ(CvtTempsEcritEnTempsJoue(score, kMesure + 5, true), 3 * kMesure + 5);
  // Every played time maps into the written bar of its row.
  for (int32_t p = 0; p < 6 * kMesure; p += kMesure / 3) {
    int32_t row = CvtTempsJoueEnMesureJouee(score, p, nullptr);
    EXPECT_EQ(CvtTempsEnMesure(score, CvtTempsJoueEnTempsEcrit(score, p)), Joues()[size_t(row)]) << p;
  }
  EXPECT_EQ(CvtTempsJoueEnTempsEcrit(score, -5), -5);
}

TEST_F(RupturesTest, WithoutRupturesPlayedIsWritten) {
  RemetRupturesEnForme(score);
  EXPECT_EQ((*score)->tabCvtMesure, nullptr);
  for (int32_t t : {0, 99, 3 * kMesure + 7}) {
    EXPECT_EQ(CvtTempsEcritEnTempsJoue(score, t, true), t);
    EXPECT_EQ(CvtTempsJoueEnTempsEcrit(score, t), t);
  }
  EXPECT_EQ(CalculeIndexMesureSelonRupture(score, 5), 5);
  EXPECT_EQ(CvtPosMesureEnNbPassages(score, 5), 1);
  EXPECT_EQ(CvtPosMesurePassageEnMesureJouee(score, 5, 0), 5);
  EXPECT_EQ(CvtPosMesurePassageEnMesureJouee(score, 5, 1), -1);
  EXPECT_EQ(DureeTotaleMusique(score), 8 * kMesure - 1);
  EXPECT_EQ(CvtMesureJoueeEnTempsJoue(score, 3), 3 * kMesure);
  EXPECT_EQ(CvtMesureEnDureeMesureTheorique(score, 2), kMesure);
  FixeSignature(2, 3, 8);
  Ligne(2).division.denominateurAdditif = 0;
  EXPECT_EQ(CvtMesureEnDureeMesureTheorique(score, 2), 3 * kMesure / 8);
  Ligne(3).division.partieAdditive1 = 3;
  Ligne(3).division.partieAdditive2 = 2;
  Ligne(3).division.denominateurAdditif = 8;
  EXPECT_EQ(CvtMesureEnDureeMesureTheorique(score, 3), 5 * kMesure / 8);
  EXPECT_EQ(CvtMesureEnDureeMesureTheorique(score, 900), kMesure);
}

TEST_F(RupturesTest, TypedListsReplaceTheTableOrFailLeavingIt) {
  ASSERT_TRUE(CvtStringToTabMesures(score, "2-4, 1", 6, nullptr));
  EXPECT_EQ(Joues(), (std::vector<int32_t>{1, 2, 3, 0}));
  EXPECT_EQ((*score)->tabCvtMesureUtilisateur, 1);
  EXPECT_FALSE(CvtStringToTabMesures(score, "0", 1, nullptr));
  EXPECT_FALSE(CvtStringToTabMesures(score, "3,x", 3, nullptr));
  EXPECT_FALSE(CvtStringToTabMesures(score, "9", 1, nullptr));
  EXPECT_EQ(Joues(), (std::vector<int32_t>{1, 2, 3, 0}));
  ASSERT_TRUE(CvtStringToTabMesures(score, "7-\t2-99", 7, nullptr));
  EXPECT_EQ(Joues(), (std::vector<int32_t>{6, 7, 1, 2, 3, 4, 5, 6, 7}));
  // Ruptures do not rebuild a typed list.
  Ajoute(4, 1);
  RemetRupturesEnForme(score);
  EXPECT_EQ(Joues().size(), 9u);

  // Deleting bars 2..3 drops their rows and moves later bars down.
  doc->partitionCourante = score;
  AjusteTabMesuresJoueesQuandDeleteMesures(doc, 2, 2);
  EXPECT_EQ(Joues(), (std::vector<int32_t>{4, 5, 1, 2, 3, 4, 5}));
  EXPECT_EQ(GetLignesCvtMesure((*score)->tabCvtMesure)[2].debutJoue, uint32_t(2 * kMesure));

  ASSERT_TRUE(CvtStringToTabMesures(score, "", 0, nullptr));
  EXPECT_EQ((*score)->nbCvtMesures, 0);
  EXPECT_EQ(DureeTotaleMusique(score), -1);
}

TEST_F(RupturesTest, DisplayedNumbersBecomeBars) {
  for (int32_t b = 0; b < 8; b++) Ligne(b).numeroMesure = uint16_t(b + 1);
  Ligne(3).numeroMesure = 0;  // bar 3 shows no number: it follows bar 2
  Ligne(4).numeroMesure = 4;
  Handle in = NewHandleClear(3 * Size(sizeof(LigneCvtMesure)));
  GetLignesCvtMesure(in)[0].mesure = 2;   // number 3
  GetLignesCvtMesure(in)[1].mesure = 40;  // no bar shows 41
  GetLignesCvtMesure(in)[2].mesure = 0;
  Handle out = ConvertTabMesureLogiqueEnPhysique(score, in);
  ASSERT_NE(out, nullptr);
  std::vector<int32_t> bars;
  for (int32_t i = 0; i < GetNbLignesCvtMesure(out); i++) bars.push_back(GetLignesCvtMesure(out)[i].mesure);
  EXPECT_EQ(bars, (std::vector<int32_t>{2, 3, 0}));
  EXPECT_EQ(GetLignesCvtMesure(in)[0].mesure, 2);
  DisposeHandle(out);
  DisposeHandle(in);
}

// Raw records of any content: the walk always ends within its limits.
TEST_F(RupturesTest, HostileRupturesEndTheWalk) {
  std::mt19937 rng(12345);
  for (int essai = 0; essai < 300; essai++) {
    SCOPED_TRACE(essai);
    LibereHandle(&(*score)->ruptures);
    (*score)->nbRuptures = 0;
    int32_t nbMesures = 1 + int32_t(rng() % 12);
    (*score)->nbMesures = int16_t(nbMesures);
    int n = 1 + int(rng() % 12);
    for (int i = 0; i < n; i++) {
      int16_t k = NewRupture(score);
      ASSERT_GE(k, 0);
      Rupture* r = GetRupture(score, k);
      r->mesure = int16_t(int32_t(rng() % uint32_t(nbMesures + 2)) - 1);
      r->placement = rng() % 4;
      r->barre = rng() % 3 == 0 ? rng() % 10 : 0;
      r->type = rng() % 15;
      r->parametre = int16_t(int32_t(rng() % 8) - 2);
      r->al = rng() % 3;
      r->modePassage = rng() % 6;
      r->nbPassages = uint16_t(rng() % 4 == 0 ? 65535 : rng() % 4);
      for (uint8_t& f : r->passagesVolta) f = rng() % 3 == 0;
    }
    RemetRupturesEnForme(score);
    std::vector<int32_t> rows = Joues();
    EXPECT_LE(rows.size(), size_t(kMaxLignesCvtMesure));
    for (int32_t b : rows) ASSERT_TRUE(b >= 0 && b < nbMesures) << b;
  }
}

// Long hostile lists: the walk stays within its rows and its work.
TEST_F(RupturesTest, LongHostileListsEndTheWalk) {
  std::mt19937 rng(777);
  for (int essai = 0; essai < 2; essai++) {
    LibereHandle(&(*score)->ruptures);
    (*score)->nbRuptures = 0;
    int32_t nbMesures = 40 + int32_t(rng() % 40);
    (*score)->nbMesures = int16_t(nbMesures);
    for (int i = 0; i < 1500; i++) {
      Rupture* r = GetRupture(score, NewRupture(score));
      r->mesure = int16_t(rng() % uint32_t(nbMesures));
      r->placement = rng() % 4;
      r->type = rng() % 15;
      r->parametre = int16_t(rng() % uint32_t(nbMesures));
      r->al = rng() % 3;
      r->modePassage = rng() % 6;
      r->nbPassages = uint16_t(rng() % 5);
      for (uint8_t& f : r->passagesVolta) f = rng() % 2;
    }
    RemetRupturesEnForme(score);
    EXPECT_LE((*score)->nbCvtMesures, kMaxLignesCvtMesure);
    for (int32_t b : Joues()) ASSERT_TRUE(b >= 0 && b < nbMesures);
  }
}

TEST_F(RupturesTest, JumpsThatWouldLoopForEverStopAtTheRowLimit) {
  (*score)->nbMesures = 3;
  // Go back to bar 0 each time, for ever.
  int16_t k = NewRupture(score);
  Rupture* r = GetRupture(score, k);
  r->mesure = 2;
  r->placement = kRupturePlacementFin;
  r->type = kRuptureAllerMesure;
  r->parametre = 0;
  r->modePassage = 2;
  r->nbPassages = 0;
  RemetRupturesEnForme(score);
  EXPECT_EQ((*score)->nbCvtMesures, kMaxLignesCvtMesure);
  EXPECT_EQ(DureeTotaleMusique(score), int32_t(kMaxLignesCvtMesure) * kMesure - 1);
}

}  // namespace

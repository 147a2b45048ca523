#include "layout/Pagination.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/Justification.h"
#include "layout/ModeGraphique.h"
#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "layout/Titres.h"
#include "model/CvtTemps.h"
#include "model/PartGroups.h"
#include "model/QrvText.h"
#include "model/Signe.h"
#include "model/Vues.h"
#include "platform/SpecialFolders.h"

namespace {

using Plage = std::pair<int, int>;

std::vector<Plage> Plages(PartitionPaginee& p) {
  std::vector<Plage> v;
  for (const Systeme& s : p.TousSystemes()) v.emplace_back(s.premiereMesure, s.finMesure);
  return v;
}

std::vector<int> Portees(const Systeme& s) {
  std::vector<int> v;
  for (const PorteeSysteme& e : PartitionPaginee::Entrees(s)) v.push_back(e.indexPortee);
  return v;
}

}  // namespace

// Ten bars of 176 on a line of 599: three bars a system, stretched to the
// line; the last system keeps its natural width; the free height of the page
// is shared among the four systems.
TEST(Pagination, BarsFillTheLineAndSystemsShareTheFreeHeight) {
  PartitionPaginee p(2, 10);
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 1);
  EXPECT_EQ(Plages(p), (std::vector<Plage>{{0, 3}, {3, 6}, {6, 9}, {9, 10}}));
  // (599 - 3 x 16) / (3 x 160) stretches each bar's stored width of 1000.
  for (int b = 0; b < 9; b++) EXPECT_EQ(p.Ligne(b).echelle, 1147) << b;
  EXPECT_EQ(p.Ligne(9).echelle, 1000);
  for (int b : {0, 3, 6}) {
    EXPECT_EQ(p.Ligne(b).debutSysteme, 1) << b;
    // The stretched bars overshoot by a pixel, taken back from the last one.
    EXPECT_EQ(p.Ligne(b + 2).debutX + p.Ligne(b + 2).largeurTotale - p.Ligne(b).debutX, 599) << b;
  }
  EXPECT_EQ(p.Ligne(0).debutPage, 1);
  const std::vector<Systeme> s = p.Systemes(0);
  // Systems of 2 x 60 on 800: (800 - 4 x 120) / 5 = 64 between them.
  const int hauts[] = {64, 248, 432, 616};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(s[i].rectMiseEnPage.top, hauts[i]) << i;
    EXPECT_EQ(s[i].rectMiseEnPage.bottom, hauts[i] + 120) << i;
    const std::vector<PorteeSysteme> e = PartitionPaginee::Entrees(s[i]);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1].rectMiseEnPage.top, hauts[i] + 60);
    EXPECT_EQ(e[1].hauteurLigne, 60);
  }
  EXPECT_EQ(s[0].rectMiseEnPage.right, 599);
  EXPECT_EQ(s[3].rectMiseEnPage.right, 176);
  EXPECT_EQ(s[0].premierSystemePartition, 1);
  EXPECT_EQ(s[3].dernierSystemePartition, 1);
  EXPECT_EQ(p.PageN(0).premierSystemeMusique, 0);
  // A header and a footer on the page.
  EXPECT_EQ(p.Elements(0, kSystemeEnTete).size(), 1u);
  EXPECT_EQ(p.Elements(0, kSystemeBasDePage).size(), 1u);
}

TEST(Pagination, BreaksOfTheBarTable) {
  enum Octet { kAucun, kSysteme, kPage, kSansCoupure, kLarge };
  struct Cas {
    const char* nom;
    std::vector<std::pair<int, Octet>> mesures;
    std::vector<Plage> systemes;
    int pages;
  } cas[] = {
      {"a bar wider than the line stands alone", {{1, kLarge}}, {{0, 1}, {1, 2}, {2, 5}, {5, 8}}, 1},
      {"a system break that fits ends the system after its bar", {{0, kSysteme}}, {{0, 1}, {1, 4}, {4, 7}, {7, 8}}, 1},
      {"a system break that does not fit ends the system before its bar",
       {{3, kSysteme}},
       {{0, 3}, {3, 4}, {4, 7}, {7, 8}},
       1},
      {"no break after every bar keeps one bar a system",
       {{0, kSansCoupure}, {1, kSansCoupure}, {2, kSansCoupure}, {3, kSansCoupure}},
       {{0, 1}, {1, 2}, {2, 5}, {5, 8}},
       1},
      {"a page break", {{1, kPage}}, {{0, 2}, {2, 5}, {5, 8}}, 2},
      {"a page break on the last bar adds no page", {{7, kPage}}, {{0, 3}, {3, 6}, {6, 8}}, 1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    PartitionPaginee p(1, 8);
    for (auto [bar, octet] : c.mesures) {
      TabEltMesure& r = p.Ruban(bar);
      if (octet == kSysteme) r.sautSysteme = 1;
      if (octet == kPage) r.sautPage = 1;
      if (octet == kSansCoupure) r.continueLigneSuivante = 1;
      if (octet == kLarge) r.echelle = 5000;
    }
    SetTabEltMesureModifie(p.score, kTabEltEspacement);
    UpdateTabEltMesure(p.score, kTabEltEspacement);
    p.Pagine();
    EXPECT_EQ(Plages(p), c.systemes);
    EXPECT_EQ(p.NbPages(), c.pages);
  }
}

// The wide bar: 16 + 800 pixels squeezed to the line: its stored 5000 times
// (599 - 16) / 800.
TEST(Pagination, ABarWiderThanTheLineIsSqueezedToIt) {
  PartitionPaginee p(1, 3);
  p.Ruban(1).echelle = 5000;
  SetTabEltMesureModifie(p.score, kTabEltEspacement);
  UpdateTabEltMesure(p.score, kTabEltEspacement);
  p.Pagine();
  EXPECT_EQ(p.Ligne(1).echelle, 3643);
  EXPECT_LE(p.Ligne(1).largeurTotale, 599);
}

TEST(Pagination, JustifiedScales) {
  struct Cas {
    uint16_t stockee;
    int32_t largeur;
    uint16_t echelle;
  } cas[] = {
      {1000, 599, 1147},  // three bars stretched
      {1000, 40, 100},    // narrower than the headers: a tenth
      {5, 40, 1},         // a tenth of 5 is not 0: the bar keeps a width
      {65000, 40000, 65535},
  };
  for (const Cas& c : cas) {
    PartitionPaginee p(1, 3);
    for (int b = 0; b < 3; b++) p.Ruban(b).echelle = c.stockee;
    p.Pagine();
    CalculeEchelleMesureJustifie(p.score, 0, 3, c.largeur);
    for (int b = 0; b < 3; b++) EXPECT_EQ(p.Ligne(b).echelle, c.echelle) << c.stockee << " " << c.largeur;
  }
}

// Staff 0 plays, staff 1 rests throughout, staff 2 rests with a '$' text in
// its first bar; staff 3 rests too, but its line is merged into staff 0's.
TEST(Pagination, EmptyStavesAreHiddenWhenTheSetupAsks) {
  struct Cas {
    const char* nom;
    bool cacher, uneFois, jamaisCachee;
    std::vector<int> premier, second;
    bool ligneVide;  // staff 2 in the first system
  } cas[] = {
      {"shown", false, false, false, {0, 1, 2}, {0, 1, 2}, false},
      {"hidden", true, false, false, {0, 2}, {0}, true},
      {"never hidden", true, false, true, {0, 1, 2}, {0, 1}, true},
      {"shown once first", true, true, false, {0, 1, 2}, {0}, false},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    PartitionPaginee p(3, 6, [](int staff, int) { return staff > 0; });
    Texte texte{};
    texte.debut = 0;
    texte.fin = kDureeRonde - 1;
    ASSERT_GE(SetEnregTexte(p.Staff(2), -1, &texte, "$page"), 0);
    p.Setup().cacherPorteesVides = c.cacher;
    p.Setup().montrerPorteesUneFois = c.uneFois;
    (*p.Staff(1))->jamaisCachee = c.jamaisCachee;
    p.Pagine();
    const std::vector<Systeme> s = p.TousSystemes();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(Portees(s[0]), c.premier);
    EXPECT_EQ(Portees(s[1]), c.second);
    for (const PorteeSysteme& e : PartitionPaginee::Entrees(s[0])) {
      if (e.indexPortee != 2) continue;
      EXPECT_EQ(e.ligneVide, c.ligneVide);
      EXPECT_EQ(e.hauteurLigne, c.ligneVide ? 4 : 60);
    }
  }
}

TEST(Pagination, MergedStavesShareTheirLine) {
  PartitionPaginee p(3, 2, [](int staff, int) { return staff == 1; });
  Fusionne(p.score, 0, 1, 0);
  p.Setup().cacherPorteesVides = 1;
  p.Pagine();
  const std::vector<PorteeSysteme> e = PartitionPaginee::Entrees(p.TousSystemes().at(0));
  ASSERT_EQ(e.size(), 3u);
  // The line of staves 0 and 1 is shown for staff 0's notes, staff 1 on it.
  EXPECT_EQ(e[0].partageLigneSuivante, 1);
  EXPECT_EQ(e[1].debutLigne, 0);
  EXPECT_EQ(e[1].rectMiseEnPage.top, e[0].rectMiseEnPage.top);
  EXPECT_EQ(e[2].rectMiseEnPage.top, e[0].rectMiseEnPage.top + 60);
}

// A system alone on its page is centred in the free height; a page whose
// system is taller than the page leaves it where it is, under what stands
// above it.
TEST(Pagination, SpreadingNeverMovesASystemUp) {
  struct Cas {
    int16_t hauteur;
    int haut;
  } cas[] = {{60, (800 - 60) / 2}, {900, 0}};
  for (const Cas& c : cas) {
    PartitionPaginee p(1, 1);
    (*p.Staff(0))->hauteurBaseRuban = c.hauteur;
    p.Pagine();
    ASSERT_EQ(p.NbPages(), 1);
    EXPECT_EQ(p.Systemes(0).at(0).rectMiseEnPage.top, c.haut) << c.hauteur;
  }
}

// Staves taller than a page: each system goes on a page of its own and no
// page is left empty, the first one included.
TEST(Pagination, APageIsAddedOnlyWhenTheCurrentOneHoldsSomething) {
  for (uint8_t entiers : {0, 1}) {
    PartitionPaginee p(1, 9);
    (*p.Staff(0))->hauteurBaseRuban = 900;
    p.Setup().garderSystemesEntiers = entiers;
    p.Pagine();
    ASSERT_EQ(p.NbPages(), 3) << int(entiers);
    for (int i = 0; i < 3; i++) EXPECT_EQ(p.Systemes(i).size(), 1u) << i;
  }
}

TEST(Pagination, ASystemThatDoesNotFitStartsANewPage) {
  // Staves of 150 and 300: the second system's first staff still fits under
  // the first system, its second does not.
  PartitionPaginee p(2, 6);
  (*p.Staff(0))->hauteurBaseRuban = 150;
  (*p.Staff(1))->hauteurBaseRuban = 300;
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 2);
  EXPECT_EQ(Plages(p), (std::vector<Plage>{{0, 3}, {3, 6}}));
  // Kept whole: the system moved to the next page with its staves.
  std::vector<PorteeSysteme> e = PartitionPaginee::Entrees(p.Systemes(1).at(0));
  EXPECT_EQ(e.at(0).rectMiseEnPage.top, p.Systemes(1)[0].rectMiseEnPage.top);
  // Not kept whole: the system is cut between its staves.
  p.Setup().garderSystemesEntiers = 0;
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 2);
  EXPECT_EQ(Plages(p), (std::vector<Plage>{{0, 3}, {3, 6}, {3, 6}}));
  EXPECT_EQ(Portees(p.Systemes(0).at(1)), std::vector<int>{0});
  EXPECT_EQ(Portees(p.Systemes(1).at(0)), std::vector<int>{1});
}

TEST(Pagination, TitlesWithoutRoomForTheFirstSystemStandAlone) {
  PartitionPaginee p(1, 3);
  std::strcpy(p.doc->titres[0].texte, "Title");
  p.doc->titres[0].style.size = 24;
  p.Setup().titres = 1;
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 1);
  const std::vector<Systeme> titres = p.Elements(0, kSystemeTitre);
  ASSERT_EQ(titres.size(), 1u);
  EXPECT_LT(titres[0].rectMiseEnPage.bottom, p.Systemes(0).at(0).rectMiseEnPage.top);
  (*p.Staff(0))->hauteurBaseRuban = 790;
  p.Pagine();
  ASSERT_EQ(p.NbPages(), 2);
  EXPECT_EQ(p.Elements(0, kSystemeTitre).size(), 1u);
  EXPECT_TRUE(p.Systemes(0).empty());
  EXPECT_EQ(p.Systemes(1).size(), 1u);
}

// Runs of empty bars become multi-bar rests: the first bar of the run takes
// state 2, the others state 1 and no width; a key change starts a new run.
TEST(Pagination, RunsOfEmptyBarsBecomeMultiBarRests) {
  struct Cas {
    int16_t minimum;
    bool changement;  // a key change at bar 5
    std::vector<uint32_t> etats;
  } cas[] = {
      {2, false, {0, 0, 2, 1, 1, 1, 1, 0}},
      {2, true, {0, 0, 2, 1, 1, 2, 1, 0}},
      {4, true, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Cas& c : cas) {
    // Two staves resting in bars 2 to 6.
    PartitionPaginee p(2, 8, [](int, int bar) { return bar >= 2 && bar <= 6; });
    if (c.changement) {
      Tonalite t;
      SetTonaliteDefaut(&t);
      t.alterations[3] = 1;
      FixeTonaliteMesure(p.score, p.Staff(0), 5, &t, 0);
    }
    p.Setup().regroupement = 1;
    p.Setup().regroupementMin = c.minimum;
    p.Pagine();
    for (int b = 0; b < 8; b++) {
      EXPECT_EQ(p.Ligne(b).motPagination, c.etats[b]) << c.minimum << " " << c.changement << " bar " << b;
      EXPECT_EQ(p.Ligne(b).largeurTotale == 0, c.etats[b] == 1) << b;
    }
  }
}

// Short notes ask for wider bars: 16000 / pixels of the note, at most 3000; an
// accidental takes twice the head width off the note's pixels.
TEST(Pagination, BarWidthsFollowTheShortestNotes) {
  PartitionPaginee p(1, 1);
  Portee** staff = p.Staff(0);
  // The head width stays this one: the staff's metrics are not measured again.
  (*staff)->vecteurs.vect_init_portee = nullptr;
  (*staff)->largeurTete = 4;
  struct Mesure {
    int32_t duree;
    uint8_t alteration;
    uint16_t echelle;
  } mesures[] = {
      {kDureeRonde / 16, kAlterationAucune, 1600},  // 10 pixels
      {kDureeRonde / 32, kAlterationAucune, 3000},  // 5 pixels: capped
      {kDureeRonde / 8, kAlterationAucune, 800},    // 20 pixels
      {kDureeRonde / 8, 1, 1333},                   // 20 - 2 x 4 pixels
  };
  for (const Mesure& m : mesures)
    for (int32_t t = 0; t < kDureeRonde; t += m.duree) {
      AjouteSigne(staff, 60, m.duree);
      reinterpret_cast<Signe*>(*(*staff)->notes)[(*staff)->nbNotes - 1].alteration = m.alteration;
    }
  SetTabEltMesureModifie(p.score, kTabEltTout);
  UpdateTabEltMesure(p.score, kTabEltTout);
  FormattageAutomatiqueTailleMesure(p.score, 500, 3000);
  EXPECT_EQ(p.Ruban(0).echelle, 500);  // a whole note is wide enough
  for (int b = 0; b < 4; b++) EXPECT_EQ(p.Ruban(b + 1).echelle, mesures[b].echelle) << b;
}

// The print mode of the request driver, with the default virtual printer (A4
// at 576 dpi) and a preferences folder of its own.
class PaginationImpression : public ::testing::Test {
 protected:
  void SetUp() override {
    LibereImprimante();
    ResetVirtualPrinter();
    prefs_ = GetPreferencesFolderPath();
    char modele[] = "/tmp/tamrel-pagination-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
    SetPreferencesFolderPath(dossier_.c_str());
  }
  void TearDown() override {
    LibereImprimante();
    ResetVirtualPrinter();
    rmdir(dossier_.c_str());
    SetPreferencesFolderPath(prefs_.c_str());
  }
  static void ModeImpression(PartitionPaginee& p) {
    p.doc->orientation = 1;  // portrait, as the driver sets it
    FixeResolutionStdImprimante();
    PrInfo info;
    GetPrInfoDocument(p.doc, &info);
    InitVueCourante(p.doc);
    (*p.score)->resolutionImpression = info.resH;
    InjecteZoomPartition(p.score, 72.0f);
    SetModeEcran(p.score, kModeEcranImpression);
    SetDpiDest(info.resH);
    InitPortees(p.score);
    SetTabEltMesureModifie(p.score, kTabEltMarges);
    UpdateTabEltMesure(p.score, kTabEltTout);
  }
  static int16_t Pages(PartitionPaginee& p, float scale) {
    p.Setup().echelle = scale;
    SetTabEltMesureModifie(p.score, kTabEltMarges);
    return CombienDePages(p.score);
  }
  std::string prefs_, dossier_;
};

// In print mode the screen table is the layout's at 576 dpi: a bar's x is
// where it stands on its system, and asking for it rebuilds nothing.
TEST_F(PaginationImpression, PageXOfABarComesFromThePrintTable) {
  PartitionPaginee p(2, 12);
  ModeImpression(p);
  ASSERT_EQ((*p.score)->resolutionImpression, 576);
  Handle impression = (*p.score)->tabEltMesure[2];
  ASSERT_NE(impression, nullptr);
  ASSERT_EQ(GetTabEltMesureEcran(p.score), impression);
  const TabEltMesure* t = GetLignesTabElt(impression);
  int systemes = 0;
  for (int b = 0; b < 12; b++) {
    systemes += t[b].debutSysteme;
    // 176 pixels at 72 dpi are 1408 at 576, stretched to the line.
    EXPECT_GE(t[b].largeurTotale, 1408) << b;
    EXPECT_EQ(t[b].largeurTotale, int32_t(p.Ligne(b).largeurTotale * 8)) << b;
    EXPECT_EQ(CvtMesureEnPixelEcran(p.score, b), t[b].debutX + t[b].largeurEntete) << b;
    if (b > 0) EXPECT_EQ(t[b].debutX, t[b - 1].debutX + t[b - 1].largeurTotale) << b;
  }
  EXPECT_EQ(systemes, 4);
  EXPECT_GT(CvtMesureEnPixelEcran(p.score, 11), 0);
  EXPECT_EQ((*p.score)->tabEltMesure[2], impression);
  EXPECT_EQ((*p.score)->masqueModifieTabElt, 0);
}

TEST_F(PaginationImpression, PrintAreasAreTheLayoutAtThePrintResolution) {
  PartitionPaginee p(2, 12);
  ModeImpression(p);
  ASSERT_EQ(CombienDePages(p.score), 1);
  const Page& page = p.PageN(0);
  EXPECT_EQ(page.montree, 1);
  EXPECT_EQ(page.rectsPlacement[2].top, page.rectPage.top * 8);
  EXPECT_EQ(page.rectsPlacement[2].right, page.rectPage.right * 8);
  // The paper of the print record, A4.
  EXPECT_EQ(page.rectsPlacement[0].bottom, 6736);
  EXPECT_EQ(page.rectsPlacement[0].right, 4760);
  const TabEltMesure* t = GetLignesTabElt((*p.score)->tabEltMesure[2]);
  const int trait = std::max(1, 576 * GModeGraphique.slot[12] / 288);
  for (const Systeme& s : p.Systemes(0)) {
    EXPECT_EQ(s.rectDessin.top, s.rectMiseEnPage.top * 8);
    EXPECT_EQ(s.rectDessin.left, s.rectMiseEnPage.left * 8);
    const int32_t fin = s.finMesure < 12 ? t[s.finMesure].debutX : t[11].debutX + t[11].largeurTotale;
    EXPECT_EQ(s.rectDessin.right, s.rectDessin.left + fin - t[s.premiereMesure].debutX + trait);
    for (const PorteeSysteme& e : PartitionPaginee::Entrees(s)) {
      EXPECT_EQ(e.rectDessin.bottom - e.rectDessin.top, 480);  // 60 at 72 dpi
      EXPECT_EQ(e.rectDessin.top - s.rectDessin.top, (e.rectMiseEnPage.top - s.rectMiseEnPage.top) * 8);
    }
  }
}

TEST_F(PaginationImpression, ABarIsLocatedOnItsPageSystem) {
  PartitionPaginee p(2, 12);
  ModeImpression(p);
  LocalisationPage ou{};
  // Bar 5 stands on the second system (bars 3 to 5), staff 1 in its second entry.
  ASSERT_TRUE(CvtTempsPorteeEnLocalisationPage(p.doc, p.Staff(1), 5 * kDureeRonde, true, false, &ou));
  const std::vector<Systeme> elements = p.Elements(0);
  const Systeme& s = elements.at(ou.element);
  EXPECT_EQ(s.type, kSystemeMusique);
  EXPECT_EQ(s.premiereMesure, 3);
  EXPECT_EQ(ou.entree, 1);
  EXPECT_EQ(ou.portee.indexPortee, 1);
  EXPECT_EQ(ou.portee.rectDessin.top, PartitionPaginee::Entrees(s)[1].rectDessin.top);
  // Past the music: only the fall-back finds the last system.
  EXPECT_FALSE(CvtTempsPorteeEnLocalisationPage(p.doc, nullptr, 40 * kDureeRonde, true, false, &ou));
  ASSERT_TRUE(CvtTempsPorteeEnLocalisationPage(p.doc, nullptr, 40 * kDureeRonde, true, true, &ou));
  EXPECT_EQ(elements.at(ou.element).finMesure, 12);
  EXPECT_EQ(ou.entree, 0);
  // A point in that system's second staff, and nowhere.
  const PorteeSysteme e = PartitionPaginee::Entrees(s)[1];
  const Point dedans{int16_t(e.rectDessin.top + 5), int16_t(e.rectDessin.left + 5)};
  ASSERT_TRUE(CvtPointEcranEnLocalisationPageSelonType(p.doc, dedans, kSystemeMusique, &ou, 4));
  EXPECT_EQ(elements.at(ou.element).premiereMesure, 3);
  EXPECT_EQ(ou.entree, 1);
  EXPECT_FALSE(CvtPointEcranEnLocalisationPageSelonType(p.doc, Point{-5, -5}, -1, &ou, 4));
  EXPECT_EQ(ou.element, -1);
}

// Staves of 200 at 72 dpi: four systems of three bars on an A4 page at scale
// 1, more bars and systems on the larger paper of a smaller scale.
TEST_F(PaginationImpression, ThePageCountFollowsTheScaleAndTheSearchHitsItsTarget) {
  PartitionPaginee p(1, 60);
  (*p.Staff(0))->hauteurBaseRuban = 200;
  ModeImpression(p);
  const int16_t a1 = Pages(p, 1.0f), a07 = Pages(p, 0.7f), a04 = Pages(p, 0.4f);
  EXPECT_EQ(a1, 5);
  EXPECT_LT(a07, a1);
  EXPECT_LT(a04, a07);
  EXPECT_EQ(FindBestEchelle(p.doc, 0, &p.Setup(), 3, 0), 3);
  const float echelle = p.Setup().echelle;
  EXPECT_EQ(CombienDePages(p.score), 3);
  // The largest scale that gives three pages was kept.
  EXPECT_EQ(Pages(p, echelle + 0.001f), 4);
}

TEST_F(PaginationImpression, AnUnreachableTargetEndsAtTheNearestCount) {
  // 300 bars need two pages even at the smallest scale.
  PartitionPaginee p(1, 300);
  (*p.Staff(0))->hauteurBaseRuban = 200;
  ModeImpression(p);
  EXPECT_EQ(FindBestEchelle(p.doc, 0, &p.Setup(), 1, 0), 2);
  EXPECT_NEAR(p.Setup().echelle, 0.3f, 0.001f);
  // A page break keeps a short score on two pages until breaks may go.
  PartitionPaginee q(1, 6);
  q.Ruban(2).sautPage = 1;
  ModeImpression(q);
  EXPECT_EQ(FindBestEchelle(q.doc, 0, &q.Setup(), 1, 0), 2);
  EXPECT_EQ(RecalculeEchellePourNombreDePage(q.doc, 0, &q.Setup(), 1), 1);
  EXPECT_EQ(q.Ruban(2).sautPage, 0);
  EXPECT_EQ(CombienDePages(q.score), 1);
}

// Names stand left of their system, right-aligned on it: a system whose
// setup makes no room for them is moved right until the widest name of that
// system (full names on the first system, abbreviations after) starts on the
// sheet. Names that fit in the margin leave the layout alone.
TEST(Pagination, SystemsMakeRoomForTheNamesLeftOfThem) {
  PartitionPaginee p(2, 12);
  SetNomPortee(p.Staff(0), "Violoncello and double bass");
  SetNomAbregePortee(p.Staff(0), "Vc.");
  SetNomPortee(p.Staff(1), "Piano");
  p.Pagine();
  const std::vector<Systeme> s = p.TousSystemes();
  ASSERT_GE(s.size(), 3u);
  // The box of every name each system shows, as the page drawing places it.
  auto gaucheNoms = [&](const Systeme& sys) {
    int gauche = 32767;
    for (int i = 0; i < 2; i++) {
      const int32_t recul = Zoom(CalculeDeltaXDefaultPartGroup(p.score, &sys, int16_t(i), int16_t(i))) + Zoom(6);
      Rect r;
      CalculeAireNomPorteeModePage(p.Staff(i), &sys, int16_t(sys.rectMiseEnPage.left - recul), 0, &r);
      gauche = std::min<int>(gauche, r.left);
    }
    return gauche;
  };
  // The first system just holds the long name; later ones the abbreviation
  // and the short full name, so they start further left and take more bars.
  EXPECT_EQ(gaucheNoms(s[0]), 0);
  EXPECT_GT(s[0].rectMiseEnPage.left, s[1].rectMiseEnPage.left);
  EXPECT_GT(s[1].rectMiseEnPage.left, 0);
  EXPECT_LT(s[0].finMesure - s[0].premiereMesure, s[1].finMesure - s[1].premiereMesure);
  for (size_t i = 1; i < s.size(); i++) {
    EXPECT_EQ(gaucheNoms(s[i]), 0) << i;
    EXPECT_EQ(s[i].rectMiseEnPage.left, s[1].rectMiseEnPage.left) << i;
  }

  // An indent that already holds the names is kept as it stands.
  p.Setup().retraitPremierSysteme = 1000;
  p.Pagine();
  const int16_t retrait = CalculeDecalageXPremierGroupe(&p.Setup(), 1);
  ASSERT_GT(retrait, s[0].rectMiseEnPage.left);
  EXPECT_EQ(p.TousSystemes()[0].rectMiseEnPage.left, retrait);

  // So is a margin that holds them; one that holds part of them gives the
  // rest.
  p.Setup().retraitPremierSysteme = 0;
  for (const int16_t marge : {int16_t(400), int16_t(50)}) {
    p.Setup().margeGauche = marge;
    p.Pagine();
    const std::vector<Systeme> m = p.TousSystemes();
    const int gauche = int(float(marge) * 72.0f / 254.0f);
    EXPECT_EQ(m[0].rectMiseEnPage.left, std::max<int>(gauche, s[0].rectMiseEnPage.left)) << marge;
    EXPECT_EQ(m[1].rectMiseEnPage.left, std::max<int>(gauche, s[1].rectMiseEnPage.left)) << marge;
  }
}

// A staff whose part group shows its name for it makes no room for that name.
TEST(Pagination, NamesAPartGroupShowsInsteadMakeNoRoom) {
  PartitionPaginee p(1, 4);
  p.Pagine();
  const int16_t sansNom = p.TousSystemes()[0].rectMiseEnPage.left;
  SetNomPortee(p.Staff(0), "Violoncello and double bass");
  p.Pagine();
  EXPECT_GT(p.TousSystemes()[0].rectMiseEnPage.left, sansNom);
  (*p.Staff(0))->aspect.nomsCaches = 1;
  p.Pagine();
  EXPECT_EQ(p.TousSystemes()[0].rectMiseEnPage.left, sansNom);
}

// A part group's name stands left of its brace, further left than the names
// of its staves.
TEST(Pagination, APartGroupNameMakesRoomLeftOfItsBrace) {
  PartitionPaginee p(2, 4);
  SetNomPortee(p.Staff(0), "Piano");
  const int16_t g =
      NewPartGroup(p.score, kPartGroupAccolade, 1, 0, 1, CalculeDeltaXDefaultPartGroup(p.score, nullptr, 0, 1), "", "");
  ASSERT_GE(g, 0);
  p.Pagine();
  const int16_t sansNom = p.TousSystemes()[0].rectMiseEnPage.left;
  EXPECT_GT(sansNom, 0);
  std::strcpy(reinterpret_cast<PartGroup*>(*(*p.score)->partGroups)[g].nom, "Piano four hands");
  p.Pagine();
  EXPECT_GT(p.TousSystemes()[0].rectMiseEnPage.left, sansNom);
}

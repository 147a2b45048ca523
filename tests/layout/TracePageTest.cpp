#include "layout/TracePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "model/CvtTemps.h"
#include "model/ObjetsLibres.h"
#include "model/PartGroups.h"
#include "model/Portee.h"
#include "model/QrvText.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "model/Vues.h"
#include "notation/NotationFixtures.h"
#include "platform/ColorIcons.h"
#include "platform/Fonts.h"
#include "platform/SpecialFolders.h"
#include "platform/Trace.h"
#include "support/ImpressionFixture.h"
#include "system/Strings.h"

namespace {

// A score of several pages with a title, a header and a footer.
struct TroisPages : PartitionPaginee {
  TroisPages() : PartitionPaginee(1, 27) {
    (*Staff(0))->hauteurBaseRuban = 200;
    std::strcpy(doc->titres[0].texte, "Sonata");
    MiseEnPage& m = Setup();
    m.titres = 1;
    std::memset(&m.enTete.modele, 0, sizeof m.enTete.modele);
    std::memset(&m.basDePage.modele, 0, sizeof m.basDePage.modele);
    strnzcpy(m.enTete.modele[0], "Head $P", sizeof m.enTete.modele[0]);
    strnzcpy(m.basDePage.modele[1], "Foot $P of $N", sizeof m.basDePage.modele[1]);
  }
  // The operations drawn on a page, and what the call returned.
  std::string Page(int16_t page, int16_t* retour) {
    std::string textes;
    const std::vector<std::string> ops =
        Enregistre([&] { *retour = TracePageDocument(doc, page, 1.0f, page, CombienDePages(score)); });
    for (const std::string& op : ops) textes += op + "\n";
    return textes;
  }
};

}  // namespace

// Pages are drawn in the print mode of the request driver, with the default
// virtual printer (A4 at 576 dpi) and a preferences folder of its own.
class TracePage : public tamrel_test::FixtureImpression {};

TEST_F(TracePage, ElementsOfEachPageAndWhatFollows) {
  TroisPages p;
  ModeImpression(p);
  const int16_t n = CombienDePages(p.score);
  ASSERT_GE(n, 3);
  int16_t retour = 0;
  std::string t = p.Page(1, &retour);
  EXPECT_EQ(retour, 2);
  EXPECT_NE(t.find("Sonata"), std::string::npos) << t;
  EXPECT_NE(t.find("Foot 1 of " + std::to_string(n)), std::string::npos) << t;
  EXPECT_EQ(t.find("Head"), std::string::npos) << t;  // not on the first page
  t = p.Page(n, &retour);
  EXPECT_EQ(retour, -n);
  const std::string numero = std::to_string(n);
  EXPECT_NE(t.find("Head " + numero), std::string::npos) << t;
  EXPECT_NE(t.find("Foot " + numero + " of " + numero), std::string::npos) << t;
  EXPECT_EQ(t.find("Sonata"), std::string::npos) << t;
  // Past the end, or before the first page: nothing drawn.
  for (int16_t page : {int16_t(n + 1), int16_t(0)}) {
    EXPECT_EQ(p.Page(page, &retour), "");
    EXPECT_EQ(retour, -n);
  }
}

// The layout check frames every element and staff entry of the page.
TEST_F(TracePage, TheFramesSwitchFramesElementsAndStaffEntries) {
  TroisPages p;
  ModeImpression(p);
  ASSERT_GE(CombienDePages(p.score), 2);
  int cadres = 0;
  for (const Systeme& s : p.Elements(1)) cadres += 1 + int(PartitionPaginee::Entrees(s).size());
  int16_t retour = 0;
  const std::string sans = p.Page(2, &retour);
  SetCadresPageEnabled(true);
  const std::string avec = p.Page(2, &retour);
  SetCadresPageEnabled(false);
  auto compte = [](const std::string& t) {
    int n = 0;
    for (size_t k = t.find("\nFrame"); k != std::string::npos; k = t.find("\nFrame", k + 1)) n++;
    return n;
  };
  EXPECT_EQ(compte(avec) - compte(sans), cadres) << avec;
}

// Music systems draw their staves: five lines, the clef at each line start,
// the time signature once, notes and bar lines; drawing pages again, or in
// another order, gives the same pictures.
TEST_F(TracePage, MusicSystemsDrawTheirStavesTheSameEachTime) {
  ActiveFonteMusicale();
  TroisPages p;
  Portee** staff = p.Staff(0);
  FixeVisibleMesure(p.score, staff, 0, kVisibleClef | kVisibleArmure | kVisibleSignature,
                    kVisibleClef | kVisibleArmure | kVisibleSignature);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) s[i].taille = 100;
  p.Setup().entetesLignes = 1;  // every line starts with its clef
  ModeImpression(p);
  ASSERT_GE(CombienDePages(p.score), 2);
  int16_t retour = 0;
  const std::string un = p.Page(1, &retour), deux = p.Page(2, &retour);
  EXPECT_EQ(p.Page(2, &retour), deux);
  EXPECT_EQ(p.Page(1, &retour), un);
  EXPECT_EQ(p.Page(2, &retour), deux);
  std::vector<std::string> ops;
  std::istringstream in(un);
  for (std::string l; std::getline(in, l);) ops.push_back(l);
  const std::vector<int> g = Glyphes(ops);
  const size_t systemes = p.Systemes(0).size();
  ASSERT_GE(systemes, 2u);
  EXPECT_GE(size_t(std::count(g.begin(), g.end(), 38)), systemes) << un;  // a treble clef per line
  EXPECT_EQ(std::count(g.begin(), g.end(), '4'), 2) << un;                // 4/4 at the start only
  EXPECT_GE(std::count(g.begin(), g.end(), 'w'), 4) << un;                // whole notes
  // Five staff lines and bar lines on every system.
  EXPECT_GT(Filtre(ops, {"Line"}).size(), 5 * systemes) << un;
}

// A new staff draws ledger lines: a note moved far below the staff brings
// its short lines with it.
TEST_F(TracePage, NotesFarBelowTheStaffGetLedgerLines) {
  ActiveFonteMusicale();
  TroisPages p;
  Portee** staff = p.Staff(0);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  ASSERT_GT(n, 0);
  for (int32_t i = 0; i < n; i++) s[i].taille = 100;
  ModeImpression(p);
  int16_t retour = 0;
  const auto courtes = [&] {
    std::vector<std::string> ops;
    std::istringstream in(p.Page(1, &retour));
    for (std::string l; std::getline(in, l);) ops.push_back(l);
    return Filtre(ops, {"ShortLine"}).size();
  };
  const size_t avant = courtes();
  s = GetSignesPortee(staff, &n);
  s[0].kind = 43;  // G2: five lines below a treble staff
  EXPECT_GE(courtes(), avant + 3);
}

// Systems show their staves' names (the full name on the first system, the
// abbreviation after it) and, when the document asks, their bars' numbers in
// large type; the line closing a system's left is drawn.
TEST_F(TracePage, SystemsShowNamesAndLargeBarNumbers) {
  TroisPages p;
  Portee* staff = *p.Staff(0);
  strnzcpy(staff->aspect.nom, "Violin", sizeof staff->aspect.nom);
  strnzcpy(staff->aspect.nomAbrege, "Vl.", sizeof staff->aspect.nomAbrege);
  p.doc->grandsNumerosMesure = 1;
  ModeImpression(p);
  ASSERT_GE(CombienDePages(p.score), 2);
  int16_t retour = 0;
  const std::string un = p.Page(1, &retour), deux = p.Page(2, &retour);
  EXPECT_NE(un.find("\"Violin\""), std::string::npos) << un;
  EXPECT_NE(un.find("\"Vl.\""), std::string::npos) << un;  // the systems after the first
  EXPECT_EQ(deux.find("\"Violin\""), std::string::npos) << deux;
  EXPECT_NE(deux.find("\"Vl.\""), std::string::npos) << deux;
  // Every bar of the first page has its number, drawn twice (shadow, then colour).
  const int bars = p.Systemes(0).back().finMesure;
  for (int b = 1; b <= bars; b++) {
    const std::string numero = "\"" + std::to_string(b) + "\"";
    size_t n = 0;
    for (size_t k = un.find(numero); k != std::string::npos; k = un.find(numero, k + 1)) n++;
    EXPECT_EQ(n, 2u) << b << "\n" << un;
  }
  p.doc->grandsNumerosMesure = 0;
  EXPECT_EQ(p.Page(1, &retour).find("\"2\""), std::string::npos);
}

// Free objects behind the music are drawn before the page's other elements,
// those in front after them.
TEST_F(TracePage, FreeObjectsBehindAndInFront) {
  TroisPages p;
  for (const char* t : {"behind", "front"}) {
    const int i = NewObjetLibre(p.doc, kObjetLibreTexte);
    ObjetLibre& o = reinterpret_cast<ObjetLibre*>(*(*p.score)->objetsLibres)[i];
    DisposeHandle(o.donnees);
    o.donnees = NewHandle(Size(std::strlen(t) + 1));
    std::memcpy(*o.donnees, t, std::strlen(t) + 1);
    o.page = 0;
    o.flags[0] = std::strcmp(t, "front") == 0 ? 1 : 0;
  }
  ModeImpression(p);
  int16_t retour = 0;
  const std::string t = p.Page(1, &retour);
  const size_t derriere = t.find("behind"), titre = t.find("Sonata"), devant = t.find("front");
  ASSERT_NE(derriere, std::string::npos) << t;
  ASSERT_NE(devant, std::string::npos) << t;
  EXPECT_LT(derriere, titre);
  EXPECT_GT(devant, titre);
}

// A part group stands beside its staves as the system places them, on every
// system of the page (not where the staves sit outside pages).
TEST_F(TracePage, PartGroupsStandBesideTheirSystem) {
  ActiveFonteMusicale();
  TroisPages p;
  Portee** second = NewPortee(p.score, kTypePorteeStandard);
  (*second)->affichee = 1;
  (*second)->hauteurBaseRuban = 200;
  for (int b = 0; b < 27; b++) AjouteSigne(second, 48, kDureeRonde);
  for (int s = 0; s < 2; s++) {
    int32_t n = 0;
    Signe* signes = GetSignesPortee(p.Staff(s), &n);
    for (int32_t i = 0; i < n; i++) signes[i].taille = 100;
  }
  NewPartGroup(p.score, kPartGroupCrochet, 0, 0, 1, 0, "", "");
  ModeImpression(p);
  const std::vector<Systeme> systemes = p.Systemes(0);
  ASSERT_GE(systemes.size(), 2u);
  int16_t retour = 0;
  std::vector<std::string> ops;
  std::istringstream in(p.Page(1, &retour));
  for (std::string l; std::getline(in, l);) ops.push_back(l);
  // One bracket bar per system, from its first staff to its last, at its left.
  const std::vector<std::string> barres = Filtre(ops, {"PaintRect"});
  ASSERT_EQ(barres.size(), systemes.size()) << ::testing::PrintToString(ops);
  for (size_t k = 0; k < systemes.size(); k++) {
    Rect b{};
    std::sscanf(barres[k].c_str(), "PaintRect (%hd,%hd,%hd,%hd)", &b.top, &b.left, &b.bottom, &b.right);
    const std::vector<PorteeSysteme> e = PartitionPaginee::Entrees(systemes[k]);
    ASSERT_EQ(e.size(), 2u);
    // Within a staff's height of the entries (these staves' lines sit at
    // their entries' tops).
    const int32_t h = Zoom(40), s = systemes[k].rectDessin.left;
    EXPECT_NEAR(b.top, e[0].rectDessin.top, h) << k;
    EXPECT_NEAR(b.bottom, e[1].rectDessin.top, h) << k;
    EXPECT_LE(b.right, s) << k;
    EXPECT_GE(b.left, s - Zoom(10)) << k;
  }
}

namespace {

// Where each music glyph of the page lands: (x, y, code).
struct GlyphePlace {
  int x, y, code;
};
std::vector<GlyphePlace> PlacesGlyphes(const std::string& page) {
  std::vector<GlyphePlace> out;
  int x = 0, y = 0;
  std::istringstream in(page);
  for (std::string op; std::getline(in, op);) {
    int a = 0, b = 0;
    if (std::sscanf(op.c_str(), "LongText (%d,%d)", &y, &x) == 2) {
    } else if (std::sscanf(op.c_str(), "DHDVText %d %d", &a, &b) == 2) {
      x += a;
      y += b;
    } else if (std::sscanf(op.c_str(), "DHText %d", &a) == 1) {
      x += a;
    } else if (std::sscanf(op.c_str(), "DVText %d", &b) == 1) {
      y += b;
    } else {
      continue;
    }
    for (int g : Glyphes({op})) out.push_back({x, y, g});
  }
  return out;
}

}  // namespace

// A clef or key change at the first bar of the next system is announced after
// the system's right edge, where the staff's lines run on; the clef only when
// the setup asks for courtesy clefs.
TEST_F(TracePage, CourtesySignsFollowTheSystemsEnd) {
  ActiveFonteMusicale();
  constexpr int kDiese = '#', kCleFa = '?';
  struct Cas {
    bool cle, armure;    // the changes at the next system's first bar
    uint8_t courtoisie;  // the setup's courtesy clef and key
    int diesesApres, clesApres;
  } cas[] = {
      {false, true, 1, 2, 0},
      {true, false, 1, 0, 1},
      {true, true, 0, 2, 0},  // announced by the reminders alone: no clef
      {false, false, 1, 0, 0},
  };
  for (const Cas& c : cas) {
    TroisPages p;
    Portee** staff = p.Staff(0);
    int32_t n = 0;
    Signe* s = GetSignesPortee(staff, &n);
    for (int32_t i = 0; i < n; i++) s[i].taille = 100;
    p.Setup().entetesLignes = 1;
    p.Setup().rappelCleArmure = c.courtoisie;
    ModeImpression(p);
    ASSERT_GE(p.Systemes(0).size(), 2u);
    const int16_t fin = p.Systemes(0)[0].finMesure;
    if (c.armure) {
      Tonalite t;
      CvtTonaliteStdEnTonalite(2, 1, &t);  // D major
      FixeTonaliteMesure(p.score, staff, fin, &t, 0);
      FixeVisibleMesure(p.score, staff, fin, kVisibleArmure, kVisibleArmure);
      FixeRappelMesure(p.score, staff, fin, kVisibleArmure, kVisibleArmure);
    }
    if (c.cle) {
      Clef cle;
      CvtTypeClefEnClefStandard(kClefFa, &cle);
      FixeClefMesure(p.score, staff, fin, &cle, 0);
      FixeVisibleMesure(p.score, staff, fin, kVisibleClef, kVisibleClef);
      FixeRappelMesure(p.score, staff, fin, kVisibleClef, kVisibleClef);
    }
    ModeImpression(p);
    const Systeme premier = p.Systemes(0)[0];
    ASSERT_EQ(premier.finMesure, fin);
    // What the courtesy area adds: the page drawn with and without it.
    int16_t retour = 0;
    const auto rang = [&]() -> TabEltMesure& { return GetLignesTabElt(GetTabEltMesureEcran(p.score))[fin]; };
    const int32_t largeur = rang().largeurRappelFinSysteme;
    EXPECT_EQ(largeur > 0, c.cle || c.armure);
    const std::string avec = p.Page(1, &retour);
    rang().largeurRappelFinSysteme = 0;
    const std::string sans = p.Page(1, &retour);
    rang().largeurRappelFinSysteme = largeur;
    const auto compte = [&](const std::string& page, int code) {
      int k = 0;
      for (const GlyphePlace& g : PlacesGlyphes(page))
        k += g.code == code && g.x >= premier.rectDessin.right && g.y <= premier.rectDessin.bottom;
      return k;
    };
    EXPECT_EQ(compte(avec, kDiese) - compte(sans, kDiese), c.diesesApres) << c.cle << c.armure << int(c.courtoisie);
    EXPECT_EQ(compte(avec, kCleFa) - compte(sans, kCleFa), c.clesApres) << c.cle << c.armure << int(c.courtoisie);
    // The staff's five lines run on under the signs.
    const auto lignes = [](const std::string& page) {
      std::vector<std::string> ops;
      std::istringstream in(page);
      for (std::string l; std::getline(in, l);) ops.push_back(l);
      return Filtre(ops, {"Line ", "ShortLine "}).size();
    };
    EXPECT_EQ(lignes(avec) >= lignes(sans) + 5, largeur > 0) << c.cle << c.armure;
  }
}

// The selected bars are tinted behind the staves on screen only: pages drawn
// as printed show no selection.
TEST_F(TracePage, SelectedBarsAreTintedOnScreenOnly) {
  TroisPages p;
  ModeImpression(p);
  p.doc->premiereMesureSelection = 1;
  p.doc->derniereMesureSelection = 3;
  const auto teintes = [&] {
    int16_t retour = 0;
    std::vector<std::string> ops;
    std::istringstream in(p.Page(1, &retour));
    for (std::string l; std::getline(in, l);) ops.push_back(l);
    std::vector<Rect> out;
    for (size_t k = 0; k + 1 < ops.size(); k++) {
      Rect r{};
      if (ops[k].find("F900 F700 AB00") != std::string::npos &&
          std::sscanf(ops[k + 1].c_str(), "PaintRect (%hd,%hd,%hd,%hd)", &r.top, &r.left, &r.bottom, &r.right) == 4)
        out.push_back(r);
    }
    return out;
  };
  EXPECT_TRUE(teintes().empty());
  // On screen, in the page view: one tint per system holding selected bars,
  // over those bars.
  (*p.score)->modeEcran = kModeEcranPage;
  UpdateTabEltMesure(p.score, kTabEltTout);
  std::vector<Rect> attendues;
  for (const Systeme& s : p.Systemes(0)) {
    const int32_t debut = std::max<int32_t>(1, s.premiereMesure), fin = std::min<int32_t>(3, s.finMesure);
    if (debut >= fin) continue;
    const int32_t x0 = CvtMesureEnPixelEcranDebutMesure(p.score, s.premiereMesure) - s.rectDessin.left;
    attendues.push_back(Rect{0, int16_t(CvtMesureEnPixelEcranDebutMesure(p.score, debut) - x0), 0,
                             int16_t(CvtMesureEnPixelEcranDebutMesure(p.score, fin) - x0)});
  }
  ASSERT_FALSE(attendues.empty());
  const std::vector<Rect> t = teintes();
  ASSERT_EQ(t.size(), attendues.size());
  for (size_t k = 0; k < t.size(); k++) {
    EXPECT_EQ(t[k].left, attendues[k].left) << k;
    EXPECT_EQ(t[k].right, attendues[k].right) << k;
  }
  p.doc->derniereMesureSelection = p.doc->premiereMesureSelection;  // an empty selection
  EXPECT_TRUE(teintes().empty());
}

// A staff line kept only for its texts shows them without the staff itself.
TEST_F(TracePage, EmptyLinesShowOnlyTheirTexts) {
  ActiveFonteMusicale();
  TroisPages p;
  Portee** staff = p.Staff(0);
  int32_t n = 0;
  Signe* s = GetSignesPortee(staff, &n);
  for (int32_t i = 0; i < n; i++) s[i].taille = 100;
  Texte t{};
  t.debut = kDureeRonde;  // bar 2
  t.fin = t.debut + kDureeRonde / 4;
  t.haut = -3;
  t.style = TextStyle{kFontHelvetica, 0, 14, {0, 0, 0}};
  SetEnregTexte(staff, -1, &t, "Coda");
  ModeImpression(p);
  ASSERT_GE(p.Systemes(0).size(), 2u);
  ASSERT_GT(p.Systemes(0)[0].finMesure, 1);
  const auto compte = [&](const char* quoi) {
    int16_t retour = 0;
    const std::string page = p.Page(1, &retour);
    size_t k = 0;
    for (size_t i = page.find(quoi); i != std::string::npos; i = page.find(quoi, i + 1)) k++;
    return k;
  };
  const size_t notes = compte("\"w\""), lignes = compte("Line ");
  EXPECT_EQ(compte("Coda"), 1u);
  // The first system's entry becomes an empty line.
  Page& page = reinterpret_cast<Page*>(*(*p.score)->pages)[0];
  Systeme* elements = reinterpret_cast<Systeme*>(*page.systemes);
  while (elements->type != kSystemeMusique) elements++;
  reinterpret_cast<PorteeSysteme*>(*elements->portees)[0].ligneVide = 1;
  EXPECT_EQ(compte("Coda"), 1u);
  EXPECT_EQ(compte("\"w\""), notes - size_t(elements->finMesure - elements->premiereMesure));
  EXPECT_LT(compte("Line "), lignes);
}

// On screen a setup's system top band holds a ruler over the system's bars
// and the menu button left of each system; pages drawn as printed show
// neither.
TEST_F(TracePage, TheSystemTopBandIsDrawnOnScreenOnly) {
  const uint32_t noir[16] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                             0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                             0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  ASSERT_TRUE(QDRegisterColorIcon(121, 4, 4, noir));
  TroisPages p;
  p.Setup().bandeHautSysteme = 1;
  ModeImpression(p);
  int16_t retour = 0;
  const std::string imprimee = p.Page(1, &retour);
  (*p.score)->modeEcran = kModeEcranPage;
  UpdateTabEltMesure(p.score, kTabEltTout);
  const std::string ecran = p.Page(1, &retour);
  QDForgetColorIcons();
  EXPECT_EQ(imprimee.find("DirectBitsRect"), std::string::npos) << imprimee;
  EXPECT_EQ(imprimee.find("EraseRect"), std::string::npos) << imprimee;  // no ruler cell
  const std::vector<Systeme> systemes = p.Systemes(0);
  ASSERT_FALSE(systemes.empty());
  Point decalage{0, 0};
  GetOffsetDebutPageSurEcran(p.doc, 0, &decalage);
  for (const Systeme& s : systemes) {
    const int top = s.rectDessin.top + decalage.v, left = s.rectDessin.left + decalage.h;
    const std::string bouton = "dst (" + std::to_string(top) + "," + std::to_string(left - 12) + ",";
    EXPECT_NE(ecran.find(bouton), std::string::npos) << bouton << "\n" << ecran;
  }
  EXPECT_NE(ecran.find("EraseRect"), std::string::npos);  // the ruler's cells
}

// Runs of empty bars show one multi-bar rest numbered with their count, runs
// of one-bar repeats one repeated-bar block; the bars they cover draw none
// of their own rests or signs.
TEST_F(TracePage, MultiBarGroupsShowOneNumberedBlock) {
  ActiveFonteMusicale();
  const struct {
    uint8_t regroupement;
    int8_t kind;
    int glyphe;
  } cas[] = {{1, kSigneSilence, 183}, {2, kSigneSpecial, 212}};
  for (const auto& c : cas) {
    // Bars 2 to 6 of 8 hold a whole rest or the one-bar repeat sign.
    PartitionPaginee p(1, 8, [](int, int bar) { return bar >= 2 && bar <= 6; });
    int32_t n = 0;
    Signe* s = GetSignesPortee(p.Staff(0), &n);
    for (int32_t i = 0; i < n; i++) {
      s[i].taille = 100;
      if (s[i].kind == kSigneSilence) s[i].kind = c.kind;
    }
    p.Setup().regroupement = c.regroupement;
    GetDefautModeGraphique(&(*p.score)->modeGraphique);
    ModeImpression(p);
    ASSERT_EQ(p.Ligne(2).motPagination, c.regroupement == 1 ? 2u : 3u);
    const std::vector<std::string> ops =
        Enregistre([&] { TracePageDocument(p.doc, 1, 1.0f, 1, CombienDePages(p.score)); });
    const std::vector<int> g = Glyphes(ops);
    const std::string tout = ::testing::PrintToString(ops);
    EXPECT_EQ(std::count(g.begin(), g.end(), c.glyphe), c.glyphe == 212 ? 1 : 0) << tout;
    EXPECT_EQ(
        std::count_if(ops.begin(), ops.end(),
                      [](const std::string& op) { return op.size() > 4 && op.substr(op.size() - 4) == " \"5\""; }),
        1)
        << tout;
  }
}

// Staves merged into one line draw their notes on the first staff's lines,
// each in its colour when the score colours merged staves.
TEST_F(TracePage, MergedStavesDrawTheirNotesOnTheFirstStaffsLines) {
  ActiveFonteMusicale();
  for (uint8_t colorie : {0, 1}) {
    PartitionPaginee p(2, 4);
    for (int k = 0; k < 2; k++) {
      int32_t n = 0;
      Signe* s = GetSignesPortee(p.Staff(k), &n);
      for (int32_t i = 0; i < n; i++) s[i].taille = 100;
    }
    (*p.Staff(0))->fusionneAvecSuivante = 1;
    (*p.Staff(0))->modeFusion = kFusionMaitre;
    (*p.Staff(1))->modeFusion = kFusionMembre;
    (*p.score)->couleursFusion = colorie;
    ModeImpression(p);
    const auto entrees = PartitionPaginee::Entrees(p.Systemes(0).at(0));
    ASSERT_EQ(entrees.size(), 2u);
    ASSERT_EQ(entrees[1].debutLigne, 0);
    const Rect avant = (*p.Staff(1))->rect;
    const std::vector<std::string> ops =
        Enregistre([&] { TracePageDocument(p.doc, 1, 1.0f, 1, CombienDePages(p.score)); });
    const std::vector<int> g = Glyphes(ops);
    const std::string tout = ::testing::PrintToString(ops);
    size_t systemeBars = 0;
    for (const Systeme& e : p.Systemes(0)) systemeBars += size_t(e.finMesure - e.premiereMesure);
    EXPECT_EQ(size_t(std::count(g.begin(), g.end(), 'w')), 2 * systemeBars) << tout;
    const bool bleu = tout.find("RGBFgCol 0000 0000 EEEE") != std::string::npos;   // colour 235
    const bool rouge = tout.find("RGBFgCol FFFF 0000 0000") != std::string::npos;  // colour 35
    EXPECT_EQ(bleu && rouge, colorie == 1) << tout;
    // The merged staff gets its own place back.
    EXPECT_EQ((*p.Staff(1))->rect.top, avant.top);
    EXPECT_EQ((*p.Staff(1))->rect.left, avant.left);
  }
}

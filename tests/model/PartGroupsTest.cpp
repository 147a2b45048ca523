// Part groups: their stored form, the mending of staff ranges when staves
// go, the conversion of old staff flags, the default indent, the screen area
// of a group's sign, the bar-line joins of a system and the brace tests.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "ModelFixtures.h"
#include "layout/DonneesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "plugin/LectureDocument.h"
#include "plugin/Preferences.h"
#include "support/NativeScoreLists.h"
#include "system/QrvFiles.h"

namespace {

using tamrel_test::NativeWriter;
using tamrel_test::PartGroupRecord;

struct PartGroupsTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  explicit PartGroupsTest(int staves = 6) {
    for (int i = 0; i < staves; i++) NewPortee(score, kTypePorteeStandard);
  }
  ~PartGroupsTest() override { LibereDocument(doc); }
  PartGroup& G(int i) { return reinterpret_cast<PartGroup*>(*(*score)->partGroups)[i]; }
  Portee** P(int i) { return (*score)->portees[i]; }
  int16_t Groupe(uint32_t kind, int16_t first, int16_t last, int16_t indent = 2, uint32_t barLines = 0) {
    return NewPartGroup(score, kind, barLines, first, last, indent, nullptr, nullptr);
  }
  std::vector<std::pair<int, int>> Bornes(Handle h) {
    std::vector<std::pair<int, int>> r;
    for (int16_t i = 0; i < GetNbPartGroups(h); i++) {
      const PartGroup& g = reinterpret_cast<PartGroup*>(*h)[i];
      r.push_back({g.premierePortee, g.dernierePortee});
    }
    return r;
  }
};

// A system whose rows show the given staves.
struct Systeme1 {
  Systeme s{};
  explicit Systeme1(std::vector<uint16_t> staves, int16_t left = 200) {
    s.type = kSystemeMusique;
    s.rectDessin.left = left;
    s.portees = NewHandleClear(Size(staves.size() * sizeof(PorteeSysteme)));
    for (size_t i = 0; i < staves.size(); i++) Row(int(i)).indexPortee = staves[i];
  }
  ~Systeme1() { DisposeHandle(s.portees); }
  PorteeSysteme& Row(int i) { return reinterpret_cast<PorteeSysteme*>(*s.portees)[i]; }
};

TEST_F(PartGroupsTest, EmptiedGroupsGoFromTheScoreAndFromEveryView) {
  Groupe(0, 2, 4);                               // loses its middle staff
  Groupe(1, 3, 3);                               // only the removed staff
  Groupe(1, 3, 4);                               // left with one staff
  Groupe(1, 0, 1);                               // before it
  G(Groupe(1, 3, 3)).uneSeulePorteePermise = 1;  // only the removed staff, may stand alone
  G(Groupe(1, 2, 3)).uneSeulePorteePermise = 1;  // left with one staff that may stand alone
  doc->vues = NewHandleClear(Size(sizeof(Vue)));
  Vue* v = GetVueDocument(doc, 0);
  v->partGroups = NewHandleClear(Size(3 * sizeof(PartGroup)));
  PartGroup* vg = reinterpret_cast<PartGroup*>(*v->partGroups);
  vg[0].premierePortee = 3, vg[0].dernierePortee = 3;
  vg[1].premierePortee = 3, vg[1].dernierePortee = 4;
  vg[2].premierePortee = 4, vg[2].dernierePortee = 5;

  AjustePartGroupsQuandSupprimePortee(P(3));
  EXPECT_EQ(Bornes((*score)->partGroups), (std::vector<std::pair<int, int>>{{2, 3}, {0, 1}, {2, 2}}));
  // A view's group left without a staff goes; one with one staff stays there.
  EXPECT_EQ(Bornes(GetVueDocument(doc, 0)->partGroups), (std::vector<std::pair<int, int>>{{3, 3}, {3, 4}}));
  // Insertion at a group's first staff moves it; inside, it grows.
  AjustePartGroupsQuandInserePortee(score, 2);
  EXPECT_EQ(Bornes((*score)->partGroups), (std::vector<std::pair<int, int>>{{3, 4}, {0, 1}, {3, 3}}));
  EXPECT_EQ(Bornes(GetVueDocument(doc, 0)->partGroups), (std::vector<std::pair<int, int>>{{4, 4}, {4, 5}}));
  Handle copie = DupliquePartGroups(score);
  EXPECT_EQ(Bornes(copie), Bornes((*score)->partGroups));
  EXPECT_NE(copie, (*score)->partGroups);
  DisposeHandle(copie);
}

TEST_F(PartGroupsTest, DefaultIndentStepsPastTheGroupsAlreadyThere) {
  EXPECT_EQ(CalculeDeltaXDefaultPartGroup(score, nullptr, 0, 5), 2);
  Groupe(kPartGroupAccolade, 1, 2, 2);
  Groupe(kPartGroupCrochet, 4, 5, 2);
  struct Cas {
    int16_t first, last, indent;
  } cas[] = {{1, 1, 14}, {4, 4, 8}, {0, 5, 14}, {3, 3, 2}};
  for (const Cas& c : cas) EXPECT_EQ(CalculeDeltaXDefaultPartGroup(score, nullptr, c.first, c.last), c.indent);
  // In a system, a group counts only when the system shows two of its staves
  // or when it may stand alone.
  Systeme1 un({0, 1, 3, 4, 5});
  EXPECT_EQ(CalculeDeltaXDefaultPartGroup(score, &un.s, 0, 5), 8);
  G(0).uneSeulePorteePermise = 1;
  EXPECT_EQ(CalculeDeltaXDefaultPartGroup(score, &un.s, 0, 5), 14);
}

TEST_F(PartGroupsTest, OldStaffFlagsBecomeBracketsThenBraces) {
  // Brackets over 0..2 and 3..4, a brace over 1..2, an unclosed bracket at 5.
  const uint16_t crochets[6] = {1, 0, 2, 1, 2, 1};
  const uint16_t accolades[6] = {0, 1, 2, 0, 0, 0};
  for (int i = 0; i < 6; i++) {
    (*P(i))->ancienGroupeCrochet = crochets[i];
    (*P(i))->ancienGroupeAccolade = accolades[i];
  }
  (*score)->ancienBarresAccolades = 1;
  ConvertitOldPartGroupToNewPartGroup(score);
  ASSERT_EQ(GetNbPartGroups((*score)->partGroups), 3);
  EXPECT_EQ(Bornes((*score)->partGroups), (std::vector<std::pair<int, int>>{{0, 2}, {3, 4}, {1, 2}}));
  EXPECT_EQ(G(0).type, kPartGroupCrochet);
  EXPECT_EQ(G(0).barresMesure, 0u);
  EXPECT_EQ(G(0).retrait, 2);
  EXPECT_EQ(G(2).type, kPartGroupAccolade);
  EXPECT_EQ(G(2).barresMesure, 1u);
  EXPECT_EQ(G(2).retrait, 8);  // beside the bracket over 0..2
  EXPECT_STREQ(G(2).nom, "");
}

TEST_F(PartGroupsTest, BarLineJoinsFollowTheGroupsOfTheRows) {
  Groupe(kPartGroupCrochet, 0, 2, 2, 1);
  Groupe(kPartGroupAccolade, 3, 4, 2, 2);
  Systeme1 sys({0, 1, 2, 3, 4, 5});
  CalculeLignesBarreMesureSystemeSelonPartGroups(score, &sys.s);
  const int32_t attendu[6][4] = {{1, 3, 3, 1}, {0, 3, 3, 0}, {0, 2, 2, 0}, {2, 3, 2, 1}, {4, 1, 2, 1}, {1, 2, 2, 1}};
  for (int r = 0; r < 6; r++)
    for (int k = 0; k < 4; k++) EXPECT_EQ(sys.Row(r).codesBarreMesure[k], attendu[r][k]) << r << "," << k;
}

TEST_F(PartGroupsTest, BraceTestsTakeTheLastStaffAtTheEndOfItsMergedStaves) {
  Fusionne(score, 2, 3, 2);
  Groupe(kPartGroupAccolade, 1, 2);
  Groupe(kPartGroupCrochet, 4, 5);
  struct Cas {
    int staff;
    bool premiere, derniere, dedans;
  } cas[] = {{0, false, false, false},
             {1, true, false, true},
             {2, false, false, true},
             {3, false, true, true},
             {4, false, false, false}};
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.staff);
    EXPECT_EQ(IsPremierePorteeAccolade(P(c.staff)), c.premiere);
    EXPECT_EQ(IsDernierePorteeAccolade(P(c.staff)), c.derniere);
    EXPECT_EQ(IsPorteeInAccolade(P(c.staff)), c.dedans);
  }
}

TEST_F(PartGroupsTest, TheSignAreaSitsLeftOfTheSystemOverTheGroupsLines) {
  SetDpiDest(72);
  for (int i = 0; i < 6; i++) {
    Portee* p = *P(i);
    p->yEcran = int16_t(100 * i);
    p->decalageLigneBas = 40;
    p->interligne = 6.0f;
  }
  Groupe(kPartGroupAccolade, 1, 3, 5);
  G(0).extensionHaut = 3;
  G(0).extensionBas = 4;
  Groupe(kPartGroupSousCrochet, 4, 5, 5);
  Groupe(kPartGroupCrochet, 2, 2);
  Rect r;
  // Without a system: from the document's layout value, the score's inset
  // and the screen's margin, narrow or wide.
  doc->valeurGaucheMiseEnPage = 10;
  (*score)->margeGaucheEcran = 6;
  ASSERT_EQ(CalculeAirePartGroupEcran(doc, nullptr, 0, &r), 1);
  EXPECT_EQ(r.right, 10 + 6 + 12 - 5);
  pref.gouttiereLarge = 1;
  ASSERT_EQ(CalculeAirePartGroupEcran(doc, nullptr, 0, &r), 1);
  PreferencesParDefaut();
  EXPECT_EQ(r.right, 10 + 6 + 24 - 5);
  EXPECT_EQ(r.left, 10 + 6 + 24 - 5 - 10);
  EXPECT_EQ(r.top, 100 + 40 - 24 - 3);
  EXPECT_EQ(r.bottom, 300 + 40 + 4);
  // A sub-bracket widens to the left and keeps the lines.
  Systeme1 sys({0, 1, 2, 4, 5});
  ASSERT_EQ(CalculeAirePartGroupEcran(doc, &sys.s, 1, &r), 1);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.left, 200 - 4 - 5);
  EXPECT_EQ(r.top, 400 + 40 - 24);
  EXPECT_EQ(r.bottom, 500 + 40);
  // In a system that hides staff 3 the brace ends on staff 2.
  ASSERT_EQ(CalculeAirePartGroupEcran(doc, &sys.s, 0, &r), 1);
  EXPECT_EQ(r.bottom, 200 + 40 + 4);
  // A one-staff group is drawn only when it may stand alone.
  EXPECT_EQ(CalculeAirePartGroupEcran(doc, &sys.s, 2, &r), 0);
  G(2).uneSeulePorteePermise = 1;
  EXPECT_EQ(CalculeAirePartGroupEcran(doc, &sys.s, 2, &r), 1);
  // A system that shows none of its staves draws nothing.
  Systeme1 aucun({0, 5});
  EXPECT_EQ(CalculeAirePartGroupEcran(doc, &aucun.s, 0, &r), 0);
  EXPECT_EQ(CalculeAirePartGroupEcran(doc, &aucun.s, 7, &r), 0);
  SetDpiDest(144);
}

// ---- the stored form

struct LecturePartGroups : ::testing::Test {
  Handle h = nullptr;
  bool fin = false;
  int16_t suivant = 0;
  ~LecturePartGroups() override {
    if (h) DisposeHandle(h);
  }
  void Lit(const std::vector<uint8_t>& octets, uint16_t version) {
    const uint16_t avant = VersionQuarvelLoad;
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
    h = ReadPartGroups();
    fin = EndOfFile() != 0;
    suivant = ReadCar();
    TermineSurPtr();
    VersionQuarvelLoad = avant;
  }
  const PartGroup& G(int i) { return reinterpret_cast<PartGroup*>(*h)[i]; }
};

std::vector<uint8_t> Ecrit(uint16_t version, const std::vector<PartGroupRecord>& groups, bool marque = true) {
  NativeWriter w(version);
  tamrel_test::WritePartGroups(w, groups);
  if (marque) w.U8(0x5A);
  return w.Finish();
}

TEST_F(LecturePartGroups, GroupsAreReadFieldByFieldAtEachVersion) {
  PartGroupRecord a;
  a.kind = 2;
  a.barLines = 2;
  a.first = 1;
  a.last = 4;
  a.indent = -5;
  a.topExtension = 7;
  a.bottomExtension = -3;
  a.name = "Cordes";
  a.nameValues[0] = 11;
  a.nameValues[1] = 12;
  a.abbreviation = "Cd.";
  a.abbreviationValues[0] = 13;
  a.abbreviationValues[1] = 14;
  a.nameStyle.size = 14;
  a.abbreviationStyle.size = 9;
  a.nameValue = 21;
  a.abbreviationValue = 22;
  a.singleStaff = 1;
  PartGroupRecord b;
  b.name = "Vents";
  for (uint16_t version : {0x0910, 0x0920}) {
    SCOPED_TRACE(version);
    Lit(Ecrit(version, {a, b}), version);
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(fin);
    EXPECT_EQ(suivant, 0x5A);
    ASSERT_EQ(GetNbPartGroups(h), 2);
    const PartGroup& g = G(0);
    EXPECT_EQ(g.type, 2u);
    EXPECT_EQ(g.barresMesure, 2u);
    EXPECT_EQ(g.premierePortee, 1);
    EXPECT_EQ(g.dernierePortee, 4);
    EXPECT_EQ(g.retrait, 0);  // a negative indent reads as 0
    EXPECT_EQ(g.extensionHaut, 7);
    EXPECT_EQ(g.extensionBas, -3);
    EXPECT_STREQ(g.nom, "Cordes");
    EXPECT_EQ(g.valeursNom[1], 12);
    EXPECT_STREQ(g.abrege, "Cd.");
    EXPECT_EQ(g.valeursAbrege[0], 13);
    EXPECT_EQ(g.styleNom.size, 14);
    EXPECT_EQ(g.uneSeulePorteePermise, 1);
    if (version >= 0x0920) {
      EXPECT_EQ(g.styleAbrege.size, 9);
      EXPECT_EQ(g.valeurNom, 21);
      EXPECT_EQ(g.valeurAbrege, 22);
    } else {
      EXPECT_EQ(g.valeurNom, 0);
    }
    EXPECT_STREQ(G(1).nom, "Vents");
    DisposeHandle(h);
    h = nullptr;
  }
}

TEST_F(LecturePartGroups, EmptyAndDamagedListsGiveNoGroups) {
  for (int16_t count : {0, -3}) {
    NativeWriter w(0x0920);
    w.I16(count);
    w.U8(0x5A);
    Lit(w.Finish(), 0x0920);
    EXPECT_EQ(h, nullptr);
    EXPECT_FALSE(fin);
    EXPECT_EQ(suivant, 0x5A);
  }
  // A count the stream cannot hold, and a list cut at every byte.
  NativeWriter w(0x0920);
  w.I16(30000);
  w.Gap(200);
  Lit(w.Finish(), 0x0920);
  EXPECT_EQ(h, nullptr);
  EXPECT_TRUE(fin);
  PartGroupRecord g;
  g.name = "Bois";
  const std::vector<uint8_t> entier = Ecrit(0x0920, {g, g}, false);
  for (size_t n = 2; n < entier.size(); n++) {
    std::vector<uint8_t> coupe(entier.begin(), entier.begin() + long(n));
    Lit(coupe, 0x0920);
    EXPECT_EQ(h, nullptr) << n;
  }
}

}  // namespace

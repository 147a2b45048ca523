// Staves: typed creation, the staff array and index, merged groups, and the
// staff indexes stored elsewhere when staves are removed or inserted.
#include <gtest/gtest.h>

#include "ModelFixtures.h"
#include "model/PartGroups.h"
#include "model/Tonalite.h"
#include "sound/SINSTRUM.h"
#include "stafftypes/PorteeQuarvel.h"
#include "stafftypes/Tablature.h"
#include "text/Fontes.h"

namespace {

struct StavesTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  ~StavesTest() override { LibereDocument(doc); }

  Portee** Ajoute(uint32_t type = kTypePorteeStandard) { return CreePorteeVide(score, type, 1, 0); }
  Portee** At(int i) { return (*score)->portees[i]; }
  void ExpectIndexesContiguous() {
    for (int16_t i = 0; i < (*score)->nbPortees; i++) EXPECT_EQ((*At(i))->index, i);
  }
};

TEST_F(StavesTest, EachTypeGetsItsDefaults) {
  struct Cas {
    uint32_t type;
    int16_t instrument;
    uint8_t hidden;
    int16_t topLine;  // highest line shown
    bool notes, key, notation;
  } cas[] = {
      {kTypePorteeStandard, 0, 0, 4, true, true, true},
      {kTypePorteeBatterie, 0, 0, 4, false, false, false},
      {kTypePorteeParole, -1, 0, 4, false, false, false},
      {kTypePorteeTempo, -1, 0, 4, false, false, false},
      {kTypePorteeTablature, 0, 0, 4, true, true, true},
      {kTypePorteeBatterieStd, 0, 0, 4, true, false, true},
      {kTypePorteeGregorien, 0, 0, 3, true, true, true},
      {kTypePorteePisteNumerique, -2, 1, 4, false, false, false},
      {1, 0, 0, 4, false, false, false},
      {11, 0, 0, 4, false, false, false},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.type);
    Portee** p = Ajoute(c.type);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((*p)->marqueur, kMarqueurPortee);
    EXPECT_EQ((*p)->type, c.type);
    EXPECT_EQ((*p)->partition, score);
    EXPECT_EQ((*p)->instrument, c.instrument);
    EXPECT_EQ((*p)->cacheeModePage, c.hidden);
    EXPECT_EQ((*p)->marqueur1, -1);
    EXPECT_EQ((*p)->marqueur2, -1);
    EXPECT_EQ((*p)->pan, 64);
    EXPECT_EQ((*p)->volume, 127);
    EXPECT_NE((*p)->notes, nullptr);
    EXPECT_EQ((*p)->positions[1023].c, 0xFFFFFFFFu);
    for (int16_t l = kPremiereLignePortee; l <= kDerniereLignePortee; l++)
      EXPECT_EQ(IsAfficheLignePortee(p, l), l >= 0 && l <= c.topLine) << "line " << l;
    EXPECT_EQ(IsTypePorteeContientNote(p), c.notes);
    EXPECT_EQ(IsTypePorteeChangeTonalite(p), c.key);
    EXPECT_EQ(IsTypePorteeChangeClef(p), c.key);
    EXPECT_EQ(IsTypePorteeNotationStandard(p), c.notation);
    EXPECT_EQ(IsTypePorteeTablature(p), c.type == kTypePorteeTablature);
    EXPECT_EQ(GetTablature(p) != nullptr, c.type == kTypePorteeTablature);
    // Key and clef of bar 0.
    ASSERT_GE((*p)->nbTonalites, 1);
    const EltTabTonalite& e = reinterpret_cast<EltTabTonalite*>(*(*p)->tabTonalite)[0];
    EXPECT_EQ(e.mesure, 0);
    EXPECT_EQ(e.clef.type, 1u);
    EXPECT_EQ(e.clef.noteDeBase, 64);
    EXPECT_EQ(e.tonalite.mode, 1);
  }
  ExpectIndexesContiguous();
}

// The staff name and the standard text style start in the interface's
// standard font (not font 0, which names no family).
TEST_F(StavesTest, NameAndStandardStyleUseTheStandardFont) {
  Portee** p = Ajoute();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ((*p)->policeNom, GetStdFont());
  EXPECT_NE((*p)->policeNom, 0);
  EXPECT_EQ((*p)->tailleNom, 12);
  const TextStyle& st = (*p)->aspect.styleStd;
  EXPECT_EQ(st.font, GetStdFont());
  EXPECT_EQ(st.face, 0);
  EXPECT_EQ(st.size, 10);
  EXPECT_EQ(st.color.red | st.color.green | st.color.blue, 0);
}

TEST_F(StavesTest, NamesAreBoundedAndTerminated) {
  Portee** p = Ajoute();
  std::string longName(400, 'x');
  SetNomPortee(p, longName.c_str());
  SetNomAbregePortee(p, "Vl.");
  EXPECT_EQ(std::strlen((*p)->aspect.nom), 255u);
  EXPECT_STREQ((*p)->aspect.nomAbrege, "Vl.");
}

TEST_F(StavesTest, InsertingKeepsOrderIndexesAndPartGroups) {
  for (int i = 0; i < 4; i++) Ajoute();
  NewPartGroup(score, 0, 0, 1, 3, 2, nullptr, nullptr);
  NewPartGroup(score, 1, 0, 2, 3, 2, nullptr, nullptr);
  (*score)->enregsIndexPortee = NewHandleClear(Size(2 * sizeof(EnregIndexPortee)));
  reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[0].indexPortee = 1;
  reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[1].indexPortee = 2;
  (*At(3))->typeVolatile = 5;
  (*At(3))->indexPorteeSource = 2;
  Portee** nouvelle = AllouePortee();
  ASSERT_EQ(InserePorteeDansTabPortee(score, nouvelle, 2), 1);
  EXPECT_EQ(At(2), nouvelle);
  ExpectIndexesContiguous();
  // Stored indexes follow the staves that moved, not the newcomer.
  EXPECT_EQ(reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[0].indexPortee, 1);
  EXPECT_EQ(reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[1].indexPortee, 3);
  EXPECT_EQ((*At(4))->indexPorteeSource, 3);
  const PartGroup* g = reinterpret_cast<PartGroup*>(*(*score)->partGroups);
  EXPECT_EQ(g[0].premierePortee, 1);  // a staff inserted inside a group joins it
  EXPECT_EQ(g[0].dernierePortee, 4);
  EXPECT_EQ(g[1].premierePortee, 3);
  EXPECT_EQ(g[1].dernierePortee, 4);
  // A position past the end appends.
  Portee** fin = AllouePortee();
  ASSERT_EQ(InserePorteeDansTabPortee(score, fin, 99), 1);
  EXPECT_EQ(At(5), fin);
  EXPECT_EQ((*fin)->index, 5);
}

// One staff removed from the middle: every staff index stored elsewhere
// still names the same staves.
TEST_F(StavesTest, RemovingAMiddleStaffKeepsEveryStoredIndexValid) {
  for (int i = 0; i < 5; i++) Ajoute();
  RetablitCoherenceIDPortees(doc);
  uint16_t ids[5];
  for (int i = 0; i < 5; i++) ids[i] = (*At(i))->idUnique;
  Portee** apres = At(3);

  (*score)->premierePortee = 1;
  (*score)->dernierePortee = 3;
  NewPartGroup(score, 0, 0, 1, 3, 2, nullptr, nullptr);  // spans the removed staff
  NewPartGroup(score, 1, 0, 3, 4, 2, nullptr, nullptr);  // after it
  NewPartGroup(score, 1, 0, 0, 1, 2, nullptr, nullptr);  // before it
  NewPartGroup(score, 1, 0, 2, 2, 2, nullptr, nullptr);  // the removed staff alone
  reinterpret_cast<PartGroup*>(*(*score)->partGroups)[3].uneSeulePorteePermise = 1;

  // A view holding every staff, with part groups of its own.
  doc->vues = NewHandleClear(Size(sizeof(Vue)));
  Vue* vue = reinterpret_cast<Vue*>(*doc->vues);
  vue->portees = NewHandleClear(Size(5 * sizeof(VuePortee)));
  for (int i = 0; i < 5; i++) {
    VuePortee& e = reinterpret_cast<VuePortee*>(*vue->portees)[i];
    e.idPortee = ids[i];
    e.staffHeightEvts = NewHandleClear(8);
  }
  vue->partGroups = NewHandleClear(Size(sizeof(PartGroup)));
  reinterpret_cast<PartGroup*>(*vue->partGroups)->premierePortee = 3;
  reinterpret_cast<PartGroup*>(*vue->partGroups)->dernierePortee = 4;

  // Score records naming staves 3 and 4.
  (*score)->enregsIndexPortee = NewHandleClear(Size(2 * sizeof(EnregIndexPortee)));
  (*score)->nbEnregsIndexPortee = 2;
  reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[0].indexPortee = 3;
  reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[1].indexPortee = 4;

  // A tie from staff 1 to staff 3 and a beam link from staff 3 to staff 4.
  int32_t e1 = AjouteParamEffet(At(1)), e3 = AjouteParamEffet(At(3)), e4 = AjouteParamEffet(At(4));
  Effet(At(1), e1).liaison.idSource = 7;
  Effet(At(1), e1).liaison.porteeSource = 3;
  Effet(At(3), e3).liaison.idDest = 7;
  Effet(At(3), e3).liaison.porteeDest = 1;
  Effet(At(3), e3).accroche.idSource = 8;
  Effet(At(3), e3).accroche.porteeSource = 4;
  Effet(At(4), e4).accroche.idDest = 8;
  Effet(At(4), e4).accroche.porteeDest = 3;
  int32_t e0 = AjouteParamEffet(At(0));  // an end whose partner is missing
  Effet(At(0), e0).liaison.idSource = 9;
  Effet(At(0), e0).liaison.porteeSource = 4;

  // Volatile staves made from staff 3 and from the removed staff.
  Portee** volatile3 = Ajoute();
  (*volatile3)->typeVolatile = 5;
  (*volatile3)->indexPorteeSource = 3;
  Portee** volatile2 = Ajoute();
  (*volatile2)->typeVolatile = 5;
  (*volatile2)->indexPorteeSource = 2;

  AjusteVuesQdSupprimePortee(score, 2);
  DisposePorteeIndex(score, 2, 0);
  EXPECT_EQ((*volatile3)->indexPorteeSource, 2);
  EXPECT_EQ((*volatile2)->indexPorteeSource, -1);
  SupprimeToutesPorteesVolatiles(score);

  ASSERT_EQ((*score)->nbPortees, 4);
  EXPECT_EQ(At(2), apres);
  ExpectIndexesContiguous();
  EXPECT_EQ((*score)->premierePortee, 1);
  EXPECT_EQ((*score)->dernierePortee, 2);

  ASSERT_EQ(GetNbPartGroups((*score)->partGroups), 3);
  const PartGroup* g = reinterpret_cast<PartGroup*>(*(*score)->partGroups);
  EXPECT_EQ(g[0].premierePortee, 1);
  EXPECT_EQ(g[0].dernierePortee, 2);
  EXPECT_EQ(g[1].premierePortee, 2);
  EXPECT_EQ(g[1].dernierePortee, 3);
  EXPECT_EQ(g[2].premierePortee, 0);
  EXPECT_EQ(g[2].dernierePortee, 1);

  vue = reinterpret_cast<Vue*>(*doc->vues);
  ASSERT_EQ(GetHandleSize(vue->portees), Size(4 * sizeof(VuePortee)));
  const uint16_t restants[4] = {ids[0], ids[1], ids[3], ids[4]};
  for (int i = 0; i < 4; i++) EXPECT_EQ(reinterpret_cast<VuePortee*>(*vue->portees)[i].idPortee, restants[i]);
  EXPECT_EQ(reinterpret_cast<PartGroup*>(*vue->partGroups)->premierePortee, 2);
  EXPECT_EQ(reinterpret_cast<PartGroup*>(*vue->partGroups)->dernierePortee, 3);

  EXPECT_EQ(reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[0].indexPortee, 2);
  EXPECT_EQ(reinterpret_cast<EnregIndexPortee*>(*(*score)->enregsIndexPortee)[1].indexPortee, 3);

  EXPECT_EQ(Effet(At(1), e1).liaison.porteeSource, 2);
  EXPECT_EQ(Effet(At(2), e3).liaison.porteeDest, 1);
  EXPECT_EQ(Effet(At(2), e3).accroche.porteeSource, 3);
  EXPECT_EQ(Effet(At(3), e4).accroche.porteeDest, 2);
  EXPECT_EQ(Effet(At(0), e0).liaison.porteeSource, 0xFFFF);
}

TEST_F(StavesTest, RemovingEveryStaffLeavesNoArray) {
  Ajoute();
  Ajoute();
  Portee** v = Ajoute();
  (*v)->typeVolatile = 5;
  (*v)->indexPorteeSource = 1;
  DisposePorteeIndex(score, 1, 0);
  EXPECT_EQ((*v)->indexPorteeSource, -1);
  InserePorteeDansTabPortee(score, AllouePortee(), 1);
  (*score)->dernierePortee = 2;
  DisposePorteeIndex(score, 2, 0);
  DisposePorteeIndex(score, 1, 0);
  DisposePorteeIndex(score, 0, 0);
  EXPECT_EQ((*score)->nbPortees, 0);
  EXPECT_EQ((*score)->portees, nullptr);
  EXPECT_EQ((*score)->premierePortee, 0);
  EXPECT_EQ((*score)->dernierePortee, 0);
  // Out of range does nothing.
  EXPECT_EQ(DisposePorteeIndex(score, 0, 0), 1);
}

TEST_F(StavesTest, MergedGroupWalks) {
  for (int i = 0; i < 7; i++) Ajoute();
  Fusionne(score, 1, 3, 2);
  Fusionne(score, 4, 6, 4);
  (*At(6))->type = kTypePorteeTempo;

  EXPECT_EQ(CvtPorteeEnPorteeDebutFusion(At(3)), At(1));
  EXPECT_EQ(CvtPorteeEnPorteeDebutFusion(At(0)), At(0));
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeDebutFusion(score, 2), 1);
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeDebutFusion(score, 50), 4);
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeFinFusion(score, 1), 3);
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeFinFusion(score, 3), 3);
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeFinFusion(score, 4), 5);  // a trailing tempo staff is left out
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeFinFusion(score, -3), -3);
  EXPECT_EQ(GetNbPorteesFusion(At(2)), 3);
  EXPECT_EQ(GetNbPorteesFusion(At(0)), 1);
  EXPECT_EQ(CvtPorteeEnPorteeMaitreDebutFusion(score, At(3)), At(2));
  EXPECT_EQ(CvtPorteeEnPorteeMaitreDebutFusion(score, At(5)), At(4));
  // A group without master answers its head, never a master of another group.
  (*At(2))->modeFusion = kFusionMembre;
  EXPECT_EQ(CvtPorteeEnPorteeMaitreDebutFusion(score, At(2)), At(1));
  Partition** vide = NewPartition(nullptr);
  EXPECT_EQ(CvtIndexPorteeEnIndexPorteeDebutFusion(vide, 3), 0);
  DisposePartiePartition(vide, kDisposePartitionEntiere);
  LibereHandle(&vide);
}

TEST_F(StavesTest, RemovingAStaffMendsItsGroup) {
  for (int i = 0; i < 6; i++) Ajoute();
  Fusionne(score, 0, 1, 1);  // two staves
  Fusionne(score, 2, 4, 2);  // three staves
  Portee** a = At(0);
  Portee** b = At(3);
  DisposePorteeIndex(score, 1, 0);  // the group of two dissolves
  EXPECT_EQ((*a)->modeFusion, kFusionAucune);
  EXPECT_EQ((*a)->fusionneAvecSuivante, 0);
  DisposePorteeIndex(score, 3, 0);  // last of the group of three
  EXPECT_EQ((*b)->fusionneAvecSuivante, 0);
  EXPECT_EQ(GetNbPorteesFusion(b), 2);
  EXPECT_EQ((*score)->nbPortees, 4);
  ExpectIndexesContiguous();
}

TEST_F(StavesTest, RemovingAWholeGroup) {
  for (int i = 0; i < 5; i++) Ajoute();
  Fusionne(score, 1, 3, 1);
  Portee** dernier = At(4);
  DisposePorteeIndex(score, 2, 1);
  ASSERT_EQ((*score)->nbPortees, 2);
  EXPECT_EQ(At(1), dernier);
  ExpectIndexesContiguous();
}

TEST_F(StavesTest, DuplicateUniqueIdsAreRenewed) {
  for (int i = 0; i < 3; i++) Ajoute();
  (*At(0))->idUnique = 40;
  (*At(1))->idUnique = 40;
  (*At(2))->idUnique = 0;
  RetablitCoherenceIDPortees(doc);
  EXPECT_EQ((*At(0))->idUnique, 40);
  EXPECT_NE((*At(1))->idUnique, 40);
  EXPECT_GT((*At(1))->idUnique, 40);
  EXPECT_GT((*At(2))->idUnique, 40);
  EXPECT_NE((*At(1))->idUnique, (*At(2))->idUnique);
  EXPECT_GE(doc->compteurIdUnique, 42u);
}

TEST_F(StavesTest, WrittenLengthOfAStaff) {
  Portee** p = Ajoute();
  EXPECT_EQ(CalculeDureePortee(p, 1), 0u);
  AjouteSigne(p, 60, 40320, 50);
  EXPECT_EQ(CalculeDureePortee(p, 1), 20160u);
  EXPECT_EQ(CalculeDureePortee(p, 0), 40320u);
  // A chord: its longer member overlaps the next record.
  Portee** q = Ajoute();
  AjouteSigne(q, 60, 161280, 100, kSigneAccordSuite);
  AjouteSigne(q, 64, 40320);
  AjouteSigne(q, kSigneSilence, 40320);
  EXPECT_EQ(CalculeDureePortee(q, 1), 161280u);
  AjouteSigne(q, kSigneSilence, 161280);
  EXPECT_EQ(CalculeDureePortee(q, 1), 40320u * 2 + 161280u);
}

TEST_F(StavesTest, VisibilityFollowsTheScreenMode) {
  Ajoute();
  Ajoute(kTypePorteePisteNumerique);
  EXPECT_TRUE(IsPorteeVisible(score, 0));
  EXPECT_TRUE(IsPorteeVisible(score, 1));
  EXPECT_FALSE(IsPorteeVisible(score, 2));
  EXPECT_FALSE(IsPorteeVisible(score, -1));
  (*score)->modeEcran = 1;
  EXPECT_TRUE(IsPorteeVisible(score, 0));
  EXPECT_FALSE(IsPorteeVisible(score, 1));
  (*At(0))->affichee = 0;
  EXPECT_FALSE(IsPorteeVisible(score, 0));
}

TEST_F(StavesTest, TransposedPitchFollowsTheInstrument) {
  Portee** p = Ajoute();
  reinterpret_cast<Instrument*>(*(*score)->instruments)[0].transposition = -2;
  EXPECT_EQ(GetVraieHauteurFnTranspositeur(score, p, 62), 60);
  EXPECT_EQ(GetVraieHauteurFnTranspositeur(score, p, -1), -1);
  (*p)->instrument = 200;
  EXPECT_EQ(GetVraieHauteurFnTranspositeur(score, p, 62), 62);
}

TEST_F(StavesTest, NextStaffAndHeaderWidth) {
  Portee** a = Ajoute();
  Portee** b = Ajoute();
  EXPECT_EQ(PorteeSuivante(a), b);
  EXPECT_EQ(PorteeSuivante(b), nullptr);
  EXPECT_EQ(PorteeSuivante(nullptr), nullptr);
  // Header widths as a staff type without a metrics slot leaves them.
  (*a)->vecteurs.vect_init_portee = (*b)->vecteurs.vect_init_portee = nullptr;
  (*b)->largeurCle = 90;
  (*score)->modeEcran = 1;
  InitPortees(score);
  EXPECT_EQ((*score)->largeurEntete, 0);
  EXPECT_EQ((*a)->rect.top, -32767);
  (*score)->modeEcran = 0;
  InitPortees(score);
  EXPECT_EQ((*score)->largeurEntete, 90);
}

TEST_F(StavesTest, ANewStaffTakesTheKeyTableOfAStandardStaff) {
  Portee** a = Ajoute();
  Tonalite cle = {};
  cle.mode = 1;
  cle.alterations[3] = 1;
  Clef clef = {};
  clef.type = 1;
  FixeTonaliteEtClefMesure(score, a, 8, &cle, &clef, 0, kVisibleArmure, 0, 3);
  Portee** b = CreePorteeVide(score, kTypePorteeStandard, 2, 0);
  ASSERT_EQ((*b)->nbTonalites, 2);
  const EltTabTonalite* t = reinterpret_cast<EltTabTonalite*>(*(*b)->tabTonalite);
  EXPECT_EQ(t[1].mesure, 8);
  EXPECT_EQ(t[1].lien, kLienTonaliteAucun);  // links of the other staff are not copied
  EXPECT_EQ(t[0].clef.type, 2u);             // the clef of the new staff's own type
  EXPECT_EQ(t[0].clef.noteDeBase, 43);
  EXPECT_EQ((*b)->affichee, 1);
}

}  // namespace

namespace {

TEST_F(StavesTest, OnlySungStavesGetVoiceParameters) {
  Portee** chant = Ajoute(kTypePorteeGregorien);
  Portee** muet = Ajoute();
  InitChantConfigPortee(chant);
  InitChantConfigPortee(muet);
  ASSERT_NE((*chant)->voixParam, nullptr);
  EXPECT_EQ(GetHandleSize((*chant)->voixParam), Size(sizeof(VoixParam)));
  EXPECT_EQ((*chant)->chantConfig1, 1);
  EXPECT_EQ((*chant)->chantConfig2, 1);
  Handle avant = (*chant)->voixParam;
  InitChantConfigPortee(chant);  // already configured: kept
  EXPECT_EQ((*chant)->voixParam, avant);
  EXPECT_EQ((*muet)->voixParam, nullptr);
  EXPECT_EQ((*muet)->chantConfig1, 0);
}

}  // namespace

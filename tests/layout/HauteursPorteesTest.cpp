#include "layout/HauteursPortees.h"

#include <gtest/gtest.h>

#include "model/Document.h"
#include "model/ModelFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/Tablature.h"

namespace {

class HauteursPorteesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetDpiDest();
    SetDpiDest(72);
    doc_ = NouveauDocument();
    doc_->indexPartitionCourante = -1;
    doc_->indexVueCourante = -1;
    score_ = CreePartitionVide(doc_);
    standard_ = CreePorteeVide(score_, kTypePorteeStandard, 1, 0);
  }
  void TearDown() override {
    LibereDocument(doc_);
    SetDpiDest(saved_);
  }
  int16_t saved_ = 0;
  Document* doc_ = nullptr;
  Partition** score_ = nullptr;
  Portee** standard_ = nullptr;
};

// A tablature whose lines are 40 pixels high at any resolution.
int16_t HauteurQuarante(Portee**, int16_t) { return 40; }

struct CasPortee {
  uint32_t type;
  int16_t hauteur;       // zoomed height (72 dpi: also the master)
  int16_t hauteurRuban;  // the piano roll's, left as set before the height check
  int16_t ligneBase;     // base line of the staff's lines
  int16_t ligneAccord;   // chord-symbol line
  int16_t ligneParoles;  // lyrics base line
};

TEST_F(HauteursPorteesTest, NewStavesOfAMultiStaffScoreGetTheirHeightsAndBaseLinesByType) {
  // Line spacing 6 at 72 dpi (a staff of size 72): a standard staff is 12
  // spacings high with its base line 10 spacings less 11 pixels down. A
  // Gregorian staff (spacing 8) has its base line at its bottom, and the height
  // check makes room under it.
  const CasPortee cas[] = {
      {kTypePorteeStandard, 72, 72, 49, 9, 61},    {kTypePorteeBatterie, 14, 14, 12, 4, 24},
      {kTypePorteeParole, 24, 24, 16, 4, 0},       {kTypePorteeTempo, 72, 72, 0, 4, 12},
      {kTypePorteeGregorien, 68, 64, 64, 12, 80},  {kTypePorteePisteNumerique, 64, 64, 16, 4, 0},
      {kTypePorteeBatterieStd, 72, 72, 49, 9, 61},
  };
  for (const CasPortee& c : cas) ASSERT_NE(CreePorteeVide(score_, c.type, 1, 0), nullptr);
  ASSERT_EQ((*score_)->nbPortees, int16_t(1 + sizeof cas / sizeof cas[0]));
  for (size_t i = 0; i < sizeof cas / sizeof cas[0]; i++) {
    const CasPortee& c = cas[i];
    const Portee& p = **(*score_)->portees[i + 1];
    ASSERT_EQ(p.type, c.type);
    EXPECT_EQ(p.hauteurEcran, c.hauteur) << "type " << c.type;
    EXPECT_EQ(p.hauteurBaseRuban, c.hauteur) << "type " << c.type;
    EXPECT_EQ(p.hauteurRuban, c.hauteurRuban) << "type " << c.type;
    EXPECT_EQ(p.decalageLigneBas, c.ligneBase) << "type " << c.type;
    EXPECT_EQ(p.decalageLigneBasBaseRuban, c.ligneBase) << "type " << c.type;
    EXPECT_EQ(p.ligneAccord, c.ligneAccord) << "type " << c.type;
    EXPECT_EQ(p.lignesTexte[1].decalageHaut, c.ligneAccord) << "type " << c.type;
    EXPECT_EQ(p.hauteurBaseLigneTexte, c.ligneParoles) << "type " << c.type;
    EXPECT_EQ(p.lignesTexte[0].decalageHaut, c.ligneParoles) << "type " << c.type;
  }
}

TEST_F(HauteursPorteesTest, TextLinesAndATablatureMakeTheStaffTaller) {
  Portee** staff = standard_;
  // Lyrics rows of 10 and two chord rows of 8: four rows of each are added to
  // the normal height.
  (*staff)->karaoke = 1;
  (*staff)->lignesTexte[0].hauteurLigne = 10;
  (*staff)->ligneAccords = 1;
  (*staff)->lignesTexte[1].hauteurLigne = 8;
  (*staff)->nbLignesAccords = 2;
  EXPECT_EQ(HauteurNormalePortee(staff), 72 + 40 + 32);

  // A tablature staff is as high as its tablature; its lines start 16 under
  // its base line, and the height then covers them.
  Portee** tab = CreePorteeVide(score_, kTypePorteeTablature, 1, 0);
  ASSERT_NE(tab, nullptr);
  ASSERT_NE(GetTablature(tab), nullptr);
  // The record as a new staff's kind would fill it: its height slot, no line yet.
  (*GetTablature(tab))->vecteurs.GetHauteurEcran = HauteurQuarante;
  (*GetTablature(tab))->ligneBase = 0;
  EXPECT_EQ(HauteurNormalePortee(tab), 40);
  SetDefaultLignesInternesPortees(tab);
  EXPECT_EQ((*tab)->decalageLigneBas, 49);
  EXPECT_EQ((*GetTablature(tab))->ligneBase, 65);
  EXPECT_EQ((*tab)->hauteurEcran, 40 + 65);
  // The chord line sits on the tablature's last line, the lyrics 3 spacings under it.
  EXPECT_EQ((*tab)->ligneAccord, 65 + 40);
  EXPECT_EQ((*tab)->hauteurBaseLigneTexte, 40 + 65 + 18);
}

TEST_F(HauteursPorteesTest, HeightCheckRaisesOnceAndLinesAreNeverNegative) {
  Portee** tempo = CreePorteeVide(score_, kTypePorteeTempo, 1, 0);
  ASSERT_NE(tempo, nullptr);
  (*tempo)->hauteurBaseRuban = 20;
  EXPECT_EQ(CheckHauteurPortee(tempo), 1);
  EXPECT_EQ((*tempo)->hauteurBaseRuban, 32);
  EXPECT_EQ((*tempo)->hauteurEcran, 32);
  EXPECT_EQ(CheckHauteurPortee(tempo), 0);

  Portee** staff = standard_;
  SetLigneBasePortee(staff, -7);
  EXPECT_EQ((*staff)->decalageLigneBasBaseRuban, 0);
  EXPECT_EQ((*staff)->decalageLigneBas, 0);
  SetLigneAccordPortee(staff, -1);
  EXPECT_EQ((*staff)->ligneAccord, 0);
}

TEST_F(HauteursPorteesTest, SettersKeepTheMasterAt72DpiAndMarkThePageLayoutDirty) {
  Portee** staff = standard_;
  SetDpiDest(144);
  (*score_)->masqueModifieTabElt = 0;
  SetLigneBasePortee(staff, 99);
  EXPECT_EQ((*staff)->decalageLigneBasBaseRuban, 50);  // 49.5 rounds away from zero
  EXPECT_EQ((*staff)->decalageLigneBas, 100);
  EXPECT_EQ((*staff)->decalageLigneBasRuban, 50);  // the piano roll is at the score's zoom, 72
  EXPECT_EQ((*score_)->masqueModifieTabElt & kTabEltMarges, kTabEltMarges);

  SetHauteurPortee(staff, 200);
  EXPECT_EQ((*staff)->hauteurBaseRuban, 100);
  EXPECT_EQ((*staff)->hauteurEcran, 200);

  // The chord line is taken at the score's own resolution (zoom 72 x scale 1),
  // whatever the destination, which is put back.
  SetLigneAccordPortee(staff, 30);
  EXPECT_EQ((*staff)->ligneAccord, 30);
  EXPECT_EQ(GetDpiDest(), 144);
}

}  // namespace

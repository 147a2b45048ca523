#include "layout/ModesEcran.h"

#include <gtest/gtest.h>

#include "layout/HauteursPortees.h"
#include "layout/Imprimante.h"
#include "layout/Regle.h"
#include "model/Document.h"
#include "model/ModelFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"

namespace {

class ModesEcranTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetDpiDest();
    SetDpiDest(72);
    doc_ = NouveauDocument();
    doc_->indexPartitionCourante = -1;
    doc_->indexVueCourante = -1;
    doc_->facteurVuePage = 1.0f;
    score_ = CreePartitionVide(doc_);
  }
  void TearDown() override {
    LibereDocument(doc_);
    SetDpiDest(saved_);
  }
  int16_t saved_ = 0;
  Document* doc_ = nullptr;
  Partition** score_ = nullptr;
};

TEST_F(ModesEcranTest, EachModeSetsItsScaleAndZoom) {
  const struct {
    int32_t demande;
    int16_t resolution;
    int32_t mode;
    float echelle;
    int16_t dpi;  // from the score's zoom and scale
  } cas[] = {
      {kModeEcranPage, 300, kModeEcranRuban, 1.0f, 72},  // page mode is never stored
      {kModeEcranImpression, 300, kModeEcranImpression, 300.0f / 72.0f, 300},
      {kModeEcranImpression2, 576, kModeEcranImpression2, 8.0f, 576},
      {kModeEcranRuban, 576, kModeEcranRuban, 1.0f, 72},
  };
  (*score_)->zoomEcran = 72;
  for (const auto& c : cas) {
    (*score_)->resolutionImpression = c.resolution;
    SetModeEcran(score_, c.demande);
    EXPECT_EQ(GetModeEcran(score_), c.mode) << c.demande;
    EXPECT_FLOAT_EQ((*score_)->echelleEcran, c.echelle) << c.demande;
    EXPECT_EQ((*score_)->zoom, 72) << c.demande;
    SetDpiPartition(score_);
    EXPECT_EQ(GetDpiDest(), c.dpi) << c.demande;
    EXPECT_EQ(IsModeImpressionDocument(doc_), c.mode >= kModeEcranImpression) << c.demande;
    EXPECT_FALSE(IsModePageDocument(doc_));
  }
}

TEST_F(ModesEcranTest, PageViewScaleByMode) {
  (*score_)->resolutionImpression = 576;
  SetModeEcran(score_, kModeEcranImpression);
  EXPECT_FLOAT_EQ(CalculeEchelleVisualisationModePage(doc_), 8.0f);
  SetModeEcran(score_, kModeEcranRuban);
  (*score_)->zoom = 144;
  doc_->facteurVuePage = 0.5f;
  // zoom x 72 x factor / (72 x 72)
  EXPECT_FLOAT_EQ(CalculeEchelleVisualisationModePage(doc_), 1.0f);
  EXPECT_FLOAT_EQ(CalculeEchelleVisualisationModePage(nullptr), 1.0f);
}

TEST_F(ModesEcranTest, OwnPageSizeIsPrintedAt576DpiAndClampedTo16Bits) {
  const struct {
    int16_t largeur, hauteur;
    uint8_t orientation;
    Rect page;
  } cas[] = {
      {595, 842, 1, Rect{0, 0, 6736, 4760}},
      // Landscape: the rectangle turns.
      {595, 842, 2, Rect{0, 0, 4760, 6736}},
      // 5000 points are 40000 pixels at 576 dpi: kept at the 16-bit limit.
      {595, 5000, 1, Rect{0, 0, 32767, 4760}},
  };
  for (const auto& c : cas) {
    doc_->taillePagePropre = 1;
    doc_->largeurPage = c.largeur;
    doc_->hauteurPage = c.hauteur;
    doc_->orientation = c.orientation;
    PrInfo info{};
    GetPrInfoDocument(doc_, &info);
    EXPECT_EQ(info.resH, 576);
    EXPECT_EQ(info.resV, 576);
    EXPECT_EQ(info.page.top, c.page.top);
    EXPECT_EQ(info.page.left, c.page.left);
    EXPECT_EQ(info.page.bottom, c.page.bottom) << c.hauteur << " " << int(c.orientation);
    EXPECT_EQ(info.page.right, c.page.right) << c.hauteur << " " << int(c.orientation);
  }
}

TEST_F(ModesEcranTest, DrawableAreaOfTheWindow) {
  doc_->rectContenu = Rect{10, 20, 400, 600};
  (*score_)->margeGaucheEcran = 30;
  const struct {
    int32_t mode;
    uint8_t regle;
    int16_t flags;
    Rect aire;
  } cas[] = {
      {kModeEcranImpression, 1, 0, Rect{0, 0, 32767, 32767}},
      {kModeEcranImpression, 0, 14, Rect{0, 0, 32767, 32767}},
      // The window less the score's inset and the gutter of 12, under the ruler.
      {kModeEcranRuban, 1, 0, Rect{29, 62, 400, 600}},
      {kModeEcranRuban, 0, 0, Rect{10, 62, 400, 600}},
      {kModeEcranRuban, 1, 2, Rect{29, 50, 400, 600}},
      {kModeEcranRuban, 1, 4, Rect{10, 62, 400, 600}},
      {kModeEcranRuban, 1, 8, Rect{29, 32, 400, 600}},
  };
  for (const auto& c : cas) {
    (*score_)->resolutionImpression = 576;
    SetModeEcran(score_, c.mode);
    doc_->regle = c.regle;
    Rect r{};
    CalculeAireSelonMode(doc_, c.flags, &r);
    EXPECT_EQ(r.top, c.aire.top) << c.mode << " " << c.flags;
    EXPECT_EQ(r.left, c.aire.left) << c.mode << " " << c.flags;
    EXPECT_EQ(r.bottom, c.aire.bottom) << c.mode << " " << c.flags;
    EXPECT_EQ(r.right, c.aire.right) << c.mode << " " << c.flags;
  }
  EXPECT_EQ(CalculeHauteurRegle(doc_), 19);
}

TEST_F(ModesEcranTest, RibbonStavesAreStackedByTheirHeights) {
  // Standard (72), hidden standard, two merged lyrics staves (24), tempo (72).
  Portee** a = CreePorteeVide(score_, kTypePorteeStandard, 1, 0);
  Portee** cachee = CreePorteeVide(score_, kTypePorteeStandard, 1, 0);
  Portee** m1 = CreePorteeVide(score_, kTypePorteeParole, 1, 0);
  Portee** m2 = CreePorteeVide(score_, kTypePorteeParole, 1, 0);
  Portee** t = CreePorteeVide(score_, kTypePorteeTempo, 1, 0);
  ASSERT_TRUE(a && cachee && m1 && m2 && t);
  (*cachee)->affichee = 0;
  Fusionne(score_, 2, 3, 2);
  doc_->rectContenu = Rect{0, 0, 500, 700};
  doc_->regle = 1;
  InitAiresEcranModeRuban(doc_);
  const struct {
    Portee** staff;
    int16_t haut, bas;
  } cas[] = {{a, 19, 91}, {cachee, 91, 91}, {m1, 91, 115}, {m2, 91, 115}, {t, 115, 187}};
  for (const auto& c : cas) {
    EXPECT_EQ((*c.staff)->rect.top, c.haut) << (*c.staff)->index;
    EXPECT_EQ((*c.staff)->rect.bottom, c.bas) << (*c.staff)->index;
    EXPECT_EQ((*c.staff)->rect.left, 12);
    EXPECT_EQ((*c.staff)->rect.right, 700);
  }
}

TEST_F(ModesEcranTest, GuideMarksFollowTheSwitchTheModeAndTheDocument) {
  const uint8_t ancien = IsTraceReperesGlobal;
  IsTraceReperesGlobal = 0;
  EXPECT_FALSE(IsTraceReperes(nullptr));
  EXPECT_FALSE(IsTraceReperes(score_));
  IsTraceReperesGlobal = 1;
  EXPECT_TRUE(IsTraceReperes(nullptr));
  EXPECT_TRUE(IsTraceReperes(score_));
  (*score_)->resolutionImpression = 576;
  SetModeEcran(score_, kModeEcranImpression);
  doc_->marques = 0;
  EXPECT_FALSE(IsTraceReperes(score_));
  doc_->marques = 1;
  EXPECT_TRUE(IsTraceReperes(score_));
  IsTraceReperesGlobal = ancien;
}

}  // namespace

#include "layout/Zoom.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "layout/MiseEnPage.h"
#include "layout/ModesEcran.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "stafftypes/Tablature.h"

namespace {

// Restores the destination resolution each test changes.
class ZoomTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = GetDpiDest(); }
  void TearDown() override { SetDpiDest(saved_); }
  int16_t saved_ = 0;
};

struct CasZoom {
  int16_t dpi;
  int32_t v;
  int32_t zoom;
  int32_t deZoom;
};

TEST_F(ZoomTest, ZoomAndDeZoomAt72_144And576Dpi) {
  const CasZoom cas[] = {
      // 72 dpi: both are the identity.
      {72, 0, 0, 0},
      {72, 1, 1, 1},
      {72, -1, -1, -1},
      {72, 595, 595, 595},
      // 144 dpi: halves round away from zero.
      {144, 1, 2, 1},
      {144, 3, 6, 2},
      {144, -1, -2, -1},
      {144, -3, -6, -2},
      {144, 842, 1684, 421},
      // 576 dpi: small lengths never vanish and keep their sign.
      {576, 1, 8, 1},
      {576, -1, -8, -1},
      {576, 3, 24, 1},
      {576, -3, -24, -1},
      {576, 4, 32, 1},
      {576, -4, -32, -1},
      {576, 12, 96, 2},
      {576, -12, -96, -2},
      {576, 4760, 38080, 595},
      {576, 6736, 53888, 842},
  };
  for (const CasZoom& c : cas) {
    SetDpiDest(c.dpi);
    EXPECT_EQ(Zoom(c.v), c.zoom) << "Zoom(" << c.v << ") at " << c.dpi;
    EXPECT_EQ(DeZoom(c.v), c.deZoom) << "DeZoom(" << c.v << ") at " << c.dpi;
  }
}

TEST_F(ZoomTest, LowResolutionsAndTheNeverZeroRule) {
  SetDpiDest(36);
  EXPECT_EQ(Zoom(1), 1);  // 0.5 rounds up
  SetDpiDest(20);
  EXPECT_EQ(Zoom(1), 1);   // 0.28 would vanish
  EXPECT_EQ(Zoom(-1), 1);  // the rule gives +1 for a vanishing negative zoom
  EXPECT_EQ(Zoom(0), 0);
  EXPECT_EQ(DeZoom(0), 0);
  SetDpiDest(0);
  EXPECT_EQ(GetDpiDest(), 1);
}

TEST_F(ZoomTest, DpiFromTheScoreInSinglePrecision) {
  SetDpiPartition(nullptr);
  EXPECT_EQ(GetDpiDest(), 72);

  Handle h = NewHandleClear(sizeof(Partition));
  ASSERT_NE(h, nullptr);
  auto score = reinterpret_cast<Partition**>(h);
  (*score)->zoom = 72;
  (*score)->echelleEcran = 300.0f / 72.0f;
  SetDpiPartition(score);
  // The product in double would truncate to 299.
  EXPECT_EQ(int(72.0 * double(300.0f / 72.0f)), 299);
  EXPECT_EQ(GetDpiDest(), 300);

  (*score)->echelleEcran = 0.0f;
  SetDpiPartition(score);
  EXPECT_EQ(GetDpiDest(), 1);
  (*score)->echelleEcran = std::numeric_limits<float>::quiet_NaN();
  SetDpiPartition(score);
  EXPECT_EQ(GetDpiDest(), 1);
  (*score)->zoom = 800;
  (*score)->echelleEcran = 1000.0f;
  SetDpiPartition(score);
  EXPECT_EQ(GetDpiDest(), 32767);
  DisposeHandle(h);
}

TEST_F(ZoomTest, RectangleScaleRoundsHalfUp) {
  Rect r{-3, 5, 10, 15};
  AppliqueEchelleRect(&r, 0.5f);
  EXPECT_EQ(r.top, -1);  // floor(-1.5 + 0.5)
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.bottom, 5);
  EXPECT_EQ(r.right, 8);
  Rect big{0, 0, 4760, 6736};
  AppliqueEchelleRect(&big, 0.125f);
  EXPECT_EQ(big.bottom, 595);
  EXPECT_EQ(big.right, 842);
}

struct CasTrait {
  int16_t dpi;
  int32_t w, h;
  bool fin;
  int16_t largeur, hauteur;
  bool traitFin;
  float fraction;
};

TEST_F(ZoomTest, LineThicknessesIn288thsOfAnInch) {
  const CasTrait cas[] = {
      // Plain rendering: every non-zero size is at least one pixel.
      {72, 4, 4, false, 1, 1, false, 0.0f},
      {144, 4, 4, false, 2, 2, false, 0.0f},
      {576, 4, 4, false, 8, 8, false, 0.0f},
      {576, 3, 3, false, 6, 6, false, 0.0f},
      {72, 1, 1, false, 1, 1, false, 0.0f},
      {72, -5, 0, false, 1, 0, false, 0.0f},  // a negative size counts as 1
      {576, 0, 2, false, 0, 4, false, 0.0f},
      // Fine rendering: below a pixel the pen is 1 and the fraction is kept.
      {72, 1, 1, true, 1, 1, true, 0.25f},
      {72, 4, 1, true, 1, 1, true, 0.25f},
      {72, 1, 4, true, 1, 1, true, 0.25f},
      {144, 1, 1, true, 1, 1, false, 0.0f},  // 0.5 rounds to a whole pixel
      {576, 3, 3, true, 6, 6, false, 0.0f},
      {72, 4, -2, true, 1, 1, false, 0.0f},  // a negative height draws 1 pixel high
      {72, 0, 1, true, 0, 1, false, 0.0f},   // a zero size takes the plain path
  };
  for (const CasTrait& c : cas) {
    SetDpiDest(c.dpi);
    const EpaisseurTrait t = CalculeEpaisseurTrait(c.w, c.h, 288, c.fin);
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.dpi << (c.fin ? " fine" : ""));
    EXPECT_EQ(t.largeur, c.largeur);
    EXPECT_EQ(t.hauteur, c.hauteur);
    EXPECT_EQ(t.fin, c.traitFin);
    if (c.traitFin) {
      EXPECT_FLOAT_EQ(t.fraction, c.fraction);
    }
  }
  SetDpiDest(72);
  EXPECT_EQ(CvtTaillePlumeZoom(0, 288), 0);
  EXPECT_EQ(CvtTaillePlumeZoom(1, 288), 1);
  EXPECT_EQ(CvtTaillePlumeZoom(288, 288), 72);
}

TEST_F(ZoomTest, ThinLinesAreMixedWithWhite) {
  const RGBColor noir{0, 0, 0};
  // 0.2 pixel: 44 per cent of the colour.
  RGBColor c = EclaircitCouleurTraitFin(noir, 0.2f);
  EXPECT_EQ(c.red, uint16_t((1.0f - 0.2f * 2.2f) * 65535.0f));
  EXPECT_NEAR(c.red, 0.56 * 65535, 2);
  // 0.1 pixel: never lighter than 40 per cent.
  c = EclaircitCouleurTraitFin(noir, 0.1f);
  EXPECT_NEAR(c.green, 0.6 * 65535, 2);
  // From 1 / 2.2 pixel on the plain colour.
  const RGBColor rouge{65535, 0, 0};
  c = EclaircitCouleurTraitFin(rouge, 0.5f);
  EXPECT_EQ(c.red, 65535);
  EXPECT_EQ(c.green, 0);
  c = EclaircitCouleurTraitFin(rouge, 0.25f);
  EXPECT_EQ(c.red, 65535);
  EXPECT_NEAR(c.blue, 0.45 * 65535, 2);
}

TEST_F(ZoomTest, TenthsOfAMillimetre) {
  MiseEnPage setup{};
  setup.echelle = 1.0f;
  SetDpiDest(576);
  EXPECT_EQ(CvtPosDixiemeMMEnPixel(&setup, 254), 575);  // one inch, truncated
  EXPECT_EQ(CvtPosDixiemeMMEnPixel(&setup, -254), -575);
  EXPECT_EQ(CvtPixelEnPosDixiemeMM(&setup, 576), 254);
  EXPECT_EQ(CvtPixel72EnPosDixiemeMM(nullptr, 576), 254);
  setup.echelle = 0.7f;
  EXPECT_EQ(CvtPosDixiemeMMEnPixel(&setup, 100), 323);
  EXPECT_EQ(CvtPixelEnPosDixiemeMM(&setup, 324), 100);

  // A scale of 0 (or not a number) divides as 0.1, never by zero.
  MiseEnPage dixieme{};
  dixieme.echelle = 0.1f;
  const int16_t attendu = CvtPosDixiemeMMEnPixel(&dixieme, 100);
  EXPECT_EQ(attendu, 2267);
  for (float s : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
    setup.echelle = s;
    EXPECT_EQ(CvtPosDixiemeMMEnPixel(&setup, 100), attendu);
    EXPECT_EQ(CvtPixelEnPosDixiemeMM(&setup, 2268), CvtPixelEnPosDixiemeMM(&dixieme, 2268));
  }
  setup.echelle = 1.0e-30f;
  EXPECT_EQ(CvtPosDixiemeMMEnPixel(&setup, 32767), 32767);  // saturates instead of wrapping
}

TEST_F(ZoomTest, FirstSystemIndent) {
  SetDpiDest(576);
  MiseEnPage setup{};
  setup.echelle = 0.0f;
  setup.retraitPremierSysteme = 100;
  EXPECT_EQ(CalculeDecalageXPremierGroupe(nullptr, 1), 0);
  EXPECT_EQ(CalculeDecalageXPremierGroupe(&setup, 0), 0);
  EXPECT_EQ(setup.echelle, 0.0f);  // untouched when not asked
  EXPECT_EQ(CalculeDecalageXPremierGroupe(&setup, 1), 226);
  EXPECT_EQ(setup.echelle, 1.0f);  // a scale of 0 is rewritten to 1.0
  setup.echelle = 0.7f;
  EXPECT_EQ(CalculeDecalageXPremierGroupe(&setup, 1), 323);
}

TEST_F(ZoomTest, InjectedZoomsAreClampedAndOnlyAChangeTouchesTheStaves) {
  Handle h = NewHandleClear(sizeof(Partition));
  ASSERT_NE(h, nullptr);
  auto score = reinterpret_cast<Partition**>(h);
  Partition& p = **score;
  p.zoom = 72;
  p.zoomEcran = 72;
  p.zoomPage = 72.0f;
  p.echelleEcran = 1.0f;
  p.modeEcran = kModeEcranRuban;

  // An unchanged zoom returns at once: the header width InitPortees rewrites stays.
  p.largeurEntete = 999;
  InjecteZoomPartition(score, 72.0f);
  EXPECT_EQ((*score)->largeurEntete, 999);
  EXPECT_EQ((*score)->masqueModifieTabElt, 0);

  InjecteZoomPartition(score, 5.0f);
  EXPECT_EQ((*score)->zoom, 12);
  EXPECT_EQ((*score)->zoomEcran, 12);
  EXPECT_NE((*score)->largeurEntete, 999);
  EXPECT_EQ((*score)->masqueModifieTabElt & kTabEltEspacement, kTabEltEspacement);
  InjecteZoomPartition(score, 1000.0f);
  EXPECT_EQ((*score)->zoom, 800);
  EXPECT_EQ((*score)->zoomEcran, 800);
  InjecteZoomPartition(score, 150.7f);
  EXPECT_EQ((*score)->zoom, 150);  // truncated

  // Page mode keeps the clamped value in its float zoom; print modes leave the
  // scrolling zoom alone.
  (*score)->modeEcran = kModeEcranPage;
  InjecteZoomPartition(score, 99.5f);
  EXPECT_EQ((*score)->zoomPage, 99.5f);
  EXPECT_EQ((*score)->zoom, 99);
  (*score)->modeEcran = kModeEcranImpression;
  InjecteZoomPartition(score, 72.0f);
  EXPECT_EQ((*score)->zoom, 72);
  EXPECT_EQ((*score)->zoomEcran, 150);
  EXPECT_EQ((*score)->zoomPage, 99.5f);
  DisposeHandle(h);
}

TEST_F(ZoomTest, TopLineOfAStaffByType) {
  Handle h = NewHandleClear(sizeof(Portee));
  ASSERT_NE(h, nullptr);
  auto staff = reinterpret_cast<Portee**>(h);
  (*staff)->decalageLigneBas = 100;
  (*staff)->interligne = 7.5f;
  const struct {
    uint32_t type;
    int16_t y;
  } cas[] = {{kTypePorteeStandard, 70},  {kTypePorteeBatterieStd, 70},   {kTypePorteeBatterie, 85},
             {kTypePorteeGregorien, 77},  // 77.5 truncated
             {kTypePorteeParole, 0},     {kTypePorteePisteNumerique, 0}, {kTypePorteeTablature, 0}};
  for (const auto& c : cas) {
    (*staff)->type = c.type;
    EXPECT_EQ(CalculeDeltaPixelSelonTypePortee(staff), c.y) << c.type;
  }
  // A tablature: from its own top offset unless it shows the five-line
  // reference. The staff stands in a score, where its record is looked up.
  Handle hs = NewHandleClear(sizeof(Partition));
  ASSERT_NE(hs, nullptr);
  auto score = reinterpret_cast<Partition**>(hs);
  (*score)->portees = reinterpret_cast<Portee***>(NewPtrClear(sizeof(Portee**)));
  (*score)->portees[0] = staff;
  (*score)->nbPortees = 1;
  (*staff)->partition = score;
  Tablature** tab = NewTablature(staff, 0);
  ASSERT_NE(tab, nullptr);
  (*tab)->decalageHaut = -12;
  EXPECT_EQ(CalculeDeltaPixelSelonTypePortee(staff), 70);
  (*tab)->flagsAffichage = 0;
  EXPECT_EQ(CalculeDeltaPixelSelonTypePortee(staff), -12);
  EXPECT_EQ(CalculeDeltaPixelSelonTypePortee(nullptr), 0);
  DisposeTablature(staff);
  DisposePtr(reinterpret_cast<Ptr>((*score)->portees));
  DisposeHandle(hs);
  DisposeHandle(h);
}

}  // namespace

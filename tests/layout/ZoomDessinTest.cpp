#include <gtest/gtest.h>

#include "layout/Zoom.h"
#include "model/Partition.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "text/Fontes.h"
#include "text/TextStyle.h"

namespace {

// Each case draws into a port of its own and puts the resolution, the
// preferences and the current port back.
class ZoomDessinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dpi_ = GetDpiDest();
    pref_ = pref;
    GetPort(&ancien_);
    port_ = CreateNewPort();
    ASSERT_NE(port_, nullptr);
    SetPort(port_);
  }
  void TearDown() override {
    SetPort(ancien_);
    DisposePort(port_);
    pref = pref_;
    SetDpiDest(dpi_);
  }
  Point Plume() const {
    Point p;
    GetPortPenSize(port_, &p);
    return p;
  }
  RGBColor Couleur() const {
    RGBColor c;
    GetPortForeColor(port_, &c);
    return c;
  }
  int16_t dpi_ = 0;
  Preferences pref_{};
  GrafPtr ancien_ = nullptr;
  CGrafPtr port_ = nullptr;
};

TEST_F(ZoomDessinTest, PensAndMovesAtTheDestinationResolution) {
  SetDpiDest(576);
  PenSizeZoom(4, 4, 288);
  EXPECT_EQ(Plume().h, 8);
  EXPECT_EQ(Plume().v, 8);
  EXPECT_EQ(GetLastPnSizeV(), 8);
  SetDpiDest(72);
  PenSizeZoom(0, 1, 288);  // a zero stays zero, a quarter pixel becomes one
  EXPECT_EQ(Plume().h, 0);
  EXPECT_EQ(Plume().v, 1);
  EXPECT_EQ(GetLastPnSizeV(), 1);

  SetDpiDest(576);
  MoveTo(10, 10);
  MoveZoom(1, -2);
  Point p;
  GetPen(&p);
  EXPECT_EQ(p.h, 18);
  EXPECT_EQ(p.v, -6);
}

TEST_F(ZoomDessinTest, LinesTakeTheirPenAndColour) {
  SetDpiDest(72);
  pref.traitsFins = 0;
  FixeEpaisseurCouleur(1, 1, 288, 5);
  EXPECT_EQ(Plume().h, 1);
  EXPECT_EQ(Plume().v, 1);
  EXPECT_EQ(GetLastForeColor(), 5);
  RGBColor attendu;
  CvtIndexEnRGB(5, &attendu);
  EXPECT_EQ(Couleur().red, attendu.red);
  EXPECT_EQ(Couleur().blue, attendu.blue);

  // Fine rendering: a quarter-pixel black line is 1 pixel of 55 per cent grey.
  pref.traitsFins = 1;
  FixeEpaisseurCouleur(1, 1, 288, 1);
  EXPECT_EQ(Plume().h, 1);
  EXPECT_EQ(Plume().v, 1);
  EXPECT_EQ(GetLastPnSizeV(), 1);
  EXPECT_NEAR(Couleur().red, 0.45 * 65535, 2);
  EXPECT_EQ(Couleur().red, Couleur().green);
  // A negative index takes the current colour index (1, black).
  FixeEpaisseurCouleur(1, 1, 288, -1);
  EXPECT_NEAR(Couleur().blue, 0.45 * 65535, 2);
  // From 1 / 2.2 pixel on the plain colour: 0.48 pixel at 1/300 inch.
  FixeEpaisseurCouleur(2, 2, 300, 1);
  EXPECT_EQ(Couleur().red, 0);
  EXPECT_EQ(GetLastForeColor(), 1);
  // At 576 dpi no line of the mode is thin: plain pens, plain colour.
  SetDpiDest(576);
  FixeEpaisseurCouleur(3, 3, 288, 1);
  EXPECT_EQ(Plume().h, 6);
  EXPECT_EQ(Couleur().green, 0);
}

TEST_F(ZoomDessinTest, TextSizesAndStyles) {
  SetDpiDest(576);
  TextSizeZoom(nullptr, 0);
  EXPECT_EQ(GetPortTextSize(port_), 96);
  SetDpiDest(144);
  TextSizeZoom(nullptr, 10);
  EXPECT_EQ(GetPortTextSize(port_), 20);

  Handle h = NewHandleClear(sizeof(Partition));
  ASSERT_NE(h, nullptr);
  auto score = reinterpret_cast<Partition**>(h);
  (*score)->zoom = 36;
  TextSizeZoom(score, 0);  // the score's piano-roll zoom, not the resolution
  EXPECT_EQ(GetPortTextSize(port_), 6);

  const TextStyle style{20, 2, 0, RGBColor{0xFFFF, 0, 0}};
  SetTextStyleZoom(score, &style);
  EXPECT_EQ(GetPortTextFont(port_), 20);
  EXPECT_EQ(GetPortTextFace(port_), 2);
  EXPECT_EQ(GetPortTextSize(port_), 6);
  EXPECT_EQ(Couleur().red, 0xFFFF);
  SetDpiDest(576);
  SetTextStyleHauteurZoom(&style, 9);
  EXPECT_EQ(GetPortTextSize(port_), 72);
  SetTextStyleHauteurZoom(&style, 0);
  EXPECT_EQ(GetPortTextSize(port_), 96);

  TextLookZoom(score, 22, 0, 1);
  EXPECT_EQ(GetPortTextFont(port_), 22);
  EXPECT_EQ(GetPortTextSize(port_), 6);
  EXPECT_EQ(GetPortTextFace(port_), 1);
  // The music font's number selects the music font at the zoomed size.
  const int16_t avant = vellariPrint;
  vellariPrint = 30000;
  SetDpiDest(576);
  TextLookZoom(score, 30000, 20, 1);
  EXPECT_EQ(GetCurrentSizeFonteMusicale(), 160);
  EXPECT_EQ(GetPortTextSize(port_), 160);
  EXPECT_EQ(GetPortTextFace(port_), 1);
  vellariPrint = avant;
  DisposeHandle(h);
}

}  // namespace

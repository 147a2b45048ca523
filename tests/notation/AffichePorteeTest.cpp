#include "notation/AffichePortee.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "layout/Imprimante.h"
#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/Vues.h"
#include "notation/NotationFixtures.h"
#include "platform/SpecialFolders.h"
#include "support/ImpressionFixture.h"

namespace {

// Three staves of 12 bars laid out in the print mode of the request driver
// (the default virtual printer, a preferences folder of its own).
class PlacementPortee : public tamrel_test::FixtureImpression {};

// The music system and staff entry that show a bar of a staff.
bool EntreeMesure(PartitionPaginee& p, int staff, int bar, Systeme* systeme, PorteeSysteme* entree) {
  for (const Systeme& s : p.TousSystemes()) {
    if (bar < s.premiereMesure || bar >= s.finMesure) continue;
    for (const PorteeSysteme& e : PartitionPaginee::Entrees(s))
      if (e.indexPortee == staff) {
        *systeme = s;
        *entree = e;
        return true;
      }
  }
  return false;
}

}  // namespace

// Each bar puts the staff on the lines of the system that shows it, and the
// offset brings the bar's screen x inside that system.
TEST_F(PlacementPortee, EachBarPlacesTheStaffOnItsSystem) {
  PartitionPaginee p(3, 40);
  ModeImpression(p);
  ASSERT_GE(p.TousSystemes().size(), 3u);
  for (int staff = 0; staff < 3; staff++) {
    Portee** s = p.Staff(staff);
    for (int bar = 0; bar < 40; bar++) {
      Systeme systeme{};
      PorteeSysteme entree{};
      ASSERT_TRUE(EntreeMesure(p, staff, bar, &systeme, &entree)) << bar;
      (*s)->rect = Rect{};
      int32_t x = -1;
      ASSERT_TRUE(PrepareDraw(s, bar, false, &x)) << staff << " " << bar;
      EXPECT_EQ((*s)->rect.top, entree.rectDessin.top) << staff << " " << bar;
      EXPECT_EQ((*s)->rect.left, entree.rectDessin.left) << staff << " " << bar;
      EXPECT_EQ((*s)->yEcran, entree.rectDessin.top);
      EXPECT_EQ((*s)->decalageLigneBas, Zoom(entree.espaceB));
      const int32_t debut = CvtMesureEnPixelEcranDebutMesure(p.score, bar) + x;
      EXPECT_GE(debut, systeme.rectDessin.left) << staff << " " << bar;
      EXPECT_LT(debut, systeme.rectDessin.right) << staff << " " << bar;
      if (bar == systeme.premiereMesure) {
        EXPECT_EQ(debut, systeme.rectDessin.left) << bar;
      }
    }
  }
}

// No placement where no shown system holds the staff at that bar: past the
// score, on a page out of view, and for a staff the systems leave out (the
// search then lands on the next staff's entry, whose lines are not its own).
TEST_F(PlacementPortee, NoPlacementOutsideTheShownSystems) {
  PartitionPaginee p(3, 12);
  (*p.Staff(1))->affichee = 0;
  ModeImpression(p);
  Portee** milieu = p.Staff(1);
  const Rect avant{1, 2, 3, 4};
  (*milieu)->rect = avant;
  int32_t x = 7;
  EXPECT_FALSE(PrepareDraw(milieu, 2, false, &x));
  EXPECT_EQ(x, 0);
  EXPECT_EQ((*milieu)->rect.top, avant.top);
  EXPECT_EQ((*milieu)->rect.left, avant.left);

  Portee** premiere = p.Staff(0);
  EXPECT_FALSE(PrepareDraw(premiere, 12, false, &x));
  EXPECT_FALSE(PrepareDraw(premiere, -1, false, &x));
  EXPECT_TRUE(PrepareDraw(premiere, 11, false, &x));
  for (int k = 0; k < p.NbPages(); k++) p.PageN(k).montree = 0;
  EXPECT_FALSE(PrepareDraw(premiere, 0, false, &x));
}

// With the clip asked for, drawing is clipped to the system; in the ribbon
// mode the offset is the score's screen origin and the staff stays put.
TEST_F(PlacementPortee, ClipToTheSystemAndTheRibbonOrigin) {
  PartitionPaginee p(1, 12);
  ModeImpression(p);
  Portee** staff = p.Staff(0);
  Systeme systeme{};
  PorteeSysteme entree{};
  ASSERT_TRUE(EntreeMesure(p, 0, 5, &systeme, &entree));
  Rect clip{};
  Enregistre([&] {
    int32_t x = 0;
    ASSERT_TRUE(PrepareDraw(staff, 5, true, &x));
    RgnHandle r = NewRgn();
    GetClip(r);
    GetRegionBounds(r, &clip);
    DisposeRgn(r);
  });
  EXPECT_EQ(clip.top, systeme.rectDessin.top);
  EXPECT_EQ(clip.left, systeme.rectDessin.left);
  EXPECT_EQ(clip.bottom, systeme.rectDessin.bottom);
  EXPECT_EQ(clip.right, systeme.rectDessin.right);

  SetModeEcran(p.score, kModeEcranRuban);
  const Rect avant = (*staff)->rect;
  int32_t x = 0;
  EXPECT_TRUE(PrepareDraw(staff, 5, false, &x));
  EXPECT_EQ(x, CvtPixelEnPosEcr(p.doc, 0));
  EXPECT_EQ((*staff)->rect.top, avant.top);
  EXPECT_EQ((*staff)->rect.left, avant.left);
}

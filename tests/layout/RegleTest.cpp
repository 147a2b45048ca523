#include "layout/Regle.h"

#include <gtest/gtest.h>

#include <string>

#include "layout/ModesEcran.h"
#include "layout/PaginationFixtures.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"

// A bar's label shows its index + 1, and its displayed number when that differs.
TEST(Regle, LabelsOfBars) {
  struct Cas {
    int32_t numero, mesure;
    const char* libelle;
  };
  const Cas cas[] = {{10, 9, "10"}, {12, 9, "12 (10)"}, {0, 4, "(5)"}, {-3, 0, "(1)"}};
  for (const Cas& c : cas) {
    char t[32];
    LibelleMesureRegle(c.numero, c.mesure, t, sizeof t);
    EXPECT_STREQ(t, c.libelle) << c.numero << " " << c.mesure;
  }
}

// The menu button sits at the window's left over the ruler; page mode has none.
TEST(Regle, MenuButtonArea) {
  PartitionPaginee p(1, 2);
  p.doc->rectContenu = Rect{40, 10, 400, 600};
  Rect r;
  CalculeAireEcranMenuRegle(p.doc, &r);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 58);
  EXPECT_EQ(r.right, 22);
  (*p.score)->modeEcran = kModeEcranPage;  // the page view of the application
  CalculeAireEcranMenuRegle(p.doc, &r);
  EXPECT_TRUE(EmptyRect(&r));
}

#include "notation/ExtrasNote.h"

#include <gtest/gtest.h>

#include "layout/PaginationFixtures.h"
#include "model/ParamEffet.h"
#include "notation/NotationFixtures.h"

// A tablature note's extras: nothing for no note or a note without effects;
// its marks only when asked.
TEST(ExtrasNote, MarksOnlyWhenAsked) {
  ActiveFonteMusicale();
  PartitionPaginee p(1, 2);
  Portee** staff = p.Staff(0);
  ASSERT_GE(AddMarkNote(staff, 0, kMarkStaccato, 0, 0, 0), 0);
  const struct {
    int32_t note;
    uint8_t marks;
    bool dessine;
  } cas[] = {{-1, 1, false}, {1, 1, false}, {0, 0, false}, {0, 1, true}, {5, 1, false}};
  for (const auto& c : cas) {
    const auto ops =
        Enregistre([&] { EXPECT_EQ(TraceExtraGraphiquesNote(staff, 50, 100, 0, c.note, 1, c.marks, 0), 0); });
    EXPECT_EQ(!Filtre(ops, {"PaintOval", "LongText", "Paint"}).empty(), c.dessine)
        << c.note << " " << int(c.marks) << ::testing::PrintToString(ops);
  }
}

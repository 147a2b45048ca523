// Stems, flags and beams: lone stems with their flags (glyphs, stacked flags,
// stubs in place of flags, rhythm-stem strokes), beamed runs with their tips
// evened under the slope limit, beam segments between stems of different
// beam counts, linked stems, and the tuplet records a group leaves.
#include "NotationFixtures.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/DessinCorps.h"
#include "notation/Nuplets.h"
#include "notation/Queues.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"
#include "stafftypes/DonneesTablature.h"

namespace {

struct QueuesTest : NotationTest {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  QueuesTest() {
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 400};
    p.decalageLigneBas = 40;
    p.largeurTete = 8;
    p.espaceCrochets = 6;
    p.penteMaxBarre = 100;
    p.longueurBarrePartielle = 6;
    LargeurBarre = 12;
    EcartBarre = 6;
    nbQueue = 0;
    curModeDecoupeDemiTemps = 0;
  }
  ~QueuesTest() override {
    if (tupletList) DisposeHandle(tupletList);
    tupletList = nullptr;
  }
  // A stem of a head at x: tips top and bottom, beams, direction.
  int16_t Queue(int16_t x, int32_t top, int32_t bottom, int16_t beams, uint8_t down = 0, uint8_t beamNext = 0,
                int32_t base = 20160) {
    const int16_t k =
        AjouteQueue(8, x, beams, base, down, beamNext, beamNext, 0, 0, 0, 0, 0, nbQueue, 0, 100, 0, nullptr);
    TabQueue[k].extremiteHaut = top;
    TabQueue[k].extremiteBas = bottom;
    return k;
  }
  static std::vector<std::string> Traits(const std::vector<std::string>& ops) {
    return Filtre(ops, {"Line", "ShortLine", "LineFrom", "ShortLineFrom"});
  }
};

TEST_F(QueuesTest, LoneStemsAndTheirFlags) {
  const struct {
    int16_t beams;
    uint8_t down;
    std::vector<int> glyphs;
    size_t lines;
  } cas[] = {
      {0, 0, {}, 1},               // a quarter: the stem alone
      {1, 0, {106}, 1},            // an eighth
      {2, 0, {107}, 1},            // a sixteenth
      {3, 0, {251, 251, 251}, 1},  // stacked flags
      {6, 0, {251, 251, 251, 251, 251, 251}, 1},
      {1, 1, {74}, 1},  // stems down
      {2, 1, {75}, 1},
      {4, 1, {240, 240, 240, 240}, 1},
      {-1, 0, {}, 0},  // a whole note: nothing
      {-2, 1, {}, 0},  // a breve: nothing
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.beams << " down " << int(c.down));
    nbQueue = 0;
    Queue(50, 100, 130, c.beams, c.down);
    const auto ops = Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); });
    EXPECT_EQ(Glyphes(ops), c.glyphs);
    EXPECT_EQ(Traits(ops).size(), c.lines);
  }
}

TEST_F(QueuesTest, StemGeometryAndStackedFlagRoom) {
  // Up: at the head's right edge less the stem pen, from the top to the head.
  Queue(50, 100, 130, 1, 0);
  auto traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); }));
  ASSERT_EQ(traits.size(), 1u);
  EXPECT_EQ(traits[0], "ShortLine (100,57) 0 30");
  // Down: at the head's left edge, from below the head to the bottom.
  nbQueue = 0;
  Queue(50, 100, 130, 1, 1);
  traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); }));
  ASSERT_EQ(traits.size(), 1u);
  EXPECT_EQ(traits[0], "ShortLine (101,50) 0 29");
  // Four flags lengthen the stem by s + 5s/6 (flag spacing s = 6): 11 pixels.
  nbQueue = 0;
  Queue(50, 100, 130, 4, 0);
  traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); }));
  ASSERT_EQ(traits.size(), 1u);
  EXPECT_EQ(traits[0], "ShortLine (89,57) 0 41");
}

TEST_F(QueuesTest, FlagsAsBeamsDrawStubs) {
  p.crochetsEnBarres = 1;
  Queue(50, 100, 130, 1, 0);
  auto ops = Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); });
  EXPECT_TRUE(Glyphes(ops).empty());
  // The stem and one stub at its top, a tenth of the music size long.
  auto traits = Traits(ops);
  ASSERT_EQ(traits.size(), 2u);
  EXPECT_EQ(traits[1], "ShortLine (100,58) 7 0");
  // Two flags: two stubs, the second towards the head.
  nbQueue = 0;
  Queue(50, 100, 130, 2, 0);
  traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); }));
  ASSERT_EQ(traits.size(), 3u);
  EXPECT_EQ(traits[2], "ShortLine (106,58) 7 0");
}

TEST_F(QueuesTest, UndrawnAndLinkedStems) {
  // Without drawing, only the grace extents grow.
  RazExtremitesGrace();
  Queue(50, 100, 130, 1, 0);
  EXPECT_TRUE(Enregistre([&] { TraceQueue(staff, 0, 0, 0, nullptr); }).empty());
  EXPECT_EQ(XMinTraceGrace, 57);
  EXPECT_EQ(YMinTraceGrace, 100);
  EXPECT_EQ(YMaxTraceGrace, 130);
  // A stem whose beam comes from another staff draws nothing alone.
  nbQueue = 0;
  const int16_t k = Queue(50, 100, 130, 1, 0);
  TabQueue[k].accrocheDest = 1;
  EXPECT_TRUE(Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); }).empty());
  // In a run it shows a grey chevron at its tip instead of a stem.
  nbQueue = 0;
  Queue(50, 100, 130, 1, 0, 1);
  TabQueue[Queue(80, 100, 130, 1, 0)].accrocheDest = 1;
  const auto traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); }));
  EXPECT_NE(std::find(traits.begin(), traits.end(), "ShortLine (100,87) 2 2"), traits.end());
  EXPECT_EQ(std::count_if(traits.begin(), traits.end(),
                          [](const std::string& t) { return t.find(" 0 29") != std::string::npos; }),
            1);
}

TEST_F(QueuesTest, RhythmStemsMarkLongNotes) {
  Tablature tab{};
  tab.flagsAffichage = 33;
  // A half note (beam count 0, base of a half) on rhythm stems: one stroke;
  // a whole note: two; the beam count of a quarter is raised to an eighth's.
  const struct {
    int32_t base;
    size_t strokes;
    std::vector<int> glyphs;
  } cas[] = {{80640, 0, {}}, {161280, 1, {}}, {322560, 2, {}}, {645120, 3, {}}, {40320, 0, {106}}};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.base);
    nbQueue = 0;
    Queue(50, 100, 130, c.base >= 80640 ? int16_t(c.base >= 161280 ? -1 : 0) : int16_t(0), 0, 0, c.base);
    const auto ops = Enregistre([&] { TraceQueue(staff, 0, 0, 1, &tab); });
    EXPECT_EQ(Traits(ops).size(), 1 + c.strokes);
    EXPECT_EQ(Glyphes(ops), c.glyphs);
  }
}

TEST_F(QueuesTest, BeamSegmentsBetweenDifferentCounts) {
  // An eighth then a sixteenth 30 pixels apart: one beam across, and a stub
  // ending at the sixteenth: 6 pixels long with a partial-beam limit of 6,
  // a third of the distance (10) with a limit of 20.
  const struct {
    uint8_t limite;
    std::vector<std::string> beams;
  } cas[] = {
      {6, {"ShortLine (100,57) 24 0", "ShortLineFrom 6 0", "ShortLine (104,81) 6 0"}},
      {20, {"ShortLine (100,57) 20 0", "ShortLineFrom 10 0", "ShortLine (104,77) 10 0"}},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(int(c.limite));
    p.longueurBarrePartielle = c.limite;
    nbQueue = 0;
    Queue(50, 100, 130, 1, 0, 1);
    Queue(80, 100, 130, 2, 0);
    const auto traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); }));
    EXPECT_EQ(std::vector<std::string>(traits.begin() + 2, traits.end()), c.beams);
  }
  // Equal counts: the two halves join into one beam drawn once.
  nbQueue = 0;
  Queue(50, 100, 130, 1, 0, 1);
  Queue(80, 100, 130, 1, 0);
  const auto traits = Traits(Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); }));
  EXPECT_EQ(std::vector<std::string>(traits.begin() + 2, traits.end()),
            std::vector<std::string>{"ShortLine (100,57) 30 0"});
}

TEST_F(QueuesTest, TipsOfABeamedRun) {
  // Slope limit 100: the ends keep their tips; the inner stem follows the line
  // between them, and the run moves off the heads by what it falls short.
  Queue(50, 100, 130, 1, 0, 1);
  Queue(70, 100, 130, 1, 0, 1);
  Queue(90, 80, 130, 1, 0);
  Enregistre([&] { TraceQueue(staff, 0, 2, 1, nullptr); });
  EXPECT_EQ(TabQueue[0].extremite, 100);
  EXPECT_EQ(TabQueue[1].extremite, 90);
  EXPECT_EQ(TabQueue[2].extremite, 80);
  // An inner stem reaching higher lifts the whole run.
  nbQueue = 0;
  Queue(50, 100, 130, 1, 0, 1);
  Queue(70, 84, 130, 1, 0, 1);
  Queue(90, 80, 130, 1, 0);
  Enregistre([&] { TraceQueue(staff, 0, 2, 1, nullptr); });
  EXPECT_EQ(TabQueue[0].extremite, 94);
  EXPECT_EQ(TabQueue[1].extremite, 84);
  EXPECT_EQ(TabQueue[2].extremite, 74);
  // A slope limit of 0: flat at the end further from its heads.
  p.penteMaxBarre = 0;
  nbQueue = 0;
  Queue(50, 100, 130, 1, 0, 1);
  Queue(90, 80, 130, 1, 0);
  Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); });
  EXPECT_EQ(TabQueue[0].extremite, 80);
  EXPECT_EQ(TabQueue[1].extremite, 80);
  // Stems down: the bottoms.
  p.penteMaxBarre = 100;
  nbQueue = 0;
  Queue(50, 100, 130, 1, 1, 1);
  Queue(70, 100, 140, 1, 1);
  Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); });
  EXPECT_EQ(TabQueue[0].extremite, 130);
  EXPECT_EQ(TabQueue[1].extremite, 140);
  // A 32nd moves every tip a quarter of a beam and gap (18 / 4) further.
  nbQueue = 0;
  Queue(50, 100, 130, 2, 0, 1);
  Queue(80, 100, 130, 3, 0);
  Enregistre([&] { TraceQueue(staff, 0, 1, 1, nullptr); });
  EXPECT_EQ(TabQueue[0].extremite, 96);
  EXPECT_EQ(TabQueue[1].extremite, 96);
}

TEST_F(QueuesTest, StemsSharingAnXTakeTheMeanTip) {
  Queue(50, 100, 130, 1, 0, 1);
  Queue(50, 90, 130, 2, 0, 1);
  Queue(50, 80, 130, 1, 0);
  const auto ops = Enregistre([&] { TraceQueue(staff, 0, 2, 1, nullptr); });
  // 90 is the mean; the stem reaching 80 lifts all by 10.
  for (int k = 0; k < 3; k++) EXPECT_EQ(TabQueue[k].extremite, 80);
  EXPECT_FALSE(Traits(ops).empty());
}

TEST_F(QueuesTest, GroupsLeaveTheirTupletRecords) {
  // Three triplet eighths beamed: three records, the first begins the tuplet.
  Signe s[3]{};
  for (int k = 0; k < 3; k++) {
    s[k].motTuplet = kDivisionTriolet | kTupletCrochet;
    const int16_t q = Queue(int16_t(50 + 20 * k), 100, 130, 1, 0, k < 2);
    TabQueue[q].tuplet = s[k].motTuplet;
    TabQueue[q].signe = &s[k];
  }
  Enregistre([&] { TraceQueue(staff, 0, 2, 1, nullptr); });
  ASSERT_NE(tupletList, nullptr);
  ASSERT_EQ(GetHandleSize(tupletList), Size(3 * sizeof(TupletEntry)));
  const TupletEntry* t = reinterpret_cast<const TupletEntry*>(*tupletList);
  EXPECT_EQ(t[0].debut, 1);
  EXPECT_EQ(t[1].debut, 0);
  EXPECT_EQ(t[0].nombreSeul, 1);
  EXPECT_EQ(t[2].queue.signe, &s[2]);
  // A lone tuplet note records itself, not number-only.
  DisposeHandle(tupletList);
  tupletList = nullptr;
  nbQueue = 0;
  TabQueue[Queue(50, 100, 130, 0, 0)].tuplet = kDivisionTriolet;
  Enregistre([&] { TraceQueue(staff, 0, 0, 1, nullptr); });
  ASSERT_NE(tupletList, nullptr);
  EXPECT_EQ(reinterpret_cast<const TupletEntry*>(*tupletList)[0].nombreSeul, 0);
}

}  // namespace

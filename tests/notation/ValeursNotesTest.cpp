// Duration splitting and beam sides: the writable value of a duration, dots,
// the stem group's limit, the beams on each side of a stem, and the beam
// stacks drawn.
#include "NotationFixtures.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/ValeursNotes.h"

namespace {

TEST(ValeursNotes, WritableValueOfADuration) {
  const struct {
    int32_t duration, limit;
    uint16_t division;
    int8_t kind;
    int32_t written, base;
    int16_t dots;
    uint8_t octet;
    int16_t flags;
    uint8_t equal;
  } cas[] = {
      {40320, 40320, 17, 60, 40320, 40320, 0, 17, 0, 1},       // quarter
      {60480, 60480, 17, 60, 60480, 40320, 1, 17, 0, 1},       // dotted quarter
      {70560, 70560, 17, 60, 70560, 40320, 2, 17, 0, 1},       // double-dotted quarter
      {13440, 13440, 17, 60, 13440, 20160, 0, 35, 1, 1},       // an eighth of a triplet
      {50400, 50400, 17, 60, 40320, 40320, 0, 17, 0, 0},       // quarter + sixteenth: a quarter
      {80640, 80640, 17, 60, 80640, 80640, 0, 17, 0, 1},       // half
      {10080, 10080, 17, 60, 10080, 10080, 0, 17, 2, 1},       // sixteenth
      {161280, 161280, 17, 60, 161280, 161280, 0, 17, -1, 1},  // whole
      {322560, 322560, 17, 60, 322560, 322560, 0, 17, -2, 1},  // breve
      {645120, 645120, 17, 60, 645120, 645120, 0, 17, 0, 1},   // longa: the base is never halved
      {40320, 40320, 17, -1, 40320, 40320, 0, 17, -20, 1},     // rests: no flags
      {161280, 80640, 17, 60, 80640, 80640, 0, 17, 0, 0},      // cut at the limit
      {8064, 8064, 0x45, 60, 8064, 10080, 0, 0x45, 2, 1},      // a sixteenth of a quintuplet
      {40320, 40320, 35, 60, 40320, 40320, 1, 35, 0, 1},       // a dotted quarter of a triplet
      {100, 161280, 17, -3, 161280, -1, 0, 17, -20, 1},        // a special sign takes the limit
      // Too short for a dotted value: the plain one, never past the duration.
      {631, 631, 17, 60, 630, 630, 0, 17, 6, 0},
      {100, 100, 17, 60, 100, 315, 0, 17, 7, 1},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.duration << " " << c.division);
    NotePossible r;
    uint8_t equal = 9;
    CalculeNotePossible(c.duration, c.limit, &equal, c.division, &r, c.kind);
    EXPECT_EQ(r.dureeEcrite, c.written);
    EXPECT_EQ(r.base, c.base);
    EXPECT_EQ(r.points, c.dots);
    EXPECT_EQ(r.octetDivision, c.octet);
    EXPECT_EQ(r.crochets, c.flags);
    EXPECT_EQ(equal, c.equal);
  }
}

TEST(ValeursNotes, DotsOfASign) {
  Portee p{};
  Portee* pp = &p;
  Portee** staff = &pp;
  Signe s{};
  s.duree = 60480;
  s.motTuplet = 17;
  s.kind = 60;
  EXPECT_EQ(CalculePointeNote(staff, &s), 1);
  s.kind = kSigneSilence;
  EXPECT_EQ(CalculePointeNote(staff, &s), 1);
  p.cacheSilences = 1;
  EXPECT_EQ(CalculePointeNote(staff, &s), 0);
  s.kind = kSigneSilenceFantome;
  p.cacheSilences = 0;
  EXPECT_EQ(CalculePointeNote(staff, &s), 0);
}

TEST(ValeursNotes, AFullStemGroupRefusesMoreStems) {
  nbQueue = 0;
  Signe note{};
  note.motTuplet = 0x0523;  // triplet, shown as a ratio with a curve
  EXPECT_EQ(AjouteQueue(7, 10, 2, 10080, 0, 1, 1, 0, 3, 0, 0, 0, 4, 1, 100, 1, &note), 0);
  EXPECT_EQ(TabQueue[0].tuplet, 0x0220);
  EXPECT_EQ(TabQueue[0].couleur, kCouleurSignesSurbrillance);
  EXPECT_EQ(TabQueue[0].extremiteHaut, 999999);
  EXPECT_EQ(TabQueue[0].extremiteBas, -999999);
  EXPECT_EQ(curModeDecoupeDemiTemps, 3);
  for (int i = 1; i < kMaxQueues; i++)
    EXPECT_EQ(AjouteQueue(7, 10, int16_t(i == 100 ? 1 : 3), 10080, 0, 1, 1, 0, 0, 0, 0, 0, i, 1, 100, 0, nullptr), i);
  EXPECT_EQ(minBarresInTabQueue, 1);
  // The 256th stem is entry 255; a 257th is refused, not reported as 255.
  EXPECT_EQ(AjouteQueue(7, 10, 0, 10080, 0, 1, 1, 0, 0, 0, 0, 0, 300, 1, 100, 0, nullptr), -1);
  EXPECT_EQ(nbQueue, kMaxQueues);
  EXPECT_EQ(TabQueue[255].indexSigne, 255);
  EXPECT_EQ(minBarresInTabQueue, 1);
  nbQueue = 0;
}

// A group of stems with their beam counts and base values.
struct Tige {
  int16_t beams;
  int32_t base;
  uint8_t split = 0, source = 0, dest = 0;
  uint16_t tuplet = 0;
};
void Groupe(std::initializer_list<Tige> tiges, int16_t mode) {
  nbQueue = 0;
  for (const Tige& t : tiges) {
    const int16_t i =
        AjouteQueue(7, 0, t.beams, t.base, 0, 1, 1, t.split, mode, t.source, t.dest, 0, 0, 1, 100, 0, nullptr);
    TabQueue[i].tuplet = t.tuplet;
  }
}

TEST(ValeursNotes, BeamsOnEachSideOfAStem) {
  minNbBarresDecoupe = 1;
  const struct {
    std::initializer_list<Tige> group;
    int16_t mode, i;
    uint8_t shifted;
    int16_t left, right;
  } cas[] = {
      {{{1, 20160}, {2, 10080}, {1, 20160}}, 0, 0, 0, -2, 1},  // first
      {{{1, 20160}, {2, 10080}, {1, 20160}}, 0, 2, 0, 1, -2},  // last
      {{{1, 20160}, {2, 10080}, {1, 20160}}, 0, 1, 0, 2, 1},   // above both: its hook to the left
      {{{1, 20160}, {2, 10080}, {1, 5040}}, 0, 1, 0, 1, 2},    // ... towards the shorter neighbour
      {{{2, 10080}, {1, 20160}, {2, 10080}}, 0, 1, 0, 1, 1},
      {{{1, 20160}, {1, 20160}, {2, 10080}, {2, 10080}}, 0, 2, 0, 1, 2},
      {{{2, 10080}}, 0, 0, 0, -2, 2},                             // alone: the first-stem rule
      {{{1, 20160}, {1, 20160, 0, 1}}, 0, 1, 0, 1, 0},            // a link goes on to another staff
      {{{1, 20160, 0, 0, 1}, {1, 20160}}, 0, 0, 0, 0, 1},         // a link comes from another staff
      {{{2, 10080}, {2, 10080, 1}, {2, 10080}}, 0, 1, 0, 2, 2},   // split points ignored in mode 0
      {{{2, 10080}, {2, 10080, 1}, {2, 10080}}, 4, 1, 0, 1, 2},   // mode 4: one beam across
      {{{2, 10080}, {2, 10080, 1}, {2, 10080}}, 2, 1, 0, 1, 2},   // mode 2: one beam fewer
      {{{0, 40320}, {0, 161280}}, 0, 1, 1, -998, -2},             // shifted: a whole takes no beam
      {{{0, 40320}, {0, 40320}}, 0, 1, 1, 1, -2},                 // shifted: a quarter gets one
      {{{0, 40320}, {0, 80640, 0, 0, 0, 3}}, 0, 1, 0, -997, -2},  // an unbeamed tuplet member
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cas));
    Groupe(c.group, c.mode);
    int16_t l = 99, r = 99;
    GetBeamLeftRight(0, int16_t(nbQueue - 1), c.i, c.shifted, &l, &r);
    EXPECT_EQ(l, c.left);
    EXPECT_EQ(r, c.right);
  }
  nbQueue = 0;
}

TEST(ValeursNotes, BeamsKeptAcrossASplitPoint) {
  const std::pair<int32_t, int16_t> cas[] = {{315, 7},   {630, 6},   {1260, 5},  {2520, 4},  {5040, 3},
                                             {10080, 2}, {20160, 1}, {40319, 1}, {40320, 0}, {161280, 0}};
  for (auto [u, n] : cas) EXPECT_EQ(CalculeMinNbBarresDecoupe(u), n) << u;
}

struct BarresTest : NotationTest {};

TEST_F(BarresTest, BeamPenAndGap) {
  SetDpiDest(576);
  int16_t h = 0, gap = 0;
  Enregistre([&] { PrepareTraceBarres(12, 6, 0, &h, &gap); });
  EXPECT_EQ(h, 24);
  EXPECT_EQ(gap, 12);
  Enregistre([&] {
    PrepareTraceBarres(12, 6, 1, &h, &gap);
    Point p;
    GetPortPenSize(GetQDGlobalsThePort(), &p);
    EXPECT_EQ(p.v, 4);  // thin: 2/288 inch
  });
}

TEST_F(BarresTest, StacksOfBeams) {
  // 72 dpi: a pen 3 high, a gap of 1.
  const struct {
    int16_t count;
    uint8_t upward;
    int16_t y2;
    std::vector<std::string> lines;
    int16_t height;
  } cas[] = {
      {2, 0, 100, {"ShortLine (100,10) 50 0", "ShortLine (104,10) 50 0"}, 7},
      {2, 1, 100, {"ShortLine (100,10) 50 0", "ShortLine (96,10) 50 0"}, 4},
      {3, 0, 90, {"ShortLine (100,10) 50 -10", "ShortLine (104,10) 50 -10", "ShortLine (108,10) 50 -10"}, 11},
      {0, 0, 100, {"ShortLine (100,10) 50 0"}, 1},  // no beam count: one thin beam
      {-1, 0, 100, {}, 0},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.count);
    int16_t h = -1;
    const auto ops = Enregistre([&] { h = TraceBarres(12, 6, c.count, 10, 100, 60, c.y2, c.upward); });
    EXPECT_EQ(Filtre(ops, {"ShortLine", "Line"}), c.lines);
    EXPECT_EQ(h, c.height);
  }
  // Anti-aliased: in fractions of a pixel (a gap of 1.5 here); a negative
  // count draws nothing.
  pref.traitsAntialias = 1;
  int16_t h = -1;
  auto ops = Enregistre([&] { h = TraceBarres(12, 6, 2, 10, 100, 60, 100, 0); });
  EXPECT_EQ(h, 8);
  EXPECT_FALSE(ops.empty());
  ops = Enregistre([&] { h = TraceBarres(12, 6, -1, 10, 100, 60, 100, 0); });
  EXPECT_EQ(h, 0);
  EXPECT_TRUE(ops.empty());
}

}  // namespace

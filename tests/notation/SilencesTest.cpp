// Rests: the glyphs a duration is drawn with, the rests of a ghost rest
// following the bar's beat groups, and their drawing at their own starts.
#include <numeric>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "notation/AffichePortee.h"
#include "notation/Silences.h"

namespace {

struct SilencesTest : NotationTest {};

TEST_F(SilencesTest, GlyphsOfADuration) {
  const struct {
    int32_t duration;
    std::vector<int> glyphs;
  } cas[] = {
      {630, {}},                                  // nothing at or below 630 ticks
      {40320, {206}},                             // quarter
      {60480, {206, 46}},                         // dotted quarter: the rest and a dot
      {161280, {183}},                            // whole
      {322560, {208}},                            // breve
      {50400, {206, 197}},                        // a quarter, then a sixteenth
      {13440, {163, 228}},                        // a triplet eighth: its digit, then the rest
      {1260, {228, 228, 228, 228, 228}},          // 128th: five stacked eighth rests
      {945, {228, 228, 228, 228, 228, 228, 46}},  // shorter: six
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.duration);
    const auto ops = Enregistre([&] {
      TextFontMusicale(nullptr, 24);
      TraceSilence(10, 50, c.duration, 6.0f);
      // The port's text is the standard one again.
      CGrafPtr port;
      GetPort(&port);
      EXPECT_EQ(port->txSize, 0);
      EXPECT_EQ(port->txFont, GetStdFont());
    });
    EXPECT_EQ(Glyphes(ops), c.glyphs);
  }
  // The breve rest is drawn half an interline up; the first glyph starts one unit down.
  auto ops = Filtre(Enregistre([] {
                      TextFontMusicale(nullptr, 24);
                      TraceSilence(10, 50, 322560, 6.0f);
                    }),
                    {"LongText"});
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].rfind("LongText (48,10)", 0), 0u) << ops[0];
  // A tuplet digit stands 20 units above the rest.
  ops = Filtre(Enregistre([] {
                 TextFontMusicale(nullptr, 24);
                 TraceSilence(10, 50, 13440, 6.0f);
               }),
               {"LongText", "DHDVText", "DVText", "DHText"});
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[0].rfind("LongText (31,10)", 0), 0u) << ops[0];
}

struct ListeSilencesTest : BarTableTest {
  Portee** staff = nullptr;
  ListeSilencesTest() {
    Mesures(4);
    staff = Portee0();
  }
  std::vector<int32_t> Liste(int32_t debut, int32_t duree) {
    Handle h = CvtDureeNoteEnListeSilences(staff, debut, duree);
    std::vector<int32_t> out;
    if (!h) return out;
    const int32_t* d = reinterpret_cast<const int32_t*>(*h);
    out.assign(d, d + GetHandleSize(h) / int32_t(sizeof(int32_t)));
    DisposeHandle(h);
    return out;
  }
};

TEST_F(ListeSilencesTest, RestsFollowTheBeatGroups) {
  FixeSignature(1, 3, 4);
  const struct {
    int32_t debut, duree;
    std::vector<int32_t> rests;
  } cas[] = {
      {0, 161280, {161280}},                    // a whole 4/4 bar: one whole rest
      {161280, 120960, {40320, 40320, 40320}},  // a whole 3/4 bar: three quarters
      {0, 60480, {40320, 20160}},               // three eighths from a beat
      {20160, 60480, {20160, 40320}},           // ... from an eighth after it
      {10080, 70560, {10080, 20160, 40320}},    // filled towards the beat from the smallest value
      {0, 80640, {80640}},                      // half a bar
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.debut << " " << c.duree);
    EXPECT_EQ(Liste(c.debut, c.duree), c.rests);
  }
  EXPECT_EQ(CvtDureeNoteEnListeSilences(nullptr, 0, 40320), nullptr);
}

TEST_F(ListeSilencesTest, OddDurationsEndAndAddUp) {
  for (int32_t duree : {1, 314, 13441, 40321, 161279, 200003}) {
    SCOPED_TRACE(duree);
    const auto l = Liste(7, duree);
    EXPECT_EQ(std::accumulate(l.begin(), l.end(), int64_t(0)), duree);
    for (int32_t d : l) EXPECT_GT(d, 0);
    EXPECT_LE(l.size(), size_t(duree / 315 + 8));
  }
}

TEST_F(ListeSilencesTest, BeatGroupNumbers) {
  // 4/4 groups by the quarter: bar 1 starts at group 128.
  const std::pair<int32_t, int32_t> temps[] = {{0, 0}, {20159, 0}, {40320, 1}, {120960, 3}, {161280, 128}};
  for (auto [t, g] : temps) EXPECT_EQ(CvtTempsEnNumGroupeAccroche(score, t), g) << t;
  EXPECT_EQ(CvtNumGroupeAccrocheEnTemps(score, 2), 80640);
  EXPECT_EQ(CvtNumGroupeAccrocheEnTemps(score, 129), 161280 + 40320);
  EXPECT_EQ(CvtNumGroupeAccrocheEnTemps(score, 4), 161280);  // past the bar's groups: its end
}

struct FantomeCommeSilenceTest : BarTableTest {
  EnvNotation env;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  BarTableTest& b = *this;
  Portee** staff = nullptr;
  FantomeCommeSilenceTest() {
    b.Mesures(2);
    staff = b.Portee0();
    b.doc->partitionCourante = b.score;
  }
};

TEST_F(FantomeCommeSilenceTest, EachRestAtItsOwnStart) {
  Document* doc = b.doc;
  const int32_t x0 = CvtTempsEnPosEcr(doc, 20160), x1 = CvtTempsEnPosEcr(doc, 40320);
  const auto ops = Enregistre([&] {
    TextFontMusicale(nullptr, 24);
    TraceSilenceFantomeCommeSilence(staff, 20160, 300, 50, 60480);
  });
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{228, 206}));
  // The second rest starts where its tick is, the first's advance further on.
  ASSERT_GT(x1, x0);
  const auto textes = Filtre(ops, {"LongText", "DHText"});
  ASSERT_EQ(textes.size(), 2u);
  EXPECT_EQ(textes[0].rfind("LongText (51,300)", 0), 0u) << textes[0];
  EXPECT_EQ(textes[1].rfind("DHText " + std::to_string(x1 - x0) + " ", 0), 0u) << textes[1];
  // Without the score's document nothing is drawn.
  (*b.score)->document = nullptr;
  EXPECT_TRUE(Enregistre([&] { TraceSilenceFantomeCommeSilence(staff, 0, 300, 50, 40320); }).empty());
  (*b.score)->document = doc;
}

}  // namespace

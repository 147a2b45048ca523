// Chord drawing and the note walk: heads of one stem direction, seconds and
// unisons moved across the stem, accidental columns, chords tied over a bar
// line (and a tie whose previous head is missing), the head table growing
// past its first block, ghost rests, and chains of chords walked along a staff
// with their stems and beams.
#include <cstring>
#include <set>

#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/NotesPortee.h"
#include "notation/Nuplets.h"
#include "notation/SCleGraf.h"
#include "notation/SilencesFantomes.h"
#include "notation/ValeursNotes.h"
#include "platform/Memory.h"

namespace {

constexpr int32_t kNoire = 40320;

// Bottom line at y 140 (E4), three pixels per semitone, rests on the middle
// line; the accidental is the note's own code. From tick kDecale on, notes stand 20 pixels lower.
int32_t kDecale = INT32_MAX;
int16_t Y(Portee**, int32_t tick, int32_t, const Signe* s, uint8_t* flags) {
  if (flags) *flags = s->alteration & 7;
  if (s->kind < 0) return 128;  // rests on the middle line
  return int16_t(140 - (s->kind - 64) * 3 + (tick >= kDecale ? 20 : 0));
}

struct AccordsTest : BarTableTest {
  EnvNotation env;
  Portee** staff = nullptr;
  static void SetUpTestSuite() { ActiveFonteMusicale(); }
  AccordsTest() {
    Mesures(4);
    staff = Portee0();
    Portee& p = **staff;
    p.aspect.tailleUnite = 72;
    p.interligne = 6.0f;
    p.rect = Rect{100, 0, 200, 2000};
    p.decalageLigneBas = 40;
    p.largeurTete = 8;
    p.espaceCrochets = 6;
    p.penteMaxBarre = 100;
    p.modeSilencesFantomes = 0;
    p.vecteurs.vect_Note2Ecr = &Y;
    nbQueue = 0;
    kDecale = INT32_MAX;
  }
  ~AccordsTest() override {
    LibereTabCorps();
    if (tupletList) DisposeHandle(tupletList);
    tupletList = nullptr;
  }
  Signe& S(int32_t i) {
    int32_t n;
    return GetSignesPortee(staff, &n)[i];
  }
  Signe* Signes(int32_t* n) { return GetSignesPortee(staff, n); }
  // A chord of pitches (one record each, linked) of a duration.
  void Accord(std::initializer_list<int8_t> pitches, int32_t duree, uint16_t flags = 0, uint8_t alteration = 2) {
    int32_t premier = -1;
    for (int8_t p : pitches) {
      AjouteSigne(staff, p, duree);
      int32_t n;
      Signe* s = Signes(&n);
      if (premier < 0) premier = n - 1;
      else s[n - 2].flags |= kSigneAccordSuite;
      s[n - 1].flags |= flags;
      s[n - 1].alteration = alteration;
      s[n - 1].taille = 100;
    }
  }
  uint8_t Trace(int32_t* index, uint8_t direction, int32_t x = 100, uint16_t xRef = kXRefAucun,
                std::vector<std::string>* ops = nullptr) {
    int32_t n;
    Signe* s = Signes(&n);
    uint8_t r = 0;
    const int32_t t = CvtIndexNoteEnTemps(staff, *index);
    auto rec = Enregistre([&] {
      r = TraceCorpsAccord(staff, x, xRef, s, index, n, t, CvtTempsEnMesure(score, t), 1, direction, 0, 0, &Y, 65535, 0,
                           0, nullptr, 0);
    });
    if (ops) *ops = rec;
    return r;
  }
};

std::vector<std::string> Textes(const std::vector<std::string>& ops) {
  return Filtre(ops, {"LongText", "DVText", "DHText", "DHDVText"});
}

TEST_F(AccordsTest, OnlyTheWalksDirectionIsDrawn) {
  Accord({64, 67}, kNoire, kSigneQueueEnBas);
  Accord({60}, kNoire);
  int32_t i = 0;
  std::vector<std::string> ops;
  // Stems down asked of a chord whose stems go down: heads and one stem entry.
  EXPECT_EQ(Trace(&i, 1, 100, kXRefAucun, &ops), 0);
  EXPECT_EQ(i, 2);
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{207, 207}));
  ASSERT_EQ(nbQueue, 1);
  EXPECT_EQ(TabQueue[0].direction, 1);
  EXPECT_EQ(TabQueue[0].barres, 0);
  // The stem runs from the highest head's stem side to past the lowest head.
  EXPECT_LE(TabQueue[0].extremiteHaut, 132);
  EXPECT_GT(TabQueue[0].extremiteBas, 140);
  // Stems up asked of it: nothing, and the index still moves past the chord.
  nbQueue = 0;
  i = 0;
  EXPECT_EQ(Trace(&i, 0, 100, kXRefAucun, &ops), 0);
  EXPECT_EQ(i, 2);
  EXPECT_TRUE(ops.empty());
  EXPECT_EQ(nbQueue, 0);
  // Out of range: nothing.
  i = 3;
  EXPECT_EQ(Trace(&i, 0, 100, kXRefAucun, &ops), 0);
  EXPECT_EQ(i, 3);
}

TEST_F(AccordsTest, SecondsAndUnisonsCrossTheStem) {
  // Chords are stored from the highest note down. A unison and a second with
  // stems up: the upper head of each pair moves right by the head width less
  // one and its sign records the shift.
  Accord({64, 64}, kNoire);
  Accord({65, 64}, kNoire);
  Accord({69, 64}, kNoire);  // a fourth: no shift
  for (int32_t first : {0, 2, 4}) {
    SCOPED_TRACE(first);
    int32_t i = first;
    Trace(&i, 0, 100, 90);
    const bool shifted = first != 4;
    EXPECT_EQ(S(first).xRelatifAccord, shifted ? 17 : 10);
    EXPECT_EQ((S(first).flags & kSigneTeteDecalee) != 0, shifted);
    EXPECT_EQ(S(first + 1).xRelatifAccord, 10);
    EXPECT_EQ(S(first + 1).flags & kSigneTeteDecalee, 0);
  }
  // Stems down: the lower head goes left.
  for (int32_t k = 2; k < 4; k++) S(k).flags |= kSigneQueueEnBas;
  int32_t i = 2;
  Trace(&i, 1, 100, 90);
  EXPECT_EQ(S(2).xRelatifAccord, 10);
  EXPECT_EQ(S(3).xRelatifAccord, 3);
  EXPECT_NE(S(3).flags & kSigneTeteDecalee, 0);
}

TEST_F(AccordsTest, AccidentalsStandInColumnsHighestFirst) {
  // Sharps a minor third apart: the top and bottom share the right column,
  // the middle one is too near either and goes further left.
  Accord({70, 67, 64}, kNoire, 0, 1);
  int32_t i = 0;
  std::vector<std::string> ops;
  Trace(&i, 0, 100, kXRefAucun, &ops);
  std::vector<std::string> diezes;
  for (const auto& t : Textes(ops))
    if (t.find("\"#\"") != std::string::npos) diezes.push_back(t);
  ASSERT_EQ(diezes.size(), 3u);
  auto x = [](const std::string& t) { return std::stoi(t.substr(t.find(',') + 1)); };
  // Each accidental stands left of the heads.
  for (const auto& d : diezes) EXPECT_LT(x(d), 100);
  std::set<int> colonnes;
  for (const auto& d : diezes) colonnes.insert(x(d));
  EXPECT_EQ(colonnes.size(), 2u);
  // The lowest (visited first with stems up) is in the rightmost column too.
  EXPECT_EQ(x(diezes[0]), *colonnes.rbegin());
  // A hidden accidental is not drawn.
  for (int32_t k = 0; k < 3; k++) S(k).alteration |= kAlterationMasquee;
  i = 0;
  Trace(&i, 0, 100, kXRefAucun, &ops);
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{207, 207, 207}));
}

TEST_F(AccordsTest, AChordTiedOverTheBarLine) {
  // Three quarters from the fourth beat: a quarter, then a half in bar 1,
  // joined by a tie; the sharp is drawn on the first piece only. The ties
  // between pieces take their thickness from the score's graphic mode.
  (*score)->modeGraphique.slot[69] = (*score)->modeGraphique.slot[77] = 10;
  AjouteSigne(staff, 60, 3 * kNoire);
  S(0).taille = 100;
  Accord({64}, 3 * kNoire, 0, 1);
  int32_t i = 1;
  std::vector<std::string> ops;
  Trace(&i, 0, 100, kXRefAucun, &ops);
  EXPECT_EQ(i, 2);
  const auto g = Glyphes(ops);
  EXPECT_EQ(std::count(g.begin(), g.end(), 35), 1);
  EXPECT_EQ(std::count(g.begin(), g.end(), 207) + std::count(g.begin(), g.end(), 250), 2);
  ASSERT_EQ(nbQueue, 2);
  EXPECT_EQ(TabQueue[1].x - TabQueue[0].x,
            CvtTempsEnPixelEcran(score, 4 * kNoire) - CvtTempsEnPixelEcran(score, 3 * kNoire));
  const size_t avecLiee = ops.size();
  // The second piece's head on another line: no previous head for the tie,
  // which is reported and skipped; both heads are still drawn.
  kDecale = 4 * kNoire;
  i = 1;
  nbQueue = 0;
  Trace(&i, 0, 100, kXRefAucun, &ops);
  EXPECT_EQ(nbQueue, 2);
  const auto g2 = Glyphes(ops);
  EXPECT_EQ(std::count(g2.begin(), g2.end(), 207) + std::count(g2.begin(), g2.end(), 250), 2);
  EXPECT_LT(ops.size(), avecLiee);
}

TEST_F(AccordsTest, TheHeadTableGrowsPastItsFirstBlock) {
  std::initializer_list<int8_t> notes = {30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
                                         44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57,
                                         58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69};
  Accord(notes, kNoire);
  int32_t i = 0;
  Trace(&i, 0);
  EXPECT_EQ(i, 40);
  EXPECT_EQ(nbCorps, 40);
  EXPECT_GE(nbCorpsGranuleux, 40);
  ASSERT_NE(TabCorps, nullptr);
  LibereTabCorps();
  EXPECT_EQ(TabCorps, nullptr);
  EXPECT_EQ(nbCorps, 0);
}

TEST_F(AccordsTest, ContinuationAndHiddenMarkers) {
  // A note joined to the next continues the chain; the last sign never does.
  Accord({64}, kNoire / 2, kSigneAccroche);
  Accord({65}, kNoire / 2, kSigneAccroche);
  int32_t i = 0;
  EXPECT_EQ(Trace(&i, 0), 1);
  EXPECT_EQ(Trace(&i, 0), 0);
  // A hidden rest draws nothing while guide marks are hidden.
  AjouteSigne(staff, kSigneSilence, kNoire, 100, kSigneCache | kSigneAccroche);
  AjouteSigne(staff, 64, kNoire);
  i = 2;
  std::vector<std::string> ops;
  EXPECT_EQ(Trace(&i, 0, 100, kXRefAucun, &ops), 1);
  EXPECT_EQ(i, 3);
  EXPECT_TRUE(ops.empty());
}

TEST_F(AccordsTest, GhostRestsFadeOnScreenOnly) {
  (*staff)->modeSilencesFantomes = kSilencesFantomesPartiels;
  AjouteSigne(staff, kSigneSilenceFantome, 4 * kNoire);
  S(0).taille = 100;
  // Page mode, with the page's bar table laid out as the ribbon's (brought up
  // to date first: a pending change in page mode would lay the pages out).
  UpdateTabEltMesure(score, kTabEltTout);
  (*score)->modeEcran = 1;
  Handle ruban = (*score)->tabEltMesure[0];
  Handle page = NewHandle(GetHandleSize(ruban));
  std::memcpy(*page, *ruban, size_t(GetHandleSize(ruban)));
  if ((*score)->tabEltMesure[1]) DisposeHandle((*score)->tabEltMesure[1]);
  (*score)->tabEltMesure[1] = page;
  ASSERT_GT(CvtMesureEnTaillePixelEcran(score, 0), 0);
  int32_t i = 0;
  std::vector<std::string> ops;
  // Without a reference x the faded offscreen still ends at the bar's end.
  Trace(&i, 0, CvtMesureEnPixelEcran(score, 0), kXRefAucun, &ops);
  EXPECT_EQ(i, 1);
  const auto bits = Filtre(ops, {"DirectBits"});
  ASSERT_EQ(bits.size(), 1u) << ::testing::PrintToString(ops);
  EXPECT_NE(bits[0].find(std::to_string(CvtMesureEnTaillePixelEcran(score, 0))), std::string::npos) << bits[0];
  // While printing, no offscreen.
  (*score)->impressionEnCours = 1;
  i = 0;
  Trace(&i, 0, CvtMesureEnPixelEcran(score, 0), kXRefAucun, &ops);
  EXPECT_TRUE(Filtre(ops, {"DirectBits"}).empty());
  (*score)->impressionEnCours = 0;
}

// The note walk: x of a head (the first glyph of a text op at that y).
std::vector<int> XTetes(const std::vector<std::string>& ops) {
  std::vector<int> out;
  for (const auto& t : Filtre(ops, {"LongText"}))
    if (t.find("\\xCF") != std::string::npos || t.find("\\xFA") != std::string::npos ||
        t.find("\"w\"") != std::string::npos)
      out.push_back(std::stoi(t.substr(t.find(',') + 1)));
  return out;
}

TEST_F(AccordsTest, TheWalkDrawsOneChordThatDoesNotContinue) {
  Accord({67}, kNoire);
  Accord({65}, kNoire);
  int32_t n;
  Signe* s = Signes(&n);
  int32_t suivant = -1;
  const auto ops = Enregistre([&] { suivant = TraceNotes(staff, 100, kXRefAucun, s, 0, n, 0, 1, -1, 1, 0, nullptr); });
  EXPECT_EQ(suivant, 1);
  EXPECT_EQ(Glyphes(ops), std::vector<int>{207});
  // Its stem, drawn at the end of the walk, and the head table released.
  const auto traits = Filtre(ops, {"ShortLine", "Line"});
  ASSERT_EQ(traits.size(), 1u);
  EXPECT_EQ(traits[0].substr(0, 15), "ShortLine (110,");
  EXPECT_EQ(TabCorps, nullptr);
  EXPECT_EQ(nbCorps, 0);
}

TEST_F(AccordsTest, TheWalkFollowsABeamedGroupAndDrawsItsBeam) {
  // Four eighths beamed (each joined to the next but the last), then a quarter.
  for (int k = 0; k < 4; k++) Accord({int8_t(65 + k)}, kNoire / 2, k < 3 ? kSigneAccroche : 0);
  Accord({64}, kNoire);
  int32_t n;
  Signe* s = Signes(&n);
  const int16_t x0 = int16_t(CvtTempsEnPixelEcran(score, 0));
  int32_t suivant = -1;
  const auto ops = Enregistre([&] { suivant = TraceNotes(staff, x0, kXRefAucun, s, 0, n, 0, 1, -1, 1, 0, nullptr); });
  EXPECT_EQ(suivant, 4);
  std::vector<int> attendus;
  for (int k = 0; k < 4; k++) attendus.push_back(CvtTempsEnPixelEcran(score, k * kNoire / 2));
  EXPECT_EQ(XTetes(ops), attendus);
  // No flags: one beam from the first stem to the last, sloped with the notes.
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{207, 207, 207, 207}));
  const auto traits = Filtre(ops, {"ShortLine", "Line", "LineFrom", "ShortLineFrom"});
  EXPECT_EQ(traits.size(), 4u + 1u);
  EXPECT_EQ(TabQueue[3].extremite - TabQueue[0].extremite, 0 - 3 * 3);
}

TEST_F(AccordsTest, TheWalkCrossesBarLines) {
  // A tied chain: a half note from beat 3 reaching the bar line, then a note
  // over the next bar line, then a quarter: each chord after a bar line
  // stands at its bar's first notes.
  AjouteSigne(staff, 60, 2 * kNoire);
  S(0).taille = 100;
  Accord({64}, 2 * kNoire, kSigneAccroche);
  Accord({65}, 5 * kNoire, kSigneAccroche);
  Accord({67}, kNoire);
  int32_t n;
  Signe* s = Signes(&n);
  const int16_t x0 = int16_t(CvtTempsEnPixelEcran(score, 2 * kNoire));
  int32_t suivant = -1;
  const auto ops = Enregistre([&] { suivant = TraceNotes(staff, x0, kXRefAucun, s, 1, n, 0, 1, -1, 1, 0, nullptr); });
  EXPECT_EQ(suivant, 4);
  const auto x = XTetes(ops);
  // The half, the whole of the next bar (its tied quarter in bar 2 is drawn
  // relative to it), the last quarter.
  ASSERT_EQ(x.size(), 3u);
  EXPECT_EQ(x[0], x0);
  EXPECT_EQ(x[1], CvtTempsEnPixelEcran(score, 4 * kNoire));
  EXPECT_EQ(x[2], CvtTempsEnPixelEcran(score, 9 * kNoire));
}

TEST_F(AccordsTest, AFullStemGroupLetsTheWalkGoOn) {
  // 300 sixteenths joined in one chain: 256 stems at most, every head drawn.
  for (int k = 0; k < 300; k++) Accord({64}, kNoire / 4, k < 299 ? kSigneAccroche : 0);
  int32_t n;
  Signe* s = Signes(&n);
  int32_t suivant = -1;
  const auto ops = Enregistre([&] {
    suivant = TraceNotes(staff, int16_t(CvtTempsEnPixelEcran(score, 0)), kXRefAucun, s, 0, n, 0, 1, -1, 1, 0, nullptr);
  });
  EXPECT_EQ(suivant, 300);
  const auto g = Glyphes(ops);
  EXPECT_EQ(std::count(g.begin(), g.end(), 207), 300);
}

TEST_F(AccordsTest, RestsCutAtABarLineAreNotTied) {
  AjouteSigne(staff, 60, 3 * kNoire);
  S(0).taille = 100;
  AjouteSigne(staff, kSigneSilence, 3 * kNoire);
  S(1).taille = 100;
  int32_t i = 1;
  std::vector<std::string> ops;
  Trace(&i, 0, 100, kXRefAucun, &ops);
  // A quarter rest and a half rest, nothing else.
  EXPECT_EQ(Glyphes(ops), (std::vector<int>{206, 238}));
  EXPECT_TRUE(Filtre(ops, {"Line", "ShortLine", "LineFrom", "ShortLineFrom"}).empty());
}

TEST_F(AccordsTest, TupletsOfAWalkAreOrderedByTheirNotesStart) {
  // Triplet eighths beamed, then triplet quarters joined: two tuplets, in the
  // order of their notes, whatever the notes' cached starts were.
  const uint16_t triolet = kDivisionTriolet | kTupletCrochet;
  for (int k = 0; k < 3; k++) Accord({int8_t(65 + k)}, kNoire / 3, k < 2 ? kSigneAccroche : 0);
  for (int k = 0; k < 3; k++) Accord({int8_t(69 + k)}, 2 * kNoire / 3, k < 2 ? kSigneAccroche : 0);
  for (int k = 0; k < 6; k++) S(k).motTuplet = triolet;
  int32_t n;
  Signe* s = Signes(&n);
  int32_t i = 0;
  std::vector<std::string> ops;
  for (int walk = 0; walk < 2 && i < n; walk++) {
    const int32_t t = CvtIndexNoteEnTemps(staff, i);
    const int32_t debut = i;
    auto rec = Enregistre([&] {
      i = TraceNotes(staff, int16_t(CvtTempsEnPixelEcran(score, t)), kXRefAucun, s, debut, n, 0, 1, -1, 1, 0, nullptr);
    });
    ops.insert(ops.end(), rec.begin(), rec.end());
  }
  EXPECT_EQ(i, 6);
  const auto g = Glyphes(ops);
  EXPECT_EQ(std::count(g.begin(), g.end(), 163), 2);
  for (int k = 0; k < 6; k++) {
    SCOPED_TRACE(k);
    EXPECT_EQ(S(k).tupletPremier, k % 3 == 0);
    EXPECT_EQ(S(k).tupletDernier, k % 3 == 2);
  }
}

TEST_F(AccordsTest, WholeBarRestsAndTheirCentring) {
  // A rest of the whole bar, with the staff's whole-bar-rest option: the
  // whole-rest glyph, at the chord's x or centred over the bar's music.
  (*staff)->pauseMesureEntiere = 1;
  AjouteSigne(staff, kSigneSilence, 4 * kNoire);
  S(0).taille = 100;
  const int32_t x = CvtMesureEnPixelEcran(score, 0);
  const int32_t centre = x + CvtMesureEnTailleUtileMesureEcran(score, 0) / 2 - 4;
  for (uint8_t centree : {0, 1}) {
    SCOPED_TRACE(int(centree));
    (*staff)->pauseCentree = centree;
    int32_t i = 0;
    std::vector<std::string> ops;
    Trace(&i, 0, x, kXRefAucun, &ops);
    EXPECT_EQ(Glyphes(ops), std::vector<int>{183});
    const auto t = Filtre(ops, {"LongText"});
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(std::stoi(t[0].substr(t[0].find(',') + 1)), centree ? centre : x);
  }
}

}  // namespace

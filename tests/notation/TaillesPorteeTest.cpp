// Staff metrics and stem lengths: the screen sizes of a staff, stem lengths
// in stem units and pixels, the stem drawn in a beam, the beam ends over
// linked notes, and the beams of a duration.
#include "model/BarTableFixtures.h"
#include "model/Ruban.h"
#include "notation/LiaisonsAccroche.h"
#include "notation/TaillesPortee.h"

namespace {

constexpr int32_t kCroche = 20160;

// Ribbon y of a note: its pitch counts half-spaces, 40 on the bottom line and
// 44 on the middle line of a staff whose bottom line is 48 below its top.
int16_t NoteEnY(Portee** staff, int32_t, int32_t, const Signe* note, uint8_t* flags) {
  if (flags) *flags = 2;
  const Portee& p = **staff;
  return int16_t(p.aireRuban.top + p.decalageLigneBasRuban - (note->kind - 40) * p.interligneRuban / 2);
}

struct TaillesPorteeTest : BarTableTest {
  Portee** staff = nullptr;
  TaillesPorteeTest() {
    Mesures(4);
    staff = Portee0();
    (*staff)->vecteurs.vect_Note2Ruban = NoteEnY;
    Bande();
  }
  // The staff's band, set again after anything that lays the ribbon out.
  void Bande() {
    Portee& p = **staff;
    p.aireRuban.top = 0;
    p.decalageLigneBasRuban = 48;
    p.interligneRuban = 6.0f;
    p.interligne = 6.0f;
    p.penteMaxBarre = 100;
  }
  ~TaillesPorteeTest() override { inDrawGrace = 0; }
  int32_t Note(int8_t pitch, uint16_t flags = 0, int32_t duree = kCroche) {
    AjouteSigne(staff, pitch, duree, 100, flags);
    int32_t n;
    Signe& s = GetSignesPortee(staff, &n)[n - 1];
    s.taille = 100;
    s.alteration = 2;
    return n - 1;
  }
  Signe& S(int32_t i) {
    int32_t n;
    return GetSignesPortee(staff, &n)[i];
  }
};

TEST_F(TaillesPorteeTest, ScreenMetricsOfAStaff) {
  SetDpiDest(144);
  Portee& p = **staff;
  p.aspect.tailleUnite = 72;
  p.hauteurBaseRuban = 60;
  p.decalageLigneBasBaseRuban = 40;
  p.ligneAccord = 10;
  p.hauteurBaseLigneTexte = 70;
  EXPECT_EQ(InitTaillePortee(staff), 20);
  EXPECT_EQ((*staff)->huitiemeEcran, 18);
  EXPECT_EQ((*staff)->quinziemeEcran, 9);
  EXPECT_EQ((*staff)->hauteurEcran, 120);
  EXPECT_EQ((*staff)->decalageLigneBas, 80);
  EXPECT_EQ((*staff)->lignesTexte[0].decalageHaut, 140);
  EXPECT_FLOAT_EQ((*staff)->interligne, 12.0f);
  EXPECT_EQ(InitTaillePortee(nullptr), 0);
}

TEST_F(TaillesPorteeTest, StandardStemLengths) {
  const struct {
    int8_t pitch;
    uint16_t flags;
    uint8_t taille, propre;
    int16_t units;
  } cas[] = {
      {44, 0, 100, 0, 21},                 // on the middle line
      {48, kSigneQueueEnBas, 100, 0, 21},  // 4 half-spaces above, down: 12 units, the standard wins
      {54, kSigneQueueEnBas, 100, 0, 31},  // 10 above, down: reaches the middle line
      {54, 0, 100, 0, 21},                 // 10 above, up
      {34, 0, 100, 0, 31},                 // 10 below, up
      {34, kSigneQueueEnBas, 100, 0, 21},
      {54, kSigneQueueEnBas, 50, 0, 62},  // half size: the same reach in smaller units
      {54, kSigneQueueEnBas, 0, 0, 31},   // no size divides as 100 %
      {44, 0, 100, 30, 30},               // the note's own length
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << int(c.pitch) << " " << c.flags << " " << int(c.taille));
    const int32_t i = Note(c.pitch, c.flags);
    S(i).taille = c.taille;
    S(i).longueurQueue = c.propre;
    const Signe s = S(i);
    EXPECT_EQ(GetTailleStdTigeNote(staff, &s, i, 0), c.units);
    // Asked for the standard only, outside the staff, or while grace notes are drawn.
    if (!c.propre) {
      EXPECT_EQ(GetTailleStdTigeNote(staff, &s, i, 1), 21);
      EXPECT_EQ(GetTailleStdTigeNote(staff, &s, -1, 0), 21);
      inDrawGrace = 1;
      EXPECT_EQ(GetTailleStdTigeNote(staff, &s, i, 0), 21);
      inDrawGrace = 0;
    }
  }
}

TEST_F(TaillesPorteeTest, BeamSlantLengthensOrShortensTheStem) {
  // Down, beamed to a higher note: one unit more.
  int32_t a = Note(54, kSigneQueueEnBas | kSigneAccroche);
  Note(56, kSigneQueueEnBas);
  // Up, beamed to a higher note: one unit less; after a lower beamed chord, one more.
  int32_t b = Note(34, kSigneAccroche);
  Note(36);
  Note(30, kSigneAccroche);
  int32_t c = Note(34);
  Signe s = S(a);
  EXPECT_EQ(GetTailleStdTigeNote(staff, &s, a, 0), 32);
  s = S(b);
  EXPECT_EQ(GetTailleStdTigeNote(staff, &s, b, 0), 30);
  s = S(c);
  EXPECT_EQ(GetTailleStdTigeNote(staff, &s, c, 0), 32);
}

TEST_F(TaillesPorteeTest, StemsInPixels) {
  const int32_t i = Note(44);
  const Signe s = S(i);
  EXPECT_EQ(GetTailleEcranTigeNote(staff, &s, i, 0), 20);  // 21 x 6 / 6.2
  EXPECT_EQ(GetTailleRubanTigeNote(staff, &s, i), 20);
  EXPECT_EQ(GetTailleTigeFnEcran(staff, 60), 62);
  // A staff whose interlines were never set takes the standard interline.
  (*staff)->interligne = 0.0f;
  (*staff)->interligneRuban = 0.0f;
  EXPECT_EQ(GetTailleEcranTigeNote(staff, &s, i, 0), 20);
  EXPECT_EQ(GetTailleTigeFnEcran(staff, 60), 62);
}

TEST_F(TaillesPorteeTest, StemDrawnInABeam) {
  // Three beamed eighths, stems up: the middle one reaches the line between
  // the outer tips.
  Note(44, kSigneAccroche);
  const int32_t m = Note(44, kSigneAccroche);
  Note(48);
  const int32_t seule = Note(44);
  EXPECT_EQ(GetTailleAfficheeTigeNote(staff, m), 26);
  EXPECT_EQ(GetTailleAfficheeTigeNote(staff, seule), 20);
  EXPECT_EQ(GetTailleAfficheeTigeNote(staff, 99), 0);
}

TEST_F(TaillesPorteeTest, BeamEndsOverLinkedNotes) {
  const struct {
    std::vector<int8_t> pitches;
    uint16_t flags;
    int32_t duree;
    uint8_t pente;
    int32_t y1, y2, outY1, outY2;
  } cas[] = {
      {{44, 54, 44}, 0, kCroche, 100, 0, 0, -14, -14},                 // up: the inner stem pushes the beam up
      {{44, 34, 44}, kSigneQueueEnBas, kCroche, 100, 60, 60, 86, 86},  // down: pushed down
      {{44, 44, 44}, 0, kCroche, 100, 0, 0, 0, 0},                     // nothing to reach
      {{44, 44, 44}, 0, 5040, 100, 0, 0, -5, -5},                      // three beams: a quarter of a beam more
      {{44, 44, 44}, 0, kCroche, 50, 0, 100, 4, 28},  // the slope held at 24, then raised over the middle stem
      {{44, 44, 44}, 0, kCroche, 50, 100, 0, 28, 4},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cas));
    DisposeNotes(staff);
    for (int8_t p : c.pitches) Note(p, c.flags, c.duree);
    int32_t x1 = CvtIndexNoteEnPixelRuban(staff, 0), x2 = CvtIndexNoteEnPixelRuban(staff, 2);
    Bande();
    (*staff)->penteMaxBarre = c.pente;
    int32_t y1 = c.y1, y2 = c.y2;
    CalculeExtremiteAccroche(score, staff, 0, 2, &x1, &y1, &x2, &y2);
    EXPECT_EQ(y1, c.outY1);
    EXPECT_EQ(y2, c.outY2);
  }
}

TEST(LiaisonsAccroche, BeamsOfADuration) {
  const struct {
    int32_t duree;
    uint8_t tuplet;
    int16_t beams;
  } cas[] = {{20160, 17, 1},   {10080, 17, 2},   {40320, 17, 0},   {60480, 17, 0},   {80640, 17, 0},
             {161280, 17, -1}, {322560, 17, -2}, {645120, 17, -3}, {13440, 0x23, 1}, {1260, 17, 5}};
  for (const auto& c : cas) EXPECT_EQ(GetNbBarresSelonDureeNote(c.duree, c.tuplet), c.beams) << c.duree;
}

}  // namespace

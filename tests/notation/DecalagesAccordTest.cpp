// Chord offsets, accidental columns, stem starts by head shape, sign colours,
// the beam-link test of a chord and the pieces a long note is printed in.
#include "NotationFixtures.h"
#include "model/BarTableFixtures.h"
#include "model/QrvLiaison.h"
#include "notation/DecalagesAccord.h"
#include "notation/SCleGraf.h"
#include "system/Couleurs.h"

namespace {

struct DecalagesTest : BarTableTest {
  Portee** staff = nullptr;
  DecalagesTest() {
    Mesures(4);
    staff = Portee0();
    (*staff)->largeurTete = 8;
  }
  Signe& S(int32_t i) {
    int32_t n;
    return GetSignesPortee(staff, &n)[i];
  }
  std::vector<int32_t> Pieces(int32_t index, int32_t lastBar = 100) {
    Handle h = CvtNoteEnListeNotesLieesBorne(staff, index, 0, lastBar, -1);
    std::vector<int32_t> out;
    for (int32_t i = 0; h && i < GetHandleSize(h) / int32_t(sizeof(Signe)); i++)
      out.push_back(reinterpret_cast<const Signe*>(*h)[i].duree);
    DisposeHandle(h);
    return out;
  }
};

TEST_F(DecalagesTest, HeadShiftInsideTheTimeSlot) {
  AjouteSigne(staff, 60, 40320);  // first chord of bar 0
  AjouteSigne(staff, 62, 40320);
  AjouteSigne(staff, 64, 120960);  // runs past the bar end
  AjouteSigne(staff, 65, 40320);
  auto X = [&](int32_t t) { return CvtTempsEnPixelEcran(score, t); };
  // -100 on the first chord of a bar: halfway back to the end of the clef area.
  S(0).decalageTetePourcent = -100;
  const int32_t gauche = CvtMesureEnPixelEcran(score, 0) - CalculeMargeEcranApresCle(score, 0);
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 0), int16_t(-((X(0) - gauche) / 2)));
  // -50 on the second: a quarter of the way back to the previous chord.
  S(1).decalageTetePourcent = -50;
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 1), int16_t((X(40320) - X(0)) / 2 * -50 / 100));
  // +100 past the bar end: towards the next bar's start, less a head.
  S(2).decalageTetePourcent = 100;
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 2), int16_t((X(161280) - X(80640)) / 2 - 8));
  // None, out of range, a drum staff.
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 3), 0);
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 9), 0);
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, -1), 0);
  (*staff)->type = kTypePorteeBatterie;
  EXPECT_EQ(CalculeDecalageCorpsAccord(nullptr, staff, 2), 0);
}

TEST(DecalagesAccord, StemStartByHeadShape) {
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  const struct {
    int16_t shape;
    int16_t down, up, downInverted, upInverted;
  } cas[] = {{0, 1, -1, -1, 1},  {1, 3, 3, 3, 3},    {3, 3, -3, 3, -3}, {8, 3, -3, 3, -3},    {11, 3, -3, 3, -3},
             {20, 3, -3, 3, -3}, {23, 3, -3, 3, -3}, {6, 1, -1, 1, -1}, {10, -1, -1, -1, -1}, {14, -3, -3, -3, -3},
             {22, 4, -4, 4, -4}, {2, 0, 0, 0, 0},    {99, 0, 0, 0, 0}};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.shape);
    EXPECT_EQ(GetOffsetYEcranTigeFnCorps(c.shape, 1, 0), c.down);
    EXPECT_EQ(GetOffsetYEcranTigeFnCorps(c.shape, 0, 0), c.up);
    EXPECT_EQ(GetOffsetYEcranTigeFnCorps(c.shape, 1, 1), c.downInverted);
    EXPECT_EQ(GetOffsetYEcranTigeFnCorps(c.shape, 0, 1), c.upInverted);
  }
  SetDpiDest(dpi);
}

TEST(DecalagesAccord, AccidentalColumns) {
  // Three accidentals 2 interlines apart with a least gap of 2.5: the first
  // and third in the right column, the second one column to the left.
  PosAlteration t[3] = {{100, 0}, {100, 12}, {100, 24}};
  EviteChevauchementTableauPosAlteration(t, 3, 6.0f);
  const float pas = 6.0f + 6.0f / 16.0f * 4.0f;
  EXPECT_EQ(t[0].x, 100.0f);
  EXPECT_EQ(t[1].x, 100.0f - pas);
  EXPECT_EQ(t[2].x, 100.0f);
  for (const auto& a : t) EXPECT_EQ(a.y, kAlterationPlacee);
  // Far enough apart: one column; one already placed keeps its x.
  PosAlteration u[3] = {{100, 0}, {90, kAlterationPlacee}, {104, 40}};
  EviteChevauchementTableauPosAlteration(u, 3, 6.0f);
  EXPECT_EQ(u[0].x, 90.0f);
  EXPECT_EQ(u[2].x, 90.0f);
  // Extreme positions still end: the first of each column is always placed.
  PosAlteration v[3] = {{100, -1.0e6f}, {100, -40000}, {100, 1.0e7f}};
  EviteChevauchementTableauPosAlteration(v, 3, 6.0f);
  for (const auto& a : v) EXPECT_EQ(a.y, kAlterationPlacee);
  EviteChevauchementTableauPosAlteration(v, 0, 6.0f);
  EviteChevauchementTableauPosAlteration(nullptr, 3, 6.0f);
}

TEST_F(DecalagesTest, SignColoursAndBeamLinks) {
  SetForeColorSigne(staff, 5);
  EXPECT_EQ(GetLastForeColor(), 5);
  (*staff)->modeGrise = 1;
  SetForeColorSigne(staff, 5);
  EXPECT_EQ(GetLastForeColor(), 247);
  // A chord of two with a beam link leaving its second note.
  AjouteSigne(staff, 60, 20160, 100, kSigneAccordSuite);
  AjouteSigne(staff, 64, 20160);
  AjouteSigne(staff, 65, 20160);
  AjouteSigne(staff, 67, 20160);
  ASSERT_EQ(SetLiaison(staff, 1, staff, 3, kLiaisonAccroche), 1);
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  EXPECT_EQ(HasAccrocheSpeciale(staff, s, 0), 1);
  EXPECT_EQ(HasAccrocheSpeciale(staff, s, 1), 1);
  EXPECT_EQ(HasAccrocheSpeciale(staff, s, 2), 0);
  EXPECT_EQ(HasAccrocheSpeciale(staff, s, 3), 1);
  const Signe copie[4] = {s[0], s[1], s[2], s[3]};
  EXPECT_EQ(HasAccrocheSpeciale(staff, copie, 0), 0);  // not the staff's own notes
}

TEST_F(DecalagesTest, PrintedPiecesOfALongNote) {
  AjouteSigne(staff, 60, 80640);
  AjouteSigne(staff, 62, 161280);  // a whole note from the middle of bar 0
  AjouteSigne(staff, 64, 241920);  // a dotted whole from the middle of bar 1
  AjouteSigne(staff, kSigneSilence, 161280);
  EXPECT_EQ(Pieces(1), (std::vector<int32_t>{80640, 80640}));
  EXPECT_EQ(Pieces(2), (std::vector<int32_t>{80640, 161280}));
  EXPECT_EQ(Pieces(3), (std::vector<int32_t>{161280}));
  EXPECT_EQ(Pieces(2, 1), (std::vector<int32_t>{80640}));  // up to bar 1 only
  EXPECT_TRUE(Pieces(9).empty());
  // A first-piece limit cuts the first piece shorter.
  S(1).premierePartieLiee = 40320;
  EXPECT_EQ(Pieces(1), (std::vector<int32_t>{40320, 40320, 80640}));
  S(1).premierePartieLiee = 0;
  // A note that runs on across a bar whose notes are not cut stays whole where it can.
  GetLignesTabElt((*score)->tabEltMesure[0])[1].etatDecoupeNote = 1;
  EXPECT_EQ(Pieces(1), (std::vector<int32_t>{161280}));
  GetLignesTabElt((*score)->tabEltMesure[0])[1].etatDecoupeNote = 0;
  // While the staff cuts no note at bar lines, a whole stays whole.
  (*staff)->sansDecoupeMesure = 1;
  EXPECT_EQ(Pieces(1), (std::vector<int32_t>{161280}));
  (*staff)->sansDecoupeMesure = 0;
  // A note printed in two pieces counts as tied.
  EXPECT_TRUE(IsNoteLiee(staff, 1));
  EXPECT_FALSE(IsNoteLiee(staff, 0));
}

TEST_F(DecalagesTest, DisplayedPiecesOfAChord) {
  AjouteSigne(staff, 60, 80640);
  AjouteSigne(staff, 62, 161280, 100, kSigneAccordSuite);
  AjouteSigne(staff, 65, 161280);
  Handle h = CvtNoteEnAffCorps(staff, 1, 80640, 0, 0, 1, 5);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(GetHandleSize(h), Size(2 * sizeof(AffCorps)));
  const AffCorps* a = reinterpret_cast<const AffCorps*>(*h);
  EXPECT_EQ(a[0].note.dureeEcrite, 80640);
  EXPECT_EQ(a[1].note.dureeEcrite, 80640);
  EXPECT_EQ(a[0].x, CvtTempsEnPixelEcran(score, 80640) + 5);
  EXPECT_EQ(a[1].x, CvtTempsEnPixelEcran(score, 161280) + 5);
  EXPECT_GT(a[0].xTete, a[0].x);  // stems up: the stem side is right of the head's x
  DisposeHandle(h);
  // Negative bar: no bar limit.
  h = CvtNoteEnAffCorps(staff, 1, 80640, -1, 0, 0, 0);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), Size(sizeof(AffCorps)));
  DisposeHandle(h);
  EXPECT_EQ(CvtNoteEnAffCorps(staff, 7, 0, 0, 0, 0, 0), nullptr);
}

}  // namespace

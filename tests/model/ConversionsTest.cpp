// Conversions between ticks, bars, note indexes and page pixels.
#include <cstring>
#include <vector>

#include "BarTableFixtures.h"
#include "model/Document.h"
#include "model/Tonalite.h"

namespace {

TEST_F(BarTableTest, TicksAndBarsConvertBothWaysAndExtrapolate) {
  Mesures(4);
  struct Cas {
    int32_t tick;
    int16_t mesure;
  } cas[] = {{-5, -1},    {-2, -1},    {-1, 0},     {0, 0},      {161278, 0},     {161279, 1},
             {161280, 1}, {483839, 3}, {645119, 4}, {645120, 4}, {161280 * 6, 6}, {161280 * 6 - 2, 5}};
  for (const Cas& c : cas) EXPECT_EQ(CvtTempsEnMesure(score, c.tick), c.mesure) << c.tick;
  EXPECT_EQ(CvtMesureEnTemps(score, 6), 161280 * 6);
  EXPECT_EQ(CvtMesureEnTemps(score, -3), 0);
  EXPECT_EQ(CvtMesureEnTemps(score, 3), 483840);
  // A huge tick does not wrap.
  EXPECT_EQ(CvtTempsEnMesure(score, INT32_MAX), 3 + (2147483648 - 483840) / 161280);

  // Past the end, the last bar's division is used.
  FixeSignature(3, 3, 4);
  EXPECT_EQ(CvtMesureEnTemps(score, 5), 483840 + 2 * 120960);
  EXPECT_EQ(CvtTempsEnMesure(score, 483840 + 2 * 120960), 5);
  EXPECT_EQ(CvtMesureEnDureeMesure(score, 99), 120960);
  EXPECT_EQ(CvtMesureEnDureeMesure(score, -7), 161280);
}

TEST_F(BarTableTest, WhileTimesAreStaleBarStartsAreSummed) {
  Mesures(3);
  FixeSignature(0, 2, 4);
  // Inside a rebuild the times bit stays pending: the sum answers.
  (*score)->masqueModifieTabElt = kTabEltTemps;
  (*score)->reentranceTabElt = 1;
  EXPECT_EQ(CvtMesureEnTemps(score, 2), 80640 + 161280);
  EXPECT_EQ(CvtMesureEnTemps(score, 5), 80640 + 4 * 161280);
  EXPECT_EQ(CvtMesureEnTemps(score, INT32_MAX), INT32_MAX);  // at once, not bar by bar
  (*score)->reentranceTabElt = 0;
  EXPECT_EQ(CvtMesureEnTemps(score, 2), 80640 + 161280);
  EXPECT_EQ(Ligne(2).debutTemps, uint32_t(80640 + 161280));
}

TEST_F(BarTableTest, ScoresWithoutTablesAnswerDefaults) {
  EXPECT_EQ(CvtTempsEnMesure(nullptr, 5000), 0);
  EXPECT_EQ(CvtTempsEnMesure(score, 5000), 0);
  EXPECT_EQ(CvtMesureEnTemps(score, 3), 0);
  EXPECT_EQ(CvtMesureEnDureeMesure(score, 3), 161280);
  EXPECT_EQ(CvtMesureEnNbTemps(score, 0), 1);
  DivisionTemporelle d;
  CvtMesureEnDivisionTemporelle(score, 0, &d);
  EXPECT_EQ(d.numerateur, 4);
  EXPECT_EQ(d.groupePar4, 1);
  EXPECT_EQ((*score)->tabEltMesure[0], nullptr);
  // Asking for the screen table builds it.
  EXPECT_EQ(CalculeMargeEcranApresCle(score, 0), 16);
  EXPECT_EQ(GetNbMesuresTabEltRuban(score), 1);
}

TEST(BarDurations, SignaturesGiveDurationsAndBeats) {
  struct Cas {
    int16_t num, den;
    int32_t duree;
  } cas[] = {{4, 4, 161280}, {3, 4, 120960},  {6, 8, 120960},  {5, 16, 50400},        {4, 0, 161280},
             {0, 4, 161280}, {-3, 4, 161280}, {3, -4, 161280}, {32767, 1, INT32_MAX}, {1, 32767, 4}};
  for (const Cas& c : cas) {
    TabEltMesure row{};
    row.division.numerateur = c.num;
    row.division.denominateur = c.den;
    EXPECT_EQ(GetDureeMesureElt(&row), c.duree) << c.num << "/" << c.den;
  }
  EXPECT_EQ(GetDureeMesureElt(nullptr), 161280);
  const int16_t nums[] = {6, 9, 20, 1, 0, 10, 12, 7, 14, 11, -2};
  const int16_t beats[] = {2, 3, 5, 1, 0, 5, 4, 7, 7, 11, 0};
  for (size_t i = 0; i < sizeof nums / sizeof nums[0]; i++) EXPECT_EQ(GetNbBeat(nums[i]), beats[i]) << nums[i];
}

TEST_F(BarTableTest, BeatsOfABarNeverFallBelowOne) {
  Mesures(2);
  FixeSignature(1, 0, 4);
  EXPECT_EQ(CvtMesureEnNbTemps(score, 1), 1);
  EXPECT_EQ(CvtMesureEnNbTemps(score, 0), 4);
  EXPECT_EQ(CvtMesureEnDureeMesure(score, 1), 161280);
}

TEST_F(BarTableTest, DurationsInPixelsFollowTheDestinationResolution) {
  EXPECT_EQ(CvtDureeEnPixelEcran(score, 40320), 40);
  EXPECT_EQ(CvtDureeEnPixelEcran(score, 2520), 3);  // 2.5 rounds away from zero
  EXPECT_EQ(CvtPixelEcranEnDuree(score, 40), 40320);
  // Single precision: 8795303 x 1/1008 rounds to 8726, not 8725.
  EXPECT_EQ(CvtDureeEnPixelEcran(score, 8795303), 8726);
  SetDpiDest(144);
  EXPECT_EQ(CvtDureeEnPixelEcran(score, 40320), 80);
  EXPECT_EQ(CvtPixelEcranEnDuree(score, 80), 40320);
  SetDpiDest(72);
}

TEST_F(BarTableTest, PageXOfTicksAndBars) {
  Mesures(4);
  EXPECT_EQ(CvtTempsEnPixelEcran(score, 0), 16);
  // 40 pixels x 0.001 x 999.999 truncates to 39 in single precision.
  EXPECT_EQ(CvtTempsEnPixelEcran(score, 40320), 55);
  EXPECT_EQ(CvtTempsEnPixelEcran(score, 161280), 192);
  EXPECT_EQ(CalculeDebutVis(score, 161280), 176);
  EXPECT_EQ(CalculeDebutVis(score, 161281), 192);
  EXPECT_EQ(CvtMesureEnPixelEcran(score, 2), 368);
  EXPECT_EQ(CvtMesureEnPixelEcranDebutMesure(score, 2), 352);
  EXPECT_EQ(CvtMesureEnPixelEcranDebutMesure(score, -2), 0);
  // Bar 6 of 4: two bar widths (160 + 16 after the clef) past the last bar's
  // end, plus Zoom(16) for the music start.
  EXPECT_EQ(CvtMesureEnPixelEcranDebutMesure(score, 6), 704 + 2 * 176);
  EXPECT_EQ(CvtMesureEnPixelEcran(score, 6), 704 + 2 * 176 + 16);
  EXPECT_EQ(CvtMesureEnTaillePixelEcran(score, 6), 176);
  EXPECT_EQ(CvtMesureEnTaillePixelEcran(score, 1), 176);
  // A tick past the end: the margins after the clef of the missing bars.
  EXPECT_EQ(CvtTempsEnPixelEcran(score, 161280 * 5), 16 + 528 + 159 + 2 * 16 + 160);

  EXPECT_EQ(CvtDureeEnPixelEcranDansMesure(score, 161280, 1), 160);
  EXPECT_EQ(CvtDureeEnPixelEcranDansMesure(score, 80640, 1), 79);
  EXPECT_EQ(CvtDureeEnPixelEcranDansMesure(score, 80640, 9), 80);

  struct Cas {
    int32_t mesure;
    int16_t gauche, debut, droite, utile, cle, apresCle;
  } cas[] = {{1, 16, 16, 0, 160, 0, 16}, {9, 0, 16, 0, 160, 0, 16}, {-1, 0, 16, 0, 0, 0, 16}};
  for (const Cas& c : cas) {
    EXPECT_EQ(CvtMesureEnMargeGaucheMesureEcran(score, c.mesure), c.gauche) << c.mesure;
    EXPECT_EQ(CalculeMargeDebutMesureEcran(score, c.mesure), c.debut) << c.mesure;
    EXPECT_EQ(CvtMesureEnMargeDroiteMesureEcran(score, c.mesure), c.droite) << c.mesure;
    EXPECT_EQ(CvtMesureEnTailleUtileMesureEcran(score, c.mesure), c.utile) << c.mesure;
    EXPECT_EQ(CvtMesureEnTailleEcranClePixel(score, c.mesure), c.cle) << c.mesure;
    EXPECT_EQ(CalculeMargeEcranApresCle(score, c.mesure), c.apresCle) << c.mesure;
  }
}

// Builds notes by hand: a quarter, a half-note chord (two records), a rest,
// a quarter.
struct NoteIndexTest : BarTableTest {
  Portee** staff = nullptr;
  void SetUp() override {
    Mesures(4);
    staff = Portee0();
    // No clef, key or time signature: the bars start right after their margin.
    FixeVisibleMesure(score, staff, 0, 0, kVisibleClef | kVisibleArmure | kVisibleSignature);
    AjouteSigne(staff, 60, 40320);
    AjouteSigne(staff, 64, 80640, 100, kSigneAccordSuite);
    AjouteSigne(staff, 60, 80640);
    AjouteSigne(staff, kSigneSilence, 40320);
    AjouteSigne(staff, 67, 40320);
  }
  Signe* Notes() { return reinterpret_cast<Signe*>(*(*staff)->notes); }
  // Inserts a record at an index the way note edits do, then invalidates.
  void Insere(int32_t index, int8_t kind, int32_t duree) {
    AjouteSigne(staff, kind, duree);
    int32_t n = (*staff)->nbNotes;
    Signe s = Notes()[n - 1];
    std::memmove(&Notes()[index + 1], &Notes()[index], size_t(n - 1 - index) * sizeof(Signe));
    Notes()[index] = s;
    ClrTurboCvtTempsEnIndexNote(staff, index);
  }
};

TEST_F(NoteIndexTest, NoteIndexesAndTicksRoundTrip) {
  const int32_t debuts[] = {0, 40320, 40320, 120960, 161280};
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), debuts[i]) << i;
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, 5), 201600);  // the end of the last note
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, 50), 201600);
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, -1), 0);
  EXPECT_EQ(Notes()[4].debut, 161280);  // cached by the walk

  // Each start finds the first note starting there (a chord's first record),
  // whichever way the searches go.
  const int32_t attendus[] = {0, 1, 1, 3, 4};
  for (int32_t i = 4; i >= 0; i--) EXPECT_EQ(CvtTempsEnIndexNote(staff, debuts[i]), attendus[i]) << i;
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(CvtTempsEnIndexNote(staff, debuts[i]), attendus[i]) << i;
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 40321), 3);  // inside the chord: the next note
  EXPECT_EQ(GetTempsLastCvtTempsEnIndxNote(), 120960);
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 999999), 5);
  EXPECT_EQ(CvtTempsEnIndexNote(staff, -10), 0);
  EXPECT_EQ(CvtIndexNoteEnMesure(staff, 4), 1);
  EXPECT_EQ(CvtMesureEnIndexNote(score, staff, 1), 4);

  // An insertion at index 3 leaves the earlier starts cached and recomputes
  // the later ones from note 2.
  CvtTempsEnIndexNote(staff, 161280);  // search cache beyond the change
  Insere(3, 62, 20160);
  EXPECT_EQ((*staff)->turboIndex, 0);
  EXPECT_EQ((*staff)->dureeCache, -1);
  EXPECT_EQ(Notes()[2].debut, 40320);
  for (int32_t i = 3; i < 6; i++) EXPECT_EQ(Notes()[i].debut, -1) << i;
  const int32_t nouveaux[] = {0, 40320, 40320, 120960, 141120, 181440};
  for (int32_t i = 0; i < 6; i++) {
    EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), nouveaux[i]) << i;
    EXPECT_EQ(CvtTempsEnIndexNote(staff, nouveaux[i]), i == 2 ? 1 : i) << i;
  }
  // Inserting at the front restarts the walk at note 0.
  Insere(0, 55, 10080);
  EXPECT_EQ(CvtIndexNoteEnTemps(staff, 6), 181440 + 10080);
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 10080), 1);
}

TEST_F(NoteIndexTest, FillerRestsCatchTicksFarBeforeTheirEnd) {
  DisposeNotes(staff);
  AjouteSigne(staff, kSigneSilenceFantome, 161280);
  AjouteSigne(staff, 60, 40320);
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 1000), 0);
  EXPECT_EQ(GetTempsLastCvtTempsEnIndxNote(), 0);
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 161280 - 2000), 1);  // within 2520 of its end
  // An ordinary note gives the next index; so does a drum staff.
  Notes()[0].kind = 60;
  (*staff)->turboIndex = (*staff)->turboTemps = 0;
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 1000), 1);
  Notes()[0].kind = kSigneSilenceFantome;
  (*staff)->type = kTypePorteeBatterie;
  (*staff)->turboIndex = (*staff)->turboTemps = 0;
  EXPECT_EQ(CvtTempsEnIndexNote(staff, 1000), 1);
  (*staff)->type = kTypePorteeStandard;
}

TEST_F(NoteIndexTest, NotesOnThePageAndWholeBarRests) {
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 0), 16);
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 1), 55);
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 4), 192);

  // A whole-bar rest at bar 1 is centred over the bar.
  DisposeNotes(staff);
  AjouteSigne(staff, 60, 161280);
  AjouteSigne(staff, kSigneSilence, 161280);
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 1), 176 + 88);
  // Cut over a line end, bars 1 and 2 are one: the rest is centred over both.
  Ligne(1).continueLigneSuivante = 1;
  Ligne(1).sautSysteme = 1;
  Ligne(2).nonComptee = 1;
  EXPECT_TRUE(IsMesureDecoupee(score, 1));
  EXPECT_FALSE(IsMesureDecoupee(score, 3));
  EXPECT_EQ(DureeMesuresDecoupees(score, 1), 2 * 161280);
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 1), 192);  // a bar long only: not centred
  Notes()[1].duree = 2 * 161280;
  EXPECT_EQ(CvtIndexNoteEnPixelEcran(staff, 1), 176 + 176);
  EXPECT_EQ(CvtMesureDecoupeeEnPixelEcran(score, 1), 352);
}

TEST_F(BarTableTest, NoteIndexesRoundTripAfterInsertions) {
  Mesures(8);
  Portee** staff = Portee0();
  // Notes inserted out of order, chords and rests among them.
  const struct {
    int8_t kind;
    int32_t duree, tick;
  } ajouts[] = {{60, 40320, 0},      {62, 80640, 161280},           {64, 40320, 40320},
                {67, 40320, 40320},  {kSigneSilence, 20160, 80640}, {65, 161280, 322560},
                {55, 20160, 100800}, {71, 40320, 161280},           {72, 10080, 483840}};
  for (const auto& a : ajouts) {
    Signe note;
    RazNote(&note, a.kind, a.duree);
    InsereNote(staff, &note, a.tick);
    int32_t n = (*staff)->nbNotes;
    const Signe* s = reinterpret_cast<const Signe*>(*(*staff)->notes);
    // Expected starts by a plain walk over the records.
    std::vector<int32_t> debuts(size_t(n) + 1);
    int32_t t = 0;
    for (int32_t i = 0; i < n; i++) {
      debuts[size_t(i)] = t;
      if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
    }
    for (int32_t i = n - 1; i >= 0; i--) {
      SCOPED_TRACE(testing::Message() << "after tick " << a.tick << ", note " << i);
      EXPECT_EQ(CvtIndexNoteEnTemps(staff, i), debuts[size_t(i)]);
      int32_t premier = i;
      while (premier > 0 && debuts[size_t(premier - 1)] == debuts[size_t(i)]) premier--;
      EXPECT_EQ(CvtTempsEnIndexNote(staff, debuts[size_t(i)]), premier);
      EXPECT_EQ(GetTempsLastCvtTempsEnIndxNote(), debuts[size_t(i)]);
    }
    EXPECT_EQ(CvtIndexNoteEnTemps(staff, n), t);
  }
}

TEST_F(BarTableTest, WindowPositionsInPageModesAreThePageX) {
  Mesures(2);
  (*score)->modeEcran = 2;
  (*score)->tabEltMesure[2] = DupHandle((*score)->tabEltMesure[0]);
  EXPECT_EQ(CvtPixelEnPosEcr(doc, 300), 300);
  EXPECT_EQ(CvtMesureEnPosEcrDebutMesure(doc, 1), 176);
  (*score)->modeEcran = 0;
  doc->rectContenu.left = 10;
  (*score)->margeGaucheEcran = 5;
  EXPECT_EQ(CvtPixelEnPosEcr(doc, 300), 300 + 10 + 12 + 5);
  EXPECT_EQ(CvtTempsEnPosEcr(doc, 0), 16 + 27);
  EXPECT_EQ(CvtMesureEnPosEcr(doc, 1), 192 + 27);
}

}  // namespace

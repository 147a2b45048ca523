// Accidental spelling: pitches spelled in their key, the accidentals in force
// through a bar (over merged staves, grace notes, hidden accidentals and the
// octave switch), the change mark, and the pitch at a line.
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "model/BarTableFixtures.h"
#include "model/ParamEffet.h"
#include "model/Tonalite.h"
#include "model/TonaliteMaths.h"
#include "notation/Alterations.h"

namespace {

constexpr int32_t kNoire = 40320;

Tonalite Cle(int16_t index) {
  Tonalite k;
  CvtTonaliteStdEnTonalite(index, 1, &k);
  return k;
}

struct AlterationsTest : BarTableTest {
  Portee** staff = nullptr;
  AlterationsTest() {
    Mesures(4);
    staff = Portee0();
  }
  ~AlterationsTest() override {
    GModeGraphique.drapeaux[1] = 0;
    marqueChangementAlteration = kMGMarqueChangementAlteration;
    SetPriseEnCompteAlterations(1);
  }
  void Cle(Portee** s, int16_t bar, int16_t index) {
    Tonalite k = ::Cle(index);
    InsereEltTabTonalite(s, bar, &k, nullptr, kVisibleArmure, 0, kLienTonaliteAucun);
  }
  // Quarter notes (pitch, accidental byte) on a staff.
  static void Notes(Portee** s, std::vector<std::pair<int8_t, uint8_t>> notes) {
    for (auto [pitch, acc] : notes) {
      AjouteSigne(s, pitch, kNoire);
      int32_t n;
      GetSignesPortee(s, &n)[n - 1].alteration = acc;
    }
  }
  // The shown code of each note of a staff, spelled where it is drawn.
  static std::vector<int> Montrees(Portee** s) {
    std::vector<int> out;
    int32_t n;
    GetSignesPortee(s, &n);
    for (int32_t i = 0; i < n; i++) {
      const Signe note = GetSignesPortee(s, &n)[i];
      uint8_t shown = 99;
      int16_t line = 0;
      CalcPosAlterationFnNote(s, &note, &line, &shown, i, CvtIndexNoteEnTemps(s, i));
      out.push_back(shown);
    }
    return out;
  }
};

TEST(Alterations, SpellingInAKey) {
  const struct {
    int16_t key, pitch;
    uint8_t requested;
    int16_t line;
    uint8_t code, shown;
  } cas[] = {
      {1, 66, 2, 38, 1, 2},      // G major: F sharp is the key's, nothing printed
      {1, 65, 2, 38, 0, 0},      // F natural prints a natural
      {0, 61, 1, 35, 1, 1},      // a requested sharp: C sharp
      {0, 61, 3, 36, 3, 3},      // a requested flat: D flat
      {0, 61, 2, 35, 1, 1},      // the default spelling of a black key
      {0, 70, 2, 41, 3, 3},      // A sharp is written B flat
      {8, 70, 2, 41, 3, 2},      // ... which F major holds
      {0, 61, 0, 35, 1, 1},      // a natural on a black key falls back to the spelling
      {0, 61, 6, 35, 1, 1},      // so does a code that means nothing
      {0, 60, 2 | 8, 35, 0, 0},  // always shown: the natural of C
      {0, 0, 1, -1, 1, 1},       // B sharp below the lowest C: the octave below, not 0
      {0, -1, 1, 0, 2, 2},       // a rest has no accidental
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(testing::Message() << c.key << " " << c.pitch << " " << int(c.requested));
    const Tonalite k = Cle(c.key);
    for (int l = 0; l < kNbLignesAlteration; l++) AlterationCourante[l] = k.alterations[l % 7];
    uint8_t acc = c.requested, shown = 99;
    int16_t line = 99;
    EXPECT_EQ(CalcLigneEtAlterationTheoriques(&k, c.pitch, &acc, &shown, &line), c.shown);
    EXPECT_EQ(line, c.line);
    EXPECT_EQ(acc, c.code);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST_F(AlterationsTest, AccidentalsHoldToTheEndOfTheBar) {
  // C major: F#, F#, F natural, F# | F# hidden, F#, F#, G.
  Notes(staff, {{66, 2}, {66, 2}, {65, 2}, {66, 2}, {66, 2 | kAlterationMasquee}, {66, 2}, {66, 2}, {67, 2}});
  // A hidden sharp is still required but is not in force for the next F.
  EXPECT_EQ(Montrees(staff), (std::vector<int>{1, 2, 0, 1, 1, 1, 2, 2}));
  // Without recording the table is neither reset nor written.
  CalculeAlterationsJusquaNous(staff, 3, 3 * kNoire, nullptr, 0);
  ASSERT_EQ(AlterationCourante[38], 0);
  SetPriseEnCompteAlterations(0);
  CalculeAlterationsJusquaNous(staff, 2, 2 * kNoire, nullptr, 0);
  EXPECT_EQ(AlterationCourante[38], 0);
  SetPriseEnCompteAlterations(1);
  CalculeAlterationsJusquaNous(staff, 2, 2 * kNoire, nullptr, 0);
  EXPECT_EQ(AlterationCourante[38], 1);
}

TEST_F(AlterationsTest, KeysChordsAndOctaves) {
  Cle(staff, 1, 1);  // G major from bar 1
  // Bar 0: a chord F#4 + F#6, then F#6, C, C. Bar 1: F4, F5, F#4, C.
  Notes(staff, {{66, 2}, {78, 2}, {78, 2}, {60, 2}, {60, 2}, {65, 2}, {77, 2}, {66, 2}, {60, 2}});
  int32_t n;
  GetSignesPortee(staff, &n)[0].flags |= kSigneAccordSuite;
  // The chord's own notes do not hold for each other; each octave is a line of its own.
  EXPECT_EQ(Montrees(staff), (std::vector<int>{1, 1, 2, 2, 2, 0, 0, 1, 2}));
  // With accidentals holding in every octave, F natural holds on F5 too.
  GModeGraphique.drapeaux[1] = 1;
  EXPECT_EQ(Montrees(staff), (std::vector<int>{1, 1, 2, 2, 2, 0, 2, 1, 2}));
  // Drums on a standard staff are spelled in C whatever their key.
  GModeGraphique.drapeaux[1] = 0;
  (*staff)->type = kTypePorteeBatterieStd;
  EXPECT_EQ(Montrees(staff)[5], 2);
}

TEST_F(AlterationsTest, MergedStavesShareTheirAccidentals) {
  Portee** bas = NewPortee(score, kTypePorteeStandard);
  Fusionne(score, 0, 1, 0);
  Notes(staff, {{66, 2}, {60, 2}, {60, 2}, {60, 2}});
  Notes(bas, {{48, 2}, {48, 2}, {54, 2}, {66, 2}});
  // F#3 is another line; F#4 on the lower staff was sharpened on the upper.
  EXPECT_EQ(Montrees(bas), (std::vector<int>{2, 2, 1, 2}));
  (*staff)->modeFusion = kFusionAucune;
  (*staff)->fusionneAvecSuivante = 0;
  (*bas)->modeFusion = kFusionAucune;
  EXPECT_EQ(Montrees(bas), (std::vector<int>{2, 2, 1, 1}));
}

TEST_F(AlterationsTest, GraceNotesCountBeforeTheirNote) {
  Notes(staff, {{67, 2}, {66, 2}, {67, 2}, {66, 2}});
  // A grace F# before the first G; a grace F# after the third note.
  ASSERT_EQ(AddGraceNote(staff, 0, 0, uint8_t(-1), 2, 0, 0xFFFF), 1);
  ASSERT_EQ(AddGraceNote(staff, 2, 1, uint8_t(-2), 0, 0, 0xFFFF), 1);
  // The after-grace natural of note 2 has not sounded when note 2 starts,
  // but holds by the time note 3 is drawn.
  EXPECT_EQ(Montrees(staff), (std::vector<int>{2, 2, 2, 1}));
  // A grace note spelled where it is drawn records its own accidental.
  CalculeAlterationsJusquaNous(staff, 1, kNoire, nullptr, 0);
  Signe grace{};
  grace.kind = 65;
  grace.alteration = 2;
  int16_t line = 0;
  uint8_t shown = 0;
  CalcPosAlterationGraceNote(staff, &grace, kNoire, &line, &shown);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(AlterationCourante[38], 0);
}

TEST_F(AlterationsTest, ChangeMarkWhenTheAccidentalMovesTwoSemitones) {
  marqueChangementAlteration = 1;
  // F double sharp (written on pitch 67), then F natural, then F sharp.
  Notes(staff, {{67, 4}, {65, 0}, {66, 1}, {60, 2}});
  const std::vector<int> montrees = Montrees(staff);
  EXPECT_EQ(montrees[0], 4);
  EXPECT_EQ(montrees[1], 0 | kAlterationChangement);
  EXPECT_EQ(montrees[2], 1);  // from a natural: no mark
}

TEST_F(AlterationsTest, PitchAtALine) {
  const Tonalite g = ::Cle(1);
  const struct {
    int16_t line;
    int32_t tick;
    uint8_t acc;
    int16_t pitch;
    int16_t code;
  } cas[] = {
      {75, -1, 4, 127, 2},                              // A10 double sharp: held at 127, no accidental
      {-1, -1, 0, 0, 2},                                // below the lowest C: held at 0
      {35, -1, 2, 60, 2},                               // C5 in G major
      {38, -1, 2, 66, 2},                               // F5 in G major takes the key's sharp
      {38, -1, 3, 64, 3},  {38, 2 * kNoire, 2, 65, 2},  // after F natural in the bar
      {-8, -1, 1, 0, 2},                                // B sharp two octaves down still clamps
  };
  Cle(staff, 0, 1);
  Notes(staff, {{65, 0}, {67, 2}, {67, 2}, {67, 2}});
  for (const auto& c : cas) {
    SCOPED_TRACE(c.line);
    int16_t note = -5;
    EXPECT_EQ(CalcNoteFnPosAlteration(staff, c.line, c.tick, c.acc, &g, &note), c.code);
    EXPECT_EQ(note, c.pitch);
  }
}

TEST(Alterations, ShiftsAndKeySpelling) {
  const int16_t shifts[] = {0, 1, 0, -1, 2, -2, 0, 0};
  for (uint8_t code = 0; code < 8; code++) EXPECT_EQ(CvtAlterationEnDecalageDemiTon(code), shifts[code]);
  const struct {
    int16_t pitch, key, step;
    uint8_t code;
  } cas[] = {{66, 1, 3, 1}, {61, 0, 0, 1}, {70, 8, 6, 3}, {-2, 8, 6, 3}, {60, 7, 6, 1}};
  for (const auto& c : cas) {
    const Tonalite k = Cle(c.key);
    int16_t step = -1;
    uint8_t code = 99;
    EXPECT_EQ(CalculeNoteFnTonalite(c.pitch, &k, &step, &code), c.step) << c.pitch;
    EXPECT_EQ(step, c.step);
    EXPECT_EQ(code, c.code);
  }
}

}  // namespace

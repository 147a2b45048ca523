// Note effects: the effect list with free-slot reuse, marks and what they do
// to the note, arpeggios and grace notes.
#include <gtest/gtest.h>

#include "ModelFixtures.h"
#include "model/ParamEffet.h"
#include "model/QrvLiaison.h"

namespace {

struct EffetsTest : ::testing::Test {
  Document* doc = NouveauDocument();
  Partition** score = CreePartitionVide(doc);
  Portee** staff = CreePorteeVide(score, kTypePorteeStandard, 1, 0);
  ~EffetsTest() override { LibereDocument(doc); }

  Signe& S(int32_t i) { return reinterpret_cast<Signe*>(*(*staff)->notes)[i]; }
  ParamEffet* E(int32_t note) { return GetParamEffetIndexNote(staff, note); }
};

TEST_F(EffetsTest, FreeSlotsAreReusedAndTheListGrowsBy32) {
  for (int i = 0; i < 5; i++) EXPECT_EQ(NewParamEffet(staff), i);
  DeleteParamEffet(staff, 3);
  EXPECT_EQ(NewParamEffet(staff), 3);
  EXPECT_EQ((*staff)->nbParamEffets, 5);
  // The first record makes a handle of one; the next grows it by 32.
  EXPECT_EQ(GetHandleSize((*staff)->paramEffets), Size(1 + 32) * Size(sizeof(ParamEffet)));

  Handle h = nullptr;
  uint16_t n = 0;
  EXPECT_EQ(NewParamEffetBrt(&h, &n), 0);
  EXPECT_EQ(GetHandleSize(h), Size(sizeof(ParamEffet)));
  for (int i = 1; i < 32; i++) NewParamEffetBrt(&h, &n);
  RetailleHandle(h, 32 * Size(sizeof(ParamEffet)));
  EXPECT_EQ(NewParamEffetBrt(&h, &n), 32);
  EXPECT_EQ(GetHandleSize(h), 64 * Size(sizeof(ParamEffet)));
  const ParamEffet* e = reinterpret_cast<const ParamEffet*>(*h) + 32;
  EXPECT_EQ(e->note, -1);
  EXPECT_EQ(e->arpegePas, 20);
  EXPECT_EQ(e->liaison.porteeSource, 0xFFFF);
  EXPECT_EQ(e->accroche.forme[3], 12);
  EXPECT_EQ(e->accroche.forme[4], 6);
  EXPECT_EQ(e->graces[0].octet5, 255);
  DisposeParamEffetsHandle(h, n);
}

// A note keeps its record's index in 16 signed bits. Past index 32767 no
// record is made for a note: a mark or a tie that needs one fails, and the
// note keeps no index (a wrapped one would be negative), while a free slot
// within reach is still reused.
TEST_F(EffetsTest, NoteRecordsStopAtTheSixteenBitIndex) {
  struct Cas {
    int32_t enUsage, libre, attendu;
  } cas[] = {
      {32767, -1, 32767},  // the last index a note can hold
      {32768, -1, -1},     // full for notes
      {40000, 35000, -1},  // a free slot out of reach does not count
      {40000, 100, 100},   // one within reach is reused
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.enUsage);
    DisposeNotes(staff);
    DisposeParamEffetsPortee(staff);
    for (int i = 0; i < 3; i++) AjouteSigne(staff, int8_t(60 + i), 40320);
    // The records are made in one block: appending 40000 one by one would
    // copy the list each time.
    (*staff)->paramEffets = NewHandleClear(Size(c.enUsage) * Size(sizeof(ParamEffet)));
    ASSERT_NE((*staff)->paramEffets, nullptr);
    (*staff)->nbParamEffets = uint16_t(c.enUsage);
    for (int32_t i = 0; i < c.enUsage; i++) InitDefaultParamEffet(staff, &Effet(staff, i));
    if (c.libre >= 0) Effet(staff, c.libre).libre = 1;

    const int32_t marque = AddMarkNote(staff, 0, kMarkStaccato, 0, 0, 0);
    EXPECT_EQ(S(0).indexParamEffet, c.attendu);
    EXPECT_EQ((*staff)->nbParamEffets, c.enUsage + (c.attendu == c.enUsage ? 1 : 0));
    if (c.attendu < 0) {
      EXPECT_EQ(marque, -1);
      EXPECT_EQ(S(0).pourcentJoue, 100) << "no mark applied without a record";
      // A tie whose destination cannot get a record is not made at all.
      S(1).indexParamEffet = 7;
      Effet(staff, 7).note = 1;
      EXPECT_EQ(SetLiaison(staff, 1, staff, 2, kLiaisonCoule), 0);
      EXPECT_EQ(GetLiaisonSourceNote(staff, 1, nullptr, kLiaisonCoule), 0u);
      EXPECT_EQ(GetLiaisonDestNote(staff, 2, nullptr, kLiaisonCoule), 0u);
      EXPECT_EQ(S(2).indexParamEffet, -1);
    } else {
      EXPECT_EQ(marque, 0);
      ASSERT_NE(E(0), nullptr);
      EXPECT_EQ(GetNbMarksParamEffetPtr(E(0)), 1);
      EXPECT_EQ(S(0).pourcentJoue, 50);
    }
  }
}

TEST_F(EffetsTest, DefaultsFollowTheStaffBeamSizes) {
  (*staff)->aspect.epaisseurBarre = 9;
  (*staff)->aspect.ecartBarre = 4;
  ParamEffet e;
  InitDefaultParamEffet(staff, &e);
  EXPECT_EQ(e.accroche.forme[3], 9);
  EXPECT_EQ(e.accroche.forme[4], 4);
  InitDefaultParamEffet(nullptr, &e);
  EXPECT_EQ(e.accroche.forme[3], 12);
}

// Each mark: what it leaves on the note, and what removing it puts back.
TEST_F(EffetsTest, MarksSetAndRestoreTheNote) {
  struct Cas {
    uint8_t code;
    uint8_t velocite, pourcent;
    uint8_t velociteApres, pourcentApres;
  } cas[] = {
      {60, 64, 50, 64, 100},  {61, 64, 75, 64, 100},   {63, 64, 25, 64, 100},  {55, 100, 100, 64, 100},
      {65, 80, 100, 64, 100}, {67, 80, 35, 64, 100},   {69, 127, 20, 64, 100}, {75, 127, 80, 64, 100},
      {94, 80, 100, 64, 100}, {95, 64, 80, 64, 100},   {101, 64, 10, 64, 100}, {59, 64, 100, 64, 100},
      {11, 30, 100, 64, 100}, {200, 64, 100, 64, 100},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(int(c.code));
    DisposeNotes(staff);
    DisposeParamEffetsPortee(staff);
    AjouteSigne(staff, 60, 40320);
    S(0).velocity = 64;
    ASSERT_EQ(AddMarkNote(staff, 0, c.code, 0, 0, 0), 0);
    EXPECT_EQ(S(0).velocity, c.velocite);
    EXPECT_EQ(S(0).pourcentJoue, c.pourcent);
    if (c.code == 11) {
      EXPECT_EQ(S(0).formeTete, 3);
    }
    SupprimeOrnementNote(staff, 0, 0);
    EXPECT_EQ(S(0).velocity, c.velociteApres);
    EXPECT_EQ(S(0).pourcentJoue, c.pourcentApres);
    EXPECT_EQ(S(0).indexParamEffet, -1) << "an effect record carrying nothing is freed";
  }
}

TEST_F(EffetsTest, MarksSetTheirEffectFlags) {
  AjouteSigne(staff, 60, 40320);
  AddMarkNote(staff, 0, 31, 0, 0, 0);  // trill
  AddMarkNote(staff, 0, 52, 0, 0, 0);  // tremolo
  AddMarkNote(staff, 0, 43, 0, 0, 0);
  AddMarkNote(staff, 0, 79, 0, 0, 0);  // comma
  AddMarkNote(staff, 0, 8, 0, 0, 0);   // bend
  AddMarkNote(staff, 0, 4, 0, 0, 0);   // slide
  ParamEffet* e = E(0);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(GetNbMarksParamEffetPtr(e), 6);
  EXPECT_EQ(e->trille, 1);
  EXPECT_EQ(e->trilleData[0], 31);
  EXPECT_EQ(e->trilleData[3], 100);
  EXPECT_EQ(e->tremolo, 1);
  EXPECT_EQ(e->tremoloValeur, 64);
  EXPECT_EQ(e->flags3[2], 1);
  EXPECT_EQ(e->repetitions[0], 16);
  EXPECT_EQ(int16_t(e->comma), -80);
  EXPECT_EQ(e->bendValeurs[0], 1638400);
  EXPECT_EQ(e->liaison.formeType, kFormeLiaisonGlissando);
  uint8_t actif = 0;
  EXPECT_EQ(IsMarkInParamEffet(e, 52, &actif), 1);
  EXPECT_EQ(actif, 1);
  // A disabled mark sets no flag once the flags are recomputed.
  reinterpret_cast<Mark*>(*e->marks)[1].actif = 0;
  ReajusteParamEffet(e);
  EXPECT_EQ(e->tremolo, 0);
  EXPECT_EQ(e->trille, 1);
  // Without comma marks the comma value goes.
  SupprimeOrnementNote(staff, 0, 3);
  EXPECT_EQ(E(0)->comma, 0);
  SupprimeOrnementNote(staff, 0, 99);  // out of range: nothing
  EXPECT_EQ(GetNbMarksParamEffetPtr(E(0)), 5);
  EXPECT_EQ(GetDoigtePiano(staff, &S(0)), -1);
  AddMarkNote(staff, 0, 25, 0, 0, 0);
  EXPECT_EQ(GetDoigtePiano(staff, &S(0)), 3);
  SuppprimeToutesMarkNotesPortee(staff);
  EXPECT_EQ(S(0).indexParamEffet, -1);
}

TEST_F(EffetsTest, CommaValues) {
  const int16_t attendu[] = {25, -20, -80, 120, 180, -175};
  for (uint8_t c = 77; c <= 82; c++) EXPECT_EQ(GetValCommaStd(c), attendu[c - 77]);
  EXPECT_EQ(GetValCommaStd(76), 0);
  EXPECT_EQ(GetValCommaStd(83), 0);
}

TEST_F(EffetsTest, ArpeggioOffsetsFollowPitch) {
  struct Cas {
    uint16_t descendant;
    int16_t debut, pas;
    int16_t attendu[4];  // by record: 67, 0 (a rest-like pitch 0), 60, 64
  } cas[] = {            // Descending starts from start + (last - first) x step over the
             // chord's records, pitch 0 included.
             {0, 0, 20, {40, 0, 0, 20}},
             {1, 0, 20, {20, 0, 60, 40}},
             {0, 10, 5, {20, 0, 10, 15}}};
  for (const Cas& c : cas) {
    DisposeNotes(staff);
    AjouteSigne(staff, 67, 40320, 100, kSigneAccordSuite);
    AjouteSigne(staff, 0, 40320, 100, kSigneAccordSuite);
    AjouteSigne(staff, 60, 40320, 100, kSigneAccordSuite);
    AjouteSigne(staff, 64, 40320);
    AjouteSigne(staff, 72, 40320);  // the next chord keeps its offset
    AppliqueArpeggio(&S(0), 2, 5, c.debut, c.pas, c.descendant);
    for (int i = 0; i < 4; i++) EXPECT_EQ(S(i).decalageArpege, c.attendu[i]) << i;
    EXPECT_EQ(S(4).decalageArpege, 0);
  }
  // The 'b' mark applies it with the record's start, step and direction;
  // removing it clears the chord.
  int32_t m = AddMarkNote(staff, 3, kMarkArpege, 0, 0, 0);
  EXPECT_EQ(S(2).decalageArpege, 0);
  EXPECT_EQ(S(3).decalageArpege, 20);
  E(3)->arpegeDescendant = 1;
  RecalculeArpeggio(staff);
  EXPECT_EQ(S(0).decalageArpege, 20);
  EXPECT_EQ(S(2).decalageArpege, 60);
  SupprimeOrnementNote(staff, 3, m);
  for (int i = 0; i < 4; i++) EXPECT_EQ(S(i).decalageArpege, 0);
}

TEST_F(EffetsTest, GraceNotes) {
  AjouteSigne(staff, 60, 40320);
  AjouteSigne(staff, kSigneSilence, 40320);
  EXPECT_EQ(AddGraceNote(staff, 1, 0, 2, 2, 0, 0xFFFF), 0);  // a rest takes none
  EXPECT_EQ(AddGraceNote(staff, 5, 0, 2, 2, 0, 0xFFFF), 0);
  for (int i = 0; i < 10; i++) EXPECT_EQ(AddGraceNote(staff, 0, 0, uint8_t(i), 2, 1, 0xFFFF), 1) << i;
  EXPECT_EQ(AddGraceNote(staff, 0, 0, 10, 2, 0, 0xFFFF), 0);
  const ParamEffet* e = E(0);
  for (int i = 0; i < 10; i++) {
    EXPECT_EQ(e->graces[i].utilise, 1);
    EXPECT_EQ(e->graces[i].decalage, i);
    EXPECT_EQ(e->graces[i].octet5, 255);
  }
  // Insertion at a position moves the later slots up.
  DisposeNotes(staff);
  DisposeParamEffetsPortee(staff);
  AjouteSigne(staff, 60, 40320);
  AddGraceNote(staff, 0, 0, 1, 2, 0, 0xFFFF);
  AddGraceNote(staff, 0, 0, 3, 2, 0, 0xFFFF);
  AddGraceNote(staff, 0, 1, 2, 2, 0, 1);
  e = E(0);
  EXPECT_EQ(e->graces[0].decalage, 1);
  EXPECT_EQ(e->graces[1].decalage, 2);
  EXPECT_EQ(e->graces[1].apres, 1);
  EXPECT_EQ(e->graces[2].decalage, 3);
  EXPECT_EQ(e->graces[3].utilise, 0);
  // A rest's effect record loses its grace notes.
  ParamEffet copie;
  ASSERT_EQ(GetDataParamEffet(staff, S(0).indexParamEffet, &copie), 1);
  AjusteParamEffetSurSilence(&copie);
  EXPECT_EQ(copie.graces[0].utilise, 0);
}

TEST_F(EffetsTest, CopiesOwnTheirMarks) {
  AjouteSigne(staff, 60, 40320);
  AddMarkNote(staff, 0, 60, 0, 0, 0);
  ParamEffet copie;
  ASSERT_EQ(GetDataParamEffet(staff, S(0).indexParamEffet, &copie), 1);
  ASSERT_NE(copie.marks, nullptr);
  EXPECT_NE(copie.marks, E(0)->marks);
  EXPECT_EQ(GetNbMarks(copie.marks), 1);
  DeleteDataParamEffetPtr(&copie);
  EXPECT_EQ(copie.marks, nullptr);
  // Out of range: defaults and 0; a free slot: 0 and the output untouched.
  ParamEffet defaut;
  defaut.arpegePas = 99;
  EXPECT_EQ(GetDataParamEffet(staff, 7, &defaut), 0);
  EXPECT_EQ(defaut.arpegePas, 20);
  int32_t libre = NewParamEffet(staff);
  DeleteParamEffet(staff, libre);
  defaut.arpegePas = 99;
  EXPECT_EQ(GetDataParamEffet(staff, libre, &defaut), 0);
  EXPECT_EQ(defaut.arpegePas, 99);
}

TEST_F(EffetsTest, ARecordIsKeptWhileItCarriesSomething) {
  AjouteSigne(staff, 60, 40320);
  int32_t e = NewParamEffet(staff);
  S(0).indexParamEffet = int16_t(e);
  EXPECT_EQ(DeleteParamEffetSiInutile(staff, e), 1);
  e = NewParamEffet(staff);
  Effet(staff, e).garde = 1;
  EXPECT_EQ(DeleteParamEffetSiInutile(staff, e), 0);
  Effet(staff, e).garde = 0;
  Effet(staff, e).accroche.idDest = 4;
  EXPECT_EQ(DeleteParamEffetSiInutile(staff, e), 0);
  Effet(staff, e).accroche.idDest = 0;
  Effet(staff, e).graces[0].utilise = 1;
  EXPECT_EQ(DeleteParamEffetSiInutile(staff, e), 0);
}

TEST_F(EffetsTest, DrawingCachesOfOrnamentsAndTies) {
  struct Cas {
    int8_t pitch;
    uint8_t code;
    int16_t trille;
    int16_t alterations[4];
  } cas[] = {
      {64, 31, 1, {0, 0, 0, 0}},   // E: F is a semitone above
      {64, 33, 2, {0, 0, 0, 0}},   // sharp trill: F sharp
      {60, 34, 2, {0, 0, 0, 0}},   // natural trill on C: D
      {60, 29, 0, {-1, 0, 2, 0}},  // turn: B below, D above
      {65, 30, 0, {2, 0, -1, 0}}, {67, 36, 0, {0, 2, 0, 0}}, {67, 37, 0, {0, -2, 0, 0}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(int(c.code));
    DisposeNotes(staff);
    DisposeParamEffetsPortee(staff);
    AjouteSigne(staff, c.pitch, 40320);
    AddMarkNote(staff, 0, c.code, 0, 0, 0);
    PrepareParamEffetsSigne(staff, &S(0), 0);
    const ParamEffet* e = E(0);
    if (c.trille) {
      EXPECT_EQ(e->ornementDecalage, c.trille);
    }
    for (int i = 0; i < 4; i++) EXPECT_EQ(e->ornementAlterations[i], c.alterations[i]) << i;
  }
  // A tie caches the interval to its destination and that note's comma.
  DisposeNotes(staff);
  DisposeParamEffetsPortee(staff);
  AjouteSigne(staff, 60, 40320, 100, kSigneAccordSuite);
  AjouteSigne(staff, 64, 40320);
  SetLiaison(staff, 0, staff, 1, kLiaisonCoule);
  AddMarkNote(staff, 1, 80, 0, 0, 0);
  DataLiaison d;
  ASSERT_EQ(GetDataLiaisonNote(staff, 0, &d), 1);
  d.formeType = 1;
  SetDataLiaisonNote(staff, 0, &d);
  PrepareParamEffetsSigne(staff, &S(0), 0);
  EXPECT_EQ(E(0)->liaisonIntervalle, 4);
  EXPECT_EQ(E(0)->liaisonComma, 120);
  EXPECT_EQ(E(0)->liaisonMemeDebut, 1);
  EXPECT_EQ(E(0)->liaisonFormeType, 1u);
}

}  // namespace

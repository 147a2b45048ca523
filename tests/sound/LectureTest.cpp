// Playback position and stop: the velocity of a note, whether a score is
// playing, stopping with nothing playing, and stopping a score that plays
// (its notes, its output, its devices and the playback tables).
#include <gtest/gtest.h>

#include "SoundFixtures.h"
#include "model/Portee.h"
#include "sound/DoubleBuffer.h"
#include "sound/Lecture.h"
#include "sound/OrganeDigit.h"
#include "sound/SCvtdgit.h"
#include "sound/SINSTRUM.h"

using tamrel_test::PartitionSon;

namespace {

int16_t Demarre() { return 1; }
int16_t Arrete() { return 0; }
constexpr SortieMaterielle kStub = {Demarre, Arrete};

}  // namespace

TEST(Lecture, NotesAreTransposedAndTheirVelocityScaled) {
  struct Cas {
    int16_t hauteur, velocite, transposition, decalage, facteur;
    int16_t hauteur2, velocite2;
  };
  const Cas cas[] = {
      {120, 100, 10, 0, 127, 130, 0},                                 // out of range: silent
      {5, 100, -6, 0, 127, -1, 0},    {60, 100, 0, 0, 127, 60, 100},  // factor 127, no offset: unchanged
      {60, 100, 2, 0, 64, 62, 50},                                    // 100 x 64 / 127
      {60, 100, 0, 40, 127, 60, 127},                                 // clamped
      {60, 10, 0, -30, 127, 60, 0},   {60, -1, 0, 0, 127, 60, 0},     // -1 x 127 / 127 toward zero
  };
  for (const Cas& c : cas) {
    int16_t h = c.hauteur, v = c.velocite;
    ReajusteNoteVelocite(&h, &v, c.transposition, c.decalage, c.facteur);
    EXPECT_EQ(h, c.hauteur2) << c.hauteur << " " << c.velocite;
    EXPECT_EQ(v, c.velocite2) << c.hauteur << " " << c.velocite;
  }
}

TEST(Lecture, NothingPlaysUntilAScoreIsSet) {
  PartitionSon s;
  EXPECT_FALSE(IsPartitionMusiqueEnCours(nullptr));
  EXPECT_FALSE(IsPartitionMusiqueEnCours(s.score()));
  EXPECT_EQ(GetDialogMusiqueEnCours(), nullptr);
  PosTickInstant = PosTick = 5000.0;
  TabCircTick.type = 3;
  ArreteMusique(1);
  // Only the positions go back.
  EXPECT_EQ(GetPosTickInstant(), -1.0f);
  EXPECT_EQ(PosTick, -1.0);
  EXPECT_EQ(TabCircTick.type, 3);
  TabCircTick.type = 0;

  // The score of another document is not the one playing.
  partitionEnCours = s.score();
  dialogPartitionEnCours = nullptr;
  EXPECT_FALSE(IsPartitionMusiqueEnCours(s.score()));
  dialogPartitionEnCours = (*s.score())->document;
  EXPECT_TRUE(IsPartitionMusiqueEnCours(s.score()));
  EXPECT_EQ(GetDialogMusiqueEnCours(), (*s.score())->document);
  partitionEnCours = nullptr;
  dialogPartitionEnCours = nullptr;
}

TEST(Lecture, StoppingAPlayingScoreReleasesEverything) {
  const ParamDigit sauve = GlobalDigitParam;
  FixeSortieMaterielle(&kStub);
  PartitionSon s;
  Portee** staff = NewPortee(s.score(), kTypePorteeStandard);
  const int16_t i = AjouteInstrument(s.score());
  Instrument* r = GetInstrument(s.score(), i);
  r->organCode = kOrganeObsn;
  r->digitArea.ownSounds = 1;
  Handle h = NewHandleClear(100 * 2 + kSurplusDigit);
  EnteteDigit e = {};
  e.bits = 16;
  e.rate = 0xAC440000;
  e.byteA = 60;
  e.count = 100;
  SetEnteteDigit(h, e);
  for (int k = 0; k < 100; k++) reinterpret_cast<int16_t*>(*h + kTailleEnteteDigit)[k] = int16_t(k * 100);
  r->sampleHandles[0][0] = h;
  (*staff)->instrument = i;
  ASSERT_EQ(InitInstrumentPortee(s.score(), staff), 1);
  AireOrgane* aire = &(*staff)->aireOrgane;
  ASSERT_EQ(newODgit(staff, aire), 1);
  const NoteJouee notes[2] = {{60, 100, 0, 0, 1}, {64, 100, 0, 0, 2}};
  envoieNotes(staff, aire, notes, 2);
  pedale(staff, aire, 80);
  ASSERT_EQ(aire->nbNotesTenues, 2);

  TabCircTick = {3, NewHandle(16), 4};
  TabActivite = NewHandle(2 * sizeof(TableJeu));
  reinterpret_cast<TableJeu*>(*TabActivite)[0] = {1, NewHandle(8), 1};
  reinterpret_cast<TableJeu*>(*TabActivite)[1] = {2, nullptr, 0};
  nbVoixActivite = 2;
  partitionEnCours = s.score();
  dialogPartitionEnCours = (*s.score())->document;
  PosTickInstant = 1000;

  ArreteMusique(1);
  EXPECT_FALSE(IsPartitionMusiqueEnCours(s.score()));
  EXPECT_EQ(GetDialogMusiqueEnCours(), nullptr);
  EXPECT_EQ(GetPosTickInstant(), -1.0f);
  // The notes, the pedal, the output and the device are gone.
  EXPECT_EQ(aire->nbNotesTenues, 0);
  EXPECT_EQ(aire->notesTenues, nullptr);
  EXPECT_EQ(aire->niveauPedale, 0);
  EXPECT_FALSE(dblBufferInited);
  EXPECT_EQ(NbVoixDigitAllouees, 0);
  EXPECT_EQ(aire->instrument, nullptr);
  EXPECT_EQ(r->useCount, 0u);
  EXPECT_EQ(r->sampleHandles[1][0], nullptr);
  // The playback tables are released.
  EXPECT_EQ(TabCircTick.type, kTableLiberee);
  EXPECT_EQ(TabCircTick.tampon, nullptr);
  EXPECT_EQ(nbVoixActivite, 0);
  EXPECT_EQ(GetHandleSize(TabActivite), 0);
  EXPECT_EQ(TabActiviteGenerale.type, kTableLiberee);

  FixeSortieMaterielle(nullptr);
  GlobalDigitParam = sauve;
}

// The sampled-sound device: playback increments, the choice of a voice,
// the device slots a staff gets, and two voices mixed into the output ring
// with a stub in place of the hardware (peak, length, release).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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

// A 16-bit sound in host order: a sine of `periode` samples, looped whole
// (the converted copy's loop ends on its last sample).
Handle Sinus(uint32_t count, int32_t periode, int16_t amplitude, uint8_t key) {
  Handle h = NewHandleClear(Size(count) * 2 + kSurplusDigit);
  EnteteDigit e = {};
  e.bits = 16;
  e.rate = 0xAC440000;
  e.byteA = key;
  e.loopStart = 0;
  e.loopEnd = count;
  e.count = count;
  SetEnteteDigit(h, e);
  auto* s = reinterpret_cast<int16_t*>(*h + kTailleEnteteDigit);
  for (uint32_t i = 0; i < count; i++) s[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * i / periode)));
  return h;
}

class OrganeDigit : public ::testing::Test {
 protected:
  void SetUp() override {
    sauve_ = GlobalDigitParam;
    GlobalDigitParam.frequence = 0xAC440000;
    GlobalDigitParam.bits = 16;
    GlobalDigitParam.codeCanaux = 1;
    GlobalDigitParam.nbVoix = 8;
    GlobalDigitParam.dureeTampon = 100;
    GlobalDigitParam.facteurBloc = 1;
    GlobalDigitParam.surechantillonnage = 1;
    GlobalDigitParam.accordMaitre = 4400;
    FixeSortieMaterielle(&kStub);
    PosTickInstant = 0;
  }
  void TearDown() override {
    EndDblBuffer(0);
    DisposeTabIncrementDigit();
    FixeSortieMaterielle(nullptr);
    GlobalDigitParam = sauve_;
    PosTickInstant = -1.0;
  }
  ParamDigit sauve_ = {};
};

}  // namespace

TEST_F(OrganeDigit, IncrementsByToneFineTuningAndRate) {
  ASSERT_TRUE(CalculeTabIncrementDigit(4400));
  const struct {
    int index;
    int32_t ratio;
  } table[] = {{0, 40}, {116, 32768}, {127, 61857}, {128, 65536}, {129, 69432}, {140, 131072}, {256, 106528681}};
  for (const auto& t : table) EXPECT_EQ(TabIncrementDigit[t.index], t.ratio) << t.index;
  EXPECT_FLOAT_EQ(TabComma[0], 1.0f);
  EXPECT_FLOAT_EQ(TabComma[256], float(std::pow(2.0, 100 / 1200.0)));
  EXPECT_GT(TabComma[1], TabComma[0]);
  EXPECT_LT(TabComma[1], TabComma[2]);

  struct Cas {
    const char* nom;
    uint32_t hz;
    int32_t demiTons;
    int16_t fin;
    uint16_t surechantillonnage;
    int32_t attendu;
  };
  const Cas cas[] = {
      {"unison", 44100, 0, 0, 1, 65536},
      {"an octave up at half the rate", 22050, 12, 0, 1, 65536},
      {"half a semitone up", 44100, 0, 0x0080, 1, 67456},
      {"half a semitone down: -1 + 128/256", 44100, 0, -0x0080, 1, 63668},
      {"beyond the table: its last ratio", 44100, 300, 0, 1, 106528680},
      // The fine tuning's whole semitones keep the index in the table.
      {"fine tuning past the top", 44100, 127, 0x0200, 1, 106528680},
      {"fine tuning past the bottom", 44100, -128, -0x0300, 1, 40},
      {"oversampled output", 44100, 0, 0, 2, 32768},
  };
  for (const Cas& c : cas) {
    GlobalDigitParam.surechantillonnage = c.surechantillonnage;
    EXPECT_EQ(CalculeIncrementVoix(c.hz, c.demiTons, c.fin), c.attendu) << c.nom;
  }
  // A new tuning rebuilds the table; the same one keeps it.
  ASSERT_TRUE(CalculeTabIncrementDigit(4405));
  EXPECT_EQ(TabIncrementDigit[128], 65610);
  EXPECT_EQ(lastMasterTune, 4405);
  EXPECT_TRUE(IsPhysicalOversampling(2));
  EXPECT_FALSE(IsPhysicalOversampling(1));
}

TEST_F(OrganeDigit, VoicesAreTakenFreedOrStolen) {
  Instrument a = {}, b = {};
  a.jeu.groupeVoix = 5;
  VoixDigit t[4] = {};
  TabVoixDigit = t;
  NbVoixDigitAllouees = 4;
  struct Voix {
    int16_t etat;
    Instrument* instrument;
    double debut;
    int16_t groupe;
  };
  struct Cas {
    const char* nom;
    Voix voix[4];
    Instrument* pour;
    int attendue;
    bool debordement;
  };
  PosTickInstant = 100;
  const Cas cas[] = {
      {"first free", {{1, &a, 0, 0}, {0, nullptr, 0, 0}, {0, nullptr, 0, 0}, {1, &b, 0, 0}}, &b, 1, false},
      {"the group's voice", {{0, nullptr, 0, 0}, {1, &b, 0, 0}, {3, &a, 0, 5}, {0, nullptr, 0, 0}}, &a, 2, false},
      {"releasing, same instrument, later wins ties",
       {{3, &a, 10, 0}, {3, &a, 10, 0}, {3, &a, 500, 0}, {1, &b, 0, 0}},
       &a,
       1,
       true},
      {"releasing, any instrument, first wins ties",
       {{1, &a, 1, 0}, {3, &b, 20, 0}, {3, &b, 20, 0}, {1, &a, 0, 0}},
       &a,
       1,
       true},
      {"sounding, same instrument", {{1, &b, 1, 0}, {2, &a, 30, 0}, {1, &a, 20, 0}, {1, &b, 5, 0}}, &a, 2, true},
      {"any voice", {{1, &b, 9, 0}, {1, &b, 4, 0}, {1, &b, 4, 0}, {2, &b, 7, 0}}, &a, 1, true},
  };
  for (const Cas& c : cas) {
    for (int i = 0; i < 4; i++) {
      t[i] = VoixDigit{};
      t[i].etat = c.voix[i].etat;
      t[i].instrument = c.voix[i].instrument;
      t[i].debut = c.voix[i].debut;
      t[i].groupe = c.voix[i].groupe;
      t[i].niveau = 16000;
      t[i].facteurNiveau = 4096;
    }
    OverlowDigitalVoices = false;
    EXPECT_EQ(RechercheVoixLibre(c.pour) - t, c.attendue) << c.nom;
    EXPECT_EQ(OverlowDigitalVoices, c.debordement) << c.nom;
    if (c.attendue == 2 && !c.debordement) {
      EXPECT_EQ(t[2].niveauRelache, 8000) << c.nom;  // a reused voice
    }
  }
  // No voice table: no voice, and a note finds none to take.
  TabVoixDigit = nullptr;
  NbVoixDigitAllouees = 0;
  EXPECT_EQ(RechercheVoixLibre(&a), nullptr);
  AireOrgane aire = {&a, nullptr, 0, 0};
  const NoteJouee note = {60, 100, 0, 0, 1};
  envoieNotes(nullptr, &aire, &note, 1);
  EXPECT_EQ(aire.nbNotesTenues, 0);
}

TEST_F(OrganeDigit, StavesGetTheirDevice) {
  PartitionSon s;
  Portee** tempo = NewPortee(s.score(), kTypePorteeTempo);
  ASSERT_EQ(InitInstrumentPortee(s.score(), tempo), 1);
  EXPECT_NE((*tempo)->organe.newOrgane, nullptr);
  EXPECT_EQ((*tempo)->organe.pedale, nullptr);  // left as it was
  EXPECT_EQ(reinterpret_cast<OrganeDeleteProc>((*tempo)->organe.deleteOrgane)(tempo, &(*tempo)->aireOrgane), 1);

  Portee** staff = NewPortee(s.score(), kTypePorteeStandard);
  const int16_t i = AjouteInstrument(s.score());
  GetInstrument(s.score(), i)->organCode = kOrganeObsn;
  (*staff)->instrument = i;
  // Without hardware the device is not installed.
  FixeSortieMaterielle(nullptr);
  EXPECT_EQ(InitInstrumentPortee(s.score(), staff), 0);
  EXPECT_EQ((*staff)->organe.envoieNotes, nullptr);
  EXPECT_EQ(TabIncrementDigit, nullptr);
  GetInstrument(s.score(), i)->useCount = 0;
  FixeSortieMaterielle(&kStub);
  ASSERT_EQ(InitInstrumentPortee(s.score(), staff), 1);
  const Organe& o = (*staff)->organe;
  EXPECT_NE(o.envoieNotes, nullptr);
  EXPECT_NE(o.pedale, nullptr);
  EXPECT_EQ(o.reserve, nullptr);
  EXPECT_EQ(reinterpret_cast<OrganeAcquitProc>(o.acquitement)(staff, &(*staff)->aireOrgane), 1);
  // An instrument with neither own sounds nor a base cannot be prepared.
  EXPECT_EQ(reinterpret_cast<OrganeNewProc>(o.newOrgane)(staff, &(*staff)->aireOrgane), 0);
  TermineInstrumentPortee(s.score(), staff);
  EXPECT_EQ((*staff)->aireOrgane.instrument, nullptr);
}

TEST_F(OrganeDigit, TwoVoicesMixIntoTheRingAndRelease) {
  PartitionSon s;
  Portee** staff = NewPortee(s.score(), kTypePorteeStandard);
  const int16_t i = AjouteInstrument(s.score());
  Instrument* r = GetInstrument(s.score(), i);
  r->organCode = kOrganeObsn;
  r->digitArea.ownSounds = 1;
  // 441 Hz at the sound's own pitch (A, 69): 100 samples a period.
  r->sampleHandles[0][0] = Sinus(4400, 100, 16000, 69);
  (*staff)->instrument = i;
  ASSERT_EQ(InitInstrumentPortee(s.score(), staff), 1);
  AireOrgane* aire = &(*staff)->aireOrgane;
  const Organe& o = (*staff)->organe;
  ASSERT_EQ(reinterpret_cast<OrganeNewProc>(o.newOrgane)(staff, aire), 1);
  ASSERT_NE(r->sampleHandles[1][0], nullptr);  // its 16-bit copy

  // The note at the sound's pitch and its octave, half as loud.
  const NoteJouee notes[2] = {{69, 127, 0, 0, 1}, {81, 64, 0, 0, 2}};
  reinterpret_cast<OrganeEnvoieProc>(o.envoieNotes)(staff, aire, notes, 2);
  EXPECT_EQ(aire->nbNotesTenues, 2);
  int sonnantes = 0;
  for (int k = 0; k < NbVoixDigitAllouees; k++) sonnantes += TabVoixDigit[k].etat == kVoixJoue;
  EXPECT_EQ(sonnantes, 2);

  // 40 blocks of 220 stereo frames: 200 ms held.
  std::vector<int16_t> gauche;
  const auto rend = [&](int blocs) {
    for (int b = 0; b < blocs; b++) {
      const uint8_t* bloc = TraiteBlocDblBuffer();
      ASSERT_NE(bloc, nullptr);
      const int16_t* e = reinterpret_cast<const int16_t*>(bloc);
      for (int f = 0; f < 220; f++) gauche.push_back(e[f * 2]);
    }
  };
  rend(40);
  ASSERT_EQ(gauche.size(), 8800u);
  // Past the attack, each frame is the sum of the two sines at their levels
  // and the left pan (63/127).
  const double panG = double(32767 * 63 / 127) / 32768.0;
  const double a1 = 16000.0 * (32767.0 / 32768.0) * (32767.0 / 32768.0) * panG;
  const double a2 = 16000.0 * (32767.0 / 32768.0) * (16512.0 / 32768.0) * panG;
  double ecartMax = 0, pic = 0, picAttendu = 0;
  for (int f = 100; f < 8800; f++) {
    const double attendu = a1 * std::sin(2 * M_PI * f / 100.0) + a2 * std::sin(2 * M_PI * f / 50.0);
    ecartMax = std::max(ecartMax, std::fabs(gauche[size_t(f)] - attendu));
    pic = std::max(pic, std::fabs(double(gauche[size_t(f)])));
    picAttendu = std::max(picAttendu, std::fabs(attendu));
  }
  EXPECT_LT(ecartMax, 8.0);
  EXPECT_NEAR(pic, picAttendu, 8.0);
  // sin x + sin 2x / 2 peaks near 1.3 times the first voice.
  EXPECT_NEAR(pic / a1, 1.3, 0.01);

  // Note-off for both: each releases over 405 envelope steps (101.25 ms).
  for (const NoteJouee& n : notes) reinterpret_cast<OrganeArreteProc>(o.arreteNotes)(staff, aire, &n, -1, 0);
  EXPECT_EQ(aire->nbNotesTenues, 0);
  rend(30);
  int dernier = 0;
  for (int f = 0; f < int(gauche.size()); f++)
    if (gauche[size_t(f)] != 0) dernier = f;
  EXPECT_GE(dernier, 8800 + 4400);
  EXPECT_LE(dernier, 8800 + 4466);
  // Halfway through the release the level is about half.
  double picMilieu = 0;
  for (int f = 8800 + 2150; f < 8800 + 2250; f++) picMilieu = std::max(picMilieu, std::fabs(double(gauche[size_t(f)])));
  EXPECT_NEAR(picMilieu / pic, 0.5, 0.05);
  for (int k = 0; k < NbVoixDigitAllouees; k++) EXPECT_EQ(TabVoixDigit[k].etat, kVoixLibre);

  // The release frees the instrument's derived sounds.
  TermineInstrumentPortee(s.score(), staff);
  EXPECT_EQ(r->sampleHandles[1][0], nullptr);
  EXPECT_NE(r->sampleHandles[0][0], nullptr);
}

TEST_F(OrganeDigit, PedalHoldsNotesAndStopAllFreesEveryVoice) {
  PartitionSon s;
  Portee** staff = NewPortee(s.score(), kTypePorteeStandard);
  const int16_t i = AjouteInstrument(s.score());
  Instrument* r = GetInstrument(s.score(), i);
  r->organCode = kOrganeObsn;
  r->digitArea.ownSounds = 1;
  r->sampleHandles[0][0] = Sinus(1000, 100, 8000, 60);
  (*staff)->instrument = i;
  ASSERT_EQ(InitInstrumentPortee(s.score(), staff), 1);
  AireOrgane* aire = &(*staff)->aireOrgane;
  ASSERT_EQ(newODgit(staff, aire), 1);

  const NoteJouee n = {60, 100, 0, 0, 7};
  envoieNotes(staff, aire, &n, 1);
  pedale(staff, aire, 100);
  arreteNotes(staff, aire, &n, -1, 0);
  VoixDigit* v = std::find_if(TabVoixDigit, TabVoixDigit + NbVoixDigitAllouees,
                              [](const VoixDigit& x) { return x.etat != kVoixLibre; });
  ASSERT_NE(v, TabVoixDigit + NbVoixDigitAllouees);
  EXPECT_EQ(v->etat, kVoixPedale);
  // Lifting the pedal lets the note go, at the release without the pedal.
  pedale(staff, aire, 0);
  EXPECT_EQ(v->etat, kVoixRelache);
  EXPECT_EQ(v->volume.mots[v->volume.nbMots - 3], kSegmentRelache | uint32_t(v->relaches[0]));

  // A tied note (negative continuation) gets no note-off.
  const NoteJouee liee = {60, 100, -1, 0, 8};
  envoieNotes(staff, aire, &liee, 1);
  arreteNotes(staff, aire, &liee, -1, 0);
  EXPECT_EQ(std::count_if(TabVoixDigit, TabVoixDigit + NbVoixDigitAllouees,
                          [](const VoixDigit& x) { return x.etat == kVoixJoue; }),
            1);
  // A note pushed out of range by the transposition is not played.
  EXPECT_EQ(aire->nbNotesTenues, 1);
  r->transposition = 100;
  envoieNotes(staff, aire, &n, 1);
  EXPECT_EQ(aire->nbNotesTenues, 1);
  r->transposition = 0;

  // The stop-all form frees every voice at once.
  arreteNotes(nullptr, nullptr, nullptr, -1, 1);
  EXPECT_EQ(std::count_if(TabVoixDigit, TabVoixDigit + NbVoixDigitAllouees,
                          [](const VoixDigit& x) { return x.etat != kVoixLibre; }),
            0);
  TermineInstrumentPortee(s.score(), staff);
}

// Delay-line sets and the document's output-wide effects: rounding and
// sharing of sets, line lengths and gains, the run-time values of the output
// effects, and the equaliser bands old documents get.
#include <gtest/gtest.h>

#include <cmath>

#include "model/Document.h"
#include "platform/Memory.h"
#include "sound/EffetsNumeriques.h"

namespace {

class Reverbes : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalFXMaster = {};
    GlobalFXMaster.frequence = 44100;
    GlobalFXMaster.codeCanaux = 1;  // stereo
    ReverbInit();
  }
  void TearDown() override {
    ReverbDispose();
    GlobalFXMaster = {};
  }
  const ReverbDelayElt& Set(int32_t i) { return reinterpret_cast<const ReverbDelayElt*>(*tabReverb)[i]; }
};

}  // namespace

TEST_F(Reverbes, ReverbTimesRoundAndEqualRequestsShareASet) {
  const struct {
    int32_t demande, arrondi;
  } cas[] = {{40, 100}, {440, 400}, {501, 500}, {760, 1000}, {0, 100}, {-300, 100}};
  for (const auto& c : cas) {
    const int32_t id = ReverbGetID(kReverbReverbe, c.demande, 0, 0);
    ASSERT_GE(id, 0);
    EXPECT_EQ(Set(id).temps, c.arrondi) << c.demande;
  }
  // 40, 0 and -300 all became 100 ms: one set.
  EXPECT_EQ(NbReverbDelayElt, 4);
  EXPECT_EQ(ReverbGetID(kReverbReverbe, 1010, 0, 0), ReverbGetID(kReverbReverbe, 1000, 0, 0));
  const int32_t pingPong = ReverbGetID(kReverbReverbe, 1000, 0, 1);
  EXPECT_NE(pingPong, ReverbGetID(kReverbReverbe, 1000, 0, 0));
  // Multi-delays differ by their feedback too, delays do not.
  EXPECT_NE(ReverbGetID(kReverbMultiDelai, 300, 40, 0), ReverbGetID(kReverbMultiDelai, 300, 50, 0));
  EXPECT_EQ(ReverbGetID(kReverbDelai, 300, 40, 0), ReverbGetID(kReverbDelai, 300, 50, 0));
  ReverbDispose();
  EXPECT_EQ(NbReverbDelayElt, 0);
  EXPECT_EQ(tabReverb, nullptr);
}

TEST_F(Reverbes, LinesAndGains) {
  // A reverb of 1000 ms at 44100 Hz in stereo: five lines, each twice its
  // standard length plus the base, with a feedback that falls 40 dB in 1 s.
  const ReverbDelayElt r = Set(ReverbGetID(kReverbReverbe, 1000, 0, 0));
  EXPECT_EQ(r.nbLignes, 5);
  EXPECT_EQ(r.gain, 200);
  EXPECT_EQ(r.gainEntree, 200);
  EXPECT_EQ(r.densite, 50);
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(r.lignes[i].longueur, 2 * DelayReverbStd[i] + 1000);
    EXPECT_EQ(r.lignes[i].decalageBase, 1000);
    EXPECT_EQ(r.lignes[i].tampon[r.lignes[i].longueur - 1], 0);
  }
  EXPECT_EQ(r.lignes[0].gainRetour, 186);

  // Delays: one line; a negative time or feedback counts as none.
  const struct {
    int32_t type, temps, parametre;
    int32_t gain, longueur, retour;
  } delais[] = {
      {kReverbDelai, 250, 50, 50, 2 * 11025 + 1000, 128},
      {kReverbDelai, -250, -50, 0, 1000, 0},
      {kReverbMultiDelai, 100, 100, 32767, 2 * 4410 + 1000, 256},
      {kReverbMultiDelai, 100, 50, 133, 2 * 4410 + 1000, 128},
      {kReverbMultiDelai, 100, 0, 0, 2 * 4410 + 1000, 0},
      {kReverbMultiDelai, 100, 150, 0, 2 * 4410 + 1000, 384},
      {kReverbMultiDelai, 100, -20, 0, 2 * 4410 + 1000, 0},
  };
  for (const auto& d : delais) {
    SCOPED_TRACE(d.temps * 1000 + d.parametre);
    const ReverbDelayElt e = Set(ReverbGetID(d.type, d.temps, d.parametre, 0));
    EXPECT_EQ(e.nbLignes, 1);
    EXPECT_EQ(e.gain, d.gain);
    EXPECT_EQ(e.lignes[0].longueur, d.longueur);
    EXPECT_EQ(e.lignes[0].gainRetour, d.retour);
  }

  // Input gains; a reverb time of 0 counts as the shortest reverb.
  const struct {
    int32_t type, temps, niveau, gain;
  } gains[] = {{kReverbDelai, 500, 50, 128},
               {kReverbMultiDelai, 500, -50, -128},
               {kReverbReverbe, 1000, 100, 170},
               {kReverbReverbe, 250, 100, 341},
               {kReverbReverbe, 0, 100, 539},
               {kReverbReverbe, 100, 100, 539},
               {7, 1000, 100, 0}};
  for (const auto& g : gains)
    EXPECT_EQ(ReverbCalculeGainEntree(g.type, g.temps, g.niveau), g.gain) << g.type << " " << g.temps;
  EXPECT_EQ(GetDigitalSoundInternalBits(), 18);
}

TEST(EffetsSortie, RunTimeValuesOfTheOutputEffects) {
  ASSERT_TRUE(InitEffetsNumeriques(44100, 2));
  EXPECT_EQ(TailleHistorique, 22050);
  EXPECT_EQ(volumeTamponAGC[0], 32767);
  EXPECT_EQ(GetPtrSize(TamponAGC[1]), 441 * 2 * 4);
  EffetsSortieDocument e = {};
  e.tempsReverbe = 100;
  e.niveauReverbe = 10000;
  e.delaiSurround = -20;  // negative: no delay
  e.niveauSurround = 5000;
  e.valeurReductionBruit = 10000;
  e.frequenceBasses = 0;  // no division by the frequency
  e.niveauBasses = 1000;
  e.monteeControleGain = 3;
  AppliqueParamsEffetsNumeriques(&e, 44100, 2);
  EXPECT_EQ(ReverbDelta, 100 * 88);
  EXPECT_EQ(ReverbMult, 16383);
  EXPECT_EQ(SurroundDelta, 0);
  EXPECT_EQ(SurroundMult, 16383);
  EXPECT_EQ(NoiseRedMult, 32767);
  EXPECT_EQ(BassBoostEvol, 0);
  EXPECT_EQ(BassBoostMult, 3276 * 6);
  EXPECT_EQ(AGCVolume, 32767);
  EXPECT_EQ(AGCNbSampleRemontee, 3 * 88);
  EXPECT_EQ(AGCNbSampleDescente, 2 * 88);
  // A delay longer than the history is held inside it; a bass-boost
  // frequency of 5 or more divides the level.
  e.tempsReverbe = 1000;
  e.frequenceBasses = 10;
  AppliqueParamsEffetsNumeriques(&e, 44100, 2);
  EXPECT_EQ(ReverbDelta, 22049);
  EXPECT_EQ(BassBoostMult, 3276 * 6 / 6);
  EXPECT_EQ(BassBoostEvol, 100);
  DisposeEffetsNumeriques();
  EXPECT_EQ(TamponHistorique, nullptr);
  EXPECT_EQ(TamponAGC[0], nullptr);
}

// Old documents: the bands come from the bass boost and the noise reduction.
TEST(EffetsSortie, OldDocumentsGetTheirEqualiserBands) {
  const struct {
    const char* nom;
    uint8_t basses, bruit;
    int16_t frequence, valeurBruit;
    int16_t bande8, bande9;
  } cas[] = {
      {"neither", 0, 0, 500, 20000, 0, 0},           {"bass boost", 1, 0, 500, 20000, -2, 0},
      {"bass boost at 0 Hz", 1, 0, 0, 20000, -2, 0}, {"bass boost below 0 Hz", 1, 0, -500, 20000, -2, 0},
      {"noise reduction", 0, 1, 500, 5500, -5, -24}, {"both", 1, 1, 500, -5500, 5, -24},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.nom);
    EffetsSortieDocument e = {};
    for (int16_t& b : e.bandes) b = 7;
    e.renforcementBasses = c.basses;
    e.reductionBruit = c.bruit;
    e.frequenceBasses = c.frequence;
    e.valeurReductionBruit = c.valeurBruit;
    ConvertOldDocumentDigitalEffectsToHQ(&e);
    for (int i = 0; i < 8; i++) EXPECT_EQ(e.bandes[i], 0) << i;
    EXPECT_EQ(e.bandes[8], c.bande8);
    EXPECT_EQ(e.bandes[9], c.bande9);
    EXPECT_EQ(e.bandes[10], c.bande9);
  }
}

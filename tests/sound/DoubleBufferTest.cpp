// The digital output's set-up and tear-down with a stub in place of the
// hardware: block sizes, ring length, speaker map, the warnings, and the
// output format queries.
#include <gtest/gtest.h>

#include <string>

#include "SoundFixtures.h"
#include "sound/DoubleBuffer.h"
#include "sound/OrganeDigit.h"

using tamrel_test::Messages;

namespace {

int gDemarrages = 0, gArrets = 0;
int16_t gReponse = 1;
int16_t Demarre() {
  gDemarrages++;
  return gReponse;
}
int16_t Arrete() {
  gArrets++;
  return 0;
}
constexpr SortieMaterielle kStub = {Demarre, Arrete};

class DoubleBuffer : public ::testing::Test {
 protected:
  void SetUp() override {
    gDemarrages = gArrets = 0;
    gReponse = 1;
    FixeSortieMaterielle(&kStub);
    sauve_ = GlobalDigitParam;
  }
  void TearDown() override {
    EndDblBuffer(0);
    FixeSortieMaterielle(nullptr);
    GlobalDigitParam = sauve_;
  }
  static ParamDigit Params(uint32_t rate, int16_t bits, uint8_t code, int16_t ms, int16_t factor) {
    ParamDigit p = GlobalDigitParam;
    p.frequence = rate;
    p.bits = bits;
    p.codeCanaux = code;
    p.dureeTampon = ms;
    p.facteurBloc = factor;
    p.nbVoix = 16;
    return p;
  }
  ParamDigit sauve_ = {};
};

}  // namespace

TEST_F(DoubleBuffer, BlocksRingAndSpeakerMapByFormat) {
  struct Cas {
    const char* nom;
    uint32_t rate;
    int16_t bits;
    uint8_t code;
    int16_t ms, facteur;
    int16_t trames, octets, silence;
    int32_t anneau;
  };
  const Cas cas[] = {
      {"44100 Hz 16-bit stereo", 0xAC440000, 16, 1, 100, 1, 220, 880, 0, 20},
      {"11127 Hz 8-bit mono", 0x2B7745D1, 8, 0, 100, 1, 55, 55, 128, 20},
      {"22254 Hz", 0x56EE8BA3, 16, 0, 100, 2, 110, 220, 0, 10},
      {"48000 Hz, a ring shorter than two blocks", 0xBB800000, 16, 1, 5, 1, 240, 960, 0, 2},
      {"96000 Hz in plain Hz", 0xF0017700, 16, 1, 100, 1, 480, 1920, 0, 20},
      {"24-bit samples, six channels asked", 0xAC440000, 24, 5, 60, 3, 220, 1320, 0, 4},
      {"a block factor of 0 counts as 1", 0xAC440000, 16, 1, 100, 0, 220, 880, 0, 20},
  };
  for (const Cas& c : cas) {
    ParamDigit p = Params(c.rate, c.bits, c.code, c.ms, c.facteur);
    ASSERT_TRUE(InitDblBuffer(nullptr, &p)) << c.nom;
    EXPECT_EQ(p.tramesParBloc, c.trames) << c.nom;
    EXPECT_EQ(p.octetsParBloc, c.octets) << c.nom;
    EXPECT_EQ(p.silence, c.silence) << c.nom;
    EXPECT_EQ(p.longueurAnneau, c.anneau) << c.nom;
    EXPECT_EQ(p.tramesAnneau, c.trames * c.anneau) << c.nom;
    EXPECT_EQ(p.octetsAnneau, c.octets * c.anneau) << c.nom;
    // Every one of the 32 positions is set: fed ones by their channel, the
    // others marked unfed.
    const int canaux = c.code == 0 ? 1 : 2;
    for (int pos = 0; pos < kNbPositionsHautParleur; pos++) {
      EXPECT_EQ(p.canalHautParleur[pos], pos < canaux ? pos : kHautParleurAucun) << c.nom << " " << pos;
      EXPECT_EQ(p.hautParleurCanal[pos], pos < canaux ? pos : kHautParleurAucun) << c.nom << " " << pos;
    }
    EXPECT_EQ(NbVoixDigitAllouees, 16);
    // The ring starts silent.
    const uint8_t* anneau = GetAnneauDblBuffer();
    ASSERT_NE(anneau, nullptr);
    EXPECT_EQ(anneau[p.octetsAnneau - 1], uint8_t(c.silence)) << c.nom;
    EndDblBuffer(0);
    EXPECT_EQ(NbVoixDigitAllouees, 0);
    EXPECT_EQ(GetAnneauDblBuffer(), nullptr);
  }
  EXPECT_EQ(gDemarrages, 7);
  EXPECT_EQ(gArrets, 7);
}

TEST_F(DoubleBuffer, SecondSetUpFailuresAndTheInertHardware) {
  ParamDigit p = Params(0xAC440000, 16, 1, 100, 1);
  ASSERT_TRUE(InitDblBuffer(nullptr, &p));
  EXPECT_TRUE(dblBufferInited);
  EXPECT_FALSE(dblBufferStarted);
  nb200ecoules = 5;
  nb200overflow = 2;
  // Already up: only the counters start again.
  ASSERT_TRUE(InitDblBuffer(nullptr, &p));
  EXPECT_EQ(nb200ecoules, 0);
  EXPECT_EQ(nb200overflow, 0);
  EXPECT_EQ(gDemarrages, 1);
  EXPECT_NE(TraiteBlocDblBuffer(), nullptr);
  EXPECT_TRUE(dblBufferStarted);
  EXPECT_FALSE(IsInTraiteDblBuffer());
  EndDblBuffer(0);
  EXPECT_FALSE(dblBufferInited);
  EXPECT_EQ(TraiteBlocDblBuffer(), nullptr);
  EndDblBuffer(0);  // a second tear-down does nothing
  EXPECT_EQ(gArrets, 1);

  // The hardware refuses: a warning, the output stays down.
  gReponse = 0;
  std::string dit = Messages([&] { EXPECT_FALSE(InitDblBuffer(nullptr, &p)); });
  EXPECT_NE(dit.find("Can't initialise digital output please check your hardware setup."), std::string::npos);
  EXPECT_FALSE(dblBufferInited);
  EXPECT_EQ(gArrets, 2);

  // The platform's own hardware start: inert, it never starts.
  FixeSortieMaterielle(nullptr);
  EXPECT_FALSE(InitDblBuffer(nullptr, &p));
  FixeSortieMaterielle(&kStub);
  gReponse = 1;

  // No voices: a warning, and true, with nothing set up.
  p.nbVoix = 0;
  dit = Messages([&] { EXPECT_TRUE(InitDblBuffer(nullptr, &p)); });
  EXPECT_NE(dit.find("Not any memory to allocate voices"), std::string::npos);
  EXPECT_FALSE(dblBufferInited);
}

TEST_F(DoubleBuffer, OutputFormatQueries) {
  const uint32_t masques[] = {0, 0x1, 0x3, 0xB, 0x33, 0x3B, 0x3F, 0x13F, 0x63F, 0x73F, 0};
  for (int n = 0; n <= 10; n++) EXPECT_EQ(MasqueHautParleurs(n), masques[n]) << n;
  ParamDigit p = Params(0xAC440000, 24, 5, 100, 1);
  EXPECT_EQ(GetCurrentRestitutionNbChannels(&p), 2);
  EXPECT_EQ(GetCurrentRestitutionSpeakerMask(&p), 0x3u);
  EXPECT_EQ(GetCurrentRestitutionNbBits(&p), 16);
  p.codeCanaux = 0;
  p.bits = 8;
  EXPECT_EQ(GetCurrentRestitutionNbChannels(&p), 1);
  EXPECT_EQ(GetCurrentRestitutionSpeakerMask(&p), 0x1u);
  EXPECT_EQ(GetCurrentRestitutionNbBits(&p), 8);
  GlobalDigitParam.codeCanaux = 1;
  EXPECT_EQ(GetCurrentRestitutionNbChannels(nullptr), 2);
}

// Sound-effect settings and objects as documents store them: each version's
// fields, the equaliser bands and the extension, damaged counts and cut
// blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/QrvFXs.h"
#include "plugin/LectureDocument.h"
#include "plugin/LectureFX.h"
#include "sound/ParamFX.h"
#include "system/QrvFiles.h"

namespace {

struct Octets {
  std::string o;
  Octets& U8(int v) {
    o.push_back(char(v));
    return *this;
  }
  Octets& I16(int v) {
    o.push_back(char(uint16_t(v) >> 8));
    o.push_back(char(v));
    return *this;
  }
  Octets& I32(int32_t v) {
    for (int s = 24; s >= 0; s -= 8) o.push_back(char(uint32_t(v) >> s));
    return *this;
  }
};

// A stored settings block of a version, every field with a value of its own,
// written in the order documents store them.
std::string BlocStocke(uint16_t version, int bandes = 13, int32_t extension = 3) {
  Octets e;
  e.I16(1).I16(2).I16(-3).I16(4).I16(5);                       // resonator, distortion, flanger, panning, reverb
  e.I16(1100).U8(1).I16(51).U8(1);                             // fixed frequency and resonance, with glides
  e.I16(52).I16(1200).I16(600).I16(2100).I16(53);              // fixed gain; oscillating frequency, min, max, resonance
  e.U8(1).I16(54).I16(3100).U8(1);                             // its glide, gain, period, direction
  e.I16(510).I16(2010).I16(21).I16(81).I16(55).U8(1).I16(56);  // wah
  e.I16(60).I16(61).I16(62).I16(63).I16(64).I16(65);           // distortion, overdrive
  e.I16(10).I16(6010).I16(3010).I16(82);                       // flanger
  e.I16(-7).I16(8).I16(-9).I16(-40).I16(40).I16(3020).U8(1);   // panning and its oscillation
  if (version >= 0x964) e.I16(-90).I16(-45).I16(45);           // fadings
  e.I16(410).I16(41).U8(1).I16(420).I16(42).I16(1).I16(3030).I16(43).I16(1);  // delays, reverb
  if (version < 0x710) return e.o;
  e.I16(6).I16(7).I16(8).U8(1).I16(90).U8(1).I16(95);  // equaliser
  if (version < 0x964) return e.o;
  e.I16(70).I16(bandes);
  for (int i = 0; i < bandes; i++) e.I16(200 + i);
  if (version >= 0x9805) {
    e.I32(extension);
    for (int32_t i = 0; i < extension; i++) e.U8('x');
  }
  return e.o;
}

class LectureFX : public ::testing::Test {
 protected:
  std::string octets;
  void Lit(const std::string& s, uint16_t version) {
    octets = s;
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets.data(), uint32_t(octets.size()));
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
  }
  // Reads a block over the defaults; the byte after it must be the marker.
  ParamFX LitBloc(const std::string& s, uint16_t version) {
    Lit(s + "Z", version);
    ParamFX p;
    SetDefaultParamFX(&p);
    EXPECT_TRUE(ReadFXParam(&p)) << std::hex << version;
    EXPECT_EQ(ReadCar(), 'Z') << std::hex << version;
    return p;
  }
};

std::vector<int> Niveaux(const ParamFX& p) {
  return std::vector<int>(p.multiBandLevel, p.multiBandLevel + kNbBandesEqualizer);
}

}  // namespace

TEST_F(LectureFX, EveryFieldOfTheNewestBlock) {
  const ParamFX p = LitBloc(BlocStocke(0x9805), 0x9805);
  EXPECT_EQ(p.activiteResonateur, 1);
  EXPECT_EQ(p.activiteDistorsion, 2);
  EXPECT_EQ(p.activiteFlanger, -3);
  EXPECT_EQ(p.activitePanning, 4);
  EXPECT_EQ(p.activiteReverb, 5);
  EXPECT_EQ(p.frequenceFixe, 1100);
  EXPECT_EQ(p.glisseFrequenceFixe, 1);
  EXPECT_EQ(p.resonanceFixe, 51);
  EXPECT_EQ(p.glisseResonanceFixe, 1);
  EXPECT_EQ(p.gainFixe, 52);
  EXPECT_EQ(p.frequenceLfo, 1200);
  EXPECT_EQ(p.frequenceMinLfo, 600);
  EXPECT_EQ(p.frequenceMaxLfo, 2100);
  EXPECT_EQ(p.resonanceLfo, 53);
  EXPECT_EQ(p.glisseResonanceLfo, 1);
  EXPECT_EQ(p.gainLfo, 54);
  EXPECT_EQ(p.periodeLfo, 3100);
  EXPECT_EQ(p.sensLfo, 1);
  EXPECT_EQ(p.frequenceMinWah, 510);
  EXPECT_EQ(p.frequenceMaxWah, 2010);
  EXPECT_EQ(p.volumeMinWah, 21);
  EXPECT_EQ(p.volumeMaxWah, 81);
  EXPECT_EQ(p.resonanceWah, 55);
  EXPECT_EQ(p.glisseResonanceWah, 1);
  EXPECT_EQ(p.gainWah, 56);
  EXPECT_EQ(p.puissanceDistorsion, 60);
  EXPECT_EQ(p.toneDistorsion, 62);
  EXPECT_EQ(p.puissanceOverdrive, 63);
  EXPECT_EQ(p.toneOverdrive, 65);
  EXPECT_EQ(p.delaiMinFlanger, 10);
  EXPECT_EQ(p.delaiMaxFlanger, 6010);
  EXPECT_EQ(p.periodeFlanger, 3010);
  EXPECT_EQ(p.puissanceFlanger, 82);
  EXPECT_EQ(p.stereoFixe, -7);
  EXPECT_EQ(p.stereoSmooth, 8);
  EXPECT_EQ(p.stereoLfo, -9);
  EXPECT_EQ(p.stereoMinLfo, -40);
  EXPECT_EQ(p.stereoMaxLfo, 40);
  EXPECT_EQ(p.periodePanning, 3020);
  EXPECT_EQ(p.sensPanning, 1);
  EXPECT_EQ(p.fadingFixe, -90);
  EXPECT_EQ(p.fadingMinLfo, -45);
  EXPECT_EQ(p.fadingMaxLfo, 45);
  EXPECT_EQ(p.tempsDelai, 410);
  EXPECT_EQ(p.puissanceDelai, 41);
  EXPECT_EQ(p.pingPongDelai, 1);
  EXPECT_EQ(p.tempsDelaiMult, 420);
  EXPECT_EQ(p.puissanceDelaiMult, 42);
  EXPECT_EQ(p.pingPongDelaiMult, 1);
  EXPECT_EQ(p.tempsReverb, 3030);
  EXPECT_EQ(p.puissanceReverb, 43);
  EXPECT_EQ(p.pingPongReverb, 1);
  EXPECT_EQ(p.activiteEqualizer, 6);
  EXPECT_EQ(p.grave, 7);
  EXPECT_EQ(p.aigu, 8);
  EXPECT_EQ(p.graveAiguSmooth, 1);
  EXPECT_EQ(p.gainEqualizer, 90);
  EXPECT_EQ(p.gainSmooth, 1);
  EXPECT_EQ(p.limiter, 95);
  EXPECT_EQ(p.multiBandGain, 70);
  // Thirteen bands stored: eleven kept, two read past.
  EXPECT_EQ(Niveaux(p), (std::vector<int>{200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210}));
}

// What older versions lack keeps its default; the block still ends where
// the version says.
TEST_F(LectureFX, OlderVersionsStopEarlier) {
  ParamFX p = LitBloc(BlocStocke(0x963), 0x963);
  EXPECT_EQ(p.fadingFixe, -100);
  EXPECT_EQ(p.fadingMinLfo, -100);
  EXPECT_EQ(p.fadingMaxLfo, -100);
  EXPECT_EQ(p.limiter, 95);
  EXPECT_EQ(p.multiBandGain, 0);
  EXPECT_EQ(p.pingPongReverb, 1);

  p = LitBloc(BlocStocke(0x70F), 0x70F);
  EXPECT_EQ(p.activiteEqualizer, 0);
  EXPECT_EQ(p.gainEqualizer, 100);
  EXPECT_EQ(p.limiter, 100);
  EXPECT_EQ(p.tempsReverb, 3030);

  p = LitBloc(BlocStocke(0x710), 0x710);
  EXPECT_EQ(p.limiter, 95);

  // Without the extension, bands as stored.
  p = LitBloc(BlocStocke(0x9632, 2), 0x9632);
  EXPECT_EQ(Niveaux(p), (std::vector<int>{200, 201, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(LectureFX, BandCountsAndExtensionLengths) {
  struct Cas {
    int bandes;
    int32_t extension;
  } cas[] = {{0, 3}, {-5, 3}, {11, 0}, {4, -8}};
  for (const Cas& c : cas) {
    std::string s = BlocStocke(0x9805, c.bandes, c.extension);
    // Damaged values: no band read below 0, no byte skipped for a length below 0.
    const ParamFX p = LitBloc(s, 0x9805);
    EXPECT_EQ(p.multiBandLevel[0], c.bandes > 0 ? 200 : 0) << c.bandes;
  }

  // Counts the stream cannot hold mark it ended.
  std::string longue = BlocStocke(0x9805, 0, 0);
  longue.resize(longue.size() - 4);
  longue += Octets().I32(1 << 30).o;
  for (const std::string& s : {BlocStocke(0x9805, 30000).substr(0, 200), longue}) {
    Lit(s + "ZZZZ", 0x9805);
    ParamFX p;
    SetDefaultParamFX(&p);
    EXPECT_FALSE(ReadFXParam(&p));
    EXPECT_NE(EndOfFile(), 0);
  }
}

TEST_F(LectureFX, CutBlocksFailCleanly) {
  const std::string entier = BlocStocke(0x9805);
  for (size_t n = 0; n < entier.size(); n++) {
    Lit(entier.substr(0, n), 0x9805);
    ParamFX p;
    SetDefaultParamFX(&p);
    EXPECT_FALSE(ReadFXParam(&p)) << n;
  }
}

// An effect object: its definition, its area and its settings.
TEST_F(LectureFX, EffectObjects) {
  Octets e;
  e.U8(4).o += "Wah!";
  e.U8(2).o += "ok";
  e.I16(3).U8(6).o += "Geneva";  // font id and name, a byte, face, size, colour
  e.U8(0).U8(1).I16(9).I16(0).I16(0).I16(0);
  const size_t apresStyle = e.o.size();
  e.I32(40320).I32(-10).I32(80640).I32(30);  // start, top, end, bottom
  e.I16(-2).I16(3);                          // shifts
  e.U8(1);
  e.o += std::string(1024, '\x11') + std::string(1024, '\x22');
  const std::string objet = e.o + BlocStocke(0x9805) + "Z";

  Lit(objet, 0x9805);
  FX fx;
  SetDefaultFX(&fx);
  ASSERT_TRUE(ReadFX(&fx));
  EXPECT_EQ(ReadCar(), 'Z');
  EXPECT_STREQ(fx.nom, "Wah!");
  EXPECT_STREQ(fx.commentaire, "ok");
  EXPECT_EQ(fx.style.size, 9);
  EXPECT_EQ(fx.debut, 40320);
  EXPECT_EQ(fx.haut, -10);
  EXPECT_EQ(fx.fin, 80640);
  EXPECT_EQ(fx.bas, 30);
  EXPECT_EQ(fx.decalageGauche, -2);
  EXPECT_EQ(fx.decalageDroite, 3);
  EXPECT_EQ(fx.affiche, 1);
  EXPECT_EQ(fx.icone[1023], 0x11);
  EXPECT_EQ(fx.couleur[0], 0x22);
  EXPECT_EQ(fx.param.limiter, 95);
  EXPECT_EQ(fx.cache, 0u);

  // Before 0x800 no shifts are stored; before 0x710 the block has no
  // equaliser, which keeps its defaults although the object was cleared.
  std::string ancien = objet.substr(0, apresStyle + 16) + objet.substr(apresStyle + 20, 2049);
  ancien += BlocStocke(0x700) + "Z";
  Lit(ancien, 0x700);
  ASSERT_TRUE(ReadFX(&fx));
  EXPECT_EQ(ReadCar(), 'Z');
  EXPECT_EQ(fx.decalageGauche, 0);
  EXPECT_EQ(fx.bas, 30);
  EXPECT_EQ(fx.affiche, 1);
  EXPECT_EQ(fx.param.gainEqualizer, 100);
  EXPECT_EQ(fx.param.limiter, 100);
}

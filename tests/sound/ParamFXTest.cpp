// Sound-effect settings: their defaults, a new effect object, and effect
// presets read from tagged text in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/QrvFXs.h"
#include "platform/Memory.h"
#include "plugin/TagParam.h"
#include "sound/ParamFX.h"

namespace {

ParamFX Defauts() {
  ParamFX p;
  std::memset(&p, 0x5A, sizeof p);
  SetDefaultParamFX(&p);
  return p;
}

// Reads a preset text through a block of its own.
ParamFX Preset(const std::string& texte) {
  Handle h = NewHandle(Size(texte.size()));
  std::memcpy(*h, texte.data(), texte.size());
  ParamFX p;
  std::memset(&p, 0x5A, sizeof p);
  EXPECT_TRUE(ChargeFXTagParamMem(h, &p));
  DisposeHandle(h);
  return p;
}

std::vector<int> Niveaux(const ParamFX& p) {
  return std::vector<int>(p.multiBandLevel, p.multiBandLevel + kNbBandesEqualizer);
}

}  // namespace

TEST(ParamFX, DefaultsOfEveryEffect) {
  const ParamFX p = Defauts();
  struct Cas {
    const char* champ;
    int valeur, attendu;
  } cas[] = {
      {"activiteResonateur", p.activiteResonateur, 0},
      {"frequenceFixe", p.frequenceFixe, 1000},
      {"glisseFrequenceFixe", p.glisseFrequenceFixe, 0},
      {"resonanceFixe", p.resonanceFixe, 50},
      {"gainFixe", p.gainFixe, 50},
      {"frequenceLfo", p.frequenceLfo, 1000},
      {"frequenceMinLfo", p.frequenceMinLfo, 500},
      {"frequenceMaxLfo", p.frequenceMaxLfo, 2000},
      {"resonanceLfo", p.resonanceLfo, 50},
      {"gainLfo", p.gainLfo, 50},
      {"periodeLfo", p.periodeLfo, 3000},
      {"sensLfo", p.sensLfo, 0},
      {"frequenceMinWah", p.frequenceMinWah, 500},
      {"frequenceMaxWah", p.frequenceMaxWah, 2000},
      {"volumeMinWah", p.volumeMinWah, 20},
      {"volumeMaxWah", p.volumeMaxWah, 80},
      {"resonanceWah", p.resonanceWah, 50},
      {"gainWah", p.gainWah, 50},
      {"puissanceDistorsion", p.puissanceDistorsion, 50},
      {"gainDistorsion", p.gainDistorsion, 50},
      {"toneDistorsion", p.toneDistorsion, 50},
      {"puissanceOverdrive", p.puissanceOverdrive, 50},
      {"gainOverdrive", p.gainOverdrive, 50},
      {"toneOverdrive", p.toneOverdrive, 50},
      {"delaiMinFlanger", p.delaiMinFlanger, 0},
      {"delaiMaxFlanger", p.delaiMaxFlanger, 6000},
      {"periodeFlanger", p.periodeFlanger, 3000},
      {"puissanceFlanger", p.puissanceFlanger, 80},
      {"activiteEqualizer", p.activiteEqualizer, 0},
      {"gainEqualizer", p.gainEqualizer, 100},
      {"grave", p.grave, 0},
      {"aigu", p.aigu, 0},
      {"limiter", p.limiter, 100},
      {"multiBandGain", p.multiBandGain, 0},
      {"stereoFixe", p.stereoFixe, 0},
      {"fadingFixe", p.fadingFixe, -100},
      {"stereoSmooth", p.stereoSmooth, 0},
      {"stereoLfo", p.stereoLfo, 0},
      {"stereoMinLfo", p.stereoMinLfo, -50},
      {"stereoMaxLfo", p.stereoMaxLfo, 50},
      {"fadingMinLfo", p.fadingMinLfo, -50},
      {"fadingMaxLfo", p.fadingMaxLfo, 50},
      {"periodePanning", p.periodePanning, 3000},
      {"sensPanning", p.sensPanning, 0},
      {"tempsDelai", p.tempsDelai, 400},
      {"puissanceDelai", p.puissanceDelai, 40},
      {"pingPongDelai", p.pingPongDelai, 0},
      {"tempsDelaiMult", p.tempsDelaiMult, 400},
      {"puissanceDelaiMult", p.puissanceDelaiMult, 40},
      {"tempsReverb", p.tempsReverb, 3000},
      {"puissanceReverb", p.puissanceReverb, 40},
      {"pingPongReverb", p.pingPongReverb, 0},
  };
  for (const Cas& c : cas) EXPECT_EQ(c.valeur, c.attendu) << c.champ;
  EXPECT_EQ(Niveaux(p), std::vector<int>(kNbBandesEqualizer, 0));

  FX fx;
  std::memset(&fx, 0x5A, sizeof fx);
  SetDefaultFX(&fx);
  EXPECT_STREQ(fx.nom, "");
  EXPECT_EQ(fx.style.font, 3);
  EXPECT_EQ(fx.style.face, 1);
  EXPECT_EQ(fx.style.size, 9);
  EXPECT_EQ(fx.affiche, 1);
  EXPECT_EQ(fx.debut, 0);
  EXPECT_EQ(fx.cache, 0u);
  EXPECT_EQ(std::memcmp(&fx.param, &p, sizeof p), 0);
}

TEST(ParamFX, APresetSetsWhatItNamesAndKeepsTheRest) {
  const ParamFX p = Preset(
      "DebutParamFx\n"
      "  Nom \"Hall\" Commentaire \"Wide\" Icone <0102>\n"
      "  ActiviteReverb 1 ActivitePanning -1 ActiviteFlanger 40000\n"
      "  DebutResonateurFixe Frequence 1100 Resonance 60 Gain 70 FinResonateurFixe\n"
      "  DebutWah FrequenceMin 400 VolumeMax 90 Gain 65 FinWah\n"
      "  DebutDistorsion Puissance 10 Tone 20 FinDistorsion\n"
      "  DebutOverdrive Gain 30 FinOverdrive\n"
      "  DebutFlanger DelaiMin 5 Puissance 70 FinFlanger\n"
      "  DebutPanningFixe Stereo -20 Fading -60 FinPanningFixe\n"
      "  DebutPanningLFO StereoMin -30 Periode 1500 Sens 257 FinPanningLFO\n"
      "  DebutReverbDelai Temps 300 PingPong 513 FinReverbDelai\n"
      "  DebutReverbDelaiMult Puissance 35 PingPong 1 FinReverbDelaiMult\n"
      "  DebutReverb Temps 2500 Puissance 30 PingPong 258 FinReverb\n"
      "  DebutMultibandEqualizer Gain 90 GraveAiguSmooth 258 MultiBandGain 5\n"
      "    MultiBandLevel 1 MultiBandLevel 2 FinMultibandEqualizer\n"
      "DebutFinParamFx\n");
  EXPECT_EQ(p.activiteReverb, 1);
  EXPECT_EQ(p.activitePanning, -1);
  EXPECT_EQ(p.activiteFlanger, 32767);
  EXPECT_EQ(p.activiteResonateur, 0);
  EXPECT_EQ(p.frequenceFixe, 1100);
  EXPECT_EQ(p.resonanceFixe, 60);
  EXPECT_EQ(p.gainFixe, 70);
  EXPECT_EQ(p.frequenceMinWah, 400);
  EXPECT_EQ(p.volumeMaxWah, 90);
  EXPECT_EQ(p.gainWah, 65);
  EXPECT_EQ(p.frequenceMaxWah, 2000);
  EXPECT_EQ(p.puissanceDistorsion, 10);
  EXPECT_EQ(p.toneDistorsion, 20);
  EXPECT_EQ(p.gainDistorsion, 50);
  EXPECT_EQ(p.gainOverdrive, 30);
  EXPECT_EQ(p.delaiMinFlanger, 5);
  EXPECT_EQ(p.puissanceFlanger, 70);
  EXPECT_EQ(p.stereoFixe, -20);
  EXPECT_EQ(p.fadingFixe, -60);
  // Opening the oscillating panning puts both fadings at -100.
  EXPECT_EQ(p.stereoMinLfo, -30);
  EXPECT_EQ(p.stereoMaxLfo, 50);
  EXPECT_EQ(p.fadingMinLfo, -100);
  EXPECT_EQ(p.fadingMaxLfo, -100);
  EXPECT_EQ(p.periodePanning, 1500);
  EXPECT_EQ(p.sensPanning, 1);
  EXPECT_EQ(p.tempsDelai, 300);
  EXPECT_EQ(p.pingPongDelai, 1);
  EXPECT_EQ(p.puissanceDelaiMult, 35);
  EXPECT_EQ(p.pingPongDelaiMult, 1);
  EXPECT_EQ(p.tempsReverb, 2500);
  EXPECT_EQ(p.puissanceReverb, 30);
  EXPECT_EQ(p.pingPongReverb, 2);
  EXPECT_EQ(p.gainEqualizer, 90);
  EXPECT_EQ(p.graveAiguSmooth, 2);
  EXPECT_EQ(p.multiBandGain, 5);
  EXPECT_EQ(p.limiter, 100);
  EXPECT_EQ(Niveaux(p), (std::vector<int>{1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  // A key outside its section means nothing.
  EXPECT_EQ(Preset("DebutParamFx Temps 1 Gain 2 DebutFinParamFx").tempsReverb, 3000);
}

TEST(ParamFX, EqualiserBandsCountFromTheFirstBandInEveryPreset) {
  std::string treize = "DebutParamFx DebutEqualizer ";
  for (int i = 1; i <= 13; i++) treize += "MultiBandLevel " + std::to_string(i) + " ";
  treize += "Limiter 7 FinEqualizer DebutFinParamFx";
  ParamFX p = Preset(treize);
  EXPECT_EQ(Niveaux(p), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(p.limiter, 7);

  // The next preset, and the next section of one text, start again at band 0.
  p = Preset("DebutParamFx DebutEqualizer MultiBandLevel 21 MultiBandLevel 22 FinEqualizer DebutFinParamFx");
  EXPECT_EQ(Niveaux(p), (std::vector<int>{21, 22, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  p = Preset(
      "DebutParamFx DebutEqualizer MultiBandLevel 1 MultiBandLevel 2 FinEqualizer Limiter 3 DebutFinParamFx\n"
      "DebutParamFx DebutEqualizer MultiBandLevel 9 FinEqualizer ActiviteEqualizer 1 DebutFinParamFx");
  EXPECT_EQ(Niveaux(p), (std::vector<int>{9, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(p.activiteEqualizer, 1);
}

// The oscillating resonator's section closes on "FinResonateurLFP" only: a
// text closing it like its opening word runs on to a free-standing one.
TEST(ParamFX, TheOscillatingResonatorClosesOnItsOwnWord) {
  ParamFX p = Preset(
      "DebutParamFx DebutResonateurLFO Frequence 1500 Sens 3 FinResonateurLFO\n"
      "DebutReverb Temps 999 FinReverb Gain 77 FinResonateurLFP ActiviteReverb 1 DebutFinParamFx");
  EXPECT_EQ(p.frequenceLfo, 1500);
  EXPECT_EQ(p.sensLfo, 3);
  EXPECT_EQ(p.gainLfo, 77);
  EXPECT_EQ(p.tempsReverb, 3000);
  EXPECT_EQ(p.activiteReverb, 1);

  p = Preset("DebutParamFx DebutResonateurLFO FrequenceMax 2500 FinResonateurLFO ActiviteReverb 1");
  EXPECT_EQ(p.frequenceMaxLfo, 2500);
  EXPECT_EQ(p.activiteReverb, 0);
}

TEST(ParamFX, PresetsWithoutContentGiveTheDefaults) {
  const ParamFX d = Defauts();
  for (const char* texte : {"", "no preset here", "DebutParamFx", "DebutParamFx Nom \"x"}) {
    const ParamFX p = Preset(texte);
    EXPECT_EQ(std::memcmp(&p, &d, sizeof p), 0) << texte;
  }
  ParamFX p = d;
  EXPECT_FALSE(ChargeFXTagParamMem(nullptr, &p));
  // The reader no longer holds the block it was given (the caller frees it).
  Preset("DebutParamFx DebutFinParamFx");
  EXPECT_EQ(TagSetMemory(nullptr), nullptr);
}

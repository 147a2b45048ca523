// Voice envelopes: the word programs the builders write, how they run step
// by step, note-off and a release rate changed by the pedal.
#include <gtest/gtest.h>

#include <vector>

#include "sound/Enveloppes.h"

namespace {

std::vector<uint32_t> Mots(const Enveloppe& e) { return std::vector<uint32_t>(e.mots, e.mots + e.nbMots); }

constexpr uint32_t R = kSegmentRampe;
constexpr uint32_t T = kSegmentTenue;
constexpr uint32_t L = kSegmentRelache;

// Steps until the envelope stops (at most `limite`).
int PasJusquArret(Enveloppe* e, int limite) {
  int n = 0;
  while (IsEnveloppeActive(e) && n < limite) {
    AvanceEnveloppe(e);
    n++;
  }
  return n;
}

}  // namespace

TEST(Enveloppes, VolumeProgramsByAttackDurationAndSustain) {
  struct Cas {
    const char* nom;
    int32_t attaque, duree, relache;
    bool soutien;
    int32_t debut, tauxAttaque, tauxRelache;
    std::vector<uint32_t> mots;
  };
  const Cas cas[] = {
      // 32767 / (10 x 4) = 819; 32767 / 1000 = 32; 32767 / 200 = 163.
      {"attack, decay, release", 10, 1000, 200, false, 0, 32, 163, {0, R | 819, 32767, R | 32, 0, L | 163, 0, 0}},
      {"no attack time jumps", 0, 1000, 200, false, 0, 32, 163, {0, R | 0, 32767, R | 32, 0, L | 163, 0, 0}},
      {"negative attack starts full", -1, 1000, 200, false, 32767, 32, 163, {32767, R | 32, 0, L | 163, 0, 0}},
      {"sustain waits",
       10,
       1000,
       200,
       true,
       0,
       32,
       163,
       {0, R | 819, 32767, kSegmentSoutien, 32767, R | 32, 0, L | 163, 0, 0}},
      // Short times are capped at 16383 a step; no release time is the fastest.
      {"fast rates capped", 10, 1, 0, false, 0, 16383, 16383, {0, R | 819, 32767, R | 16383, 0, L | 16383, 0, 0}},
  };
  for (const Cas& c : cas) {
    Enveloppe e;
    int32_t ta = -7, tr = -7;
    EXPECT_EQ(ConstruitEnveloppeVolume(&e, c.attaque, c.duree, c.relache, 0, c.soutien, nullptr, 0, &ta, &tr), c.debut)
        << c.nom;
    EXPECT_EQ(Mots(e), c.mots) << c.nom;
    EXPECT_EQ(ta, c.tauxAttaque) << c.nom;
    EXPECT_EQ(tr, c.tauxRelache) << c.nom;
  }
}

TEST(Enveloppes, EndlessHoldsStayInsideTheEnvelope) {
  // A note without a length holds by a chain of the longest holds: as many
  // as the envelope holds, its release still at the end.
  Enveloppe e;
  int32_t ta = 0;
  ConstruitEnveloppeVolume(&e, -1, 0, 400, 0, false, nullptr, 0, &ta, nullptr);
  EXPECT_EQ(ta, kPasMax);
  ASSERT_LE(e.nbMots, kMotsEnveloppe);
  EXPECT_GE(e.nbMots, kMotsEnveloppe - 2);
  const std::vector<uint32_t> fin(e.mots + e.nbMots - 3, e.mots + e.nbMots);
  EXPECT_EQ(fin, (std::vector<uint32_t>{L | 81, 0, 0}));
  for (int i = 1; i < e.nbMots - 3; i += 2) {
    EXPECT_EQ(e.mots[i], T | uint32_t(kPasMax));
    EXPECT_EQ(e.mots[i + 1], 32767u);
  }

  // An instrument envelope whose hold would fill hours is cut the same way.
  EnveloppeInstrument modele = {1, 0, 0, 0, 100, 80, 0, 5, 10, 50};
  ConstruitEnveloppeVolume(&e, 5, 4000, 400, 0, false, &modele, 400000000, nullptr, nullptr);
  ASSERT_LE(e.nbMots, kMotsEnveloppe);
  EXPECT_EQ(e.mots[e.nbMots - 3], L | 81);
  EXPECT_EQ(e.mots[e.nbMots - 1], 0u);
}

TEST(Enveloppes, InstrumentEnvelopeShapesTheFrame) {
  // Start 10%, peak 100%, sustain 50%, end 0; attack 5 ms and decay 10
  // steps doubled; the note's 1000 steps less attack and decay are held at
  // the peak; a fixed release lasts 2500 steps.
  EnveloppeInstrument modele = {1, 1, 1, 10, 100, 50, 0, 5, 10, 50};
  Enveloppe e;
  int32_t tr = 0;
  EXPECT_EQ(ConstruitEnveloppeVolume(&e, 0, 2000, 300, 0, false, &modele, 1000, nullptr, &tr), 3276);
  EXPECT_EQ(tr, 32767 / 2500);
  // Halved duration: 32767 / 1000.
  EXPECT_EQ(Mots(e), (std::vector<uint32_t>{3276, R | 819, 32767, T | 940, 32767, R | 1638, 16383, R | 32, 0,
                                            L | uint32_t(32767 / 2500), 0, 0}));
}

TEST(Enveloppes, SlideAndVibratoPrograms) {
  Enveloppe e;
  ConstruitEnveloppeGlissade(&e, nullptr, 1000, 256);
  EXPECT_EQ(e.nbMots, 0);

  // From 0 after 100 steps to 2.5 semitones (640/256) over the 900 left.
  GlissadeInstrument g = {2, 0, 256, 2, 50, 0, 0};
  ConstruitEnveloppeGlissade(&e, &g, 1000, 100);
  EXPECT_EQ(Mots(e), (std::vector<uint32_t>{0, T | 100, 0, R | 1, 640, 0}));
  // With a swing of a semitone each way over 64 steps.
  g.balancement = 100;
  g.periode = 64;
  ConstruitEnveloppeGlissade(&e, &g, 1000, 100);
  EXPECT_EQ(Mots(e), (std::vector<uint32_t>{0, T | 100, 0, R | 1, 640, R | 4, 896, R | 4, 640, 0}));
  // No slide: only the base offset.
  g = {0, -50, 0, 0, 0, 0, 0};
  ConstruitEnveloppeGlissade(&e, &g, 1000, 100);
  EXPECT_EQ(Mots(e), (std::vector<uint32_t>{uint32_t(-128)}));
  DemarreEnveloppe(&e);
  EXPECT_EQ(e.niveau, -128);
  EXPECT_FALSE(IsEnveloppeActive(&e));

  ConstruitEnveloppeVibrato(&e, 100, 50);
  EXPECT_EQ(Mots(e), (std::vector<uint32_t>{0, T | 100, 0, R | 656, 32767, 0}));
  ConstruitEnveloppeVibrato(&e, 32000, 50);
  EXPECT_EQ(e.nbMots, 0);
}

TEST(Enveloppes, RunsHoldsAtSustainAndReleasesAtNoteOff) {
  Enveloppe e;
  int32_t tr = 0;
  ConstruitEnveloppeVolume(&e, 10, 1000, 200, 0, true, nullptr, 0, nullptr, &tr);
  DemarreEnveloppe(&e);
  EXPECT_EQ(e.niveau, 0);
  // ceil(32767 / 819) steps of attack.
  for (int i = 0; i < 40; i++) AvanceEnveloppe(&e);
  EXPECT_LT(e.niveau, 32767);
  AvanceEnveloppe(&e);
  EXPECT_EQ(e.niveau, 32767);
  for (int i = 0; i < 20000; i++) AvanceEnveloppe(&e);
  EXPECT_EQ(e.niveau, 32767);
  EXPECT_TRUE(IsEnveloppeActive(&e));

  RelacheEnveloppe(&e);
  EXPECT_EQ(PasJusquArret(&e, 100000), (32767 + tr - 1) / tr);
  EXPECT_EQ(e.niveau, 0);
  // A second note-off changes nothing.
  RelacheEnveloppe(&e);
  EXPECT_FALSE(IsEnveloppeActive(&e));

  // Without sustain the note decays by itself, then passes its release.
  ConstruitEnveloppeVolume(&e, -1, 100, 200, 0, false, nullptr, 0, nullptr, nullptr);
  DemarreEnveloppe(&e);
  EXPECT_EQ(PasJusquArret(&e, 100000), (32767 + 326) / 327);
  EXPECT_EQ(e.niveau, 0);
}

TEST(Enveloppes, PedalChangesTheReleaseRate) {
  Enveloppe e;
  ConstruitEnveloppeVolume(&e, -1, 0, 200, 0, true, nullptr, 0, nullptr, nullptr);
  // Before the release: only the word changes, and the release takes it.
  ForceNouvelleRelache(&e, 99999);
  EXPECT_EQ(e.mots[e.nbMots - 3], L | uint32_t(kPasMax));
  ForceNouvelleRelache(&e, 327);
  DemarreEnveloppe(&e);
  RelacheEnveloppe(&e);
  for (int i = 0; i < 50; i++) AvanceEnveloppe(&e);
  EXPECT_EQ(e.niveau, 32767 - 50 * 327);
  // Mid-release: the ramp goes on from its level at the new rate.
  ForceNouvelleRelache(&e, 163);
  EXPECT_EQ(PasJusquArret(&e, 100000), (32767 - 50 * 327 + 162) / 163);
  EXPECT_EQ(e.niveau, 0);

  // A rate of 0 (or below) drops to the release level at once.
  DemarreEnveloppe(&e);
  RelacheEnveloppe(&e);
  AvanceEnveloppe(&e);
  ForceNouvelleRelache(&e, -5);
  EXPECT_EQ(e.niveau, 0);
  EXPECT_FALSE(IsEnveloppeActive(&e));
  EXPECT_EQ(e.mots[e.nbMots - 3], L);
}

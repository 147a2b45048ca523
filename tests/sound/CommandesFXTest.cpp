// The effects runtime: the conversions of effect values, the equaliser's
// filters by output rate, the command lists that a score's effect objects and
// instruments give each channel (played order, repeats, glides, links), their
// application as time passes, and the channels' set-up and release.
#include <gtest/gtest.h>

#include <complex>
#include <cstddef>
#include <vector>

#include "model/BarTableFixtures.h"
#include "model/QrvFXs.h"
#include "model/Ruptures.h"
#include "model/TempsJoue.h"
#include "sound/CommandesFX.h"
#include "sound/DoubleBuffer.h"
#include "sound/EffetsNumeriques.h"

namespace {

constexpr int32_t R = kDureeRonde;  // a 4/4 bar

struct CommandesFXTest : BarTableTest {
  CommandesFXTest() {
    Mesures(4);
    for (int i = 0; i < 3; i++) NewPortee(score, kTypePorteeStandard);
    params = GlobalDigitParam;
    params.tramesParBloc = 220;
    SetInstrumentDefautPourFx(nullptr);
  }
  ~CommandesFXTest() override {
    DisposeFX();
    SetInstrumentDefautPourFx(nullptr);
    isTraiteDblBuffer = 0;
  }

  Portee** Staff(int k) { return (*score)->portees[k]; }
  // A new effect object at a tick with the defaults; the caller sets it at once.
  ParamFX& Objet(int staff, int32_t tick) {
    const int32_t i = NewFX(Staff(staff));
    int32_t n = 0;
    FX& f = GetFXsPortee(Staff(staff), &n)[i];
    f.debut = tick;
    f.fin = tick + R / 4;
    return f.param;
  }
  FXDigitPortee& Canal(int k) { return GetCanauxFX()[k]; }
  // The channel's state once the commands up to the time have applied.
  const EtatFX& Etat(int k, uint32_t time) {
    RembobineCommandesFX(&Canal(k));
    AppliqueCommandesFX(&Canal(k), time);
    return Canal(k).etat;
  }
  // Times of the commands that write a field.
  std::vector<uint32_t> Temps(int k, size_t field) {
    std::vector<uint32_t> out;
    const Commande* l = reinterpret_cast<const Commande*>(*Canal(k).commandes);
    for (int32_t i = 0; Canal(k).commandes && i < Canal(k).nbCommandes; i++)
      if (l[i].champ == int16_t(field)) out.push_back(l[i].temps);
    return out;
  }

  ParamDigit params;
};

}  // namespace

TEST(CommandesFXValeurs, ConversionsOfTheEffectValues) {
  struct Cas {
    const char* nom;
    int32_t obtenu, attendu;
  };
  const Cas cas[] = {
      {"frequency at 44100", CvtFrequenceFX(1000, 44100), 84},
      {"frequency at 22050 is brought to 44100 first", CvtFrequenceFX(1000, 22050), 338},
      {"frequency at 48000", CvtFrequenceFX(200, 48000), 2},
      {"frequency with no rate counts 44100", CvtFrequenceFX(1000, 0), 84},
      {"resonance 0", CvtResonanceFX(0, 44100), 48000},
      {"resonance 50", CvtResonanceFX(50, 44100), 56192},
      {"resonance 100", CvtResonanceFX(100, 44100), 64384},
      {"resonance 50 at 22050", CvtResonanceFX(50, 22050), 46025},
      {"resonance 50 at 88200", CvtResonanceFX(50, 88200), 61291},
      {"pan full left", CvtPanningFX(-100), 0},
      {"pan centre", CvtPanningFX(0), 16383},
      {"pan full right", CvtPanningFX(100), 32767},
      {"pan beyond the right", CvtPanningFX(250), 32767},
      {"pan beyond the left", CvtPanningFX(-250), 0},
      {"flanger delay", CvtDelaiFlangerFX(6000, 44100), 17340825},
      {"flanger delay below 0", CvtDelaiFlangerFX(-5, 44100), 0},
      {"sweep", CvtPasBalayageFX(500, 2000, 3000), 2},
      {"sweep of period 0 counts 1", CvtPasBalayageFX(500, 2000, 0), 7500},
      {"sweep downwards", CvtPasBalayageFX(2000, 500, 1500), -5},
      {"gain at the internal width", CvtGainInterneFX(50), 65536},
      {"full gain", CvtGainInterneFX(100), 131072},
  };
  for (const Cas& c : cas) EXPECT_EQ(c.obtenu, c.attendu) << c.nom;
}

namespace {

// |H| of a biquad (b0 b1 b2 a1 a2) at a frequency.
double Gain(const float* c, double f, double rate) {
  const std::complex<double> z = std::polar(1.0, -2 * 3.14159265358979323846 * f / rate);
  return std::abs((double(c[0]) + double(c[1]) * z + double(c[2]) * z * z) /
                  (1.0 + double(c[3]) * z + double(c[4]) * z * z));
}

}  // namespace

TEST(CommandesFXValeurs, EqualiserBandsByOutputRate) {
  struct Cas {
    uint32_t rate;
    int peaking;  // octave bands from 32 Hz, then one shelving band
  };
  const Cas cas[] = {{44100, 9}, {48000, 9}, {22050, 8}, {11025, 7}, {200, 1}};
  float c[kNbBandesEqualizer][kNbCoeffsBande];
  for (const Cas& k : cas) {
    SCOPED_TRACE(k.rate);
    InitMultiBandEQ(c, k.rate);
    for (int b = 0; b < kNbBandesEqualizer; b++) {
      const double f = 32.0 * (1 << b);
      if (b > k.peaking) {
        for (float v : c[b]) EXPECT_EQ(v, 0.0f) << "band " << b;
        continue;
      }
      EXPECT_EQ(c[b][kCoeffFrequence], float(f));
      // Both forms leave the lowest frequencies alone; the peaking pair is
      // +-30 dB at its centre, the shelf at the top of the band.
      // (within the rounding of single-precision coefficients at the lowest bands)
      EXPECT_NEAR(Gain(c[b] + kCoeffBoost, 0, k.rate), 1.0, 1e-2) << "band " << b;
      EXPECT_NEAR(Gain(c[b] + kCoeffCut, 0, k.rate), 1.0, 1e-2) << "band " << b;
      const double at = b == k.peaking ? k.rate / 2.0 : f;
      EXPECT_NEAR(Gain(c[b] + kCoeffBoost, at, k.rate), 31.6228, 0.05) << "band " << b;
      EXPECT_NEAR(Gain(c[b] + kCoeffCut, at, k.rate), 1 / 31.6228, 1e-4) << "band " << b;
      EXPECT_EQ(c[b][kCoeffForme], b == k.peaking ? 1.0f : 0.0f);
    }
  }
  // Below 64 Hz, and at 64 Hz where the first band would sit at half the
  // rate, nothing is filtered (and nothing is infinite).
  for (uint32_t rate : {0u, 63u, 64u}) {
    InitMultiBandEQ(c, rate);
    for (const auto& b : c)
      for (float v : b) EXPECT_EQ(v, 0.0f) << rate;
  }
  EXPECT_EQ(dbToMult[10000], 1.0f);
  EXPECT_NEAR(dbToMult[12000], 10.0f, 1e-4);  // +20 dB
  EXPECT_NEAR(dbToMult[8000], 0.1f, 1e-6);
  EXPECT_NEAR(dbToMult[10602], 2.0f, 1e-3);
  EXPECT_NEAR(dbToMult[1], 1.0e-5f * 1.0011519f, 1e-9);
}

TEST(CommandesFXValeurs, CommandsApplyInOrderUpToTheTime) {
  FXDigitPortee c = {};
  RembobineCommandesFX(&c);
  EXPECT_EQ(c.etat.frequence, 44100);
  EXPECT_EQ(c.etat.bits, 16);
  EXPECT_EQ(c.etat.reverb, -1);
  ASSERT_TRUE(WriteCommand(nullptr, 0, &c, offsetof(EtatFX, panning), 1, 1, kGroupePanning));
  ASSERT_TRUE(WriteCommand(nullptr, 100, &c, offsetof(EtatFX, bits), 0x12345678, 2, 0));
  ASSERT_TRUE(WriteCommand(nullptr, 100, &c, offsetof(EtatFX, reverb), 7, 4, kGroupeReverb));
  ASSERT_TRUE(WriteCommand(nullptr, 200, &c, offsetof(EtatFX, reverb), uint32_t(-1), 4, kGroupeReverb));
  BlocMultiBande b = {};
  for (int i = 0; i < kNbValeursMultiBande; i++) b.niveau[i] = i * 10;
  ASSERT_TRUE(WriteCommandBloc(nullptr, 300, &c, offsetof(EtatFX, multiBande), b, kGroupeEqualiseur));
  // Writes that fall outside the state, or name no block, change nothing.
  ASSERT_TRUE(WriteCommand(nullptr, 300, &c, int16_t(sizeof(EtatFX) - 2), 0xFFFFFFFF, 4, 0));
  ASSERT_TRUE(WriteCommand(nullptr, 300, &c, -4, 0xFFFFFFFF, 4, 0));
  ASSERT_TRUE(WriteCommand(nullptr, 300, &c, offsetof(EtatFX, multiBande), 5, kLargeurBloc, 0));
  ASSERT_TRUE(WriteCommand(nullptr, 300, &c, int16_t(sizeof(EtatFX) - 8), 0, kLargeurBloc, 0));
  ASSERT_TRUE(WriteCommand(nullptr, 300, &c, offsetof(EtatFX, frequence), 0, 3, 0));
  EXPECT_EQ(c.nbCommandes, 10);
  EXPECT_EQ(reinterpret_cast<Commande*>(*c.commandes)[0].flag, kGroupePanning);

  AppliqueCommandesFX(&c, 99);
  EXPECT_EQ(c.etat.panning, 1);
  EXPECT_EQ(c.etat.bits, 16);
  AppliqueCommandesFX(&c, 150);
  EXPECT_EQ(c.etat.bits, 0x5678);
  EXPECT_EQ(c.etat.reverb, 7);
  AppliqueCommandesFX(&c, 1000);
  EXPECT_EQ(c.etat.reverb, -1);
  EXPECT_EQ(c.etat.multiBande.niveau[11], 110);
  EXPECT_EQ(c.etat.frequence, 44100);
  EXPECT_EQ(c.commandeCourante, 10);
  EXPECT_EQ(c.etat.gainEntreeReverb, 0);  // the last field, under the write that did not fit

  RembobineCommandesFX(&c);
  EXPECT_EQ(c.etat.panning, 0);
  EXPECT_EQ(c.etat.multiBande.niveau[11], 0);
  AppliqueCommandesFX(&c, 0);
  EXPECT_EQ(c.etat.panning, 1);
  DisposeFXDigitPortee(&c);
  EXPECT_EQ(c.commandes, nullptr);
  EXPECT_EQ(c.nbCommandes, 0);

  struct Glisse {
    GlisseFX g;
    int32_t t, v;
  };
  const Glisse glisses[] = {
      {{100, 50, 1000, 100}, 900, 100},  {{100, 50, 1000, 100}, 1000, 100}, {{100, 50, 1000, 100}, 1050, 125},
      {{100, 50, 1000, 100}, 1100, 150}, {{100, 50, 1000, 100}, 5000, 150}, {{100, -50, 0, 10}, 5, 75},
      {{100, 50, 1000, 0}, 5000, 100},
  };
  for (const Glisse& g : glisses) EXPECT_EQ(ValeurGlisseFX(g.g, g.t), g.v) << g.t;
}

TEST_F(CommandesFXTest, ChannelsOfAScoreAndTheirBuffers) {
  struct Cas {
    uint8_t code;
    uint16_t surechantillonnage;
    Size tampon, canaux, mixage;
  };
  const Cas cas[] = {
      {0, 1, 220 * 4, 0, 220 * 4}, {1, 1, 220 * 4, 220 * 2 * 4, 220 * 2 * 4}, {1, 2, 220 * 32, 220 * 8, 220 * 8}};
  for (const Cas& c : cas) {
    params.codeCanaux = c.code;
    params.surechantillonnage = c.surechantillonnage;
    ASSERT_TRUE(InitFX(score, &params));
    EXPECT_EQ(GlobalFXMaster.nbCanaux, 4);
    EXPECT_EQ(GlobalFXMaster.frequence, 44100u);
    EXPECT_EQ(GlobalFXMaster.codeCanaux, c.code);
    EXPECT_EQ(GlobalFXMaster.nbTrames, 220);
    EXPECT_EQ(GlobalFXMaster.CptStopFX, 0);
    EXPECT_EQ(GetPtrSize(GlobalFXMaster.tamponMixage), c.mixage);
    for (int k = 0; k < 4; k++) {
      EXPECT_EQ(GetPtrSize(reinterpret_cast<Ptr>(Canal(k).tampon)), c.tampon);
      EXPECT_EQ(GetPtrSize(reinterpret_cast<Ptr>(Canal(k).tamponCanaux)), c.canaux);
      EXPECT_EQ(Canal(k).coeffsEQ[0][kCoeffFrequence], 32.0f);
      EXPECT_EQ(Canal(k).nbCommandes, 0);  // no effect set anywhere
    }
  }
  // Without a score: the master channel alone.
  ASSERT_TRUE(InitFX(nullptr, &params));
  EXPECT_EQ(GlobalFXMaster.nbCanaux, 1);
  DisposeFX();
  EXPECT_EQ(GetCanauxFX(), nullptr);
  EXPECT_EQ(GlobalFXMaster.tamponMixage, nullptr);
  EXPECT_EQ(GlobalFXMaster.nbCanaux, 0);
}

TEST_F(CommandesFXTest, EachEffectGroupWritesItsModeAndValues) {
  struct Cas {
    const char* nom;
    void (*regle)(ParamFX&);
    void (*verifie)(const EtatFX&);
  };
  const Cas cas[] = {
      {"fixed resonator", [](ParamFX& p) { p.activiteResonateur = 2; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.resonateur + 2 * e.resonateurLfo + 4 * e.resonateurWah, 1);
         EXPECT_EQ(e.frequenceResonateur.valeur, 84);  // 1000 Hz
         EXPECT_EQ(e.resonance.valeur, 56192);
         EXPECT_EQ(e.gainResonateur, 65536);
         EXPECT_EQ(e.frequenceResonateur.duree, 0);
       }},
      {"oscillating resonator",
       [](ParamFX& p) {
         p.activiteResonateur = 3;
         p.periodeLfo = 0;
       },
       [](const EtatFX& e) {
         EXPECT_EQ(e.resonateur + 2 * e.resonateurLfo + 4 * e.resonateurWah, 3);
         EXPECT_EQ(e.frequenceMin, 21);  // 500 Hz
         EXPECT_EQ(e.frequenceMax, 338);
         EXPECT_EQ(e.pasFrequence, (338 - 21) * 5);  // a period of 0 counts 1
       }},
      {"wah", [](ParamFX& p) { p.activiteResonateur = 4; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.resonateur + 2 * e.resonateurLfo + 4 * e.resonateurWah, 5);
         EXPECT_EQ(e.frequenceResonateur.valeur, 21);
         EXPECT_EQ(e.volumeMinWah, CvtGainInterneFX(20));
       }},
      {"overdrive",
       [](ParamFX& p) {
         p.activiteDistorsion = 3;
         p.gainOverdrive = 25;
       },
       [](const EtatFX& e) {
         EXPECT_EQ(e.distorsion, 2);
         EXPECT_EQ(e.gainDistorsion, 32768);
       }},
      {"flanger", [](ParamFX& p) { p.activiteFlanger = 2; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.flanger, 1);
         EXPECT_EQ(e.delaiMaxFlanger, 17340825);
         EXPECT_EQ(e.puissanceFlanger, 80);
       }},
      {"bass and treble",
       [](ParamFX& p) {
         p.activiteEqualizer = 2;
         p.grave = 30;
       },
       [](const EtatFX& e) {
         EXPECT_EQ(e.equaliseur, 1);
         EXPECT_EQ(e.grave.valeur, 30);
         EXPECT_EQ(e.gainEqualiseur.valeur, 100);
       }},
      {"eleven bands",
       [](ParamFX& p) {
         p.activiteEqualizer = 3;
         p.multiBandLevel[10] = 7;
         p.multiBandGain = 9;
       },
       [](const EtatFX& e) {
         EXPECT_EQ(e.equaliseur, 2);
         EXPECT_EQ(e.multiBande.niveau[10], 7);
         EXPECT_EQ(e.multiBande.niveau[11], 9);
       }},
      {"fixed panning",
       [](ParamFX& p) {
         p.activitePanning = 2;
         p.stereoFixe = 100;
       },
       [](const EtatFX& e) {
         EXPECT_EQ(e.panning, 1);
         EXPECT_EQ(e.stereo.valeur, 32767);
         EXPECT_EQ(e.fading.valeur, 0);  // -100
       }},
      {"oscillating panning", [](ParamFX& p) { p.activitePanning = 3; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.panning, 2);
         EXPECT_EQ(e.stereoMin, CvtPanningFX(-50));
         EXPECT_EQ(e.pasPanning, (CvtPanningFX(50) - CvtPanningFX(-50)) * 5 / 3000);
       }},
      {"reverb", [](ParamFX& p) { p.activiteReverb = 4; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.reverb, 0);
         EXPECT_EQ(e.gainEntreeReverb, ReverbCalculeGainEntree(kReverbReverbe, 3000, 40));
         EXPECT_EQ(NbReverbDelayElt, 1);
       }},
      {"delay", [](ParamFX& p) { p.activiteReverb = 2; },
       [](const EtatFX& e) {
         EXPECT_EQ(e.reverb, 0);
         EXPECT_EQ(e.gainEntreeReverb, ReverbCalculeGainEntree(kReverbDelai, 400, 40));
       }},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    DisposeFXs(Staff(1));
    c.regle(Objet(1, R + R / 2));
    ASSERT_TRUE(InitFX(score, &params));
    // Nothing before the object, on its staff's channel only.
    EXPECT_EQ(std::memcmp(&Etat(2, R + R / 2 - 1), &Etat(0, 0xFFFFFFFF), sizeof(EtatFX)), 0);
    EXPECT_EQ(Canal(1).nbCommandes + Canal(3).nbCommandes + Canal(0).nbCommandes, 0);
    c.verifie(Etat(2, R + R / 2));
  }

  // A later object that switches each group off.
  DisposeFXs(Staff(1));
  ParamFX& p = Objet(1, 0);
  p.activiteResonateur = p.activiteDistorsion = p.activiteFlanger = 2;
  p.activiteEqualizer = p.activitePanning = p.activiteReverb = 2;
  ParamFX& q = Objet(1, 2 * R);
  q.activiteResonateur = q.activiteDistorsion = q.activiteFlanger = 1;
  q.activiteEqualizer = q.activitePanning = q.activiteReverb = 1;
  ASSERT_TRUE(InitFX(score, &params));
  const EtatFX& avant = Etat(2, 2 * R - 1);
  EXPECT_EQ(avant.resonateur && avant.distorsion && avant.flanger && avant.equaliseur && avant.panning, true);
  EXPECT_EQ(avant.reverb, 0);
  const EtatFX& apres = Etat(2, 2 * R);
  EXPECT_EQ(apres.resonateur + apres.distorsion + apres.flanger + apres.equaliseur + apres.panning, 0);
  EXPECT_EQ(apres.reverb, -1);
}

TEST_F(CommandesFXTest, GlidesRunToTheNextSettingOfTheSameValue) {
  // A glide at 0 to a setting later in the same bar, a glide from there to
  // the resonator switched off two bars on, a last glide with nothing after it.
  ParamFX& a = Objet(0, 0);
  a.activiteResonateur = 2;
  a.glisseFrequenceFixe = 1;
  ParamFX& b = Objet(0, R / 2);
  b.activiteResonateur = 2;
  b.frequenceFixe = 2000;
  b.glisseFrequenceFixe = 1;
  Objet(0, R / 4).activiteDistorsion = 2;  // sets no frequency: passed over
  Objet(0, 2 * R).activiteResonateur = 1;
  ParamFX& d = Objet(0, 3 * R);
  d.activiteResonateur = 2;
  d.glisseFrequenceFixe = 1;
  ASSERT_TRUE(InitFX(score, &params));
  struct Cas {
    uint32_t t;
    GlisseFX attendu;
  };
  const Cas cas[] = {
      {0, {84, 338 - 84, 0, R / 2}},
      {R / 2, {338, CvtFrequenceFX(200, 44100) - 338, R / 2, 2 * R - R / 2}},
      {3 * R, {84, 0, 3 * R, 0}},
  };
  for (const Cas& c : cas) {
    const GlisseFX& g = Etat(1, c.t).frequenceResonateur;
    EXPECT_EQ(g.valeur, c.attendu.valeur) << c.t;
    EXPECT_EQ(g.delta, c.attendu.delta) << c.t;
    EXPECT_EQ(g.debut, c.attendu.debut) << c.t;
    EXPECT_EQ(g.duree, c.attendu.duree) << c.t;
  }
  EXPECT_EQ(ValeurGlisseFX(Etat(1, 0).frequenceResonateur, R / 4), (84 + 338) / 2);

  // The scan itself: from a time, the first setting at or after it.
  int32_t v[kNbValeursMultiBande] = {};
  EXPECT_EQ(BalayeTableauFX(score, 0, 1, FXProcAnalyseFrequence, v), R / 2);
  EXPECT_EQ(v[0], 2000);
  EXPECT_EQ(BalayeTableauFX(score, 0, 2 * R, FXProcAnalyseFrequence, v), 2 * R);
  EXPECT_EQ(v[0], 200);
  EXPECT_EQ(BalayeTableauFX(score, 0, 3 * R + 1, FXProcAnalyseFrequence, v), -1);
  EXPECT_EQ(BalayeTableauFX(score, 1, 0, FXProcAnalyseFrequence, v), -1);  // a staff without objects
  EXPECT_EQ(BalayeTableauFX(score, 9, 0, FXProcAnalyseFrequence, v), -1);  // no such staff

  // A fixed panning glides to the next fixed one, not to an oscillating one.
  DisposeFXs(Staff(0));
  for (int i = 0; i < 3; i++) {
    ParamFX& p = Objet(0, i * R);
    p.activitePanning = i == 1 ? 3 : 2;
    p.stereoFixe = int16_t(i * 50 - 50);
    p.stereoSmooth = i == 0;
  }
  Objet(0, 2 * R).activitePanning = 2;
  ASSERT_TRUE(InitFX(score, &params));
  EXPECT_EQ(Etat(1, 0).stereo.duree, 0);
}

TEST_F(CommandesFXTest, SettingsFollowThePlayedBars) {
  // Bars 1 and 2 repeated: played 0 1 2 1 2 3.
  ASSERT_GE(AjouteRuptureEnMesure(score, 3, 1, true, false), 0);
  ASSERT_GE(AjouteRuptureEnMesure(score, 4, 2, true, false), 0);
  RemetRupturesEnForme(score);
  ASSERT_EQ(GetNbMesuresJouees(score), 6);
  Objet(0, 2 * R + 10).activitePanning = 2;
  Objet(0, -5).activiteFlanger = 2;  // a start before 0 counts as 0
  ASSERT_TRUE(InitFX(score, &params));
  EXPECT_EQ(Temps(1, offsetof(EtatFX, panning)), (std::vector<uint32_t>{2 * R + 10, 4 * R + 10}));
  EXPECT_EQ(Temps(1, offsetof(EtatFX, flanger)), (std::vector<uint32_t>{0}));
  // The list is in time order.
  const Commande* l = reinterpret_cast<const Commande*>(*Canal(1).commandes);
  for (int32_t i = 1; i < Canal(1).nbCommandes; i++) EXPECT_LE(l[i - 1].temps, l[i].temps);
  // From inside the repeat's second pass, the second pass's setting.
  EXPECT_EQ(BalayeTableauFX(score, 0, 3 * R, FXProcAnalysePanning, nullptr), 4 * R + 10);
}

TEST_F(CommandesFXTest, InstrumentBlocksAndTheEffectsSwitch) {
  Instrument defaut = {};
  defaut.effects.activitePanning = 2;
  defaut.effects.stereoFixe = -100;
  SetInstrumentDefautPourFx(&defaut);
  Objet(2, R).activiteFlanger = 2;
  ASSERT_TRUE(InitFX(score, &params));
  // Every channel starts with the default instrument's block, the master too.
  for (int k = 0; k < 4; k++) {
    EXPECT_EQ(Temps(k, offsetof(EtatFX, panning)), (std::vector<uint32_t>{0})) << k;
    EXPECT_EQ(Etat(k, 0).panning, 1);
  }
  EXPECT_EQ(Etat(3, R).flanger, 1);
  EXPECT_EQ(BalayeTableauFX(score, -1, -1, FXProcAnalysePanning, nullptr), 0);
  EXPECT_EQ(BalayeTableauFX(score, -1, 0, FXProcAnalysePanning, nullptr), -1);

  // With the effects switched off in the output parameters nothing is written.
  params.effetsNumeriques = 0;
  ASSERT_TRUE(InitFX(score, &params));
  for (int k = 0; k < 4; k++) EXPECT_EQ(Canal(k).nbCommandes, 0) << k;
  EXPECT_EQ(BalayeTableauFX(score, -1, -1, FXProcAnalysePanning, nullptr), -1);
  DisposeFX();
  EXPECT_EQ(BalayeTableauFX(score, -1, -1, FXProcAnalysePanning, nullptr), 0);
}

TEST_F(CommandesFXTest, LinkedStavesWriteOnTheChannelTheyFollow) {
  // Staff 2 follows staff 0, staff 1 follows staff 2 (so staff 0 too).
  (*Staff(2))->fxLie = 1;
  (*Staff(2))->fxPorteeLiee = 0;
  (*Staff(1))->fxLie = 1;
  (*Staff(1))->fxPorteeLiee = 2;
  Objet(1, 0).activiteFlanger = 2;
  Objet(2, R).activiteDistorsion = 2;
  ASSERT_TRUE(InitFX(score, &params));
  EXPECT_EQ(Canal(2).lie, 1);
  EXPECT_EQ(Canal(2).porteeLiee, 1);
  EXPECT_EQ(Canal(3).porteeLiee, 1);
  EXPECT_EQ(Canal(1).lie, 0);
  EXPECT_EQ(Canal(2).nbCommandes + Canal(3).nbCommandes, 0);
  EXPECT_EQ(Etat(1, R).flanger, 1);
  EXPECT_EQ(Etat(1, R).distorsion, 1);

  // A write for every channel lands once on each channel that is not linked.
  const int32_t avant0 = Canal(0).nbCommandes, avant1 = Canal(1).nbCommandes;
  ASSERT_TRUE(WriteCommand(nullptr, 5, nullptr, offsetof(EtatFX, reverb), 3, 4, kGroupeReverb));
  EXPECT_EQ(Canal(0).nbCommandes, avant0 + 1);
  EXPECT_EQ(Canal(1).nbCommandes, avant1 + 1);
  EXPECT_EQ(Canal(2).nbCommandes + Canal(3).nbCommandes, 0);

  // Links that come back to themselves, or name no staff, link nothing.
  (*Staff(0))->fxLie = 1;
  (*Staff(0))->fxPorteeLiee = 1;
  (*Staff(1))->fxPorteeLiee = 0;
  (*Staff(2))->fxPorteeLiee = 7;
  ASSERT_TRUE(InitFX(score, &params));
  for (int k = 1; k < 4; k++) EXPECT_EQ(Canal(k).lie, 0) << k;
  EXPECT_EQ(Etat(2, R).flanger, 1);
  EXPECT_EQ(Etat(3, R).distorsion, 1);
}

TEST_F(CommandesFXTest, SetUpFailsCleanlyAndTheOutputBuildsTheChannels) {
  // The audio callback never leaves its block: the wait ends, nothing is built.
  isTraiteDblBuffer = 1;
  EXPECT_FALSE(InitFX(score, &params));
  isTraiteDblBuffer = 0;
  EXPECT_EQ(GetCanauxFX(), nullptr);
  EXPECT_EQ(GlobalFXMaster.CptStopFX, 0);
  params.tramesParBloc = 0;
  EXPECT_FALSE(InitFX(score, &params));
  EXPECT_EQ(GetCanauxFX(), nullptr);
  EXPECT_FALSE(InitFX(score, nullptr));

  // The digital output builds the channels and its tear-down frees them with
  // their delay lines.
  Objet(0, 0).activiteReverb = 3;
  static int demarrages = 0;
  static const SortieMaterielle stub = {[]() -> int16_t { return int16_t(++demarrages); },
                                        []() -> int16_t { return 0; }};
  FixeSortieMaterielle(&stub);
  ParamDigit p = GlobalDigitParam;
  p.nbVoix = 4;
  ASSERT_TRUE(InitDblBuffer(score, &p));
  EXPECT_EQ(demarrages, 1);
  ASSERT_NE(GetCanauxFX(), nullptr);
  EXPECT_EQ(GlobalFXMaster.nbTrames, 220);
  EXPECT_EQ(Etat(1, 0).reverb, 0);
  EXPECT_EQ(NbReverbDelayElt, 1);
  EndDblBuffer(0);
  FixeSortieMaterielle(nullptr);
  EXPECT_EQ(GetCanauxFX(), nullptr);
  EXPECT_EQ(NbReverbDelayElt, 0);
}

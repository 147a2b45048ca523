// Voice files: a hand-written voice file with every kind of fragment, the
// rules of small files (opening ratio, velocity settings, unended sections,
// damaged spectra), packed text, paths, and the predefined voices of the
// singing-voice folder.
#include <gtest/gtest.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "SoundFixtures.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "plugin/TagParam.h"
#include "sound/Lyrastel.h"
#include "sound/VoixFichiers.h"
#include "support/DataFiles.h"
#include "support/TestPaths.h"
#include "system/Dossiers.h"

using tamrel_test::DataPath;
using tamrel_test::HasData;
using tamrel_test::Messages;
using tamrel_test::PartitionSon;

namespace {

int NbFrag(const VoixParam& v) { return v.fragments ? int(GetHandleSize(v.fragments) / Size(sizeof(Fragment))) : 0; }
const Fragment& Frag(const VoixParam& v, int i) { return reinterpret_cast<const Fragment*>(*v.fragments)[i]; }
std::vector<float> Spectre(const Fragment& f) {
  if (!f.spectre) return {};
  return std::vector<float>(f.spectre, f.spectre + f.nbSpectre * f.tailleSpectre);
}

// Voice files written into a folder of their own, which is made current;
// the starting folder and the singing-voice folder are put back afterwards.
class VoixFichiers : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    depart_ = cwd;
    char modele[] = "/tmp/voix-XXXXXX";
    ASSERT_NE(mkdtemp(modele), nullptr);
    dossier_ = modele;
    ASSERT_EQ(chdir(dossier_.c_str()), 0);
  }
  void TearDown() override {
    LibereVoixParam(&v_);
    PathLyrastelVoices = {0, 0};
    ASSERT_EQ(chdir(depart_.c_str()), 0);
    EXPECT_EQ(std::system(("rm -rf '" + dossier_ + "'").c_str()), 0);
  }
  std::string Ecrit(const std::string& nom, const std::string& texte) {
    const std::string p = dossier_ + "/" + nom;
    std::ofstream(p, std::ios::binary) << texte;
    return p;
  }
  // Reads a voice file made of the text.
  bool Charge(const std::string& texte) { return DoChargeExpressionVoix(Ecrit("v.prv", texte).c_str(), &v_); }

  std::string depart_, dossier_;
  VoixParam v_{};
};

}  // namespace

TEST_F(VoixFichiers, AHandWrittenVoiceFileLoads) {
  ASSERT_TRUE(HasData("voix/Classical/Soprano.prv"));
  ASSERT_TRUE(DoChargeExpressionVoix(DataPath("voix/Classical/Soprano.prv").c_str(), &v_));
  EXPECT_EQ(v_.timeShiftMax, 0.02f);
  EXPECT_EQ(v_.pitchAttaque, 1.5f);
  EXPECT_EQ(v_.f0JitterMax, 0.1f);
  EXPECT_EQ(v_.f0JitterVitesse, 4.0f);
  EXPECT_EQ(v_.f1JitterMax, 0.2f);
  EXPECT_EQ(v_.f2JitterVitesse, 6.0f);
  EXPECT_EQ(v_.volumeJitterMax, 0.05f);
  EXPECT_EQ(v_.f0DriftMinDuree, 120.0f);
  EXPECT_EQ(v_.enveloppeCoeffMax, 1.25f);
  EXPECT_EQ(v_.enveloppeRelache, 35.0f);
  EXPECT_EQ(v_.f0VibratoFreqMinVibrato, 5.5f);
  EXPECT_EQ(v_.f0VibratoRatioPuissanceFrequenceVibrato, 0.75f);
  EXPECT_EQ(v_.amplificationVoix, 1.1f);
  EXPECT_EQ(v_.coeffF1, 1.0f);
  EXPECT_EQ(v_.coeffF6, 0.6f);
  EXPECT_EQ(v_.graveAigu, -0.5f);
  EXPECT_EQ(v_.clipping, 0.95f);
  EXPECT_EQ(v_.singingFormantDureeMontee, 40);
  EXPECT_EQ(v_.singingFormantSharpness, -3);
  EXPECT_EQ(v_.singingFormantPower, 12);
  EXPECT_EQ(v_.dureeMinSilence, 80);
  EXPECT_EQ(v_.tailleChoeur, 4);  // the low byte of 260
  EXPECT_EQ(v_.dephasageChoeur, 3);
  EXPECT_EQ(v_.decalageOctave, 1);  // toward zero
  EXPECT_EQ(v_.decalageDemiTon, -2);
  EXPECT_STREQ(v_.phonemeSansParole, "aah");
  EXPECT_EQ(v_.icone.entete, 0x0102);
  EXPECT_EQ(v_.icone.petite[0], 0xA0);
  EXPECT_EQ(v_.icone.petite[1], 0xB1);
  EXPECT_EQ(v_.icone.petite[2], 0);
  // No opening ratio with the octave above: 40. The velocity settings were
  // given, so the notes' velocity range is their efficiency.
  EXPECT_EQ(v_.openRatio, 40.0f);
  EXPECT_EQ(v_.rangeVelociteNotes, 0.8f);
  EXPECT_EQ(GlobalCoeffVelociteWeak, 0.5f);
  EXPECT_EQ(GlobalCoeffVelociteStrong, 1.5f);
  EXPECT_EQ(GlobalEfficaciteVelociteNotes, 0.8f);

  ASSERT_EQ(NbFrag(v_), 4);
  const Fragment& table = Frag(v_, 0);
  EXPECT_STREQ(table.id, "vowel-a-l");  // ten bytes with the terminator
  EXPECT_STREQ(table.nom, "Open a");
  EXPECT_EQ(table.poids, 3);
  EXPECT_EQ(table.duree, 0.25f);
  EXPECT_EQ(table.typeFrag, 2);
  EXPECT_NE(table.forme, kFormeSpectre);
  EXPECT_EQ(table.spectre, nullptr);
  for (int i = 0; i < kNbValeursPrm; i++) EXPECT_EQ(table.prm[0][i], i == 0 ? 700.0f : float(i)) << i;
  EXPECT_EQ(table.prm[18][0], 60.0f);  // "PRM_AV"
  EXPECT_EQ(table.prm[18][1], 0.0f);
  EXPECT_EQ(table.stepLength, kStepLengthDefaut);

  const Fragment& mots = Frag(v_, 1);
  EXPECT_EQ(mots.forme, kFormeSpectre);
  EXPECT_EQ(mots.stepLength, 128);
  EXPECT_EQ(mots.beginTrans, 1);
  EXPECT_EQ(mots.endTrans, 2);
  EXPECT_EQ(mots.noiseRatio, 40000);
  EXPECT_EQ(mots.powerStart, 0.5f);
  EXPECT_EQ(mots.powerMax, 0.9f);
  EXPECT_EQ(mots.closeLips, 0.1f);
  EXPECT_EQ(Spectre(mots), (std::vector<float>{1, 2, 3, 4.5f, 5, -6}));
  // Packed values are big-endian floats, rounded (1.4 and -2.6).
  EXPECT_EQ(Spectre(Frag(v_, 2)), (std::vector<float>{1, -3}));
  EXPECT_EQ(Spectre(Frag(v_, 3)), (std::vector<float>{10, 12, 9, 15, -4, 0}));
}

TEST_F(VoixFichiers, RulesOfSmallVoiceFiles) {
  struct Cas {
    const char* nom;
    const char* texte;
    float openRatio, range, amplification;
    int fragments;
  } cas[] = {
      {"no ratio, octave below", "DebutParamVoix decalageOctave -1 FinParamVoix", 90, 0, 0, 0},
      {"no ratio, octave 0", "DebutParamVoix RangeVelociteNotes 7 FinParamVoix", 60, 7, 0, 0},
      {"ratio given", "DebutParamVoix open_ratio 33 decalageOctave -4 FinParamVoix", 33, 0, 0, 0},
      {"velocity range from the efficiency",
       "DebutParamVoix RangeVelociteNotes 7 EfficaciteVelociteNotes 2 CoeffVelociteWeak 0 FinParamVoix", 60, 2, 0, 0},
      {"two sections", "DebutParamVoix amplificationVoix 3 FinParamVoix x DebutParamVoix coeffF1 1 FinParamVoix", 60, 0,
       3, 0},
      {"unended section", "DebutParamVoix amplificationVoix 4 DebutFragment ID \"x\"", 60, 0, 4, 1},
      // An unknown row name skips to "FinPrm", here to the end of the file.
      {"unknown row without its end",
       "DebutParamVoix DebutFragment PRM_XX Val 1 FinFragment amplificationVoix 5 FinParamVoix", 60, 0, 0, 1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    ASSERT_TRUE(Charge(c.texte));
    EXPECT_EQ(v_.openRatio, c.openRatio);
    EXPECT_EQ(v_.rangeVelociteNotes, c.range);
    EXPECT_EQ(v_.amplificationVoix, c.amplification);
    EXPECT_STREQ(v_.phonemeSansParole, "M");
    EXPECT_EQ(NbFrag(v_), c.fragments);
  }
  EXPECT_FALSE(DoChargeExpressionVoix((dossier_ + "/absent.prv").c_str(), &v_));
}

TEST_F(VoixFichiers, SpectraOfFragmentSections) {
  struct Cas {
    const char* nom;
    const char* fragment;
    std::vector<float> spectre;
  } cas[] = {
      {"values row by row", "NbSpectre 2 TailleSpectre 3 DebutDataSpectre 1 2 3 4 5 6", {1, 2, 3, 4, 5, 6}},
      {"no size before the data", "DebutDataSpectre 1 2 3 NbSpectre 1", {}},
      {"resized after the data", "NbSpectre 1 TailleSpectre 2 DebutDataSpectre 1 2 TailleSpectre 900", {}},
      {"data given twice", "NbSpectre 1 TailleSpectre 1 DebutDataSpectre 1 DebutDataSpectre 2", {2}},
      {"table form first", "PRM_F1 Val 1 FinPrm NbSpectre 1 TailleSpectre 1 DebutDataSpectre 5", {}},
      {"table form after", "NbSpectre 1 TailleSpectre 1 DebutDataSpectre 5 PRM_F1 Val 1 FinPrm", {}},
      // "FxCpCy0cPcO" packs 1.4 and -2.6.
      {"packed", "NbSpectre 1 TailleSpectre 2 DebutPackedSpectre FxCpCy0cPcO", {1, -3}},
      {"packed with a bad character", "NbSpectre 1 TailleSpectre 2 DebutPackedSpectre FxCpCy0c*cO", {0, 0}},
      {"more values than the file holds", "NbSpectre 30000 TailleSpectre 30000 DebutPackedSpectre FxCp", {}},
      {"Rice",
       "NbSpectre 3 TailleSpectre 2 RicePackedSpectreSize 15 DebutRicePackedSpectre 00000mEKG00000G3E8cr",
       {10, 12, 9, 15, -4, 0}},
      {"Rice without its size", "NbSpectre 3 TailleSpectre 2 DebutRicePackedSpectre 00000mEKG00000G3E8cr", {}},
      {"Rice size beyond the file",
       "NbSpectre 3 TailleSpectre 2 RicePackedSpectreSize 900 DebutRicePackedSpectre 00000mEKG00000G3E8cr",
       {}},
      {"Rice run beyond its block",
       "NbSpectre 3 TailleSpectre 2 RicePackedSpectreSize 15 DebutRicePackedSpectre 00000zEKG00000G3E8cr",
       {0, 0, 0, 0, 0, 0}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    ASSERT_TRUE(Charge(std::string("DebutParamVoix DebutFragment ") + c.fragment + " FinFragment FinParamVoix"));
    ASSERT_EQ(NbFrag(v_), 1);
    EXPECT_EQ(Spectre(Frag(v_, 0)), c.spectre);
  }
}

TEST_F(VoixFichiers, LoadingOverFragmentsFreesThemFirst) {
  const std::string texte =
      "DebutParamVoix DebutFragment NbSpectre 1 TailleSpectre 2 DebutDataSpectre 1 2 "
      "FinFragment FinParamVoix";
  ASSERT_TRUE(Charge(texte));
  ASSERT_TRUE(Charge(texte));
  // The second load replaced the first's fragments (the leak checker sees
  // the first's spectra if they were lost).
  ASSERT_EQ(NbFrag(v_), 1);
  EXPECT_EQ(Spectre(Frag(v_, 0)), (std::vector<float>{1, 2}));
}

TEST(PackedText, SixBitsACharacter) {
  struct Cas {
    const char* texte;
    int32_t n;
    bool lu;
    std::vector<uint8_t> octets;
  } cas[] = {
      {"0000", 3, true, {0, 0, 0}},
      {"++++", 3, true, {0xFF, 0xFF, 0xFF}},
      {"Az-+", 3, true, {0x2B, 0xDF, 0xBF}},
      {"w0 rest", 1, true, {0xE8}},  // one byte takes two characters
      {"w", 1, false, {0}},
      {"A z+", 3, false, {0, 0, 0}},  // a blank is no character of the set
      {"", 0, true, {}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.texte);
    // The packed text starts right after the character that ends its keyword.
    const std::string texte = std::string("K ") + c.texte;
    Handle h = NewHandle(Size(texte.size()));
    std::memcpy(*h, texte.data(), texte.size());
    TagSetMemory(h);
    char mot[kTagLongueurMot + 1];
    ASSERT_TRUE(TagReadMotScan(mot, kTagLongueurMot));
    std::vector<uint8_t> octets(size_t(c.n), 0x55);
    EXPECT_EQ(TagReadPackedBlock(octets.data(), c.n), c.lu);
    EXPECT_EQ(octets, c.octets);
    TagSetMemory(nullptr);
    DisposeHandle(h);
  }
}

TEST_F(VoixFichiers, ColonPathsAreRelativeToTheCurrentFolder) {
  ASSERT_EQ(chdir(DataPath("voix").c_str()), 0);
  struct Cas {
    const char* chemin;
    bool ouvert;
  } cas[] = {
      {":Default:Std voice.prv", true},
      {"::Default:Std voice.prv", true},
      {"Default:Std voice.prv", false},  // no colon first: the name as it stands
      {":Classical:Alto.prv", false},
  };
  for (const Cas& c : cas) {
    std::FILE* f = LyrastelOpenVoiceFile(c.chemin, "rb");
    EXPECT_EQ(f != nullptr, c.ouvert) << c.chemin;
    if (f) std::fclose(f);
  }
  std::FILE* f = LyrastelOpenVoiceFile(DataPath("voix/Default/Std voice.prv").c_str(), "rb");
  EXPECT_NE(f, nullptr);
  if (f) std::fclose(f);
}

TEST_F(VoixFichiers, PredefinedVoicesOfTheSingingVoiceFolder) {
  PartitionSon s;
  Portee** staff = CreePorteeVide(s.score(), kTypePorteeGregorien, 1, 0);
  const auto voix = [staff]() -> VoixParam& { return *reinterpret_cast<VoixParam*>(*(*staff)->voixParam); };
  // Not a singing instrument: nothing happens.
  DoChargePredefVoix(staff, 1);
  EXPECT_EQ((*staff)->voixParam, nullptr);
  EXPECT_EQ((*staff)->chantACalculer, 0);

  // The folder is not set: the current folder is not read in its place.
  ASSERT_EQ(chdir(DataPath("voix").c_str()), 0);
  std::string dit = Messages([&] { DoChargePredefVoix(staff, 5201); });
  EXPECT_NE(dit.find("DoChargePredefVoix: file ':Default:Std voice.prv' not found"), std::string::npos) << dit;
  ASSERT_NE((*staff)->voixParam, nullptr);
  EXPECT_EQ(voix().amplificationVoix, 0.0f);
  EXPECT_EQ((*staff)->voixInitialisee, 0);
  EXPECT_EQ((*staff)->chantACalculer, 1);

  PathLyrastelVoices = CheminVol{kVolumeRacine, PlatformDirIDForPath(DataPath("voix").c_str())};
  ASSERT_NE(PathLyrastelVoices.dir, 0);
  ASSERT_EQ(chdir(dossier_.c_str()), 0);
  DoChargePredefVoix(staff, 5201);
  EXPECT_EQ(voix().amplificationVoix, 2.0f);
  EXPECT_EQ(voix().openRatio, 90.0f);
  EXPECT_EQ((*staff)->voixInitialisee, 1);
  ASSERT_EQ(NbFrag(voix()), 1);
  EXPECT_STREQ(Frag(voix(), 0).id, "std");
  // The folder that was current is current again.
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  char attendu[PATH_MAX];
  ASSERT_NE(realpath(dossier_.c_str(), attendu), nullptr);
  EXPECT_STREQ(cwd, attendu);

  DoChargePredefVoix(staff, 5210);
  EXPECT_EQ(voix().amplificationVoix, 1.1f);
  EXPECT_EQ(NbFrag(voix()), 4);
  // A preset that is missing: the user fragments are gone, the rest stays.
  (*staff)->voixInitialisee = 0;
  dit = Messages([&] { DoChargePredefVoix(staff, 5220); });
  EXPECT_NE(dit.find("file ':Classical:Alto.prv' not found"), std::string::npos) << dit;
  EXPECT_EQ(NbFrag(voix()), 0);
  EXPECT_EQ(voix().amplificationVoix, 1.1f);
  EXPECT_EQ((*staff)->voixInitialisee, 0);
}

// Singing-voice parameters of staves: voice sections written by the test
// writer and read back over the document stream at every version, the
// staves that are sung, shared fragments, spectra stored plain and
// Rice-packed, damaged lengths, and the record helpers.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "SoundFixtures.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Signe.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "sound/LanguesVoix.h"
#include "sound/Lyrastel.h"
#include "support/NativeVoix.h"
#include "system/QrvFiles.h"

using tamrel_test::NativeWriter;
using tamrel_test::PartitionSon;
using tamrel_test::VoiceFragmentRecord;
using tamrel_test::VoiceSectionRecord;

namespace {

class VoixDocument : public ::testing::Test {
 protected:
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    lyrastelInstalle = 0;
    if (LYLang) DisposeHandle(LYLang);
    LYLang = nullptr;
  }
  Portee** Portee_(uint32_t type) { return CreePorteeVide(s_.score(), type, 1, 0); }
  // Reads one section written at a version; a read that succeeds must stop
  // on the byte written after the section.
  int16_t Lit(Portee** staff, const VoiceSectionRecord& r, uint16_t version) {
    NativeWriter w(version);
    tamrel_test::WriteVoiceSection(w, r);
    w.U8('Z');
    return LitOctets(staff, w.Finish(), version);
  }
  int16_t LitOctets(Portee** staff, std::vector<uint8_t> bytes, uint16_t version) {
    bytes_ = std::move(bytes);
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(bytes_.data(), uint32_t(bytes_.size()));
    const int16_t r = ReadParamsLyrastel(staff);
    if (r) {
      EXPECT_EQ(ReadCar(), 'Z') << std::hex << version;
    }
    return r;
  }
  static VoixParam& Voix(Portee** staff) { return *reinterpret_cast<VoixParam*>(*(*staff)->voixParam); }
  static const Fragment& Frag(Portee** staff, int i) {
    return reinterpret_cast<const Fragment*>(*Voix(staff).fragments)[i];
  }
  static int NbFrag(Portee** staff) {
    Handle h = Voix(staff).fragments;
    return h ? int(GetHandleSize(h) / Size(sizeof(Fragment))) : 0;
  }
  static std::vector<float> Spectre(const Fragment& f) {
    if (!f.spectre) return {};
    return std::vector<float>(f.spectre, f.spectre + f.nbSpectre * f.tailleSpectre);
  }

  PartitionSon s_;
  std::vector<uint8_t> bytes_;
};

VoiceFragmentRecord Table(const char* id) {
  VoiceFragmentRecord f;
  f.id = id;
  f.form = 1;
  for (int i = 0; i < 22; i++)
    for (int j = 0; j < 9; j++) f.table[size_t(i)][size_t(j)] = float(i * 10 + j);
  return f;
}

VoiceFragmentRecord Plain(int16_t rows, int16_t columns, std::vector<float> values) {
  VoiceFragmentRecord f;
  f.id = "plain";
  f.form = 0;
  f.beginTrans = 3;
  f.endTrans = -4;
  f.noiseRatio = 40000;
  f.powerStart = 0.25f;
  f.powerMax = 0.75f;
  f.stepLength = 128;
  f.closeLips = 1.5f;
  f.rows = rows;
  f.columns = columns;
  f.values = std::move(values);
  f.tail = {1, 2, 3};
  return f;
}

VoiceFragmentRecord Rice(int16_t rows, int16_t columns, const std::vector<int32_t>& values, uint8_t k) {
  VoiceFragmentRecord f = Plain(rows, columns, {});
  f.id = "rice";
  f.packing = 1;
  f.packed = tamrel_test::RiceSpectrumBlock(values, rows, columns, k);
  return f;
}

// A section whose every value differs from the defaults (all zeros).
VoiceSectionRecord Complete() {
  VoiceSectionRecord r;
  r.volume = 77;
  r.pan = 30;
  r.semitone = 5;
  r.octave = -1;
  r.timeShiftMax = 0.125f;
  r.oldAfterTimeShift = {9, 9};
  for (size_t i = 0; i < r.jitters.size(); i++) r.jitters[i] = float(i) + 1.5f;
  for (size_t i = 0; i < r.envelope.size(); i++) r.envelope[i] = float(i) + 20.25f;
  r.oldEnvelope = {8, 8, 8, 8};
  for (size_t i = 0; i < r.vibrato.size(); i++) r.vibrato[i] = float(i) + 40.5f;
  r.openRatio = 55;
  r.clipping = 0.9f;
  r.iconHeader = -2;
  for (size_t i = 0; i < r.iconLarge.size(); i++) r.iconLarge[i] = uint8_t(i % 251);
  for (size_t i = 0; i < r.iconSmall.size(); i++) r.iconSmall[i] = uint8_t(i % 7 + 1);
  r.minSilence = 250;
  r.choirSize = 3;
  r.choirPhase = 9;
  r.phoneme = "la";
  r.documentValue = 0xCAFEF00D;
  r.formants = {100, -200, 300};
  r.documentValues = {-1, 2, -3, 4};
  return r;
}

}  // namespace

TEST_F(VoixDocument, SectionsOfEveryVersionReadInStep) {
  for (uint16_t version : {0x0730, 0x076F, 0x0770, 0x0850, 0x0964, 0x9630, 0x9805}) {
    SCOPED_TRACE(testing::Message() << std::hex << version);
    Portee** staff = Portee_(kTypePorteeGregorien);
    VoiceSectionRecord r = Complete();
    r.fragments = {Table("t")};
    const bool v770 = version >= 0x0770;
    if (v770) {
      r.fragments.push_back(Plain(2, 3, {2.4f, 2.5f, -0.5f, -0.6f, 1e6f, 7}));
      r.fragments.push_back(Rice(3, 4, {5, 7, 6, 10, -3, 0, 4, 4, 100, -100, 2, 1}, 2));
    }
    ASSERT_EQ(Lit(staff, r, version), 1);

    const Portee& p = **staff;
    EXPECT_EQ(p.chante, 1);
    EXPECT_EQ(p.voixInitialisee, 1);
    EXPECT_EQ(p.volumeVoix, 77);
    EXPECT_EQ(p.panVoix, 30);
    EXPECT_EQ(p.langueVoix, 0);  // no language is installed
    const VoixParam& v = Voix(staff);
    EXPECT_EQ(v.decalageDemiTon, 5);
    EXPECT_EQ(v.decalageOctave, -1);
    EXPECT_EQ(v.timeShiftMax, 0.125f);
    const float jitters[] = {v.pitchAttaque,
                             v.rangeVelociteNotes,
                             v.f0JitterMax,
                             v.f0JitterVitesse,
                             v.f1JitterMax,
                             v.f1JitterVitesse,
                             v.f2JitterMax,
                             v.f2JitterVitesse,
                             v.volumeJitterMax,
                             v.volumeJitterVitesse,
                             v.f0DriftPourcentNoteStableMontee,
                             v.f0DriftPourcentNoteStableDescente,
                             v.f0DriftMaxDuree,
                             v.f0DriftMinDuree};
    for (size_t i = 0; i < r.jitters.size(); i++) EXPECT_EQ(jitters[i], r.jitters[i]) << i;
    const float enveloppe[] = {v.enveloppeCoeffMax,  v.enveloppeCoeffConsonne,   v.enveloppeCoeffSustain,
                               v.enveloppeCoeffWeak, v.enveloppeAttaqueConsonne, v.enveloppeAttaqueVoyelle,
                               v.enveloppeChute,     v.enveloppeRelache};
    for (size_t i = 0; i < r.envelope.size(); i++) EXPECT_EQ(enveloppe[i], v770 ? r.envelope[i] : 0.0f) << i;
    const float vibrato[] = {v.f0VibratoFreqMinVibrato,
                             v.f0VibratoRatioVibratoFrequence,
                             v.f0VibratoDelaiAvantVibrato,
                             v.f0VibratoDureeMonteeVibrato,
                             v.f0VibratoPuissanceVibrato,
                             v.f0VibratoRatioPuissanceFrequenceVibrato,
                             v.amplificationVoix,
                             v.coeffF1,
                             v.coeffF2,
                             v.coeffF3,
                             v.coeffF4,
                             v.coeffF5,
                             v.coeffF6,
                             v.graveAigu};
    for (size_t i = 0; i < r.vibrato.size(); i++) EXPECT_EQ(vibrato[i], r.vibrato[i]) << i;
    // Older documents keep no opening ratio: it follows the octave's sign.
    EXPECT_EQ(v.openRatio, v770 ? 55.0f : 90.0f);
    EXPECT_EQ(v.clipping, v770 ? 0.9f : 0.0f);
    EXPECT_EQ(v.icone.entete, -2);
    EXPECT_EQ(0, std::memcmp(v.icone.grande, r.iconLarge.data(), 2048));
    EXPECT_EQ(0, std::memcmp(v.icone.petite, r.iconSmall.data(), 1024));
    EXPECT_EQ(v.dureeMinSilence, 250);
    EXPECT_EQ(v.tailleChoeur, 3);
    EXPECT_EQ(v.dephasageChoeur, 9);
    EXPECT_STREQ(v.phonemeSansParole, version >= 0x9630 ? "la" : "");
    EXPECT_EQ(v.valeurDocument, 0xCAFEF00Du);
    EXPECT_EQ(v.singingFormantDureeMontee, 100);
    EXPECT_EQ(v.singingFormantSharpness, -200);
    EXPECT_EQ(v.singingFormantPower, 300);
    const bool v850 = version >= 0x0850;
    EXPECT_EQ(v.valeursDocument[0], v850 ? -1 : 0);
    EXPECT_EQ(v.valeursDocument[3], v850 ? 4 : 0);

    ASSERT_EQ(NbFrag(staff), v770 ? 3 : 1);
    const Fragment& t = Frag(staff, 0);
    EXPECT_STREQ(t.id, "t");
    EXPECT_STREQ(t.nom, "fragment");
    EXPECT_EQ(t.poids, 1);
    EXPECT_EQ(t.duree, 0.5f);
    EXPECT_EQ(t.typeFrag, 2);
    EXPECT_EQ(t.document, 1);
    EXPECT_NE(t.forme, kFormeSpectre);
    EXPECT_EQ(t.spectre, nullptr);
    EXPECT_EQ(t.prm[0][0], 0.0f);
    EXPECT_EQ(t.prm[21][8], 218.0f);
    EXPECT_EQ(t.prm[7][3], 73.0f);
    if (!v770) continue;
    const Fragment& plain = Frag(staff, 1);
    EXPECT_EQ(plain.forme, kFormeSpectre);
    EXPECT_EQ(plain.beginTrans, 3);
    EXPECT_EQ(plain.endTrans, -4);
    EXPECT_EQ(plain.noiseRatio, 40000);
    EXPECT_EQ(plain.powerStart, 0.25f);
    EXPECT_EQ(plain.powerMax, 0.75f);
    EXPECT_EQ(plain.stepLength, 128);
    EXPECT_EQ(plain.closeLips, 1.5f);
    // Stored values are rounded to floor(x + 0.5).
    EXPECT_EQ(Spectre(plain), (std::vector<float>{2, 3, 0, -1, 1e6f, 7}));
    EXPECT_EQ(Spectre(Frag(staff, 2)), (std::vector<float>{5, 7, 6, 10, -3, 0, 4, 4, 100, -100, 2, 1}));
  }
}

TEST_F(VoixDocument, StaffFieldsAreHeldInTheirRanges) {
  struct Cas {
    int16_t pan;
    uint8_t semitone, octave;
    int16_t panLu, semitoneLu, octaveLu;
  } cas[] = {
      {200, 70, 253, 127, -58, -3},  {-5, 200, 2, 0, 0, 2},     {64, 63, 0, 64, 63, 0},
      {127, 127, 127, 127, -1, 127}, {0, 128, 128, 0, 0, -128}, {1, 64, 255, 1, -64, -1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.pan);
    Portee** staff = Portee_(kTypePorteeGregorien);
    VoiceSectionRecord r;
    r.pan = c.pan;
    r.semitone = c.semitone;
    r.octave = int8_t(c.octave);
    ASSERT_EQ(Lit(staff, r, 0x0850), 1);
    EXPECT_EQ((*staff)->panVoix, c.panLu);
    EXPECT_EQ(Voix(staff).decalageDemiTon, c.semitoneLu);
    EXPECT_EQ(Voix(staff).decalageOctave, c.octaveLu);
  }
}

TEST_F(VoixDocument, LanguageIsKeptOnlyWhenInstalled) {
  Portee** staff = Portee_(kTypePorteeGregorien);
  VoiceSectionRecord r;
  r.language = 7;
  ASSERT_EQ(Lit(staff, r, 0x0850), 1);
  EXPECT_EQ((*staff)->langueVoix, 0);
  LYLang = NewHandle(Size(2 * sizeof(LangueVoix)));
  reinterpret_cast<LangueVoix*>(*LYLang)[0].id = 3;
  reinterpret_cast<LangueVoix*>(*LYLang)[1].id = 7;
  ASSERT_EQ(Lit(staff, r, 0x0850), 1);
  EXPECT_EQ((*staff)->langueVoix, 7);
  r.language = 8;
  ASSERT_EQ(Lit(staff, r, 0x0850), 1);
  EXPECT_EQ((*staff)->langueVoix, 0);
}

TEST_F(VoixDocument, OnlySungStavesStoreMoreThanTheMarker) {
  struct Cas {
    uint32_t type;
    uint8_t karaoke, ligneParoles, marqueur;
    bool chante;  // the writer stores the whole section
  } cas[] = {
      {kTypePorteeGregorien, 0, 0, 1, true},  {kTypePorteeGregorien, 0, 0, 2, false},
      {kTypePorteeStandard, 0, 0, 1, false},  {kTypePorteeStandard, 0, 1, 1, true},
      {kTypePorteeStandard, 1, 0, 4, true},   {kTypePorteeTablature, 1, 0, 1, true},
      {kTypePorteeTablature, 0, 0, 1, false}, {kTypePorteeParole, 0, 1, 1, false},
      {kTypePorteeParole, 1, 0, 1, true},     {kTypePorteeBatterie, 1, 1, 1, false},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " marker " << int(c.marqueur));
    Portee** staff = Portee_(c.type);
    (*staff)->karaoke = c.karaoke;
    (*staff)->ligneParolesAffichee = c.ligneParoles;
    VoiceSectionRecord r = Complete();
    r.marker = c.marqueur;
    r.sung = c.chante;
    ASSERT_EQ(Lit(staff, r, 0x9805), 1);
    // Marker 2 says there is no voice; any other value is the sung byte.
    EXPECT_EQ((*staff)->chante, c.marqueur == 2 ? 0 : c.marqueur);
    EXPECT_EQ((*staff)->voixParam != nullptr, c.chante);
    EXPECT_EQ((*staff)->voixInitialisee, c.chante ? 1 : 0);
  }
  // With the singing engine, a staff without voice data gets the chant
  // configuration.
  lyrastelInstalle = 1;
  Portee** staff = Portee_(kTypePorteeGregorien);
  VoiceSectionRecord r;
  r.marker = 2;
  ASSERT_EQ(Lit(staff, r, 0x9805), 1);
  EXPECT_NE((*staff)->voixParam, nullptr);
  EXPECT_EQ((*staff)->chantConfig2, 1);
}

TEST_F(VoixDocument, ChoirOfNoSingerResetsTheRecordAndReadsOn) {
  Portee** staff = Portee_(kTypePorteeGregorien);
  VoiceSectionRecord r = Complete();
  r.choirSize = 0;
  r.fragments = {Plain(1, 2, {1, 2})};
  ASSERT_EQ(Lit(staff, r, 0x9805), 1);
  EXPECT_EQ((*staff)->chante, 0);
  EXPECT_EQ((*staff)->volumeVoix, 77);  // a staff field, not the record's
  VoixParam attendu{};
  VoixParam lu = Voix(staff);
  ASSERT_EQ(NbFrag(staff), 1);
  EXPECT_EQ(Spectre(Frag(staff, 0)), (std::vector<float>{1, 2}));
  lu.fragments = nullptr;
  // The four values after the fragments are still read into the record.
  EXPECT_EQ(lu.valeursDocument[1], 2);
  std::memset(lu.valeursDocument, 0, sizeof lu.valeursDocument);
  EXPECT_EQ(0, std::memcmp(&lu, &attendu, sizeof lu));
}

TEST_F(VoixDocument, FragmentsSharedWithAnEarlierStaffAreCopies) {
  Portee** premiere = Portee_(kTypePorteeGregorien);
  VoiceSectionRecord r;
  r.fragments = {Table("t"), Plain(2, 2, {1, 2, 3, 4})};
  ASSERT_EQ(Lit(premiere, r, 0x0850), 1);
  Portee** seconde = Portee_(kTypePorteeGregorien);
  Portee** troisieme = Portee_(kTypePorteeGregorien);
  VoiceSectionRecord partage;
  partage.fragmentCount = 2;
  partage.sharedStaff = 0;
  partage.documentValues = {5, 6, 7, 8};
  ASSERT_EQ(Lit(troisieme, partage, 0x0850), 1);
  ASSERT_EQ(NbFrag(troisieme), 2);
  EXPECT_STREQ(Frag(troisieme, 0).id, "t");
  EXPECT_EQ(Spectre(Frag(troisieme, 1)), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_NE(Frag(troisieme, 1).spectre, Frag(premiere, 1).spectre);
  EXPECT_EQ(Voix(troisieme).valeursDocument[3], 8);
  // An index that is not an earlier staff, or a staff without a voice, gives
  // no fragment; nothing follows the index either way.
  for (int16_t index : {2, 3, 40, 1}) {
    partage.sharedStaff = index;
    ASSERT_EQ(Lit(troisieme, partage, 0x0850), 1) << index;
    EXPECT_EQ(NbFrag(troisieme), 0) << index;
  }
  (void)seconde;
  // The copy is freed with its staff, the source with its own.
  DisposeLyrastelPortee(premiere);
  EXPECT_EQ((*premiere)->voixParam, nullptr);
}

TEST_F(VoixDocument, FragmentExtensionsOfEveryLength) {
  struct Cas {
    int16_t k;
    uint16_t step;
    float closeLips;
    uint8_t packing;
  } cas[] = {
      {-1, 256, 0, 0}, {0, 256, 0, 0}, {1, 256, 0, 0},   {2, 99, 0, 0},    {3, 99, -3, 0},
      {4, 99, 0, 0},   {5, 99, 0, 0},  {6, 99, 2.5f, 0}, {7, 99, 2.5f, 9}, {12, 99, 2.5f, 9},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.k);
    Portee** staff = Portee_(kTypePorteeGregorien);
    VoiceFragmentRecord f = Plain(1, 2, {6, 7});
    f.extension = c.k;
    f.stepLength = 99;
    f.closeLipsByte = -3;
    f.closeLips = 2.5f;
    // An unknown packing mode: its bytes are passed over, the spectrum stays zero.
    f.packing = 9;
    f.packed = {1, 2, 3, 4, 5};
    VoiceSectionRecord r;
    r.fragments = {f};
    ASSERT_EQ(Lit(staff, r, 0x9805), 1);
    const Fragment& lu = Frag(staff, 0);
    EXPECT_EQ(lu.stepLength, c.step);
    EXPECT_EQ(lu.closeLips, c.closeLips);
    EXPECT_EQ(Spectre(lu), c.packing ? (std::vector<float>{0, 0}) : (std::vector<float>{6, 7}));
  }
}

TEST_F(VoixDocument, RicePackedSpectraOfEveryShape) {
  struct Cas {
    int16_t rows, columns;
    uint8_t k;
    std::vector<int32_t> values;
  } cas[] = {
      {1, 5, 2, {3, -4, 10, 10, 0}},
      {4, 1, 1, {1, 2, 4, 8}},
      {3, 3, 4, {100, 90, 80, -70, 60, 50, 0, 0, 1 << 20}},
      {2, 2, 32, {7, 7, 7, 7}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << c.rows << "x" << c.columns);
    Portee** staff = Portee_(kTypePorteeGregorien);
    VoiceFragmentRecord f = Rice(c.rows, c.columns, c.values, c.k);
    // A one-row spectrum uses the first run only: what follows it is not read.
    if (c.rows == 1) f.packed.insert(f.packed.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    VoiceSectionRecord r;
    r.fragments = {f};
    ASSERT_EQ(Lit(staff, r, 0x9805), 1);
    EXPECT_EQ(Spectre(Frag(staff, 0)), std::vector<float>(c.values.begin(), c.values.end()));

    Fragment direct = Frag(staff, 0);
    direct.spectre = nullptr;
    ASSERT_TRUE(AlloueCantovoxParam(&direct));
    const uint32_t premier = (uint32_t(f.packed[0]) << 24) | (f.packed[1] << 16) | (f.packed[2] << 8) | f.packed[3];
    EXPECT_EQ(CvtBlockPackeEnSpectreCV(f.packed.data(), int32_t(f.packed.size()), &direct), int32_t(premier));
    EXPECT_EQ(Spectre(direct), Spectre(Frag(staff, 0)));
    // A block cut inside a run fills nothing.
    EXPECT_EQ(CvtBlockPackeEnSpectreCV(f.packed.data(), int32_t(f.packed.size()) - 6, &direct), 0);
    EXPECT_EQ(Spectre(direct), std::vector<float>(c.values.size(), 0.0f));
    DisposeDataFragment(&direct);
  }
}

TEST_F(VoixDocument, SpectraWithoutValuesOrRoomAreAbsent) {
  struct Cas {
    int16_t rows, columns;
    uint8_t packing;
  } cas[] = {
      {0, 4, 0},
      {3, 0, 0},
      {-2, -3, 0},
      {-1, 5, 1},
      {0, 0, 1},
      // More values than the block could carry: no room is made for them.
      {1000, 1000, 1},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(testing::Message() << c.rows << "x" << c.columns);
    Portee** staff = Portee_(kTypePorteeGregorien);
    VoiceFragmentRecord f = Rice(1, 2, {1, 2}, 2);
    f.rows = c.rows;
    f.columns = c.columns;
    f.packing = c.packing;
    if (!c.packing) f.packed.clear();
    VoiceSectionRecord r;
    r.fragments = {f, Plain(1, 1, {42})};
    ASSERT_EQ(Lit(staff, r, 0x9805), 1);
    ASSERT_EQ(NbFrag(staff), 2);
    EXPECT_EQ(Frag(staff, 0).spectre, nullptr);
    EXPECT_EQ(Frag(staff, 0).nbSpectre, c.rows);
    EXPECT_EQ(Spectre(Frag(staff, 1)), (std::vector<float>{42}));
  }
}

TEST_F(VoixDocument, DamagedLengthsFailTheRead) {
  const auto rice = [] { return Rice(2, 3, {1, 2, 3, 4, 5, 6}, 3); };
  std::vector<std::pair<const char*, VoiceSectionRecord>> cas;
  {
    VoiceSectionRecord r;
    VoiceFragmentRecord f = rice();
    f.packedCount = -4;
    r.fragments = {f};
    cas.push_back({"negative byte count", r});
  }
  {
    VoiceSectionRecord r;
    VoiceFragmentRecord f = rice();
    f.packedCount = 0x7FFFFF00;
    r.fragments = {f};
    cas.push_back({"byte count beyond the file", r});
  }
  {
    VoiceSectionRecord r;
    VoiceFragmentRecord f = rice();
    f.packed[3] = 0xF0;  // the first run's length overruns its block
    r.fragments = {f};
    cas.push_back({"first run beyond the block", r});
  }
  {
    VoiceSectionRecord r;
    VoiceFragmentRecord f = rice();
    f.packed.resize(f.packed.size() - 3);  // the second run is cut
    r.fragments = {f};
    cas.push_back({"second run cut", r});
  }
  {
    VoiceSectionRecord r;
    r.fragmentCount = -3;
    r.fragments = {Table("t")};
    cas.push_back({"negative fragment count", r});
  }
  {
    VoiceSectionRecord r;
    r.fragmentCount = 30000;
    r.fragments = {Table("t")};
    cas.push_back({"more fragments than the stream holds", r});
  }
  {
    VoiceSectionRecord r;
    r.fragments = {Plain(3000, 3000, {1, 2})};
    cas.push_back({"plain values beyond the stream", r});
  }
  for (const auto& [nom, r] : cas) {
    SCOPED_TRACE(nom);
    Portee** staff = Portee_(kTypePorteeGregorien);
    EXPECT_EQ(Lit(staff, r, 0x9805), 0);
    EXPECT_TRUE(EndOfFile());
    TermineSurPtr();
  }
  // A section cut anywhere fails as well.
  NativeWriter w(0x9805);
  VoiceSectionRecord r = Complete();
  r.fragments = {Table("t"), Plain(1, 2, {1, 2}), Rice(2, 2, {1, 2, 3, 4}, 2)};
  tamrel_test::WriteVoiceSection(w, r);
  const std::vector<uint8_t> entier = w.Finish();
  for (size_t n = 0; n < entier.size(); n += 97) {
    Portee** staff = Portee_(kTypePorteeGregorien);
    EXPECT_EQ(LitOctets(staff, std::vector<uint8_t>(entier.begin(), entier.begin() + long(n)), 0x9805), 0) << n;
  }
}

TEST_F(VoixDocument, PackedSpectraLieOutsideTheCodedStretch) {
  char modele[] = "/tmp/voix-XXXXXX";
  ASSERT_NE(mkdtemp(modele), nullptr);
  const std::string chemin = std::string(modele) + "/doc.qrv";
  NativeWriter w(0x9805);
  w.Text("HEAD");
  w.StartLZW();
  w.Text("coded, coded, coded");
  VoiceSectionRecord r = Complete();
  r.fragments = {Rice(2, 3, {9, 8, 7, 6, 5, 4}, 2), Plain(1, 2, {1, 2}), Rice(1, 2, {-1, -2}, 1)};
  tamrel_test::WriteVoiceSection(w, r);
  w.U8('Z');
  const std::vector<uint8_t> octets = w.Finish();
  std::FILE* f = std::fopen(chemin.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(octets.data(), 1, octets.size(), f), octets.size());
  std::fclose(f);

  ASSERT_TRUE(OrvantaOpenFile(chemin.c_str(), "rb"));
  char tete[5] = {};
  ReadBlock(tete, 4);
  EXPECT_STREQ(tete, "HEAD");
  SetLZWMode(1);
  char texte[20] = {};
  ReadBlock(texte, 19);
  EXPECT_STREQ(texte, "coded, coded, coded");
  VersionQuarvelLoad = 0x9805;
  Portee** staff = Portee_(kTypePorteeGregorien);
  EXPECT_EQ(ReadParamsLyrastel(staff), 1);
  EXPECT_EQ(GetLZWMode(), 1);
  EXPECT_EQ(ReadCar(), 'Z');
  CloseFile();
  ASSERT_EQ(NbFrag(staff), 3);
  EXPECT_EQ(Spectre(Frag(staff, 0)), (std::vector<float>{9, 8, 7, 6, 5, 4}));
  EXPECT_EQ(Spectre(Frag(staff, 2)), (std::vector<float>{-1, -2}));
  std::remove(chemin.c_str());
  std::remove(modele);
}

TEST(Lyrastel, RecordCopiesOwnTheirSpectra) {
  VoixParam source{};
  source.coeffF3 = 4.5f;
  source.fragments = NewHandle(0);
  Fragment f{};
  f.forme = kFormeSpectre;
  f.nbSpectre = 2;
  f.tailleSpectre = 2;
  ASSERT_TRUE(AlloueCantovoxParam(&f));
  const float valeurs[] = {0.49f, 0.5f, -1.5f, 2.51f};
  std::memcpy(f.spectre, valeurs, sizeof valeurs);
  RoundFloatSpectre(&f);
  EXPECT_EQ(std::vector<float>(f.spectre, f.spectre + 4), (std::vector<float>{0, 1, -1, 3}));
  ASSERT_TRUE(AddFragmentPtrToFragmentHandle(&f, source.fragments));
  DisposeDataFragment(&f);
  EXPECT_EQ(f.spectre, nullptr);
  f.forme = 1;
  EXPECT_FALSE(AlloueCantovoxParam(&f));  // the table form has no spectrum
  ASSERT_TRUE(AddFragmentPtrToFragmentHandle(&f, source.fragments));

  VoixParam copie;
  DupliqueVoixParam(&source, &copie);
  EXPECT_EQ(copie.coeffF3, 4.5f);
  ASSERT_NE(copie.fragments, source.fragments);
  const auto* a = reinterpret_cast<const Fragment*>(*source.fragments);
  const auto* b = reinterpret_cast<const Fragment*>(*copie.fragments);
  ASSERT_NE(b[0].spectre, a[0].spectre);
  EXPECT_EQ(b[0].spectre[3], 3.0f);
  EXPECT_EQ(b[1].spectre, nullptr);
  LibereVoixParam(&source);
  EXPECT_EQ(source.fragments, nullptr);
  DisposeFragmentsUser(&copie);
  EXPECT_EQ(copie.fragments, nullptr);
}

TEST(Lyrastel, SingingInstruments) {
  for (int32_t id : {5201, 5210, 5220, 5230, 5240, 5250, 5260, 5270, 5272, 5274})
    EXPECT_TRUE(IsIDInstrumentLY(id)) << id;
  for (int32_t id : {0, 5200, 5202, 5211, 5255, 5269, 5275, 5280, -5201}) EXPECT_FALSE(IsIDInstrumentLY(id)) << id;
}

TEST(Lyrastel, DefaultVoiceOfAStaff) {
  PartitionSon s;
  Portee** staff = CreePorteeVide(s.score(), kTypePorteeGregorien, 1, 0);
  // Not sung: nothing is set and the sung byte stays clear.
  EXPECT_FALSE(LyrastelCalculeDefautPortee(staff));
  EXPECT_EQ((*staff)->chante, 0);
  (*staff)->chante = 1;
  for (int8_t hauteur : {30, -1, 45, 41}) {  // the rest (-1) does not count
    int32_t n = 0;
    GetSignesPortee(staff, &n);
    ASSERT_EQ(InsereSigne(staff, n), 1);
    RazNote(&GetSignesPortee(staff, &n)[n - 1], hauteur, 40320);
  }
  ASSERT_TRUE(LyrastelCalculeDefautPortee(staff));
  EXPECT_EQ((*staff)->langueVoix, 3);  // no lyrics to tell the language
  EXPECT_EQ((*staff)->voixInitialisee, 1);
  // (60 - (30 + 45) / 2) / 12 octaves up.
  EXPECT_EQ(reinterpret_cast<VoixParam*>(*(*staff)->voixParam)->decalageOctave, 1);
  EXPECT_FALSE(LyrastelCalculeDefautPortee(staff));  // already set up
  // Without the engine the document is left as it is.
  EXPECT_FALSE(LyrastelAdapteDocument(s.score(), true));
}

// Digital audio tracks: tracks synthesised with the test writer in every
// coded form and read back into their sample streams, codec failures that
// must leave the document in step, damaged records, a played bar's samples
// for drawing, and format changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "sound/Flux.h"
#include "sound/PisteNumerique.h"
#include "sound/SoundFixtures.h"
#include "support/MlapTestEncoder.h"
#include "support/NativeTrack.h"
#include "support/OggTestEncoder.h"
#include "system/QrvFiles.h"
#include "text/TextStyle.h"

using tamrel_test::NativeWriter;
using tamrel_test::RawSamples16;
using tamrel_test::TrackChunk;
using tamrel_test::TrackRecord;

namespace {

std::vector<int16_t> Rampe(int n, int pas, int depart = 0) {
  std::vector<int16_t> s;
  for (int i = 0; i < n; i++) s.push_back(int16_t(depart + i * pas));
  return s;
}

std::vector<int16_t> Sinus(int n, double amplitude, double periode) {
  std::vector<int16_t> s;
  for (int i = 0; i < n; i++) s.push_back(int16_t(std::lround(amplitude * std::sin(2 * M_PI * i / periode))));
  return s;
}

std::vector<uint8_t> Mlap(const std::vector<int16_t>& samples) {
  tamrel_test::MlapTestStream flux;
  for (int16_t s : samples) flux.samples.push_back(s);
  flux.blocks = {{2, 6, false, false}};
  std::vector<uint8_t> attendu;
  return tamrel_test::MlapTestEncode(flux, &attendu);
}

std::vector<int16_t> Concat(std::initializer_list<std::vector<int16_t>> parts) {
  std::vector<int16_t> r;
  for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

double Ecart(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t debut, size_t fin) {
  double somme = 0;
  for (size_t i = debut; i < fin; i++) somme += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  return std::sqrt(somme / double(fin - debut));
}

class PisteNumerique : public tamrel_test::FluxTest {
 protected:
  void SetUp() override {
    FluxTest::SetUp();
    staff_ = NewPortee(score_.score(), kTypePorteePisteNumerique);
    ASSERT_NE(staff_, nullptr);
  }
  void TearDown() override {
    TermineSurPtr();
    VersionQuarvelLoad = 0;
    FluxTest::TearDown();
  }
  // Writes the track at a version with the byte 'Z' after it, and reads it
  // back from memory; the reader must stop on the 'Z'.
  int16_t Lit(const TrackRecord& track, uint16_t version, bool enPas = true) {
    NativeWriter w(version);
    tamrel_test::WriteTrack(w, track);
    w.U8('Z');
    octets_ = w.Finish();
    VersionQuarvelLoad = version;
    FixeLectureSurPtr(octets_.data(), uint32_t(octets_.size()));
    const int16_t r = ReadPisteNumerique(staff_);
    if (enPas) {
      EXPECT_EQ(ReadCar(), 'Z') << "the stream is out of step after the track";
    }
    return r;
  }
  // The stream's samples in its own 16-bit form.
  std::vector<int16_t> Samples16() {
    const int32_t id = (*staff_)->flux;
    std::vector<int16_t> s(GetLengthFlux(id));
    SeekFlux(id, 0);
    ReadFluxNatif(s.data(), int32_t(s.size()), id);
    return s;
  }

  tamrel_test::PartitionSon score_;
  Portee** staff_ = nullptr;
  std::vector<uint8_t> octets_;
};

}  // namespace

// Every codec, with data and silence chunks, reads into a stream of exactly
// the track's length, and the document goes on after the last chunk.
TEST_F(PisteNumerique, TracksOfEveryCodecLoad) {
  const std::vector<int16_t> a = Rampe(700, 37, -9000), b = Rampe(300, -11, 4000);
  struct Cas {
    const char* nom;
    uint16_t version;
    uint8_t codec;
    std::vector<TrackChunk> chunks;
    std::vector<int16_t> attendu;
  };
  const std::vector<int16_t> silence(250, 0);
  const Cas cas[] = {
      {"raw, little-endian",
       0x0964,
       kCodecPisteBrut,
       {{true, 700, RawSamples16(a, 0x0964)}, {false, 250, {}}, {true, 300, RawSamples16(b, 0x0964)}},
       Concat({a, silence, b})},
      {"raw, big-endian before 9.64",
       0x0930,
       kCodecPisteBrut,
       {{true, 700, RawSamples16(a, 0x0930)}, {false, 250, {}}, {true, 300, RawSamples16(b, 0x0930)}},
       Concat({a, silence, b})},
      {"raw before the codec byte",
       0x0700,
       kCodecPisteBrut,
       {{true, 700, RawSamples16(a, 0x0700)}, {false, 250, {}}, {true, 300, RawSamples16(b, 0x0700)}},
       Concat({a, silence, b})},
      {"MLAP", 0x9805, 3, {{true, 700, Mlap(a)}, {false, 250, {}}, {true, 300, Mlap(b)}}, Concat({a, silence, b})},
      // No MP3 decoder: the chunk's bytes are passed over and its samples are silence.
      {"MP3",
       0x9632,
       kCodecPisteMp3,
       {{true, 700, std::vector<uint8_t>(417, 0xFF)}, {false, 250, {}}, {true, 300, std::vector<uint8_t>(90, 0x33)}},
       std::vector<int16_t>(1250, 0)},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TrackRecord t;
    t.codec = c.codec;
    t.samples = 1250;
    t.chunks = c.chunks;
    ASSERT_EQ(Lit(t, c.version), 1);
    EXPECT_EQ(GetSampleRatePisteNumerique(staff_), 44100u);
    EXPECT_EQ(GetNbBitsPisteNumerique(staff_), 16);
    EXPECT_EQ(GetLengthPisteNumerique(staff_), 1250u);
    EXPECT_EQ(Samples16(), c.attendu);
  }
}

// Ogg chunks: one channel of two is kept, a chunk that decodes to fewer
// samples than it states is made up with silence, one that decodes to more
// is cut at its count.
TEST_F(PisteNumerique, OggChunksKeepTheFirstChannelAndTheirStatedCount) {
  const std::vector<int16_t> sinus = Sinus(6000, 9000, 80);
  std::vector<int16_t> stereo;
  for (int16_t v : sinus) stereo.insert(stereo.end(), {v, int16_t(-v / 3)});
  TrackRecord t;
  t.codec = kCodecPisteOgg;
  t.samples = 6000 + 1000 + 6500 + 5000;
  t.chunks = {{true, 6000, tamrel_test::OggTestEncode(sinus, 1, 44100)},
              {false, 1000, {}},
              {true, 6500, tamrel_test::OggTestEncode(stereo, 2, 44100, 7)},
              {true, 5000, tamrel_test::OggTestEncode(sinus, 1, 44100, 9)}};
  ASSERT_EQ(Lit(t, 0x9805), 1);
  const std::vector<int16_t> s = Samples16();
  ASSERT_EQ(s.size(), 18500u);
  const std::vector<int16_t> premier(s.begin(), s.begin() + 6000);
  EXPECT_LT(Ecart(premier, sinus, 500, 5500), 400.0);
  for (int i = 6000; i < 7000; i++) ASSERT_EQ(s[size_t(i)], 0) << i;
  const std::vector<int16_t> gauche(s.begin() + 7000, s.begin() + 13000);
  EXPECT_LT(Ecart(gauche, sinus, 500, 5500), 400.0);  // not the right channel, nor both interleaved
  for (int i = 13000; i < 13500; i++) ASSERT_EQ(s[size_t(i)], 0) << i;
  const std::vector<int16_t> coupe(s.begin() + 13500, s.end());
  EXPECT_LT(Ecart(coupe, sinus, 500, 4900), 400.0);
}

// 8-bit tracks: raw samples are unsigned, and silence is 128 whether a
// silence chunk or a coded chunk's padding writes it.
TEST_F(PisteNumerique, EightBitSilenceIsTheMiddleValue) {
  for (uint8_t codec : {kCodecPisteBrut, kCodecPisteMp3}) {
    SCOPED_TRACE(int(codec));
    TrackRecord t;
    t.bits = 8;
    t.rate = 22050;
    t.codec = codec;
    t.samples = 40;
    const std::vector<uint8_t> donnees = {0, 255, 128, 7, 200};
    t.chunks = {{false, 30, {}}, {true, 10, codec == kCodecPisteBrut ? std::vector<uint8_t>(10, 90) : donnees}};
    ASSERT_EQ(Lit(t, 0x9805), 1);
    const int32_t id = (*staff_)->flux;
    ASSERT_EQ(GetLengthFlux(id), 40u);
    std::vector<uint8_t> s(40);
    SeekFlux(id, 0);
    ReadFluxNatif(s.data(), 40, id);
    std::vector<uint8_t> attendu(30, 128);
    attendu.resize(40, codec == kCodecPisteBrut ? 90 : 128);
    EXPECT_EQ(s, attendu);
    int32_t mot = 1;
    ReadData32bPisteNumerique(staff_, 0, &mot, 1);
    EXPECT_EQ(mot, 0);
  }
}

// A chunk whose codec fails is passed over by its stated size and reads as
// silence; the chunks after it are read in step.
TEST_F(PisteNumerique, CodecFailuresLeaveTheStreamInStep) {
  const std::vector<int16_t> a = Rampe(400, 23, -3000), b = Rampe(200, 41, 100);
  const std::vector<uint8_t> bruit(9000, 0x5A);
  tamrel_test::MlapTestStream damaged;
  for (int16_t s : a) damaged.samples.push_back(s);
  damaged.checksumDelta = 1;
  std::vector<uint8_t> jete;
  const std::vector<uint8_t> mlapAbime = tamrel_test::MlapTestEncode(damaged, &jete);
  // An MLAP stream cut short, stated at its full size: the decoder runs into
  // the next chunk's bytes and must be brought back.
  std::vector<uint8_t> coupe = Mlap(a);
  coupe.resize(coupe.size() / 2);
  struct Cas {
    const char* nom;
    uint8_t codec;
    int16_t bits;
    TrackChunk rate;
    TrackChunk suite;
    std::vector<int16_t> attendu;
  };
  const std::vector<int16_t> vide(400, 0);
  const Cas cas[] = {
      {"Ogg chunk that is no Ogg", kCodecPisteOgg, 16, {true, 400, bruit}, {false, 200, {}}, std::vector<int16_t>(600)},
      {"MLAP checksum", 3, 16, {true, 400, mlapAbime}, {true, 200, Mlap(b)}, Concat({a, b})},
      {"MLAP cut short", 3, 16, {true, 400, coupe, int32_t(coupe.size())}, {true, 200, Mlap(b)}, {}},
      {"MLAP of an 8-bit track", 3, 8, {true, 400, Mlap(a)}, {true, 200, Mlap(b)}, {}},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TrackRecord t;
    t.codec = c.codec;
    t.bits = c.bits;
    t.samples = 600;
    t.chunks = {c.rate, c.suite};
    std::string messages;
    int16_t r = 0;
    messages = tamrel_test::Messages([&] { r = Lit(t, 0x9805); });
    ASSERT_EQ(r, 1);
    ASSERT_EQ(GetLengthPisteNumerique(staff_), 600u);
    if (c.bits == 8) {
      std::vector<uint8_t> s(600);
      SeekFlux((*staff_)->flux, 0);
      ReadFluxNatif(s.data(), 600, (*staff_)->flux);
      EXPECT_EQ(s, std::vector<uint8_t>(600, 128));
      continue;
    }
    const std::vector<int16_t> s = Samples16();
    if (!c.attendu.empty()) {
      EXPECT_NE(messages.find("chunk not decoded"), std::string::npos) << messages;
      // A damaged MLAP stream keeps the samples it wrote before its checksum.
      EXPECT_EQ(s, c.attendu);
    } else {
      EXPECT_EQ(std::vector<int16_t>(s.begin() + 400, s.end()), b);
    }
  }
}

// Records that cannot be read fail cleanly; counts beyond the track's
// length are reported and not written.
TEST_F(PisteNumerique, DamagedTracks) {
  const std::vector<int16_t> a = Rampe(100, 3);
  struct Cas {
    const char* nom;
    uint8_t codec;
    int32_t samples;
    std::vector<TrackChunk> chunks;
    int16_t resultat;
    const char* message;
    uint32_t longueur;
  };
  TrackChunk inconnu{true, 100, RawSamples16(a, 0x9805)};
  inconnu.type = 7;
  TrackChunk trop{true, 100, {}};
  trop.statedBytes = 1 << 30;
  const Cas cas[] = {
      {"unknown chunk type", kCodecPisteBrut, 100, {inconnu}, 0, "bad chunk", 100},
      {"raw data beyond the file", kCodecPisteBrut, 100, {{true, 5000, RawSamples16(a, 0x9805)}}, 0, "bad chunk", 100},
      {"negative count", kCodecPisteMp3, 100, {{false, -4, {}}}, 0, "bad chunk", 100},
      {"coded bytes beyond the file", kCodecPisteOgg, 100, {trop}, 0, "bad chunk", 100},
      {"raw chunks past the length",
       kCodecPisteBrut,
       150,
       {{true, 100, RawSamples16(a, 0x9805)}, {false, 1 << 30, {}}},
       1,
       "too much data",
       150},
      {"coded chunks past the length",
       kCodecPisteMp3,
       150,
       {{true, 100, {1, 2}}, {false, 1 << 30, {}}},
       1,
       "too much data",
       150},
  };
  for (const Cas& c : cas) {
    SCOPED_TRACE(c.nom);
    TrackRecord t;
    t.codec = c.codec;
    t.samples = c.samples;
    t.chunks = c.chunks;
    int16_t r = -1;
    const std::string messages = tamrel_test::Messages([&] { r = Lit(t, 0x9805, c.resultat == 1); });
    EXPECT_EQ(r, c.resultat);
    EXPECT_NE(messages.find(c.message), std::string::npos) << messages;
    EXPECT_EQ(GetLengthPisteNumerique(staff_), c.longueur);
  }
  // A record cut in its settings, and a negative length.
  TrackRecord t;
  t.samples = -1;
  EXPECT_EQ(Lit(t, 0x9805, false), 0);
  NativeWriter w(0x9805);
  tamrel_test::WriteTrack(w, TrackRecord{});
  octets_ = w.Finish();
  VersionQuarvelLoad = 0x9805;
  FixeLectureSurPtr(octets_.data(), 20);
  EXPECT_EQ(ReadPisteNumerique(staff_), 0);
}

// The settings, style and markers go into the staff; a marker count of
// 0x8000 or more stores none and reads none.
TEST_F(PisteNumerique, SettingsAndMarkers) {
  TrackRecord t;
  t.rate = 48000;
  t.bits = 24;
  t.volume = 90;
  t.pan = 10;
  t.settings = {1, 200, 3, 4, 250, 6};
  t.style.face = 2;
  t.style.size = 9;
  t.style.rgb = {0, 65535, 0};
  t.markers = {0, 4800, 96000};
  ASSERT_EQ(Lit(t, 0x9805), 1);
  const Portee& p = **staff_;
  EXPECT_EQ(p.piste.frequence, 48000u);
  EXPECT_EQ(p.piste.bits, 24);
  EXPECT_EQ(GetBitsFlux(p.flux), 24);
  EXPECT_EQ(GetRateFlux(p.flux), 48000u);
  EXPECT_EQ(p.volume, 90);
  EXPECT_EQ(p.pan, 10);
  EXPECT_EQ(p.piste.reglage1, 1);
  EXPECT_EQ(p.piste.reglage2, 200);
  EXPECT_EQ(p.piste.reglage5, 250);
  EXPECT_EQ(p.piste.reglage6, 6);
  EXPECT_EQ(p.piste.style.size, 9);
  EXPECT_EQ(p.piste.style.face, 2);
  EXPECT_EQ(p.piste.style.color.green, 65535);
  ASSERT_EQ(p.piste.nbMarqueurs, 3);
  EXPECT_EQ(reinterpret_cast<int32_t*>(*p.piste.marqueurs)[2], 96000);

  // Half the rate: the markers follow.
  ASSERT_EQ(SetFormatPisteNumerique(staff_, 24000, 0), 1);
  EXPECT_EQ(GetRateFlux((*staff_)->flux), 24000u);
  EXPECT_EQ(GetNbBitsPisteNumerique(staff_), 24);
  EXPECT_EQ(reinterpret_cast<int32_t*>(*(*staff_)->piste.marqueurs)[1], 2400);
  EXPECT_EQ(SetFormatPisteNumerique(staff_, 0, 0), 1);
  EXPECT_EQ(SetFormatPisteNumerique(staff_, 0, 5), 0);  // no stream holds 5-bit samples
  EXPECT_EQ(GetNbBitsPisteNumerique(staff_), 24);

  t.markers = {};
  t.markerCount = 0x8000;
  ASSERT_EQ(Lit(t, 0x9805), 1);
  EXPECT_EQ((*staff_)->piste.nbMarqueurs, 0);
  EXPECT_EQ((*staff_)->piste.marqueurs, nullptr);
}

// A track inside an LZW stretch: its samples are stored plain and the coding
// goes on after them.
TEST_F(PisteNumerique, SamplesOutsideTheCodedStretch) {
  const std::vector<int16_t> a = Rampe(3000, 7, -10000);
  NativeWriter w(0x9805);
  w.StartLZW();
  w.Text("before");
  TrackRecord t;
  t.samples = 3000;
  t.chunks = {{true, 3000, RawSamples16(a, 0x9805)}};
  tamrel_test::WriteTrack(w, t);
  w.Text("after");
  const std::string chemin = dossier_ + "/track.qrv";
  const std::vector<uint8_t> octets = w.Finish();
  std::ofstream(chemin, std::ios::binary)
      .write(reinterpret_cast<const char*>(octets.data()), std::streamsize(octets.size()));
  ASSERT_EQ(OrvantaOpenFile(chemin.c_str(), "rb"), 1);
  VersionQuarvelLoad = 0x9805;
  SetLZWMode(1);
  char texte[7] = {};
  ReadBlock(texte, 6);
  EXPECT_STREQ(texte, "before");
  EXPECT_EQ(ReadPisteNumerique(staff_), 1);
  EXPECT_EQ(GetLZWMode(), 1);
  ReadBlock(texte, 5);
  texte[5] = 0;
  EXPECT_STREQ(texte, "after");
  CloseFile();
  EXPECT_EQ(Samples16(), a);
}

// The samples of a played bar come back as 32-bit working samples; past the
// track's end the block is silence of the bar's length.
TEST_F(PisteNumerique, SamplesOfABarForDrawing) {
  // Eight bars of 4/4 at 120: two seconds a bar.
  ASSERT_TRUE(AddEltTabEltMesureRuban(score_.score(), 8));
  score_->nbMesures = 8;
  score_->tempo = 120;
  UpdateTabEltMesure(score_.score(), kTabEltTout);
  const int32_t debut1 = CvtMesureJoueeEnMs(score_.score(), 1);
  const int32_t debut2 = CvtMesureJoueeEnMs(score_.score(), 2);
  ASSERT_EQ(debut1, 2000);
  ASSERT_EQ(debut2, 4000);
  const uint32_t rate = 8000;
  const int32_t s1 = int32_t(float(debut1) * float(rate) * 0.001f);
  const int32_t s2 = int32_t(float(debut2) * float(rate) * 0.001f);
  // The track ends 100 samples into bar 1.
  const std::vector<int16_t> a = Rampe(s1 + 100, 1, -s1);
  TrackRecord t;
  t.rate = rate;
  t.samples = int32_t(a.size());
  t.chunks = {{true, t.samples, RawSamples16(a, 0x9805)}};
  ASSERT_EQ(Lit(t, 0x9805), 1);

  int32_t n = -1;
  int32_t* s = GetDataMesurePisteNumerique(score_.score(), staff_, 1, &n);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(n, s2 - s1);
  for (int32_t i = 0; i < n; i++) ASSERT_EQ(s[i], i < 100 ? i << 16 : 0) << i;
  DisposePtr(reinterpret_cast<Ptr>(s));

  s = GetDataMesurePisteNumerique(score_.score(), staff_, 0, &n);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(n, s1);
  EXPECT_EQ(s[0], -s1 * 65536);
  EXPECT_EQ(s[n - 1], -65536);
  DisposePtr(reinterpret_cast<Ptr>(s));

  // Far past the end: silence, the bar's own length.
  s = GetDataMesurePisteNumerique(score_.score(), staff_, 40, &n);
  ASSERT_NE(s, nullptr);
  EXPECT_GT(n, 0);
  bool silence = true;
  for (int32_t i = 0; i < n; i++) silence = silence && s[i] == 0;
  EXPECT_TRUE(silence);
  DisposePtr(reinterpret_cast<Ptr>(s));
  // No staff, or a rate of 0: no samples.
  EXPECT_EQ(GetDataMesurePisteNumerique(score_.score(), nullptr, 1, &n), nullptr);
  (*staff_)->piste.frequence = 0;
  EXPECT_EQ(GetDataMesurePisteNumerique(score_.score(), staff_, 1, &n), nullptr);
  EXPECT_EQ(n, 0);
}

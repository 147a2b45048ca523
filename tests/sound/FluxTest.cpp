// Sample streams: slots and ids, reads and writes in memory and in files,
// the file fallback when temporary memory runs short, format changes, copies,
// sample conversions and the two locks.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "SoundFixtures.h"
#include "sound/Flux.h"

using tamrel_test::FluxTest;

namespace {

std::vector<int16_t> Rampe(int n, int depart = 0) {
  std::vector<int16_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; i++) v[size_t(i)] = int16_t(depart + i * 7);
  return v;
}

std::vector<int16_t> Lit16(int32_t id, uint32_t position, int n) {
  std::vector<int16_t> v(static_cast<size_t>(n));
  SeekFlux(id, position);
  ReadFluxNatif(v.data(), n, id);
  return v;
}

}  // namespace

TEST_F(FluxTest, IdsStartAtOneAndSlotsAreReused) {
  EXPECT_EQ(DisposeFlux(0), 1);
  const int32_t a = CreateFlux("t", 10, kFluxMemoire, 44100, 16);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(nbFlux, 2);
  const int32_t b = CreateFlux("t", 10, kFluxMemoire, 44100, 16);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(DisposeFlux(a), 1);
  EXPECT_EQ(GetLengthFlux(a), 0u);
  EXPECT_EQ(CreateFlux("t", 10, kFluxMemoire, 22050, 8), 1);
  EXPECT_EQ(GetRateFlux(1), 22050u);
  EXPECT_EQ(TailleSampleFlux(1), 1);
  // Widths a stream cannot hold are refused.
  EXPECT_EQ(CreateFlux("t", 10, kFluxMemoire, 44100, 4), 0);
  EXPECT_EQ(CreateFlux("t", 10, kFluxMemoire, 44100, 40), 0);
  // Neither memory nor a file: an id with no storage.
  const int32_t vide = CreateFlux("t", 10, 7, 44100, 16);
  EXPECT_GT(vide, 0);
  EXPECT_EQ(WriteFluxNatif(Rampe(3).data(), 3, vide), 0);
}

// Every behaviour of reading and writing, for a stream in memory and one in a file.
class FluxStockage : public FluxTest, public ::testing::WithParamInterface<int16_t> {};

TEST_P(FluxStockage, WritesReadsAndReadsPastTheEnd) {
  const int32_t id = CreateFlux("rw", 0, GetParam(), 44100, 16);
  ASSERT_GT(id, 0);
  const std::vector<int16_t> r = Rampe(20, 100);
  EXPECT_EQ(WriteFluxNatif(r.data(), 20, id), 20);
  EXPECT_EQ(GetLengthFlux(id), 20u);
  EXPECT_EQ(TellFlux(id), 20u);
  EXPECT_EQ(Lit16(id, 0, 20), r);

  // 10 samples 4 before the end: 4 samples, 6 zeroes, and the position moves by 10.
  std::vector<int16_t> v(10, -1);
  SeekFlux(id, 16);
  EXPECT_EQ(ReadFluxNatif(v.data(), 10, id), 10);
  EXPECT_EQ(TellFlux(id), 26u);
  EXPECT_EQ(std::vector<int16_t>(v.begin(), v.begin() + 4), std::vector<int16_t>(r.begin() + 16, r.end()));
  EXPECT_EQ(std::vector<int16_t>(v.begin() + 4, v.end()), std::vector<int16_t>(6, 0));
  // From a position past the length nothing is read.
  std::fill(v.begin(), v.end(), -1);
  SeekFlux(id, 1000);
  ReadFluxNatif(v.data(), 10, id);
  EXPECT_EQ(v, std::vector<int16_t>(10, 0));
  EXPECT_EQ(TellFlux(id), 1010u);

  // Writing in the middle overwrites; writing past the end grows the length.
  const std::vector<int16_t> w = {-1, -2, -3};
  EXPECT_EQ(WriteFluxPosNatif(id, 18, w.data(), 3), 3);
  EXPECT_EQ(GetLengthFlux(id), 21u);
  EXPECT_EQ(Lit16(id, 17, 4), (std::vector<int16_t>{r[17], -1, -2, -3}));

  // Silence, then the 32-bit working form both ways.
  SeekFlux(id, 2);
  EXPECT_EQ(FillFlux(id, 3), 1);
  EXPECT_EQ(Lit16(id, 1, 5), (std::vector<int16_t>{r[1], 0, 0, 0, r[5]}));
  std::vector<int32_t> large(25);
  SeekFlux(id, 0);
  EXPECT_EQ(ReadFlux32b(large.data(), 25, id), 25);
  EXPECT_EQ(large[0], int32_t(uint32_t(uint16_t(r[0])) << 16));
  EXPECT_EQ(large[18], int32_t(0xFFFF0000u));
  EXPECT_EQ(large[24], 0);
  std::vector<int32_t> travail(12);
  for (int i = 0; i < 12; i++) travail[size_t(i)] = int32_t(uint32_t(i * 1000) << 16);
  SeekFlux(id, 21);
  EXPECT_EQ(WriteFlux32b(travail.data(), 12, id), 12);
  EXPECT_EQ(GetLengthFlux(id), 33u);
  EXPECT_EQ(Lit16(id, 30, 3), (std::vector<int16_t>{9000, 10000, 11000}));

  // A shorter length pulls the position back.
  EXPECT_EQ(SetLengthFlux(id, 5), 1);
  EXPECT_EQ(TellFlux(id), 5u);
  EXPECT_EQ(Lit16(id, 0, 1)[0], r[0]);
}

TEST_P(FluxStockage, EightBitSilenceIs128AndCopiesKeepTheirPosition) {
  const int32_t id = CreateFlux("s8", 0, GetParam(), 22050, 8);
  ASSERT_GT(id, 0);
  const uint8_t octets[] = {1, 2, 3};
  WriteFluxNatif(octets, 3, id);
  EXPECT_EQ(FillFlux(id, 4), 1);
  uint8_t lus[8];
  SeekFlux(id, 0);
  ReadFluxNatif(lus, 8, id);
  EXPECT_EQ(std::vector<uint8_t>(lus, lus + 8), (std::vector<uint8_t>{1, 2, 3, 128, 128, 128, 128, 0}));

  SeekFlux(id, 2);
  const int32_t copie = DupliqueFlux(id, 0, 1);
  ASSERT_GT(copie, 0);
  EXPECT_EQ(TellFlux(copie), 2u);
  EXPECT_EQ(GetLengthFlux(copie), 7u);
  EXPECT_EQ(GetRateFlux(copie), 22050u);
  SeekFlux(copie, 0);
  ReadFluxNatif(lus, 7, copie);
  EXPECT_EQ(std::vector<uint8_t>(lus, lus + 7), (std::vector<uint8_t>{1, 2, 3, 128, 128, 128, 128}));
  // The copy is a copy: writing to it leaves the source alone.
  WriteFluxPosNatif(copie, 0, octets + 2, 1);
  SeekFlux(id, 0);
  ReadFluxNatif(lus, 1, id);
  EXPECT_EQ(lus[0], 1);
}

INSTANTIATE_TEST_SUITE_P(MemoireEtFichier, FluxStockage, ::testing::Values(kFluxMemoire, kFluxFichier),
                         [](const auto& info) { return info.param == kFluxMemoire ? "Memory" : "File"; });

TEST_F(FluxTest, TheTemporaryMemoryCapSendsStreamsToFiles) {
  // Room for a small stream but not for the margin a large one needs.
  SetTempMemCap(GetTempMemCap() - TempFreeMem() + 10 * GetTailleBufferTransfert() + 1000);
  const int32_t petit = CreateFlux("small", 100, kFluxMemoire, 44100, 16);
  const int32_t grand = CreateFlux("large", 100000, kFluxMemoire, 44100, 16);
  ASSERT_GT(petit, 0);
  ASSERT_GT(grand, 0);
  EXPECT_EQ(reinterpret_cast<Flux*>(*tabFlux)[petit].enMemoire, 1u);
  EXPECT_EQ(GetLengthFlux(petit), 100u);  // a memory stream starts full, silent
  EXPECT_EQ(reinterpret_cast<Flux*>(*tabFlux)[grand].enMemoire, 0u);
  EXPECT_EQ(GetLengthFlux(grand), 0u);
  EXPECT_EQ(Fichiers(), 1);

  // The small stream grows past the cap: it goes on in a file, samples intact.
  const std::vector<int16_t> r = Rampe(100, -50);
  WriteFluxNatif(r.data(), 100, petit);
  SeekFlux(petit, 40);
  const int n = 10 * GetTailleBufferTransfert();  // twice the bytes the cap leaves
  const std::vector<int16_t> suite = Rampe(n, 3);
  EXPECT_EQ(WriteFluxPosNatif(petit, 100, suite.data(), n), n);
  EXPECT_EQ(reinterpret_cast<Flux*>(*tabFlux)[petit].enMemoire, 0u);
  EXPECT_EQ(GetLengthFlux(petit), uint32_t(100 + n));
  EXPECT_EQ(Lit16(petit, 0, 100), r);
  EXPECT_EQ(Lit16(petit, 100, n), suite);
  EXPECT_EQ(Fichiers(), 2);
  DisposeFlux(petit);
  DisposeFlux(grand);
  EXPECT_EQ(Fichiers(), 0);
}

TEST_F(FluxTest, FormatChangesKeepTheIdAndScaleThePosition) {
  // An empty stream only takes the new rate and bits.
  const int32_t vide = CreateFlux("f", 0, kFluxFichier, 44100, 16);
  EXPECT_EQ(SetFormatFlux(vide, 22050, 8), 1);
  EXPECT_EQ(GetRateFlux(vide), 22050u);
  EXPECT_EQ(GetBitsFlux(vide), 8);
  EXPECT_EQ(SetFormatFlux(0, 1, 1), 1);

  for (int16_t mode : {kFluxMemoire, kFluxFichier}) {
    const int32_t id = CreateFlux("f", 0, mode, 22050, 16);
    std::vector<int16_t> r(100);
    for (int i = 0; i < 100; i++) r[size_t(i)] = int16_t(i * 256);
    WriteFluxNatif(r.data(), 100, id);
    SeekFlux(id, 30);
    ASSERT_EQ(SetFormatFlux(id, 44100, 8), 1) << mode;
    EXPECT_EQ(GetRateFlux(id), 44100u);
    EXPECT_EQ(GetBitsFlux(id), 8);
    EXPECT_EQ(TellFlux(id), 60u);
    EXPECT_EQ(GetLengthFlux(id), 200u);
    uint8_t lus[4];
    SeekFlux(id, 20);
    ReadFluxNatif(lus, 4, id);
    // Sample 10 is 2560: its top byte is 10, shown unsigned; halfway samples interpolate.
    EXPECT_EQ(std::vector<uint8_t>(lus, lus + 4), (std::vector<uint8_t>{138, 138, 139, 139})) << mode;
  }
}

TEST(FluxConversions, ResamplingCountsAndInterpolation) {
  EXPECT_EQ(Cvt200eEnNbSamplesDigitPortee(44100), 220);
  EXPECT_EQ(Cvt200eEnNbSamplesDigitPortee(48000), 239);
  EXPECT_EQ(Cvt200eEnNbSamplesDigitPortee(22050), 110);

  std::vector<int16_t> s(4096);
  std::iota(s.begin(), s.end(), int16_t(0));
  int32_t n = 0;
  Ptr p = ChangeSampleFormatSurBuffer(s.data(), 4096, 44100, 16, 1, 48000, 16, &n);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(n, 4449);
  DisposePtr(p);

  const int16_t deux[] = {1000, 3000, -2000};
  p = ChangeSampleFormatSurBuffer(deux, 3, 22050, 16, 1, 44100, 16, &n);
  ASSERT_NE(p, nullptr);
  ASSERT_EQ(n, 6);
  const auto* o = reinterpret_cast<const int16_t*>(p);
  EXPECT_EQ(std::vector<int16_t>(o, o + 6), (std::vector<int16_t>{1000, 2000, 3000, 500, -2000, -2000}));
  DisposePtr(p);

  // Rates too low to step through, and widths that are not whole bytes.
  EXPECT_EQ(ChangeSampleFormatSurBuffer(deux, 3, 50, 16, 1, 44100, 16, &n), nullptr);
  EXPECT_EQ(ChangeSampleFormatSurBuffer(deux, 3, 44100, 16, 1, 0, 16, &n), nullptr);
  EXPECT_EQ(ChangeSampleFormatSurBuffer(deux, 3, 44100, 4, 1, 44100, 16, &n), nullptr);
  EXPECT_EQ(n, 0);
}

TEST(FluxConversions, SamplesToAndFromTheWorkingForm) {
  struct Cas {
    int16_t bits, ordre;
    std::vector<uint8_t> natif;
    uint32_t travail;
  };
  const uint16_t hote = 0x1234;
  std::vector<uint8_t> motHote(2);
  std::memcpy(motHote.data(), &hote, 2);
  const Cas cas[] = {
      {8, 0, {0x80}, 0x00000000u},
      {8, 0, {0xFF}, 0x7F000000u},
      {8, 0, {0x00}, 0x80000000u},
      {16, -1, motHote, 0x12340000u},
      {16, 0, {0x34, 0x12}, 0x12340000u},
      {16, 1, {0x12, 0x34}, 0x12340000u},
      {24, 0, {0x56, 0x34, 0x12}, 0x12340056u},
      {32, 0, {0x78, 0x56, 0x34, 0x12}, 0x12345678u},
  };
  for (const Cas& c : cas) {
    EXPECT_EQ(uint32_t(SampleNatifTo32b(c.natif.data(), c.bits, c.ordre)), c.travail) << c.bits << " " << c.ordre;
    std::vector<uint8_t> retour(c.natif.size());
    Sample32bToNatif(int32_t(c.travail), c.bits, retour.data(), c.ordre);
    EXPECT_EQ(retour, c.natif) << c.bits << " " << c.ordre;
  }
}

TEST(FluxVerrous, NestInTheirOrderAndCountEntrances) {
  StartDblBuffCriticalSection();
  EXPECT_EQ(nbEntranceDigit, 1);
  StartFluxCriticalSection();
  EXPECT_EQ(nbEntranceFlux, 1);
  EndFluxCriticalSection();
  EndDblBuffCriticalSection();
  EXPECT_EQ(nbEntranceFlux, 0);
  EXPECT_EQ(nbEntranceDigit, 0);
  // Taken and released again: the mutexes live until the process ends.
  StartFluxCriticalSection();
  EndFluxCriticalSection();
  EXPECT_EQ(nbEntranceFlux, 0);
}

// Stored sampled sounds: every stored form decoded, the forms the system
// writes encoded and read back, resampling and widths, loops, and damaged
// or hostile blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/Memory.h"
#include "sound/OggVorbis.h"
#include "sound/SCvtdgit.h"
#include "support/MlapTestEncoder.h"
#include "support/OggTestEncoder.h"

namespace {

constexpr uint32_t k22050 = 0x56220000u, k44100 = 0xAC440000u;

// A block with its header and these data bytes (the spare sample after them).
Handle Bloc(uint16_t form, uint16_t bits, uint32_t count, const std::vector<uint8_t>& donnees, uint32_t rate = k44100,
            uint32_t debutBoucle = 0, uint32_t finBoucle = 0) {
  Handle h = NewHandleClear(Size(donnees.size() + kSurplusDigit));
  EnteteDigit e = {};
  e.form = form;
  e.bits = bits;
  e.rate = rate;
  e.byteA = 60;
  e.byteB = 61;
  e.loopStart = debutBoucle;
  e.loopEnd = finBoucle;
  e.count = count;
  SetEnteteDigit(h, e);
  if (!donnees.empty()) std::memcpy(*h + kTailleEnteteDigit, donnees.data(), donnees.size());
  return h;
}

std::vector<uint8_t> OctetsDe(const std::vector<int16_t>& s) {
  std::vector<uint8_t> o(s.size() * 2);
  std::memcpy(o.data(), s.data(), o.size());
  return o;
}

Handle Plain16(const std::vector<int16_t>& s, uint32_t rate = k44100, uint32_t debut = 0, uint32_t fin = 0) {
  return Bloc(0, 16, uint32_t(s.size()), OctetsDe(s), rate, debut, fin);
}

std::vector<int16_t> Samples16(Handle h) {
  const EnteteDigit e = GetEnteteDigit(h);
  std::vector<int16_t> s(e.count);
  std::memcpy(s.data(), *h + kTailleEnteteDigit, s.size() * 2);
  return s;
}

std::vector<uint8_t> Samples8(Handle h) {
  const EnteteDigit e = GetEnteteDigit(h);
  const auto* d = reinterpret_cast<const uint8_t*>(*h) + kTailleEnteteDigit;
  return std::vector<uint8_t>(d, d + e.count);
}

// Converts to plain 16 or 8 bits at the sound's own rate; frees the source.
Handle Plain(Handle source, int16_t bits = 16) {
  Handle r = CvtBuffDigit(source, bits, GetEnteteDigit(source).rate, 0);
  DisposeHandle(source);
  return r;
}

std::vector<int16_t> Sinus(int n, double amplitude, double periode) {
  std::vector<int16_t> s(size_t(n), 0);
  for (int i = 0; i < n; i++) s[size_t(i)] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * i / periode)));
  return s;
}

double Rms(const std::vector<int16_t>& a, size_t debut, size_t fin, const std::vector<int16_t>* b = nullptr) {
  double somme = 0;
  for (size_t i = debut; i < fin; i++) {
    const double d = double(a[i]) - (b ? double((*b)[i]) : 0.0);
    somme += d * d;
  }
  return std::sqrt(somme / double(fin - debut));
}

}  // namespace

TEST(SonsStockes, APlainCopyMovesALoopThatEndsAtTheCountInside) {
  Handle h = Plain16({1, 2, 3, 4}, k44100, 2, 4);
  Handle c = CvtBuffDigit(h, 16, k44100, 0);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c, h);
  const EnteteDigit e = GetEnteteDigit(c);
  EXPECT_EQ(e.loopEnd, 3u);
  EXPECT_EQ(e.loopStart, 1u);
  EXPECT_EQ(e.byteA, 60);
  EXPECT_EQ(e.byteB, 61);
  EXPECT_EQ(Samples16(c), (std::vector<int16_t>{1, 2, 3, 4}));
  EXPECT_EQ(GetEnteteDigit(h).loopEnd, 4u);  // the source is never changed
  DisposeHandle(c);
  DisposeHandle(h);
  EXPECT_EQ(CvtBuffDigit(nullptr, 16, k44100, 0), nullptr);
}

TEST(SonsStockes, BigEndianRunLengthAndDeltaFormsDecode) {
  // The document's byte order.
  Handle h = Plain(Bloc(kDigitGrandBoutien, 16, 2, {0x12, 0x34, 0xFF, 0xFE}));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetEnteteDigit(h).form, 0);
  EXPECT_EQ(Samples16(h), (std::vector<int16_t>{0x1234, -2}));
  DisposeHandle(h);

  // Run-length, 8 bits: 05 80 00 80 03 07 is 05 80 07 07 07 07.
  h = Plain(Bloc(kDigitRLE, 8, 6, {0, 0, 0, 0, 0, 6, 0x05, 0x80, 0x00, 0x80, 0x03, 0x07}), 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Samples8(h), (std::vector<uint8_t>{0x05, 0x80, 0x07, 0x07, 0x07, 0x07}));
  DisposeHandle(h);
  // 16 bits: 12 34 80 00 00 is the words 0x1234 and 0x8000.
  h = Plain(Bloc(kDigitRLE, 16, 2, {0, 0, 0, 0, 0, 4, 0x12, 0x34, 0x80, 0x00, 0x00}));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Samples16(h), (std::vector<int16_t>{0x1234, int16_t(0x8000)}));
  DisposeHandle(h);
  // An 8-bit length whose low byte is 0 was written the other way round.
  // 257 stored as 01 01 00 (00).
  std::vector<uint8_t> rle = {0, 0, 0x01, 0x01, 0x00, 0x00, 0x80, 0xFF, 0x09, 0x0A};
  h = Plain(Bloc(kDigitRLE, 8, 257, rle), 8);
  ASSERT_NE(h, nullptr);
  std::vector<uint8_t> attendu(256, 0x09);
  attendu.push_back(0x0A);
  EXPECT_EQ(Samples8(h), attendu);
  DisposeHandle(h);

  // Delta: steps 0, 10, 100 ...; first sample 1000; codes +2, -1, +1, 0.
  std::vector<uint8_t> delta(264, 0);
  delta[3] = 10;
  delta[5] = 100;
  delta[254] = 0x7F;  // step 127: beyond any clamp
  delta[255] = 0xFF;
  const uint8_t suite[] = {0x03, 0xE8, 0x02, 0xFF, 0x01, 0x00, 0x7F, 0x7F};
  std::copy(std::begin(suite), std::end(suite), delta.begin() + 256);
  h = Plain(Bloc(kDigitDelta8, 16, 7, delta));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Samples16(h), (std::vector<int16_t>{1000, 1100, 1090, 1100, 1100, 32767, 32767}));
  DisposeHandle(h);
}

TEST(SonsStockes, HalfRateKeepsEvenSamplesAndExpandsThemBack) {
  const std::vector<int16_t> s = {0, 10, 20, 30, 40, 50, 60};
  Handle h = Plain16(s);
  Handle demi = CvtBuffDigit(h, 16, k44100, kDigitDemiFrequence);
  ASSERT_NE(demi, nullptr);
  EXPECT_EQ(GetEnteteDigit(demi).form, kDigitDemiFrequence);
  EXPECT_EQ(GetEnteteDigit(demi).count, 8u);
  EXPECT_EQ(GetHandleSize(demi), Size(4 * 2 + kSurplusDigit));
  const auto* d = reinterpret_cast<const int16_t*>(*demi + kTailleEnteteDigit);
  EXPECT_EQ(std::vector<int16_t>(d, d + 4), (std::vector<int16_t>{0, 20, 40, 60}));

  Handle retour = Plain(demi);
  ASSERT_NE(retour, nullptr);
  // Ends by halves, inside by the four-point filter: (-0 + 6 x 20 + 6 x 40 - 60) / 10 = 30.
  EXPECT_EQ(Samples16(retour), (std::vector<int16_t>{0, 10, 20, 30, 40, 50, 60, 30}));
  DisposeHandle(retour);
  DisposeHandle(h);

  // Five data bytes or fewer expand to silence; 8-bit sounds have no half rate.
  h = Plain(Bloc(kDigitDemiFrequence, 16, 4, {1, 2, 3, 4, 5}));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Samples16(h), (std::vector<int16_t>{0, 0, 0, 0}));
  DisposeHandle(h);
  EXPECT_EQ(Plain(Bloc(kDigitDemiFrequence, 8, 4, {1, 2, 3, 4, 5, 6})), nullptr);
}

TEST(SonsStockes, EncodedFormsReadBackAsTheyWereWritten) {
  struct Cas {
    uint16_t form;
    std::vector<int16_t> samples;
    uint16_t attendu;  // the form produced
    bool exact;
  };
  std::vector<int16_t> paliers;
  for (int i = 0; i < 40; i++)
    paliers.insert(paliers.end(), {int16_t(i * 3), int16_t(i * 3), int16_t(i * 3), int16_t(i * 3), int16_t(i * 3)});
  const std::vector<int16_t> doux = Sinus(500, 3000, 100);
  const Cas cas[] = {
      {kDigitRLE, paliers, kDigitRLE, true},
      {kDigitRLE, {1, 2, 3, 4, 5, 6}, 0, true},  // no shorter: stays plain
      {kDigitRLE, {int16_t(0x8000), int16_t(0x8000), 7, 7, 7, 7, 7, 7, 7, 7}, kDigitRLE, true},
      {kDigitDelta8, std::vector<int16_t>(50, 1234), kDigitDelta8, true},  // no difference at all
      {kDigitDelta8, {0, 1, 0, 1, 1, 0, 0, 1, 0, 0}, kDigitDelta8, true},  // differences of 1
      {kDigitDelta8, doux, kDigitDelta8, false},
      {kDigitGrandBoutien, {0x1234, 5}, kDigitGrandBoutien, true},
  };
  for (const Cas& c : cas) {
    Handle h = Plain16(c.samples);
    Handle code = CvtBuffDigit(h, 16, k44100, c.form);
    ASSERT_NE(code, nullptr) << c.form;
    EXPECT_EQ(GetEnteteDigit(code).form, c.attendu) << c.form;
    Handle retour = Plain(code);
    ASSERT_NE(retour, nullptr) << c.form;
    const std::vector<int16_t> lu = Samples16(retour);
    ASSERT_EQ(lu.size(), c.samples.size()) << c.form;
    if (c.exact) {
      EXPECT_EQ(lu, c.samples) << c.form;
    } else {
      // Differences of up to 188 per sample, coded over 128 steps.
      EXPECT_LT(Rms(lu, 0, lu.size(), &c.samples), 30.0);
    }
    DisposeHandle(retour);
    DisposeHandle(h);
  }
  // The document's order puts the high byte first.
  Handle h = Plain16({0x0102});
  Handle code = CvtBuffDigit(h, 16, k44100, kDigitGrandBoutien);
  EXPECT_EQ((*code)[kTailleEnteteDigit], 0x01);
  DisposeHandle(code);
  DisposeHandle(h);
}

TEST(SonsStockes, RatesAndWidthsChange) {
  // 22050 to 44100 Hz: twice the samples, halfway ones the mean of their neighbours.
  Handle h = Plain16({100, 300, -100, 500}, k22050, 1, 3);
  Handle r = CvtBuffDigit(h, 16, k44100, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Samples16(r), (std::vector<int16_t>{100, 200, 300, 100, -100, 200, 500, 250}));
  EXPECT_EQ(GetEnteteDigit(r).rate, k44100);
  EXPECT_EQ(GetEnteteDigit(r).loopEnd & 0xFFFFFF, 6u);
  EXPECT_EQ(GetEnteteDigit(r).loopStart, 2u);
  DisposeHandle(r);

  // 16 to 8 bits and back; 8-bit sounds are widened before resampling.
  r = CvtBuffDigit(h, 8, k22050, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(Samples8(r), (std::vector<uint8_t>{128, 129, 127, 129}));
  Handle large = CvtBuffDigit(r, 16, k44100, 0);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(Samples16(large), (std::vector<int16_t>{0, 128, 256, 0, -256, 0, 256, 128}));
  DisposeHandle(large);
  DisposeHandle(r);

  // A rate of 0 cannot be stepped to; 8-bit sounds are not resampled as they are.
  EXPECT_EQ(CvtBuffDigit(h, 16, 0, 0), nullptr);
  Handle huit = Bloc(0, 8, 2, {1, 2});
  EXPECT_EQ(DupSampleFreq(huit, k22050), nullptr);
  DisposeHandle(huit);
  DisposeHandle(h);
}

TEST(SonsStockes, OggVorbisKeepsTheFirstChannel) {
  const std::vector<int16_t> sinus = Sinus(8820, 10000, 100);
  // Mono.
  std::vector<uint8_t> ogg = tamrel_test::OggTestEncode(sinus, 1, 44100);
  ASSERT_FALSE(ogg.empty());
  Handle h = Plain(Bloc(kDigitOgg, 16, uint32_t(sinus.size()), ogg));
  ASSERT_NE(h, nullptr);
  std::vector<int16_t> lu = Samples16(h);
  ASSERT_EQ(lu.size(), sinus.size());
  EXPECT_LT(Rms(lu, 1000, 8000, &sinus), 0.05 * Rms(sinus, 1000, 8000));
  DisposeHandle(h);

  // Two channels, the second silent: the count's worth of the first comes back.
  std::vector<int16_t> stereo;
  for (int16_t v : sinus) stereo.insert(stereo.end(), {v, 0});
  ogg = tamrel_test::OggTestEncode(stereo, 2, 44100);
  h = Plain(Bloc(kDigitOgg | kDigitPack, 16, uint32_t(sinus.size()), ogg));
  ASSERT_NE(h, nullptr);
  lu = Samples16(h);
  ASSERT_EQ(lu.size(), sinus.size());
  EXPECT_LT(Rms(lu, 1000, 8000, &sinus), 0.05 * Rms(sinus, 1000, 8000));
  DisposeHandle(h);

  // Bytes that are no Ogg stream decode to nothing: a failed conversion.
  EXPECT_EQ(Plain(Bloc(kDigitOgg, 16, 100, std::vector<uint8_t>(9000, 0x55))), nullptr);
  EXPECT_EQ(Plain(Bloc(kDigitOgg, 16, 100, {'O', 'g', 'g'})), nullptr);
}

TEST(SonsStockes, ChainedOggStreamsDecodeOneAfterTheOther) {
  const std::vector<int16_t> a = Sinus(3000, 8000, 50), b = Sinus(2000, 8000, 80);
  std::vector<uint8_t> ogg = tamrel_test::OggTestEncode(a, 1, 22050, 1);
  const std::vector<uint8_t> suite = tamrel_test::OggTestEncode(b, 1, 22050, 2);
  ogg.insert(ogg.end(), suite.begin(), suite.end());
  uint32_t rate = 0;
  int16_t stereo = -1, bits = 0, signe = 0;
  Handle h = DecodeMemoryOgg(ogg.data(), int32_t(ogg.size()), 1 << 20, &rate, &stereo, &bits, &signe);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), Size(2 * (a.size() + b.size())));
  EXPECT_EQ(rate, 22050u);
  EXPECT_EQ(stereo, 0);
  EXPECT_EQ(bits, 16);
  EXPECT_EQ(signe, 1);
  DisposeHandle(h);
  // The room given is all that is kept.
  h = DecodeMemoryOgg(ogg.data(), int32_t(ogg.size()), 1000, &rate, &stereo, &bits, &signe);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetHandleSize(h), 1000);
  DisposeHandle(h);
  // Cut in its headers.
  EXPECT_EQ(DecodeMemoryOgg(ogg.data(), 100, 1 << 20, &rate, &stereo, &bits, &signe), nullptr);
}

TEST(SonsStockes, PackStreamsDecodeWithinTheSoundsCount) {
  tamrel_test::MlapTestStream flux;
  for (int i = 0; i < 300; i++) flux.samples.push_back(int32_t(std::lround(5000 * std::sin(i / 9.0))));
  flux.blocks = {{2, 6, false, false}, {1, 7, true, false}};
  std::vector<uint8_t> attendu;
  const std::vector<uint8_t> code = tamrel_test::MlapTestEncode(flux, &attendu);
  ASSERT_EQ(attendu.size(), 600u);
  // The blocks' own byte orders come out as written; 0x4000 swaps the result.
  Handle h = Plain(Bloc(kDigitPack, 16, 300, code));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(OctetsDe(Samples16(h)), attendu);
  DisposeHandle(h);
  h = Plain(Bloc(kDigitPack | kDigitGrandBoutien, 16, 300, code));
  ASSERT_NE(h, nullptr);
  std::vector<uint8_t> echange = attendu;
  for (size_t i = 0; i + 1 < echange.size(); i += 2) std::swap(echange[i], echange[i + 1]);
  EXPECT_EQ(OctetsDe(Samples16(h)), echange);
  DisposeHandle(h);
  // A stream longer than the sound fills the sound's count and no more.
  h = Plain(Bloc(kDigitPack, 16, 100, code));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(OctetsDe(Samples16(h)), std::vector<uint8_t>(attendu.begin(), attendu.begin() + 200));
  DisposeHandle(h);
  // A damaged stream fails.
  flux.checksumDelta = 1;
  std::vector<uint8_t> jete;
  const std::vector<uint8_t> abime = tamrel_test::MlapTestEncode(flux, &jete);
  EXPECT_EQ(Plain(Bloc(kDigitPack, 16, 300, abime)), nullptr);
}

namespace {

int gTrames = 0;
int16_t gCanaux = 2;
// A decoder that gives frames of rising interleaved values: left k, right -k.
int32_t FauxDecodeur(const void*, int32_t, MP3FeedBackProc retour, int16_t* canaux, int32_t*) {
  int16_t trame[1152];
  int k = 0;
  for (int t = 0; t < gTrames; t++) {
    for (int i = 0; i < 1152; i += gCanaux, k++) {
      trame[i] = int16_t(k);
      if (gCanaux == 2) trame[i + 1] = int16_t(-k);
    }
    retour(trame, gCanaux);
  }
  *canaux = gCanaux;
  return 0;
}

}  // namespace

TEST(SonsStockes, MP3SoundsDropTheDecoderDelayAndFadeIn) {
  // No decoder here: every MP3 sound fails to decode.
  EXPECT_EQ(Plain(Bloc(kDigitMP3 | kDigitOgg, 16, 3000, {1, 2, 3})), nullptr);

  SetDecodeurMP3(FauxDecodeur);
  gTrames = 4;  // 4 x 576 frames of two channels
  Handle h = Plain(Bloc(kDigitMP3, 16, 3000, {1, 2, 3}, k44100, 1000, 2000));
  ASSERT_NE(h, nullptr);
  std::vector<int16_t> s = Samples16(h);
  ASSERT_EQ(s.size(), 4u * 576 - 1048);
  EXPECT_EQ(s[0], 0);
  EXPECT_EQ(s[52], int16_t((1048 + 52) * 52 / 104));
  EXPECT_EQ(s[104], 1048 + 104);
  EXPECT_EQ(s.back(), 4 * 576 - 1);
  EXPECT_EQ(GetEnteteDigit(h).loopStart, 0u);
  EXPECT_EQ(GetEnteteDigit(h).loopEnd, 2000u - 1048);
  DisposeHandle(h);
  // Mono frames, and a sound whose decoding ends within the delay.
  gCanaux = 1;
  h = Plain(Bloc(kDigitMP3, 16, 2000, {1}));
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GetEnteteDigit(h).count, 2u * 1152 - 1048);
  DisposeHandle(h);
  gTrames = 1;
  EXPECT_EQ(Plain(Bloc(kDigitMP3, 16, 2000, {1})), nullptr);
  SetDecodeurMP3(nullptr);
  gCanaux = 2;
}

TEST(SonsStockes, DamagedBlocksFailCleanly) {
  const std::vector<Handle> blocs = {
      Bloc(kDigitRLE, 16, 10, {0, 0, 0x40, 0, 0, 0, 0x80, 0x00, 0xFF, 0, 1}),  // claims 1 GiB from 5 bytes
      Bloc(kDigitRLE, 8, 10, {0, 0, 0}),                                       // no length
      Bloc(kDigitDelta8, 16, 10, std::vector<uint8_t>(100, 1)),                // no room for the table
      Bloc(0, 16, 1000000, {1, 2}),                                            // a count the data cannot hold
  };
  for (Handle b : blocs) {
    Handle r = CvtBuffDigit(b, 16, k22050, 0);
    if (r) {
      // Only the last one converts: to the samples it really holds.
      EXPECT_LE(GetEnteteDigit(r).count, 2u);
      DisposeHandle(r);
    }
    DisposeHandle(b);
  }
  Handle court = NewHandleClear(10);
  EXPECT_EQ(CvtBuffDigit(court, 16, k44100, 0), nullptr);
  DisposeHandle(court);
}

#pragma once
// Stored sampled sounds (BuffDigit): one relocatable block, a 22-byte header
// in host order followed by the samples in one of several stored forms, and
// their conversion to a wanted width, rate and form.
//
// Header, by byte offset: form flags (u16, 0), bits (u16, 2), rate code
// (u32, 4), key byte A (8), key byte B (9), loop start (u32, 10), loop end
// (u32, 14: low 24 bits the sample, top 8 bits the loop length's fraction in
// 1/256 sample), sample count (u32, 18). A plain sound of c 16-bit samples
// takes c x 2 + 24 bytes: the last two are a spare zero sample that
// interpolation reads.
#include <cstdint>

#include "platform/PlatformTypes.h"

constexpr int32_t kTailleEnteteDigit = 22;
// Header plus the spare sample: a block's stored data is its size less this.
constexpr int32_t kSurplusDigit = 24;

// Form flags.
enum : uint16_t {
  kDigitDemiFrequence = 0x0001,  // only the even samples are stored
  kDigitDelta8 = 0x0002,         // 8-bit delta codes over a 128-step table
  kDigitMP3 = 0x0004,
  kDigitRLE = 0x0008,  // run-length
  kDigitOgg = 0x0010,
  kDigitPack = 0x0020,          // MLAP pack stream
  kDigitGrandBoutien = 0x4000,  // 16-bit samples stored big-endian (the document's order)
};

struct EnteteDigit {
  uint16_t form;
  uint16_t bits;
  uint32_t rate;  // rate code, see SampleRateToFrequency
  uint8_t byteA;  // key number of the sound
  uint8_t byteB;
  uint32_t loopStart;
  uint32_t loopEnd;
  uint32_t count;
};

// The header of a block (zeroes for a block shorter than a header).
EnteteDigit GetEnteteDigit(Handle sound);
void SetEnteteDigit(Handle sound, const EnteteDigit& header);

// A rate code up to 0xF0000000 is 16.16 fixed-point Hz; above, Hz in its low 28 bits.
uint32_t SampleRateToFrequency(uint32_t rateCode);

// A new block of the sound in the wanted bits (8 or 16), rate code and form;
// null on failure. The source is never changed.
Handle CvtBuffDigit(Handle sound, int16_t bits, uint32_t rate, uint16_t form);
// A 16-bit sound resampled to another rate code; null on failure.
Handle DupSampleFreq(Handle sound, uint32_t rate);

// The frame callback given to the MP3 decoder: appends a decoded frame
// (2304 bytes when size is 2, else 1152) to the block being decoded. 0.
typedef int16_t (*MP3FeedBackProc)(const void* frame, int16_t size);
int16_t MP3FeedBack(const void* frame, int16_t size);
// The MP3 decoder stored sounds go through (the inert service unless a test
// installs one): 0 on success; the channel count comes back in *channels.
typedef int32_t (*MP3DecodeurProc)(const void* data, int32_t length, MP3FeedBackProc feedBack, int16_t* channels,
                                   int32_t* unused);
void SetDecodeurMP3(MP3DecodeurProc decoder);  // null: the inert service

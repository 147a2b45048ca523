#pragma once
// Test-only writer of the digital audio track a track staff stores: the
// track's settings, text style and markers, the codec, and the chunks, whose
// sample data is written outside LZW coding.
#include <array>
#include <cstdint>
#include <vector>

#include "support/NativeRecords.h"
#include "support/NativeWriter.h"

namespace tamrel_test {

// A chunk: silence of `count` samples, or data. Raw data is `count` samples
// of bytes; coded data is `count` samples coded in `bytes`, whose stated
// size is its length unless `statedBytes` says otherwise.
struct TrackChunk {
  bool data = true;
  int32_t count = 0;
  std::vector<uint8_t> bytes;
  int32_t statedBytes = -1;
  uint8_t type = 0xFF;  // 0xFF: 1 for data, 0 for silence; anything else is written as it is
};

struct TrackRecord {
  uint32_t rate = 44100;  // from 9.64
  int16_t bits = 16;      // from 9.64
  uint16_t volume = 100;
  uint16_t pan = 64;
  int32_t samples = 0;
  std::array<uint8_t, 6> settings = {1, 2, 3, 4, 5, 6};
  TextStyleRecord style;
  std::vector<int32_t> markers;
  int32_t markerCount = -1;  // -1: the markers' count
  uint8_t codec = 0;         // from 8.00: 0 raw, 1 MP3, 2 Ogg Vorbis, other MLAP
  int32_t mp3Delay = 576;    // from 9.632
  std::vector<TrackChunk> chunks;
};
void WriteTrack(NativeWriter& w, const TrackRecord& track);

// 16-bit samples as a raw chunk stores them at a version: big-endian before
// 9.64, little-endian from it.
std::vector<uint8_t> RawSamples16(const std::vector<int16_t>& samples, uint16_t version);

}  // namespace tamrel_test

#pragma once
// Test-only Ogg Vorbis encoder: fixtures for the decoders are made here with
// the reference encoder, from samples a test computes.
#include <cstdint>
#include <vector>

namespace tamrel_test {

// One logical stream of interleaved 16-bit samples (channels 1 or 2), at a
// quality of 0.4; `serial` tells chained streams apart.
std::vector<uint8_t> OggTestEncode(const std::vector<int16_t>& interleaved, int channels, int rate, int serial = 1);

}  // namespace tamrel_test

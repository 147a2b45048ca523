#pragma once
// Test-only MLAP encoder: the engine only decodes MLAP streams, so fixtures
// are made here, block by block, with the coding choices a test asks for.
#include <cstdint>
#include <vector>

#include "platform/PlatformTypes.h"

namespace tamrel_test {

struct MlapBlockChoice {
  int order = 0;              // 0..7 differencing passes
  int k = 0;                  // 0..16 Rice parameter
  bool littleEndian = false;  // output byte order of the block
  bool silent = false;        // code 127: every sample of the block is 0
};

struct MlapTestStream {
  std::vector<int32_t> samples;  // values as the decoder rebuilds them (32-bit)
  int oddByte = -1;              // 0..255: one raw byte ends the stream
  uint32_t blockLength = 64;     // samples per block
  uint8_t historyLength = 8;
  std::vector<MlapBlockChoice> blocks;  // per block; missing entries use the last one (or defaults)
  uint32_t checksumDelta = 0;           // added to the stored checksum to damage it
};

// The encoded stream (written through a handle pack stream) and, in
// `expected`, the bytes a correct decoder writes.
std::vector<uint8_t> MlapTestEncode(const MlapTestStream& stream, std::vector<uint8_t>* expected);

}  // namespace tamrel_test

#include "system/RiceBlocks.h"

#include <cstring>

namespace {

struct BitReader {
  const uint8_t* data;
  uint64_t bitCount;  // bits available
  uint64_t bitPos;

  bool Bit(uint32_t* bit) {
    if (bitPos >= bitCount) return false;
    *bit = (data[bitPos >> 3] >> (7 - (bitPos & 7))) & 1;
    bitPos++;
    return true;
  }
};

}  // namespace

uint8_t RiceDecodeBlock(const uint8_t* packed, size_t length, int32_t* values, uint32_t count, uint8_t signedValues) {
  if (count == 0) return 1;
  std::memset(values, 0, size_t(count) * sizeof(int32_t));
  if (!packed || length < 1) return 0;
  uint32_t k = packed[0];

  if (k == 0) {
    size_t available = (length - 1) / 4;
    uint32_t n = available < count ? uint32_t(available) : count;
    for (uint32_t i = 0; i < n; i++) {
      const uint8_t* p = packed + 1 + size_t(i) * 4;
      values[i] = int32_t((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]);
    }
    return n == count;
  }

  BitReader in{packed + 1, uint64_t(length - 1) * 8, 0};
  for (uint32_t i = 0; i < count; i++) {
    // The prefix can only be as long as the bits that remain: the loop ends.
    uint64_t q = 0;
    uint32_t bit;
    for (;;) {
      if (!in.Bit(&bit)) return 0;
      if (!bit) break;
      q++;
    }
    uint64_t width = (q + 1) * k;
    if (width > 32) width = 32;
    uint32_t v = 0;
    for (uint64_t b = 0; b < width; b++) {
      if (!in.Bit(&bit)) return 0;
      v = (v << 1) | bit;
    }
    if (signedValues) values[i] = (v & 1) ? -int32_t(v >> 1) : int32_t(v >> 1);
    else values[i] = int32_t(v);
  }
  return 1;
}

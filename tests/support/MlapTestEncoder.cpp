#include "support/MlapTestEncoder.h"

#include <cstring>

#include "platform/Memory.h"
#include "system/PackStreams.h"

namespace tamrel_test {
namespace {

void PutBit(PackStream* s, uint32_t bit) {
  if (bit) s->bitBuffer |= s->bitMask;
  s->bitMask >>= 1;
  if (s->bitMask == 0) {
    s->PutChar(s->bitBuffer, s);
    s->bitBuffer = 0;
    s->bitMask = 128;
  }
}

void PutBits(PackStream* s, uint32_t value, int n) {
  for (int i = n - 1; i >= 0; i--) PutBit(s, (value >> i) & 1);
}

}  // namespace

std::vector<uint8_t> MlapTestEncode(const MlapTestStream& in, std::vector<uint8_t>* expected) {
  Handle h = NewHandle(0);
  PackStream* s = InitPackStreamHandle(h, 0, 1);
  const uint32_t L = in.blockLength, H = in.historyLength;
  const uint32_t total = uint32_t(in.samples.size() * 2 + (in.oddByte >= 0 ? 1 : 0));
  PutBits(s, 0x4D4C4150, 32);
  PutBits(s, 1, 16);
  PutBits(s, total, 32);
  PutBits(s, L, 32);
  PutBits(s, H, 8);

  std::vector<uint32_t> history(H, 0);
  uint32_t checksum = 0;
  expected->clear();
  size_t next = 0, blockIndex = 0;
  uint32_t remaining = total;
  while (remaining > 0) {
    uint32_t n = remaining < 2 * L ? remaining : 2 * L;
    uint32_t count = n / 2;
    MlapBlockChoice c;
    if (!in.blocks.empty()) c = in.blocks[blockIndex < in.blocks.size() ? blockIndex : in.blocks.size() - 1];
    if (count > 0) {
      std::vector<uint32_t> work(history);
      for (uint32_t i = 0; i < count; i++) work.push_back(uint32_t(in.samples[next + i]));
      PutBit(s, c.littleEndian ? 1 : 0);
      if (c.silent) {
        PutBits(s, 127, 7);
        for (uint32_t i = 0; i < count; i++) work[H + i] = 0;
      } else {
        PutBits(s, uint32_t(c.order * 17 + c.k), 7);
        std::vector<uint32_t> d(work);
        for (int pass = 0; pass < c.order; pass++)
          for (size_t i = d.size(); i-- > 1;) d[i] -= d[i - 1];
        for (uint32_t i = 0; i < count; i++) {
          int32_t r = int32_t(d[H + i]);
          uint32_t mag = r < 0 ? 0u - uint32_t(r) : uint32_t(r);
          uint32_t q = mag >> c.k;
          for (uint32_t z = 0; z < q; z++) PutBit(s, 0);
          PutBit(s, 1);
          PutBits(s, mag & ((1u << c.k) - 1), c.k);
          PutBit(s, r < 0 ? 1 : 0);
        }
      }
      for (uint32_t i = 0; i < count; i++) {
        uint32_t v = work[H + i];
        checksum += v;
        uint8_t hi = uint8_t(v >> 8), lo = uint8_t(v);
        expected->push_back(c.littleEndian ? lo : hi);
        expected->push_back(c.littleEndian ? hi : lo);
      }
      if (H) std::memcpy(history.data(), work.data() + count, H * sizeof(uint32_t));
      next += count;
    }
    if (n & 1) {
      PutBits(s, uint32_t(in.oddByte), 8);
      expected->push_back(uint8_t(in.oddByte));
    }
    remaining -= n;
    blockIndex++;
  }
  PutBits(s, checksum + in.checksumDelta, 32);
  MlapFlushWriteBits(s);
  DisposePackStream(s);  // trims the handle to what was written
  std::vector<uint8_t> out(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
  DisposeHandle(h);
  return out;
}

}  // namespace tamrel_test

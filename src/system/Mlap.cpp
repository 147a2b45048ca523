#include "system/Mlap.h"

#include <cstring>

#include "platform/Memory.h"
#include "system/PackStreams.h"

namespace {

// Bit reader over the source stream. Once the source has ended, every read
// answers 1 bits so that a unary run stops at once; the block being decoded
// is then dropped.
struct MlapReader {
  PackStream* source;
  bool fastExit;

  uint32_t Bit() {
    if (source->bitMask == 0) {
      int16_t c = fastExit ? -1 : source->GetChar(source);
      if (c < 0) {
        fastExit = true;
        return 1;
      }
      source->bitBuffer = uint8_t(c);
      source->bitMask = 128;
    }
    uint32_t bit = (source->bitBuffer & source->bitMask) ? 1 : 0;
    source->bitMask >>= 1;
    return bit;
  }

  uint32_t Bits(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; i++) v = (v << 1) | Bit();
    return v;
  }
};

}  // namespace

uint8_t UnpackWholeStream(PackStream* source, PackStream* sink) {
  if (!source || !sink) return 0;
  FillTabBit();
  source->direction = 0;
  MlapInitReadWriteBits(source);
  MlapReader in{source, false};

  uint32_t magic = in.Bits(32);
  uint32_t version = in.Bits(16);
  uint32_t total = in.Bits(32);
  uint32_t blockLength = in.Bits(32);
  uint32_t historyLength = in.Bits(8);
  if (in.fastExit || magic != 0x4D4C4150 || version != 1 || total == 0) return 0;
  // A block of no samples would never consume the total; a huge one would only
  // size the buffers from a damaged header.
  if (blockLength == 0 || blockLength > kMlapMaxBlockLength) return 0;

  uint32_t workCount = historyLength + blockLength;
  uint32_t* work = reinterpret_cast<uint32_t*>(NewPtrClear(Size(workCount * sizeof(uint32_t))));
  uint32_t* history = reinterpret_cast<uint32_t*>(NewPtrClear(Size((historyLength + 1) * sizeof(uint32_t))));
  uint8_t* bytes = reinterpret_cast<uint8_t*>(NewPtr(Size(2 * blockLength)));
  if (!work || !history || !bytes) {
    DisposePtr(reinterpret_cast<Ptr>(work));
    DisposePtr(reinterpret_cast<Ptr>(history));
    DisposePtr(reinterpret_cast<Ptr>(bytes));
    return 0;
  }

  uint32_t checksum = 0;
  uint32_t remaining = total;
  bool sinkFailed = false;
  while (remaining > 0 && !in.fastExit && !sinkFailed) {
    uint32_t n = remaining < 2 * blockLength ? remaining : 2 * blockLength;
    uint32_t s = n / 2;
    if (s > 0) {
      uint32_t littleEndian = in.Bit();
      uint32_t c = in.Bits(7);
      if (c == 127) {
        std::memcpy(work, history, historyLength * sizeof(uint32_t));
        std::memset(work + historyLength, 0, s * sizeof(uint32_t));
      } else {
        uint32_t p = c / 17;
        uint32_t k = c % 17;
        // The history as its p-th differences, so that p running sums over
        // history and residuals give back the history and the samples.
        for (uint32_t pass = 0; pass < p; pass++)
          for (uint32_t i = historyLength; i-- > 1;) history[i] -= history[i - 1];
        std::memcpy(work, history, historyLength * sizeof(uint32_t));
        for (uint32_t i = 0; i < s && !in.fastExit; i++) {
          uint32_t q = 0;
          while (in.Bit() == 0) q++;  // each zero consumes input: the run ends
          uint32_t low = in.Bits(int(k));
          uint32_t residual = (q << k) + low;
          if (in.Bit()) residual = 0u - residual;
          work[historyLength + i] = residual;
        }
        uint32_t count = historyLength + s;
        for (uint32_t pass = 0; pass < p; pass++) {
          uint32_t sum = work[0];
          for (uint32_t i = 1; i < count; i++) {
            sum += work[i];
            work[i] = sum;
          }
        }
      }
      if (in.fastExit) break;
      // The new history: the last entries of history and samples together.
      std::memcpy(history, work + s, historyLength * sizeof(uint32_t));
      for (uint32_t i = 0; i < s; i++) {
        uint32_t sample = work[historyLength + i];
        checksum += sample;
        uint8_t hi = uint8_t(sample >> 8), lo = uint8_t(sample);
        bytes[2 * i] = littleEndian ? lo : hi;
        bytes[2 * i + 1] = littleEndian ? hi : lo;
      }
    }
    if (n & 1) bytes[n - 1] = uint8_t(in.Bits(8));
    if (in.fastExit) break;
    if (!sink->PutBlock(bytes, int32_t(n), sink)) sinkFailed = true;
    remaining -= n;
  }

  uint32_t stored = (in.fastExit || sinkFailed) ? 0 : in.Bits(32);
  bool ok = !in.fastExit && !sinkFailed && stored == checksum;
  DisposePtr(reinterpret_cast<Ptr>(work));
  DisposePtr(reinterpret_cast<Ptr>(history));
  DisposePtr(reinterpret_cast<Ptr>(bytes));
  return ok ? 1 : 0;
}

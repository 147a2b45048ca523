#include "system/Ar002.h"

#include <cstdio>
#include <cstring>

#include "platform/Memory.h"
#include "system/Reporters.h"

namespace {

constexpr int DICBIT = 13;
constexpr uint32_t DICSIZ = 1u << DICBIT;  // the sliding window
constexpr int MAXMATCH = 256;
constexpr int THRESHOLD = 3;
constexpr int UCHAR_MAX_ = 255;
constexpr int NC = UCHAR_MAX_ + MAXMATCH + 2 - THRESHOLD;  // 510 literal-and-length symbols
constexpr int CBIT = 9;
constexpr int CODE_BIT = 16;
constexpr int NP = DICBIT + 1;    // 14 position symbols
constexpr int NT = CODE_BIT + 3;  // 19 code-length symbols
constexpr int PBIT = 4;
constexpr int TBIT = 5;
constexpr int NPT = NT > NP ? NT : NP;
constexpr int BITBUFSIZ = 32;

// The decoder's state: one container is decoded at a time.
struct ArState {
  // Source.
  uint8_t sourceOnFile;
  const uint8_t* sourcePtr;
  FILE* sourceFile;
  uint32_t sourceLeft;
  // Destination.
  uint8_t destinationOnFile;
  uint8_t* destinationPtr;
  FILE* destinationFile;
  uint32_t destinationLeft;
  uint32_t written;
  // Bit reader: the next 32 bits of the stream, zeros past its end.
  uint32_t bitbuf;
  uint32_t subbitbuf;
  int bitcount;
  uint64_t consumedBits;
  uint64_t packedBits;
  // Huffman tables.
  uint32_t blocksize;
  uint8_t c_len[NC];
  uint8_t pt_len[NPT];
  uint16_t c_table[4096];
  uint16_t pt_table[256];
  uint16_t left[2 * NC - 1];
  uint16_t right[2 * NC - 1];
  // Pending match of the window decoder.
  int matchLeft;
  uint32_t matchFrom;
  bool failed;
  uint8_t window[DICSIZ];
};

ArState gAr;

void error(const char* detail) {
  if (gAr.failed) return;
  gAr.failed = true;
  char message[256];
  std::snprintf(message, sizeof message, "Unrecoverable error while unpacking file: %s", detail);
  RozoErreur(message);
}

uint32_t NextSourceByte() {
  if (gAr.sourceLeft == 0) return 0;
  gAr.sourceLeft--;
  if (gAr.sourceOnFile) {
    int c = std::fgetc(gAr.sourceFile);
    if (c == EOF) {
      gAr.sourceLeft = 0;
      return 0;
    }
    return uint32_t(c);
  }
  return *gAr.sourcePtr++;
}

// Shifts n bits (0..32) out of the bit buffer and brings as many in.
void fillbuf(int n) {
  uint64_t bb = uint64_t(gAr.bitbuf) << n;
  while (n > gAr.bitcount) {
    n -= gAr.bitcount;
    bb |= uint64_t(gAr.subbitbuf) << n;
    gAr.subbitbuf = NextSourceByte();
    gAr.bitcount = 8;
  }
  gAr.bitcount -= n;
  bb |= gAr.subbitbuf >> gAr.bitcount;
  gAr.bitbuf = uint32_t(bb);
}

void consume(int n) {
  gAr.consumedBits += uint64_t(n);
  fillbuf(n);
}

uint32_t zipgetbits(int n) {
  if (n == 0) return 0;
  uint32_t x = gAr.bitbuf >> (BITBUFSIZ - n);
  consume(n);
  return x;
}

void init_getbits() {
  gAr.bitbuf = 0;
  gAr.subbitbuf = 0;
  gAr.bitcount = 0;
  fillbuf(BITBUFSIZ);
  gAr.consumedBits = 0;
}

// Builds the lookup table (top `tablebits` bits) and the tree beyond it for a
// canonical code given by its lengths. The lengths must fill the code space
// exactly, so that every lookup ends on a symbol.
bool make_table(int nchar, const uint8_t* bitlen, int tablebits, uint16_t* table) {
  uint32_t count[17] = {0}, weight[17], start[18];
  for (int i = 0; i < nchar; i++) {
    if (bitlen[i] > 16) {
      error("Bad table");
      return false;
    }
    count[bitlen[i]]++;
  }
  start[1] = 0;
  for (int i = 1; i <= 16; i++) start[i + 1] = start[i] + (count[i] << (16 - i));
  if (start[17] != (1u << 16)) {
    error("Bad table");
    return false;
  }
  int jutbits = 16 - tablebits;
  int i = 1;
  for (; i <= tablebits; i++) {
    start[i] >>= jutbits;
    weight[i] = 1u << (tablebits - i);
  }
  for (; i <= 16; i++) weight[i] = 1u << (16 - i);

  uint32_t tableSize = 1u << tablebits;
  for (uint32_t k = start[tablebits + 1] >> jutbits; k < tableSize; k++) table[k] = 0;

  uint32_t avail = uint32_t(nchar);
  uint32_t mask = 1u << (15 - tablebits);
  for (int ch = 0; ch < nchar; ch++) {
    int len = bitlen[ch];
    if (len == 0) continue;
    uint32_t nextcode = start[len] + weight[len];
    if (len <= tablebits) {
      for (uint32_t k = start[len]; k < nextcode; k++) table[k] = uint16_t(ch);
    } else {
      uint32_t k = start[len];
      uint16_t* p = &table[k >> jutbits];
      for (int n = len - tablebits; n != 0; n--) {
        if (*p == 0) {
          if (avail >= uint32_t(2 * NC - 1)) {
            error("Bad table");
            return false;
          }
          gAr.right[avail] = gAr.left[avail] = 0;
          *p = uint16_t(avail++);
        }
        p = (k & mask) ? &gAr.right[*p] : &gAr.left[*p];
        k <<= 1;
      }
      *p = uint16_t(ch);
    }
    start[len] = nextcode;
  }
  return true;
}

// Follows the tree below a table entry; `mask` is the first bit past the table.
bool walk_tree(uint32_t* j, uint32_t limit, uint32_t mask) {
  while (*j >= limit) {
    if (mask == 0 || *j >= uint32_t(2 * NC - 1)) {
      error("Bad table");
      return false;
    }
    *j = (gAr.bitbuf & mask) ? gAr.right[*j] : gAr.left[*j];
    mask >>= 1;
  }
  return true;
}

bool read_pt_len(int nn, int nbit, int i_special) {
  int n = int(zipgetbits(nbit));
  if (n == 0) {
    uint32_t c = zipgetbits(nbit);
    if (c >= uint32_t(nn)) {
      error("Bad table");
      return false;
    }
    std::memset(gAr.pt_len, 0, sizeof gAr.pt_len);
    for (int i = 0; i < 256; i++) gAr.pt_table[i] = uint16_t(c);
    return true;
  }
  if (n > nn) {
    error("Bad table");
    return false;
  }
  int i = 0;
  while (i < n) {
    uint32_t c = gAr.bitbuf >> (BITBUFSIZ - 3);
    if (c == 7) {
      uint32_t mask = 1u << (BITBUFSIZ - 1 - 3);
      while (mask & gAr.bitbuf) {
        mask >>= 1;
        c++;
      }
      if (c > 16) {
        error("Bad table");
        return false;
      }
    }
    consume(c < 7 ? 3 : int(c) - 3);
    gAr.pt_len[i++] = uint8_t(c);
    if (i == i_special) {
      int zeros = int(zipgetbits(2));
      if (i + zeros > nn) {
        error("Bad table");
        return false;
      }
      while (--zeros >= 0) gAr.pt_len[i++] = 0;
    }
  }
  while (i < nn) gAr.pt_len[i++] = 0;
  return make_table(nn, gAr.pt_len, 8, gAr.pt_table);
}

bool read_c_len() {
  int n = int(zipgetbits(CBIT));
  if (n == 0) {
    uint32_t c = zipgetbits(CBIT);
    if (c >= uint32_t(NC)) {
      error("Bad table");
      return false;
    }
    std::memset(gAr.c_len, 0, sizeof gAr.c_len);
    for (int i = 0; i < 4096; i++) gAr.c_table[i] = uint16_t(c);
    return true;
  }
  if (n > NC) {
    error("Bad table");
    return false;
  }
  int i = 0;
  while (i < n) {
    uint32_t c = gAr.pt_table[gAr.bitbuf >> (BITBUFSIZ - 8)];
    if (!walk_tree(&c, NT, 1u << (BITBUFSIZ - 1 - 8))) return false;
    consume(gAr.pt_len[c]);
    if (c <= 2) {
      int zeros;
      if (c == 0) zeros = 1;
      else if (c == 1) zeros = int(zipgetbits(4)) + 3;
      else zeros = int(zipgetbits(CBIT)) + 20;
      if (i + zeros > NC) {
        error("Bad table");
        return false;
      }
      while (--zeros >= 0) gAr.c_len[i++] = 0;
    } else {
      gAr.c_len[i++] = uint8_t(c - 2);
    }
  }
  while (i < NC) gAr.c_len[i++] = 0;
  return make_table(NC, gAr.c_len, 12, gAr.c_table);
}

// Next literal (0..255) or match length symbol (256..509); 0 after a failure.
uint32_t decode_c() {
  if (gAr.blocksize == 0) {
    gAr.blocksize = zipgetbits(16);
    if (!read_pt_len(NT, TBIT, 3) || !read_c_len() || !read_pt_len(NP, PBIT, -1)) return 0;
  }
  gAr.blocksize--;
  uint32_t j = gAr.c_table[gAr.bitbuf >> (BITBUFSIZ - 12)];
  if (!walk_tree(&j, NC, 1u << (BITBUFSIZ - 1 - 12))) return 0;
  consume(gAr.c_len[j]);
  return j;
}

uint32_t decode_p() {
  uint32_t j = gAr.pt_table[gAr.bitbuf >> (BITBUFSIZ - 8)];
  if (!walk_tree(&j, NP, 1u << (BITBUFSIZ - 1 - 8))) return 0;
  consume(gAr.pt_len[j]);
  if (j != 0) j = (1u << (j - 1)) + zipgetbits(int(j) - 1);
  return j;
}

void huf_decode_start() {
  init_getbits();
  gAr.blocksize = 0;
  gAr.matchLeft = 0;
  gAr.matchFrom = 0;
}

// Decodes `count` bytes (at most the window) into the window; a match that
// does not fit continues in the next call.
void decode(uint32_t count, uint8_t* buffer) {
  uint32_t r = 0;
  while (--gAr.matchLeft >= 0) {
    buffer[r] = buffer[gAr.matchFrom];
    gAr.matchFrom = (gAr.matchFrom + 1) & (DICSIZ - 1);
    if (++r == count) return;
  }
  for (;;) {
    uint32_t c = decode_c();
    if (gAr.failed) return;
    if (c <= uint32_t(UCHAR_MAX_)) {
      buffer[r] = uint8_t(c);
      if (++r == count) return;
    } else {
      gAr.matchLeft = int(c) - (UCHAR_MAX_ + 1 - THRESHOLD);
      gAr.matchFrom = (r - decode_p() - 1) & (DICSIZ - 1);
      if (gAr.failed) return;
      while (--gAr.matchLeft >= 0) {
        buffer[r] = buffer[gAr.matchFrom];
        gAr.matchFrom = (gAr.matchFrom + 1) & (DICSIZ - 1);
        if (++r == count) return;
      }
    }
  }
}

uint32_t writefile(const uint8_t* buffer, uint32_t n) {
  if (n > gAr.destinationLeft) n = gAr.destinationLeft;
  if (gAr.destinationOnFile) {
    n = uint32_t(std::fwrite(buffer, 1, n, gAr.destinationFile));
  } else {
    std::memcpy(gAr.destinationPtr, buffer, n);
    gAr.destinationPtr += n;
  }
  gAr.destinationLeft -= n;
  gAr.written += n;
  return n;
}

uint32_t getWrittenSize() { return gAr.written; }

void HufPrepareFiles(uint8_t sourceOnFile, void* source, uint32_t packedSize, uint8_t destinationOnFile,
                     void* destination, uint32_t unpackedSize) {
  gAr.sourceOnFile = sourceOnFile;
  gAr.sourcePtr = sourceOnFile ? nullptr : static_cast<const uint8_t*>(source);
  gAr.sourceFile = sourceOnFile ? static_cast<FILE*>(source) : nullptr;
  gAr.sourceLeft = packedSize;
  gAr.packedBits = uint64_t(packedSize) * 8;
  gAr.destinationOnFile = destinationOnFile;
  gAr.destinationPtr = destinationOnFile ? nullptr : static_cast<uint8_t*>(destination);
  gAr.destinationFile = destinationOnFile ? static_cast<FILE*>(destination) : nullptr;
  gAr.destinationLeft = unpackedSize;
  gAr.written = 0;
  gAr.failed = false;
}

}  // namespace

int32_t DecodeAR(uint8_t sourceOnFile, void* source, uint32_t packedSize, uint8_t destinationOnFile, void* destination,
                 uint32_t unpackedSize) {
  if (!source || !destination || unpackedSize > uint32_t(kMaxBlockSize)) return -1;
  HufPrepareFiles(sourceOnFile, source, packedSize, destinationOnFile, destination, unpackedSize);
  huf_decode_start();
  uint32_t remaining = unpackedSize;
  while (remaining > 0) {
    uint32_t n = remaining < DICSIZ ? remaining : DICSIZ;
    decode(n, gAr.window);
    if (gAr.failed) break;
    // Bits past the packed size read as zeros; a stream that needs them was
    // cut short, and what it gives is not the data.
    if (gAr.consumedBits > gAr.packedBits) {
      error("Truncated data");
      break;
    }
    if (writefile(gAr.window, n) != n) break;
    remaining -= n;
  }
  return gAr.failed ? -1 : int32_t(getWrittenSize());
}

Handle UnZip(const void* container, size_t length) {
  if (!container || length < 8) return nullptr;
  const uint8_t* p = static_cast<const uint8_t*>(container);
  uint32_t unpacked = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  uint32_t packed = (uint32_t(p[4]) << 24) | (uint32_t(p[5]) << 16) | (uint32_t(p[6]) << 8) | p[7];
  if (packed > length - 8 || unpacked > kMaxUnZipSize) return nullptr;
  Handle h = NewHandleClear(Size(unpacked));
  if (!h) return nullptr;
  if (unpacked == packed) {
    std::memcpy(*h, p + 8, unpacked);
    return h;
  }
  int32_t n = DecodeAR(0, const_cast<uint8_t*>(p + 8), packed, 0, *h, unpacked);
  if (n != int32_t(unpacked)) {
    DisposeHandle(h);
    return nullptr;
  }
  return h;
}

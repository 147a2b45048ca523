#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/Memory.h"
#include "support/MlapTestEncoder.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"

using tamrel_test::MlapBlockChoice;
using tamrel_test::MlapTestEncode;
using tamrel_test::MlapTestStream;

namespace {

struct Decoded {
  uint8_t ok;
  std::vector<uint8_t> bytes;
  int putBlocks;
};

// Counts the sink's PutBlock calls: each block must reach it in one call.
int gPutBlocks;
uint8_t CountingPutBlock(const void* source, int32_t count, PackStream* stream) {
  gPutBlocks++;
  return PackHandlePutBlock(source, count, stream);
}

Decoded Decode(const std::vector<uint8_t>& encoded) {
  Handle out = NewHandle(0);
  PackStream* src = InitPackStreamPtr(const_cast<uint8_t*>(encoded.data()), uint32_t(encoded.size()), 0, 0);
  PackStream* sink = InitPackStreamHandle(out, 0, 1);
  sink->PutBlock = CountingPutBlock;
  gPutBlocks = 0;
  Decoded d;
  d.ok = UnpackWholeStream(src, sink);
  DisposePackStream(src);
  DisposePackStream(sink);
  d.bytes.assign(reinterpret_cast<uint8_t*>(*out), reinterpret_cast<uint8_t*>(*out) + GetHandleSize(out));
  d.putBlocks = gPutBlocks;
  DisposeHandle(out);
  return d;
}

std::vector<int32_t> Wave(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<int32_t> s(n);
  double phase = 0;
  for (size_t i = 0; i < n; i++) {
    phase += 0.05;
    s[i] = int32_t(12000 * __builtin_sin(phase)) + int32_t(rng() % 64) - 32;
  }
  return s;
}

}  // namespace

TEST(Mlap, StreamsDecodeToWhatWasCoded) {
  struct Case {
    const char* name;
    MlapTestStream stream;
  };
  std::vector<Case> cases;
  {
    MlapTestStream s;  // history 0 and order 0: samples are the residuals
    s.samples = {5, -3, 0, 32767, -32768, 1};
    s.historyLength = 0;
    s.blockLength = 4;
    s.blocks = {{0, 0, false, false}, {0, 3, false, false}};
    cases.push_back({"residuals", s});
  }
  {
    MlapTestStream s;  // every order, parameters 0 and 16, byte order per block
    s.samples = Wave(8 * 50, 1);
    s.blockLength = 50;
    s.historyLength = 7;
    // 7 bits hold p x 17 + k: order 7 takes k up to 7 only.
    for (int p = 0; p < 8; p++) s.blocks.push_back({p, p == 3 ? 16 : p == 7 ? 7 : 2 + p, p % 2 == 1, false});
    cases.push_back({"orders", s});
  }
  {
    MlapTestStream s;  // silent blocks between sound, and a history longer than a block
    s.samples = Wave(300, 2);
    for (size_t i = 100; i < 200; i++) s.samples[i] = 0;
    s.blockLength = 50;
    s.historyLength = 120;
    s.blocks = {{2, 9}, {2, 9}, {0, 0, false, true}, {0, 0, true, true}, {3, 10, true}, {1, 8}};
    cases.push_back({"silence", s});
  }
  {
    MlapTestStream s;  // odd total: a raw byte after the last sample
    s.samples = Wave(75, 3);
    s.oddByte = 0xA5;
    s.blockLength = 25;
    s.blocks = {{1, 8, true}};
    cases.push_back({"odd", s});
  }
  {
    MlapTestStream s;  // odd total that fills the blocks: the raw byte is a block alone
    s.samples = Wave(50, 4);
    s.oddByte = 0x3C;
    s.blockLength = 25;
    s.blocks = {{1, 8}};
    cases.push_back({"odd alone", s});
  }
  {
    MlapTestStream s;  // a single byte
    s.oddByte = 7;
    cases.push_back({"one byte", s});
  }
  for (const Case& c : cases) {
    std::vector<uint8_t> expected;
    std::vector<uint8_t> encoded = MlapTestEncode(c.stream, &expected);
    Decoded d = Decode(encoded);
    EXPECT_EQ(d.ok, 1) << c.name;
    EXPECT_TRUE(d.bytes == expected) << c.name;
    uint32_t total = uint32_t(expected.size()), perBlock = 2 * c.stream.blockLength;
    EXPECT_EQ(d.putBlocks, int((total + perBlock - 1) / perBlock)) << c.name;
  }
}

TEST(Mlap, SilentBlockIsZerosWithChecksumZero) {
  MlapTestStream s;
  s.samples.assign(10, 0);
  s.blockLength = 10;
  s.blocks = {{0, 0, false, true}};
  std::vector<uint8_t> expected;
  std::vector<uint8_t> encoded = MlapTestEncode(s, &expected);
  // Header, one order bit, code 127, the checksum: 15 + 1 + 4 bytes.
  ASSERT_EQ(encoded.size(), 20u);
  EXPECT_EQ(encoded[15], 0x7F);
  EXPECT_EQ(std::vector<uint8_t>(encoded.begin() + 16, encoded.end()), std::vector<uint8_t>(4, 0));
  Decoded d = Decode(encoded);
  EXPECT_EQ(d.ok, 1);
  EXPECT_EQ(d.bytes, std::vector<uint8_t>(20, 0));
}

TEST(Mlap, NegativeZeroResidualIsZero) {
  // Header, then block: order bit 0, code 0 (p 0, k 0), residual "1" + sign 1.
  std::vector<uint8_t> stream = {'M', 'L', 'A', 'P', 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0};
  // bits: 0 0000000 1 1 then checksum 0 (32 bits), padded.
  stream.push_back(0x00);
  stream.push_back(0xC0);
  for (int i = 0; i < 4; i++) stream.push_back(0);
  Decoded d = Decode(stream);
  EXPECT_EQ(d.ok, 1);
  EXPECT_EQ(d.bytes, std::vector<uint8_t>({0, 0}));
}

TEST(Mlap, ChecksumWrapsModulo32Bits) {
  // 140000 samples of 32767 add up to more than 2^32; with order 1 every
  // residual after the first is 0.
  MlapTestStream s;
  s.samples.assign(140000, 32767);
  s.blockLength = 4096;
  s.blocks = {{1, 0}};
  std::vector<uint8_t> expected;
  Decoded d = Decode(MlapTestEncode(s, &expected));
  EXPECT_EQ(d.ok, 1);
  EXPECT_TRUE(d.bytes == expected);
  // Values beyond 16 bits count whole in the sum and are cut when written.
  MlapTestStream big;
  big.samples = {int32_t(0x40000001), int32_t(0x40000001), int32_t(0x40000001), int32_t(0x40000001), 3};
  big.historyLength = 0;
  big.blocks = {{1, 16}};
  d = Decode(MlapTestEncode(big, &expected));
  EXPECT_EQ(d.ok, 1);
  EXPECT_TRUE(d.bytes == expected);
  EXPECT_EQ(d.bytes[0], 0x00);
  EXPECT_EQ(d.bytes[1], 0x01);
}

TEST(Mlap, DamagedStreamsFail) {
  MlapTestStream s;
  s.samples = Wave(200, 9);
  s.blockLength = 64;
  s.blocks = {{2, 9}};
  std::vector<uint8_t> expected;
  std::vector<uint8_t> good = MlapTestEncode(s, &expected);

  s.checksumDelta = 1;
  Decoded d = Decode(MlapTestEncode(s, &expected));
  EXPECT_EQ(d.ok, 0);
  EXPECT_EQ(d.bytes.size(), 400u);  // the blocks were already written

  struct Damage {
    const char* name;
    size_t at;
    uint8_t value;
  } damages[] = {{"magic", 0, 'm'},
                 {"version", 5, 2},
                 {"total 0", 9, 0},
                 {"block length 0", 13, 0},
                 {"block length huge", 10, 0x40}};
  for (const Damage& dm : damages) {
    std::vector<uint8_t> bad = good;
    if (std::string(dm.name) == "total 0") bad[6] = bad[7] = bad[8] = 0;
    if (std::string(dm.name) == "block length 0") bad[10] = bad[11] = bad[12] = 0;
    bad[dm.at] = dm.value;
    d = Decode(bad);
    EXPECT_EQ(d.ok, 0) << dm.name;
    EXPECT_TRUE(d.bytes.empty()) << dm.name;
  }

  // Cut anywhere: never a success, and never a block decoded from missing bits
  // (the last block is whole when only the checksum is cut).
  for (size_t len : {size_t(0), size_t(10), size_t(15), size_t(16), size_t(100), good.size() - 1}) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + len);
    d = Decode(cut);
    EXPECT_EQ(d.ok, 0) << len;
    EXPECT_TRUE(d.bytes.size() % 128 == 0 || d.bytes.size() == expected.size()) << len;
    EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), expected.begin())) << len;
  }
}

TEST(Mlap, RefusingSinkStopsDecoding) {
  MlapTestStream s;
  s.samples = Wave(200, 5);
  s.blockLength = 64;
  std::vector<uint8_t> expected;
  std::vector<uint8_t> encoded = MlapTestEncode(s, &expected);
  uint8_t room[200];
  PackStream* src = InitPackStreamPtr(encoded.data(), uint32_t(encoded.size()), 0, 0);
  PackStream* sink = InitPackStreamPtr(room, sizeof room, 0, 1);  // holds one block of 128 bytes, not two
  EXPECT_EQ(UnpackWholeStream(src, sink), 0);
  EXPECT_EQ(sink->position, 128u);
  DisposePackStream(src);
  DisposePackStream(sink);
}

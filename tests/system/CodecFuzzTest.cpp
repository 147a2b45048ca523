// Damaged input for every decoder: cut at every length, bytes changed at
// random, and plain noise. Nothing may crash, hang or read outside its input
// (the sanitizer build runs this too); results only need to be clean failures
// or some decoded data. Iteration counts are fixed and small so the test stays
// quick in both configurations.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/Memory.h"
#include "platform/SpecialFolders.h"
#include "support/Ar002TestEncoder.h"
#include "support/MlapTestEncoder.h"
#include "system/Ar002.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"
#include "system/PngCodec.h"
#include "system/RiceBlocks.h"
#include "system/ZlibGlue.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kMutations = 1500;
constexpr int kNoise = 300;

// Copies into an exactly sized heap block, so that the sanitizer sees any
// read past the end.
struct Exact {
  explicit Exact(const Bytes& b) : p(new uint8_t[b.size() ? b.size() : 1]), n(b.size()) {
    if (n) std::memcpy(p, b.data(), n);
  }
  ~Exact() { delete[] p; }
  uint8_t* p;
  size_t n;
};

Handle HandleOf(const Bytes& b) {
  Handle h = NewHandle(Size(b.size()));
  if (!b.empty()) std::memcpy(*h, b.data(), b.size());
  return h;
}

Bytes Mutate(Bytes b, std::mt19937& rng) {
  if (b.empty()) return b;
  int changes = 1 + int(rng() % 4);
  for (int i = 0; i < changes; i++) b[rng() % b.size()] = uint8_t(rng());
  return b;
}

Bytes Noise(std::mt19937& rng, size_t max) {
  Bytes b(rng() % max);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}

// Feeds every cut of `good`, mutations of it and noise to `decode`.
template <typename F>
void Batter(const Bytes& good, uint32_t seed, F decode) {
  std::mt19937 rng(seed);
  size_t step = good.size() > 600 ? good.size() / 300 : 1;
  for (size_t len = 0; len < good.size(); len += step) decode(Bytes(good.begin(), good.begin() + long(len)));
  for (int i = 0; i < kMutations; i++) decode(Mutate(good, rng));
  for (int i = 0; i < kNoise; i++) decode(Noise(rng, 2 * good.size() + 16));
}

// PNG chunks with their CRCs made right again, so that damage reaches the
// header and pixel stages instead of stopping at the CRC check.
Bytes FixCrcs(Bytes png) {
  for (size_t pos = 8; pos + 12 <= png.size();) {
    uint32_t len =
        (uint32_t(png[pos]) << 24) | (uint32_t(png[pos + 1]) << 16) | (uint32_t(png[pos + 2]) << 8) | png[pos + 3];
    if (len > png.size() - pos - 12) break;
    uint32_t crc = uint32_t(crc32(0, png.data() + pos + 4, uInt(len + 4)));
    for (int i = 0; i < 4; i++) png[pos + 8 + len + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    pos += 12 + len;
  }
  return png;
}

class CodecFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tamrel-fuzz-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    saved_ = GetApplicationFolderPath();
    SetApplicationFolderPath(folder_.c_str());
  }
  void TearDown() override {
    SetApplicationFolderPath(saved_.c_str());
    std::remove((folder_ + "/Selvane.err").c_str());
    rmdir(folder_.c_str());
  }
  std::string folder_, saved_;
};

}  // namespace

TEST_F(CodecFuzz, RiceBlocks) {
  Bytes good = {2, 0x51, 0x80, 0x12, 0x34, 0xF0, 0x0F, 0xAA, 0x55};
  std::mt19937 counts(5);
  Batter(good, 1, [&](const Bytes& b) {
    Exact in(b);
    uint32_t count = counts() % 64;
    std::vector<int32_t> out(count + 1);
    RiceDecodeBlock(in.p, in.n, out.data(), count, uint8_t(counts() & 1));
  });
}

TEST_F(CodecFuzz, Ar002Containers) {
  Bytes data;
  for (int i = 0; i < 3000; i++) data.push_back(uint8_t("staff clef note "[i % 16] + (i / 700)));
  Bytes good = tamrel_test::Ar002TestContainer(data, 200);
  Batter(good, 2, [](const Bytes& b) {
    Exact in(b);
    Handle h = UnZip(in.p, in.n);
    if (h) DisposeHandle(h);
  });
}

TEST_F(CodecFuzz, ZlibHandles) {
  Bytes data(20000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t((i * i) >> 7);
  Handle packed = RozoZipHandleAndFree(HandleOf(data));
  ASSERT_NE(packed, nullptr);
  Bytes good(reinterpret_cast<uint8_t*>(*packed), reinterpret_cast<uint8_t*>(*packed) + GetHandleSize(packed));
  DisposeHandle(packed);
  Batter(good, 3, [](const Bytes& b) {
    Handle h = RozoUnZipHandleAndFree(HandleOf(b), 1 << 20);
    if (h) DisposeHandle(h);
  });
}

TEST_F(CodecFuzz, PngFiles) {
  Bytes argb;
  for (int i = 0; i < 24 * 16; i++)
    for (uint8_t c : {uint8_t(200 + i % 50), uint8_t(i * 3), uint8_t(i / 3), uint8_t(i % 7 * 30)}) argb.push_back(c);
  std::vector<Bytes> samples;
  for (int flags = 0; flags < 4; flags++) {
    Handle h = CvtARGBToPngHandle(argb.data(), 24, 16, 96, uint8_t(flags & 1), uint8_t(flags >> 1), "c", "t", "a", "d");
    ASSERT_NE(h, nullptr);
    samples.emplace_back(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
    DisposeHandle(h);
  }
  auto decode = [](const Bytes& b) {
    Handle h = HandleOf(b);
    char message[kPNGMessageSize];
    int32_t w, hh;
    Ptr px = PNGDecodeToARGB(h, &w, &hh, message);
    if (px) DisposePtr(px);
    DisposeHandle(h);
  };
  uint32_t seed = 10;
  for (const Bytes& good : samples) {
    Batter(good, seed++, decode);
    std::mt19937 rng(seed++);
    for (int i = 0; i < kMutations; i++) decode(FixCrcs(Mutate(good, rng)));
  }
}

TEST_F(CodecFuzz, MlapStreams) {
  tamrel_test::MlapTestStream s;
  for (int i = 0; i < 300; i++) s.samples.push_back((i * 37) % 2000 - 1000);
  for (int i = 100; i < 160; i++) s.samples[size_t(i)] = 0;
  s.oddByte = 9;
  s.blockLength = 60;
  s.blocks = {{2, 8, false}, {1, 9, true}, {0, 0, false, true}, {3, 10}};
  Bytes expected;
  Bytes good = tamrel_test::MlapTestEncode(s, &expected);
  static uint8_t room[1 << 16];
  Batter(good, 4, [](const Bytes& b) {
    Exact in(b);
    PackStream* src = InitPackStreamPtr(in.p, uint32_t(in.n), 0, 0);
    // A bounded sink: damaged headers may ask for much more than this holds.
    PackStream* sink = InitPackStreamPtr(room, sizeof room, 0, 1);
    UnpackWholeStream(src, sink);
    DisposePackStream(src);
    DisposePackStream(sink);
  });
}

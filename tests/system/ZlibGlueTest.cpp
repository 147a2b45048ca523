#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/Memory.h"
#include "system/ZlibGlue.h"

namespace {

Handle HandleOf(const std::vector<uint8_t>& bytes) {
  Handle h = NewHandle(Size(bytes.size()));
  if (!bytes.empty()) std::memcpy(*h, bytes.data(), bytes.size());
  return h;
}

std::vector<uint8_t> Bytes(Handle h) {
  return std::vector<uint8_t>(reinterpret_cast<uint8_t*>(*h), reinterpret_cast<uint8_t*>(*h) + GetHandleSize(h));
}

}  // namespace

TEST(ZlibGlue, IncompressibleDataRoundTrips) {
  // Random bytes grow under compression: the output buffer must allow for it.
  std::mt19937 rng(1234);
  std::vector<uint8_t> data(3 << 20);
  for (auto& b : data) b = uint8_t(rng());
  Handle packed = RozoZipHandleAndFree(HandleOf(data));
  ASSERT_NE(packed, nullptr);
  EXPECT_GT(GetHandleSize(packed), Size(data.size()));
  Handle back = RozoUnZipHandleAndFree(packed);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(Bytes(back) == data);
  DisposeHandle(back);
}

TEST(ZlibGlue, EmptyAndRepetitiveDataRoundTrip) {
  for (size_t size : {size_t(0), size_t(1), size_t(100000)}) {
    std::vector<uint8_t> data(size, 'x');
    Handle packed = RozoZipHandleAndFree(HandleOf(data));
    ASSERT_NE(packed, nullptr);
    Handle back = RozoUnZipHandleAndFree(packed);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(Bytes(back) == data) << size;
    DisposeHandle(back);
  }
}

TEST(ZlibGlue, DamagedOrCutStreamsGiveNull) {
  std::vector<uint8_t> data(5000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t(i * 7 + i / 100);
  Handle packed = RozoZipHandleAndFree(HandleOf(data));
  ASSERT_NE(packed, nullptr);
  std::vector<uint8_t> good = Bytes(packed);
  DisposeHandle(packed);

  std::vector<uint8_t> cut(good.begin(), good.begin() + good.size() / 2);
  EXPECT_EQ(RozoUnZipHandleAndFree(HandleOf(cut)), nullptr);
  std::vector<uint8_t> bad = good;
  bad[0] ^= 0xFF;  // not a zlib header
  EXPECT_EQ(RozoUnZipHandleAndFree(HandleOf(bad)), nullptr);
  std::vector<uint8_t> sum = good;
  sum.back() ^= 1;  // Adler-32 mismatch
  EXPECT_EQ(RozoUnZipHandleAndFree(HandleOf(sum)), nullptr);
  EXPECT_EQ(RozoUnZipHandleAndFree(nullptr), nullptr);
}

TEST(ZlibGlue, OutputCapStopsAnOversizedStream) {
  std::vector<uint8_t> data(1 << 20, 0);
  Handle packed = RozoZipHandleAndFree(HandleOf(data));
  ASSERT_NE(packed, nullptr);
  Handle copy = NewHandle(GetHandleSize(packed));
  std::memcpy(*copy, *packed, size_t(GetHandleSize(packed)));
  EXPECT_EQ(RozoUnZipHandleAndFree(packed, 1000), nullptr);
  Handle back = RozoUnZipHandleAndFree(copy, 1 << 20);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(GetHandleSize(back), 1 << 20);
  DisposeHandle(back);
}

TEST(ZlibGlue, VectorCallbackSeesEveryPieceAndCanStop) {
  std::vector<uint8_t> data(300000);
  for (size_t i = 0; i < data.size(); i++) data[i] = uint8_t((i * i) >> 5);
  uLongf len = compressBound(uLong(data.size()));
  std::vector<uint8_t> packed(len);
  ASSERT_EQ(compress(packed.data(), &len, data.data(), uLong(data.size())), Z_OK);
  struct Sink {
    std::vector<uint8_t> out;
    int calls = 0;
    int stopAfter = -1;
  };
  auto collect = [](void* ctx, const uint8_t* bytes, uint32_t count) -> int {
    Sink* s = static_cast<Sink*>(ctx);
    s->out.insert(s->out.end(), bytes, bytes + count);
    return ++s->calls == s->stopAfter ? 1 : 0;
  };
  Sink all;
  EXPECT_EQ(ZDecompressOnVector(collect, &all, packed.data(), uint32_t(len)), Z_OK);
  EXPECT_TRUE(all.out == data);
  Sink stopped;
  stopped.stopAfter = 1;
  EXPECT_NE(ZDecompressOnVector(collect, &stopped, packed.data(), uint32_t(len)), Z_OK);
}

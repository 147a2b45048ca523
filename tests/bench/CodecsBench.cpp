#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "platform/Memory.h"
#include "support/Ar002TestEncoder.h"
#include "support/MlapTestEncoder.h"
#include "system/Ar002.h"
#include "system/Mlap.h"
#include "system/PackStreams.h"
#include "system/PngCodec.h"

namespace {

// One minute of a 44.1 kHz tone with a little noise, in blocks of 4096.
void BM_MlapDecode(benchmark::State& state) {
  tamrel_test::MlapTestStream s;
  for (int64_t i = 0; i < 44100 * 60; i++)
    s.samples.push_back(int32_t(9000 * std::sin(double(i) * 0.03) + double((i * 7919) % 17)));
  s.blockLength = 4096;
  s.historyLength = 8;
  s.blocks = {{2, 5}};
  std::vector<uint8_t> expected;
  std::vector<uint8_t> encoded = tamrel_test::MlapTestEncode(s, &expected);
  for (auto _ : state) {
    Handle out = NewHandle(0);
    PackStream* src = InitPackStreamPtr(encoded.data(), uint32_t(encoded.size()), 0, 0);
    PackStream* sink = InitPackStreamHandle(out, 0, 1);
    benchmark::DoNotOptimize(UnpackWholeStream(src, sink));
    DisposePackStream(src);
    DisposePackStream(sink);
    DisposeHandle(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(expected.size()));
}
BENCHMARK(BM_MlapDecode)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> Picture(int w, int h) {
  std::vector<uint8_t> argb;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      for (uint8_t c : {uint8_t(255), uint8_t(x), uint8_t(y), uint8_t((x * y) >> 6)}) argb.push_back(c);
  return argb;
}

void BM_PngEncode(benchmark::State& state) {
  std::vector<uint8_t> argb = Picture(1024, 768);
  for (auto _ : state) {
    Handle png = CvtARGBToPngHandle(argb.data(), 1024, 768, 4096, 0, 1, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(png);
    DisposeHandle(png);
  }
}
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);

void BM_PngDecode(benchmark::State& state) {
  std::vector<uint8_t> argb = Picture(1024, 768);
  Handle png = CvtARGBToPngHandle(argb.data(), 1024, 768, 4096, 0, 1, nullptr, nullptr, nullptr, nullptr);
  for (auto _ : state) {
    int32_t w, h;
    Ptr px = PNGDecodeToARGB(png, &w, &h, nullptr);
    benchmark::DoNotOptimize(px);
    DisposePtr(px);
  }
  DisposeHandle(png);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

void BM_UnZip(benchmark::State& state) {
  std::vector<uint8_t> data;
  for (int i = 0; i < (1 << 20); i++) data.push_back(uint8_t("bar clef staff note tie "[i % 24] + ((i >> 12) & 3)));
  std::vector<uint8_t> container = tamrel_test::Ar002TestContainer(data);
  for (auto _ : state) {
    Handle h = UnZip(container.data(), container.size());
    benchmark::DoNotOptimize(h);
    DisposeHandle(h);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_UnZip)->Unit(benchmark::kMillisecond);

}  // namespace

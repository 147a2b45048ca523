// Measuring text: the 8-bit path and the Unicode engine, after the first call
// has loaded the font (faces, shapers and fallbacks are cached).
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/Fonts.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"

static void BM_Text8Width(benchmark::State& state) {
  Text8Style st{FontNumberForName("Liberation Sans"), 0, 12};
  const char* t = "The quick brown fox jumps over the lazy dog";
  for (auto _ : state) benchmark::DoNotOptimize(Text8Width(st, reinterpret_cast<const uint8_t*>(t), strlen(t)));
}
BENCHMARK(BM_Text8Width);

static void BM_UnicodeTextWidth(benchmark::State& state) {
  UnicodeTextStyle st;
  st.font = FontNumberForName("Liberation Sans");
  st.size = 12;
  const UniChar t[] = {'L', 'y', 'r', 'i', 'c', ' ', 0xE9, 't', 0xE9, ' ', 0x65E5, 0x672C};
  for (auto _ : state) benchmark::DoNotOptimize(UnicodeTextWidth(t, sizeof t / sizeof t[0], st));
}
BENCHMARK(BM_UnicodeTextWidth);

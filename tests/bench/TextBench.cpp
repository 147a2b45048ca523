// Measuring text: the 8-bit path and the Unicode engine, after the first call
// has loaded the font (faces, shapers and fallbacks are cached).
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/Fonts.h"
#include "platform/QuickDraw.h"
#include "platform/TextDraw.h"
#include "platform/UnicodeText.h"
#include "text/UTFText.h"

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

// A short lyric drawn into an offscreen through the Unicode engine, as page
// drawing does for every text: shaping, the cairo bridge over the text's
// ink box and the pixels written back.
static void BM_UTFDrawTextIntoOffscreen(benchmark::State& state) {
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  const Rect bounds{0, 0, 800, 800};
  GWorldPtr w = nullptr;
  NewGWorld(&w, 32, &bounds, nullptr, nullptr, 0);
  SetGWorld(w, nullptr);
  EraseRect(&bounds);
  SetUnicodeApplication(1);
  TextFont(FontNumberForName("Liberation Sans"));
  TextSize(12);
  const char* t = "Lyrics \xC3\xA9t\xC3\xA9";
  for (auto _ : state) {
    MoveTo(100, 100);
    UTFDrawText(w, t, 0, static_cast<int32_t>(strlen(t)), 0);
  }
  // What was drawn, so that a call drawing nothing shows.
  int inked = 0;
  for (int16_t y = 80; y < 110; y++)
    for (int16_t x = 100; x < 200; x++) inked += (QDGetPixel(w, x, y) & 0xFF) < 0x80;
  state.counters["inked"] = inked;
  SetUnicodeApplication(0);
  SetGWorld(saved, dev);
  DisposeGWorld(w);
}
BENCHMARK(BM_UTFDrawTextIntoOffscreen);

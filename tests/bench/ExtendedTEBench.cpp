// Laying out a styled text box with the real fonts: a full layout of a few
// paragraphs, the incremental layout after typing at the end, and drawing.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/QuickDraw.h"
#include "text/ExtendedTE.h"
#include "text/UTFText.h"

namespace {

struct Box {
  GWorldPtr world = nullptr;
  CGrafPtr saved = nullptr;
  ExtendedTE te = nullptr;
  Box() {
    GetPort(&saved);
    Rect r{0, 0, 400, 300};
    NewGWorld(&world, 32, &r, nullptr, nullptr, 0);
    SetPort(world);
    SetUnicodeApplication(1);
    TextFont(21);
    TextSize(12);
    Rect dest{0, 0, 400, 240};
    te = ExtendedTEStylNew(&dest, &dest);
    std::string text;
    for (int i = 0; i < 6; i++)
      text += "Lyrics of a verse with some longer words, \xC3\xA9t\xC3\xA9 and accents, sung slowly.\r";
    ExtendedTEFastAddData(text.data(), static_cast<int32_t>(text.size()), te);
  }
  ~Box() {
    ExtendedTEDispose(te);
    SetPort(saved);
    DisposeGWorld(world);
    SetUnicodeApplication(0);
  }
};

void BM_ExtendedTECalText(benchmark::State& state) {
  Box box;
  for (auto _ : state) {
    ExtendedTECalText(box.te);
    benchmark::DoNotOptimize((*box.te)->nLines);
  }
}
BENCHMARK(BM_ExtendedTECalText);

void BM_ExtendedTERecalAfterTyping(benchmark::State& state) {
  Box box;
  ExtendedTECalText(box.te);
  (*box.te)->drawLock = 1;  // layout only
  for (auto _ : state) {
    int32_t len = (*box.te)->teLength;
    ExtendedTEFastAddData("a", 1, box.te);
    int32_t first, last;
    ExtendedTERecalText(len, len, 1, box.te, &first, &last);
    ExtendedTESetStartEnd(box.te, len, len + 1);
    ExtendedTEDelete(box.te);
  }
}
BENCHMARK(BM_ExtendedTERecalAfterTyping);

// Drawing every line into an offscreen, with and without erasing the bands.
void BM_ExtendedTEDraw(benchmark::State& state) {
  Box box;
  ExtendedTECalText(box.te);
  (*box.te)->eraseBackground = static_cast<uint8_t>(state.range(0));
  for (auto _ : state) Extended_affiche_texte(box.te, 0, (*box.te)->teLength, 0, 0);
}
BENCHMARK(BM_ExtendedTEDraw)->Arg(0)->Arg(1);
}  // namespace

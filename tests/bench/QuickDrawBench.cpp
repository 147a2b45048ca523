#include <benchmark/benchmark.h>

#include "platform/Pictures.h"
#include "platform/QuickDraw.h"

namespace {

// A 1000 x 1000 copy between two offscreens (argument 0), within one
// offscreen moved down and right over itself (1), and between two
// offscreens in srcOr (2).
void BM_CopyBits(benchmark::State& state) {
  const Rect bounds{0, 0, 1100, 1100}, from{0, 0, 1000, 1000}, to{50, 40, 1050, 1040};
  GWorldPtr a = nullptr, b = nullptr;
  NewGWorld(&a, 32, &bounds, nullptr, nullptr, 0);
  NewGWorld(&b, 32, &bounds, nullptr, nullptr, 0);
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  SetGWorld(a, nullptr);
  EraseRect(&bounds);
  SetGWorld(b, nullptr);
  EraseRect(&bounds);
  SetGWorld(saved, dev);
  const BitMap* src = GetPortBitMapForCopyBits(a);
  const BitMap* dst = GetPortBitMapForCopyBits(state.range(0) == 1 ? a : b);
  const int16_t mode = state.range(0) == 2 ? srcOr : srcCopy;
  for (auto _ : state) CopyBits(src, dst, &from, &to, mode, nullptr);
  DisposeGWorld(a);
  DisposeGWorld(b);
}
BENCHMARK(BM_CopyBits)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A picture of 1,000 steep lines from (-32000, -32000) to (32000, 32000)
// (9 KB) played into a 100 x 80 offscreen: a line costs what its visible
// rows cost, not its 64,000 points.
void BM_LinesFarBeyondThePort(benchmark::State& state) {
  const Rect frame{0, 0, 100, 80};
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  GWorldPtr w = nullptr;
  NewGWorld(&w, 32, &frame, nullptr, nullptr, 0);
  SetGWorld(w, nullptr);
  PicHandle pic = OpenPicture(&frame);
  for (int i = 0; i < 1000; i++) {
    MoveTo(-32000, int16_t(-32000 + i % 7));
    LineTo(32000, 32000);
  }
  ClosePicture();
  for (auto _ : state) DrawPicture(pic, &frame);
  KillPicture(pic);
  SetGWorld(saved, dev);
  DisposeGWorld(w);
}
BENCHMARK(BM_LinesFarBeyondThePort)->Unit(benchmark::kMillisecond);

}  // namespace

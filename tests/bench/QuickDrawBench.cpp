#include <benchmark/benchmark.h>

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

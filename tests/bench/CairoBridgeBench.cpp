#include <benchmark/benchmark.h>

#include <cairo.h>

#include "platform/QuickDraw.h"

namespace {

// One text-sized stroke through the cairo bridge of a raster port: the area
// is copied out, drawn by cairo and the changed pixels written back, as the
// text drawers do for every run. range(0) x range(1) is the area: a line of
// text, or the square a turnable Unicode run asks for.
void BM_CairoBridgeArea(benchmark::State& state) {
  CGrafPtr saved;
  GDHandle dev;
  GetGWorld(&saved, &dev);
  Rect bounds{0, 0, 800, 800};
  GWorldPtr w = nullptr;
  NewGWorld(&w, 32, &bounds, nullptr, nullptr, 0);
  SetGWorld(w, nullptr);
  EraseRect(&bounds);
  const int16_t width = int16_t(state.range(0)), height = int16_t(state.range(1));
  Rect area{100, 100, int16_t(100 + height), int16_t(100 + width)};
  for (auto _ : state) {
    cairo_t* cr = QDBeginCairo(w, &area);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 110, 110, width / 2, 10);
    cairo_fill(cr);
    QDEndCairo(w, cr);
  }
  SetGWorld(saved, dev);
  DisposeGWorld(w);
}
BENCHMARK(BM_CairoBridgeArea)->Args({64, 40})->Args({400, 40})->Args({656, 656});

}  // namespace

// Pagination of a 300-bar score of ten staves (quarter notes, clefs, keys and
// time signatures at every line start) on A4 at 576 dpi and the default scale:
// the layout alone, and one step of the scale search (the layout, its rescale
// to 72 dpi, the print table and the page areas).
#include <benchmark/benchmark.h>

#include "layout/Justification.h"
#include "layout/PaginationFixtures.h"

namespace {

struct Partition300 {
  PartitionPaginee p{10, 300, {}, 4};
  Partition300() {
    p.doc->orientation = 1;
    MiseEnPage& m = p.Setup();
    FixeMiseEnPageStandard(&m, 0);
    for (int s = 0; s < 10; s++)
      FixeVisibleMesure(p.score, p.Staff(s), 0, kVisibleClef | kVisibleArmure | kVisibleSignature,
                        kVisibleClef | kVisibleArmure | kVisibleSignature);
    SetTabEltMesureModifie(p.score, kTabEltTout);
    UpdateTabEltMesure(p.score, kTabEltTout);
  }
};

void BM_Pagination300Bars10Staves(benchmark::State& state) {
  Partition300 f;
  // A4 at 576 dpi divided by the scale 0.7.
  PrInfo info{576, 576, Rect{0, 0, 9622, 6800}};
  for (auto _ : state) MetsEnPageDocument(f.p.doc, &f.p.Setup(), &info);
  state.counters["pages"] = f.p.NbPages();
  state.counters["systems"] = double(f.p.TousSystemes().size());
}
BENCHMARK(BM_Pagination300Bars10Staves)->Unit(benchmark::kMillisecond);

void BM_ScaleSearchStep300Bars10Staves(benchmark::State& state) {
  Partition300 f;
  for (auto _ : state) {
    SetTabEltMesureModifie(f.p.score, kTabEltMarges);
    benchmark::DoNotOptimize(CombienDePages(f.p.score));
  }
  state.counters["pages"] = f.p.NbPages();
}
BENCHMARK(BM_ScaleSearchStep300Bars10Staves)->Unit(benchmark::kMillisecond);

}  // namespace

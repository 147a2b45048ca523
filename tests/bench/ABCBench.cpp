// ABC import of a long tune whose meter changes at every bar (3/4, then 4/4
// again): each change reaches the bar table of every view, and the table grows
// a bar at a time. Linear in the bars: a change once copied every table.
#include <benchmark/benchmark.h>

#include <string>

#include "import/ABCFixtures.h"

namespace {

void BM_ABCMeterChangeAtEveryBar(benchmark::State& state) {
  std::string texte = "X:1\nM:4/4\nL:1/4\nK:C\n";
  for (int64_t i = 0; i < state.range(0); i++) texte += "[M:3/4]CDE|[M:4/4]CDEF|";
  for (auto _ : state) {
    DocumentABC d(texte);
    benchmark::DoNotOptimize(d.resultat);
  }
}
BENCHMARK(BM_ABCMeterChangeAtEveryBar)->Arg(500)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

#include <benchmark/benchmark.h>

#include <string>

#include "platform/Files.h"
#include "plugin/Necks.h"
#include "support/TestPaths.h"
#include "system/Dossiers.h"

namespace {

// What a tablature request pays for its neck table: the bundle's neck files
// read and sorted.
void BM_InitTabNeckBundle(benchmark::State& state) {
  const std::string ressources = tamrel_test::BundlePath() + "/Resources";
  PathNecks = CheminVol{kVolumeRacine, PlatformDirIDForPath(ressources.c_str())};
  for (auto _ : state) {
    InitTabNeck();
    benchmark::DoNotOptimize(GetNbNecks());
  }
  LibereTabNeck();
  PathNecks = CheminVol{0, 0};
}
BENCHMARK(BM_InitTabNeckBundle);

void BM_RechercheNeckSelonAccordage(benchmark::State& state) {
  const std::string ressources = tamrel_test::BundlePath() + "/Resources";
  PathNecks = CheminVol{kVolumeRacine, PlatformDirIDForPath(ressources.c_str())};
  InitTabNeck();
  const int16_t mandoline[] = {76, 69, 62, 55};
  for (auto _ : state) benchmark::DoNotOptimize(RechercheNeckSelonAccordage(4, mandoline));
  LibereTabNeck();
  PathNecks = CheminVol{0, 0};
}
BENCHMARK(BM_RechercheNeckSelonAccordage);

}  // namespace

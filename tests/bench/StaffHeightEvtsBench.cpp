// Staff-height events set over every bar of a score, on a staff with another
// merged after it (both get the events).
#include <benchmark/benchmark.h>

#include "model/ModelFixtures.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"

namespace {

void BM_StaffHeightRangeAllBars(benchmark::State& state) {
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  Portee** staff = NewPortee(score, kTypePorteeStandard);
  Portee** merged = NewPortee(score, kTypePorteeStandard);
  Fusionne(score, 0, 1, 0);
  for (auto _ : state) {
    DisposeStaffHeightEvts(staff);
    DisposeStaffHeightEvts(merged);
    AddEventStaffHeighRange(staff, 'G', 0, kMaxMesures - 1, 1);
    // Again over the events now there: every bar is found, none added.
    AddEventStaffHeighRange(staff, 'G', 0, kMaxMesures - 1, 2);
  }
  state.counters["events"] = double(GetNbStaffHeightEvts((*merged)->staffHeightEvts));
  LibereDocument(doc);
}
BENCHMARK(BM_StaffHeightRangeAllBars)->Unit(benchmark::kMillisecond);

}  // namespace

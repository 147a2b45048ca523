// Lyrics kept across a structural edit: the save and restore around an edit
// (here an empty one) on a staff with four verses in every bar.
#include <benchmark/benchmark.h>

#include "layout/Zoom.h"
#include "model/ModelFixtures.h"
#include "model/PreservePositions.h"
#include "model/QrvText.h"
#include "model/TabEltMesure.h"

namespace {

void BM_PreserveRestaureParoles(benchmark::State& state) {
  const int32_t mesures = int32_t(state.range(0));
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  Document* doc = NouveauDocument();
  Partition** score = NewPartition(doc);
  AddEltTabEltMesureRuban(score, mesures);
  (*score)->nbMesures = int16_t(mesures);
  UpdateTabEltMesure(score, kTabEltTout);
  NewPortee(score, kTypePorteeStandard);
  Portee** staff = (*score)->portees[0];
  (*staff)->ligneParolesAffichee = 1;
  (*staff)->lignesTexte[0].hauteurLigne = 14;
  for (int32_t i = 0; i < 4 * mesures; i++) AjouteSigne(staff, int8_t(60 + i % 12), 40320);
  for (int16_t b = 0; b < mesures; b++)
    for (int16_t v = 0; v < 4; v++) SetTexteKaraokeCellule(staff, b, v, 1, "la li- lo lu_", nullptr);
  for (auto _ : state) {
    PreserveObjetsPartitionAvantChangement(score);
    RestaureObjetsPartitionApresChangement(score);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * mesures * 4);
  LibereDocument(doc);
  SetDpiDest(dpi);
}
BENCHMARK(BM_PreserveRestaureParoles)->Arg(100)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace

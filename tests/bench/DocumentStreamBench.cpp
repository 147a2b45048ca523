#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "system/QrvFiles.h"

namespace {

// A coded stretch of 4 MiB of text-like bytes, read back through ReadCar.
std::string FichierCode() {
  std::string chemin;
  char modele[] = "/tmp/qrvbench-XXXXXX";
  int fd = mkstemp(modele);
  if (fd < 0) return chemin;
  close(fd);
  chemin = modele;
  OrvantaOpenFile(chemin.c_str(), "wb");
  SetLZWMode(1);
  std::mt19937 g(7);
  for (int i = 0; i < (4 << 20); i++) WriteCar(uint8_t('a' + g() % 12));
  CloseFile();
  return chemin;
}

void BM_ReadCarLZW(benchmark::State& state) {
  std::string chemin = FichierCode();
  for (auto _ : state) {
    OrvantaOpenFile(chemin.c_str(), "rb");
    SetLZWMode(1);
    int64_t somme = 0;
    for (int16_t c; (c = ReadCar()) >= 0;) somme += c;
    benchmark::DoNotOptimize(somme);
    CloseFile();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * (4 << 20));
  std::remove(chemin.c_str());
}
BENCHMARK(BM_ReadCarLZW)->Unit(benchmark::kMillisecond);

}  // namespace

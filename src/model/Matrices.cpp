#include "model/Matrices.h"

#include "model/Partition.h"
#include "platform/Memory.h"

static void Libere(Handle& h) {
  if (h) DisposeHandle(h);
  h = nullptr;
}

// SEAM(model): the accompaniment and rhythm banks are kept as empty blocks
// until the banks are built.
Handle NewMatriceAccompagnement() { return NewHandleClear(0); }
Handle NewMatriceRythme() { return NewHandleClear(0); }

void DeleteToutAccompagnements(Partition** score) {
  if (score) Libere((*score)->accompagnements);
}
void DisposeBarreAccompagnements(Partition** score) {
  if (score) Libere((*score)->matriceAccompagnement);
}
void DisposeGrilleAccord(Partition** score) {
  if (score) Libere((*score)->grilleAccord);
}
void DisposeBanqueRythmesPartition(Partition** score) {
  if (score) Libere((*score)->barreRythmes);
}
void DisposeBarreRythmes(Partition** score) {
  if (score) Libere((*score)->matriceRythme);
}
void SupprimePorteesVolatilesAccompagnements(Partition**) {}

int16_t MesureMaxGrilleAccord(Partition**) { return 0; }

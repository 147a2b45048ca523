#include "model/Matrices.h"

#include "model/Partition.h"
#include "platform/Memory.h"

static void Libere(Handle& h) {
  if (h) DisposeHandle(h);
  h = nullptr;
}

// SEAM(model): the Matrices of the two banks (their bar lists) are empty
// blocks until the banks are built.
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
  if (score) Libere((*score)->banqueRythmes);
}
void DisposeBarreRythmes(Partition** score) {
  if (score) Libere((*score)->matriceRythme);
}
// SEAM(model): no accompaniment entry and no volatile staff of one exist
// until the banks are built.
void SupprimePorteesVolatilesAccompagnements(Partition**) {}

// SEAM(model): the chord grid holds no chord until the banks are built.
int16_t MesureMaxGrilleAccord(Partition**) { return 0; }

#include "model/Cibles.h"

#include "model/Partition.h"
#include "platform/Memory.h"

void InitLibelleCiblePartition(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  p->libellesCiblesAuto = 1;
  p->typeLibelleCible = 'A';
  const int16_t valeurs[5] = {1, 20, 129, 24, -8};
  for (int i = 0; i < 5; i++) p->reglagesLibelleCible[i] = valeurs[i];
}

void DisposeCibles(Partition** score) {
  if (!score) return;
  if ((*score)->cibles) DisposeHandle((*score)->cibles);
  (*score)->cibles = nullptr;
}

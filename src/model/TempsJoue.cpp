#include "model/TempsJoue.h"

#include "model/Partition.h"
#include "platform/Memory.h"

void LibereTableauCvtSec(Partition** score) {
  if (!score) return;
  if ((*score)->tableauCvtSec) DisposeHandle((*score)->tableauCvtSec);
  (*score)->tableauCvtSec = nullptr;
}

#include "model/CourbeTempo.h"

#include "model/Partition.h"
#include "platform/Memory.h"

void ClearCourbeTempo(Partition** score) {
  if (!score) return;
  if ((*score)->courbeTempo) DisposeHandle((*score)->courbeTempo);
  (*score)->courbeTempo = nullptr;
}

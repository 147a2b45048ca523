#include "model/TabEltMesure.h"

#include "model/Partition.h"
#include "platform/Memory.h"

void DisableCalculTabElt(Partition** score) {
  if (score) (*score)->reentranceTabElt++;
}

void EnableCalculTabElt(Partition** score) {
  if (score && (*score)->reentranceTabElt > 0) (*score)->reentranceTabElt--;
}

void SetTabEltMesureModifie(Partition** score, uint16_t mask) {
  if (score && (*score)->reentranceTabElt == 0) (*score)->masqueModifieTabElt |= mask;
}

void UpdateTabEltMesure(Partition**, uint16_t) {}

void DisposeTabEltMesure(Partition** score) {
  if (!score) return;
  for (Handle& h : (*score)->tabEltMesure) {
    if (h) DisposeHandle(h);
    h = nullptr;
  }
  (*score)->nbLignesTabElt = 0;
}

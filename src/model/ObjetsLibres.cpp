#include "model/ObjetsLibres.h"

#include "model/Partition.h"
#include "platform/Memory.h"

void LibereObjetsLibres(Partition** score) {
  if (!score) return;
  if ((*score)->objetsLibres) DisposeHandle((*score)->objetsLibres);
  (*score)->objetsLibres = nullptr;
}

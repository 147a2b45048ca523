#include "model/QrvFXs.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeFXs(Portee** staff) {
  if (!staff) return;
  if ((*staff)->fxs) DisposeHandle((*staff)->fxs);
  (*staff)->fxs = nullptr;
  (*staff)->nbFXs = 0;
}

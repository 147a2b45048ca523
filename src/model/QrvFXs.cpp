#include "model/QrvFXs.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeFXs(Portee** staff) {
  if (!staff) return;
  if ((*staff)->fxs) DisposeHandle((*staff)->fxs);
  (*staff)->fxs = nullptr;
  (*staff)->nbFXs = 0;
}

// SEAM(model): positions stay in ticks until the objects learn to follow their notes.
void PreservePositionFXs(Partition**, int16_t) {}
void RestaurePositionFXs(Partition**, int16_t) {}

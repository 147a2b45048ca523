#include "model/SGraphix.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeGraphiques(Portee** staff) {
  if (!staff) return;
  if ((*staff)->graphiques) DisposeHandle((*staff)->graphiques);
  (*staff)->graphiques = nullptr;
  (*staff)->nbGraphiques = 0;
}

// Positions stay in ticks until the objects learn to follow their notes.
void PreservePositionGraphiques(Partition**, int16_t) {}
void RestaurePositionGraphiques(Partition**, int16_t) {}

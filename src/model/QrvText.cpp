#include "model/QrvText.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeTextes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->textes) DisposeHandle((*staff)->textes);
  (*staff)->textes = nullptr;
  (*staff)->nbTextes = 0;
}

// SEAM(model): texts keep their ticks until staff texts learn to follow their notes.
void PreservePositionTextesDivers(Partition**, int16_t) {}
void RestaurePositionTextesDivers(Partition**, int16_t) {}
void PreparePreserveObjetsPartition(Partition**) {}
// SEAM(model): lyrics are not saved across edits yet: there is nothing to
// save, and a saved block handed back is only freed.
Handle PreserveTextesPartition(Partition**, int16_t) { return nullptr; }
void RestaureTextesPartition(Partition**, int16_t, Handle saved) {
  if (saved) DisposeHandle(saved);
}

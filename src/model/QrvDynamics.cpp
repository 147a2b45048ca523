#include "model/QrvDynamics.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeDynamiques(Portee** staff) {
  if (!staff) return;
  if ((*staff)->dynamiques) DisposeHandle((*staff)->dynamiques);
  (*staff)->dynamiques = nullptr;
  (*staff)->nbDynamiques = 0;
}

// SEAM(model): dynamics make no playback events yet.
void LibereEvtDynamiquesPortee(Portee**) {}
void LibereEvtDynamiquesPartition(Partition**) {}

// SEAM(model): positions stay in ticks until the objects learn to follow their notes.
void PreservePositionDynamiques(Partition**, int16_t) {}
void RestaurePositionDynamiques(Partition**, int16_t) {}

// SEAM(model): old pedal effects, old dynamics and the events of dynamics
// are not built yet; a score keeps its notes and dynamics as read.
void CvtOldParamEffetPedaleEnDynamique(Partition**) {}
void ConvertitNuancesAncienFormat(Partition**) {}
void PrepareDynamiquesPartition(Partition**) {}

#include "notation/DiagrammesPortee.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeDiagrammes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->diagrammes) DisposeHandle((*staff)->diagrammes);
  (*staff)->diagrammes = nullptr;
  (*staff)->nbDiagrammes = 0;
}

void DisposeDiagrammesAccordsCustomsPortee(Portee** staff) {
  if (!staff) return;
  if ((*staff)->diagrammesCustoms) DisposeHandle((*staff)->diagrammesCustoms);
  (*staff)->diagrammesCustoms = nullptr;
}

// SEAM(notation): the staff holds no diagram placements yet: nothing to order.
void PrepareDiagrammesPortee(Portee**) {}

// SEAM(notation): the staff holds no diagram placements yet: nothing to cut.
void DeleteMesuresDiagrammesPortee(Portee**, int16_t, int16_t) {}

// SEAM(notation): diagrams keep their positions until the staff's diagram
// list follows its notes.
void PreservePositionDiagrammes(Partition**, int16_t) {}
void RestaurePositionDiagrammes(Partition**, int16_t) {}

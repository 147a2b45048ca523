#include "notation/DiagrammesPortee.h"

#include <cstdint>
#include <cstring>

#include "model/DonneesAccords.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "system/Handles.h"

void DisposeDiagrammes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->diagrammes) DisposeHandle((*staff)->diagrammes);
  (*staff)->diagrammes = nullptr;
  (*staff)->nbDiagrammes = 0;
}

int32_t NewDiagramme(Portee** staff) {
  if (!staff) return -1;
  const int32_t n = (*staff)->nbDiagrammes < 0 ? 0 : (*staff)->nbDiagrammes;
  if (n >= INT16_MAX) return -1;
  if (!(*staff)->diagrammes) (*staff)->diagrammes = NewHandle(0);
  if (!(*staff)->diagrammes || !RetailleHandle((*staff)->diagrammes, Size(n + 1) * Size(sizeof(PlacementDiagramme))))
    return -1;
  std::memset(reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes) + n, 0, sizeof(PlacementDiagramme));
  (*staff)->nbDiagrammes = int16_t(n + 1);
  return n;
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

#include "model/Lois.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeLoisPortee(Portee** staff) {
  if (!staff) return;
  if ((*staff)->lois) DisposeHandle((*staff)->lois);
  (*staff)->lois = nullptr;
  (*staff)->nbLois = 0;
}

void DisposeCourbes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->courbes) DisposeHandle((*staff)->courbes);
  (*staff)->courbes = nullptr;
  (*staff)->courbeActive = 0;
}

// SEAM(model): laws make no volatile staves yet.
void SupprimePorteesVolatilesLois(Partition**) {}

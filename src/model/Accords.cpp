#include "model/Accords.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeListeAccords(Portee** staff) {
  if (!staff) return;
  if ((*staff)->listeAccords) DisposeHandle((*staff)->listeAccords);
  (*staff)->listeAccords = nullptr;
}

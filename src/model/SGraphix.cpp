#include "model/SGraphix.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeGraphiques(Portee** staff) {
  if (!staff) return;
  if ((*staff)->graphiques) DisposeHandle((*staff)->graphiques);
  (*staff)->graphiques = nullptr;
  (*staff)->nbGraphiques = 0;
}

#include "model/QrvText.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeTextes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->textes) DisposeHandle((*staff)->textes);
  (*staff)->textes = nullptr;
  (*staff)->nbTextes = 0;
}

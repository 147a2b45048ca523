#include "layout/MiseEnPage.h"

#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeMiseEnPagePartition(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  if (p->pages) {
    int32_t nbPages = GetHandleSize(p->pages) / int32_t(sizeof(Page));
    for (int32_t i = 0; i < nbPages; i++) {
      Handle systemes = reinterpret_cast<Page*>(*p->pages)[i].systemes;
      if (!systemes) continue;
      int32_t nbSystemes = GetHandleSize(systemes) / int32_t(sizeof(Systeme));
      for (int32_t j = 0; j < nbSystemes; j++) {
        Handle& portees = reinterpret_cast<Systeme*>(*systemes)[j].portees;
        if (portees) DisposeHandle(portees);
        portees = nullptr;
      }
      DisposeHandle(systemes);
      reinterpret_cast<Page*>(*p->pages)[i].systemes = nullptr;
    }
    DisposeHandle(p->pages);
    p->pages = nullptr;
  }
  for (int mode = 1; mode <= 3; mode++) {
    if (p->tabEltMesure[mode]) DisposeHandle(p->tabEltMesure[mode]);
    p->tabEltMesure[mode] = nullptr;
  }
}

bool IsPorteeImprimable(MiseEnPage*, Portee** staff) { return staff && !(*staff)->pasImprimee; }

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

// The least a reader needs before it reads a setup over it: a known kind, the
// whole score as the bar range, the screen scale.
void FixeMiseEnPageStandard(MiseEnPage* setup, uint32_t kind) {
  if (!setup) return;
  *setup = MiseEnPage{};
  setup->type = kind;
  setup->echelle = kind == 2 ? 1.0f : 0.7f;
  setup->premiereMesure = 1;
  setup->derniereMesure = kDerniereMesureFin;
}

bool IsPorteeImprimable(MiseEnPage*, Portee** staff) { return staff && !(*staff)->pasImprimee; }

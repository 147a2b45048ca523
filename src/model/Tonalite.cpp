#include "model/Tonalite.h"

#include <cstring>

#include "model/Portee.h"
#include "platform/Memory.h"

void FixeTonaliteEtClefMesure(Partition**, Portee** staff, int16_t bar, const Tonalite* key, const Clef* clef,
                              int16_t, uint32_t visible, uint32_t reminder, int16_t link) {
  if (!staff || bar < 0) return;
  Portee* p = *staff;
  int32_t n = p->tabTonalite ? GetHandleSize(p->tabTonalite) / int32_t(sizeof(EltTabTonalite)) : 0;
  int32_t i = 0;
  while (i < n && reinterpret_cast<EltTabTonalite*>(*p->tabTonalite)[i].mesure < uint16_t(bar)) i++;
  if (i == n || reinterpret_cast<EltTabTonalite*>(*p->tabTonalite)[i].mesure != uint16_t(bar)) {
    if (!p->tabTonalite) {
      p->tabTonalite = NewHandleClear(0);
      if (!p->tabTonalite) return;
    }
    SetHandleSize(p->tabTonalite, (n + 1) * Size(sizeof(EltTabTonalite)));
    if (MemError() != noErr) return;
    EltTabTonalite* t = reinterpret_cast<EltTabTonalite*>(*p->tabTonalite);
    std::memmove(t + i + 1, t + i, size_t(n - i) * sizeof(EltTabTonalite));
    std::memset(t + i, 0, sizeof(EltTabTonalite));
    t[i].mesure = uint16_t(bar);
    t[i].lien = kLienTonaliteAucun;
    t[i].tonalite.mode = 1;
    t[i].tonalite.styleAnnulation = 2;
    t[i].clef.type = 1;
    t[i].clef.noteDeBase = 64;
    p->nbTonalites = int16_t(n + 1);
  }
  EltTabTonalite& e = reinterpret_cast<EltTabTonalite*>(*p->tabTonalite)[i];
  if (key) e.tonalite = *key;
  if (clef) e.clef = *clef;
  e.visible = visible;
  e.rappel = reminder;
  e.lien = uint16_t(link);
}

int16_t FixeClefMesure(Partition** score, Portee** staff, int16_t bar, Clef* clef, int16_t mode) {
  if (!staff || !clef) return 0;
  FixeTonaliteEtClefMesure(score, staff, bar, nullptr, clef, mode, kVisibleClef, 0, -1);
  return 1;
}

Handle DupliqueTabTonalite(Portee** staff, int16_t keepLinks) {
  if (!staff || !(*staff)->tabTonalite) return nullptr;
  Handle h = (*staff)->tabTonalite;
  if (HandToHand(&h) != noErr) return nullptr;
  if (!keepLinks) {
    int32_t n = GetHandleSize(h) / int32_t(sizeof(EltTabTonalite));
    for (int32_t i = 0; i < n; i++) reinterpret_cast<EltTabTonalite*>(*h)[i].lien = kLienTonaliteAucun;
  }
  return h;
}

void DisposeTabTonalite(Portee** staff) {
  if (!staff) return;
  if ((*staff)->tabTonalite) DisposeHandle((*staff)->tabTonalite);
  (*staff)->tabTonalite = nullptr;
  (*staff)->nbTonalites = 0;
}

int16_t CalculeMaxTailleClePixelEcran(Partition**) { return 0; }

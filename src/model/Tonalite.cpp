#include "model/Tonalite.h"

#include <cstring>

#include "model/CvtTemps.h"
#include "model/Partition.h"
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

int16_t GetMesureMaxTonalitePartition(Partition** score) {
  if (!score || !(*score)->portees) return 0;
  int16_t result = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->tabTonalite) continue;
    int32_t n = GetHandleSize((*staff)->tabTonalite) / int32_t(sizeof(EltTabTonalite));
    if (n > (*staff)->nbTonalites) n = (*staff)->nbTonalites;
    if (n <= 0) continue;
    uint16_t bar = reinterpret_cast<EltTabTonalite*>(*(*staff)->tabTonalite)[n - 1].mesure;
    if (bar > 32767) bar = 32767;
    if (int16_t(bar) > result) result = int16_t(bar);
  }
  return result;
}

// The widths of clef, key and courtesy areas come with their drawing.
int32_t CalculeTailleClePixelEcranPorteeMesure(Partition**, MiseEnPage*, int16_t) { return 0; }
int32_t CalculeLargeurEcranCleRappel(Partition**, int16_t) { return 0; }

void CvtTempsEnTonalite(Portee** staff, int32_t tick, Tonalite* out) {
  if (!out) return;
  std::memset(out, 0, sizeof *out);
  out->alterationTonique = 2;
  out->mode = 1;
  out->styleAnnulation = 2;
  if (!staff || tick < 0 || !(*staff)->tabTonalite) return;
  int32_t bar = CvtTempsEnMesure((*staff)->partition, tick);
  int32_t n = GetHandleSize((*staff)->tabTonalite) / int32_t(sizeof(EltTabTonalite));
  if (n > (*staff)->nbTonalites) n = (*staff)->nbTonalites;
  const EltTabTonalite* e = reinterpret_cast<const EltTabTonalite*>(*(*staff)->tabTonalite);
  for (int32_t i = 0; i < n && e[i].mesure <= bar; i++) *out = e[i].tonalite;
}

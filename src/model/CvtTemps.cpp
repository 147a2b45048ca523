#include "model/CvtTemps.h"

#include "model/Portee.h"
#include "model/Signe.h"
#include "platform/Memory.h"

int32_t CvtIndexNoteEnTemps(Portee** staff, int32_t index) {
  if (!staff || !(*staff)->notes) return 0;
  Portee* p = *staff;
  int32_t n = p->nbNotes;
  int32_t cap = GetHandleSize(p->notes) / int32_t(sizeof(Signe));
  if (n > cap) n = cap;
  if (index > n) index = n;
  const Signe* s = reinterpret_cast<const Signe*>(*p->notes);
  // Members of a chord start together: only the last member gives time.
  int32_t t = 0;
  for (int32_t i = 0; i < index; i++)
    if (!(s[i].flags & kSigneAccordSuite)) t += s[i].duree;
  return t;
}

void ClrTurboCvtTempsEnIndexNote(Portee** staff, int32_t index) {
  if (!staff) return;
  Portee* p = *staff;
  if (p->turboIndex > index) {
    p->turboIndex = 0;
    p->turboTemps = 0;
  }
  p->dureeCache = 0;
}

int32_t CvtPosPisteEnTempsEcrit(Partition**, uint32_t, uint32_t) { return 0; }

#include "model/QrvLiaison.h"

#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"

// Effect records of a staff and their count, bounded by the handle.
static ParamEffet* EffetsPortee(Portee** staff, int32_t* count) {
  Handle h = (*staff)->paramEffets;
  *count = h ? GetHandleSize(h) / int32_t(sizeof(ParamEffet)) : 0;
  return h ? reinterpret_cast<ParamEffet*>(*h) : nullptr;
}

// The index of the staff holding a used record with this id at the opposite
// end (a source id is looked for among destination ids and back), -1 if none.
static uint16_t ChercheBoutOppose(Partition** score, uint32_t id, bool chercheDest) {
  Partition* p = *score;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    const ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      if (chercheDest ? (e[i].liaison.idDest == id || e[i].accroche.idDest == id)
                      : (e[i].liaison.idSource == id || e[i].accroche.idSource == id))
        return uint16_t(s);
    }
  }
  return uint16_t(-1);
}

void RecalculePorteesLiaison(Partition** score) {
  if (!score || !(*score)->document || (*score)->document->suspendLiaisons) return;
  Partition* p = *score;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      // Re-read the record each time: the search does not move blocks, but
      // keeps no pointer across calls all the same.
      ParamEffet* e = reinterpret_cast<ParamEffet*>(*(*p->portees[s])->paramEffets) + i;
      if (e->libre) continue;
      uint32_t ids[4] = {e->liaison.idSource, e->liaison.idDest, e->accroche.idSource, e->accroche.idDest};
      uint16_t staves[4];
      for (int k = 0; k < 4; k++)
        staves[k] = int32_t(ids[k]) > 0 ? ChercheBoutOppose(score, ids[k], k % 2 == 0) : uint16_t(-1);
      e = reinterpret_cast<ParamEffet*>(*(*p->portees[s])->paramEffets) + i;
      e->liaison.porteeSource = staves[0];
      e->liaison.porteeDest = staves[1];
      e->accroche.porteeSource = staves[2];
      e->accroche.porteeDest = staves[3];
    }
  }
  GarbageLiaisonsPartition(score);
}

void GarbageLiaisonsPartition(Partition**) {}

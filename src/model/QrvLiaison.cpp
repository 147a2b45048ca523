#include "model/QrvLiaison.h"

#include <algorithm>
#include <climits>

#include "model/Document.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "platform/Memory.h"
#include "system/Handles.h"

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

// An end of a link: its id and the staff whose record holds it.
struct BoutLiaison {
  uint32_t id;
  int16_t portee;
};

static bool AvantBout(const BoutLiaison& a, const BoutLiaison& b) {
  return a.id != b.id ? a.id < b.id : a.portee < b.portee;
}

// The ends of one side (sources or destinations, both kinds) of every used
// record, sorted by id and staff; null when memory is short.
static BoutLiaison* CollecteBouts(Partition** score, bool sources, int32_t* count) {
  Partition* p = *score;
  int32_t total = 0;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    EffetsPortee(p->portees[s], &n);
    total += n;
  }
  *count = 0;
  BoutLiaison* bouts = reinterpret_cast<BoutLiaison*>(NewPtr(Size(total > 0 ? total * 2 : 1) * Size(sizeof(BoutLiaison))));
  if (!bouts) return nullptr;
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    const ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      uint32_t ids[2] = {sources ? e[i].liaison.idSource : e[i].liaison.idDest,
                         sources ? e[i].accroche.idSource : e[i].accroche.idDest};
      for (uint32_t id : ids)
        if (int32_t(id) > 0) bouts[(*count)++] = BoutLiaison{id, s};
    }
  }
  std::sort(bouts, bouts + *count, AvantBout);
  return bouts;
}

// The first staff (in staff order) holding an end with this id, -1 if none.
static uint16_t TrouveBout(const BoutLiaison* bouts, int32_t count, uint32_t id) {
  const BoutLiaison* b = std::lower_bound(bouts, bouts + count, BoutLiaison{id, INT16_MIN}, AvantBout);
  return (b != bouts + count && b->id == id) ? uint16_t(b->portee) : uint16_t(-1);
}

void RecalculePorteesLiaison(Partition** score) {
  if (!score || !(*score)->document || (*score)->document->suspendLiaisons) return;
  Partition* p = *score;
  int32_t nbSources = 0, nbDests = 0;
  BoutLiaison* sources = CollecteBouts(score, true, &nbSources);
  BoutLiaison* dests = CollecteBouts(score, false, &nbDests);
  for (int16_t s = 0; s < p->nbPortees; s++) {
    int32_t n;
    ParamEffet* e = EffetsPortee(p->portees[s], &n);
    for (int32_t i = 0; i < n; i++) {
      if (e[i].libre) continue;
      uint32_t ids[4] = {e[i].liaison.idSource, e[i].liaison.idDest, e[i].accroche.idSource, e[i].accroche.idDest};
      uint16_t staves[4];
      for (int k = 0; k < 4; k++) {
        bool source = k % 2 == 0;  // a source end is matched against destination ends
        if (int32_t(ids[k]) <= 0)
          staves[k] = uint16_t(-1);
        else if (sources && dests)
          staves[k] = source ? TrouveBout(dests, nbDests, ids[k]) : TrouveBout(sources, nbSources, ids[k]);
        else
          staves[k] = ChercheBoutOppose(score, ids[k], source);
      }
      e[i].liaison.porteeSource = staves[0];
      e[i].liaison.porteeDest = staves[1];
      e[i].accroche.porteeSource = staves[2];
      e[i].accroche.porteeDest = staves[3];
    }
  }
  LiberePtr(&sources);
  LiberePtr(&dests);
  GarbageLiaisonsPartition(score);
}

void GarbageLiaisonsPartition(Partition**) {}

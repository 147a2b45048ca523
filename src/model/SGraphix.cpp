#include "model/SGraphix.h"

#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeGraphiques(Portee** staff) {
  if (!staff) return;
  if ((*staff)->graphiques) DisposeHandle((*staff)->graphiques);
  (*staff)->graphiques = nullptr;
  (*staff)->nbGraphiques = 0;
}

// SEAM(model): positions stay in ticks until the objects learn to follow their notes.
void PreservePositionGraphiques(Partition**, int16_t) {}
void RestaurePositionGraphiques(Partition**, int16_t) {}

// SEAM(model): graphic records are not kept by id yet: there is nothing to find.
void DeleteGraphiqueFromID(Portee**, uint32_t) {}

void DeleteRelatedGraphiques(Portee** staff, int32_t effect) {
  int32_t n;
  ParamEffet* e = GetParamEffetsPortee(staff, &n);
  if (!e || effect < 0 || effect >= n || e[effect].libre) return;
  int32_t nm = GetNbMarks(e[effect].marks);
  for (int32_t i = 0; i < nm; i++) {
    // Read through the handle each time: deleting a graphic may move memory.
    e = GetParamEffetsPortee(staff, &n);
    if (!e[effect].marks || i >= GetNbMarks(e[effect].marks)) break;
    const Mark& m = reinterpret_cast<const Mark*>(*e[effect].marks)[i];
    if (m.code == kMarkLienGraphique && m.idGraphique) DeleteGraphiqueFromID(staff, m.idGraphique);
  }
}

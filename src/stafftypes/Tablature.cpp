#include "stafftypes/Tablature.h"

#include "model/Portee.h"
#include "platform/Memory.h"

Tablature** NewTablature(Portee** staff, uint32_t kind) {
  if (!staff) return nullptr;
  if (!(*staff)->tablature) {
    Handle h = NewHandleClear(Size(sizeof(Tablature)));
    if (!h) return nullptr;
    (*staff)->tablature = h;
    Tablature* t = reinterpret_cast<Tablature*>(*h);
    t->kind = kind;
    t->flagsAffichage = kTablatureAfficheNotation;
  }
  return reinterpret_cast<Tablature**>((*staff)->tablature);
}

// SEAM(stafftypes): the record has no slots of its own yet: nothing to clear.
void ClearVecteursTablature(Portee**) {}

void DisposeTablature(Portee** staff) {
  if (!staff) return;
  if ((*staff)->tablature) DisposeHandle((*staff)->tablature);
  (*staff)->tablature = nullptr;
}

Tablature** GetTablature(Portee** staff) {
  if (!staff) return nullptr;
  return reinterpret_cast<Tablature**>((*staff)->tablature);
}

// SEAM(stafftypes): the record keeps no fingering of its own yet: nothing to mark.
void FixeTablatureNonCalculee(Portee**) {}

// SEAM(stafftypes): the record keeps no fingering of its own yet: nothing to mark.
void FixeTablatureNonCalculeePourOttava(Portee**) {}

// SEAM(stafftypes): a staff with a tablature record shows it.
bool IsTablatureVisible(Portee** staff) { return GetTablature(staff) != nullptr; }

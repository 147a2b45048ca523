#include "model/PartGroups.h"

#include <cstring>

#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Vues.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"
#include "system/Strings.h"

static PartGroup* Groupes(Handle h) { return reinterpret_cast<PartGroup*>(*h); }

int16_t GetNbPartGroups(Handle groups) { return groups ? int16_t(GetHandleSize(groups) / Size(sizeof(PartGroup))) : 0; }

int16_t NewPartGroup(Partition** score, uint32_t type, uint32_t barLines, int16_t first, int16_t last, int16_t indent,
                     const char* name, const char* abbreviation) {
  if (!score) return -1;
  Partition* p = *score;
  if (!p->partGroups) p->partGroups = NewHandleClear(0);
  if (!p->partGroups) return -1;
  int16_t n = GetNbPartGroups(p->partGroups);
  if (n == INT16_MAX || !RetailleHandle(p->partGroups, Size(n + 1) * Size(sizeof(PartGroup)))) return -1;
  PartGroup* g = Groupes(p->partGroups) + n;
  std::memset(g, 0, sizeof *g);
  g->type = type;
  g->barresMesure = barLines;
  g->premierePortee = first;
  g->dernierePortee = last;
  g->retrait = indent < 0 ? 0 : indent;
  strnzcpy(g->nom, name ? name : "", sizeof g->nom);
  strnzcpy(g->abrege, abbreviation ? abbreviation : "", sizeof g->abrege);
  TextStyle style = g->styleNom;
  GetStylePref(2, &style);
  g->styleNom = style;
  g->styleAbrege = style;
  return n;
}

void DisposePartGroups(Partition** score) {
  if (score) LibereHandle(&(*score)->partGroups);
}

void AjusteListePartGroupsQuandSupprimePortee(Handle groups, int16_t index, bool dropOneStaff) {
  int16_t n = GetNbPartGroups(groups);
  for (int16_t k = 0; k < n; k++) {
    PartGroup& g = Groupes(groups)[k];
    if (index < g.premierePortee) g.premierePortee--;
    if (index <= g.dernierePortee) g.dernierePortee--;
  }
  // A group left with no staff at all names staves that are gone: it is always
  // dropped; one left with a single staff only when it may not stand alone.
  for (int16_t k = int16_t(n - 1); k >= 0; k--) {
    PartGroup* g = Groupes(groups);
    bool vide = g[k].dernierePortee < g[k].premierePortee;
    bool seule = g[k].dernierePortee == g[k].premierePortee && !g[k].uneSeulePorteePermise;
    if (!vide && !(dropOneStaff && seule)) continue;
    std::memmove(g + k, g + k + 1, size_t(n - 1 - k) * sizeof(PartGroup));
    n--;
    RetailleHandle(groups, Size(n) * Size(sizeof(PartGroup)));
  }
}

void AjusteListePartGroupsQuandInserePortee(Handle groups, int16_t index) {
  int16_t n = GetNbPartGroups(groups);
  for (int16_t k = 0; k < n; k++) {
    PartGroup& g = Groupes(groups)[k];
    if (index <= g.premierePortee) g.premierePortee++;
    if (index <= g.dernierePortee) g.dernierePortee++;
  }
}

void AjustePartGroupsQuandSupprimePortee(Portee** staff) {
  if (!staff || !(*staff)->partition) return;
  Partition** score = (*staff)->partition;
  int16_t index = (*staff)->index;
  AjusteListePartGroupsQuandSupprimePortee((*score)->partGroups, index, true);
  if ((*score)->document) AjustePartGroupsVuesQuandSupprimePortee((*score)->document, index);
}

void AjustePartGroupsQuandInserePortee(Partition** score, int16_t index) {
  if (!score) return;
  AjusteListePartGroupsQuandInserePortee((*score)->partGroups, index);
  if ((*score)->document) AjustePartGroupsVuesQuandInserePortee((*score)->document, index);
}

// SEAM(model): group records hold styled names that only the loader's string readers can
// read: until they exist a stored list ends the document.
Handle ReadPartGroups() {
  int16_t a = ReadCar(), b = ReadCar();
  if (a < 0 || b < 0) return nullptr;
  if (a == 0 && b == 0) return nullptr;
  ioCustom.finFichier = 1;
  return nullptr;
}

#include "model/Vues.h"

#include <cstring>

#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"

static bool vuesEnModeRuban = false;

bool IsVuesEnModeRuban() { return vuesEnModeRuban; }
void EnableVuesEnModeRuban() { vuesEnModeRuban = true; }
void DisableVuesEnModeRuban() { vuesEnModeRuban = false; }

int32_t NewIdUnique(Document* document) {
  if (!document) return 0;
  return int32_t(++document->compteurIdUnique);
}

int16_t GetNbVuesDocument(Document* document) {
  if (!document || !document->vues) return 0;
  return int16_t(GetHandleSize(document->vues) / Size(sizeof(Vue)));
}

Vue* GetVueDocument(Document* document, int16_t index) {
  if (!document) return nullptr;
  if (index < 0 || index >= GetNbVuesDocument(document)) return &document->vueBase;
  return reinterpret_cast<Vue*>(*document->vues) + index;
}

int32_t CheckCoherenceIDVues(Document* document) {
  if (!document) return 0;
  int32_t base = int32_t(document->vueBase.id);
  if (base < 0) base = 0;
  int16_t n = GetNbVuesDocument(document);
  if (n == 0) return base;
  Vue* v = reinterpret_cast<Vue*>(*document->vues);
  for (int16_t i = 0; i < n; i++)
    if (v[i].id == document->vueBase.id) v[i].id = 0;
  for (int16_t i = 0; i < n; i++)
    for (int16_t j = int16_t(i + 1); j < n; j++)
      if (v[i].id != 0 && v[j].id == v[i].id) v[j].id = 0;
  int32_t result = base;
  for (int16_t i = 0; i < n; i++)
    if (int32_t(v[i].id) > result) result = int32_t(v[i].id);
  for (int16_t i = 0; i < n; i++)
    if (v[i].id == 0) v[i].id = uint32_t(++result);
  return result;
}

static int16_t NbPorteesVue(const Vue* vue) {
  return vue->portees ? int16_t(GetHandleSize(vue->portees) / Size(sizeof(VuePortee))) : 0;
}

void DisposePorteesDansVue(Vue* vue) {
  if (!vue) return;
  int16_t n = NbPorteesVue(vue);
  for (int16_t i = 0; i < n; i++) LibereHandle(&reinterpret_cast<VuePortee*>(*vue->portees)[i].staffHeightEvts);
  LibereHandle(&vue->portees);
}

void DeletePorteeDansVueDocument(Document* document, int16_t index, int16_t entry) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue) return;
  int16_t n = NbPorteesVue(vue);
  if (entry < 0 || entry >= n) return;
  VuePortee* e = reinterpret_cast<VuePortee*>(*vue->portees);
  LibereHandle(&e[entry].staffHeightEvts);
  std::memmove(e + entry, e + entry + 1, size_t(n - 1 - entry) * sizeof(VuePortee));
  RetailleHandle(vue->portees, Size(n - 1) * Size(sizeof(VuePortee)));
}

// The entry of a view that holds a staff id, -1 when none.
static int16_t RechercheIdPorteeDansVue(const Vue* vue, uint32_t id) {
  int16_t n = NbPorteesVue(vue);
  for (int16_t i = 0; i < n; i++)
    if (reinterpret_cast<const VuePortee*>(*vue->portees)[i].idPortee == id) return i;
  return -1;
}

int16_t AjusteVuesQdSupprimePortee(Partition** score, int16_t staffIndex) {
  if (!score || !(*score)->document || staffIndex < 0 || staffIndex >= (*score)->nbPortees) return 1;
  Document* document = (*score)->document;
  // Entries name staves by their unique id: the entry of this very staff goes,
  // never the one of its group's head.
  uint32_t id = (*(*score)->portees[staffIndex])->idUnique;
  if (id == 0) return 1;
  for (int16_t v = -1; v < GetNbVuesDocument(document); v++) {
    int16_t entry = RechercheIdPorteeDansVue(GetVueDocument(document, v), id);
    if (entry >= 0) DeletePorteeDansVueDocument(document, v, entry);
  }
  return 1;
}

void AjustePartGroupsVuesQuandSupprimePortee(Document* document, int16_t staffIndex) {
  if (!document) return;
  for (int16_t v = -1; v < GetNbVuesDocument(document); v++)
    AjusteListePartGroupsQuandSupprimePortee(GetVueDocument(document, v)->partGroups, staffIndex, false);
}

void AjustePartGroupsVuesQuandInserePortee(Document* document, int16_t staffIndex) {
  if (!document) return;
  for (int16_t v = -1; v < GetNbVuesDocument(document); v++)
    AjusteListePartGroupsQuandInserePortee(GetVueDocument(document, v)->partGroups, staffIndex);
}

static void DisposeVue(Vue* vue) {
  DisposePorteesDansVue(vue);
  LibereHandle(&vue->tabEltMesure);
  LibereHandle(&vue->partGroups);
}

void DisposeVuesDocument(Document* document) {
  if (!document) return;
  int16_t n = GetNbVuesDocument(document);
  for (int16_t i = 0; i < n; i++) DisposeVue(reinterpret_cast<Vue*>(*document->vues) + i);
  LibereHandle(&document->vues);
  DisposeVue(&document->vueBase);
}

void PreserveVueMesures(Document* document, int16_t index) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue || !document->partitionCourante) return;
  Partition** score = document->partitionCourante;
  Handle copie = (*score)->tabEltMesure[0];
  if (copie && HandToHand(&copie) != noErr) return;  // out of memory: the view keeps its own
  LibereHandle(&vue->tabEltMesure);
  vue->tabEltMesure = copie;
  vue->nbMesures = uint16_t((*score)->nbLignesTabElt < 0 ? 0 : (*score)->nbLignesTabElt);
}

void AppliqueVueMesures(Document* document, int16_t index) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue || !document->partitionCourante) return;
  Partition** score = document->partitionCourante;
  Handle copie = vue->tabEltMesure;
  if (copie && HandToHand(&copie) != noErr) return;
  LibereHandle(&(*score)->tabEltMesure[0]);
  (*score)->tabEltMesure[0] = copie;
  (*score)->nbLignesTabElt = int16_t(vue->nbMesures > 7999 ? 7999 : vue->nbMesures);
  MarqueRegleSelonCibles();
}

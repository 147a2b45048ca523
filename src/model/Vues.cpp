#include "model/Vues.h"

#include <cstring>

#include <vector>

#include "layout/ServicesMiseEnPage.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "model/TempsJoue.h"
#include "model/TonaliteMaths.h"
#include "plugin/LectureDocument.h"
#include "plugin/ServicesInertes.h"
#include "system/Handles.h"
#include "system/QrvFiles.h"

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

int16_t GetIndexVueCourante(Document* document) { return document ? document->indexVueCourante : int16_t(-1); }

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

// ------------------------------------------------------------ staff entries

static VuePortee* EntreesVue(Vue* vue) { return vue->portees ? reinterpret_cast<VuePortee*>(*vue->portees) : nullptr; }

static bool IsTeteFusion(Partition** score, int16_t i) { return CvtIndexPorteeEnIndexPorteeDebutFusion(score, i) == i; }

void PreserveVuePortees(Document* document, int16_t index) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue || !document->partitionCourante) return;
  Partition** score = document->partitionCourante;
  DisposePorteesDansVue(vue);
  int16_t n = (*score)->nbPortees;
  for (int16_t i = 0; i < n; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (!staff || !IsTeteFusion(score, i) || (*staff)->cacheeModePage) continue;
    if ((*staff)->idUnique == 0) {
      // Staff ids are 16-bit: a counter value that wraps to 0 would mean "none".
      uint16_t id = uint16_t(NewIdUnique(document));
      if (id == 0) id = uint16_t(NewIdUnique(document));
      (*staff)->idUnique = id;
    }
    VuePortee e{};
    e.idPortee = (*staff)->idUnique;
    e.staffHeightEvts = DupHandle((*staff)->staffHeightEvts);
    e.aspect = (*staff)->aspect;
    int16_t k = NbPorteesVue(vue);
    if (!vue->portees) vue->portees = NewHandleClear(0);
    if (!vue->portees || !RetailleHandle(vue->portees, Size(k + 1) * Size(sizeof(VuePortee)))) {
      LibereHandle(&e.staffHeightEvts);
      return;
    }
    EntreesVue(vue)[k] = e;
  }
}

void AppliqueVuePortees(Document* document, int16_t index) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue || !document->partitionCourante || NbPorteesVue(vue) == 0) return;
  Partition** score = document->partitionCourante;
  uint8_t cachee = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (!staff) continue;
    if (!IsTeteFusion(score, i)) {
      (*staff)->cacheeModePage = cachee;  // a merged staff goes with its head
      continue;
    }
    int16_t entry = (*staff)->idUnique ? RechercheIdPorteeDansVue(vue, (*staff)->idUnique) : int16_t(-1);
    cachee = entry >= 0 ? 0 : 1;
    (*staff)->cacheeModePage = cachee;
    if (entry < 0) continue;
    if (vue->flags[kVueAspectHauteurs]) {
      Handle copie = DupHandle(EntreesVue(vue)[entry].staffHeightEvts);
      if (copie || !EntreesVue(vue)[entry].staffHeightEvts) {
        DisposeStaffHeightEvts(staff);
        (*staff)->staffHeightEvts = copie;
      }
    }
    if (vue->flags[kVueAspectApparence]) (*staff)->aspect = EntreesVue(vue)[entry].aspect;
  }
  RemetsPorteesEnFormeQuandRuptureChange(score);
}

int16_t RecherchePorteeDansVue(Document* document, int16_t index, Portee** staff) {
  if (!document || !staff) return -1;
  staff = CvtPorteeEnPorteeDebutFusion(staff);
  Vue* vue = GetVueDocument(document, index);
  if (!vue) return -1;
  if (NbPorteesVue(vue) == 0) {
    if (index == -1 && GetNbVuesDocument(document) == 0) {
      int16_t i = (*staff)->index;
      return IsPorteeVisible((*staff)->partition, i) ? i : int16_t(-1);
    }
    return -1;
  }
  if ((*staff)->idUnique == 0) return -1;
  return RechercheIdPorteeDansVue(vue, (*staff)->idUnique);
}

void CleanVues(Document* document) {
  if (!document) return;
  std::vector<uint8_t> presents(65536, 0);
  Partition** score = document->partitionCourante;
  for (int16_t i = 0; score && i < (*score)->nbPortees; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (staff) presents[(*staff)->idUnique] = 1;
  }
  for (int16_t v = -1; v < GetNbVuesDocument(document); v++) {
    Vue* vue = GetVueDocument(document, v);
    for (int16_t e = int16_t(NbPorteesVue(vue) - 1); e >= 0; e--) {
      uint32_t id = EntreesVue(vue)[e].idPortee;
      if (id == 0 || id > 65535 || !presents[id]) DeletePorteeDansVueDocument(document, v, e);
    }
  }
}

// ------------------------------------------------------------ saving, showing

void PreserveVue(Document* document, int16_t index) {
  Vue* vue = GetVueDocument(document, index);
  if (!vue) return;
  Partition** score = document->partitionCourante;
  vue->miseEnPage = document->misesEnPage[0];
  if (score) {
    vue->zorodava = (*score)->zorodava;
    vue->modeGraphique = (*score)->modeGraphique;
    vue->modeConcertKey = GetModeConcertKey(score);
  }
  PreserveVuePortees(document, index);
  PreserveVueMesures(document, index);
  if (score && vue->flags[kVueAspectPartGroups]) {
    Handle copie = DupHandle((*score)->partGroups);
    if (copie || !(*score)->partGroups) {
      LibereHandle(&vue->partGroups);
      vue->partGroups = copie;
    }
  }
  std::memcpy(vue->titres, document->titres, sizeof vue->titres);
}

// The aspects a shown view does not own are the document's: they go to the
// base view before another view is shown.
static void PreserveAspectsDocumentDansBase(Document* document, const Vue* vue) {
  Vue* base = &document->vueBase;
  Partition** score = document->partitionCourante;
  if (!vue->flags[kVueAspectMiseEnPage]) {
    base->miseEnPage = document->misesEnPage[0];
    PreserveVueMesures(document, -1);
  }
  if (score && !vue->flags[kVueAspectZorodava]) base->zorodava = (*score)->zorodava;
  if (score && !vue->flags[kVueAspectModeGraphique]) base->modeGraphique = (*score)->modeGraphique;
  if (score && !vue->flags[kVueAspectConcertKey]) base->modeConcertKey = GetModeConcertKey(score);
  bool hauteurs = !vue->flags[kVueAspectHauteurs], apparence = !vue->flags[kVueAspectApparence];
  for (int16_t i = 0; score && (hauteurs || apparence) && i < (*score)->nbPortees; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (!staff || !IsTeteFusion(score, i) || !(*staff)->idUnique) continue;
    int16_t e = RechercheIdPorteeDansVue(base, (*staff)->idUnique);
    if (e < 0) continue;
    if (hauteurs) {
      Handle copie = DupHandle((*staff)->staffHeightEvts);
      if (copie || !(*staff)->staffHeightEvts) {
        LibereHandle(&EntreesVue(base)[e].staffHeightEvts);
        EntreesVue(base)[e].staffHeightEvts = copie;
      }
    }
    if (apparence) EntreesVue(base)[e].aspect = (*staff)->aspect;
  }
  if (score && !vue->flags[kVueAspectPartGroups] && base->flags[kVueAspectPartGroups]) {
    Handle copie = DupHandle((*score)->partGroups);
    if (copie || !(*score)->partGroups) {
      LibereHandle(&base->partGroups);
      base->partGroups = copie;
    }
  }
  if (!vue->flags[kVueAspectTitres]) std::memcpy(base->titres, document->titres, sizeof base->titres);
}

void FixeVue(Document* document, int16_t index) {
  if (!document) return;
  PauseMusique();
  int16_t courante = document->indexVueCourante;
  if (courante >= -1) PreserveVue(document, courante);
  if (courante >= 0 && courante < GetNbVuesDocument(document))
    PreserveAspectsDocumentDansBase(document, GetVueDocument(document, courante));

  int16_t nouvelle = index >= 0 && index < GetNbVuesDocument(document) ? index : int16_t(-1);
  document->indexVueCourante = nouvelle;
  AppliqueVuePortees(document, nouvelle);

  Vue* vue = GetVueDocument(document, nouvelle);
  Vue* base = &document->vueBase;
  Partition** score = document->partitionCourante;
  // Each aspect from the view that owns it, else from the base view.
  auto source = [&](int aspect) -> Vue* {
    if (vue->flags[aspect]) return vue;
    return nouvelle >= 0 ? base : nullptr;
  };
  if (Vue* s = source(kVueAspectMiseEnPage)) {
    document->misesEnPage[0] = s->miseEnPage;
    // A view that never saved a bar layout leaves the score's as it is.
    if (s->tabEltMesure) AppliqueVueMesures(document, s == base ? int16_t(-1) : nouvelle);
  }
  if (score) RecalculeNumeroMesures(score);
  if (Vue* s = source(kVueAspectZorodava); s && score) (*score)->zorodava = s->zorodava;
  if (Vue* s = source(kVueAspectModeGraphique); s && score) (*score)->modeGraphique = s->modeGraphique;
  if (Vue* s = source(kVueAspectConcertKey); s && score) SetModeConcertKey(score, s->modeConcertKey);
  if (Vue* s = source(kVueAspectPartGroups); s && score) {
    Handle copie = DupHandle(s->partGroups);
    if (copie || !s->partGroups) {
      LibereHandle(&(*score)->partGroups);
      (*score)->partGroups = copie;
    }
  }
  if (Vue* s = source(kVueAspectTitres)) std::memcpy(document->titres, s->titres, sizeof document->titres);
  DePauseMusique();
}

void InitVueCourante(Document* document) {
  if (!document) return;
  int16_t courante = document->indexVueCourante;
  bool ruban = IsVuesEnModeRuban();
  EnableVuesEnModeRuban();
  document->indexVueCourante = -1;
  document->indexVueModeEcran = -1;
  if (document->vueBase.id == 0) document->vueBase.id = uint32_t(NewIdUnique(document));
  for (int a = kVueAspectMiseEnPage; a < kNbFlagsVue; a++) document->vueBase.flags[a] = 1;
  PreserveVue(document, -1);
  if (courante >= 0) FixeVue(document, courante);
  if (!ruban) DisableVuesEnModeRuban();
}

// ------------------------------------------------------------ membership

static bool IsIdVueDansVueCourante(Document* document, Portee** staff, int32_t idVue, bool texte) {
  if (!document) return true;
  int16_t courante = document->indexVueCourante;
  if (idVue == kIdVueToutes) return true;
  if (idVue == kIdVueAucune) return courante == -1;
  if (texte && idVue == kIdVuePortee) return RecherchePorteeDansVue(document, courante, staff) >= 0;
  if (idVue == kIdVueAvecVue) return courante != -1;
  int16_t n = GetNbVuesDocument(document);
  if (n == 0) return courante == -2;
  if (document->vueBase.id == uint32_t(idVue)) return courante == -1;
  for (int16_t i = 0; i < n; i++)
    if (GetVueDocument(document, i)->id == uint32_t(idVue)) return courante == i;
  return courante == -2;
}

bool IsTexteDansVueCourante(Document* document, Portee** staff, int32_t idVue) {
  return IsIdVueDansVueCourante(document, staff, idVue, true);
}

bool IsObjetLibreDansVueCourante(Document* document, int32_t idVue) {
  return IsIdVueDansVueCourante(document, nullptr, idVue, false);
}

// ------------------------------------------------------------ reading

// Views are stored from this document version on.
constexpr uint16_t kVersionVues = 2368;
// Fewest bytes a stored view, a staff entry and a bar row can take.
constexpr int64_t kOctetsMinVue = 4 + 1 + kNbFlagsVue + 16 + 2 + 2 + 34 + 256 + 1 + 2 + 16;
constexpr int64_t kOctetsMinEntree = 4 + 2;
constexpr int64_t kOctetsLigneTabElt = 108;

static int32_t LitNombre(int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; i++) {
    int16_t c = ReadCar();
    v = (v << 8) | uint32_t(c < 0 ? 0 : c);
  }
  return n == 2 ? int16_t(uint16_t(v)) : int32_t(v);
}

static void SauteOctets(int n) {
  for (int i = 0; i < n && ReadCar() >= 0; i++) {
  }
}

// A count read from the file, checked against what the stream still holds.
static bool CompteValide(int32_t count, int64_t minBytes, int32_t ceiling) {
  return count >= 0 && count <= ceiling && int64_t(count) * minBytes <= GetStreamRemaining();
}

static bool LitVue(Vue* vue) {
  vue->id = uint32_t(LitNombre(4));
  ReadString(vue->nom, sizeof vue->nom);
  for (uint8_t& f : vue->flags) f = uint8_t(LitNombre(1));
  SauteOctets(16);
  int16_t m = int16_t(LitNombre(2));
  if (EndOfFile() || !CompteValide(m, kOctetsMinEntree, INT16_MAX)) return false;
  if (m > 0) {
    vue->portees = NewHandleClear(Size(m) * Size(sizeof(VuePortee)));
    if (!vue->portees) return false;
  }
  for (int16_t i = 0; i < m; i++) {
    // Each entry is stored in the list before it is read: a failure leaves it
    // to the document's disposal.
    EntreesVue(vue)[i].idPortee = uint32_t(LitNombre(4));
    Handle evts = ReadStaffHeightEvts();
    EntreesVue(vue)[i].staffHeightEvts = evts;
    AspectGraphiquePortee aspect{};
    if (EndOfFile() || !ReadAspectGraphiquePortee(&aspect)) return false;
    EntreesVue(vue)[i].aspect = aspect;
  }
  FixeMiseEnPageStandard(&vue->miseEnPage, 0);
  if (!ReadMiseEnPage(&vue->miseEnPage)) return false;
  int16_t k = int16_t(LitNombre(2));
  if (EndOfFile() || !CompteValide(k, kOctetsLigneTabElt, kMaxMesures)) return false;
  vue->nbMesures = uint16_t(k);
  if (k > 0) {
    vue->tabEltMesure = NewHandleClear(Size(k) * Size(sizeof(TabEltMesure)));
    if (!vue->tabEltMesure || !ReadTabEltMesure(vue->tabEltMesure, k)) return false;
  }
  ReadZorodava(&vue->zorodava);
  if (!ReadConfigGraphique(&vue->modeGraphique)) return false;
  vue->modeConcertKey = uint8_t(LitNombre(1));
  vue->partGroups = ReadPartGroups();
  if (EndOfFile()) return false;
  for (StrTitre& t : vue->titres)
    if (!ReadStrTitre(&t)) return false;
  SauteOctets(16);
  return !EndOfFile();
}

bool ReadVues(Document* document) {
  if (!document) return false;
  if (document->version < kVersionVues) {
    document->indexVueCourante = -1;
    document->indexVueModeEcran = -1;
    return true;
  }
  document->compteurIdUnique = uint32_t(LitNombre(4));
  int16_t index = int16_t(LitNombre(2));
  if (GetModeEcran(document->partitionCourante) == kModeEcranPage) {
    document->indexVueCourante = index;
  } else {
    document->indexVueCourante = -1;
    document->indexVueModeEcran = index;
  }
  document->vueBase.id = uint32_t(LitNombre(4));
  SauteOctets(16);
  int16_t n = int16_t(LitNombre(2));
  if (EndOfFile() || !CompteValide(n, kOctetsMinVue, INT16_MAX)) {
    // What follows cannot be found again once a count is wrong.
    ioCustom.finFichier = 1;
    return false;
  }
  if (n == 0) return true;
  DisposeVuesDocument(document);
  document->vues = NewHandleClear(Size(n) * Size(sizeof(Vue)));
  if (!document->vues) {
    ioCustom.finFichier = 1;
    return false;
  }
  for (int16_t i = 0; i < n; i++) {
    if (!LitVue(GetVueDocument(document, i))) {
      ioCustom.finFichier = 1;
      return false;
    }
  }
  return true;
}

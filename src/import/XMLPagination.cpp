#include "import/XMLPagination.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "import/MusicXML.h"
#include "import/XMLHarmonies.h"
#include "import/XMLPortees.h"
#include "layout/DonneesModeGraphique.h"
#include "layout/HauteursPortees.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Titres.h"
#include "layout/Zoom.h"
#include "layout/Zorodava.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/DonneesAccords.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvText.h"
#include "model/Ruban.h"
#include "model/StaffHeightEvts.h"
#include "model/TabEltMesure.h"
#include "notation/QrvLiaisonCoule.h"
#include "platform/Collections.h"
#include "platform/Memory.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"
#include "text/TextBox.h"

namespace {

constexpr int32_t kNumeroAbsent = kXMLAbsentLong;
// Height of a 5.08 mm staff, as a factor of millimetres.
constexpr float kParMillimetreStaff = 0.19685039375f;

float gMmParDixieme = 0.1f;
float gDernierMmParDixieme = 0.15f;
XMLPageCommande gPageDefaut;
XMLSystemeCommande gSystemeDefaut;
float gDistancePorteeDefaut = 0;
float gApparence[kNbApparences];
Handle gPages = nullptr;  // XMLPageCommande
int32_t gPageCourante = 0;
int32_t gSystemeCourant = 0;
Handle gLargeurs = nullptr;  // float per bar-numbering record
Handle gHauteurs = nullptr;  // XMLHauteurPortee
float gDistancePortee = kXMLLongueurAbsente;
int32_t gMinSilencesMultiples = 0;
Handle gMesuresPartition = nullptr;  // int32 per record: its first score bar
// The bar scales as the skeleton left them, taken at the first application of
// the collection: every later one starts from them again, so that applying
// twice changes nothing more.
Handle gEchellesOrigine = nullptr;  // uint16_t per ribbon row

template <typename T>
int32_t Nb(Handle h) {
  return h ? int32_t(GetHandleSize(h) / Size(sizeof(T))) : 0;
}
template <typename T>
T* Elts(Handle h) {
  return h ? reinterpret_cast<T*>(*h) : nullptr;
}
// Appends a copy; false when memory runs out.
template <typename T>
bool Ajoute(Handle* h, const T& v) {
  if (!*h) *h = NewHandleClear(0);
  if (!*h) return false;
  int32_t n = Nb<T>(*h);
  if (!RetailleHandle(*h, Size(n + 1) * Size(sizeof(T)))) return false;
  Elts<T>(*h)[n] = v;
  return true;
}

bool Connu(float v) { return std::isfinite(v) && v < kXMLLongueurAbsente; }

// The number in a child's text, in millimetres; false when it has none.
bool LitDixiemes(const XMLElt* e, const char* child, float* out) {
  const float v = XMLGetTextFloat(XMLGetChild(const_cast<XMLElt*>(e), child, 0));
  if (!Connu(v)) return false;
  *out = v * gMmParDixieme;
  return true;
}

void LibereSystemes(Handle systems) {
  XMLSystemeCommande* s = Elts<XMLSystemeCommande>(systems);
  for (int32_t i = 0, n = Nb<XMLSystemeCommande>(systems); i < n; i++) LibereHandle(&s[i].portees);
}

void LiberePages() {
  XMLPageCommande* p = Elts<XMLPageCommande>(gPages);
  for (int32_t i = 0, n = Nb<XMLPageCommande>(gPages); i < n; i++) {
    LibereSystemes(p[i].systemes);
    LibereHandle(&p[i].systemes);
  }
  LibereHandle(&gPages);
}

XMLPageCommande* PageCourante() {
  int32_t n = Nb<XMLPageCommande>(gPages);
  if (n == 0) return nullptr;
  if (gPageCourante < 0 || gPageCourante >= n) gPageCourante = n - 1;
  return &Elts<XMLPageCommande>(gPages)[gPageCourante];
}

XMLSystemeCommande* SystemeCourant() {
  XMLPageCommande* p = PageCourante();
  if (!p) return nullptr;
  int32_t n = Nb<XMLSystemeCommande>(p->systemes);
  if (n == 0) return nullptr;
  if (gSystemeCourant < 0 || gSystemeCourant >= n) gSystemeCourant = n - 1;
  return &Elts<XMLSystemeCommande>(p->systemes)[gSystemeCourant];
}

bool AjoutePage(int32_t number) {
  XMLPageCommande p = gPageDefaut;
  p.numero = number;
  p.systemes = nullptr;
  if (!Ajoute(&gPages, p)) return false;
  gPageCourante = Nb<XMLPageCommande>(gPages) - 1;
  gSystemeCourant = 0;
  return true;
}

bool AjouteSysteme(XMLPageCommande* page, int32_t bar) {
  XMLSystemeCommande s = gSystemeDefaut;
  s.premiereMesure = bar;
  s.portees = nullptr;
  return Ajoute(&page->systemes, s);
}

// Page and system of the system starting at bar; the search stops at the
// first system that starts later.
bool ChercheSysteme(int32_t bar, int32_t* page, int32_t* system) {
  XMLPageCommande* p = Elts<XMLPageCommande>(gPages);
  for (int32_t i = 0, n = Nb<XMLPageCommande>(gPages); i < n; i++) {
    XMLSystemeCommande* s = Elts<XMLSystemeCommande>(p[i].systemes);
    for (int32_t k = 0, m = Nb<XMLSystemeCommande>(p[i].systemes); k < m; k++) {
      if (s[k].premiereMesure == bar) {
        *page = i;
        *system = k;
        return true;
      }
      if (s[k].premiereMesure > bar) return false;
    }
  }
  return false;
}

// The current system, made (with a first page) when there is none.
XMLSystemeCommande* SystemeCourantOuNouveau(int32_t bar) {
  XMLSystemeCommande* s = SystemeCourant();
  if (s) return s;
  if (!gPages) XMLNewSystemCommand(0);
  if (!SystemeCourant()) XMLNewSystemCommand(bar);
  return SystemeCourant();
}

float LitApparence(const XMLElt* e) { return XMLGetTextFloat(e); }

float Borne(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

void LitApparences(const XMLElt* appearance) {
  for (int32_t i = 0; i < appearance->nbChildren; i++) {
    const XMLElt* c = appearance->children[i];
    const char* type = XMLGetAttributeValue(c, "type");
    if (!type) continue;
    float v = LitApparence(c);
    if (!Connu(v)) continue;
    int which = -1;
    if (!std::strcmp(c->name, "line-width")) {
      if (!stricmp(type, "stem")) {
        which = kApparenceQueue;
        v = Borne(v, 1.0f, 8.0f);
      } else if (!stricmp(type, "staff")) {
        which = kApparencePortee;
      } else if (!stricmp(type, "beam")) {
        which = kApparencePoutre;
      } else if (!stricmp(type, "light barline")) {
        which = kApparenceBarreFine;
        v = Borne(v, 1.0f, 8.0f);
      } else if (!stricmp(type, "heavy barline")) {
        which = kApparenceBarreEpaisse;
        v = Borne(v, 5.0f, 25.0f);
      } else if (!stricmp(type, "leger")) {
        which = kApparenceLigneSup;
      } else if (!stricmp(type, "ending")) {
        which = kApparenceVolta;
      } else if (!stricmp(type, "wedge")) {
        which = kApparenceSoufflet;
      } else if (!stricmp(type, "enclosure")) {
        which = kApparenceCadre;
      } else if (!stricmp(type, "tuplet bracket")) {
        which = kApparenceCrochetNolet;
      }
    } else if (!std::strcmp(c->name, "note-size")) {
      if (!stricmp(type, "grace")) which = kApparenceNoteGrace;
      else if (!stricmp(type, "cue")) which = kApparenceNoteCue;
    } else if (!std::strcmp(c->name, "distance")) {
      if (!stricmp(type, "hyphen")) which = kApparenceDistanceTiret;
      else if (!stricmp(type, "beam")) which = kApparenceDistancePoutre;
    }
    if (which >= 0) gApparence[which] = v;
  }
}

void CopieTitre(char* dst, const char* text) {
  // 1022 characters at most.
  strnzcpy(dst, text, 1023);
}

}  // namespace

void XMLClearAppearance() {
  std::memset(gApparence, 0, sizeof gApparence);
  ResetLiaisonCouleDefautNote(nullptr);
}

void XMLClearPagination(Document* doc) {
  LibereHandle(&gLargeurs);
  LibereHandle(&gHauteurs);
  LibereHandle(&gMesuresPartition);
  LibereHandle(&gEchellesOrigine);
  LiberePages();
  gPageCourante = 0;
  gSystemeCourant = 0;
  gMmParDixieme = 0.1f;
  gDistancePortee = kXMLLongueurAbsente;
  std::memset(&gPageDefaut, 0, sizeof gPageDefaut);
  std::memset(&gSystemeDefaut, 0, sizeof gSystemeDefaut);
  if (doc) {
    gPageDefaut.largeur = 210.0f;
    gPageDefaut.hauteur = 297.0f;
    for (int i = 0; i < 4; i++) gPageDefaut.margesPaires[i] = gPageDefaut.margesImpaires[i] = 5.0f;
    gSystemeDefaut.marges[0] = 5.0f;
    gSystemeDefaut.distance = 10.0f;
    gSystemeDefaut.distanceHaut = 20.0f;
  }
  if (gMinSilencesMultiples >= 0) gMinSilencesMultiples = 0;
}

void XMLGetScaling(XMLRootElt* tree) {
  gMmParDixieme = gDernierMmParDixieme = 0.15f;
  int32_t n = 0;
  XMLElt** defaults = XMLGetElts(tree, "@defaults", &n);
  if (n > 1) XMLErr("Multiple defaults");
  XMLElt* d = n > 0 ? defaults[0] : nullptr;
  XMLDisposeElts(defaults);
  if (!d) return;
  for (int32_t i = 0; i < d->nbChildren; i++) {
    XMLElt* c = d->children[i];
    if (!std::strcmp(c->name, "scaling")) {
      const float mm = XMLGetTextFloat(XMLGetChild(c, "millimeters", 0));
      const float tenths = XMLGetTextFloat(XMLGetChild(c, "tenths", 0));
      // A scale of nothing (or of a negative size) would turn every length
      // into 0 or infinity: the default stays.
      if (Connu(mm) && Connu(tenths) && mm > 0 && tenths > 0 && std::isfinite(mm / tenths))
        gMmParDixieme = gDernierMmParDixieme = mm / tenths;
    } else if (!std::strcmp(c->name, "page-layout")) {
      XMLGetPageRect(c, &gPageDefaut);
    } else if (!std::strcmp(c->name, "system-layout")) {
      XMLGetSystemRect(c, &gSystemeDefaut);
    } else if (!std::strcmp(c->name, "staff-layout")) {
      // The distance stands in the staff-distance child; the element's own
      // text is read when it has none.
      float t = XMLGetTextFloat(XMLGetChild(c, "staff-distance", 0));
      if (!Connu(t)) t = XMLGetTextFloat(c);
      if (!Connu(t)) t = 60.0f;
      gDistancePorteeDefaut = t * gMmParDixieme;
    } else if (!std::strcmp(c->name, "appearance")) {
      LitApparences(c);
    }
  }
}

void XMLGetInfos(XMLRootElt* tree, Document* doc) {
  if (!tree || !doc) return;
  int32_t n = 0;
  XMLElt** work = XMLGetElts(tree, "@work", &n);
  if (n > 0)
    for (int32_t i = 0; i < work[0]->nbChildren; i++) {
      const XMLElt* c = work[0]->children[i];
      if (!std::strcmp(c->name, "work-title") && c->text) CopieTitre(doc->titres[0].texte, c->text);
    }
  XMLDisposeElts(work);
  if (!doc->titres[0].texte[0]) {
    XMLElt** mt = XMLGetElts(tree, "@movement-title", &n);
    if (n > 0 && mt[0]->text) CopieTitre(doc->titres[0].texte, mt[0]->text);
    XMLDisposeElts(mt);
  }
  XMLElt** ident = XMLGetElts(tree, "@identification", &n);
  if (n > 0)
    for (int32_t i = 0; i < ident[0]->nbChildren; i++) {
      const XMLElt* c = ident[0]->children[i];
      if (std::strcmp(c->name, "creator") || !c->text) continue;
      const char* type = XMLGetAttributeValue(c, "type");
      if (!type || !std::strcmp(type, "composer")) CopieTitre(doc->titres[1].texte, c->text);
      else if (!std::strcmp(type, "poet")) CopieTitre(doc->titres[2].texte, c->text);
    }
  XMLDisposeElts(ident);
}

void XMLGetMargins(const XMLElt* e, float margins[4]) {
  if (!e) return;
  LitDixiemes(e, "left-margin", &margins[0]);
  LitDixiemes(e, "top-margin", &margins[1]);
  LitDixiemes(e, "right-margin", &margins[2]);
  LitDixiemes(e, "bottom-margin", &margins[3]);
}

void XMLGetPageRect(const XMLElt* e, XMLPageCommande* page) {
  if (!e || !page) return;
  page->origineX = page->origineY = 0;
  LitDixiemes(e, "page-width", &page->largeur);
  LitDixiemes(e, "page-height", &page->hauteur);
  for (int32_t i = 0; i < e->nbChildren; i++) {
    const XMLElt* c = e->children[i];
    if (std::strcmp(c->name, "page-margins")) continue;
    const char* type = XMLGetAttributeValue(c, "type");
    if (!type || !std::strcmp(type, "both")) {
      XMLGetMargins(c, page->margesPaires);
      std::memcpy(page->margesImpaires, page->margesPaires, sizeof page->margesImpaires);
    } else if (!std::strcmp(type, "even")) {
      XMLGetMargins(c, page->margesPaires);
    } else if (!std::strcmp(type, "odd")) {
      XMLGetMargins(c, page->margesImpaires);
    }
  }
}

void XMLGetSystemRect(const XMLElt* e, XMLSystemeCommande* system) {
  if (!e || !system) return;
  XMLGetMargins(XMLGetChild(const_cast<XMLElt*>(e), "system-margins", 0), system->marges);
  LitDixiemes(e, "system-distance", &system->distance);
  LitDixiemes(e, "top-system-distance", &system->distanceHaut);
}

void XMLNewSystemCommand(int32_t bar) {
  if (bar < 0) return;
  if (!gPages && !AjoutePage(kNumeroAbsent)) return;
  int32_t page, system;
  if (ChercheSysteme(bar, &page, &system)) {
    gPageCourante = page;
    gSystemeCourant = system;
    return;
  }
  XMLPageCommande* p = PageCourante();
  if (!p) return;
  if (!p->systemes) {
    if (gPageCourante == 0 && bar > 0) {
      if (!AjouteSysteme(p, 0)) return;
    } else {
      p->systemes = NewHandleClear(0);
    }
  }
  if (AjouteSysteme(p, bar)) gSystemeCourant = Nb<XMLSystemeCommande>(p->systemes) - 1;
}

void XMLNewPageCommand(int32_t bar, int32_t pageNumber) {
  if (bar < 0) return;
  int32_t page, system;
  if (ChercheSysteme(bar, &page, &system)) {
    gPageCourante = page;
    gSystemeCourant = 0;
    XMLPageCommande* p = PageCourante();
    if (pageNumber != -1) {
      if (p->numero != kNumeroAbsent && p->numero != pageNumber) Printf("Inconsistency in page numbers");
      p->numero = pageNumber;
    }
    return;
  }
  // The music before a first break stands on a page of its own.
  if (!gPages && bar > 0) XMLNewSystemCommand(0);
  if (!AjoutePage(pageNumber == -1 ? kNumeroAbsent : pageNumber)) return;
  XMLNewSystemCommand(bar);
}

void XMLNewPageLayout(int32_t bar, const XMLElt* pageLayout) {
  if (!gPages) XMLNewSystemCommand(0);
  (void)bar;
  XMLGetPageRect(pageLayout, PageCourante());
}

void XMLNewSystemLayout(int32_t bar, const XMLElt* systemLayout) {
  XMLGetSystemRect(systemLayout, SystemeCourantOuNouveau(bar));
}

void XMLNewStaffLayout(int32_t bar, uint32_t part, int32_t staffNumber, const XMLElt* staffLayout) {
  const uint32_t n = staffNumber >= 1 && staffNumber <= kXMLMaxPorteesOuVoix ? uint32_t(staffNumber) : 1;
  float distance = kXMLLongueurAbsente;
  if (staffLayout && !LitDixiemes(staffLayout, "staff-distance", &distance)) distance = gDistancePortee;
  XMLSystemeCommande* s = SystemeCourantOuNouveau(bar);
  if (!s) return;
  XMLPorteeLayout* l = Elts<XMLPorteeLayout>(s->portees);
  for (int32_t i = 0, m = Nb<XMLPorteeLayout>(s->portees); i < m; i++) {
    if (l[i].partie != part || l[i].portee != n) continue;
    // Only a known distance replaces what the record holds.
    if (Connu(distance)) {
      if (Connu(l[i].distance) && l[i].distance != distance) Printf("Inconsistency in staff top dist ");
      l[i].distance = distance;
    }
    return;
  }
  XMLPorteeLayout nouveau{};
  nouveau.partie = part;
  nouveau.portee = n;
  nouveau.distance = distance;
  if (Nb<XMLPorteeLayout>(s->portees) == 0 && !(part == 0 && n == 1)) {
    XMLPorteeLayout premier{};
    premier.partie = 0;
    premier.portee = 1;
    premier.distance = kXMLLongueurAbsente;
    if (!Ajoute(&s->portees, premier)) return;
  }
  Ajoute(&s->portees, nouveau);
}

void XMLSetStaffSpacing(float tenths) { gDistancePortee = (Connu(tenths) ? tenths : 60.0f) * gMmParDixieme; }

void XMLNewMeasureLayout(int32_t, const XMLElt*) {}

void XMLSetBarWidth(int32_t bar, float tenths) {
  if (bar < 0 || bar >= kXMLMaxMesures) return;
  int32_t n = Nb<float>(gLargeurs);
  if (bar >= n) {
    if (!gLargeurs) gLargeurs = NewHandleClear(0);
    if (!gLargeurs || !RetailleHandle(gLargeurs, Size(bar + 1) * Size(sizeof(float)))) return;
    for (int32_t i = n; i <= bar; i++) Elts<float>(gLargeurs)[i] = kXMLLongueurAbsente;
  }
  if (Connu(tenths)) Elts<float>(gLargeurs)[bar] = tenths * gMmParDixieme;
}

void XMLSetStaffHeight(uint32_t part, uint32_t staffNumber, float tenths) {
  const float mm = tenths * gMmParDixieme;
  XMLHauteurPortee* h = Elts<XMLHauteurPortee>(gHauteurs);
  for (int32_t i = 0, n = Nb<XMLHauteurPortee>(gHauteurs); i < n; i++)
    if (h[i].partie == part && h[i].portee == staffNumber) {
      h[i].hauteur = mm;
      return;
    }
  Ajoute(&gHauteurs, XMLHauteurPortee{part, staffNumber, mm});
}

void XMLSetSilenceMultiple(int32_t count) {
  if (gMinSilencesMultiples == 0 || gMinSilencesMultiples > count) gMinSilencesMultiples = count;
}

void XMLGetPageParameters(int32_t page, float* width, float* height, float* left, float* top, float* right,
                          float* bottom) {
  const XMLPageCommande* found = &gPageDefaut;
  const XMLPageCommande* p = Elts<XMLPageCommande>(gPages);
  int32_t numero = 0;  // pages count from 1
  for (int32_t i = 0, n = Nb<XMLPageCommande>(gPages); i < n; i++) {
    numero = p[i].numero != kNumeroAbsent ? p[i].numero : numero + 1;
    if (numero == page) {
      found = &p[i];
      break;
    }
  }
  const float* m = (page & 1) ? found->margesImpaires : found->margesPaires;
  if (width) *width = found->largeur - found->origineX;
  if (height) *height = found->hauteur - found->origineY;
  if (left) *left = m[0];
  if (top) *top = m[1];
  if (right) *right = m[2];
  if (bottom) *bottom = m[3];
}

namespace {
// The part and staff (from 0) a staff was made for; false for a staff the file
// did not make.
bool PartiePortee(Portee** staff, uint32_t* part, uint32_t* staf) {
  int32_t size = sizeof *part;
  Collection c = (*staff)->collection;
  if (GetCollectionItem(c, FourCC("XML "), FourCC("part"), &size, part) != noErr) return false;
  size = sizeof *staf;
  return GetCollectionItem(c, FourCC("XML "), FourCC("staf"), &size, staf) == noErr;
}
}  // namespace

float XMLGetTaillePortee(Portee** staff) {
  if (!staff) return 1.0f;
  uint32_t part = 0, staf = 0;
  if (!PartiePortee(staff, &part, &staf)) return 1.0f;
  const XMLHauteurPortee* h = Elts<XMLHauteurPortee>(gHauteurs);
  for (int32_t i = 0, n = Nb<XMLHauteurPortee>(gHauteurs); i < n; i++)
    if (h[i].partie == part && h[i].portee == staf + 1) return h[i].hauteur * kParMillimetreStaff;
  return gMmParDixieme * 40.0f * kParMillimetreStaff;
}

float XMLGetMillimetresParDixieme() { return gMmParDixieme; }
float XMLGetCurMMParTenth() { return gDernierMmParDixieme; }
float XMLGetDistancePorteeDefaut() { return gDistancePorteeDefaut; }
float XMLGetApparence(int which) { return which >= 0 && which < kNbApparences ? gApparence[which] : 0; }
int32_t XMLGetNbPageCommandes() { return Nb<XMLPageCommande>(gPages); }
const XMLPageCommande* XMLGetPageCommande(int32_t index) {
  return index >= 0 && index < Nb<XMLPageCommande>(gPages) ? &Elts<XMLPageCommande>(gPages)[index] : nullptr;
}
int32_t XMLGetPageCourante() { return gPageCourante; }
int32_t XMLGetSystemeCourant() { return gSystemeCourant; }
int32_t XMLGetNbLargeursMesure() { return Nb<float>(gLargeurs); }
float XMLGetLargeurMesure(int32_t bar) {
  return bar >= 0 && bar < Nb<float>(gLargeurs) ? Elts<float>(gLargeurs)[bar] : kXMLLongueurAbsente;
}
float XMLGetDistancePorteeCourante() { return gDistancePortee; }
int32_t XMLGetMinSilencesMultiples() { return gMinSilencesMultiples; }
const XMLPageCommande* XMLGetPageDefaut() { return &gPageDefaut; }
const XMLSystemeCommande* XMLGetSystemeDefaut() { return &gSystemeDefaut; }

void XMLFixeMesuresPartition(Handle records) {
  LibereHandle(&gMesuresPartition);
  const int32_t n = XMLNbNumerosMesure(records);
  gMesuresPartition = NewHandleClear(Size(n) * Size(sizeof(int32_t)));
  if (!gMesuresPartition) return;
  for (int32_t i = 0; i < n; i++)
    Elts<int32_t>(gMesuresPartition)[i] = int32_t(XMLGetChampNumeroMesure(records, i, kNumMesureIndex));
}

int32_t XMLGetMesurePartition(int32_t record) {
  return record >= 0 && record < Nb<int32_t>(gMesuresPartition) ? Elts<int32_t>(gMesuresPartition)[record] : -1;
}

// ---------------------------------------------------------------------------
// Applying the collection

namespace {

// Layout units per millimetre and back, at the page scale the import sets
// (0.6 of a 72-dpi unit).
constexpr float kUnitesParMm = 4.7244094500000005f;
constexpr float kMmParUnite = 0.21166666661375f;
constexpr float kPointsParMm = 2.83464567f;
constexpr float kEchelleImport = kXMLZoomImpression;
// The document's own page size is laid out at 576 dpi and handed to the host
// divided by the page scale, in 16 bits: at the import's scale at most 2457
// points a side. A page under an inch is no page to lay music on.
constexpr int32_t kPagePropreMin = 72, kPagePropreMax = 2457;

int32_t NbMesuresPartition(Partition** score) { return score ? (*score)->nbMesures : 0; }

// The score bar of a record (a file measure); -1 outside.
int32_t MesureDuRecord(Partition** score, int32_t record) {
  const int32_t b = XMLGetMesurePartition(record);
  return b >= 0 && b < NbMesuresPartition(score) ? b : -1;
}

// The last score bar of a run of records ending with lastRecord.
int32_t FinDuRecord(Partition** score, int32_t lastRecord) {
  const int32_t apres = XMLGetMesurePartition(lastRecord + 1);
  const int32_t n = NbMesuresPartition(score);
  return apres > 0 && apres <= n ? apres - 1 : n - 1;
}

float HauteurPorteeMm(uint32_t part, uint32_t staffNumber) {
  const XMLHauteurPortee* h = Elts<XMLHauteurPortee>(gHauteurs);
  for (int32_t i = 0, n = Nb<XMLHauteurPortee>(gHauteurs); i < n; i++)
    if (h[i].partie == part && h[i].portee == staffNumber && Connu(h[i].hauteur)) return h[i].hauteur;
  return 40.0f * gMmParDixieme;
}

int16_t Tronque16(float v) {
  if (!(v > -32767.0f)) return -32767;
  return v < 32767.0f ? int16_t(v) : int16_t(32767);
}
int32_t Tronque32(float v) {
  if (!(v > -2.0e9f)) return -2000000000;
  return v < 2.0e9f ? int32_t(v) : 2000000000;
}

void CalculeContenu(XMLPageCommande* p) {
  const float* m = (p->numero & 1) ? p->margesImpaires : p->margesPaires;
  p->contenu[0] = p->origineX + m[0];
  p->contenu[1] = p->origineY + m[1];
  p->contenu[2] = p->largeur - m[2];
  p->contenu[3] = p->hauteur - m[3];
}

// Page numbers, content rectangles, system and staff rectangles and the bar
// range of every system (record indexes).
void RemplitCommandes() {
  XMLPageCommande* pages = Elts<XMLPageCommande>(gPages);
  const int32_t nbPages = Nb<XMLPageCommande>(gPages);
  const int32_t dernierRecord = Nb<int32_t>(gMesuresPartition) - 1;
  int32_t numero = 0;
  for (int32_t i = 0; i < nbPages; i++) {
    XMLPageCommande& p = pages[i];
    if (p.numero == kNumeroAbsent) p.numero = numero + 1;
    numero = p.numero;
    CalculeContenu(&p);
    float y = 0;
    const int32_t nbSys = Nb<XMLSystemeCommande>(p.systemes);
    for (int32_t k = 0; k < nbSys; k++) {
      XMLSystemeCommande* s = &Elts<XMLSystemeCommande>(p.systemes)[k];
      float distance = k == 0 ? s->distanceHaut : s->distance;
      if (distance == 0) distance = gDistancePorteeDefaut;
      s->rect[0] = p.contenu[0] + s->marges[0];
      s->rect[1] = y + distance;
      s->rect[2] = p.contenu[2] - s->marges[2];
      if (Nb<XMLPorteeLayout>(s->portees) == 0) {
        XMLPorteeLayout seul{};
        seul.partie = 0;
        seul.portee = 1;
        seul.distance = kXMLLongueurAbsente;
        if (!Ajoute(&s->portees, seul)) return;
        s = &Elts<XMLSystemeCommande>(p.systemes)[k];
      }
      y = s->rect[1];
      XMLPorteeLayout* l = Elts<XMLPorteeLayout>(s->portees);
      for (int32_t j = 0, m = Nb<XMLPorteeLayout>(s->portees); j < m; j++) {
        float top = y;
        if (j > 0) top += Connu(l[j].distance) ? l[j].distance : gDistancePorteeDefaut;
        l[j].rect[0] = s->rect[0];
        l[j].rect[1] = top;
        l[j].rect[2] = s->rect[2];
        l[j].rect[3] = top + HauteurPorteeMm(l[j].partie, l[j].portee);
        y = l[j].rect[3];
      }
      s->rect[3] = y;
      // A system runs to the next one; the last system of a page to the
      // first one of the next page, the very last to the end of the score.
      int32_t suivant = -1;
      if (k + 1 < nbSys) {
        suivant = Elts<XMLSystemeCommande>(p.systemes)[k + 1].premiereMesure;
      } else {
        for (int32_t q = i + 1; q < nbPages && suivant < 0; q++)
          if (Nb<XMLSystemeCommande>(pages[q].systemes) > 0)
            suivant = Elts<XMLSystemeCommande>(pages[q].systemes)[0].premiereMesure;
      }
      s->derniereMesure = suivant > s->premiereMesure ? suivant - 1 : dernierRecord;
    }
  }
}

// Paper (0, 0, widest, highest) and the content that holds every page's.
void CalculePapier(float papier[4], float contenu[4]) {
  papier[0] = papier[1] = papier[2] = papier[3] = 0;
  const int32_t n = Nb<XMLPageCommande>(gPages);
  XMLPageCommande defaut = gPageDefaut;
  defaut.numero = 1;
  CalculeContenu(&defaut);
  const XMLPageCommande* pages = n > 0 ? Elts<XMLPageCommande>(gPages) : &defaut;
  const int32_t m = n > 0 ? n : 1;
  for (int i = 0; i < 4; i++) contenu[i] = pages[0].contenu[i];
  for (int32_t i = 0; i < m; i++) {
    const XMLPageCommande& p = pages[i];
    if (p.largeur > papier[2]) papier[2] = p.largeur;
    if (p.hauteur > papier[3]) papier[3] = p.hauteur;
    if (p.contenu[0] < contenu[0]) contenu[0] = p.contenu[0];
    if (p.contenu[1] < contenu[1]) contenu[1] = p.contenu[1];
    if (p.contenu[2] > contenu[2]) contenu[2] = p.contenu[2];
    if (p.contenu[3] > contenu[3]) contenu[3] = p.contenu[3];
  }
}

// Paper, margins and the page setup's settings for a file's own engraving.
void FixeParametresPartition(Document* doc, Partition** score, const float papier[4], const float contenu[4]) {
  MiseEnPage& m = doc->misesEnPage[0];
  if (papier[2] != 0) {
    doc->typePapier = 3;
    Rect r;
    r.top = Tronque16(papier[1] * kPointsParMm);
    r.left = Tronque16(papier[0] * kPointsParMm);
    r.bottom = Tronque16(papier[3] * kPointsParMm);
    r.right = Tronque16(papier[2] * kPointsParMm);
    doc->rectsPapier[0] = doc->rectsPapier[1] = r;
    // The file's paper is the pages' size, whatever the printer's; a page
    // wider than high is laid out across.
    const float l = std::round((papier[2] - papier[0]) * kPointsParMm);
    const float h = std::round((papier[3] - papier[1]) * kPointsParMm);
    const int32_t largeur = l < 32767.0f ? int32_t(l) : 32767, hauteur = h < 32767.0f ? int32_t(h) : 32767;
    if (largeur >= kPagePropreMin && hauteur >= kPagePropreMin) {
      doc->taillePagePropre = 1;
      doc->largeurPage = int16_t(std::min(largeur, kPagePropreMax));
      doc->hauteurPage = int16_t(std::min(hauteur, kPagePropreMax));
      doc->orientation = largeur > hauteur ? 2 : 1;
    } else {
      doc->taillePagePropre = 0;
    }
    m.margeGauche = Tronque16((contenu[0] - papier[0]) * 10.0f);
    m.margeHaut = Tronque16((contenu[1] - papier[1]) * 10.0f);
    m.margeDroite = Tronque16((papier[2] - contenu[2]) * 10.0f);
    m.margeBas = Tronque16((papier[3] - contenu[3]) * 10.0f);
  } else {
    doc->typePapier = 0;
    doc->taillePagePropre = 0;
  }
  // The file places its own titles: no header or footer of ours.
  std::memset(&m.basDePage, 0, sizeof m.basDePage);
  std::memset(&m.enTete, 0, sizeof m.enTete);
  // Nor spreading: the file's systems stand where its distances put them,
  // from the top of the page (a lone system would sink to mid-page).
  m.repartirSystemes = 0;
  doc->flagsAffichage[0] = 1;
  doc->flagsAffichage[1] = 0;
  doc->flagsAffichage[2] = 0;
  doc->regle = 0;
  SetZorodavaUsine(&(*score)->zorodava);
  (*score)->zorodava.on = 1;
  (*score)->zorodava.scaleBars = 0;
  m.echelle = kEchelleImport;
  SetTabEltMesureModifie(score, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltEspacement);
}

// Music-font size of each staff from the file's staff sizes, held to sizes a
// page can show.
void FixeTaillesPortees(Partition** score) {
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (!staff) continue;
    const float t = XMLGetTaillePortee(staff) * 72.0f;
    int32_t taille = std::isfinite(t) ? int32_t(t < 720.0f ? t : 720.0f) : 72;
    if (taille < 4) taille = 4;
    (*staff)->aspect.tailleUnite = uint16_t(taille);
  }
}

TabEltMesure* LigneRuban(Partition** score, int32_t bar) {
  Handle t = GetTabEltMesureRuban(score);
  return bar >= 0 && bar < GetNbLignesTabElt(t) && bar < NbMesuresPartition(score) ? &GetLignesTabElt(t)[bar] : nullptr;
}

// A system or page break before the first bar of every system but the first,
// on the bar that ends the system before it.
bool FixeSauts(Partition** score) {
  bool sauts = false;
  XMLPageCommande* pages = Elts<XMLPageCommande>(gPages);
  const int32_t nbPages = Nb<XMLPageCommande>(gPages);
  for (int32_t i = 0; i < nbPages; i++) {
    const int32_t nbSys = Nb<XMLSystemeCommande>(pages[i].systemes);
    for (int32_t k = 0; k < nbSys; k++) {
      int32_t suivant = -1;
      bool page = false;
      if (k + 1 < nbSys) {
        suivant = Elts<XMLSystemeCommande>(pages[i].systemes)[k + 1].premiereMesure;
      } else if (i + 1 < nbPages && Nb<XMLSystemeCommande>(pages[i + 1].systemes) > 0) {
        suivant = Elts<XMLSystemeCommande>(pages[i + 1].systemes)[0].premiereMesure;
        page = true;
      }
      // A row's break bytes end the line after its bar: the break goes on the
      // last bar before the next system.
      const int32_t debut = suivant >= 0 ? MesureDuRecord(score, suivant) : -1;
      TabEltMesure* e = debut > 0 ? LigneRuban(score, debut - 1) : nullptr;
      if (!e) continue;
      if (page) e->sautPage = 1;
      else e->sautSysteme = 1;
      e->continueLigneSuivante = 0;
      sauts = true;
    }
  }
  return sauts;
}

// Left and right indents of every system as staff-height events; the first
// system's left indent goes to the page setup. The values are gathered by bar
// first and each staff's list is then set in one pass: a file of thousands of
// systems on hundreds of staves takes no time.
void FixeMargesSystemes(Document* doc, Partition** score) {
  const int32_t nbMesures = NbMesuresPartition(score);
  if (nbMesures <= 0) return;
  std::vector<int32_t> gauches(size_t(nbMesures), 0), droites(size_t(nbMesures), 0);
  std::vector<uint8_t> avecGauche(size_t(nbMesures), 0), avecDroite(size_t(nbMesures), 0);
  XMLPageCommande* pages = Elts<XMLPageCommande>(gPages);
  for (int32_t i = 0, nbPages = Nb<XMLPageCommande>(gPages); i < nbPages; i++) {
    const XMLPageCommande& p = pages[i];
    for (int32_t k = 0, nbSys = Nb<XMLSystemeCommande>(p.systemes); k < nbSys; k++) {
      const XMLSystemeCommande& s = Elts<XMLSystemeCommande>(p.systemes)[k];
      const int32_t b0 = MesureDuRecord(score, s.premiereMesure);
      const int32_t b1 = FinDuRecord(score, s.derniereMesure);
      const bool premier = i == 0 && k == 0;
      if (premier) doc->misesEnPage[0].retraitPremierSysteme = Tronque16((s.rect[0] - p.contenu[0]) * 10.0f);
      if (b0 < 0 || b1 < b0) continue;
      const int32_t gauche = Tronque32((s.rect[0] - p.contenu[0]) * kUnitesParMm);
      const int32_t droite = Tronque32((p.contenu[2] - s.rect[2]) * kUnitesParMm);
      for (int32_t b = b0; b <= b1; b++) {
        if (!premier) {
          gauches[size_t(b)] = gauche;
          avecGauche[size_t(b)] = 1;
        }
        droites[size_t(b)] = droite;
        avecDroite[size_t(b)] = 1;
      }
    }
  }
  const int16_t n = int16_t(std::min<int32_t>(nbMesures, kMaxMesures));
  for (int16_t st = 0; st < (*score)->nbPortees; st++) {
    Portee** staff = GetPorteeIndex(score, st);
    if (!staff) continue;
    AddEventsStaffHeightParMesure(staff, 'G', 0, n, gauches.data(), avecGauche.data());
    AddEventsStaffHeightParMesure(staff, 'D', 0, n, droites.data(), avecDroite.data());
  }
}

uint16_t BorneEchelle(float v) {
  if (!(v >= 20.0f)) return 20;
  return v < 32767.0f ? uint16_t(v) : uint16_t(32767);
}

// The scales of the skeleton, kept at the first application and put back at
// every later one.
void RepartDesEchellesOrigine(Partition** score) {
  Handle t = GetTabEltMesureRuban(score);
  const int32_t n = std::min<int32_t>(GetNbLignesTabElt(t), NbMesuresPartition(score));
  if (!gEchellesOrigine) {
    gEchellesOrigine = NewHandleClear(Size(n) * Size(sizeof(uint16_t)));
    if (!gEchellesOrigine) return;
    for (int32_t b = 0; b < n; b++) Elts<uint16_t>(gEchellesOrigine)[b] = GetLignesTabElt(t)[b].echelle;
    return;
  }
  const int32_t m = std::min(n, Nb<uint16_t>(gEchellesOrigine));
  for (int32_t b = 0; b < m; b++) GetLignesTabElt(t)[b].echelle = Elts<uint16_t>(gEchellesOrigine)[b];
}

// Bar scales from the file's bar widths; then, when the file broke the
// systems, each system's bars stretched towards its width.
void FixeLargeursMesures(Document* doc, Partition** score, bool sauts) {
  RepartDesEchellesOrigine(score);
  Handle t = GetTabEltMesureRuban(score);
  const int32_t n = NbMesuresPartition(score);
  CalculePosTempsPixelTabElt(score, &doc->misesEnPage[0], t, 0, n, 72, -1);
  for (int32_t r = 0, nbL = Nb<float>(gLargeurs); r < nbL; r++) {
    const float w = Elts<float>(gLargeurs)[r];
    if (!Connu(w) || !(w > 0)) continue;
    const int32_t b0 = MesureDuRecord(score, r);
    const int32_t b1 = FinDuRecord(score, r);
    if (b0 < 0 || b1 < b0) continue;
    const int64_t ticks = int64_t(CvtMesureEnTemps(score, b1 + 1)) - CvtMesureEnTemps(score, b0);
    // A bar of no length has no natural width to scale.
    if (ticks <= 0) continue;
    float fixe = 0;
    for (int32_t b = b0; b <= b1; b++)
      if (TabEltMesure* e = LigneRuban(score, b)) fixe += float(e->largeurEntete) + float(e->largeurMargeDroite);
    const float naturel = float(ticks) * 0.000992063492063492f;
    const uint16_t echelle = BorneEchelle((w * kUnitesParMm - fixe) * 1000.0f / naturel);
    for (int32_t b = b0; b <= b1; b++)
      if (TabEltMesure* e = LigneRuban(score, b)) e->echelle = echelle;
  }
  if (!sauts) return;
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  XMLPageCommande* pages = Elts<XMLPageCommande>(gPages);
  for (int32_t i = 0, nbPages = Nb<XMLPageCommande>(gPages); i < nbPages; i++) {
    for (int32_t k = 0, nbSys = Nb<XMLSystemeCommande>(pages[i].systemes); k < nbSys; k++) {
      const XMLSystemeCommande& s = Elts<XMLSystemeCommande>(pages[i].systemes)[k];
      const int32_t b0 = MesureDuRecord(score, s.premiereMesure);
      const int32_t b1 = FinDuRecord(score, s.derniereMesure);
      if (b0 < 0 || b1 < b0) continue;
      float fixe = 0, etirable = 0;
      for (int32_t b = b0; b <= b1; b++)
        if (const TabEltMesure* e = LigneRuban(score, b)) {
          fixe += float(e->largeurEntete) + float(e->largeurMargeDroite);
          etirable += float(e->largeurMusique);
        }
      // A system of nothing to stretch keeps its bars as they are.
      if (!(etirable > 0)) continue;
      const float ratio = (s.rect[2] - fixe * kMmParUnite - s.rect[0]) / (etirable * kMmParUnite) * 0.5f;
      if (!std::isfinite(ratio) || !(ratio > 0)) continue;
      for (int32_t b = b0; b <= b1; b++)
        if (TabEltMesure* e = LigneRuban(score, b)) {
          e->etirement *= ratio;
          e->echelle = BorneEchelle(e->etirement);
        }
    }
  }
}

// Each staff layout of a system reaches up and down to the midpoints with its
// neighbours; the outer ones by the space on their inner side, held to
// 5..40 mm.
void EtendPortees(const XMLSystemeCommande& s) {
  XMLPorteeLayout* l = Elts<XMLPorteeLayout>(s.portees);
  const int32_t m = Nb<XMLPorteeLayout>(s.portees);
  if (m == 0) return;
  for (int32_t j = 0; j < m; j++) std::memcpy(l[j].etendu, l[j].rect, sizeof l[j].rect);
  for (int32_t j = 0; j + 1 < m; j++) l[j].etendu[3] = l[j + 1].etendu[1] = (l[j].rect[3] + l[j + 1].rect[1]) / 2;
  const auto borne = [](float v) { return v >= 5.0f ? (v <= 40.0f ? v : 40.0f) : 5.0f; };
  l[0].etendu[1] = l[0].rect[1] - borne(l[0].etendu[3] - l[0].rect[3]);
  l[m - 1].etendu[3] = l[m - 1].rect[3] + borne(l[m - 1].rect[1] - l[m - 1].etendu[1]);
}

// The lowest bottom of the document's titles on the first page setup, in
// tenths of a millimetre; 0 without titles.
int32_t BasTitres(Document* doc) {
  int32_t bas = 0;
  for (const StrTitre& t : doc->titres)
    if (t.texte[0]) bas = std::max(bas, GetPosBasTitre(&doc->misesEnPage[0], &t));
  return bas;
}

// A staff layout met in a system, found by its part and staff.
struct LayoutRange {
  uint64_t cle;  // part << 32 | staff number
  int32_t page, systeme, index;
  bool operator<(const LayoutRange& o) const { return cle < o.cle; }
};

// Per-bar values of one kind of staff-height event, set on a staff in one pass.
struct ValeursParMesure {
  std::vector<int32_t> valeurs;
  std::vector<uint8_t> poses;
  bool vide = true;
  explicit ValeursParMesure(int32_t n) : valeurs(size_t(n), 0), poses(size_t(n), 0) {}
  void Pose(int32_t b0, int32_t b1, int32_t v) {
    for (int32_t b = b0; b <= b1 && b < int32_t(poses.size()); b++) {
      valeurs[size_t(b)] = v;
      poses[size_t(b)] = 1;
    }
    vide = false;
  }
  void Efface() {
    if (vide) return;
    std::fill(poses.begin(), poses.end(), 0);
    vide = true;
  }
  void Applique(Portee** staff, uint32_t kind) const {
    if (!vide) AddEventsStaffHeightParMesure(staff, kind, 0, int16_t(poses.size()), valeurs.data(), poses.data());
  }
};

// The staff and the staves merged after it (a line's height, base line and
// tablature hold for all of them).
template <typename F>
void PourFusionnees(Partition** score, int16_t index, F f) {
  for (int16_t i = index; i < (*score)->nbPortees; i++) {
    Portee** staff = GetPorteeIndex(score, i);
    if (!staff) break;
    f(staff);
    if (!(*staff)->fusionneAvecSuivante) break;
  }
}

// A staff's chord line and lyrics base line, kept at the score's resolution,
// moved by delta (72-dpi units).
void DecaleLignesTexte(Partition** score, Portee** staff, int32_t delta) {
  const int16_t dpi = GetDpiDest();
  SetDpiPartition(score);
  SetLigneAccordPortee(staff, Sature16(Zoom(int32_t((*staff)->ligneAccord) + delta)));
  SetLigneBaseKaraoke(staff, Sature16(Zoom(int32_t((*staff)->hauteurBaseLigneTexte) + delta)));
  SetDpiDest(dpi);
}

// Staff heights and base lines from the staff layouts: each staff the file
// made takes the mean over the systems of its extended height and of its
// bottom line below the extended top; each system whose own differ gets the
// difference as its events ('H' height, 'B' base line, 'T' tablature, 'P'
// lyrics and 'A' chord lines). The first system of every page gets its
// top-system distance ('M'), on the first page of music less the titles.
void FixeEspacementPortees(Document* doc, Partition** score) {
  SetTabEltMesureModifie(score, kTabEltEspacement);
  UpdateTabEltMesure(score, kTabEltEspacement);
  const int32_t nbMesures = std::min<int32_t>(NbMesuresPartition(score), kMaxMesures);
  if (nbMesures <= 0) return;
  XMLPageCommande* pages = Elts<XMLPageCommande>(gPages);
  const int32_t nbPages = Nb<XMLPageCommande>(gPages);
  std::vector<LayoutRange> layouts;
  for (int32_t i = 0; i < nbPages; i++)
    for (int32_t k = 0, nbSys = Nb<XMLSystemeCommande>(pages[i].systemes); k < nbSys; k++) {
      const XMLSystemeCommande& s = Elts<XMLSystemeCommande>(pages[i].systemes)[k];
      EtendPortees(s);
      for (int32_t j = 0, m = Nb<XMLPorteeLayout>(s.portees); j < m; j++) {
        const XMLPorteeLayout& l = Elts<XMLPorteeLayout>(s.portees)[j];
        layouts.push_back({uint64_t(l.partie) << 32 | l.portee, i, k, j});
      }
    }
  std::stable_sort(layouts.begin(), layouts.end());
  const auto systeme = [&](const LayoutRange& r) -> const XMLSystemeCommande& {
    return Elts<XMLSystemeCommande>(pages[r.page].systemes)[r.systeme];
  };
  const auto layout = [&](const LayoutRange& r) -> const XMLPorteeLayout& {
    return Elts<XMLPorteeLayout>(systeme(r).portees)[r.index];
  };

  ValeursParMesure hautSysteme(nbMesures);
  const int32_t titres = nbPages > doc->nbPagesReservees ? BasTitres(doc) / 10 : 0;
  for (int32_t i = 0; i < nbPages; i++) {
    if (Nb<XMLSystemeCommande>(pages[i].systemes) == 0) continue;
    const XMLSystemeCommande& s = Elts<XMLSystemeCommande>(pages[i].systemes)[0];
    if (Nb<XMLPorteeLayout>(s.portees) == 0) continue;
    const int32_t b0 = MesureDuRecord(score, s.premiereMesure);
    const int32_t b1 = FinDuRecord(score, s.derniereMesure);
    if (b0 < 0 || b1 < b0) continue;
    float v = s.distanceHaut - s.rect[1] + Elts<XMLPorteeLayout>(s.portees)[0].etendu[1];
    if (i == doc->nbPagesReservees) v = v - 7.0f - float(titres);
    // A first system is never raised above the page's music area.
    const int32_t m = Tronque32(v * kUnitesParMm);
    if (m > 0) hautSysteme.Pose(b0, b1, m);
  }

  ValeursParMesure h(nbMesures), b(nbMesures);
  for (int16_t st = 0; st < (*score)->nbPortees; st++) {
    Portee** staff = GetPorteeIndex(score, st);
    if (!staff) continue;
    hautSysteme.Applique(staff, 'M');
    uint32_t part = 0, staf = 0;
    if (!PartiePortee(staff, &part, &staf)) continue;
    const LayoutRange cle{uint64_t(part) << 32 | (staf + 1), 0, 0, 0};
    const auto [debut, fin] = std::equal_range(layouts.begin(), layouts.end(), cle);
    if (debut == fin) continue;
    double sommeHauteur = 0, sommeDistance = 0;
    for (auto r = debut; r != fin; ++r) {
      const XMLPorteeLayout& l = layout(*r);
      sommeHauteur += double(l.etendu[3]) - l.etendu[1];
      sommeDistance += double(l.rect[3]) - l.etendu[1];
    }
    const double nb = double(fin - debut);
    const float hauteurMm = float(sommeHauteur / nb), distanceMm = float(sommeDistance / nb);
    const int32_t ancienneDistance = (*staff)->decalageLigneBasBaseRuban;
    SetHauteurPortee(staff, Sature16(Zoom(Tronque32(std::round(hauteurMm * kUnitesParMm)))));
    SetLigneBasePortee(staff, Sature16(Zoom(Tronque32(distanceMm * kUnitesParMm))));
    const int32_t delta = int32_t((*staff)->decalageLigneBasBaseRuban) - ancienneDistance;
    const bool tablature = GetTablature(staff) != nullptr;
    if (tablature) {
      InitTailleRubanPortee(score, staff);
      if (Tablature** t = GetTablature(staff))
        SetLigneBaseTablature(staff, Sature16(Zoom(int32_t((*t)->ligneBase) + delta)));
    }
    if (delta != 0) DecaleLignesTexte(score, staff, delta);
    const int32_t hauteur = (*staff)->hauteurBaseRuban, distance = (*staff)->decalageLigneBasBaseRuban;
    h.Efface();
    b.Efface();
    for (auto r = debut; r != fin; ++r) {
      const XMLSystemeCommande& s = systeme(*r);
      const XMLPorteeLayout& l = layout(*r);
      const int32_t b0 = MesureDuRecord(score, s.premiereMesure);
      const int32_t b1 = FinDuRecord(score, s.derniereMesure);
      if (b0 < 0 || b1 < b0) continue;
      const int32_t hs = Tronque32((l.etendu[3] - l.etendu[1]) * kUnitesParMm - 1.0f);
      if (hs == 0 || hs == hauteur) continue;
      h.Pose(b0, b1, hs - hauteur);
      const int32_t ds = Tronque32((l.rect[3] - l.etendu[1]) * kUnitesParMm);
      if (ds != distance) b.Pose(b0, b1, ds - distance);
    }
    PourFusionnees(score, st, [&](Portee** p) {
      h.Applique(p, 'H');
      b.Applique(p, 'B');
      if (tablature) b.Applique(p, 'T');
    });
    b.Applique(staff, 'P');
    b.Applique(staff, 'A');
  }
}

}  // namespace

void XMLAppliquePagination(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  // The bar table is measured at 72 dpi here; the resolution in force
  // before goes back at the end.
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  // "MusicXML: Applying page setup."
  const bool commandes = Nb<XMLPageCommande>(gPages) > 0;
  if (commandes) RemplitCommandes();  // "MusicXML: FillStruct."
  float papier[4], contenu[4];
  CalculePapier(papier, contenu);                        // "MusicXML: Compute paper size."
  FixeParametresPartition(doc, score, papier, contenu);  // "MusicXML: Set params."
  if (commandes) {
    FixeTaillesPortees(score);               // "MusicXML: Set staff size."
    const bool sauts = FixeSauts(score);     // "MusicXML: Set breaks."
    FixeMargesSystemes(doc, score);          // "MusicXML: Set system margins."
    FixeLargeursMesures(doc, score, sauts);  // "MusicXML: Set bar width."
    FixeEspacementPortees(doc, score);       // "MusicXML: Set staff spacing."
  }
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  FixeMiseEnPageNonCalculee(doc);
  if (gMinSilencesMultiples >= 1) {
    doc->misesEnPage[0].regroupement = uint8_t(doc->misesEnPage[0].regroupement | 1);
    doc->misesEnPage[0].regroupementMin = int16_t(std::min<int32_t>(gMinSilencesMultiples, 32767));
  }
  SetDpiDest(dpi);
}

// Pages the file asks for: the reserved ones, then one and one more for
// every bar that ends a page.
int16_t XMLNombrePagesDemandees(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return 0;
  int32_t pages = std::max<int32_t>(doc->nbPagesReservees, 0) + 1;
  for (int32_t b = 0; b < NbMesuresPartition(score) && pages < kMaxPagesDemandees; b++)
    if (const TabEltMesure* e = LigneRuban(score, b))
      if (e->sautPage) pages++;
  return int16_t(std::min<int32_t>(pages, kMaxPagesDemandees));
}
// The file's line widths (tenths of a staff space) against the staves' mean
// line spacing at 72 dpi: the score's stem, staff-line, bar-line, leger-line
// and text-frame thicknesses and every staff's beam; and its grace-note size.
// Effect positions are not rescaled to that spacing: the import sets them
// against each staff's own spacing already.
void XMLFinalizeAppearance(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  const struct {
    int apparence, slot;
  } traits[] = {
      {kApparenceQueue, kSlotEpaisseurQueue},         {kApparencePortee, kSlotEpaisseurLignePortee},
      {kApparenceBarreFine, kSlotEpaisseurBarreFine}, {kApparenceBarreEpaisse, kSlotEpaisseurBarreEpaisse},
      {kApparenceLigneSup, kSlotEpaisseurLigneSup},
  };
  bool donnee =
      gApparence[kApparencePoutre] > 0 || gApparence[kApparenceCadre] > 0 || gApparence[kApparenceNoteGrace] > 0;
  for (const auto& t : traits) donnee = donnee || gApparence[t.apparence] > 0;
  if (!donnee) return;
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  double somme = 0;
  int32_t nb = 0;
  for (int16_t i = 0; i < (*score)->nbPortees; i++)
    if (Portee** staff = GetPorteeIndex(score, i)) {
      somme += InterlignePortee(staff);
      nb++;
    }
  SetDpiDest(dpi);
  const float interligne = nb > 0 ? float(somme / nb) : 7.6f;
  // A width the file gives (above 0) is drawn at least one unit thick, at
  // most an inch (a hostile width would paint the page).
  auto epaisseur = [interligne](float w, float plafond) {
    const float v = std::floor(w * interligne * 0.54f + 0.5f);
    return v >= plafond ? plafond : (v >= 1.0f ? v : 1.0f);
  };
  for (const auto& t : traits)
    if (gApparence[t.apparence] > 0)
      (*score)->modeGraphique.slot[t.slot] = int16_t(epaisseur(gApparence[t.apparence], 288.0f));
  if (gApparence[kApparenceCadre] > 0)
    (*score)->modeGraphique.epaisseurCadreTexte = int16_t(epaisseur(gApparence[kApparenceCadre], 288.0f));
  // A per-cent size from the file; kept within what a note's size byte can scale.
  if (gApparence[kApparenceNoteGrace] > 0)
    (*score)->modeGraphique.pourcentGraces =
        int16_t(std::clamp(std::trunc(double(gApparence[kApparenceNoteGrace]) * 0.8333333333333334), 1.0, 400.0));
  if (gApparence[kApparencePoutre] > 0) {
    const uint8_t poutre = uint8_t(epaisseur(gApparence[kApparencePoutre], 31.0f));
    for (int16_t i = 0; i < (*score)->nbPortees; i++)
      if (Portee** staff = GetPorteeIndex(score, i)) (*staff)->epaisseurBarre = poutre;
  }
}
// Free texts of the import end where their text ends on the ribbon, measured
// once the bar widths are final. Lyric and chord cells keep their bar's span.
void XMLPaginationRecalculeLargeurObjetsTexte(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) return;
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  std::string texte;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    int32_t n = 0;
    if (!staff || !GetTextesPortee(staff, &n)) continue;
    for (int32_t i = 0; i < n; i++) {
      const Texte* t = GetTextesPortee(staff, &n);
      if (!t || i >= n || t[i].ligne != 0 || t[i].passage != 0 || !t[i].texte || !*t[i].texte) continue;
      texte.assign(*t[i].texte, strnlen(*t[i].texte, size_t(GetHandleSize(t[i].texte))));
      const TextStyle style = t[i].style;
      const int32_t debut = t[i].debut;
      uint16_t largeur = 0;
      TextBoxStyleSize(texte.c_str(), int32_t(texte.size()), &style, &largeur, nullptr, 1);
      const int64_t x = int64_t(CvtTempsEnPixelRuban(score, debut)) + ZoomRuban(score, int32_t(largeur) + 8);
      const int32_t fin = CvtPixelRubanEnTemps(score, int32_t(std::min<int64_t>(x, INT32_MAX)));
      Texte* u = GetTextesPortee(staff, &n);
      if (u && i < n) u[i].fin = std::max(fin, debut);
    }
  }
  SetDpiDest(dpi);
}
// The diagrams of chord symbols are placed on the final piano roll: their
// width is drawn in pixels whatever the bar's length, so their start becomes
// the ribbon x of their tick (unzoomed, x 32) moved by their offset.
void XMLPaginationRecalculeLargeurDiagrammes(Document* doc) {
  Partition** score = doc ? doc->partitionCourante : nullptr;
  if (!score) {
    XMLDisposeHarmonies();
    return;
  }
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  auto pixels32 = [](double v) { return int32_t(std::clamp(v * 32.0, double(INT32_MIN), double(INT32_MAX))); };
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = GetPorteeIndex(score, s);
    if (!staff || !(*staff)->diagrammes) continue;
    const int32_t n = std::min<int32_t>(
        (*staff)->nbDiagrammes, int32_t(GetHandleSize((*staff)->diagrammes) / Size(sizeof(PlacementDiagramme))));
    for (int32_t i = 0; i < n; i++) {
      float largeur = 0, decalage = 0;
      PlacementDiagramme& p = reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes)[i];
      if (p.modePosition != 0 || !XMLGetDiagrammeEnAttente(staff, i, &largeur, &decalage)) continue;
      const double x = double(DeZoomRuban(score, CvtTempsEnPixelRuban(score, p.debut))) + double(decalage);
      p.debut = pixels32(x);
      p.fin = pixels32(x + double(largeur));
      p.modePosition = 1;
    }
  }
  SetDpiDest(dpi);
  XMLDisposeHarmonies();
}

#include "import/XMLPagination.h"

#include <cmath>
#include <cstring>

#include "import/MusicXML.h"
#include "import/XMLPortees.h"
#include "model/Document.h"
#include "model/Portee.h"
#include "platform/Collections.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Reporters.h"
#include "system/Strings.h"

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
  // SEAM(notation): the default slur record goes back to its factory shape here once slurs have one.
}

void XMLClearPagination(Document* doc) {
  LibereHandle(&gLargeurs);
  LibereHandle(&gHauteurs);
  LibereHandle(&gMesuresPartition);
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

float XMLGetTaillePortee(Portee** staff) {
  if (!staff) return 1.0f;
  uint32_t part = 0, staf = 0;
  int32_t size = sizeof part;
  Collection c = (*staff)->collection;
  if (GetCollectionItem(c, FourCC("XML "), FourCC("part"), &size, &part) != noErr) return 1.0f;
  size = sizeof staf;
  if (GetCollectionItem(c, FourCC("XML "), FourCC("staf"), &size, &staf) != noErr) return 1.0f;
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

// SEAM(import): the collected pages, systems, staff layouts, bar widths and staff heights are applied to the
// score (paper, margins, breaks, system margins, bar widths, staff sizes and distances) by the pagination pass.
void XMLAppliquePagination(Document*) {}
// SEAM(import): appearance values rescale line widths and effect positions once the notes pass lands.
void XMLFinalizeAppearance(Document*) {}
// SEAM(import): text widths on the ribbon once the lyrics and directions passes land.
void XMLPaginationRecalculeLargeurObjetsTexte(Document*) {}
// SEAM(import): chord-diagram positions once chord symbols land.
void XMLPaginationRecalculeLargeurDiagrammes(Document*) {}

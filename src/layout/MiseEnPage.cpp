#include "layout/MiseEnPage.h"

#include <cstring>
#include <utility>

#include "layout/Zoom.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "system/Handles.h"
#include "system/Strings.h"
#include "text/Fontes.h"

void DisposeMiseEnPagePartition(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  if (p->pages) {
    int32_t nbPages = GetHandleSize(p->pages) / int32_t(sizeof(Page));
    for (int32_t i = 0; i < nbPages; i++) {
      Handle systemes = reinterpret_cast<Page*>(*p->pages)[i].systemes;
      if (!systemes) continue;
      int32_t nbSystemes = GetHandleSize(systemes) / int32_t(sizeof(Systeme));
      for (int32_t j = 0; j < nbSystemes; j++) {
        Handle& portees = reinterpret_cast<Systeme*>(*systemes)[j].portees;
        if (portees) DisposeHandle(portees);
        portees = nullptr;
      }
      DisposeHandle(systemes);
      reinterpret_cast<Page*>(*p->pages)[i].systemes = nullptr;
    }
    DisposeHandle(p->pages);
    p->pages = nullptr;
  }
  for (int mode = 1; mode <= 3; mode++) {
    if (p->tabEltMesure[mode]) DisposeHandle(p->tabEltMesure[mode]);
    p->tabEltMesure[mode] = nullptr;
  }
}

namespace {

int32_t NombrePages(Partition** score) {
  return (score && (*score)->pages) ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page* Pages(Partition** score) { return reinterpret_cast<Page*>(*(*score)->pages); }

int16_t Sature16(float v) {
  if (v >= 32767.0f) return 32767;
  if (v <= -32768.0f) return -32768;
  return int16_t(v);
}

int32_t Sature32(float v) {
  if (v >= 2147483520.0f) return INT32_MAX;
  if (v <= -2147483648.0f) return INT32_MIN;
  return int32_t(v);
}

bool ContientSystemeMusique(Handle systemes) {
  const int32_t n = GetHandleSize(systemes) / int32_t(sizeof(Systeme));
  for (int32_t i = 0; i < n; i++)
    if (reinterpret_cast<const Systeme*>(*systemes)[i].type == kSystemeMusique) return true;
  return false;
}

// Each coordinate times the factor, truncated toward zero.
void EchelleBigRect(BigRect* r, float f) {
  r->left = Sature32(float(r->left) * f);
  r->right = Sature32(float(r->right) * f);
  r->top = Sature32(float(r->top) * f);
  r->bottom = Sature32(float(r->bottom) * f);
}

void BlocStandard(BlocEnteteMiseEnPage* b, bool basDePage, int16_t times) {
  std::memset(b, 0, sizeof *b);
  b->flag = basDePage ? 1 : 0;
  if (basDePage) {
    // The copyright sign, the year and the document's name.
    strnzcpy(b->modele[1], "\xC2\xA9 $Y <name>", sizeof b->modele[1]);
    strnzcpy(b->modele[2], "$Q", sizeof b->modele[2]);
  }
  const uint8_t faceCote = basDePage ? 2 : 3;  // italic; bold italic
  const uint8_t faceCentre = basDePage ? 1 : 0;
  b->style[0] = TextStyle{times, faceCote, 10, RGBColor{0, 0, 0}};
  b->style[1] = TextStyle{times, faceCentre, 12, RGBColor{0, 0, 0}};
  b->style[2] = b->style[0];
  b->miroirPagesPaires = basDePage ? 1 : 0;
  b->retraitGauche = 60;
  b->retraitDroit = 60;
  b->distanceBord = 60;
  b->pasSurPage1 = basDePage ? 0 : 1;
}

}  // namespace

int16_t CombienDePages(Partition** score) {
  if (score == nullptr) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  return int16_t(NombrePages(score));
}

void AppliqueMargePrintInfo(const MiseEnPage* setup, int16_t pageIndex, const PrInfo* printInfo, PrInfo* out) {
  if (printInfo == nullptr || out == nullptr) return;
  *out = *printInfo;
  if (setup == nullptr) return;
  const float echelle = EchelleMiseEnPageSure(setup->echelle);
  auto marge = [echelle](int16_t m, int16_t resolution) {
    const int32_t dixiemes = int32_t(float(m) / echelle);
    return Sature16(float(dixiemes) * float(resolution) / 254.0f);
  };
  int16_t gauche = marge(setup->margeGauche, printInfo->resH);
  int16_t droite = marge(setup->margeDroite, printInfo->resH);
  if (setup->margesMiroir && (pageIndex & 1)) std::swap(gauche, droite);
  Rect r = printInfo->page;
  r.top = Sature16(float(r.top) + float(marge(setup->margeHaut, printInfo->resV)));
  r.left = Sature16(float(r.left) + float(gauche));
  r.bottom = Sature16(float(r.bottom) - float(marge(setup->margeBas, printInfo->resV)));
  r.right = Sature16(float(r.right) - float(droite));
  if (r.bottom <= r.top) r.bottom = r.top < 32767 ? int16_t(r.top + 1) : r.top;
  if (r.right <= r.left) r.right = r.left < 32767 ? int16_t(r.left + 1) : r.left;
  out->page = r;
}

int16_t AjoutePage(Partition** score, MiseEnPage* setup, const PrInfo* printInfo, Rect* pageRect) {
  if (score == nullptr || pageRect == nullptr) return -1;
  const int32_t index = NombrePages(score);
  if (index >= 32767) return -1;
  if (setup != nullptr && setup->margesMiroir && printInfo != nullptr) {
    PrInfo marge;
    AppliqueMargePrintInfo(setup, int16_t(index), printInfo, &marge);
    *pageRect = marge.page;
  }
  Page page{};
  page.miseEnPage = setup;
  page.rectPage = BigRect{pageRect->left, pageRect->right, pageRect->top, pageRect->bottom};
  page.yCourant = pageRect->top;
  page.premierSystemeMusique = -1;
  if ((*score)->pages == nullptr) {
    (*score)->pages = NewHandle(0);
    if ((*score)->pages == nullptr) return -1;
  }
  // A page that cannot be stored is not handed out: callers index it at once.
  if (PtrAndHand(&page, (*score)->pages, sizeof page) != noErr) return -1;
  return int16_t(index);
}

void SetSystemeDefaut(Systeme* system) {
  if (system != nullptr) *system = Systeme{};
}

int16_t AjouteSysteme(Partition** score, int16_t page, const Systeme* system, int16_t gap, bool first) {
  if (score == nullptr || system == nullptr || page < 0 || page >= NombrePages(score)) return -1;
  Systeme copie = *system;
  if (system->portees != nullptr) {
    copie.portees = DupHandle(system->portees);
    if (copie.portees == nullptr) return -1;
  }
  if (system->type == kSystemeMusique) CalculeLignesBarreMesureSystemeSelonPartGroups(score, &copie);
  Handle systemes = Pages(score)[page].systemes;
  if (system->type == kSystemeMusique && !ContientSystemeMusique(systemes)) {
    // The first music system of a page starts the page in the layout table.
    Handle table = (*score)->tabEltMesure[3];
    if (system->premiereMesure >= 0 && system->premiereMesure < GetNbLignesTabElt(table))
      GetLignesTabElt(table)[system->premiereMesure].debutPage = 1;
  }
  if (systemes == nullptr) {
    systemes = NewHandle(0);
    if (systemes == nullptr) {
      LibereHandle(&copie.portees);
      return -1;
    }
    Pages(score)[page].systemes = systemes;
  }
  const int32_t n = GetHandleSize(systemes) / int32_t(sizeof(Systeme));
  if (n >= 32767 || !RetailleHandle(systemes, Size((n + 1) * int32_t(sizeof(Systeme))))) {
    LibereHandle(&copie.portees);
    return -1;
  }
  Systeme* s = reinterpret_cast<Systeme*>(*systemes);
  int16_t index = int16_t(n);
  if (first) {
    std::memmove(s + 1, s, size_t(n) * sizeof(Systeme));
    index = 0;
  }
  s[index] = copie;
  Pages(score)[page].yCourant = int16_t(system->rectMiseEnPage.bottom + gap);
  return index;
}

MiseEnPage* GetMiseEnPage(Document* document, int16_t page) {
  if (document == nullptr) return nullptr;
  MiseEnPage* defaut = &document->misesEnPage[0];
  Partition** score = document->partitionCourante;
  if (page < 1 || page > NombrePages(score)) return defaut;
  Handle systemes = Pages(score)[page - 1].systemes;
  const int32_t n = GetHandleSize(systemes) / int32_t(sizeof(Systeme));
  for (int32_t i = 0; i < n; i++) {
    const uint32_t type = reinterpret_cast<const Systeme*>(*systemes)[i].type;
    if (type == kSystemePageParoles || type == 9 || type == 10) return &document->misesEnPage[4];
    if (type == 5) return &document->misesEnPage[3];
  }
  return defaut;
}

void ZoomeMiseEnPage(Document* document, int16_t fromResolution, int16_t toResolution) {
  if (document == nullptr || fromResolution == 0) return;
  Partition** score = document->partitionCourante;
  const float f = float(toResolution) / float(fromResolution);
  if (score == nullptr) return;
  ZoomeTabEltMesure(score, (*score)->tabEltMesure[3], f);
  const int32_t nbPages = NombrePages(score);
  for (int32_t p = 0; p < nbPages; p++) {
    Page& page = Pages(score)[p];
    EchelleBigRect(&page.placement[0], f);
    EchelleBigRect(&page.placement[1], f);
    EchelleBigRect(&page.rectPage, f);
    for (Rect& r : page.rectsPlacement) AppliqueEchelleRect(&r, f);
    const int32_t n = GetHandleSize(page.systemes) / int32_t(sizeof(Systeme));
    for (int32_t i = 0; i < n; i++) {
      Systeme& s = reinterpret_cast<Systeme*>(*page.systemes)[i];
      AppliqueEchelleRect(&s.rectMiseEnPage, f);
      AppliqueEchelleRect(&s.rectDessin, f);
      const int32_t m = GetHandleSize(s.portees) / int32_t(sizeof(PorteeSysteme));
      for (int32_t j = 0; j < m; j++) {
        PorteeSysteme& e = reinterpret_cast<PorteeSysteme*>(*s.portees)[j];
        AppliqueEchelleRect(&e.rectMiseEnPage, f);
        AppliqueEchelleRect(&e.rectDessin, f);
      }
    }
  }
}

void FixeMiseEnPageStandard(MiseEnPage* setup, uint32_t kind) {
  if (setup == nullptr) return;
  std::memset(setup, 0, sizeof *setup);
  int16_t times = 20;
  GetClosestIDFontFromName("Times", &times, nullptr);
  MiseEnPage& m = *setup;
  m.type = kind;
  m.echelle = kind == 2 ? 1.0f : 0.7f;
  m.margeGauche = 100;
  m.valeurReservee = 100;
  BlocStandard(&m.basDePage, true, times);
  BlocStandard(&m.enTete, false, times);
  m.premiereMesure = 1;
  m.derniereMesure = kDerniereMesureFin;
  m.titres = 1;
  m.garderSystemesEntiers = 1;
  m.justifier = 1;
  m.regroupementMin = 2;
  m.entetesLignes = 1;
  m.repartirSystemes = 1;
}

void FixeMiseEnPageStandardDocument(Document* document) {
  if (document == nullptr) return;
  for (int i = 0; i < kNbMisesEnPage; i++)
    FixeMiseEnPageStandard(&document->misesEnPage[i], kTypesMiseEnPageDocument[i]);
}

// A staff is printed unless its not-printed flag is set, whatever the setup.
bool IsPorteeImprimable(MiseEnPage*, Portee** staff) { return staff && !(*staff)->pasImprimee; }

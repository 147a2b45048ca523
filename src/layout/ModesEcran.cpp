#include "layout/ModesEcran.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "layout/HauteursPortees.h"
#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/MiseEnPage.h"
#include "layout/ModeGraphique.h"
#include "layout/Pagination.h"
#include "layout/Regle.h"
#include "layout/Titres.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/Ruban.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
#include "system/PortLayer.h"
#include "system/Strings.h"

uint8_t IsTraceReperesGlobal = 0;

namespace {

Partition** PartitionDocument(Document* doc) { return doc ? doc->partitionCourante : nullptr; }

// The left gutter of the ribbon's staves.
int16_t Gouttiere() { return pref.gouttiereLarge ? int16_t(24) : int16_t(12); }

}  // namespace

int32_t GetModeEcran(Partition** score) { return score ? (*score)->modeEcran : 0; }

bool IsModePagePartition(Partition** score) { return score && (*score)->modeEcran == kModeEcranPage; }

bool IsModeImpressionPartition(Partition** score) {
  return score && ((*score)->modeEcran == kModeEcranImpression || (*score)->modeEcran == kModeEcranImpression2);
}

bool IsModePageDocument(Document* doc) { return IsModePagePartition(PartitionDocument(doc)); }
bool IsModeImpressionDocument(Document* doc) { return IsModeImpressionPartition(PartitionDocument(doc)); }

bool IsTraceReperes(Partition** score) {
  if (!IsTraceReperesGlobal) return false;
  if (!score || GetModeEcran(score) == kModeEcranRuban) return true;
  Document* doc = (*score)->document;
  return doc && doc->marques != 0;
}

int16_t GetResolutionModeEcran(Partition** score) {
  switch (GetModeEcran(score)) {
    case kModeEcranRuban: return 72;
    case kModeEcranPage: return pref.resolutionModePage;
    default: return (*score)->resolutionImpression;
  }
}

float CalculeEchelleVisualisationModePage(Document* doc) {
  Partition** score = PartitionDocument(doc);
  if (!score) return 1.0f;
  const float R = float(GetResolutionModeEcran(score));
  if (IsModeImpressionPartition(score)) return R / 72.0f;
  return float((*score)->zoom) * R * doc->facteurVuePage / 5184.0f;
}

namespace {

// The name box of staff entry k of element i of page p, left of the system
// and clear of its part-group signs, with the staff's lines where the entry
// puts them.
void NommePorteeSysteme(Partition** score, int32_t p, int32_t i, int32_t k, Portee** staff);

int32_t NbPagesPartition(Partition** score) {
  return (score && (*score)->pages) ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page* PagesPartition(Partition** score) { return reinterpret_cast<Page*>(*(*score)->pages); }

int32_t NbElementsPage(const Page& page) {
  return page.systemes ? GetHandleSize(page.systemes) / int32_t(sizeof(Systeme)) : 0;
}

Systeme* ElementsPage(const Page& page) { return reinterpret_cast<Systeme*>(*page.systemes); }

int32_t NbEntreesSysteme(const Systeme& s) {
  return s.portees ? GetHandleSize(s.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
}

PorteeSysteme* EntreesSysteme(const Systeme& s) { return reinterpret_cast<PorteeSysteme*>(*s.portees); }

Rect RectDeBig(const BigRect& r) {
  return Rect{Sature16(r.top), Sature16(r.left), Sature16(r.bottom), Sature16(r.right)};
}

// A rectangle scaled by f, then moved by (dx, dy).
Rect Place(const Rect& r, float f, int32_t dx, int32_t dy) {
  Rect e = r;
  AppliqueEchelleRect(&e, f);
  e.left = Sature16(int32_t(e.left) + dx);
  e.right = Sature16(int32_t(e.right) + dx);
  e.top = Sature16(int32_t(e.top) + dy);
  e.bottom = Sature16(int32_t(e.bottom) + dy);
  return e;
}

// Screen x of a bar's start in a table; past the last row, the end of the last.
int64_t XMesure(Handle table, int32_t bar) {
  const int32_t n = GetNbLignesTabElt(table);
  const TabEltMesure* rows = GetLignesTabElt(table);
  if (n <= 0) return 0;
  if (bar < 0) bar = 0;
  if (bar < n) return rows[bar].debutX;
  return int64_t(rows[n - 1].debutX) + rows[n - 1].largeurTotale;
}

bool DansRect(const Rect& r, Point p) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }

void EffaceLocalisation(LocalisationPage* location) {
  if (!location) return;
  *location = LocalisationPage{};
  location->element = -1;
  location->entree = -1;
}

void RemplitLocalisation(LocalisationPage* location, int32_t page, int32_t element, int32_t entree, const Systeme& s) {
  if (!location) return;
  location->page = int16_t(page);
  location->element = int16_t(element);
  location->entree = int16_t(entree);
  location->portee = entree >= 0 && entree < NbEntreesSysteme(s) ? EntreesSysteme(s)[entree] : PorteeSysteme{};
}

}  // namespace

void RecalculeMiseEnPage(Document* doc) {
  Partition** score = PartitionDocument(doc);
  if (!score) return;
  GrafPtr port = nullptr;
  GetPort(&port);
  const int16_t maximum = FixeResolutionMaxImprimante();
  PrInfo info;
  GetPrInfoDocument(doc, &info);
  PrInfo aEchelle;
  GetRectScale(&doc->misesEnPage[0], &info, &aEchelle);
  MetsEnPageDocument(doc, &doc->misesEnPage[0], &aEchelle);
  ZoomeMiseEnPage(doc, aEchelle.resH > 0 ? aEchelle.resH : 72, 72);
  // The ribbon shows where systems and pages start.
  Handle ruban = (*score)->tabEltMesure[0], miseEnPage = (*score)->tabEltMesure[3];
  const int32_t n = std::min(GetNbLignesTabElt(ruban), GetNbLignesTabElt(miseEnPage));
  for (int32_t b = 0; b < n; b++) {
    GetLignesTabElt(ruban)[b].debutSysteme = GetLignesTabElt(miseEnPage)[b].debutSysteme;
    GetLignesTabElt(ruban)[b].debutPage = GetLignesTabElt(miseEnPage)[b].debutPage;
  }
  if (n > 0) GetLignesTabElt(ruban)[0].debutSysteme = 0;
  CalculeAiresGlobalePageDocument(doc);
  if (maximum) FixeResolutionStdImprimante();
  SetPort(port);
}

void CalculeAiresGlobalePageDocument(Document* doc) {
  Partition** score = PartitionDocument(doc);
  const int32_t nbPages = NbPagesPartition(score);
  if (nbPages == 0) return;
  PrInfo info, aEchelle;
  GetPrInfoDocument(doc, &info);
  GetRectScale(&doc->misesEnPage[0], &info, &aEchelle);
  // The pages are laid out at 72 dpi of the scaled paper, whose top-left
  // corner is the origin of the page's own coordinates.
  Rect papier = aEchelle.page;
  AppliqueEchelleRect(&papier, 72.0f / float(aEchelle.resH > 0 ? aEchelle.resH : 72));
  const int32_t largeur = int32_t(papier.right) - papier.left, hauteur = int32_t(papier.bottom) - papier.top;
  const int32_t ecart = IsModePagePartition(score) ? DeZoom(64) : 0;
  for (int32_t p = 0; p < nbPages; p++) {
    const int32_t y = p * (hauteur + ecart);
    BigRect r{0, largeur, y, y + hauteur};
    PagesPartition(score)[p].placement[0] = r;
    PagesPartition(score)[p].placement[1] = r;
  }
}

void GetOffsetDebutPageSurEcran(Document* doc, int16_t pageIndex, Point* out) {
  if (!out) return;
  *out = Point{0, 0};
  Partition** score = PartitionDocument(doc);
  if (!score || IsModeImpressionPartition(score) || pageIndex < 0 || pageIndex >= NbPagesPartition(score)) return;
  // A preview's window is never scrolled.
  const float f = float(GetResolutionModeEcran(score)) * float((*score)->zoom) / 72.0f;
  const BigRect& r = PagesPartition(score)[pageIndex].placement[0];
  out->h = Sature16(int32_t(doc->rectContenu.left) + int32_t(f * float(r.left) / 72.0f));
  out->v = Sature16(int32_t(doc->rectContenu.top) + int32_t(f * float(r.top) / 72.0f));
}

namespace {

void NommePorteeSysteme(Partition** score, int32_t p, int32_t i, int32_t k, Portee** staff) {
  const Systeme systeme = ElementsPage(PagesPartition(score)[p])[i];
  const PorteeSysteme e = EntreesSysteme(systeme)[k];
  const int16_t index = int16_t(e.indexPortee);
  const int32_t retrait = Zoom(CalculeDeltaXDefaultPartGroup(score, &systeme, index, index)) + Zoom(6);
  // The staff's lines where the system's drawing puts them: its base line the
  // entry's spacing below the entry's top.
  const int16_t y = (*staff)->yEcran, base = (*staff)->decalageLigneBas;
  (*staff)->yEcran = e.rectDessin.top;
  (*staff)->decalageLigneBas = Sature16(Zoom(e.espaceB));
  Rect nom;
  const int16_t angle =
      CalculeAireNomPorteeModePage(staff, &systeme, Sature16(systeme.rectDessin.left - retrait), 0, &nom);
  (*staff)->yEcran = y;
  (*staff)->decalageLigneBas = base;
  PorteeSysteme& f = EntreesSysteme(ElementsPage(PagesPartition(score)[p])[i])[k];
  f.rectNom = nom;
  f.angleNom = angle;
}

}  // namespace

void InitAiresEcran(Document* doc, bool clipToWindow) {
  Partition** score = PartitionDocument(doc);
  if (!score) return;
  GrafPtr port = nullptr;
  GetPort(&port);
  CarboniseSetPortDocument(doc);
  const bool impression = IsModeImpressionPartition(score);
  const float R = float(GetResolutionModeEcran(score));
  const float zoom = float((*score)->zoom > 0 ? (*score)->zoom : 72);
  float a, s;
  if (impression) {
    a = s = R / 72.0f;
  } else {
    a = zoom * R * doc->facteurVuePage / 5184.0f;
    s = R * zoom / 5184.0f;
  }
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  DisableCalculTabElt(score);
  HParamAffichage affichage = GetParamAffichage(score);
  (*score)->echelleEcran = a * 72.0f / zoom;
  InitPortees(score);
  // Staves that no system shows keep a place under the window's top.
  const Rect& fenetre = doc->rectContenu;
  int32_t y = impression ? 0 : fenetre.top;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff || !(*staff)->affichee) continue;
    (*staff)->rect = Rect{Sature16(y), fenetre.left, Sature16(int64_t(y) + (*staff)->hauteurEcran), fenetre.right};
    if (!(*staff)->fusionneAvecSuivante) y += (*staff)->hauteurEcran;
  }
  const int32_t modeTable = std::clamp<int32_t>((*score)->modeEcran, 0, 3);
  Handle table = (*score)->tabEltMesure[modeTable];
  const int32_t trait = std::max<int32_t>(1, int32_t(GetDpiDest()) * GModeGraphique.slot[12] / 288);
  const int32_t nbPages = NbPagesPartition(score);
  for (int32_t p = 0; p < nbPages; p++) {
    Page& page = PagesPartition(score)[p];
    Rect papier = RectDeBig(page.placement[0]), imprimable = RectDeBig(page.placement[1]);
    Point origine{0, 0};
    if (impression) {
      // Each page is drawn on its own, from its top-left corner.
      OffsetRect(&imprimable, int16_t(-papier.left), int16_t(-papier.top));
      OffsetRect(&papier, int16_t(-papier.left), int16_t(-papier.top));
      papier = Place(papier, s, 0, 0);
      imprimable = Place(imprimable, s, 0, 0);
    } else {
      papier = Place(papier, s, fenetre.left, fenetre.top);
      imprimable = Place(imprimable, s, fenetre.left, fenetre.top);
      GetOffsetDebutPageSurEcran(doc, int16_t(p), &origine);
    }
    Rect commun;
    if (clipToWindow && !impression && !SectRect(&papier, &fenetre, &commun)) {
      page.montree = 0;
      continue;
    }
    page.montree = 1;
    page.rectsPlacement[0] = papier;
    page.rectsPlacement[1] = imprimable;
    page.rectsPlacement[2] = Place(RectDeBig(page.rectPage), a, origine.h, origine.v);
    const int32_t nbElements = NbElementsPage(page);
    for (int32_t i = 0; i < nbElements; i++) {
      Systeme& s0 = ElementsPage(PagesPartition(score)[p])[i];
      s0.rectDessin = Place(s0.rectMiseEnPage, a, origine.h, origine.v);
      if (s0.type != kSystemeMusique) continue;
      const int64_t droite =
          int64_t(s0.rectDessin.left) + XMesure(table, s0.finMesure) - XMesure(table, s0.premiereMesure) + trait;
      s0.rectDessin.right = Sature16(droite);
      const int32_t nbEntrees = NbEntreesSysteme(s0);
      for (int32_t k = 0; k < nbEntrees; k++) {
        PorteeSysteme& e = EntreesSysteme(s0)[k];
        const int32_t haut =
            int32_t(s0.rectDessin.top) + int32_t(float(int32_t(e.rectMiseEnPage.top) - s0.rectMiseEnPage.top) * a);
        e.rectDessin = Rect{Sature16(haut), s0.rectDessin.left, Sature16(int64_t(haut) + Zoom(e.hauteurLigne)),
                            s0.rectDessin.right};
        Portee** staff = e.indexPortee < (*score)->nbPortees ? (*score)->portees[e.indexPortee] : nullptr;
        if (!staff) continue;
        (*staff)->rect = e.rectDessin;
        (*staff)->debutLigne = k == 0 ? 1 : 0;
        NommePorteeSysteme(score, p, i, k, staff);
      }
    }
  }
  SetParamAffichage(score, affichage);
  EnableCalculTabElt(score);
  SetPort(port);
}

void InitAiresEcranModePage(Document* doc) {
  Partition** score = PartitionDocument(doc);
  if (!IsModePagePartition(score) && !IsModeImpressionPartition(score)) return;
  doc->facteurVuePage = GetZoomPrintDocument(doc);
  InitAiresEcran(doc, true);
}

void InitAiresEcranImpression(Document* doc) {
  if (!doc) return;
  doc->echelleCopie = doc->misesEnPage[0].echelle;
  InitAiresEcran(doc, false);
}

bool CvtTempsPorteeEnLocalisationPage(Document* doc, Portee** staff, int32_t tick, bool shownOnly, bool fallBack,
                                      LocalisationPage* location) {
  Partition** score = PartitionDocument(doc);
  const int32_t nbPages = NbPagesPartition(score);
  if (nbPages == 0) return false;
  const int32_t bar = CvtTempsEnMesure(score, tick);
  const int32_t index = staff ? (*staff)->index : -1;
  int32_t avantPage = -1, avantElement = -1;
  for (int32_t p = 0; p < nbPages; p++) {
    const Page& page = PagesPartition(score)[p];
    if (shownOnly && !page.montree) continue;
    const int32_t n = NbElementsPage(page);
    for (int32_t i = 0; i < n; i++) {
      const Systeme& s0 = ElementsPage(page)[i];
      const int32_t m = NbEntreesSysteme(s0);
      if (s0.type != kSystemeMusique || m == 0) continue;
      if (s0.finMesure <= bar) {
        avantPage = p;
        avantElement = i;
        continue;
      }
      if (s0.premiereMesure > bar) continue;
      int32_t k = 0;
      if (index >= 0)
        while (k < m && EntreesSysteme(s0)[k].indexPortee < index) k++;
      if (k == m) continue;
      RemplitLocalisation(location, p, i, k, s0);
      return true;
    }
  }
  if (!fallBack || avantPage < 0) return false;
  RemplitLocalisation(location, avantPage, avantElement, 0,
                      ElementsPage(PagesPartition(score)[avantPage])[avantElement]);
  return true;
}

bool CvtPtRubanEnLocalisationPage(Document* doc, BigPt point, LocalisationPage* location) {
  Partition** score = PartitionDocument(doc);
  if (!IsModePagePartition(score) && !IsModeImpressionPartition(score)) return false;
  const int32_t bar = CvtPixelRubanEnMesure(score, point.x);
  const int16_t index = CvtPtRubanEnIndexPortee(doc, nullptr, point, false);
  if (index < 0) return false;
  const int32_t nbPages = NbPagesPartition(score);
  for (int32_t p = 0; p < nbPages; p++) {
    const Page& page = PagesPartition(score)[p];
    if (!page.montree) continue;
    const int32_t n = NbElementsPage(page);
    for (int32_t i = 0; i < n; i++) {
      const Systeme& s0 = ElementsPage(page)[i];
      if (s0.type != kSystemeMusique || bar < s0.premiereMesure || bar >= s0.finMesure) continue;
      const int32_t m = NbEntreesSysteme(s0);
      for (int32_t k = 0; k < m; k++) {
        if (EntreesSysteme(s0)[k].indexPortee != index) continue;
        RemplitLocalisation(location, p, i, k, s0);
        return true;
      }
    }
  }
  return false;
}

bool CvtPointEcranEnLocalisationPageSelonType(Document* doc, Point point, int32_t kind, LocalisationPage* location,
                                              int16_t mode) {
  EffaceLocalisation(location);
  Partition** score = PartitionDocument(doc);
  const int32_t nbPages = NbPagesPartition(score);
  if (mode <= 1) {
    int32_t meilleure = -1;
    double distance = 0.0;
    for (int32_t p = 0; p < nbPages; p++) {
      const Page& page = PagesPartition(score)[p];
      if (!page.montree) continue;
      const Rect& r = page.rectsPlacement[0];
      const double dx = point.h < r.left ? r.left - point.h : (point.h > r.right ? point.h - r.right : 0);
      const double dy = point.v < r.top ? r.top - point.v : (point.v > r.bottom ? point.v - r.bottom : 0);
      const double d = dx * dx + dy * dy;
      if (meilleure < 0 || d < distance) {
        meilleure = p;
        distance = d;
      }
    }
    if (meilleure < 0) return false;
    if (location) location->page = int16_t(meilleure);
    return true;
  }
  for (int32_t p = 0; p < nbPages; p++) {
    const Page& page = PagesPartition(score)[p];
    if (!page.montree) continue;
    const int32_t n = NbElementsPage(page);
    for (int32_t i = 0; i < n; i++) {
      const Systeme& s0 = ElementsPage(page)[i];
      if ((kind >= 0 && s0.type != uint32_t(kind)) || !DansRect(s0.rectDessin, point)) continue;
      int32_t entree = -1;
      if (mode == 4) {
        const int32_t m = NbEntreesSysteme(s0);
        for (int32_t k = 0; k < m && entree < 0; k++)
          if (DansRect(EntreesSysteme(s0)[k].rectDessin, point)) entree = k;
        if (entree < 0) continue;
      }
      RemplitLocalisation(location, p, i, entree, s0);
      return true;
    }
  }
  return false;
}

void SetClipSysteme(Document* doc, const LocalisationPage* location) {
  Partition** score = PartitionDocument(doc);
  if (!location || location->page < 0 || location->page >= NbPagesPartition(score)) return;
  const Page& page = PagesPartition(score)[location->page];
  if (location->element < 0 || location->element >= NbElementsPage(page)) return;
  Rect aire, clip;
  CalculeAireSelonMode(doc, 2 | 4 | 8, &aire);
  SectRect(&aire, &ElementsPage(page)[location->element].rectDessin, &clip);
  ClipRect(&clip);
}

void SetModeEcran(Partition** score, int32_t mode) {
  if (score == nullptr) return;
  if (mode == kModeEcranPage) mode = kModeEcranRuban;
  const int32_t ancien = (*score)->modeEcran;
  Document* doc = (*score)->document;
  if (ancien != mode) {
    if (doc && ancien == kModeEcranRuban) {
      FixeVue(doc, doc->indexVueModeEcran);
    } else if (doc && mode == kModeEcranRuban) {
      doc->indexVueModeEcran = doc->indexVueCourante;
      FixeVue(doc, -1);
    }
    (*score)->modeEcran = mode;
    SetTabEltMesureModifie(score, kTabEltEspacement);
  }
  if (mode != kModeEcranRuban) {
    InjecteZoomPartition(score, 72.0f);
    if (doc) doc->facteurVuePage = GetZoomPrintDocument(doc);
    float echelle = float(GetResolutionModeEcran(score)) / 72.0f;
    if (!IsModeImpressionPartition(score) && doc) echelle *= doc->facteurVuePage;
    // A score without a print resolution yet keeps a usable scale.
    if (!(echelle > 0.0f)) echelle = 1.0f;
    SetEchelleEcran(score, echelle);
  } else {
    SetEchelleEcran(score, 1.0f);
    InjecteZoomPartition(score, float((*score)->zoomEcran > 0 ? (*score)->zoomEcran : 72));
  }
  InitPortees(score);
}

void GetPrInfoDocument(Document* document, PrInfo* out) {
  if (out == nullptr) return;
  *out = PrInfo{};
  if (GlobalHPrint == nullptr) ReadPrmPrint();
  if (GlobalHPrint != nullptr) *out = (*GlobalHPrint)->info;
  if (document == nullptr) return;
  if (document->taillePagePropre) {
    // A page size of more than 4095 points would not fit 16 bits at 576 dpi.
    out->resV = out->resH = 576;
    out->page = Rect{0, 0, int16_t(std::clamp(int32_t(document->hauteurPage) * 8, 0, 32767)),
                     int16_t(std::clamp(int32_t(document->largeurPage) * 8, 0, 32767))};
  }
  Rect& r = out->page;
  const bool large = (r.right - r.left) > (r.bottom - r.top);
  const bool haut = (r.bottom - r.top) > (r.right - r.left);
  if ((document->orientation == 1 && large) || (document->orientation != 1 && haut)) {
    std::swap(r.top, r.left);
    std::swap(r.bottom, r.right);
  }
}

void FixeMiseEnPageNonCalculee(Document* doc) {
  Partition** score = PartitionDocument(doc);
  if (score) SetTabEltMesureModifie(score, kTabEltMarges);
}

int16_t CalculeHauteursBarres(Document* doc) {
  // The chord grid, rhythm and accompaniment bars are the application's
  // editing bars: none in a preview.
  return CalculeHauteurRegle(doc);
}

void CalculeAireSelonMode(Document* doc, int16_t flags, Rect* out) {
  if (!out) return;
  Partition** score = PartitionDocument(doc);
  if (!doc || IsModeImpressionPartition(score)) {
    *out = Rect{0, 0, 32767, 32767};
    return;
  }
  *out = doc->rectContenu;
  if (IsModePagePartition(score)) return;
  int32_t gauche = out->left;
  if (!(flags & 8) && score) gauche += (*score)->margeGaucheEcran;
  if (!(flags & 2)) gauche += Gouttiere();
  out->left = Sature16(gauche);
  if (!(flags & 4)) out->top = Sature16(int32_t(out->top) + CalculeHauteursBarres(doc));
}

void InitAiresEcranModeRuban(Document* doc) {
  Partition** score = PartitionDocument(doc);
  if (!score || !(*score)->portees) return;
  // Without a window (a preview's hidden one has no content area) the staves
  // stay where their caller put them.
  const Rect& fenetre = doc->rectContenu;
  if (fenetre.right <= fenetre.left || fenetre.bottom <= fenetre.top) return;
  const int16_t dpi = GetDpiDest();
  SetDpiPartition(score);
  const int16_t gauche = Sature16(int32_t(fenetre.left) + Gouttiere());
  // The scroll bars are the application's: a preview's view is never scrolled.
  int32_t y = int32_t(fenetre.top) + (doc->regle ? CalculeHauteurRegle(doc) : 0);
  Portee** meneur = nullptr;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff) continue;
    Portee* p = *staff;
    if (!p->affichee) {
      p->rect = Rect{Sature16(y), gauche, Sature16(y), fenetre.right};
      continue;
    }
    if (meneur) {
      p->rect = (*meneur)->rect;
      p->yHaut = p->yEcran = p->rect.top;
      p->yBas = p->rect.bottom;
      if (!p->fusionneAvecSuivante) {
        y += (*meneur)->hauteurEcran;
        meneur = nullptr;
      }
      continue;
    }
    p->rect = Rect{Sature16(y), gauche, Sature16(int64_t(y) + p->hauteurEcran), fenetre.right};
    p->yHaut = p->yEcran = p->rect.top;
    p->yBas = p->rect.bottom;
    if (p->fusionneAvecSuivante) meneur = staff;
    else y += p->hauteurEcran;
  }
  SetDpiDest(dpi);
}

void TraceLimitePage(Document* doc, Portee** staff, int32_t bar, int32_t x) {
  Partition** score = PartitionDocument(doc);
  if (!pref.afficheLimitesPage || !score || !staff) return;
  Handle table = (*score)->tabEltMesure[0];
  const int32_t n = GetNbLignesTabElt(table);
  if (bar < 0 || bar >= n) return;
  const TabEltMesure& row = GetLignesTabElt(table)[bar];
  if (!row.debutSysteme) return;
  SetForeColor(pref.couleurLimitesPage);
  PenSizeZoom(row.debutPage ? 4 : 1, 1, 72);
  const int16_t haut = (*staff)->rect.top;
  MoveTo(Sature16(x), haut);
  LineTo(Sature16(x), Sature16(int64_t(haut) + (*staff)->hauteurEcran));
  SetForeColor(1);
  PenNormal();
}

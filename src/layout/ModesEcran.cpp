#include "layout/ModesEcran.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "layout/HauteursPortees.h"
#include "layout/ImpressionPartition.h"
#include "layout/Imprimante.h"
#include "layout/Regle.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/TabEltMesure.h"
#include "model/Vues.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Couleurs.h"
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

// SEAM(layout): pagination and the page areas come with the page layout;
// until then nothing is paginated and pages get no screen areas.
void RecalculeMiseEnPage(Document*) {}
void InitAiresEcranModePage(Document*) {}
void InitAiresEcranImpression(Document*) {}

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

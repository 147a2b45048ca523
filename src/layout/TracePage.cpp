#include "layout/TracePage.h"

#include <algorithm>
#include <vector>

#include "layout/DonneesMiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/PiedsEntetes.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Titres.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/PartGroups.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "notation/AffichePortee.h"
#include "notation/TraceLiaisons.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/Trace.h"

namespace {

int32_t NbPages(Partition** score) {
  return (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page& PageN(Partition** score, int32_t i) { return reinterpret_cast<Page*>(*(*score)->pages)[i]; }

// The staff entries of a music system: each staff drawn in the entry's frame
// over the system's bars, its own placement put back afterwards.
void TracePorteesSysteme(Partition** score, const Systeme& element, Point offset) {
  const int32_t debut = CvtMesureEnTemps(score, element.premiereMesure);
  const int32_t fin = CvtMesureEnTemps(score, element.finMesure);
  // Every staff keeps its page place until the system is done: links waiting
  // for the post-pass join notes of several staves.
  struct Place {
    Portee** staff;
    Rect rect;
    int16_t yHaut, yBas, yEcran, decalage, barreHaut, barreBas;
  };
  std::vector<Place> places;
  // Entries are read by index: drawing may move the system's memory.
  for (int32_t k = 0;; k++) {
    const int32_t n = element.portees ? GetHandleSize(element.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
    if (k >= n) break;
    const PorteeSysteme entree = reinterpret_cast<const PorteeSysteme*>(*element.portees)[k];
    if (entree.indexPortee >= (*score)->nbPortees || !(*score)->portees) continue;
    Portee** staff = (*score)->portees[entree.indexPortee];
    if (!staff || !*staff) continue;
    Portee& p = **staff;
    places.push_back(Place{staff, p.rect, p.yHaut, p.yBas, p.yEcran, p.decalageLigneBas, p.yBarreHaut, p.yBarreBas});
    Rect r = entree.rectDessin;
    OffsetRect(&r, offset.h, offset.v);
    p.rect = r;
    p.yHaut = p.yEcran = r.top;
    p.yBas = r.bottom;
    p.decalageLigneBas = int16_t(std::min<int32_t>(Zoom(entree.espaceB), INT16_MAX));
    p.yBarreHaut = CalculePosLigneEcranBarreMesure(staff, 1);
    (*staff)->yBarreBas = CalculePosLigneEcranBarreMesure(staff, 2);
    // Notes far above or below the staff (ledger lines) stay in view.
    const Rect zone{-16384, r.left, 16384, r.right};
    if (entree.ligneVide) {
      // SEAM(layout): an empty line shows only the staff's texts, drawn with
      // the text pages.
    } else if ((*staff)->modeFusion == kFusionMaitre) {
      AffichePorteeSansNotes(staff, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0, 0);
    } else {
      AffichePorteeBrut(staff, &zone, debut, fin, uint16_t(element.premiereMesure), 1, 1, 0, 0, 0);
    }
    // SEAM(notation): merged staves' notes, multi-bar rests and repeats, and
    // courtesy signs after the system are drawn with their own work.
  }
  TraceLiaisonPostTraitement(score);
  for (auto it = places.rbegin(); it != places.rend(); ++it) {
    if (!it->staff || !*it->staff) continue;
    Portee& q = **it->staff;
    q.rect = it->rect;
    q.yHaut = it->yHaut;
    q.yBas = it->yBas;
    q.yEcran = it->yEcran;
    q.decalageLigneBas = it->decalage;
    q.yBarreHaut = it->barreHaut;
    q.yBarreBas = it->barreBas;
  }
}

// One element of a page, drawn in its frame moved by the page's offset.
void TraceElement(Document* doc, int32_t pageIndex, const Systeme& element, Point offset, int16_t pageNumber,
                  int16_t pageCount) {
  Partition** score = doc->partitionCourante;
  Rect r = element.rectDessin;
  OffsetRect(&r, offset.h, offset.v);
  switch (element.type) {
    case kSystemeMusique: TracePorteesSysteme(score, element, offset); break;
    case kSystemeTitre:
    case kSystemeCompositeur:
    case kSystemeRemarques: TraceChaineTitre(true, &r, r.top, &doc->titres[element.type - kSystemeTitre], &r); break;
    case kSystemePageParoles:
      // SEAM(layout): lyric text pages are drawn with the printing of lyric
      // texts; until then they are blank.
      break;
    case kSystemeEnTete:
    case kSystemeBasDePage: {
      const MiseEnPage* setup = PageN(score, pageIndex).miseEnPage;
      if (!setup) break;
      const BlocEnteteMiseEnPage& bloc = element.type == kSystemeEnTete ? setup->enTete : setup->basDePage;
      const int16_t base = doc->misesEnPage[0].premierePageMusique;
      DoTraceElementPiedDePageEtEntete(doc, &bloc, base, pageNumber, pageCount, pageNumber, pageCount, &r);
      break;
    }
    case kSystemeObjetLibre:
      // SEAM(layout): free objects are drawn on their pages once their
      // drawing lands; until then they are placed but blank.
      break;
    default: break;
  }
}

// The layout check: every element's frame in blue, its staff entries' in red.
void TraceCadres(const Systeme& element, Point offset) {
  PenNormal();
  ForeColor(blueColor);
  Rect r = element.rectDessin;
  OffsetRect(&r, offset.h, offset.v);
  FrameRect(&r);
  const int32_t n = element.portees ? GetHandleSize(element.portees) / int32_t(sizeof(PorteeSysteme)) : 0;
  ForeColor(redColor);
  for (int32_t k = 0; k < n; k++) {
    Rect e = reinterpret_cast<const PorteeSysteme*>(*element.portees)[k].rectDessin;
    OffsetRect(&e, offset.h, offset.v);
    FrameRect(&e);
  }
  ForeColor(blackColor);
}

}  // namespace

int16_t TracePageDocument(Document* document, int16_t page, float, int16_t pageNumber, int16_t pageCount) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges | kTabEltTemps);
  const int32_t n = NbPages(score);
  const int16_t suite = page < n ? int16_t(page + 1) : int16_t(-n);
  if (page < 1 || page > n) return int16_t(-n);

  const uint8_t dessinPage = (*score)->dessinPageEnCours;
  (*score)->dessinPageEnCours = 1;
  if (IsModeImpressionPartition(score))
    for (int32_t i = 0; i < n; i++) PageN(score, i).imprimeeMaintenant = i == page - 1 ? 1 : 0;
  document->echelleCopie = document->misesEnPage[0].echelle;
  // Nothing is recomputed while a page is drawn.
  const uint16_t masque = (*score)->masqueModifieTabElt;
  (*score)->masqueModifieTabElt = 0;
  Point offset{0, 0};
  GetOffsetDebutPageSurEcran(document, int16_t(page - 1), &offset);

  // Elements are read by index: drawing may move the page's memory.
  for (int32_t i = 0;; i++) {
    const Page& p = PageN(score, page - 1);
    const int32_t nb = p.systemes ? GetHandleSize(p.systemes) / int32_t(sizeof(Systeme)) : 0;
    if (i >= nb) break;
    const Systeme element = reinterpret_cast<const Systeme*>(*p.systemes)[i];
    TraceElement(document, page - 1, element, offset, pageNumber, pageCount);
  }
  if (CadresPageEnabled()) {
    const Page& p = PageN(score, page - 1);
    const int32_t nb = p.systemes ? GetHandleSize(p.systemes) / int32_t(sizeof(Systeme)) : 0;
    for (int32_t i = 0; i < nb; i++) TraceCadres(reinterpret_cast<const Systeme*>(*p.systemes)[i], offset);
  }

  (*score)->masqueModifieTabElt = masque;
  (*score)->dessinPageEnCours = dessinPage;
  PenNormal();
  return suite;
}

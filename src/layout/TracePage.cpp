#include "layout/TracePage.h"

#include "layout/DonneesMiseEnPage.h"
#include "layout/ModesEcran.h"
#include "layout/PiedsEntetes.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Titres.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/TabEltMesure.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "platform/Trace.h"

namespace {

int32_t NbPages(Partition** score) {
  return (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

Page& PageN(Partition** score, int32_t i) { return reinterpret_cast<Page*>(*(*score)->pages)[i]; }

// One element of a page, drawn in its frame moved by the page's offset.
void TraceElement(Document* doc, int32_t pageIndex, const Systeme& element, Point offset, int16_t pageNumber,
                  int16_t pageCount) {
  Partition** score = doc->partitionCourante;
  Rect r = element.rectDessin;
  OffsetRect(&r, offset.h, offset.v);
  switch (element.type) {
    case kSystemeMusique:
      // SEAM(notation): the staves of a system are drawn by the staff driver
      // once it lands; until then a system draws nothing.
      break;
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

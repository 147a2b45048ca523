#include "layout/ObjetsLibresPages.h"

#include <algorithm>

#include "layout/DonneesMiseEnPage.h"
#include "layout/MiseEnPage.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/Vues.h"
#include "platform/Memory.h"

namespace {

int32_t NbPages(Partition** score) {
  return (*score)->pages ? GetHandleSize((*score)->pages) / int32_t(sizeof(Page)) : 0;
}

const ObjetLibre& Objet(Partition** score, int16_t i) {
  return reinterpret_cast<const ObjetLibre*>(*(*score)->objetsLibres)[i];
}

// The object's anchor kind, page value and in-front byte.
uint32_t Ancrage(const ObjetLibre& o) { return o.valeur2; }
int32_t ValeurPage(const ObjetLibre& o) { return std::max<int32_t>(o.page, 0); }
bool DevantMusique(const ObjetLibre& o) { return o.flags[0] != 0; }

// Places one object on every page its anchor names.
void Place(Document* document, MiseEnPage* setup, const PrInfo* info, int16_t index, int32_t pagesMusique,
           int16_t devant) {
  Partition** score = document->partitionCourante;
  const ObjetLibre o = Objet(score, index);
  const int32_t n = NbPages(score), v = ValeurPage(o);
  auto sur = [&](int32_t page) {
    if (page >= 0 && page < n) AjouteObjetLibreSysteme(document, setup, info, index, int16_t(page), devant);
  };
  switch (Ancrage(o)) {
    case kPageObjetValeur: sur(v); return;
    case kPageObjetAvantDerniere: sur(std::max(n - 1 - v, 0)); return;
    // Counted from the music's last page: 0 is that page itself.
    case kPageObjetApresMusique: sur(std::max(pagesMusique - 1 + v, 0)); return;
    default: break;
  }
  for (int32_t p = 0; p < n; p++) {
    bool oui;
    switch (Ancrage(o)) {
      case kPageObjetToutes: oui = true; break;
      case kPageObjetImpaires: oui = (p & 1) != 0; break;
      case kPageObjetPaires: oui = (p & 1) == 0; break;
      case kPageObjetDepuis: oui = p >= v; break;
      case kPageObjetJusqua: oui = p <= v; break;
      default: oui = false; break;
    }
    if (oui) sur(p);
  }
}

}  // namespace

int16_t AjouteSystemesObjetsLibresDocument(Document* document, MiseEnPage* setup, const PrInfo* printInfo,
                                           Rect* pageRect) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return 0;
  const int16_t nb = NbObjetsLibres(score);
  if (nb == 0 || !printInfo || !pageRect) return int16_t(NbPages(score));
  const int32_t pagesMusique = NbPages(score);
  for (int16_t i = 0; i < nb; i++) {
    const ObjetLibre& o = Objet(score, i);
    if (!IsObjetLibreDansVueCourante(document, o.idVue)) continue;
    int32_t voulues = 0;
    if (Ancrage(o) == kPageObjetApresMusique) voulues = ValeurPage(o) + pagesMusique;
    else if (Ancrage(o) == kPageObjetValeur) voulues = ValeurPage(o) + 1;
    voulues = std::min<int32_t>(voulues, kMaxPagesObjetsLibres);
    while (NbPages(score) < voulues)
      if (AjoutePage(score, setup, printInfo, pageRect) < 0) break;
  }
  for (int16_t i = 0; i < nb; i++)
    if (IsObjetLibreDansVueCourante(document, Objet(score, i).idVue) && DevantMusique(Objet(score, i)))
      Place(document, setup, printInfo, i, pagesMusique, 1);
  for (int16_t i = int16_t(nb - 1); i >= 0; i--)
    if (IsObjetLibreDansVueCourante(document, Objet(score, i).idVue) && !DevantMusique(Objet(score, i)))
      Place(document, setup, printInfo, i, pagesMusique, 0);
  return int16_t(NbPages(score));
}

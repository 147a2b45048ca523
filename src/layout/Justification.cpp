#include "layout/Justification.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "layout/DonneesMiseEnPage.h"
#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/ObjetsLibres.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/PreservePositions.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/ServicesNotation.h"
#include "platform/Memory.h"
#include "plugin/ServicesInertes.h"
#include "stafftypes/PorteeKaraoke.h"

void CalculeEchelleMesureJustifie(Partition** score, int16_t first, int16_t end, int32_t width) {
  if (!score) return;
  Handle table = (*score)->tabEltMesure[3];
  const int32_t n = GetNbLignesTabElt(table);
  if (first < 0) first = 0;
  if (end > n) end = int16_t(n);
  if (first >= end) return;
  TabEltMesure* rows = GetLignesTabElt(table);
  int64_t fixe = 0, etirable = 0;
  for (int32_t b = first; b < end; b++) {
    fixe += rows[b].largeurEntete;
    etirable += int64_t(rows[b].largeurMusique) + rows[b].largeurMargeDroite;
  }
  float ratio = etirable == 0 ? 1.0f : float(int64_t(width) - fixe) / float(etirable);
  if (!(ratio > 0.0f)) ratio = 0.1f;
  Handle ruban = (*score)->tabEltMesure[0];
  const int32_t nRuban = GetNbMesuresTabEltRuban(score);
  for (int32_t b = first; b < end; b++) {
    const uint16_t stockee = (ruban && b < nRuban) ? GetLignesTabElt(ruban)[b].echelle : rows[b].echelle;
    // A squeezed bar keeps a width: a scale of 0 would give it none.
    const float v = std::floor(float(stockee) * ratio);
    rows[b].echelle = v >= 65535.0f ? uint16_t(65535) : (v < 1.0f ? uint16_t(1) : uint16_t(v));
    rows[b].etirement = CalculeEchelleEcranMesure(score, &rows[b]);
  }
}

namespace {

// Pages of the current layout, laid out again at the setup's scale.
int16_t ComptePages(Document* document, MiseEnPage* setup, float scale) {
  Partition** score = document->partitionCourante;
  DisposeMiseEnPagePartition(score);
  // The ribbon's spacing does not depend on the setup's scale: only the
  // pagination is owed.
  SetTabEltMesureModifie(score, kTabEltMarges);
  setup->echelle = scale;
  return CombienDePages(score);
}

}  // namespace

int16_t FindBestEchelle(Document* document, int16_t adjustHeights, MiseEnPage* setup, int16_t target,
                        int16_t clearPageBreaks) {
  if (!document || !document->partitionCourante || !setup) return kAucunNombrePages;
  Partition** score = document->partitionCourante;
  if (clearPageBreaks) {
    Handle ruban = (*score)->tabEltMesure[0];
    const int32_t n = GetNbMesuresTabEltRuban(score);
    int32_t debut = setup->premiereMesure - 1, fin = setup->derniereMesure;
    if (debut < 0) debut = 0;
    if (fin > n) fin = n;
    for (int32_t b = debut; b < fin; b++) GetLignesTabElt(ruban)[b].sautPage = 0;
  }
  if (adjustHeights) {
    // SEAM(layout): staff heights are fitted to their content once the
    // piano-roll extents of notes and dynamics can be asked; until then the
    // staves keep their heights.
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
    UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  }
  float lo = 0.3f, hi = 1.0f;
  int16_t plusProche = kAucunNombrePages;
  float echelleProche = -1.0f, echelleExacte = -1.0f;
  do {
    const float milieu = (lo + hi) / 2.0f;
    const int16_t n = ComptePages(document, setup, milieu);
    if (std::abs(n - target) < std::abs(plusProche - target)) {
      echelleProche = milieu;
      plusProche = n;
    }
    if (n < target) {
      lo = milieu;
    } else if (n == target) {
      if (milieu > echelleExacte) {
        echelleExacte = milieu;
        lo = milieu;
      } else {
        hi -= 0.0001f;
      }
    } else {
      hi = milieu;
    }
  } while (std::fabs(hi - lo) > 0.0002f && !BreakUtilisateurQuarvel());
  const float garde =
      echelleExacte >= 0.0f ? echelleExacte : (echelleProche >= 0.0f ? echelleProche : (lo + hi) / 2.0f);
  // The layout is owed at the scale kept, not at the last one tried.
  setup->echelle = garde;
  SetTabEltMesureModifie(score, kTabEltMarges);
  return plusProche;
}

int16_t RecalculeEchellePourNombreDePage(Document* document, int16_t adjustHeights, MiseEnPage* setup, int16_t target) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return kAucunNombrePages;
  // Objects anchored to a page would add pages of their own while the music
  // is fitted: they lose their page for the search and get it back after.
  const int16_t nbObjets = NbObjetsLibres(score);
  std::vector<int16_t> pages(size_t(std::max<int16_t>(nbObjets, 0)));
  for (int16_t i = 0; i < nbObjets; i++) {
    ObjetLibre& o = reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i];
    pages[size_t(i)] = o.page;
    o.page = 0;
  }
  int16_t n = FindBestEchelle(document, adjustHeights, setup, target, 0);
  if (n != target && n < kAucunNombrePages) {
    n = FindBestEchelle(document, adjustHeights, setup, target, 1);
    if (n != target && n < kAucunNombrePages) n = FindBestEchelle(document, adjustHeights, setup, n, 1);
  }
  for (int16_t i = 0; i < nbObjets && i < NbObjetsLibres(score); i++)
    reinterpret_cast<ObjetLibre*>(*(*score)->objetsLibres)[i].page = pages[size_t(i)];
  return n;
}

void FormattageAutomatiqueTailleMesure(Partition** score, int16_t baseWidth, int16_t maxWidth) {
  if (!score) return;
  PreservePositionsPartition(score);
  const int16_t dpi = GetDpiDest();
  SetDpiDest(72);
  SetTabEltMesureModifie(score, kTabEltTemps);
  UpdateTabEltMesure(score, kTabEltTemps);
  const int32_t n = GetNbMesuresTabEltRuban(score);
  int32_t* largeurs = n > 0 ? static_cast<int32_t*>(std::malloc(size_t(n) * sizeof(int32_t))) : nullptr;
  if (largeurs) {
    for (int32_t b = 0; b < n; b++) largeurs[b] = baseWidth;
    for (int16_t s = 0; s < (*score)->nbPortees; s++) {
      Portee** staff = (*score)->portees[s];
      if (!staff || !(*staff)->notes) continue;
      const uint32_t type = (*staff)->type;
      if (type == kTypePorteeBatterie || type == kTypePorteeParole || type == kTypePorteeTempo ||
          type == kTypePorteePisteNumerique)
        continue;
      const int32_t nbNotes =
          std::min<int32_t>((*staff)->nbNotes, GetHandleSize((*staff)->notes) / int32_t(sizeof(Signe)));
      const int32_t tete = 2 * int32_t((*staff)->largeurTete);
      int64_t t = 0;
      int32_t mesure = 0;
      for (int32_t i = 0; i < nbNotes; i++) {
        const Signe& note = reinterpret_cast<const Signe*>(*(*staff)->notes)[i];
        if (note.kind != kSigneSilenceFantome) {
          int32_t px = CvtDureeEnPixelEcran(score, note.duree - 1);
          if (note.indexParamEffet >= 0) px += 16;
          if (note.alteration != kAlterationAucune) px -= tete;  // the byte whole: 2 is no accidental
          if (px < 1) px = 1;
          if (px < 32) {
            const TabEltMesure* rows = GetLignesTabElt((*score)->tabEltMesure[0]);
            while (mesure + 1 < n && int64_t(rows[mesure + 1].debutTemps) <= t) mesure++;
            const int32_t besoin = std::min<int32_t>(16000 / px, maxWidth);
            if (besoin > largeurs[mesure]) largeurs[mesure] = besoin;
          }
        }
        if (!(note.flags & kSigneAccordSuite)) t += note.duree;
      }
    }
    for (int32_t b = 0; b < n; b++)
      SetEchelleMesureOrig(score, int16_t(b), uint16_t(std::clamp(largeurs[b], 0, 65535)));
    std::free(largeurs);
  }
  SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  SetDpiDest(dpi);
  RestaurePositionsPartition(score);
  // Lyrics lines asking for their ideal scale widen the bars to their syllables.
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    const LigneTexte* ligne = GetLigneTextePortee(staff, kLigneTexteParoles);
    if (ligne && ligne->echelleIdeale) CalculeEchelleIdealePorteeKaraoke(0, staff, kLigneTexteParoles);
  }
}

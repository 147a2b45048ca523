#include "notation/DiagrammesPortee.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/DiagrammesAccord.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Ruban.h"
#include "notation/DiagrammesGraf.h"
#include "notation/NomsAccords.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Necks.h"
#include "system/BigRect.h"
#include "system/Couleurs.h"
#include "system/Handles.h"
#include "system/Strings.h"

namespace {

PlacementDiagramme* Placements(Portee** staff, int32_t* n) {
  Handle h = (*staff)->diagrammes;
  const int32_t capacite = h ? int32_t(GetHandleSize(h) / Size(sizeof(PlacementDiagramme))) : 0;
  // The count never reaches past the handle, whatever wrote it.
  *n = std::clamp<int32_t>((*staff)->nbDiagrammes, 0, capacite);
  return h ? reinterpret_cast<PlacementDiagramme*>(*h) : nullptr;
}

// A placement stores its own fretboard from a base fret of 1 up; documents
// older than that leave it empty and take their diagram's.
bool BlocPropre(const PlacementDiagramme& p) { return p.caseBase != 0; }

void SupprimePlacement(Portee** staff, int32_t index) {
  int32_t n;
  PlacementDiagramme* l = Placements(staff, &n);
  if (index < 0 || index >= n) return;
  std::memmove(l + index, l + index + 1, size_t(n - index - 1) * sizeof *l);
  RetailleHandle((*staff)->diagrammes, Size(n - 1) * Size(sizeof(PlacementDiagramme)));
  (*staff)->nbDiagrammes = int16_t(n - 1);
}

// The time of a position: ticks, or piano-roll pixels x 32.
int32_t Temps(Partition** score, int32_t position, bool pixels) {
  return pixels ? CvtPixelRubanEnTemps(score, ZoomRuban(score, position) / 32) : position;
}

}  // namespace

void DisposeDiagrammes(Portee** staff) {
  if (!staff) return;
  if ((*staff)->diagrammes) DisposeHandle((*staff)->diagrammes);
  (*staff)->diagrammes = nullptr;
  (*staff)->nbDiagrammes = 0;
}

int32_t NewDiagramme(Portee** staff) {
  if (!staff) return -1;
  const int32_t n = (*staff)->nbDiagrammes < 0 ? 0 : (*staff)->nbDiagrammes;
  if (n >= INT16_MAX) return -1;
  if (!(*staff)->diagrammes) (*staff)->diagrammes = NewHandle(0);
  if (!(*staff)->diagrammes || !RetailleHandle((*staff)->diagrammes, Size(n + 1) * Size(sizeof(PlacementDiagramme))))
    return -1;
  std::memset(reinterpret_cast<PlacementDiagramme*>(*(*staff)->diagrammes) + n, 0, sizeof(PlacementDiagramme));
  (*staff)->nbDiagrammes = int16_t(n + 1);
  return n;
}

void DisposeDiagrammesAccordsCustomsPortee(Portee** staff) {
  if (!staff) return;
  if ((*staff)->diagrammesCustoms) DisposeHandle((*staff)->diagrammesCustoms);
  (*staff)->diagrammesCustoms = nullptr;
}

int CompareDiagrammes(const PlacementDiagramme* a, const PlacementDiagramme* b) {
  if (a->debut != b->debut) return a->debut < b->debut ? -1 : 1;
  if (a->haut < b->haut) return -1;
  if (a->bas > b->bas) return 1;
  return 0;
}

void PrepareDiagrammesPortee(Portee** staff) {
  if (!staff || !*staff) return;
  int32_t n;
  PlacementDiagramme* l = Placements(staff, &n);
  // An insertion sort: stable, in place, and within its range with an order
  // that is not strict for every pair at equal starts.
  for (int32_t i = 1; i < n; i++) {
    const PlacementDiagramme p = l[i];
    int32_t j = i;
    for (; j > 0 && CompareDiagrammes(&p, &l[j - 1]) < 0; j--) l[j] = l[j - 1];
    l[j] = p;
  }
}

int16_t CalculeDiagrammesAccordsPortee(Portee** staff) {
  if (!staff || !*staff) return 0;
  Partition** score = (*staff)->partition;
  Handle bibliotheque = score ? (*score)->diagrammesCustoms : nullptr;
  int16_t change = 0;
  int32_t n;
  Placements(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    PlacementDiagramme p = Placements(staff, &n)[i];
    int32_t index = RechercheDiagrammeAccordParIdUnique(bibliotheque, p.idUnique);
    if (index < 0) {
      int16_t distance = 0;
      index = CvtDefAccordEnIndexDiagrammePortee(staff, &p.accord, &distance, false);
      DiagrammeAccord d;
      if (index >= 0 && CvtIndexEnDiagrammeEditPortee(staff, index, &d)) {
        // An own fretboard already shows the chord's frets: it is not moved.
        if (!BlocPropre(p)) p.decalage = uint16_t(distance);
        p.idUnique = d.idUnique;
      }
    }
    if (index > INT16_MAX) index = -1;
    if (index != p.indexDiagramme) change = 1;
    p.indexDiagramme = int16_t(index);
    Placements(staff, &n)[i] = p;
  }
  return change;
}

void AfficheDiagrammeAccordPortee(Portee** staff, int32_t index, int16_t shift, const Rect* rect, bool showName,
                                  int16_t gridColour, int16_t dotColour, int16_t nameColour, int16_t minTextSize) {
  DiagrammeAccord d;
  const bool trouve = CvtIndexEnDiagrammeEditPortee(staff, index, &d);
  AfficheDiagrammeAccordBrut(trouve ? &d : nullptr, nullptr, shift, rect, showName, gridColour, dotColour, nameColour,
                             minTextSize);
}

void AfficheDiagrammesPortee(Portee** staff, const Rect* clip, int32_t xOffset, int32_t firstTime, int32_t lastTime) {
  if (!staff || !*staff || !(*staff)->diagrammes) return;
  Partition** score = (*staff)->partition;
  Document* document = score ? (*score)->document : nullptr;
  SetForeColor(1);
  int32_t n;
  Placements(staff, &n);
  for (int32_t i = 0; i < n; i++) {
    // Copied: drawing may move the list's memory.
    const PlacementDiagramme p = Placements(staff, &n)[i];
    const bool pixels = p.modePosition != 0;
    const int32_t t1 = Temps(score, p.debut, pixels);
    const int32_t t2 = Temps(score, p.fin, pixels);
    const bool premierDehors = t1 < firstTime || t1 > lastTime;
    const bool secondDehors = t2 < firstTime || (t2 > lastTime && t1 > firstTime);
    if (premierDehors && secondDehors) continue;
    const AireObjet aire{p.debut, p.fin, p.haut, p.bas};
    Rect r;
    if (xOffset < 0) {
      BigRect ruban;
      CalculeAireObjetRuban(staff, &aire, pixels, 0, 0, &ruban);
      CvtAireRubanEnAireEcran(document, &ruban, &r);
    } else {
      CvtAireObjetEnAireEcran(document, staff, xOffset, &aire, 0, 0, pixels, &r);
    }
    Rect dedans;
    if ((clip && !SectRect(&r, clip, &dedans)) || p.cache != 0) continue;
    const int16_t grille = p.couleurGrille ? int16_t(p.couleurGrille) : int16_t((*staff)->reglagesLignes[2]);
    const int16_t points = p.couleurPoints ? int16_t(p.couleurPoints) : grille;
    const int16_t nom = p.couleurNom ? int16_t(p.couleurNom) : points;
    if (p.accord.neck == kNeckPiano) {
      AfficheDiagrammeDefAccordPiano(&p.accord, &r, p.afficheNom != 0, false, grille, points, nom);
      continue;
    }
    const int16_t decalage = int16_t(p.decalage);
    if (BlocPropre(p)) {
      // The placement's own chord and fretboard.
      DiagrammeAccord d{};
      d.accord = p.accord;
      const BlocDiagramme bloc = BlocPlacementDiagramme(p);
      AfficheDiagrammeAccordBrut(&d, &bloc, decalage, &r, p.afficheNom != 0, grille, points, nom, 2);
    } else {
      AfficheDiagrammeAccordPortee(staff, p.indexDiagramme, decalage, &r, p.afficheNom != 0, grille, points, nom, 2);
    }
  }
}

void DeleteMesuresDiagrammesPortee(Portee** staff, int16_t firstBar, int16_t count) {
  if (!staff || !*staff || count <= 0) return;
  Partition** score = (*staff)->partition;
  const int32_t t1 = CvtMesureEnTemps(score, firstBar);
  const int32_t t2 = CvtMesureEnTemps(score, firstBar + count);
  // Piano-roll positions are compared with bar numbers x 10000.
  const int64_t b1 = int64_t(firstBar) * 10000, b2 = int64_t(firstBar + count) * 10000, db = int64_t(count) * 10000;
  int32_t n;
  Placements(staff, &n);
  int32_t i = 0;
  while (i < n) {
    PlacementDiagramme& p = Placements(staff, &n)[i];
    bool supprime = false;
    if (p.modePosition != 0) {
      if (p.debut >= b2) {
        p.debut = Sature32(p.debut - db);
        p.fin = Sature32(p.fin - db);
      } else if (p.debut >= b1) {
        supprime = true;
      }
    } else if (p.debut >= t2) {
      p.debut = Sature32(int64_t(p.debut) - (t2 - t1));
      p.fin = Sature32(int64_t(p.fin) - (t2 - t1));
    } else if (p.debut >= t1) {
      supprime = true;
    }
    if (supprime) {
      // The next placement moves into this slot: it is examined next.
      SupprimePlacement(staff, i);
      Placements(staff, &n);
    } else {
      i++;
    }
  }
}

void PreservePositionDiagrammes(Partition** score, int16_t mode) {
  if (!score) return;
  if (++(*score)->niveauPreserveDiagrammes != 1) return;
  for (int16_t s = 0; s < (*score)->nbPortees; s++) {
    Portee** staff = (*score)->portees[s];
    if (!staff || !*staff) continue;
    int32_t n;
    Placements(staff, &n);
    for (int32_t i = 0; i < n; i++) {
      const PlacementDiagramme p = Placements(staff, &n)[i];
      int32_t decalage = 0;
      const int32_t ancre = AireAbsolueToRelative(score, staff, p.modePosition != 0, p.debut, mode != 0, &decalage);
      PlacementDiagramme& q = Placements(staff, &n)[i];
      q.ancrePreserve = ancre;
      q.decalagePreserve = decalage;
    }
  }
}

void RestaurePositionDiagrammes(Partition** score, int16_t mode) {
  if (!score) return;
  // A restore without its preserve leaves the counter at 0, so that the next
  // pair still converts.
  if ((*score)->niveauPreserveDiagrammes <= 0) {
    (*score)->niveauPreserveDiagrammes = 0;
    return;
  }
  if ((*score)->niveauPreserveDiagrammes == 1) {
    for (int16_t s = 0; s < (*score)->nbPortees; s++) {
      Portee** staff = (*score)->portees[s];
      if (!staff || !*staff) continue;
      int32_t n;
      Placements(staff, &n);
      for (int32_t i = 0; i < n; i++) {
        const PlacementDiagramme p = Placements(staff, &n)[i];
        int32_t debut = p.debut;
        AireRelativeToAbsolue(score, staff, p.modePosition != 0, mode != 0, p.ancrePreserve, p.decalagePreserve,
                              &debut);
        // The end keeps its distance from the start.
        PlacementDiagramme& q = Placements(staff, &n)[i];
        q.fin = Sature32(int64_t(q.fin) - q.debut + debut);
        q.debut = debut;
      }
    }
  }
  (*score)->niveauPreserveDiagrammes--;
}

#include "notation/NotesPortee.h"

#include <algorithm>
#include <cmath>

#include "layout/DonneesModeGraphique.h"
#include "layout/ServicesMiseEnPage.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/Nuplets.h"
#include "notation/Queues.h"
#include "notation/SCleGraf.h"
#include "notation/SilencesFantomes.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"
#include "stafftypes/DonneesTablature.h"
#include "text/Fontes.h"

namespace {

// Display flags of a tablature read by the rhythm stems: stems shown, placed
// by flag 4, below the tablature with flag 8.
constexpr uint8_t kTablatureRythme = 1, kTablatureRythmePlace = 4, kTablatureRythmeDessous = 8;
// Beam thickness and gap of a staff that gives none.
constexpr int16_t kEpaisseurBarreDefaut = 12, kEcartBarreDefaut = 6;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }
int16_t Unite(Portee** staff) {
  return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : int16_t(72);
}

// Useful width and spacing units of a bar in Zorodava spacing (0 units: none).
void Zorodava(Partition** score, int32_t bar, int32_t* w, int32_t* u) {
  const Handle table = GetTabEltMesureEcran(score);
  const TabEltMesure* rows = GetLignesTabElt(table);
  *u = rows && bar >= 0 && bar < GetNbLignesTabElt(table) ? int32_t(rows[bar].echelleZorodava) : 0;
  *w = CvtMesureEnTailleUtileMesureEcran(score, bar);
}

// Rhythm stems over or under a tablature, with the dots of their notes.
void QueuesRythme(Portee** staff, int16_t mode, Tablature* tablature) {
  if (nbQueue <= 0) return;
  const float il = (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f;
  // The tablature's first line: its base line under the staff's top.
  const int32_t haut = (*staff)->rect.top + tablature->ligneBaseZoom;
  const int32_t bas = haut + (tablature->vecteurs.GetHauteurEcran ? tablature->vecteurs.GetHauteurEcran(staff, 1) : 0);
  for (int16_t k = 0; k < nbQueue; k++) {
    QueueEntry& e = TabQueue[k];
    e.direction = mode == 1 ? 0 : 1;
    e.extremiteHaut = mode == 1 ? int32_t(float(haut) - 4.0f * il) : int32_t(float(bas) + il);
    e.extremiteBas = mode == 1 ? int32_t(float(haut) - il) : int32_t(float(bas) + 4.0f * il);
  }
  const bool seule = nbQueue == 1;
  int16_t debut = 0;
  while (debut < nbQueue) {
    int16_t fin = debut;
    while (fin < nbQueue - 1 && TabQueue[fin].barreSuivante) fin++;
    TraceQueue(staff, debut, fin, 1, tablature);
    const int16_t taille = Unite(staff);
    if (GModeGraphique.slot[10] != 100 && GModeGraphique.slot[10] > 0)
      TextFontMusicale(staff, S16(int32_t(taille) * GModeGraphique.slot[10] / 100));
    for (int16_t k = debut; k <= fin; k++) {
      const QueueEntry& e = TabQueue[k];
      if (!e.signe || (e.signe->kind < 0 && (*staff)->cacheSilences)) continue;
      NotePossible np;
      CalculeNotePossible(e.signe->duree, e.signe->duree, nullptr, e.signe->motTuplet, &np, e.signe->kind);
      const int32_t y = mode == 1 ? e.extremiteBas : e.extremiteHaut;
      MoveTo(S16(e.x + e.decalageQueue + (seule ? Zoom(12) : Zoom(2))), S16(y));
      for (int n = 0; n < np.points; n++) {
        DrawCharMusical(46);
        Move(S16(Zoom(GModeGraphique.slot[7]) / 6), 0);
      }
    }
    TextFontMusicale(staff, taille);
    debut = int16_t(fin + 1);
  }
}

}  // namespace

int32_t TraceNotesDansUnSens(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count,
                             int16_t bar, uint8_t drawFlag, uint8_t direction, uint8_t pass, uint8_t useStaffSlot,
                             int16_t graceIndex, uint8_t proportional, int16_t tabStemMode, Tablature* tablature) {
  if (!staff || !signs || first < 0 || first >= count) return first;
  Partition** score = (*staff)->partition;
  if (!score) return first;
  TextFontMusicale(staff, Unite(staff));
  nbQueue = 0;
  int32_t n = 0;
  const bool propres = GetSignesPortee(staff, &n) == signs;
  int64_t t = propres ? CvtIndexNoteEnTemps(staff, first) : CvtMesureEnTemps(score, bar);
  const VectNote2Y conversion = useStaffSlot ? (*staff)->vecteurs.vect_Note2Ecr : &Note2EcrTablatureAssociee;
  const bool zorodava = !proportional && IsModeZorodava(score, staff);

  int32_t i = first, b = bar;
  int64_t e = 0;
  int32_t x0 = x;
  float cx = float(x);
  uint8_t precedent = 0;
  int32_t p = signs[first].posZorodava;
  for (;;) {
    int32_t avant = i;
    const uint8_t r = TraceCorpsAccord(staff, int32_t(std::lround(cx)), xRef, signs, &i, count, int32_t(t), S16(b),
                                       drawFlag, direction, pass, 0, conversion, uint16_t(graceIndex), propres ? 0 : 1,
                                       precedent, nullptr, tablature ? 1 : 0);
    precedent = r;
    if ((r & 0xFF) == 0 || i >= count || i <= avant) break;
    const Signe& s = signs[i - 1];
    if ((s.flags & kSigneAccordSuite) || s.duree == 0) continue;
    int64_t d = s.duree;
    for (int guard = 0; guard < 4096; guard++) {
      const int64_t T = CvtMesureEnTemps(score, b + 1);
      const int64_t reste = T - t;
      if (d < reste || reste <= 0) {
        if (zorodava && i < count) {
          int32_t w, u;
          Zorodava(score, b, &w, &u);
          if (u > 0) cx += float(int64_t(signs[i].posZorodava - p) * w / u);
          x0 = int32_t(cx);
          p = signs[i].posZorodava;
          t += d;
          e += d;
        } else {
          t += d;
          e += d;
          cx = float(x0 + CvtDureeEnPixelEcranDansMesure(score, int32_t(std::min<int64_t>(e, INT32_MAX)), b));
        }
        break;
      }
      // The duration reaches the bar line: on to the next bar's notes.
      if (xRef != kXRefAucun)
        xRef = uint16_t(xRef + CvtMesureEnPixelEcran(score, b + 1) - CvtMesureEnPixelEcran(score, b));
      if (zorodava) {
        int32_t w, u;
        Zorodava(score, b, &w, &u);
        if (u >= 1) x0 += CvtMesureEnMargeDroiteMesureEcran(score, b) + int32_t(int64_t(w) * (u - p) / u);
        p = 0;
      } else {
        // The next bar's notes start where the bar table puts them: its
        // stretched bar and margins, and the bar line between them.
        x0 += CvtTempsEnPixelEcran(score, int32_t(T)) - CvtTempsEnPixelEcran(score, int32_t(t - e));
      }
      d -= reste;
      b++;
      if (zorodava) x0 += CalculeMargeDebutMesureEcran(score, b);
      e = 0;
      t = T;
      cx = float(x0);
      if (d == 0) break;
    }
  }

  LargeurBarre = (*staff)->epaisseurBarre ? int16_t((*staff)->epaisseurBarre) : kEpaisseurBarreDefaut;
  EcartBarre = (*staff)->ecartBarre ? int16_t((*staff)->ecartBarre) : kEcartBarreDefaut;
  if (tabStemMode != 0 && tablature) {
    QueuesRythme(staff, tabStemMode, tablature);
  } else if (pass == 1) {
    for (int16_t k = 0; k < nbQueue; k++)
      if ((TabQueue[k].accrocheSource || TabQueue[k].accrocheDest) && TabQueue[k].queueLiee)
        TraceQueue(staff, k, k, 1, tablature);
  } else {
    int16_t k = 0;
    while (k < nbQueue) {
      int16_t fin = k;
      while (fin < nbQueue - 1 && (TabQueue[fin].barreSuivante || TabQueue[fin].accrocheSigne)) fin++;
      TraceQueue(staff, k, fin, 1, tablature);
      k = int16_t(fin + 1);
    }
  }
  LibereTabCorps();
  return i;
}

int32_t TraceNotes(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count, int16_t bar,
                   uint8_t drawFlag, int16_t graceIndex, uint8_t proportional, int16_t tabStemMode,
                   Tablature* tablature) {
  TraceNotesDansUnSens(staff, x, xRef, signs, first, count, bar, drawFlag, 0, 0, 1, graceIndex, proportional,
                       tabStemMode, tablature);
  const int32_t suivant = TraceNotesDansUnSens(staff, x, xRef, signs, first, count, bar, drawFlag, 1, 0, 1, graceIndex,
                                               proportional, tabStemMode, tablature);
  TraceNotesDansUnSens(staff, x, xRef, signs, first, count, bar, drawFlag, 0, 1, 1, graceIndex, proportional,
                       tabStemMode, tablature);
  TraceNotesDansUnSens(staff, x, xRef, signs, first, count, bar, drawFlag, 1, 1, 1, graceIndex, proportional,
                       tabStemMode, tablature);
  if (tupletList) TraceTupletsCollectes();
  return suivant;
}

void AfficheQueuesTablature(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t first, int32_t count,
                            int16_t bar, uint8_t proportional) {
  if (!staff || !(*staff)->tablature || (*staff)->type == kTypePorteeTablature) return;
  Tablature* tab = reinterpret_cast<Tablature*>(*(*staff)->tablature);
  if (!tab || !(tab->flagsAffichage & kTablatureRythme)) return;
  const int16_t mode = !(tab->flagsAffichage & kTablatureRythmePlace)     ? 0
                       : !(tab->flagsAffichage & kTablatureRythmeDessous) ? 1
                                                                          : -1;
  for (uint8_t sens = 0; sens <= 1; sens++)
    TraceNotesDansUnSens(staff, x, xRef, signs, first, count, bar, 0, sens, 0, 0, -1, proportional, mode, tab);
}

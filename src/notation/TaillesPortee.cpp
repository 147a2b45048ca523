#include "notation/TaillesPortee.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "notation/Alterations.h"
#include "notation/LiaisonsAccroche.h"
#include "stafftypes/DonneesTablature.h"
#include "stafftypes/ServicesTypesPortee.h"
#include "text/Fontes.h"

uint8_t inDrawGrace = 0;

namespace {

// A note drawn at 0 % still divides as at 100 %.
float Pourcent(const Signe* note) { return note && note->taille ? float(note->taille) : 100.0f; }

// The staff's interlines; one never set (0) is the standard one of a staff at
// 72 units, so that no length divides by 0.
float InterligneEcran(Portee** staff) {
  const float il = staff ? (*staff)->interligne : 0.0f;
  return il > 0.0f ? il : float(Zoom(72)) / 12.0f;
}
float InterligneRuban(Portee** staff) {
  const float il = staff ? (*staff)->interligneRuban : 0.0f;
  if (il > 0.0f) return il;
  Partition** score = staff ? (*staff)->partition : nullptr;
  return float(score ? ZoomRuban(score, 72) : 72) / 12.0f;
}

int16_t TailleStd() { return int16_t(kTailleQueueStd + kMGReglageQueue); }

int16_t YRuban(Portee** staff, int32_t index, const Signe& note) {
  VectNote2Y slot = (*staff)->vecteurs.vect_Note2Ruban;
  if (!slot) return 0;
  const int32_t t = note.debut >= 0 ? note.debut : CvtIndexNoteEnTemps(staff, index);
  uint8_t flags = 0;
  return slot(staff, t, index, &note, &flags);
}

bool QueueEnBas(const Signe& s) { return (s.flags & kSigneQueueEnBas) != 0; }

// The ribbon x of a note's stem side: moved by the head width for a head on
// the other side of the stem (to the left under a stem down), and by the head
// width for a stem up.
int32_t XQueueRuban(Portee** staff, int32_t index, const Signe& s) {
  int64_t x = CvtIndexNoteEnPixelRuban(staff, index);
  const int32_t w = (*staff)->largeurNoteRuban;
  if (s.flags & (kSigneCache | kSigneTeteDecalee)) x += QueueEnBas(s) ? -w : w;
  if (!QueueEnBas(s)) x += w;
  return int32_t(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
}

// The y of the line through (x1, y1) and (x2, y2) at x, in integers.
int64_t YSurLigne(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x) {
  if (x2 == x1) return y1;
  return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
}

}  // namespace

int16_t InitTaillePortee(Portee** staff) {
  if (!staff || !*staff) return 0;
  Tablature** tab = GetTablature(staff);
  if (Partition** score = (*staff)->partition) InitTailleRubanPortee(score, staff);
  const int32_t z = Zoom((*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : 72);
  InitTailleCaracteresSelonFonte(staff);
  Portee* p = *staff;
  p->huitiemeEcran = int16_t(std::clamp<int32_t>(z / 8, INT16_MIN, INT16_MAX));
  p->quinziemeEcran = int16_t(std::clamp<int32_t>(z / 15, INT16_MIN, INT16_MAX));
  p->hauteurEcran = int16_t(std::clamp<int32_t>(Zoom(p->hauteurBaseRuban), INT16_MIN, INT16_MAX));
  p->decalageLigneBas = int16_t(std::clamp<int32_t>(Zoom(p->decalageLigneBasBaseRuban), INT16_MIN, INT16_MAX));
  p->lignesTexte[1].decalageHaut = uint16_t(std::clamp<int32_t>(Zoom(p->ligneAccord), 0, UINT16_MAX));
  // The tablature's base line at the destination, then its inner graphics.
  if (tab) (*tab)->ligneBaseZoom = int16_t(std::clamp<int32_t>(Zoom((*tab)->ligneBase), INT16_MIN, INT16_MAX));
  if (tab && (*tab)->vecteurs.ReCalculeInterneGraph) (*tab)->vecteurs.ReCalculeInterneGraph(staff);
  p = *staff;
  p->lignesTexte[0].decalageHaut = uint16_t(std::clamp<int32_t>(Zoom(p->hauteurBaseLigneTexte), 0, UINT16_MAX));
  return int16_t(std::min<int32_t>(p->lignesTexte[1].decalageHaut, INT16_MAX));
}

int16_t GetTailleStdTigeNote(Portee** staff, const Signe* note, int32_t noteIndex, uint8_t standardOnly) {
  if (!note) return TailleStd();
  const int8_t propre = int8_t(note->longueurQueue);
  if (propre != 0) return propre;
  const int16_t std = TailleStd();
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (noteIndex < 0 || standardOnly || !s || noteIndex >= n || inDrawGrace) return std;
  const Signe copie = *note;
  const int16_t y = YRuban(staff, noteIndex, copie);
  const Portee& p = **staff;
  const float demi = InterligneRuban(staff) / 2.0f;
  const int32_t pos = -4 - int32_t(std::lround(float(y - p.aireRuban.top - p.decalageLigneBasRuban) / demi));
  const bool bas = QueueEnBas(copie);
  if (pos == 0 || (pos > 0 && !bas) || (pos < 0 && bas)) return std;
  const int32_t ext = int32_t(float(std::abs(pos)) * 310.0f / Pourcent(note));
  // The slant of the beam this stem hangs from.
  int32_t d = 0;
  s = GetSignesPortee(staff, &n);
  if ((copie.flags & kSigneAccroche) && noteIndex < n - 1) {
    const int8_t suivante = s[noteIndex + 1].kind;
    d = suivante > copie.kind ? 1 : suivante < copie.kind ? -1 : 0;
  }
  int32_t j = noteIndex - 1;
  while (j >= 0 && (s[j].flags & kSigneAccordSuite)) j--;
  if (j >= 0 && (s[j].flags & kSigneAccroche) && s[j].kind != copie.kind) d += copie.kind > s[j].kind ? -1 : 1;
  return int16_t(std::clamp<int32_t>(std::max<int32_t>(bas ? ext + d : ext - d, std), INT16_MIN, INT16_MAX));
}

int16_t GetTailleEcranTigeNote(Portee** staff, const Signe* note, int32_t noteIndex, uint8_t standardOnly) {
  const int16_t std = GetTailleStdTigeNote(staff, note, noteIndex, standardOnly);
  const float taille = note ? float(note->taille) : 100.0f;
  return int16_t(taille * float(std) * InterligneEcran(staff) / 620.0f);
}

int16_t GetTailleRubanTigeNote(Portee** staff, const Signe* note, int32_t noteIndex) {
  const int16_t std = GetTailleStdTigeNote(staff, note, noteIndex, 0);
  const float taille = note ? float(note->taille) : 100.0f;
  return int16_t(float(std) * InterligneRuban(staff) / 620.0f * taille);
}

int16_t GetTailleTigeFnEcran(Portee** staff, int16_t screenLength) {
  return int16_t(float(screenLength) * 6.2f / InterligneEcran(staff));
}

int16_t GetTailleAfficheeTigeNote(Portee** staff, int32_t noteIndex) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || noteIndex < 0 || noteIndex >= n) return 0;
  const Signe note = s[noteIndex];
  const bool accroche = (note.flags & kSigneAccroche) || (noteIndex > 0 && (s[noteIndex - 1].flags & kSigneAccroche));
  if (!accroche || GetLiaisonSourceNote(staff, noteIndex, nullptr, kLiaisonAccroche) ||
      GetLiaisonDestNote(staff, noteIndex, nullptr, kLiaisonAccroche))
    return GetTailleRubanTigeNote(staff, &note, noteIndex);
  s = GetSignesPortee(staff, &n);
  int32_t premier = noteIndex, dernier = noteIndex;
  while (premier > 0 && (s[premier - 1].flags & kSigneAccroche)) premier--;
  while (dernier < n - 1 && (s[dernier].flags & kSigneAccroche)) dernier++;
  auto extremite = [staff](int32_t i, int64_t* x, int64_t* tip) {
    int32_t m;
    const Signe e = GetSignesPortee(staff, &m)[i];
    *x = XQueueRuban(staff, i, e);
    const int64_t y = YRuban(staff, i, e);
    const int64_t l = GetTailleRubanTigeNote(staff, &e, i);
    *tip = QueueEnBas(e) ? y + l : y - l;
  };
  int64_t x1, t1, x2, t2, x, t;
  extremite(premier, &x1, &t1);
  extremite(dernier, &x2, &t2);
  extremite(noteIndex, &x, &t);
  const int64_t y = YRuban(staff, noteIndex, note);
  return int16_t(std::min<int64_t>(std::llabs(YSurLigne(x1, t1, x2, t2, x) - y), INT16_MAX));
}

void CalculeExtremiteAccroche(Partition** score, Portee** staff, int32_t first, int32_t last, int32_t* x1, int32_t* y1,
                              int32_t* x2, int32_t* y2) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || !x1 || !y1 || !x2 || !y2 || first < 0 || last >= n || first > last) return;
  const bool bas = QueueEnBas(s[first]);
  int32_t compte = 0;
  int16_t barres = 0;
  for (int32_t i = first; i <= last; i++) {
    if (QueueEnBas(s[i]) != bas) continue;
    compte++;
    barres = std::max(barres, GetNbBarresSelonDureeNote(s[i].duree, uint8_t(s[i].motTuplet & 0xFF)));
  }
  const int32_t pente = (*staff)->penteMaxBarre;
  if (pente != 100) {
    const int64_t limite = int64_t(pente) * (compte + 1) * int32_t(InterligneRuban(staff)) / 50;
    if (*y2 > *y1 + limite) *y1 = int32_t(*y2 - limite);
    else if (*y1 > *y2 + limite) *y2 = int32_t(*y1 - limite);
  }
  // How far the beam must move for every inner stem to reach it: up over
  // stems up, and (mirrored) down under stems down.
  int64_t ecart = 0;
  for (int32_t i = first + 1; i < last; i++) {
    const Signe e = GetSignesPortee(staff, &n)[i];
    if (QueueEnBas(e) != bas) continue;
    int64_t x = CvtIndexNoteEnPixelRuban(staff, i);
    if (e.flags & (kSigneCache | kSigneTeteDecalee))
      x += bas ? -(*staff)->largeurNoteRuban : (*staff)->largeurNoteRuban;
    const int64_t ligne = YSurLigne(*x1, *y1, *x2, *y2, x);
    const int64_t y = YRuban(staff, i, e), l = GetTailleRubanTigeNote(staff, &e, i);
    ecart = std::max(ecart, bas ? (y + l) - ligne : ligne - (y - l));
  }
  if (barres >= 3 && score)
    ecart += std::lround(float(ZoomRuban(score, int32_t((*staff)->epaisseurBarre) + (*staff)->ecartBarre)) *
                         float(barres - 2) * 0.25f);
  const int64_t signe = bas ? -1 : 1;
  *y1 = int32_t(*y1 - signe * ecart);
  *y2 = int32_t(*y2 - signe * ecart);
}

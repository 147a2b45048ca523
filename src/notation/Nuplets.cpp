#include "notation/Nuplets.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "notation/FormesCorps.h"
#include "platform/Memory.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Handles.h"
#include "system/Splines.h"

Handle tupletList = nullptr;

namespace {

// The tuplet bracket's pen (1/288 inch): the graphic mode keeps no entry for
// it, so it is drawn as a thin rule.
constexpr int16_t kMGEpaisseurTuplet = 3;
// Hook length of a curve.
constexpr int16_t kCrochetCourbe = 5;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

int32_t NbTuplets() { return tupletList ? int32_t(GetHandleSize(tupletList) / Size(sizeof(TupletEntry))) : 0; }
TupletEntry* Tuplets() { return tupletList ? reinterpret_cast<TupletEntry*>(*tupletList) : nullptr; }

int32_t Debut(const TupletEntry& t) { return t.queue.signe ? t.queue.signe->debut : 0; }
int32_t Fin(const TupletEntry& t) { return t.queue.signe ? t.queue.signe->debut + t.queue.signe->duree : 0; }

// Moves record j to position i+1 of the list (those between move up one).
void Deplace(TupletEntry* t, int32_t i, int32_t j) {
  const TupletEntry r = t[j];
  std::memmove(&t[i + 2], &t[i + 1], size_t(j - i - 1) * sizeof(TupletEntry));
  t[i + 1] = r;
}

// One join: a record beamed on whose tuplet continues in a record found later
// (drawn in the other direction). False when there is none left.
bool Joint(TupletEntry* t, int32_t n) {
  for (int32_t i = 0; i + 1 < n; i++) {
    const TupletEntry& a = t[i];
    if (!a.queue.accrocheSigne) continue;
    const int32_t e = Fin(a);
    const TupletEntry& b = t[i + 1];
    if (!b.debut && Debut(b) == e && b.queue.direction == a.queue.direction) continue;
    int32_t j = i + 1;
    while (j < n && (t[j].joint || Debut(t[j]) != e)) j++;
    if (j >= n) continue;
    t[j].joint = 1;
    Deplace(t, i, j);
    TupletEntry& r = t[i + 1];
    if (r.debut) {
      r.queue.decalageQueue = r.largeurTete;
      r.debut = 0;
    }
    if (r.queue.direction != a.queue.direction && !a.retourne) {
      const int32_t d = r.queue.extremiteBas - r.queue.extremiteHaut;
      const int32_t v = r.queue.direction == 1 ? -d : d;
      r.queue.extremiteHaut += v;
      r.queue.extremiteBas += v;
    }
    r.queue.direction = a.queue.direction;
    r.retourne = a.retourne;
    r.nombreSeul = 1;
    return true;
  }
  return false;
}

}  // namespace

bool AjouteTuplets(Portee** staff, int16_t first, int16_t last, uint8_t numberOnly) {
  if (!staff || first < 0 || last < first || last >= kMaxQueues) return false;
  if (!tupletList) tupletList = NewHandleClear(0);
  if (!tupletList) return false;
  const int32_t n = NbTuplets(), ajout = last - first + 1;
  if (!RetailleHandle(tupletList, Size(n + ajout) * Size(sizeof(TupletEntry)))) return false;
  TupletEntry* t = Tuplets();
  int32_t nbSignes = 0;
  Signe* signes = GetSignesPortee(staff, &nbSignes);
  for (int16_t k = first; k <= last; k++) {
    const QueueEntry& q = TabQueue[k];
    // The records are ordered by their notes' start: a stale cache is filled.
    if (q.signe && q.signe->debut < 0 && signes && q.indexSigne >= 0 && q.indexSigne < nbSignes &&
        signes + q.indexSigne == q.signe)
      q.signe->debut = CvtIndexNoteEnTemps(staff, q.indexSigne);
    TupletEntry& r = t[n + (k - first)];
    r = TupletEntry{};
    r.debut = k == first;
    r.nombreSeul = numberOnly;
    r.largeurTete = (*staff)->largeurTete;
    r.retourne = (q.tuplet & 0x2000) != 0;
    r.crochet = numberOnly ? ((q.tuplet & kTupletCourbe) ? kCrochetCourbe : q.tupletCrochet) : kCrochetCourbe;
    r.epaisseur = numberOnly ? q.tupletEpaisseur : 0;
    r.queue = q;
  }
  return true;
}

int ClasseTupletsPosTemps(const void* a, const void* b) {
  const int64_t d = int64_t(Debut(*static_cast<const TupletEntry*>(a))) - Debut(*static_cast<const TupletEntry*>(b));
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

void TraceMultipleTuplet(uint8_t numberOnly, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint8_t below,
                         int16_t headWidth, const QueueEntry* entry) {
  if (!entry) return;
  const uint16_t mot = entry->tuplet;
  const int32_t h = (mot & kTupletCourbe) ? kCrochetCourbe : entry->tupletCrochet;
  FixeEpaisseurCouleur(kMGEpaisseurTuplet, kMGEpaisseurTuplet, 288, -1);
  const int32_t w = numberOnly ? 0 : headWidth;
  int32_t ya = y1, yb = y2, x2b = x2, yn;
  if (below) {
    if (entry->tupletRetrait) ya += Zoom(1), yb += Zoom(1);
    x2b = x2 + w / 4;
    yn = (ya + yb) / 2 + 3 * Zoom(5) + Zoom(h - 5);
  } else {
    if (entry->tupletRetrait) ya -= Zoom(4), yb -= Zoom(4);
    yn = (ya + yb) / 2 - Zoom(5) - Zoom(h - 5);
  }
  yn += Zoom(entry->tupletDyNombre);
  const int32_t xn = (x1 + x2) / 2;
  Rect r{};
  const int32_t largeur = TraceNuplet(S16(xn), S16(yn), mot, &r);
  if (!(mot & kTupletCrochet)) return;
  if (mot & kTupletCourbe) {
    const float epaisseur = (std::sqrt(float(entry->tupletEpaisseur) * 0.01f) + 1.0f) * 6.0f;
    SplinePoint p[3];
    if (below) {
      p[0] = {float(x1), float(ya + Zoom(6)), epaisseur};
      p[1] = {float((x1 + x2b) / 2), float((ya + yb) / 2 + Zoom(20)), epaisseur};
      p[2] = {float(x2b), float(yb + Zoom(6)), epaisseur};
    } else {
      p[0] = {float(x1), float(ya - Zoom(6)), epaisseur};
      p[1] = {float((x1 + x2) / 2), float((ya + yb) / 2 - Zoom(16)), epaisseur};
      p[2] = {float(x2), float(yb - Zoom(6)), epaisseur};
    }
    cspline(pref.traitsAntialias != 0, p, 3, 6.0f);
    // The number stands clear of the curve.
    if (largeur > 0) {
      EraseRect(&r);
      TraceNuplet(S16(xn), S16(yn), mot, nullptr);
    }
    return;
  }
  // Bracket: hooks at both ends, a gap for the number.
  const int32_t xd = below ? x2b : x2;
  const bool entier = (mot & kTupletCache) || std::abs(int32_t(entry->tupletDyNombre)) > 7 || largeur <= 0;
  const int32_t g1 = xn - largeur / 2 - Zoom(1), g2 = xn + largeur / 2 + Zoom(1);
  if (!entier && (g1 < x1 || g2 > xd)) return;
  const int32_t c1 = below ? Zoom(8) : -Zoom(5), c2 = below ? Zoom(h + 8) : -Zoom(h + 5);
  const int32_t ha = ya + c1, hb = yb + c1, la = ya + c2, lb = yb + c2;
  auto yLigne = [&](int32_t x) { return xd != x1 ? la + (lb - la) * (x - x1) / (xd - x1) : la; };
  auto trait = [&](int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    if (pref.traitsAntialias) {
      const float l = std::max(float(GetDpiDest()) * float(kMGEpaisseurTuplet) / 288.0f, 1.0f);
      AntialiasedLine(true, float(ax), float(ay), float(bx), float(by), l, l);
    } else {
      MoveTo(S16(ax), S16(ay));
      LineTo(S16(bx), S16(by));
    }
  };
  trait(x1, ha, x1, la);
  if (entier) {
    trait(x1, la, xd, lb);
  } else {
    trait(x1, la, g1, yLigne(g1));
    trait(g2, yLigne(g2), xd, lb);
  }
  trait(xd, lb, xd, hb);
  PenSize(1, 1);
}

void TraceNupletMultiple(uint8_t numberOnly, int16_t headWidth, int16_t first, int16_t last, uint8_t flipped,
                         int16_t hook) {
  if (first < 0 || last < first || last >= kMaxQueues) return;
  const QueueEntry& a = TabQueue[first];
  if ((a.tuplet & 0xF) == 0) return;
  if (first == last) {
    int32_t x = a.x + a.decalageQueue + Zoom(a.tupletDx);
    if (!numberOnly && a.direction == 0) x += headWidth;
    int32_t y = a.direction == 1 ? a.extremiteBas + 3 * Zoom(hook) : a.extremiteHaut - 2 * Zoom(hook);
    y += Zoom(a.tupletDy);
    TraceNuplet(S16(x), S16(y), a.tuplet, nullptr);
  } else {
    const QueueEntry& b = TabQueue[last];
    int32_t x1 = a.x + Zoom(a.tupletDx), x2 = b.x + Zoom(b.tupletDx);
    bool barre = !flipped;
    for (int16_t k = first; k <= last && barre; k++) {
      const QueueEntry& e = TabQueue[k];
      if ((k < last && !e.barreSuivante) || e.base >= 40320 || e.barres <= 0) barre = false;
    }
    if (!barre) {
      x2 += b.largeurTete;
    } else if (a.direction == 0) {
      x1 += a.largeurTete;
      x2 += b.largeurTete;
    }
    const bool bas = a.direction != flipped;
    const int32_t y1 = (bas ? a.extremiteBas : a.extremiteHaut) + Zoom(a.tupletDy);
    const int32_t y2 = (bas ? b.extremiteBas : b.extremiteHaut) + Zoom(b.tupletDy);
    TraceMultipleTuplet(numberOnly, S16(x1), S16(y1), S16(x2), S16(y2), uint8_t(bas ? 1 : 0), headWidth, &a);
  }
  for (int16_t k = first; k <= last; k++) {
    Signe* s = TabQueue[k].signe;
    if (!s) continue;
    s->tupletPremier = k == first;
    s->tupletDernier = k == last;
    s->tupletRetourne = flipped;
  }
}

void TraceTupletsCollectes() {
  if (!tupletList) return;
  const int32_t n = NbTuplets();
  TupletEntry* t = Tuplets();
  if (n > 1) {
    std::qsort(t, size_t(n), sizeof(TupletEntry), ClasseTupletsPosTemps);
    // Every join marks one more record: at most n of them.
    for (int32_t k = 0; k < n && Joint(t, n); k++) {
    }
  }
  int32_t i = 0;
  while (i < n && !t[i].debut) i++;
  while (i < n) {
    int32_t j = i + 1;
    while (j < n && !t[j].debut) j++;
    const int32_t count = std::min<int32_t>(j - i, kMaxQueues);
    for (int32_t k = 0; k < count; k++) TabQueue[k] = t[i + k].queue;
    nbQueue = int16_t(count);
    TraceNupletMultiple(t[i].nombreSeul, t[i].largeurTete, 0, int16_t(count - 1), t[i].retourne, t[i].crochet);
    i = j;
  }
  DisposeHandle(tupletList);
  tupletList = nullptr;
}

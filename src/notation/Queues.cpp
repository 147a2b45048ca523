#include "notation/Queues.h"

#include <algorithm>
#include <cstdlib>

#include "layout/DonneesModeGraphique.h"
#include "layout/Zoom.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "notation/DecalagesAccord.h"
#include "notation/DessinCorps.h"
#include "notation/Nuplets.h"
#include "notation/ValeursNotes.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "stafftypes/DonneesTablature.h"
#include "system/Couleurs.h"
#include "system/Splines.h"
#include "text/Fontes.h"

int16_t LargeurBarre = 12, EcartBarre = 6;
int16_t LastnBarres = -1, LastColonne = 0, LastLigne = 0, LastColDest = -1, LastLinDest = -1;
uint8_t LastSens = 0;

namespace {

constexpr int16_t kCouleurGrise = 247;
// LastnBarres: no run yet (65535), and a run already drawn (65534).
constexpr int16_t kAucuneBarre = -1, kBarreTracee = -2;

int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32767, 32767)); }

int16_t UniteMusicale(Portee** staff) {
  return (*staff)->aspect.tailleUnite > 0 ? int16_t((*staff)->aspect.tailleUnite) : int16_t(72);
}

// Rhythm stems of a tablature: its display flags hold both bits 0 and 5.
bool ModeRythme(const Tablature* tablature) { return tablature && (tablature->flagsAffichage & 33) == 33; }

// The tablature record keeps no stem extension and no centred-stem option:
// stems are neither lengthened nor centred.
int16_t ExtensionQueueTablature(const Tablature*) { return 0; }

// The stem pen: graphic-mode word 26 at the destination resolution.
int16_t EpaisseurQueue() {
  return int16_t(std::max<int32_t>(1, int32_t(GModeGraphique.slot[26]) * GetDpiDest() / 288));
}

// The flags of a stem, rhythm stems and tuplets considered: below 1 is no flag;
// -1000..-998 mark long notes on rhythm stems; -996..-1 draws nothing.
int16_t CodeCrochets(const QueueEntry& e, bool rythme) {
  int32_t f = e.barres;
  if (rythme && f >= -10 && f <= 0) {
    if (e.base >= 645120) f = -1000;
    else if (e.base >= 322560) f = -999;
    else if (e.base >= 161280) f = -998;
    else if (e.base >= 80640) f = 0;
    else f = f + 1;
  }
  if (f <= 0 && (e.tuplet & 0xF) != 0) f = f != 0 ? -4 : -1000;
  return int16_t(f);
}

void CouleurEntree(Portee** staff, const QueueEntry& e) {
  SetForeColor((*staff)->modeGrise == 1 ? kCouleurGrise : int16_t(e.couleur));
}

void GranditExtremitesGrace(int32_t x, int32_t y1, int32_t y2) {
  XMinTraceGrace = std::min(XMinTraceGrace, x);
  XMaxTraceGrace = std::max(XMaxTraceGrace, x);
  YMinTraceGrace = std::min({YMinTraceGrace, y1, y2});
  YMaxTraceGrace = std::max({YMaxTraceGrace, y1, y2});
}

// Flags as stubs: count of them from (x, y), stepping by the flag spacing
// towards the heads (down for an up stem).
void Bouts(Portee** staff, int16_t entry, int16_t x, int16_t y, int16_t count, int32_t sens) {
  if (entry < 0 || entry >= kMaxQueues) return;
  const QueueEntry& e = TabQueue[entry];
  const float l = float(Zoom(int32_t(UniteMusicale(staff)) * e.taille / 100));
  const float epaisseur = float(LargeurBarre) * float(GetDpiDest()) / 288.0f;
  const int32_t pas = int32_t((*staff)->espaceCrochets) * e.taille / 100;
  for (int16_t k = 0; k < count; k++) {
    const float yk = float(y + sens * k * pas);
    AntialiasedLine(pref.traitsAntialias != 0, float(x), yk, float(x) + l / 10.0f, yk, 1.0f, epaisseur);
  }
}

}  // namespace

void TraceCrochetHautCommeBarrePortee(Portee** staff, int16_t entry, int16_t x, int16_t y, int16_t count) {
  if (staff) Bouts(staff, entry, x, y, count, 1);
}

void TraceCrochetBasCommeBarre(Portee** staff, int16_t entry, int16_t x, int16_t y, int16_t count) {
  if (staff) Bouts(staff, entry, x, y, count, -1);
}

void TraceQueueUneSeuleNote(Portee** staff, int16_t index, int16_t last, uint8_t alone, uint8_t draw,
                            Tablature* tablature) {
  if (!staff || index < 0 || index >= kMaxQueues) return;
  QueueEntry& e = TabQueue[index];
  const int32_t sm = UniteMusicale(staff);
  CouleurEntree(staff, e);
  TextFontMusicale(staff, S16(sm * e.taille / 100));
  // A note of a beam-link chain takes its tuplet mark over the chain.
  if (alone && draw && (e.tuplet & 0xF) != 0 && !e.accrocheSource && !e.accrocheDest)
    AjouteTuplets(staff, index, std::clamp<int16_t>(last, index, kMaxQueues - 1), 0);

  const bool rythme = ModeRythme(tablature);
  int16_t f = CodeCrochets(e, rythme);
  if (f >= -996 && f <= -1) return;
  const int16_t t = EpaisseurQueue();
  PenSize(t, t);
  const int32_t s = int32_t((*staff)->espaceCrochets) * e.taille / 100;
  const int32_t grand = sm * Zoom(100) * e.taille;
  const int32_t S = grand / 7200;
  const int16_t fc = std::min<int16_t>(f, 7);
  const int32_t ext = tablature ? Zoom(ExtensionQueueTablature(tablature)) : 0;
  int32_t xCrochet;

  if (e.direction == 0) {
    e.extremiteHaut -= ext;
    e.extremiteBas -= ext;
    e.extremite = S16(e.extremite - ext);
    e.decalageQueue = S16(e.largeurTete - t);
    const int32_t xq = e.x + e.decalageQueue;
    GranditExtremitesGrace(xq, e.extremiteHaut, e.extremiteBas);
    if (!draw || e.extremiteBas - e.extremiteHaut <= 1) return;
    if ((e.accrocheSource || e.accrocheDest) && !e.queueLiee) return;
    const int32_t haut = e.extremiteHaut, bas = e.extremiteBas;
    const int32_t fe = std::min<int32_t>(f, 5);
    const int32_t allonge = fe <= 2 ? 0 : s + ((5 * fe - 15) * s) / 6;
    MoveTo(S16(xq), S16(haut - allonge));
    LineTo(S16(xq), S16(bas));
    xCrochet = xq + t - grand / 900000;
    const int32_t xEmpile = xCrochet - grand / 2880000;
    const bool enBarres = (*staff)->crochetsEnBarres != 0;
    auto empile = [&](int32_t y0, int first, int n) {
      for (int k = first; k < first + n; k++) {
        MoveTo(S16(xEmpile), S16(y0 - k * s));
        DrawCharMusical(kGlypheCrochetHautEmpile);
      }
    };
    switch (fc) {
      case 1:
      case 2:
        if (enBarres) {
          TraceCrochetHautCommeBarrePortee(staff, index, S16(xCrochet), S16(haut), fc);
        } else {
          MoveTo(S16(xCrochet), S16(haut + S * 23 / 100));
          DrawCharMusical(fc == 1 ? kGlypheCrochetHaut1 : kGlypheCrochetHaut2);
        }
        break;
      case 3:
        if (enBarres) TraceCrochetHautCommeBarrePortee(staff, index, S16(xCrochet), S16(haut - s), fc);
        else empile(haut + S * 19 / 100, 2, 3);
        break;
      case 4:
      case 5:
        if (enBarres) TraceCrochetHautCommeBarrePortee(staff, index, S16(xCrochet), S16(haut - (fc - 2) * s), fc);
        else empile(haut + S * 15 / 100, 1, fc);
        break;
      case 6:
      case 7:
        if (enBarres) TraceCrochetHautCommeBarrePortee(staff, index, S16(xCrochet), S16(haut - 3 * s), fc);
        else empile(haut + S * 15 / 100, 0, fc);
        break;
      default: break;
    }
  } else {
    e.extremiteHaut += ext;
    e.extremiteBas += ext;
    e.extremite = S16(e.extremite + ext);
    const int32_t xq = e.x + e.decalageQueue;
    GranditExtremitesGrace(xq, e.extremiteHaut, e.extremiteBas);
    if (!draw || e.extremiteBas - e.extremiteHaut <= 1) return;
    if ((e.accrocheSource || e.accrocheDest) && !e.queueLiee) return;
    const int32_t haut = e.extremiteHaut, bas = e.extremiteBas;
    const int32_t fe = std::min<int32_t>(f, 5);
    const int32_t allonge = fe <= 2 ? 0 : s + ((5 * fe - 15) * s) / 6;
    MoveTo(S16(xq), S16(haut + 1));
    LineTo(S16(xq), S16(bas + allonge));
    xCrochet = xq + t - Zoom(80) * e.taille / 10000;
    const bool enBarres = (*staff)->crochetsEnBarres != 0;
    auto empile = [&](int32_t y0, int first, int n) {
      for (int k = first; k < first + n; k++) {
        MoveTo(S16(xCrochet), S16(y0 + k * s));
        DrawCharMusical(kGlypheCrochetBasEmpile);
      }
    };
    if (fc == 1 || fc == 2) {
      if (enBarres) {
        TraceCrochetBasCommeBarre(staff, index, S16(xCrochet), S16(bas), fc);
      } else {
        MoveTo(S16(xCrochet), S16(bas - S * 23 / 100));
        DrawCharMusical(fc == 1 ? kGlypheCrochetBas1 : kGlypheCrochetBas2);
      }
    } else if (fc >= 3) {
      if (enBarres) TraceCrochetBasCommeBarre(staff, index, S16(xCrochet), S16(bas + (fc > 5 ? 2 : 1) * s), fc);
      else if (fc == 3) empile(bas - S * 19 / 100, 2, 3);
      else empile(bas - S * 15 / 100, 1, fc);
    }
  }

  // Long notes on rhythm stems: short strokes across the stem end.
  if (draw && rythme && f <= -998 && f >= -1000) {
    const int32_t sp = Zoom(sm * e.taille / 100);
    const int16_t plume = int16_t(
        std::max<int32_t>(1, std::min<int32_t>(int32_t(GModeGraphique.slot[26]) * 4 * GetDpiDest() / 288, sp / 30)));
    PenSize(plume, plume);
    const int n = f == -1000 ? 3 : f == -999 ? 2 : 1;
    for (int k = 0; k < n; k++) {
      const int32_t d = k * sp / 20;
      if (e.direction == 0) {
        MoveTo(S16(xCrochet), S16(e.extremiteHaut + d));
        Line(S16(-sp / 10), S16(sp / 20));
      } else {
        MoveTo(S16(xCrochet), S16(e.extremiteBas - d));
        Line(S16(sp / 10), S16(-sp / 20));
      }
    }
  }
  PenSize(1, 1);
}

namespace {

// The beam count a stem brings to its run (rhythm stems and tuplets considered).
int32_t ValeurRun(const QueueEntry& e, bool rythme) {
  int32_t v = e.barres;
  if (rythme && v >= -10 && v <= 0) {
    if (e.base > 645119) v = -1000;
    else if (e.base > 322559) v = -999;
    else if (e.base > 161279) v = -998;
    else if (e.base > 80639) v = 0;
    else v = v + 1;
  }
  if (v <= 0 && (e.tuplet & 0xF) != 0) v = v != 0 ? -1 : -997;
  return v;
}

int32_t Pointe(const QueueEntry& e, uint8_t sens) { return sens == 0 ? e.extremiteHaut : e.extremiteBas; }
void FixePointe(QueueEntry& e, uint8_t sens, int32_t y) {
  if (sens == 0) e.extremiteHaut = y;
  else e.extremiteBas = y;
  e.extremite = S16(y);
}

struct Segment {
  int32_t x1, y1, x2, y2;
  int16_t barres;
};

// The part of the beam line between stems a and b (final tips) that one of
// them draws: from distance d1 to d2 of stem a (head distance dx).
Segment Morceau(const QueueEntry& a, const QueueEntry& b, int32_t d1, int32_t d2, int16_t barres) {
  const int32_t xa = a.x + a.decalageQueue, xb = b.x + b.decalageQueue;
  const int32_t dx = b.x - a.x;
  // Stems sharing an x: the beam keeps the first tip (no slope to follow).
  auto y = [&](int32_t d) {
    return dx != 0 ? a.extremite + (b.extremite - a.extremite) * d / dx : int32_t(a.extremite);
  };
  auto x = [&](int32_t d) { return dx != 0 ? xa + (xb - xa) * d / dx : xa; };
  Segment s{x(d1), y(d1), x(d2), y(d2), barres};
  if (s.x2 < s.x1) {
    std::swap(s.x1, s.x2);
    std::swap(s.y1, s.y2);
  }
  return s;
}

// The lengths stem a (right side, ca beams) and stem b (left side, cb beams)
// take of their distance: equal counts meet halfway; the stem with more beams
// gets the short stub.
void Partage(int32_t dx, int16_t ca, int16_t cb, int32_t h, int32_t* la, int32_t* lb) {
  const int32_t p = std::min(dx / 3, h);
  const int32_t q = h < dx / 3 ? dx - h : 2 * dx / 3;
  if (ca == cb) {
    *la = dx / 2;
    *lb = dx - dx / 2;
  } else if (ca < cb) {
    *la = q;
    *lb = p;
  } else {
    *la = p;
    *lb = q;
  }
}

void TraceRunEnAttente(uint8_t draw, int16_t x2, int16_t y2) {
  if (draw && LastnBarres >= 0)
    TraceBarres(LargeurBarre, EcartBarre, LastnBarres, LastColonne, LastLigne, x2, y2, LastSens);
}

void Segmente(const Segment& s, uint8_t draw, uint8_t sens) {
  if (s.barres != -1 && s.barres != LastnBarres) {
    TraceRunEnAttente(draw, S16(s.x1), S16(s.y1));
    LastnBarres = s.barres;
    LastColonne = S16(s.x1);
    LastLigne = S16(s.y1);
  }
  LastColDest = S16(s.x2);
  LastLinDest = S16(s.y2);
  LastSens = sens;
}

void TraceRun(Portee** staff, int16_t debut, int16_t fin, uint8_t draw, Tablature* tablature, int32_t h) {
  const bool rythme = ModeRythme(tablature);
  const uint8_t sens = TabQueue[debut].direction;
  QueueEntry& a = TabQueue[debut];
  QueueEntry& b = TabQueue[fin];
  // Slope limit: the end nearer its heads is lengthened.
  const int32_t pente = int8_t((*staff)->penteMaxBarre);
  if (pente != 100) {
    const float il = (*staff)->interligne > 0.0f ? (*staff)->interligne : 6.0f;
    const int32_t limite = pente * (fin - debut + 1) * int32_t(il) / 50;
    if (sens == 0) {
      if (a.extremiteHaut - b.extremiteHaut > limite) a.extremiteHaut = b.extremiteHaut + limite;
      else if (b.extremiteHaut - a.extremiteHaut > limite) b.extremiteHaut = a.extremiteHaut + limite;
    } else {
      if (b.extremiteBas > a.extremiteBas + limite) a.extremiteBas = b.extremiteBas - limite;
      else if (b.extremiteBas + limite < a.extremiteBas) b.extremiteBas = a.extremiteBas - limite;
    }
  }
  // Inner stems follow the line between the end tips; the run moves away from
  // the heads by the most any stem falls short.
  const int32_t ta = Pointe(a, sens), tb = Pointe(b, sens);
  const int32_t dxRun = b.x - a.x;
  int32_t manque = 0;
  for (int16_t k = debut; k <= fin; k++) {
    QueueEntry& e = TabQueue[k];
    const int32_t ligne = dxRun != 0 ? ta + (e.x - a.x) * (tb - ta) / dxRun : (ta + tb) / 2;
    const int32_t propre = Pointe(e, sens);
    manque = std::max(manque, sens == 0 ? ligne - propre : propre - ligne);
    e.extremite = S16(ligne);
  }
  int32_t m = 0;
  for (int16_t k = debut; k <= fin; k++) m = std::max(m, ValeurRun(TabQueue[k], rythme));
  if (m >= 3) manque += Zoom(LargeurBarre + EcartBarre) * (m - 2) / 4;
  for (int16_t k = debut; k <= fin; k++) {
    QueueEntry& e = TabQueue[k];
    FixePointe(e, sens, sens == 0 ? e.extremite - manque : e.extremite + manque);
  }
  // Up stems stand at the heads' right edge, down stems at their left.
  const int16_t t = EpaisseurQueue();
  if (sens == 0)
    for (int16_t k = debut; k <= fin; k++)
      TabQueue[k].decalageQueue =
          S16(TabQueue[k].largeurTete - std::max<int32_t>(1, Zoom(GModeGraphique.slot[26]) / 4));

  const bool impression = (*staff)->partition && (*(*staff)->partition)->impressionEnCours;
  LastnBarres = kAucuneBarre;
  for (int16_t k = debut; k <= fin; k++) {
    QueueEntry& e = TabQueue[k];
    const int32_t xq = e.x + e.decalageQueue;
    GranditExtremitesGrace(xq, e.extremiteHaut, e.extremiteBas);
    if (draw) {
      if (e.barres >= 0 && !e.accrocheSource && !e.accrocheDest) {
        CouleurEntree(staff, e);
        PenSize(t, t);
        MoveTo(S16(xq), S16(e.extremiteHaut + 1));
        LineTo(S16(xq), S16(e.extremiteBas));
        PenSize(1, 1);
      } else if (!impression) {
        // A stem drawn elsewhere: a grey chevron marks where its beam ends.
        SetRGBForeColor(0xC000, 0xC000, 0xC000);
        MoveTo(S16(xq), e.extremite);
        Line(2, 2);
        Move(-2, 0);
        Line(2, -2);
      }
    }
    int16_t gauche, droite;
    GetBeamLeftRight(debut, fin, k, rythme ? 1 : 0, &gauche, &droite);
    CouleurEntree(staff, e);
    if (k > debut && gauche >= -1 && !e.accrocheDest) {
      const QueueEntry& p = TabQueue[k - 1];
      int16_t gp, dp;
      GetBeamLeftRight(debut, fin, int16_t(k - 1), rythme ? 1 : 0, &gp, &dp);
      int32_t la, lb;
      Partage(e.x - p.x, dp, gauche, h, &la, &lb);
      Segmente(Morceau(p, e, (e.x - p.x) - lb, e.x - p.x, gauche), draw, e.direction);
    }
    if (k < fin && droite >= -1 && !e.accrocheSource) {
      const QueueEntry& n = TabQueue[k + 1];
      int16_t gn, dn;
      GetBeamLeftRight(debut, fin, int16_t(k + 1), rythme ? 1 : 0, &gn, &dn);
      int32_t la, lb;
      Partage(n.x - e.x, droite, gn, h, &la, &lb);
      Segmente(Morceau(e, n, 0, la, droite), draw, e.direction);
    }
  }
  if (LastnBarres != kBarreTracee) {
    TraceRunEnAttente(draw, LastColDest, LastLinDest);
    LastnBarres = kBarreTracee;
    LastColonne = LastColDest;
    LastLigne = LastLinDest;
    LastColDest = LastLinDest = -1;
  }
}

}  // namespace

void TraceQueue(Portee** staff, int16_t first, int16_t last, uint8_t draw, Tablature* tablature) {
  if (!staff || first < 0 || last < first || last >= kMaxQueues) return;
  if (first == last) {
    TraceQueueUneSeuleNote(staff, first, first, 1, draw, tablature);
    return;
  }
  const int32_t h = Zoom((*staff)->longueurBarrePartielle);
  int16_t k = first;
  while (k <= last) {
    LastnBarres = kAucuneBarre;
    if (!TabQueue[k].barreSuivante) {
      TraceQueueUneSeuleNote(staff, k, k, 0, draw, tablature);
      k++;
      continue;
    }
    int16_t fin = k;
    while (fin < last && TabQueue[fin].barreSuivante) fin++;
    // A run of one stem (its beam goes on past the group) is a lone stem.
    if (fin == k) TraceQueueUneSeuleNote(staff, k, k, 0, draw, tablature);
    else TraceRun(staff, k, fin, draw, tablature, h);
    k = int16_t(fin + 1);
  }
  SetForeColorSigne(staff, (*staff)->couleur);

  // Tuplets: stretches of one tuplet byte go to the tuplet stage.
  int16_t debut = first;
  while (debut <= last) {
    int16_t fin = debut;
    while (fin < last && (TabQueue[fin + 1].tuplet & 0xFF) == (TabQueue[debut].tuplet & 0xFF)) fin++;
    if (fin > first && !TabQueue[fin - 1].barreSuivante) TabQueue[fin].decalageQueue = (*staff)->largeurTete;
    if ((TabQueue[debut].tuplet & 0xF) != 0) {
      TextFontMusicale(staff, S16(int32_t(UniteMusicale(staff)) * TabQueue[debut].taille / 100));
      AjouteTuplets(staff, debut, fin, 1);
    }
    debut = int16_t(fin + 1);
  }
}

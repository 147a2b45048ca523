#include "notation/ValeursNotes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "layout/Zoom.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Splines.h"

QueueEntry TabQueue[kMaxQueues];
int16_t nbQueue = 0;
int16_t curModeDecoupeDemiTemps = 0;
int16_t minBarresInTabQueue = 1;
int16_t minNbBarresDecoupe = 1;

namespace {

// The beam pen's width in 1/288 inch; the graphic mode gives it no slot, and
// 0 takes the default of one unit.
constexpr int16_t kMGLargeurPlumeBarre = 0;
constexpr int16_t kLargeurPlumeBarreDefaut = 1;

int16_t LargeurPlumeBarre() { return kMGLargeurPlumeBarre ? kMGLargeurPlumeBarre : kLargeurPlumeBarreDefaut; }

struct Candidat {
  int32_t v, b;
  int16_t c;
};

// Halves a start value and its base while the value is above m and both
// stay even.
Candidat Divise(int64_t depart, int32_t m) {
  Candidat r{int32_t(std::min<int64_t>(depart, INT32_MAX)), kDureeQuatreRondes, -4};
  while (r.v > m && r.v % 2 == 0 && r.b % 2 == 0) {
    r.v /= 2;
    r.b /= 2;
    r.c++;
  }
  return r;
}

int16_t CodeCrochets(const Candidat& r) {
  if (r.b == kDureeQuatreRondes) return 0;
  return r.c < 0 ? int16_t(r.c + 1) : r.c;
}

}  // namespace

void CalculeNotePossible(int32_t duration, int32_t limit, uint8_t* equal, uint16_t division, NotePossible* result,
                         int8_t kind) {
  NotePossible r{};
  const int32_t m = std::min(duration, limit);
  if (kind == kSigneRepeteDeuxMesures || kind == kSigneSpecial) {
    r.dureeEcrite = limit;
    r.base = -1;
    r.division = uint16_t((division & 0xFF00) | kDivisionSimple);
    r.octetDivision = kDivisionSimple;
    r.crochets = kCrochetsSilence;
    if (equal) *equal = 1;
    if (result) *result = r;
    return;
  }
  const int n = division & 0xF, normal = (division >> 4) & 0xF;
  bool trouve = false;
  Candidat choisi{};
  int16_t points = 0;
  uint16_t mot = division;
  // A tuplet member first, in its own ratio.
  if (n != 0 && !(n < 2 && (division & 0xE0) == 0)) {
    const int64_t K[3] = {kDureeQuatreRondes, kDureeQuatreRondesPointees, kDureeQuatreRondesDoublePointees};
    for (int d = 0; d < 3 && !trouve; d++) {
      if (d > 0 && !(n >= 2 && normal >= 2)) break;
      Candidat c = Divise(int64_t(normal) * K[d] / n, m);
      if (c.v > m) c.v = m;
      if (c.v == m && m > 0) {
        choisi = c;
        points = int16_t(d);
        trouve = true;
      }
    }
  }
  // Plain values, dotted, double-dotted, then a plain triplet.
  if (!trouve) {
    const struct {
      int64_t K;
      int16_t points;
      uint16_t octet;
    } plains[4] = {{kDureeQuatreRondes, 0, kDivisionSimple},
                   {kDureeQuatreRondesPointees, 1, kDivisionSimple},
                   {kDureeQuatreRondesDoublePointees, 2, kDivisionSimple},
                   {kDureeQuatreRondesTriolet, 0, kDivisionTriolet}};
    for (const auto& p : plains) {
      const Candidat c = Divise(p.K, m);
      if (c.v == m) {
        choisi = c;
        points = p.points;
        mot = uint16_t((division & 0xFF00) | p.octet);
        trouve = true;
        break;
      }
    }
  }
  // No value fits: the longest one below it.
  if (!trouve) {
    if ((division & 0xE) == 0 || division < 32) {
      const Candidat simple = Divise(kDureeQuatreRondes, m);
      const Candidat pointe = Divise(kDureeQuatreRondesPointees, m);
      // A dotted value that would overrun the duration is never taken.
      const bool avecPoint = pointe.b >= simple.b && pointe.v <= m;
      choisi = avecPoint ? pointe : simple;
      points = avecPoint ? 1 : 0;
      mot = uint16_t((division & 0xFF00) | kDivisionSimple);
    } else {
      choisi = Divise(int64_t(normal) * kDureeQuatreRondes / n, m);
      points = 0;
      mot = division;
    }
    // Below the shortest value the piece still never goes past the duration.
    if (choisi.v > m) choisi.v = std::max(m, 0);
  }
  r.dureeEcrite = choisi.v;
  r.base = choisi.b;
  r.points = points;
  r.division = mot;
  r.octetDivision = uint8_t(mot & 0xFF);
  r.crochets = kind < 0 ? kCrochetsSilence : CodeCrochets(choisi);
  if (equal) *equal = r.dureeEcrite == duration ? 1 : 0;
  if (result) *result = r;
}

int16_t CalculePointeNote(Portee** staff, const Signe* sign) {
  if (!sign || sign->kind < kSigneSilence) return 0;
  if (sign->kind == kSigneSilence && staff && (*staff)->cacheSilences) return 0;
  NotePossible r;
  CalculeNotePossible(sign->duree, sign->duree, nullptr, sign->motTuplet, &r, sign->kind);
  return r.points;
}

int16_t AjouteQueue(int16_t headWidth, int16_t x, int16_t beams, int32_t baseValue, uint8_t direction, uint8_t beamNext,
                    uint8_t ownBeamNext, uint8_t splitPoint, int16_t splitMode, uint8_t linkSource, uint8_t linkDest,
                    uint8_t linkedStem, int32_t signIndex, uint16_t colour, uint16_t sizePercent, uint8_t prefColour,
                    Signe* noteRecord) {
  curModeDecoupeDemiTemps = splitMode;
  if (nbQueue < 0) nbQueue = 0;
  if (nbQueue >= kMaxQueues) return -1;
  if (nbQueue == 0) minBarresInTabQueue = beams;
  else if (beams < minBarresInTabQueue) minBarresInTabQueue = beams;
  QueueEntry& e = TabQueue[nbQueue];
  e = QueueEntry{};
  e.x = x;
  e.largeurTete = headWidth;
  e.barres = beams;
  e.base = baseValue;
  e.extremiteHaut = 999999;
  e.extremiteBas = -999999;
  e.direction = direction;
  e.pointDecoupe = splitPoint;
  e.barreSuivante = beamNext;
  e.accrocheSigne = ownBeamNext;
  e.accrocheSource = linkSource;
  e.accrocheDest = linkDest;
  e.queueLiee = linkedStem;
  const uint16_t mot = noteRecord ? noteRecord->motTuplet : uint16_t(0);
  e.tuplet = uint16_t((mot & ~(0xF | kTupletRatio | kTupletCourbe)) | kTupletCrochet);
  e.indexSigne = signIndex;
  e.couleur = prefColour ? kCouleurSignesSurbrillance : colour;
  e.taille = sizePercent;
  e.signe = noteRecord;
  return nbQueue++;
}

int16_t CalculeMinNbBarresDecoupe(int32_t u) {
  if (u < 630) return 7;
  if (u < 1260) return 6;
  if (u < 2520) return 5;
  if (u < 5040) return 4;
  if (u < 10080) return 3;
  if (u < 20160) return 2;
  if (u < 40320) return 1;
  return 0;
}

namespace {

int16_t BarresEffectives(int16_t k, uint8_t shifted) {
  const QueueEntry& e = TabQueue[k];
  int32_t b = e.barres;
  if (shifted) {
    if (b >= -10 && b <= 0) {
      if (e.base > 645119) b = -1000;
      else if (e.base > 322559) b = -999;
      else if (e.base > 161279) b = -998;
      else if (e.base > 80639) b = 0;
      else b = b + 1;
    } else {
      b = b + 1;
    }
  }
  if (b <= 0 && (e.tuplet & 0xF) != 0) b = b == 0 ? -997 : -1;
  return int16_t(b);
}

}  // namespace

void GetBeamLeftRight(int16_t first, int16_t last, int16_t i, uint8_t shifted, int16_t* left, int16_t* right) {
  int16_t l = -2, r = -2;
  if (i < 0 || i >= kMaxQueues || first < 0 || last >= kMaxQueues || first > last) {
    if (left) *left = l;
    if (right) *right = r;
    return;
  }
  if (i <= first) {
    r = BarresEffectives(i, shifted);
  } else if (i >= last) {
    l = BarresEffectives(i, shifted);
  } else {
    int16_t L = BarresEffectives(int16_t(i - 1), shifted);
    const int16_t C = BarresEffectives(i, shifted);
    int16_t R = BarresEffectives(int16_t(i + 1), shifted);
    const bool ici = TabQueue[i].pointDecoupe != 0, suivant = TabQueue[i + 1].pointDecoupe != 0;
    const int16_t S = minNbBarresDecoupe, B = minBarresInTabQueue;
    switch (curModeDecoupeDemiTemps) {
      case 1:
      case 4: {
        const int16_t v = curModeDecoupeDemiTemps == 1 ? B : int16_t(1);
        if (C > S) {
          if (ici) L = v;
          if (suivant) R = v;
        }
        break;
      }
      case 2:
        if (ici && B >= 2 && C == B && L == B) L = int16_t(B - 1);
        else if (ici && C > S) L = B;
        if (suivant && B >= 2 && C == B && R == B) R = int16_t(B - 1);
        else if (suivant && C > S) R = B;
        break;
      case 3:
        if (C > S) {
          if (ici) L = std::max<int16_t>(1, int16_t(B - 1));
          if (suivant) R = std::max<int16_t>(1, int16_t(B - 1));
        }
        break;
      default: break;
    }
    const int k = (L > C ? 0 : L == C ? 1 : 2) + (C > R ? 0 : C == R ? 3 : 6);
    switch (k) {
      case 0:
      case 1: l = C, r = R; break;
      case 3:
      case 4:
      case 6:
      case 7: l = C, r = C; break;
      case 5:
      case 8: l = L, r = C; break;
      default:  // 2: above both neighbours
        if (L > R) l = C, r = R;
        else if (L < R || ici) l = L, r = C;
        else if (!suivant && TabQueue[i - 1].base > TabQueue[i + 1].base) l = L, r = C;
        else l = C, r = R;
        break;
    }
  }
  if (TabQueue[i].accrocheSource) r = 0;
  if (TabQueue[i].accrocheDest) l = 0;
  if (left) *left = l;
  if (right) *right = r;
}

void PrepareTraceBarres(int16_t thickness, int16_t gap, uint8_t thin, int16_t* penHeight, int16_t* gapOut) {
  FixeEpaisseurCouleur(LargeurPlumeBarre(), thickness, 288, -1);
  const int16_t h = GetLastPnSizeV();
  if (thin) {
    Point taille;
    GetPortPenSize(GetQDGlobalsThePort(), &taille);
    PenSize(taille.h, CvtTaillePlumeZoom(2, 288));
  }
  if (penHeight) *penHeight = h;
  if (gapOut) *gapOut = int16_t(std::max<int32_t>(1, Zoom(gap) / 4));
}

int16_t TraceBarres(int16_t thickness, int16_t gap, int16_t count, int16_t x1, int16_t y1, int16_t x2, int16_t y2,
                    uint8_t upward) {
  const int32_t dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  if (pref.traitsAntialias) {
    if (count < 0) return 0;
    const float dpi = float(GetDpiDest());
    float epaisseur = float(thickness) * dpi / 288.0f;
    int32_t n = count;
    if (thickness == 0) {
      epaisseur = dpi / 144.0f;
      n = 1;
    }
    const float plume = float(LargeurPlumeBarre()) * dpi / 288.0f;
    float ecart = float(gap) * dpi / 288.0f;
    // A sloped beam is thicker across than its pen: the gap makes room for it.
    if (dx > 0) ecart += 2.0f * float(dy) * plume / float(dx);
    const float pas = ecart + epaisseur, signe = upward ? -1.0f : 1.0f;
    for (int32_t k = 0; k < n; k++) {
      const float d = signe * float(k) * pas;
      AntialiasedLine(true, float(x1), float(y1) + d, float(x2), float(y2) + d, plume, epaisseur);
    }
    if (n < 1) return 0;
    return int16_t(std::lround(ecart * float(n - 1) + epaisseur * float(n - (upward ? 1 : 0))));
  }
  if (count < 0) return 0;
  int32_t n = count;
  int16_t h;
  if (n == 0) {
    PrepareTraceBarres(std::max<int16_t>(thickness, 1), gap, 1, nullptr, nullptr);
    h = CvtTaillePlumeZoom(2, 288);
    n = 1;
  } else {
    PrepareTraceBarres(std::max<int16_t>(thickness, 1), gap, 0, &h, nullptr);
  }
  Point taille;
  GetPortPenSize(GetQDGlobalsThePort(), &taille);
  int32_t ecart = std::max<int32_t>(1, Zoom(gap) / 4);
  if (dx > 0) ecart += 2 * dy * taille.h / dx;
  const int32_t pas = ecart + h;
  for (int32_t k = 0; k < n; k++) {
    const int32_t d = (upward ? -1 : 1) * k * pas;
    MoveTo(x1, int16_t(y1 + d));
    LineTo(x2, int16_t(y2 + d));
  }
  PenSize(1, 1);
  return int16_t(ecart * (n - 1) + h * (n - (upward ? 1 : 0)));
}

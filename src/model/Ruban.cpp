#include "model/Ruban.h"

#include <cmath>

#include "layout/ServicesMiseEnPage.h"
#include "model/CvtTemps.h"
#include "model/Document.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/TabEltMesure.h"
#include "notation/ServicesNotation.h"
#include "plugin/ServicesInertes.h"
#include "system/PortLayer.h"
#include "system/Strings.h"
#include "text/Fontes.h"

static bool noNullZoomResult = true;

bool IsNoNullZoomResult() { return noNullZoomResult; }
void SetNoNullZoomResult(bool on) { noNullZoomResult = on; }

// Bands run this far to the right.
constexpr int32_t kDroiteBandeRuban = 268435455;
constexpr int32_t kLimitePage = 32000;

static int16_t BornePage(int64_t v) {
  if (v > kLimitePage) return kLimitePage;
  return v < -kLimitePage ? -kLimitePage : int16_t(v);
}

// A score's zoom of 0 or less (damaged file) counts as 100 %.
static int32_t ZoomPartition(Partition** score) {
  int32_t z = score ? (*score)->zoom : 72;
  return z > 0 ? z : 72;
}

static int32_t NonNul(int32_t v, int32_t r) {
  if (r == 0 && v != 0 && noNullZoomResult) return v > 0 ? 1 : -1;
  return r;
}

int32_t ZoomRuban(Partition** score, int32_t v) {
  if (v == 0) return 0;
  return NonNul(v, LMulDiv(v, ZoomPartition(score), 72));
}

int32_t DeZoomRuban(Partition** score, int32_t v) {
  if (v == 0) return 0;
  return NonNul(v, LMulDiv(v, 72, ZoomPartition(score)));
}

// Piano-roll pixels of a duration: one per 1008 ticks at zoom 72.
static int32_t PixelsRuban(Partition** score, int32_t d) { return ZoomRuban(score, LMulDiv(d, 10, 10080)); }

static TabEltMesure* TableRuban(Partition** score, int32_t* n) {
  *n = GetNbMesuresTabEltRuban(score);
  return *n > 0 ? GetLignesTabElt((*score)->tabEltMesure[0]) : nullptr;
}

static const TabEltMesure* LigneRuban(Partition** score, int32_t bar) {
  int32_t n;
  const TabEltMesure* r = score ? TableRuban(score, &n) : nullptr;
  return (r && bar >= 0 && bar < n) ? r + bar : nullptr;
}

// ---------------------------------------------------------------- x and ticks

int32_t CvtTempsEnPixelRuban(Partition** score, int32_t tick) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltTemps);
  if (IsModeZorodava(score, nullptr)) {
    int32_t x = ZorodavaCvtTempsEnPixelRuban(score, tick);
    if (x >= 0) return x;
  }
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  if (!r) return 0;
  int32_t b = CvtTempsEnMesure(score, tick);
  if (b < 0) b = 0;
  int64_t extra = 0;
  int64_t t = tick;
  if (b >= n) {
    int64_t fin = int64_t(CvtMesureEnTemps(score, n - 1)) + CvtMesureEnDureeMesure(score, n - 1);
    extra = int64_t(b + 1 - n) * ZoomRuban(score, 16) + PixelsRuban(score, Sature32(t - fin));
    t = fin;
    b = n - 1;
  }
  int64_t d = t - CvtMesureEnTemps(score, b);
  if (d >= 0) extra += int64_t(r[b].debutX) + r[b].largeurEntete;
  float v = roundf(float(PixelsRuban(score, Sature32(d))) * 0.001f * r[b].etirement);
  return Sature32(int64_t(v) + extra);
}

int32_t CvtPixelRubanEnMesure(Partition** score, int32_t x) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  if (!r) return 0;
  if (r[n - 1].debutX <= x) {
    int64_t d = int64_t(x) - r[n - 1].debutX - r[n - 1].largeurTotale;
    if (d < 0) return n - 1;
    int64_t w =
        int64_t(CalculeMargeRubanApresCle(score, n - 1)) + PixelsRuban(score, CvtMesureEnDureeMesure(score, n - 1));
    return w > 0 ? Sature32(n + d / w) : n;
  }
  // The last row starting at or left of x (row 0 when none does).
  int32_t lo = 0, hi = n - 1;
  while (hi - lo > 1) {
    int32_t mid = lo + (hi - lo) / 2;
    if (r[mid].debutX > x) hi = mid;
    else lo = mid;
  }
  return lo;
}

int32_t CvtPixelRubanEnTemps(Partition** score, int32_t x) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement | kTabEltTemps);
  if (IsModeZorodava(score, nullptr)) {
    int32_t t = ZorodavaCvtPixelRubanEnTemps(score, x);
    if (t >= 0) return t;
  }
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  if (!r) return 0;
  int32_t b = CvtPixelRubanEnMesure(score, x);
  if (b < 0) b = 0;
  int64_t base, d;
  float echelle;
  if (b >= n) {
    base = CvtMesureEnTemps(score, b);
    d = int64_t(x) - CvtMesureEnPixelRuban(score, b);
    echelle = 1000.0f;
  } else {
    d = int64_t(x) - r[b].debutX;
    // The first half of the header belongs to the end of the previous bar.
    if (d < r[b].largeurEntete / 2) return Sature32(int64_t(CvtMesureEnTemps(score, b)) - 2);
    d -= r[b].largeurEntete;
    if (d > int64_t(r[b].largeurMusique) - 1) d = int64_t(r[b].largeurMusique) - 1;
    base = CvtMesureEnTemps(score, b);
    echelle = r[b].etirement;
  }
  if (d < 0) return Sature32(base);
  if (!(echelle > 0.0f)) echelle = 1000.0f;
  int32_t ticks = DeZoomRuban(score, LMulDiv(Sature32(d), 10080, 10));
  float v = roundf(float(ticks) * 1000.0f / echelle);
  return Sature32(base + (v < 2147483520.0f ? int64_t(v) : int64_t(INT32_MAX)));
}

static int32_t PixelRubanMesure(Partition** score, int32_t bar, bool musique) {
  if (!score) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  if (!r) return 0;
  if (bar < 0) bar = 0;
  if (bar < n) return Sature32(int64_t(r[bar].debutX) + (musique ? r[bar].largeurEntete : 0));
  int64_t base = int64_t(r[n - 1].debutX) + r[n - 1].largeurTotale;
  int64_t w =
      int64_t(CalculeMargeRubanApresCle(score, n - 1)) + PixelsRuban(score, CvtMesureEnDureeMesure(score, n - 1));
  return Sature32(base + (musique ? ZoomRuban(score, 16) : 0) + int64_t(bar - n) * w);
}

int32_t CvtMesureEnPixelRuban(Partition** score, int32_t bar) { return PixelRubanMesure(score, bar, true); }
int32_t CvtMesureEnPixelRubanDebutMesure(Partition** score, int32_t bar) { return PixelRubanMesure(score, bar, false); }

int16_t CvtMesureEnMargeGaucheMesureRuban(Partition** score, int32_t bar) {
  const TabEltMesure* e = LigneRuban(score, bar);
  return e ? Sature16(e->largeurEntete) : 0;
}

int16_t CvtMesureEnTailleUtileMesureRuban(Partition** score, int32_t bar) {
  if (!score || bar < 0) return 0;
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  return r ? Sature16(r[bar < n ? bar : n - 1].largeurMusique) : 0;
}

int16_t CvtMesureEnTailleRubanClePixel(Partition** score, int32_t bar) {
  const TabEltMesure* e = LigneRuban(score, bar);
  return e ? Sature16(e->largeurCleArmure) : 0;
}

int32_t CvtMesureEnTaillePixelRuban(Partition** score, int32_t bar) {
  if (!score || bar < 0) return 0;
  UpdateTabEltMesure(score, kTabEltEspacement);
  int32_t n;
  const TabEltMesure* r = TableRuban(score, &n);
  if (!r) return 0;
  if (bar < n) return r[bar].largeurTotale;
  return Sature32(int64_t(PixelsRuban(score, CvtMesureEnDureeMesure(score, n - 1))) + ZoomRuban(score, 16));
}

int16_t CalculeMargeDebutMesureRuban(Partition** score, int32_t bar) {
  if (score) UpdateTabEltMesure(score, kTabEltEspacement);
  const TabEltMesure* e = LigneRuban(score, bar);
  return e ? Sature16(e->largeurEntete) : Sature16(ZoomRuban(score, 16));
}

int16_t CalculeMargeRubanApresCle(Partition** score, int32_t bar) {
  if (score) UpdateTabEltMesure(score, kTabEltEspacement);
  const TabEltMesure* e = LigneRuban(score, bar);
  return e ? Sature16(int64_t(e->largeurEntete) - e->largeurCleArmure) : Sature16(ZoomRuban(score, 16));
}

int32_t CvtIndexNoteEnPixelRuban(Portee** staff, int32_t index) {
  if (!staff) return 0;
  Partition** score = (*staff)->partition;
  int32_t t = CvtIndexNoteEnTemps(staff, index);
  int32_t b = CvtTempsEnMesure(score, t);
  if (IsPauseMesureEntiere(staff, index, t, b)) {
    int64_t w = 0;
    const TabEltMesure* e = LigneRuban(score, b);
    if (e) w = e->largeurTotale;
    for (int32_t k = b; IsMesureDecoupee(score, k); k++) {
      e = LigneRuban(score, k + 1);
      if (!e) break;
      w += e->largeurTotale;
    }
    int64_t centre = (int64_t(CvtMesureEnTailleRubanClePixel(score, b)) + w) / 2;
    return Sature32(int64_t(CvtMesureEnPixelRuban(score, b)) - CvtMesureEnMargeGaucheMesureRuban(score, b) + centre);
  }
  return Sature32(int64_t(CvtTempsEnPixelRuban(score, t)) + CalculeDecalageCorpsAccord(score, staff, index));
}

// ---------------------------------------------------------------- piano roll and page

static bool IsModePageOuImpression(Partition** score) {
  return IsModePagePartition(score) || IsModeImpressionPartition(score);
}

// Maps an offset d from the start of a piano-roll row onto the screen row,
// segment by segment: bar line, clef and key, rest of the header, music,
// right margin (which also takes whatever lies beyond the music). A point at
// a segment's end maps to that segment's end; a segment with no piano-roll
// length maps to its start. An offset before the row (the bases of bars past
// the end lie a width ahead) scales with the whole bar, so that the
// extrapolation stays continuous.
static int64_t MappeSegments(const TabEltMesure& R, const TabEltMesure& S, int64_t d) {
  if (d < 0) return R.largeurTotale > 0 ? d * S.largeurTotale / R.largeurTotale : 0;
  int64_t r[5] = {R.largeurRupture, R.largeurCleArmure,
                  int16_t(R.largeurEntete - R.largeurRupture - R.largeurCleArmure), R.largeurMusique,
                  R.largeurMargeDroite};
  int64_t s[5] = {S.largeurRupture, S.largeurCleArmure,
                  int16_t(S.largeurEntete - S.largeurRupture - S.largeurCleArmure), S.largeurMusique,
                  S.largeurMargeDroite};
  int64_t debutS = 0;
  for (int k = 0; k < 5; k++) {
    if (k == 4 || d <= r[k]) {
      if (r[k] <= 0) return debutS;
      return debutS + d * s[k] / r[k];
    }
    d -= r[k];
    debutS += s[k];
  }
  return debutS;
}

int32_t CvtPixelRubanEnPixelEcran(Partition** score, int32_t x) {
  if (!IsModePageOuImpression(score)) return x;
  int32_t nS = GetNbLignesTabElt(GetTabEltMesureEcran(score));
  const TabEltMesure* S = GetLignesTabElt(GetTabEltMesureEcran(score));
  int32_t nR;
  const TabEltMesure* R = TableRuban(score, &nR);
  if (!S || !R) return x;
  int32_t lignes = nR < nS ? nR : nS;
  int32_t b = CvtPixelRubanEnMesure(score, x);
  if (b < 0) b = 0;
  int32_t c = (*score)->nbMesures;
  if (c > lignes) c = lignes;
  if (c <= 0) return x;
  int64_t baseR, baseS;
  int32_t ligne = b;
  if (b >= c) {
    // The first bar past the end is based two widths beyond the last bar's start.
    ligne = c - 1;
    baseR = int64_t(R[ligne].debutX) + int64_t(b - c + 2) * R[ligne].largeurTotale;
    baseS = int64_t(S[ligne].debutX) + int64_t(b - c + 2) * S[ligne].largeurTotale;
  } else {
    baseR = R[b].debutX;
    baseS = S[b].debutX;
  }
  return Sature32(baseS + MappeSegments(R[ligne], S[ligne], int64_t(x) - baseR));
}

// part x r / s, or 0 when the screen segment has no length.
static int64_t Proportion(int64_t part, int32_t r, int32_t s) { return s == 0 ? 0 : LMulDiv(Sature32(part), r, s); }

int32_t CvtPixelEcranEnPixelRuban(Partition** score, int32_t x) {
  if (!IsModePageOuImpression(score)) return x;
  int32_t nS = GetNbLignesTabElt(GetTabEltMesureEcran(score));
  const TabEltMesure* S = GetLignesTabElt(GetTabEltMesureEcran(score));
  int32_t nR;
  const TabEltMesure* R = TableRuban(score, &nR);
  if (!S || !R) return x;
  int32_t n = nR < nS ? nR : nS;
  int32_t b = 0;
  int64_t v = x;
  while (b < n - 1 && v > S[b].largeurTotale) {
    v -= S[b].largeurTotale;
    b++;
  }
  const TabEltMesure& s = S[b];
  const TabEltMesure& r = R[b];
  int64_t rx;
  if (v < s.largeurEntete) rx = Proportion(v, r.largeurEntete, s.largeurEntete);
  else if (v < int64_t(s.largeurEntete) + s.largeurMusique)
    rx = r.largeurEntete + Proportion(v - s.largeurEntete, r.largeurMusique, s.largeurMusique);
  else
    rx = int64_t(r.largeurEntete) + r.largeurMusique +
         Proportion(v - s.largeurEntete - s.largeurMusique, r.largeurMargeDroite, s.largeurMargeDroite);
  return Sature32(int64_t(r.debutX) + rx);
}

// ---------------------------------------------------------------- bands

static Portee** PorteeIndex(Partition** score, int32_t i) {
  if (!score || !(*score)->portees || i < 0 || i >= (*score)->nbPortees) return nullptr;
  return (*score)->portees[i];
}

// A tablature recomputes its own geometry when it learns to.
void InitTailleRubanPortee(Partition** score, Portee** staff) {
  if (!score || !staff) return;
  int32_t unite = (*staff)->aspect.tailleUnite > 0 ? (*staff)->aspect.tailleUnite : 72;
  int16_t taille = Sature16(ZoomRuban(score, unite));
  // The head width: the whole-note head of the music font at that size.
  CGrafPtr ancien = SetPortTemporaire();
  TextFontVellariForSize(taille);
  TextSize(taille);
  TextFace(0);
  int32_t tete = CharWidthCaractereMusical(207);
  SetPort(ancien);
  Portee* p = *staff;
  p->largeurNoteRuban = (tete * 613 + 356) / 713;
  double diviseur = p->type == kTypePorteeGregorien ? 648.0 : 864.0;
  p->interligneRuban = float(double(unite) * double(ZoomPartition(score)) / diviseur);
  p->huitiemeRuban = Sature16(taille / 8);
  p->quinziemeRuban = Sature16(taille / 15);
  p->hauteurRuban = Sature16(ZoomRuban(score, p->hauteurBaseRuban));
  p->decalageLigneBasRuban = Sature16(ZoomRuban(score, p->decalageLigneBasBaseRuban));
}

void AppliquePorteeFusionneRuban(Portee** leader, Portee** staff) {
  if (!leader || !staff || leader == staff) return;
  Portee* l = *leader;
  Portee* p = *staff;
  p->aireRuban = l->aireRuban;
  p->yRuban = l->yRuban;
  p->hauteurRuban = l->hauteurRuban;
  p->hauteurBaseRuban = l->hauteurBaseRuban;
  p->decalageLigneBasRuban = l->decalageLigneBasRuban;
  p->decalageLigneBasBaseRuban = l->decalageLigneBasBaseRuban;
  p->interligneRuban = l->interligneRuban;
}

void CalculeAireRubanPorteesPartition(Partition** score) {
  if (!score || !(*score)->portees) return;
  int32_t y = 0;
  Portee** leader = nullptr;
  for (int16_t i = 0; i < (*score)->nbPortees; i++) {
    Portee** staff = (*score)->portees[i];
    if (!staff) continue;
    InitTailleRubanPortee(score, staff);
    Portee* p = *staff;
    if (!p->affichee) {
      p->aireRuban = BigRect{0, kDroiteBandeRuban, y, y};
      p->yRuban = y;
      p->hauteurRuban = 0;
      continue;
    }
    if (leader) {
      AppliquePorteeFusionneRuban(leader, staff);
      if (!p->fusionneAvecSuivante) {
        y += (*leader)->hauteurRuban;
        leader = nullptr;
      }
      continue;
    }
    p->aireRuban = BigRect{0, kDroiteBandeRuban, y, y + p->hauteurRuban};
    p->yRuban = y;
    if (p->modeFusion == kFusionAucune) y += p->hauteurRuban;
    else leader = staff;
  }
}

int16_t CvtPosYRubanEnIndexPortee(Partition** score, int32_t y) {
  int32_t nb = score ? (*score)->nbPortees : 0;
  if (y < 0 || nb <= 0 || !(*score)->portees) return -1;
  int32_t prise = -1, derniereVue = -1;
  int32_t i = 0;
  while (i < nb) {
    Portee** staff = PorteeIndex(score, i);
    if (staff && (*staff)->affichee) {
      derniereVue = i;
      if ((*staff)->aireRuban.bottom > y) {
        prise = i;
        break;
      }
    }
    // Only the first staff of a merged group is looked at.
    int32_t j = i;
    while (j < nb && PorteeIndex(score, j) && (*PorteeIndex(score, j))->fusionneAvecSuivante) j++;
    i = j + 1;
  }
  if (prise < 0) prise = derniereVue;
  if (prise < 0) return -1;
  uint32_t mode = (*PorteeIndex(score, prise))->modeFusion;
  if (mode != kFusionAucune && mode != kFusionMaitre && prise != nb - 1) {
    int32_t k = prise + 1;
    while (k < nb - 1 && PorteeIndex(score, k) && (*PorteeIndex(score, k))->modeFusion != kFusionMaitre) k++;
    prise = k;
  }
  return int16_t(prise);
}

int16_t CvtPtRubanEnIndexPortee(Document* document, const Point* pagePoint, BigPt point, bool flag) {
  Partition** score = document ? document->partitionCourante : nullptr;
  if (flag && pagePoint && IsModePageOuImpression(score)) {
    // On a page, the staff is the one of the system under the point.
    LocalisationPage ou;
    if (!CvtPointEcranEnLocalisationPageSelonType(document, *pagePoint, kSystemeMusique, &ou, 4)) return -1;
    return int16_t(ou.portee.indexPortee);
  }
  int16_t i = CvtPosYRubanEnIndexPortee(score, point.y);
  Portee** staff = PorteeIndex(score, i);
  if (!flag || !staff) return i;
  int32_t sens = point.y < int64_t((*staff)->aireRuban.top) + (*staff)->decalageLigneBasRuban ? -1 : 1;
  for (int32_t k = i; k >= 0 && k < (*score)->nbPortees; k += sens) {
    Portee** p = PorteeIndex(score, k);
    if (p && (*p)->affichee && (*p)->modeFusion != kFusionMembre) return (*p)->index;
  }
  return (*staff)->index;
}

// ---------------------------------------------------------------- points and areas

static float InterligneEcran(const Portee* p) { return p->interligne > 0.0f ? p->interligne : 6.0f; }
static float UniteObjet(const Portee* p) { return p->uniteObjet > 0.0f ? p->uniteObjet : 1.0f; }

void CvtPtRubanEnPtEcranDansPorteeOffset(Document*, Portee** staff, int32_t xOffset, BigPt point, Point* out) {
  if (!out) return;
  if (!staff) {
    *out = Point{-1, -1};
    return;
  }
  Partition** score = (*staff)->partition;
  const Portee* p = *staff;
  if (!IsModePageOuImpression(score)) {
    int64_t decalage = score ? (*score)->margeGaucheEcran : 0;
    out->h = BornePage(int64_t(p->rect.left) + decalage - xOffset + point.x);
    out->v = BornePage(int64_t(p->yEcran) + (int64_t(point.y) - p->aireRuban.top));
    return;
  }
  int64_t X = CvtPixelRubanEnPixelEcran(score, point.x);
  out->h = BornePage(X - xOffset + p->rect.left);
  float interRuban = p->interligneRuban > 0.0f ? p->interligneRuban : 6.0f;
  float dy =
      roundf(float(int64_t(p->decalageLigneBasRuban) + p->aireRuban.top - point.y) * InterligneEcran(p) / interRuban);
  out->v = BornePage(int64_t(p->yEcran) + p->decalageLigneBas - int64_t(dy));
}

bool CvtPtRubanEnPtEcran(Document* document, BigPt point, Point* out, uint16_t* systemIndex) {
  if (!out) return false;
  *out = Point{-1, -1};
  Partition** score = document ? document->partitionCourante : nullptr;
  if (!score) return false;
  if (IsModePageOuImpression(score)) {
    LocalisationPage ou;
    if (!CvtPtRubanEnLocalisationPage(document, point, &ou)) return false;
    Portee** staff = PorteeIndex(score, ou.portee.indexPortee);
    if (!staff) return false;
    const Systeme& systeme = reinterpret_cast<const Systeme*>(
        *reinterpret_cast<const Page*>(*(*score)->pages)[ou.page].systemes)[ou.element];
    // The staff stands where the system shows it for the time of the conversion.
    const Rect gardeRect = (*staff)->rect;
    const int16_t gardeY = (*staff)->yEcran, gardeDecalage = (*staff)->decalageLigneBas;
    (*staff)->rect = ou.portee.rectDessin;
    (*staff)->yEcran = ou.portee.rectDessin.top;
    (*staff)->decalageLigneBas = Sature16(Zoom(ou.portee.espaceB));
    Handle table = GetTabEltMesureEcran(score);
    const int32_t premiere = systeme.premiereMesure;
    const int32_t x = premiere < GetNbLignesTabElt(table) ? GetLignesTabElt(table)[premiere].debutX : 0;
    CvtPtRubanEnPtEcranDansPorteeOffset(document, staff, x, point, out);
    (*staff)->rect = gardeRect;
    (*staff)->yEcran = gardeY;
    (*staff)->decalageLigneBas = gardeDecalage;
    if (systemIndex) *systemIndex = uint16_t(ou.element);
    return true;
  }
  int16_t i = CvtPosYRubanEnIndexPortee(score, point.y);
  Portee** staff = PorteeIndex(score, i);
  if (!staff) return false;
  CvtPtRubanEnPtEcranDansPorteeOffset(document, staff, GetPosPixelScroll(), point, out);
  if (systemIndex) *systemIndex = 65535;
  return true;
}

void CvtAireRubanEnAireEcranDansPorteeOffset(Document* document, Portee** staff, int32_t xOffset, const BigRect* area,
                                             Rect* out) {
  if (!area || !out) return;
  Point a, b;
  CvtPtRubanEnPtEcranDansPorteeOffset(document, staff, xOffset, BigPt{area->left, area->top}, &a);
  CvtPtRubanEnPtEcranDansPorteeOffset(
      document, staff, xOffset, BigPt{Sature32(int64_t(area->right) - 1), Sature32(int64_t(area->bottom) - 1)}, &b);
  *out = Rect{a.v, a.h, int16_t(b.v + 1), int16_t(b.h + 1)};
}

void CvtAireRubanEnAireEcran(Document* document, const BigRect* area, Rect* out) {
  if (!area || !out) return;
  Point a, b;
  CvtPtRubanEnPtEcran(document, BigPt{area->left, area->top}, &a, nullptr);
  CvtPtRubanEnPtEcran(document, BigPt{Sature32(int64_t(area->right) - 1), Sature32(int64_t(area->bottom) - 1)}, &b,
                      nullptr);
  *out = Rect{a.v, a.h, int16_t(b.v + 1), int16_t(b.h + 1)};
}

// Object heights: pitch scale x 0.01 x height x 100 / object unit, rounded
// half away from zero, in single precision.
static int32_t HauteurObjet(float interligne, const Portee* p, int32_t h) {
  return Sature32(int64_t(roundf(interligne * 0.01f * float(h) * 100.0f / UniteObjet(p))));
}

void CalculeAireObjetRuban(Portee** staff, const AireObjet* area, bool pixels, int32_t leftShift, int32_t rightShift,
                           BigRect* out) {
  if (!staff || !area || !out) return;
  Partition** score = (*staff)->partition;
  if (pixels) {
    out->left = ZoomRuban(score, area->debut) / 32;
    out->right = ZoomRuban(score, area->fin) / 32;
  } else {
    out->left = Sature32(int64_t(CvtTempsEnPixelRuban(score, area->debut)) + ZoomRuban(score, leftShift));
    out->right = Sature32(int64_t(CvtTempsEnPixelRuban(score, area->fin)) + ZoomRuban(score, rightShift));
  }
  const Portee* p = *staff;
  int64_t ref = int64_t(p->decalageLigneBasRuban) + p->aireRuban.top;
  out->top = Sature32(HauteurObjet(p->interligneRuban, p, area->haut) + ref);
  out->bottom = Sature32(HauteurObjet(p->interligneRuban, p, area->bas) + ref);
}

bool CvtAireObjetEnAireEcran(Document*, Portee** staff, int32_t xOffset, const AireObjet* area, int32_t leftShift,
                             int32_t rightShift, bool pixels, Rect* out) {
  if (!staff || !area || !out) return false;
  Partition** score = (*staff)->partition;
  const Portee* p = *staff;
  auto pageX = [&](int32_t rx) -> int16_t {
    if (IsModePageOuImpression(score))
      return BornePage(int64_t(CvtPixelRubanEnPixelEcran(score, rx)) - xOffset + p->rect.left);
    int64_t decalage = score ? (*score)->margeGaucheEcran : 0;
    int64_t recul = xOffset < 0 ? GetPosPixelScroll() : xOffset;
    return BornePage(int64_t(p->rect.left) + decalage + rx - recul);
  };
  int64_t gauche, droite;
  if (pixels) {
    gauche = pageX(int32_t(float(area->debut) * 0.03125f));
    droite = gauche + Zoom(Sature32(int64_t(area->fin) - area->debut)) / 32;
  } else {
    gauche = int64_t(pageX(CvtTempsEnPixelRuban(score, area->debut))) + Zoom(leftShift);
    droite = int64_t(pageX(CvtTempsEnPixelRuban(score, area->fin))) + Zoom(rightShift);
  }
  int64_t ref = int64_t(p->yEcran) + p->decalageLigneBas;
  out->left = BornePage(gauche);
  out->right = BornePage(droite);
  out->top = BornePage(HauteurObjet(InterligneEcran(p), p, area->haut) + ref);
  out->bottom = BornePage(HauteurObjet(InterligneEcran(p), p, area->bas) + ref);
  return true;
}

#include "notation/AjusteCoules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "layout/DonneesModeGraphique.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Partition.h"
#include "model/Portee.h"
#include "model/QRVPOBJ.h"
#include "model/QrvLiaison.h"
#include "model/Ruban.h"
#include "model/Signe.h"
#include "model/TabEltMesure.h"
#include "notation/PlacementMarks.h"
#include "notation/QrvLiaisonCoule.h"
#include "notation/TaillesPortee.h"
#include "notation/TraceLiaisons.h"
#include "plugin/Preferences.h"
#include "stafftypes/VecteursPortee.h"

namespace {

// Nested scopes leave the settings to the outermost one.
int profondeurCalcul = 0;

// Shorter than a whole note: the stem counts.
constexpr int32_t kDureeRonde = 161280;

template <typename T>
void Ecrit(DataLiaison* d, int offset, T v) {
  std::memcpy(d->forme + offset, &v, sizeof v);
}
template <typename T>
T Lit(const DataLiaison* d, int offset) {
  T v;
  std::memcpy(&v, d->forme + offset, sizeof v);
  return v;
}

int8_t Octet(int32_t v) { return int8_t(std::clamp<int32_t>(v, -128, 127)); }

void InitTaillesRuban(Partition** score, Portee** staff) {
  if (staff) {
    InitTailleRubanPortee(score, staff);
    return;
  }
  for (int16_t i = 0; i < (*score)->nbPortees; i++)
    if (Portee** p = GetPorteeIndex(score, i)) InitTailleRubanPortee(score, p);
}

bool Signe_(Portee** staff, int32_t note, Signe* out) {
  int32_t n = 0;
  const Signe* s = staff ? GetSignesPortee(staff, &n) : nullptr;
  if (!s || note < 0 || note >= n) return false;
  *out = s[note];
  return true;
}

bool EnBas(Portee** staff, int32_t note) {
  Signe s;
  return Signe_(staff, note, &s) && (s.flags & kSigneQueueEnBas);
}

bool EstTablature(Portee** staff) { return (*staff)->type == kTypePorteeTablature; }

// A note's area on the piano roll, from the staff's slot (a head-sized box
// around the note's y when the staff has none).
BigRect AireNote(Portee** staff, int32_t note) {
  BigRect r{};
  if ((*staff)->vecteurs.CvtIndexNoteEnAireRuban && (*staff)->vecteurs.CvtIndexNoteEnAireRuban(staff, note, &r))
    return r;
  const int32_t x = CvtIndexNoteEnPixelRubanSelonSensCorps(staff, note);
  const int32_t y = CvtIndexNoteEnPosRubanLin(staff, note);
  const float il = (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f;
  const int32_t h = std::max<int32_t>(1, int32_t(il / 2.0f));
  return BigRect{y - h, x, y + h, x + std::max<int32_t>(1, (*staff)->largeurNoteRuban)};
}

// A note's stem on the piano roll as shaping counts it: none from a whole
// note up.
int32_t TigeRuban(Portee** staff, int32_t note) {
  Signe s;
  if (!Signe_(staff, note, &s) || s.duree >= kDureeRonde) return 0;
  return GetTailleAfficheeTigeNote(staff, note);
}

// The extents of a note's marks above (negative or 0) and below, in points.
void Marks(Portee** staff, int32_t note, int32_t* up, int32_t* down) {
  int16_t h = 0, b = 0;
  CalculeDeltaYMarks(staff, note, &h, &b);
  *up = h;
  *down = b;
}

float InterligneRuban(Portee** staff) { return (*staff)->interligneRuban > 0.0f ? (*staff)->interligneRuban : 6.0f; }

int16_t HauteurControle(Portee** staff, float apex, int32_t ya, int32_t yb, bool above) {
  const float milieu = (float(ya) + float(yb)) / 2.0f;
  const int32_t v = int32_t(std::clamp((apex - milieu) * 1000.0f / InterligneRuban(staff), -32000.0f, 32000.0f));
  if (above) return int16_t(v >= 0 ? -1 : v);
  return int16_t(v <= 0 ? 1 : v);
}

bool Points(Portee** staff, int32_t note, BigPt* a, BigPt* c, BigPt* b, Portee*** autre, int32_t* j) {
  return CalculeCoordonneesLiaison(false, staff, note, false, kEffetDeLaNote, a, c, b, nullptr, false, autre, j) != 0;
}

struct Obstacle {
  int32_t x, y;
};

// Where the straight line from `e` through `o` stands at x.
float SurLigne(const BigPt& e, int32_t ox, float oy, int32_t x) {
  return float(e.y) + (oy - float(e.y)) * float(x - e.x) / float(ox - e.x);
}

// Stage one: the ends clear of the heads, stems and marks at each end.
void AjusteExtremites(Portee** staff, int32_t note, bool above, DataLiaison* d) {
  Partition** score = (*staff)->partition;
  BigPt a, c, b;
  Portee** autre = nullptr;
  int32_t j = -1;
  if (!Points(staff, note, &a, &c, &b, &autre, &j) || !autre) {
    SetLiaisonCouleDefautNote(staff, note, kLiaisonCoule);
    GetDataLiaisonNote(staff, note, d);
    return;
  }
  Signe sn;
  Signe_(staff, note, &sn);
  const bool commeLie = autre == staff && IsCoulePourLieIndex(staff, note, j);
  const int32_t k = int32_t(float(sn.taille) * (commeLie ? 0.05f : 0.08f));
  int32_t up, down, farUp, farDown;
  Marks(staff, note, &up, &down);
  Marks(autre, j, &farUp, &farDown);
  const bool sansTige = commeLie || EstTablature(staff);
  const int32_t s = sansTige ? 0 : DeZoomRuban(score, TigeRuban(staff, note));
  const int32_t sf = sansTige ? 0 : DeZoomRuban(score, TigeRuban(autre, j));
  const bool bas = EnBas(staff, note), farBas = EnBas(autre, j);
  const BigRect aire = AireNote(staff, note);
  auto finDessous = [&] {
    if (farBas) return farDown <= sf + 2 ? sf + 4 : farDown + 2;
    return std::max(farDown + 2, k);
  };
  auto finDessus = [&](int32_t tigeHaut) {
    return farBas ? std::min(farUp - 2, -k) : std::min(farUp - 2, tigeHaut - sf);
  };
  int32_t sdy, edy;
  if (bas) {
    if (a.y <= aire.bottom) {
      sdy = std::min(up - 2, -k);
      edy = finDessus(-7);
    } else {
      sdy = s + 2 > down ? s + 4 : down + 2;
      edy = finDessous();
    }
  } else if (a.y >= aire.top) {
    sdy = std::max(down + 2, k);
    edy = finDessous();
  } else {
    sdy = std::min(up - 2, -6 - s);
    edy = finDessus(-6);
  }
  // Across: close in on the stem's own side, clear of it on the other.
  const bool dessous = !above;
  int32_t sdx, edx;
  if (dessous && bas) sdx = commeLie ? 4 : 0;
  else if (bas == dessous) sdx = 4;
  else sdx = commeLie ? 9 : 7;
  if (dessous && farBas) edx = commeLie ? -2 : 0;
  else if (farBas == dessous) edx = 4;
  else edx = commeLie ? 5 : 7;
  Ecrit(d, kFormeLiaisonDebutDx, Octet(sdx));
  Ecrit(d, kFormeLiaisonDebutDy, Octet(sdy));
  Ecrit(d, kFormeLiaisonFinDx, Octet(edx));
  Ecrit(d, kFormeLiaisonFinDy, Octet(edy));
  SetDataLiaisonNote(staff, note, d);
}

// Stages two and three: the control point lifts the curve over what lies
// between the ends, within the graphic mode's slopes.
void AjusteHauteur(Portee** staff, int32_t note, bool above, DataLiaison* d) {
  Partition** score = (*staff)->partition;
  BigPt a, c, b;
  Portee** autre = nullptr;
  int32_t j = -1;
  if (!Points(staff, note, &a, &c, &b, &autre, &j)) return;
  if (autre != staff || EstTablature(staff)) return;
  if (!(c.x > a.x + 4 && c.x < b.x - 4)) return;
  Signe sn, sj;
  if (!Signe_(staff, note, &sn) || !Signe_(staff, j, &sj)) return;
  if (sn.kind == sj.kind &&
      int64_t(CvtIndexNoteEnTemps(staff, j)) <= int64_t(CvtIndexNoteEnTemps(staff, note)) + sn.duree)
    return;

  std::vector<Obstacle> obstacles;
  for (int32_t i = std::min(note, j) + 1; i < std::max(note, j); i++) {
    Signe sg;
    if (!Signe_(staff, i, &sg) || sg.kind < 0 || (sg.flags & kSigneModele)) continue;
    const BigRect r = AireNote(staff, i);
    int32_t up, down;
    Marks(staff, i, &up, &down);
    // The marks' extents are in points, the areas on the piano roll.
    up = ZoomRuban(score, up);
    down = ZoomRuban(score, down);
    const int32_t h = r.bottom - r.top;
    const int32_t tige = TigeRuban(staff, i);
    const bool basI = (sg.flags & kSigneQueueEnBas) != 0;
    const int32_t y = above ? r.top - h / 2 + up - (basI ? 0 : tige) : r.bottom + h / 2 + down + (basI ? tige + 4 : 0);
    obstacles.push_back(Obstacle{(r.left + r.right) / 2, y});
  }
  // The apex that the straight line from the nearer end through each
  // obstacle reaches at the control point's x.
  float apex = above ? 99999.0f : -999999.0f;
  for (const Obstacle& o : obstacles) {
    const BigPt& e = o.x < c.x ? a : b;
    if (o.x == e.x) continue;
    const float y = SurLigne(e, o.x, float(o.y), c.x);
    apex = above ? std::min(apex, y) : std::max(apex, y);
  }
  const float span = float(b.x - a.x);
  if (span <= 0.0f) return;
  const float aplat = float(100 - kMGAplatissementCoule);
  const float penteMin = (float(kMGPenteMinCoule) * 0.006f) * 10.0f * aplat / (8.0f * aplat + span);
  const float penteMax = (float(kMGPenteMaxCoule) * 0.006f) * 10.0f * aplat / (8.0f * aplat + span);
  const float corde = float(c.x - a.x) * float(b.y - a.y) / span;
  float h = apex - float(a.y) - corde;
  h = above ? std::min(h, 0.0f) : std::max(h, 0.0f);
  const float r = std::fabs(h) / span;
  bool borne = false;
  if (r > penteMax || r < penteMin) {
    const float pente = r > penteMax ? penteMax : penteMin;
    apex = float(a.y) + corde + span * (above ? -pente : pente);
    borne = true;
  }
  Ecrit(d, kFormeLiaisonControleY, HauteurControle(staff, apex, a.y, b.y, above));
  SetDataLiaisonNote(staff, note, d);
  if (!borne || obstacles.empty()) return;

  // What still crosses the curve (taken as the segment from the nearer end
  // to the control point) lifts the whole curve, its ends and apex alike.
  if (!Points(staff, note, &a, &c, &b, &autre, &j)) return;
  float pire = 0.0f;
  for (const Obstacle& o : obstacles) {
    const BigPt& e = o.x < c.x ? a : b;
    if (c.x == e.x) continue;
    const float ecart = float(o.y) - SurLigne(e, c.x, float(c.y), o.x);
    if (above ? ecart < pire : ecart > pire) pire = ecart;
  }
  const int32_t dz = DeZoomRuban(score, int32_t(pire));
  if (dz == 0) return;
  Ecrit(d, kFormeLiaisonDebutDy, Octet(Lit<int8_t>(d, kFormeLiaisonDebutDy) + dz));
  Ecrit(d, kFormeLiaisonFinDy, Octet(Lit<int8_t>(d, kFormeLiaisonFinDy) + dz));
  SetDataLiaisonNote(staff, note, d);
  if (!Points(staff, note, &a, &c, &b, &autre, &j)) return;
  Ecrit(d, kFormeLiaisonControleY, HauteurControle(staff, apex + pire, a.y, b.y, above));
  SetDataLiaisonNote(staff, note, d);
}

bool Garde(const DataLiaison& d) { return Lit<uint16_t>(&d, kFormeLiaisonGarde) != 0; }
bool Dessus(const DataLiaison& d) { return Lit<int16_t>(&d, kFormeLiaisonControleY) < 0; }

// The note where the slur starting at `note` ends, on the same staff; -1.
int32_t FinSurPortee(Portee** staff, int32_t note) {
  Portee** autre = nullptr;
  const uint32_t id = GetLiaisonSourceNote(staff, note, &autre, kLiaisonCoule);
  if (!id || autre != staff) return -1;
  return LocIdLiaisonDest(staff, id, staff, kLiaisonCoule);
}

bool ALiaison(Partition** score) {
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** p = GetPorteeIndex(score, k);
    int32_t n = 0;
    if (!p || !GetSignesPortee(p, &n)) continue;
    for (int32_t i = 0; i < n; i++)
      if (GetLiaisonSourceNote(p, i, nullptr, kLiaisonCoule)) return true;
  }
  return false;
}

}  // namespace

ReglagesCalculCoules::ReglagesCalculCoules(Partition** score, Portee** staff)
    : score_(score), staff_(staff), zoom_(0), actif_(false) {
  if (!score_ || profondeurCalcul > 0) {
    if (score_) profondeurCalcul++;
    return;
  }
  profondeurCalcul++;
  actif_ = true;
  zoom_ = (*score_)->zoom;
  (*score_)->zoom = kZoomCalculCoules;
  InitTaillesRuban(score_, staff_);
  SetTabEltMesureModifie(score_, kTabEltTout);
  UpdateTabEltMesure(score_, kTabEltEspacement | kTabEltTemps);
  DisableCalculTabElt(score_);
}

ReglagesCalculCoules::~ReglagesCalculCoules() {
  if (!score_) return;
  profondeurCalcul--;
  if (!actif_) return;
  EnableCalculTabElt(score_);
  (*score_)->zoom = zoom_;
  InitTaillesRuban(score_, staff_);
  SetTabEltMesureModifie(score_, kTabEltTout);
}

void AjusteCoule(Portee** staff, int32_t note, bool above, bool force) {
  if (!pref.formeAutoCoules || !staff || !(*staff)->partition) return;
  DataLiaison d;
  if (!GetDataLiaisonNote(staff, note, &d)) return;
  if (Garde(d) && !force) return;
  ReglagesCalculCoules reglages((*staff)->partition, staff);

  int32_t lie = -1;
  if (IsCoulePourLie(staff, note, &lie)) {
    AdjustTie(&d, int8_t(above ? 1 : 0), EnBas(staff, note) ? 1 : 0, EnBas(staff, lie) ? 1 : 0, 0, 10);
    SetDataLiaisonNote(staff, note, &d);
    return;
  }
  const int32_t style = Lit<int32_t>(&d, kFormeLiaisonStyle);
  if (style != 0 && style != 4 && style != 6 && style != 7) return;
  AjusteExtremites(staff, note, above, &d);
  AjusteHauteur(staff, note, above, &d);
}

void AjusteAutoCouleSymbole(Portee** staff, int32_t note, bool force) {
  if (!pref.formeAutoCoules || !staff || !(*staff)->partition) return;
  ReglagesCalculCoules reglages((*staff)->partition, staff);
  DataLiaison d;
  if (GetDataLiaisonNote(staff, note, &d) && !Garde(d)) AjusteCoule(staff, note, Dessus(d), force);
  Portee** autre = nullptr;
  const uint32_t id = GetLiaisonDestNote(staff, note, &autre, kLiaisonCoule);
  if (!id || !autre) return;
  const int32_t source = LocIdLiaisonSource(autre, id, staff, kLiaisonCoule);
  if (source >= 0 && GetDataLiaisonNote(autre, source, &d) && !Garde(d)) AjusteCoule(autre, source, Dessus(d), force);
}

void AjusteCouleEnglobeSymbole(Portee** staff, int32_t note) {
  if (!pref.formeAutoCoules || !staff || !(*staff)->partition) return;
  ReglagesCalculCoules reglages((*staff)->partition, staff);
  AjusteAutoCouleSymbole(staff, note, false);
  int32_t n = 0;
  if (!GetSignesPortee(staff, &n)) return;
  for (int32_t i = 0; i < note && i < n; i++) {
    DataLiaison d;
    if (!GetDataLiaisonNote(staff, i, &d) || FinSurPortee(staff, i) <= note) continue;
    AjusteCoule(staff, i, Dessus(d), false);
  }
}

void AjusteCouleRange(Portee** staff, int32_t first, int32_t last, bool force) {
  if (!pref.formeAutoCoules || !staff || !(*staff)->partition) return;
  int32_t n = 0;
  if (!GetSignesPortee(staff, &n) || n == 0) return;
  last = std::min(last, n - 1);
  first = std::clamp(first, 0, std::max(last, 0));
  ReglagesCalculCoules reglages((*staff)->partition, staff);
  // A slur from before the range that reaches into it.
  bool entrant = false;
  for (int32_t i = 0; i < first && !entrant; i++) entrant = FinSurPortee(staff, i) >= first;
  if (entrant) {
    AjusteCouleEnglobeSymbole(staff, first);
    if (last > first) AjusteCouleEnglobeSymbole(staff, last - 1);
  }
  for (int32_t i = first; i < last; i++) {
    DataLiaison d;
    if (GetDataLiaisonNote(staff, i, &d)) AjusteCoule(staff, i, Dessus(d), force);
  }
}

void AjusteCoulesPartition(Partition** score) {
  if (!pref.formeAutoCoules || !score) return;
  // A score without slurs is left as it is: nothing to rebuild for it.
  if (!ALiaison(score)) return;
  ReglagesCalculCoules reglages(score, nullptr);
  for (int16_t k = 0; k < (*score)->nbPortees; k++) {
    Portee** staff = GetPorteeIndex(score, k);
    int32_t n = 0;
    if (staff && GetSignesPortee(staff, &n)) AjusteCouleRange(staff, 0, n, false);
  }
}

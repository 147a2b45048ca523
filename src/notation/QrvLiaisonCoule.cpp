#include "notation/QrvLiaisonCoule.h"

#include <cmath>
#include <cstring>

#include "layout/Zoom.h"
#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/Portee.h"
#include "model/Signe.h"
#include "platform/QuickDraw.h"
#include "plugin/Preferences.h"
#include "system/Reporters.h"
#include "system/Splines.h"
#include "system/Strings.h"

DataLiaison liaisonDefaut{};
DataAccroche accrocheDefaut{};
bool isLiaisonDefautInited = false;

namespace {

// The slur block of a note's effect record; null (reported) without one.
DataLiaison* BlocLiaison(Portee** staff, int32_t index, int line) {
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e) {
    BigBadError("QrvLiaisonCoule", int16_t(line));
    return nullptr;
  }
  return &e->liaison;
}

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

// A value with the magnitude of `v` and the sign of the side: above (negative)
// when the stem points down.
template <typename T>
T SelonCote(T v, bool dessus) {
  const T m = T(v < 0 ? -v : v);
  return dessus ? T(-m) : m;
}

}  // namespace

// ---------------------------------------------------------------- defaults

void ResetLiaisonCouleDefautNote(Portee** staff) {
  liaisonDefaut = DataLiaison{};
  DataLiaison* d = &liaisonDefaut;
  Ecrit<int32_t>(d, kFormeLiaisonStyle, 0);
  Ecrit<int8_t>(d, kFormeLiaisonDebutDx, int8_t(Sature16(DeZoom(6))));
  Ecrit<int8_t>(d, kFormeLiaisonDebutDy, 8);
  Ecrit<uint16_t>(d, kFormeLiaisonControleX, 500);
  Ecrit<int16_t>(d, kFormeLiaisonControleY, 1000);
  Ecrit<uint8_t>(d, kFormeLiaisonEpaisseur, 10);
  Ecrit<int8_t>(d, kFormeLiaisonFinDx, 0);
  Ecrit<int8_t>(d, kFormeLiaisonFinDy, 8);

  accrocheDefaut = DataAccroche{};
  accrocheDefaut.forme[0] = 50;
  accrocheDefaut.forme[1] = 1;
  accrocheDefaut.forme[2] = 1;
  accrocheDefaut.forme[3] = staff ? (*staff)->aspect.epaisseurBarre : 12;
  accrocheDefaut.forme[4] = staff ? (*staff)->aspect.ecartBarre : 6;
}

void OublieLiaisonCouleDefaut() {
  isLiaisonDefautInited = false;
  liaisonDefaut = DataLiaison{};
  accrocheDefaut = DataAccroche{};
}

void PreserveLiaisonCouleDefautNote(DataLiaison* buffer) {
  if (!isLiaisonDefautInited) ResetLiaisonCouleDefautNote(nullptr);
  if (buffer) *buffer = liaisonDefaut;
}

void RestaureLiaisonCouleDefautNote(const DataLiaison* buffer) {
  if (isLiaisonDefautInited && buffer) liaisonDefaut = *buffer;
}

void SetLiaisonCouleDefautNote(Portee** staff, int32_t index, int16_t kind) {
  if (!isLiaisonDefautInited) {
    ResetLiaisonCouleDefautNote(staff);
    isLiaisonDefautInited = true;
  }
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e) {
    BigBadError("QrvLiaisonCoule", 260);
    return;
  }
  if (kind == kLiaisonAccroche) {
    DataAccroche& a = e->accroche;
    std::memcpy(a.forme, accrocheDefaut.forme, sizeof a.forme);
    return;
  }
  DataLiaison& l = e->liaison;
  std::memcpy(l.forme, liaisonDefaut.forme, sizeof l.forme);
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  const bool dessus = s && index >= 0 && index < n && (s[index].flags & kSigneQueueEnBas);
  Ecrit(&l, kFormeLiaisonDebutDy, SelonCote(Lit<int8_t>(&l, kFormeLiaisonDebutDy), dessus));
  Ecrit(&l, kFormeLiaisonControleY, SelonCote(Lit<int16_t>(&l, kFormeLiaisonControleY), dessus));
  Ecrit(&l, kFormeLiaisonFinDy, SelonCote(Lit<int8_t>(&l, kFormeLiaisonFinDy), dessus));
}

// ---------------------------------------------------------------- shape fields

void SetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t startDx, int8_t startDy, uint16_t controlX,
                              int16_t controlY, int8_t endDx, int8_t endDy) {
  DataLiaison* d = BlocLiaison(staff, index, 256);
  if (!d) return;
  Ecrit(d, kFormeLiaisonDebutDx, startDx);
  Ecrit(d, kFormeLiaisonDebutDy, startDy);
  Ecrit(d, kFormeLiaisonControleX, controlX);
  Ecrit(d, kFormeLiaisonControleY, controlY);
  Ecrit(d, kFormeLiaisonFinDx, endDx);
  Ecrit(d, kFormeLiaisonFinDy, endDy);
}

void GetParamLiaisonCouleNote(Portee** staff, int32_t index, int8_t* startDx, int8_t* startDy, uint16_t* controlX,
                              int16_t* controlY, int8_t* endDx, int8_t* endDy) {
  DataLiaison vide{};
  const DataLiaison* d = BlocLiaison(staff, index, 257);
  if (!d) d = &vide;
  if (startDx) *startDx = Lit<int8_t>(d, kFormeLiaisonDebutDx);
  if (startDy) *startDy = Lit<int8_t>(d, kFormeLiaisonDebutDy);
  if (controlX) *controlX = Lit<uint16_t>(d, kFormeLiaisonControleX);
  if (controlY) *controlY = Lit<int16_t>(d, kFormeLiaisonControleY);
  if (endDx) *endDx = Lit<int8_t>(d, kFormeLiaisonFinDx);
  if (endDy) *endDy = Lit<int8_t>(d, kFormeLiaisonFinDy);
}

void SetCouleurLiaisonCouleNote(Portee** staff, int32_t index, uint16_t colour) {
  if (DataLiaison* d = BlocLiaison(staff, index, 260)) Ecrit(d, kFormeLiaisonCouleur, colour);
}

void SetEpaisseurLiaisonCouleNote(Portee** staff, int32_t index, uint8_t thickness) {
  if (DataLiaison* d = BlocLiaison(staff, index, 263)) Ecrit(d, kFormeLiaisonEpaisseur, thickness);
}

int16_t GetRatioYLiaisonCouleNote(Portee** staff, int32_t index) {
  const DataLiaison* d = BlocLiaison(staff, index, 257);
  return d ? Lit<int16_t>(d, kFormeLiaisonControleY) : 0;
}

// ---------------------------------------------------------------- tie shape

void AdjustTie(DataLiaison* record, int8_t kind, uint8_t sourceDown, uint8_t destDown, uint8_t variant, int16_t step) {
  if (!record) return;
  record->formeType = 2;
  Ecrit<uint16_t>(record, kFormeLiaisonControleX, 500);
  int8_t debutDx, debutDy, finDx, finDy;
  int16_t hauteur;
  if (kind == 0) {
    debutDx = int8_t(4 + (sourceDown ? 1 : 0) + (variant ? 4 : 0));
    debutDy = 5;
    finDx = int8_t(destDown ? -2 : 3 - (variant ? 4 : 0));
    finDy = 5;
    hauteur = (step % 2 == 0 && step >= -5 && step <= 2) ? 750 : 490;
  } else {
    debutDx = variant ? 9 : 5;
    if (!sourceDown) debutDx = 8;
    debutDy = -4;
    finDx = variant ? -2 : 2;
    finDy = -4;
    hauteur = (step % 2 == 0 && step >= -10 && step <= -2) ? -700 : -460;
  }
  Ecrit(record, kFormeLiaisonDebutDx, debutDx);
  Ecrit(record, kFormeLiaisonDebutDy, debutDy);
  Ecrit(record, kFormeLiaisonControleY, hauteur);
  Ecrit(record, kFormeLiaisonFinDx, finDx);
  Ecrit(record, kFormeLiaisonFinDy, finDy);
  record->forme[kFormeLiaisonGarde] = 0;
}

// ---------------------------------------------------------------- ties read from slurs

bool IsCoulePourLieIndex(Portee** staff, int32_t i, int32_t j) {
  int32_t n;
  const Signe* s = GetSignesPortee(staff, &n);
  if (!s || i < 0 || j < 0 || i >= n || j >= n) return false;
  if (s[i].kind < 0 || s[i].kind != s[j].kind) return false;
  const int32_t di = CvtIndexNoteEnTemps(staff, i);
  const int32_t dj = CvtIndexNoteEnTemps(staff, j);
  s = GetSignesPortee(staff, &n);
  return int64_t(di) + s[i].duree == dj;
}

bool IsCoulePourLie(Portee** staff, int32_t index, int32_t* farNote) {
  DataLiaison d;
  if (!staff || !GetDataLiaisonNote(staff, index, &d)) return false;
  if (int32_t(d.idSource) <= 0 || d.formeType != 2 || Lit<int32_t>(&d, kFormeLiaisonStyle) != 0) return false;
  // A tie joins two notes of one staff.
  if (d.porteeSource != uint16_t((*staff)->index)) return false;
  const int32_t j = LocIdLiaisonDest(staff, d.idSource, staff, kLiaisonCoule);
  if (j < 0 || !IsCoulePourLieIndex(staff, index, j)) return false;
  if (farNote) *farNote = j;
  return true;
}

bool IsCouleNoteInterprete(Portee** staff, int32_t index) {
  int32_t n;
  if (!GetSignesPortee(staff, &n) || index < 0 || index >= n) return false;
  const ParamEffet* e = GetParamEffetIndexNote(staff, index);
  return e && int32_t(e->liaison.idSource) >= 1 && e->liaison.formeType != 0;
}

// ---------------------------------------------------------------- the curve

void TraceLiaisonCoule(int16_t style, int16_t x1, int16_t y1, int16_t x2, int16_t y2, int16_t cx, int16_t cy,
                       int16_t thickness, float smoothing) {
  if (std::abs(int32_t(x1) - x2) > 10000) return;
  const float lissage = (std::sqrt(std::max(0.0f, smoothing)) + 1.0f) * 6.0f;
  if (style == 0) {
    const float e = float(thickness);
    const SplinePoint p[3] = {
        {float(x1), float(y1), e / 4.0f}, {float(cx), float(cy), e}, {float(x2), float(y2), e / 4.0f}};
    cspline(pref.traitsAntialias != 0, p, 3, lissage);
    return;
  }
  if (style == 4 || style == 6 || style == 7) {
    const float e = float(thickness);
    const SplinePoint p[3] = {{float(x1), float(y1), e}, {float(cx), float(cy), e}, {float(x2), float(y2), e}};
    csplinepointille(style, pref.traitsAntialias != 0, p, 3, int32_t(lissage));
    return;
  }
  if (style != 1 && style != 2 && style != 3 && style != 5) return;
  PenState avant;
  GetPenState(&avant);
  const int16_t plume = thickness < 5 ? int16_t(1) : int16_t(thickness / 5);
  PenSize(plume, plume);
  // The control point's height over the chord at its x; with both ends at
  // one x the chord has no slope: the height is taken from the ends' middle.
  int32_t h;
  if (x1 != x2) h = cy - int32_t(float(y1) + float(cx - x1) * float(y2 - y1) / float(x2 - x1));
  else h = cy - (int32_t(y1) + y2) / 2;
  const int16_t hy1 = Sature16(int32_t(y1) + h), hy2 = Sature16(int32_t(y2) + h);
  switch (style) {
    case 1:
      MoveTo(x1, y1);
      if (x1 != x2) {
        LineTo(x1, hy1);
        LineTo(x2, hy2);
      } else {
        const int16_t d = Sature16(int32_t(x1) + Zoom(4));
        LineTo(d, y1);
        LineTo(d, y2);
      }
      LineTo(x2, y2);
      break;
    case 2: {
      const int16_t pas = Sature16(Zoom(4));
      TraceLignePointillee(x1, y1, x1, hy1, pas);
      TraceLignePointillee(x1, hy1, x2, hy2, pas);
      TraceLignePointillee(x2, hy2, x2, y2, pas);
      break;
    }
    case 3: TraceLigneOnde(x1, y1, x2, y2, Sature16(Zoom(16))); break;
    default:
      MoveTo(x1, y1);
      LineTo(x2, y2);
      break;
  }
  SetPenState(&avant);
}

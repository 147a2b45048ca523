#include "notation/QrvLiaisonCoule.h"

#include <cmath>
#include <cstring>

#include "model/CvtTemps.h"
#include "model/ParamEffet.h"
#include "model/QrvLiaison.h"
#include "model/Signe.h"
#include "platform/QuickDraw.h"
#include "system/Reporters.h"

// SEAM(notation): until the tie drawing makes its defaults, a new link keeps the shape its
// effect record was given.
void SetLiaisonCouleDefautNote(Portee**, int32_t, int16_t) {}

// SEAM(notation): until slurs are drawn with their shapes and thickness, the
// curve is a plain quadratic arc through the control point's pull, drawn with
// the current pen.
void TraceLiaisonCoule(int16_t, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int16_t controlX, int16_t controlY,
                       int16_t, int16_t) {
  constexpr int kPas = 16;
  MoveTo(x0, y0);
  for (int i = 1; i <= kPas; i++) {
    const float t = float(i) / kPas, u = 1.0f - t;
    const float x = u * u * float(x0) + 2.0f * u * t * float(controlX) + t * t * float(x1);
    const float y = u * u * float(y0) + 2.0f * u * t * float(controlY) + t * t * float(y1);
    LineTo(int16_t(std::lround(x)), int16_t(std::lround(y)));
  }
}

namespace {

// The slur block of a note's effect record; null (reported) without one.
DataLiaison* BlocLiaison(Portee** staff, int32_t index, int line) {
  ParamEffet* e = GetParamEffetIndexNote(staff, index);
  if (!e) {
    BigBadError("QrvLiaisonCoule", line);
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

}  // namespace

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

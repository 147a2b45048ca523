#include "layout/Zoom.h"

#include <cmath>

#include "model/Partition.h"
#include "model/TabEltMesure.h"
#include "system/Strings.h"

// Destination resolution; never 0.
static int16_t dpiDest = 144;

int16_t GetDpiDest() { return dpiDest; }

void SetDpiDest(int16_t dpi) { dpiDest = dpi == 0 ? 1 : dpi; }

void SetDpiPartition(Partition** score) {
  int16_t dpi = 72;
  if (score) dpi = int16_t(float((*score)->zoom) * (*score)->echelleEcran);
  SetDpiDest(dpi);
}

void SetEchelleEcran(Partition** score, float scale) {
  if (!score) return;
  if (std::fabs((*score)->echelleEcran - scale) > 0.0001f) {
    (*score)->echelleEcran = scale;
    SetTabEltMesureModifie(score, kTabEltEspacement | kTabEltMarges);
    UpdateTabEltMesure(score, kTabEltEspacement | kTabEltMarges);
  }
}

int32_t Zoom(int32_t v) {
  if (v == 0) return 0;
  int32_t r = LMulDiv(v, dpiDest, 72);
  return r == 0 ? 1 : r;
}

int32_t DeZoom(int32_t v) {
  if (v == 0) return 0;
  int32_t r = LMulDiv(v, 72, dpiDest);
  return r == 0 ? 1 : r;
}

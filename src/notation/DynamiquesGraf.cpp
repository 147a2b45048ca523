#include "notation/DynamiquesGraf.h"

#include "model/Portee.h"
#include "model/QrvDynamics.h"

// SEAM(notation): glyphs are not measured until the dynamics are drawn:
// hairpins have their 50 x 12, every other type the height of its glyphs and
// the width of its margin.
int16_t GetRectStdDynamique(Portee** staff, const Dynamique* record, Rect* out) {
  if (!out) return 1;
  *out = Rect{};
  if (record && CalculeClasseDynamique(record->type) == kClasseDynSoufflet) {
    out->right = 50;
    out->bottom = 12;
    return 1;
  }
  float s = 1.0f;
  if (staff && (*staff)->aspect.tailleUnite != 0) s = float((*staff)->aspect.tailleUnite) / 72.0f;
  out->bottom = int16_t(20.0f * s);
  out->right = int16_t(12.0f * s);
  return 1;
}

// SEAM(notation): dynamics are not drawn yet.
void AfficheDynamique(Portee**, const Dynamique*, const Rect*) {}
bool AfficheDynamiqueSplite(Portee**, const Dynamique*, const Rect*, int32_t) { return false; }

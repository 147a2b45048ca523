#pragma once
// Small pieces the tablature kinds (fretted, harmonica, accordion) share:
// saturating conversions to screen coordinates, the staff's record, and the
// places a mark can take.
#include <algorithm>
#include <cstdint>

#include "model/Portee.h"
#include "stafftypes/Tablature.h"

namespace outils_tablature {

// Marks placed above and below the note, left and right of it, and above and
// below the whole band.
enum : uint8_t {
  kPlaceDessus = 0,
  kPlaceGauche = 32,
  kPlaceDessous = 64,
  kPlaceDroite = 96,
  kPlaceDessusTablature = 128,
  kPlaceDessousTablature = 192,
};

inline int16_t S16(int64_t v) { return int16_t(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX)); }
inline int16_t S16f(float v) {
  if (!(v == v)) return 0;
  return int16_t(std::clamp(v, -32768.0f, 32767.0f));
}

inline Tablature* Rec(Portee** staff) {
  Tablature** t = staff ? GetTablature(staff) : nullptr;
  return t ? *t : nullptr;
}

}  // namespace outils_tablature

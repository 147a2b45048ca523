#include "sound/CommandesFX.h"

#include <cstring>

Instrument instrumentDefaut = {};

void SetInstrumentDefautPourFx(const Instrument* r) {
  if (r) {
    std::memcpy(&instrumentDefaut, r, sizeof instrumentDefaut);
  } else {
    std::memset(&instrumentDefaut, 0, sizeof instrumentDefaut);
  }
}

// SEAM(sound): the effects channels are built with the output-wide effects'
// delay lines; until then the output mixes its voices without effects.
bool InitFX(Partition**, const ParamDigit*) { return true; }
void DisposeFX() {}

#include "sound/EffetsNumeriques.h"

#include <cstring>

// SEAM(sound): the bands are cleared; the levels derived from bass boost and
// noise reduction wait for the output effects. Nothing in a preview plays them.
void ConvertOldDocumentDigitalEffectsToHQ(EffetsSortieDocument* effects) {
  if (effects) std::memset(effects->bandes, 0, sizeof effects->bandes);
}

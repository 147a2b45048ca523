#include "layout/ModeGraphique.h"
#include "system/QrvFiles.h"

// The stored mode is its 256 bytes; until its slots are decoded they are kept
// as they are.
int16_t ReadConfigGraphique(ModeGraphique* mode) {
  if (!mode) return 0;
  if (ReadCarBlock(mode->octets, int32_t(sizeof mode->octets)) != int32_t(sizeof mode->octets)) return 0;
  return EndOfFile() ? 0 : 1;
}

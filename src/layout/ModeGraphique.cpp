#include "layout/ModeGraphique.h"

#include <cstring>

void GetUserModeGraphique(ModeGraphique* mode) {
  if (mode) std::memset(mode, 0, sizeof *mode);
}

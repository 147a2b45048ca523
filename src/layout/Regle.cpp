#include "layout/Regle.h"

static int16_t modeAfficheTaquetsRegle = 0;

void SetModeAfficheTaquetsRegle(int16_t mode) { modeAfficheTaquetsRegle = mode; }
int16_t GetModeAfficheTaquetsRegle() { return modeAfficheTaquetsRegle; }

#pragma once
// The ruler above the score.
#include <cstdint>

// Whether the ruler shows the spacing columns.
void SetModeAfficheTaquetsRegle(int16_t mode);
int16_t GetModeAfficheTaquetsRegle();

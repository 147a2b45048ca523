#pragma once
// The ruler above the score.
#include <cstdint>

// Whether the ruler shows the spacing columns.
void SetModeAfficheTaquetsRegle(int16_t mode);
int16_t GetModeAfficheTaquetsRegle();

struct Document;
// The ruler's height: 19 when the document shows it, else 0.
int16_t CalculeHauteurRegle(Document* document);

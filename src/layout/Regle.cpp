#include "layout/Regle.h"

#include "model/Document.h"

static int16_t modeAfficheTaquetsRegle = 0;

void SetModeAfficheTaquetsRegle(int16_t mode) { modeAfficheTaquetsRegle = mode; }
int16_t GetModeAfficheTaquetsRegle() { return modeAfficheTaquetsRegle; }

int16_t CalculeHauteurRegle(Document* document) { return document && document->regle ? int16_t(19) : int16_t(0); }

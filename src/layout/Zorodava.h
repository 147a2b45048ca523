#pragma once
// The spacing engine (Zorodava): every onset of a bar placed in spacing
// columns. Its settings are in layout/DonneesZorodava.h; giving a new score
// its settings, releasing the columns, rebuilding them and the conversions
// through them are called by the model and declared in
// layout/ServicesMiseEnPage.h.
#include "layout/DonneesZorodava.h"
#include "layout/ServicesMiseEnPage.h"

#pragma once
// The instrument table of a score: a handle of Instrument records (declared in
// sound/DonneesInstrument.h) and their count, held by the score. The table's
// operations, which the model calls, are declared in sound/ServicesSon.h.
#include "sound/DonneesInstrument.h"
#include "sound/ServicesSon.h"

// Tablature text: the whole load path under a tablature name.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc.tab")

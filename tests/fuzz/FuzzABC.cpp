// ABC tunes: the whole load path under an ABC name.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc.abc")

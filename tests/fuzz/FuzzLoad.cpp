// Any bytes, under a name that says nothing: format detection decides from
// the content alone which reader gets them.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc")

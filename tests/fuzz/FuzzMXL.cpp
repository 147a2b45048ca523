// Zipped MusicXML: the container, its manifest and the score member.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc.mxl")

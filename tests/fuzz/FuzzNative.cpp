// Native documents: the magic, the version gates, the LZW stretches, the
// document sections and the trailer.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc.qrv")

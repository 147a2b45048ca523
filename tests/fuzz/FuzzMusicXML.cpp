// MusicXML text: the element tree (expat, the builder's budget) and the
// import passes over it.
#include "FuzzChargement.h"

TAMREL_FUZZ_CHARGEMENT("doc.musicxml")

// SEAM(import): the importers' entry points until the importers themselves are built: each
// refuses the file and says why, so that a preview fails cleanly. This file
// goes when the importers land.
#include "import/ImportABC.h"
#include "import/ImportTAB.h"
#include "plugin/PiloteRequete.h"

int16_t ChargeMusiqueABC(Document*, int16_t, int16_t* outTune) {
  if (outTune) *outTune = 0;
  NoteRaisonEchecChargement("the ABC importer is not built yet");
  return 0;
}

int16_t ChargeMusiqueTAB(Document*) {
  NoteRaisonEchecChargement("the tablature text importer is not built yet");
  return 0;
}

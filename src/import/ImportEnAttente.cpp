// SEAM(import): the tablature importer's entry point until the importer itself is built:
// it refuses the file and says why, so that a preview fails cleanly. This file
// goes when the importer lands.
#include "import/ImportTAB.h"
#include "plugin/PiloteRequete.h"

int16_t ChargeMusiqueTAB(Document*) {
  NoteRaisonEchecChargement("the tablature text importer is not built yet");
  return 0;
}

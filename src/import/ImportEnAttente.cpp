// The importers' entry points until the importers themselves are built: each
// refuses the file and says why, so that a preview fails cleanly. This file
// goes when the importers land.
#include "import/ImportABC.h"
#include "import/ImportTAB.h"
#include "import/MXLContainer.h"
#include "import/MusicXML.h"
#include "plugin/PiloteRequete.h"
#include "system/Dossiers.h"

uint8_t ChargeMusiqueXML(Document*, Handle, uint8_t, uint8_t) {
  NoteRaisonEchecChargement("the MusicXML importer is not built yet");
  return 0;
}
bool IsFichierXML(const char* path) { return cmp_extension(path, "xml") || cmp_extension(path, "musicxml"); }
bool IsFichierMXL(const char* path) { return cmp_extension(path, "mxl") != 0; }
bool IsFichierXMLCompresse(const char* path) { return cmp_extension(path, "xmz") != 0; }

Handle LoadMXL(const char*) {
  NoteRaisonEchecChargement("the zipped MusicXML reader is not built yet");
  return nullptr;
}

int16_t ChargeMusiqueABC(Document*, int16_t, int16_t* outTune) {
  if (outTune) *outTune = 0;
  NoteRaisonEchecChargement("the ABC importer is not built yet");
  return 0;
}

int16_t ChargeMusiqueTAB(Document*) {
  NoteRaisonEchecChargement("the tablature text importer is not built yet");
  return 0;
}

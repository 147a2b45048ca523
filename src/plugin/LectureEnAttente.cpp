// Records of native documents whose readers come later. Each stand-in reads
// the record's empty form where it has one, so that scores and staves without
// such records load; any other form says what is not read yet and marks the
// stream at its end, so the load fails cleanly instead of reading on out of
// step. Each is replaced in place by its reader.
#include <cstdio>

#include "model/DonneesAccords.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

namespace {

uint8_t LitOctet() {
  const int16_t c = ReadCar();
  return c < 0 ? 0 : uint8_t(c);
}

int16_t PasEncoreLu(const char* quoi) {
  char message[160];
  std::snprintf(message, sizeof message, "the %s of native documents are not read yet", quoi);
  Collapse(message);
  NoteRaisonEchecChargement(message);
  ioCustom.finFichier = 1;
  return 0;
}

}  // namespace

// SEAM(plugin): graphic objects of staves are not read yet.
int16_t ReadGraphique(Graphique*) { return PasEncoreLu("graphic objects"); }

// SEAM(plugin): laws are not read yet.
int16_t ReadLoi(Loi*) { return PasEncoreLu("laws"); }

// SEAM(plugin): dynamics are not read yet.
int16_t ReadDynamique(Dynamique*) { return PasEncoreLu("dynamics"); }

// SEAM(plugin): only the record that says "no tablature" is read: a presence
// byte of 0 in a document before 3.01 or from 7.50 on.
int16_t ReadTablature(Tablature*) {
  const uint8_t present = LitOctet();
  if (present == 0 && (VersionQuarvelLoad < 0x0301 || VersionQuarvelLoad > 0x074F)) return 0;
  return PasEncoreLu("tablature records");
}

// SEAM(plugin): only an empty block of custom diagrams is read (its format
// word, a count of 0, the language bytes and the end marker); a block in a
// format of no known version gives none, as it always does.
Handle ReadDiagrammesAccord() {
  const uint16_t format = uint16_t(ReadShort());
  if (format != 512 && format != 257 && format != 256) return nullptr;
  const int16_t n = ReadShort();
  if (n != 0) {
    PasEncoreLu("custom chord diagrams");
    return nullptr;
  }
  ReadGap(2);
  const uint16_t fin = uint16_t(ReadShort());
  if (EndOfFile() || fin != 256) return nullptr;
  return NewHandleClear(0);
}

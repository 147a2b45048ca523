// SEAM(plugin): the score block of a native document. Until its reader is
// built, a document with scores cannot be read: the load says so and gives 0
// before anything of the score is made.
#include "plugin/LectureDocument.h"
#include "plugin/PiloteRequete.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

int16_t ReadBlocPartition(Document*, bool) {
  Collapse("ReadBlocPartition: score blocks are not read yet");
  NoteRaisonEchecChargement("the reader of native score blocks is not built yet");
  ioCustom.finFichier = 1;
  return 0;
}

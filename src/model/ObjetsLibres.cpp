#include "model/ObjetsLibres.h"

#include "model/Partition.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

void LibereObjetsLibres(Partition** score) {
  if (!score) return;
  if ((*score)->objetsLibres) DisposeHandle((*score)->objetsLibres);
  (*score)->objetsLibres = nullptr;
}

// SEAM(model): stored free objects are not read yet: an empty list (a count
// of 0, or a negative one) reads, any other ends the load.
int16_t ReadObjetsLibres(Partition** score) {
  LibereObjetsLibres(score);
  if (VersionQuarvelLoad < 0x0780) return 1;
  int32_t n = ReadShort();
  if (n == 32767) n = ReadLong();
  if (EndOfFile()) return 0;
  if (n <= 0) return 1;
  Collapse("ReadObjetsLibres: free objects are not read yet");
  ioCustom.finFichier = 1;
  return 0;
}

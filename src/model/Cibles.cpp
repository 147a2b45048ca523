#include "model/Cibles.h"

#include "model/Partition.h"
#include "platform/Memory.h"
#include "plugin/LectureDocument.h"
#include "system/QrvFiles.h"
#include "system/Reporters.h"

void InitLibelleCiblePartition(Partition** score) {
  if (!score) return;
  Partition* p = *score;
  p->libellesCiblesAuto = 1;
  p->typeLibelleCible = 'A';
  const int16_t valeurs[5] = {1, 20, 129, 24, -8};
  for (int i = 0; i < 5; i++) p->reglagesLibelleCible[i] = valeurs[i];
}

void DisposeCibles(Partition** score) {
  if (!score) return;
  if ((*score)->cibles) DisposeHandle((*score)->cibles);
  (*score)->cibles = nullptr;
}

// SEAM(model): stored targets are not read yet: a count of 0 (or a negative
// one) reads as no list, any other ends the load.
Handle ReadCibles() {
  const int16_t n = ReadShort();
  if (n <= 0 || EndOfFile()) return nullptr;
  Collapse("ReadCibles: targets are not read yet");
  ioCustom.finFichier = 1;
  return nullptr;
}

#include "sound/Lecture.h"

bool IsPartitionMusiqueEnCours(Partition**) { return false; }
void ArreteMusique(int16_t) {}
Document* GetDialogMusiqueEnCours() { return nullptr; }

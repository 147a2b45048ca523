#include "model/PreservePositions.h"

// Objects anchored to notes are preserved around structural edits while set.
static uint8_t preserveObjectsEnabled = 1;

void SetIsPreserveObjects(uint8_t flag) { preserveObjectsEnabled = flag; }
uint8_t GetIsPreserveObjects() { return preserveObjectsEnabled; }

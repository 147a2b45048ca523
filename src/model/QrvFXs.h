#pragma once
#include "platform/PlatformTypes.h"
// Sound-effect objects of a staff.
struct Partition;
struct Portee;

void DisposeFXs(Portee** staff);
// Sound-effect objects made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionFXs(Partition** score, int16_t mode);
void RestaurePositionFXs(Partition** score, int16_t mode);

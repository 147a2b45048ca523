#pragma once
#include "platform/PlatformTypes.h"
// Dynamics objects of a staff.
struct Partition;
struct Portee;

void DisposeDynamiques(Portee** staff);
void LibereEvtDynamiquesPortee(Portee** staff);
void LibereEvtDynamiquesPartition(Partition** score);
// Dynamics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionDynamiques(Partition** score, int16_t mode);
void RestaurePositionDynamiques(Partition** score, int16_t mode);

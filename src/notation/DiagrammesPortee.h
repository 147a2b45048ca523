#pragma once
#include "platform/PlatformTypes.h"
// The chord-diagram list of a staff.
struct Partition;
struct Portee;

void DisposeDiagrammes(Portee** staff);
void DisposeDiagrammesAccordsCustomsPortee(Portee** staff);
// Diagram positions made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionDiagrammes(Partition** score, int16_t mode);
void RestaurePositionDiagrammes(Partition** score, int16_t mode);

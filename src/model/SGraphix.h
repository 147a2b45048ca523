#pragma once
#include "platform/PlatformTypes.h"
// Graphic objects of a staff.
struct Partition;
struct Portee;

void DisposeGraphiques(Portee** staff);
// Graphics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionGraphiques(Partition** score, int16_t mode);
void RestaurePositionGraphiques(Partition** score, int16_t mode);

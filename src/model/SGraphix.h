#pragma once
// Graphic objects of a staff.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

void DisposeGraphiques(Portee** staff);
// Graphics made relative to their notes around edits (mode 0 width
// changes, 1 structural edits) and put back.
void PreservePositionGraphiques(Partition** score, int16_t mode);
void RestaurePositionGraphiques(Partition** score, int16_t mode);
// Deletes the staff's graphic object with this id.
void DeleteGraphiqueFromID(Portee** staff, uint32_t id);
// Deletes the graphics that the graphic-link marks of an effect record stand for.
void DeleteRelatedGraphiques(Portee** staff, int32_t effect);

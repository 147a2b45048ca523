#pragma once
// Staff texts and lyric cells.
#include "platform/PlatformTypes.h"
struct Portee;

void DisposeTextes(Portee** staff);
struct Partition;
// Free texts made relative to their notes around structural edits (mode 1)
// and put back.
void PreservePositionTextesDivers(Partition** score, int16_t mode);
void RestaurePositionTextesDivers(Partition** score, int16_t mode);
// Lyrics kept across edits: notes numbered 1..n per staff, the syllables of a
// text line (1 lyrics, 2 second line) saved into a handle (null when there
// are none), then rebuilt from it (the handle is freed).
void PreparePreserveObjetsPartition(Partition** score);
Handle PreserveTextesPartition(Partition** score, int16_t line);
void RestaureTextesPartition(Partition** score, int16_t line, Handle saved);

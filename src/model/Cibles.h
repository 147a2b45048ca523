#pragma once
// Targets (rehearsal points) of a score.
#include "platform/PlatformTypes.h"

struct Partition;

void InitLibelleCiblePartition(Partition** score);
void DisposeCibles(Partition** score);
// Reads a stored list of targets: null for a count of 0, and null with the
// stream marked at its end when it cannot be read.
Handle ReadCibles();

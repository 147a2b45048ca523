#pragma once
// Targets (rehearsal points) of a score.
struct Partition;

void InitLibelleCiblePartition(Partition** score);
void DisposeCibles(Partition** score);

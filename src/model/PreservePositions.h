#pragma once
// Objects that hang on notes (lyrics, chord names, diagrams, graphics, other
// texts, dynamics, sound effects) are made relative to their notes before a
// structural edit and put back after it, so that they stay with their notes
// when bars change. Brackets nest: only the outermost pair acts.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// The object brackets act only while this is set (it is at start).
void SetIsPreserveObjects(uint8_t flag);
uint8_t GetIsPreserveObjects();

void PreserveObjetsPartitionAvantChangement(Partition** score);
void RestaureObjetsPartitionApresChangement(Partition** score);

// An edit inside the bracket takes away the texts of a staff between two
// ticks: the lyric and chord syllables the bracket holds there go as well,
// or its closing would bring them back.
void OublieTextesPreserves(Portee** staff, int32_t debut, int32_t fin);

// Diagram and graphic positions around width changes made by layout.
void PreservePositionsPartition(Partition** score);
void RestaurePositionsPartition(Partition** score);

#pragma once
// Conversions between ticks, bars, note indexes and screen positions.
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// Start tick of the note at an index; past the end, the end of the last note.
int32_t CvtIndexNoteEnTemps(Portee** staff, int32_t index);
// Marks the cached starts from the index on stale.
void ClrTurboCvtTempsEnIndexNote(Portee** staff, int32_t index);
// Written tick of a digital-track position.
int32_t CvtPosPisteEnTempsEcrit(Partition** score, uint32_t sampleRate, uint32_t sampleOffset);

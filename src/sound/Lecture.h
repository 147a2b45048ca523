#pragma once
// Playback position and stop. Nothing ever plays in the plug-in.
#include "platform/PlatformTypes.h"

struct Partition;

bool IsPartitionMusiqueEnCours(Partition** score);
void ArreteMusique(int16_t flag);

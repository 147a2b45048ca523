#pragma once
// Free objects of a score.
#include "platform/PlatformTypes.h"

struct Partition;

void LibereObjetsLibres(Partition** score);
// Frees the score's objects, then reads the stored list (documents from 7.80);
// 0 when it cannot be read.
int16_t ReadObjetsLibres(Partition** score);

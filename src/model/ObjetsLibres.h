#pragma once
// Free objects of a score.
struct Partition;

void LibereObjetsLibres(Partition** score);

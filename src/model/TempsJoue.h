#pragma once
// Played time, milliseconds and pre-roll.
struct Partition;

void LibereTableauCvtSec(Partition** score);

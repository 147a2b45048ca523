#pragma once
// The score's tempo curve.
struct Partition;

void ClearCourbeTempo(Partition** score);

#pragma once
// The staff drawing driver. What the model calls is declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"

struct Partition;
// Beam groups of a bar: the group of a tick, numbered bar x 128 + group (a
// group starts at each beat whose boundary bit is set in the bar's grouping
// mask), and the first tick of a group (a group past the bar's last is the
// bar's end).
int32_t CvtTempsEnNumGroupeAccroche(Partition** score, int32_t tick);
int32_t CvtNumGroupeAccrocheEnTemps(Partition** score, int32_t number);

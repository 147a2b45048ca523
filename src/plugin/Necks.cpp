#include "plugin/Necks.h"

// The neck files are read with the tagged text reader; until then the table
// stays empty and tablatures take their built-in tunings.
void InitTabNeck() {}

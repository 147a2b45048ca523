#include "stafftypes/PorteeKaraoke.h"

// SEAM(stafftypes): lyric cells are not read into staves yet: no line has a cell.
ExtendedTE CreeTexteKaraoke(Portee**, int16_t, int8_t, int8_t, Handle, uint16_t, int32_t, int32_t) { return nullptr; }

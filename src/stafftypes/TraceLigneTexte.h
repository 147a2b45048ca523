#pragma once
// Drawing the text lines of a staff: the cells' syllables on their columns
// with the hyphens and extender lines between them and the in-text markers,
// the lines' background (guide lines and labels) and their bar lines. The
// calls of the layers below are declared in stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "stafftypes/DonneesLigneTexte.h"
#include "stafftypes/ServicesTypesPortee.h"

struct Portee;

// TraceTiret flags.
enum : int16_t { kTiretTirets = 1, kTiretProlongation = 2, kTiretUnique = 4 };
// Hyphens between x1 and x2 (one dash per hyphen spacing of room, each
// centred in its share, or a single one at x1), or an extender line on the
// baseline from x1 to endX; nothing when the room x2 - x1 is below minRoom.
// The pen is kept.
void TraceTiret(int16_t x1, int16_t x2, int16_t endX, int16_t baseline, int16_t flags, int16_t dashHeight,
                int16_t minRoom, int16_t margin);
// Draws the characters collected for drawing at the pen and empties them;
// the pen after them is kept as the end of the last syllable.
void DrawBuffCar(uint8_t utf8);
// A line's label at the start of a system (x, y the staff's top left); its
// rectangle is kept in the line record.
void TraceArmatureLigneTexte(Portee** staff, int16_t x, int16_t y, int16_t line);

#pragma once
// SHARED(data): the tablature record of a staff. Its operations are declared
// in stafftypes/ServicesTypesPortee.h.
#include "platform/PlatformTypes.h"

// Display flags of a tablature record.
enum : uint8_t { kTablatureAfficheNotation = 2 };

// The head of the record: the tablature code completes it with its geometry,
// text styles and its 27 operation slots.
struct Tablature {
  uint32_t kind;           // 3000 diatonic accordion, 2000 harmonica, 0 fretted
  uint8_t flagsAffichage;  // kTablatureAfficheNotation: standard notation shown too
  int16_t decalageHaut;    // y of the first tablature line relative to the staff's base line
};

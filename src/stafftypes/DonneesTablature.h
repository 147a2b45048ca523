#pragma once
// SHARED(data): the tablature record of a staff. Its operations are declared
// in stafftypes/ServicesTypesPortee.h.
#include "platform/PlatformTypes.h"

// Display flags of a tablature record.
enum : uint8_t { kTablatureAfficheNotation = 2 };

struct Portee;

// The record's operation slots, filled by its kind; a null slot does nothing
// (a tablature without a height slot is 0 high).
struct VecteursTablature {
  // Recomputes the line spacing and heights at the destination resolution.
  void (*ReCalculeInterneGraph)(Portee** staff);
  // The tablature's height in pixels at the destination resolution (asked with 1).
  int16_t (*GetHauteurEcran)(Portee** staff, int16_t mode);
};

// The head of the record: the tablature code completes it with its geometry,
// text styles and the rest of its operation slots.
struct Tablature {
  uint32_t kind;           // 3000 diatonic accordion, 2000 harmonica, 0 fretted
  uint8_t flagsAffichage;  // kTablatureAfficheNotation: standard notation shown too
  int16_t decalageHaut;    // y of the first tablature line relative to the staff's base line
  // Offset of the first line below the staff area's top: at 72 dpi, zoomed,
  // and zoomed for the piano roll (layout/HauteursPortees.h sets them).
  int16_t ligneBase;
  int16_t ligneBaseZoom;
  int16_t ligneBaseRuban;
  float decalage;  // under a staff of another type: added to the staff's height
  VecteursTablature vecteurs;
};

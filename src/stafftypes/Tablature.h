#pragma once
// The tablature record of a staff.
#include "platform/PlatformTypes.h"

struct Portee;

// Display flags of a tablature record.
enum : uint8_t { kTablatureAfficheNotation = 2 };

// The head of the record: the tablature code completes it with its geometry,
// text styles and its 27 operation slots.
struct Tablature {
  uint32_t kind;            // 3000 diatonic accordion, 2000 harmonica, 0 fretted
  uint8_t flagsAffichage;   // kTablatureAfficheNotation: standard notation shown too
  int16_t decalageHaut;     // y of the first tablature line relative to the staff's base line
};

// Creates the staff's record when it has none and returns it.
Tablature** NewTablature(Portee** staff, uint32_t kind);
// Clears the tablature slots of a staff whose record is a window on its group's.
void ClearVecteursTablature(Portee** staff);
// Frees the record and clears the staff's field.
void DisposeTablature(Portee** staff);
// Marks the staff's tablature as not computed (nothing without a tablature).
void FixeTablatureNonCalculee(Portee** staff);
// The record that serves the staff (following merged staves), or null.
Tablature** GetTablature(Portee** staff);
// Seam, kept by the tablature code: the staff shows a tablature (it has a
// tablature record, its own or its group's).
bool IsTablatureVisible(Portee** staff);

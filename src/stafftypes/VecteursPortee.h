#pragma once
// SHARED(data): the thirteen operation slots of a staff, written by its staff type's
// installer. A slot the type does not fill stays null.
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;

typedef void (*VectInitPortee)(Portee** staff);
// Slots 3 and 4: the y of a note at a tick on the screen or on the ribbon.
// `index` is the note's index in the staff (-1 for a note built on the
// fly); `flags` (may be null) gets the accidental code to show in bits 0-2,
// 128 for a stem down and the note's own display bits.
typedef int16_t (*VectNote2Y)(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
// The other slots are typed by the staff-type code that installs and calls
// them; until then they only have to be storable and comparable with null.
typedef void (*VectPorteeProc)();

struct VecteursPortee {
  VectInitPortee vect_init_portee;         // 0: zoomed metrics of the staff
  VectPorteeProc vect_trace_fond_portee;   // 1: staff lines and background
  VectPorteeProc vect_trace_armature;      // 2: clef, key and time at a line start
  VectNote2Y vect_Note2Ecr;                // 3: screen y of a note
  VectNote2Y vect_Note2Ruban;              // 4: ribbon y of a note
  VectPorteeProc HauteurRuban2Note;        // 5
  VectPorteeProc vect_Ruban2Note;          // 6
  VectPorteeProc vect_trace_notes;         // 7
  VectPorteeProc vect_trace_barre_mesure;  // 8
  VectPorteeProc vect_installe_menu;       // 9
  VectPorteeProc vect_click_shift;         // 10
  VectPorteeProc vect_traite_option_menu;  // 11
  VectPorteeProc CvtIndexNoteEnAireRuban;  // 12
};

#pragma once
// SHARED(data): the thirteen operation slots of a staff, written by its staff type's
// installer. A slot the type does not fill stays null.
#include "platform/PlatformTypes.h"

struct Portee;

typedef void (*VectInitPortee)(Portee** staff);
// The other slots are typed by the staff-type code that installs and calls
// them; until then they only have to be storable and comparable with null.
typedef void (*VectPorteeProc)();

struct VecteursPortee {
  VectInitPortee vect_init_portee;         // 0: zoomed metrics of the staff
  VectPorteeProc vect_trace_fond_portee;   // 1: staff lines and background
  VectPorteeProc vect_trace_armature;      // 2: clef, key and time at a line start
  VectPorteeProc vect_Note2Ecr;            // 3: screen y of a note
  VectPorteeProc vect_Note2Ruban;          // 4: ribbon y of a note
  VectPorteeProc HauteurRuban2Note;        // 5
  VectPorteeProc vect_Ruban2Note;          // 6
  VectPorteeProc vect_trace_notes;         // 7
  VectPorteeProc vect_trace_barre_mesure;  // 8
  VectPorteeProc vect_installe_menu;       // 9
  VectPorteeProc vect_click_shift;         // 10
  VectPorteeProc vect_traite_option_menu;  // 11
  VectPorteeProc CvtIndexNoteEnAireRuban;  // 12
};

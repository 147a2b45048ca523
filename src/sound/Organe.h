#pragma once
// SHARED(data): the output device of a staff: nine operation slots and the device area they
// are called with.
#include "platform/PlatformTypes.h"

struct Portee;
struct Instrument;

// Typed by the output-device code that installs and calls them.
typedef void (*VectOrganeProc)();

struct Organe {
  VectOrganeProc newOrgane;                // 0 prepare the instrument
  VectOrganeProc envoieNotes;              // 1
  VectOrganeProc arreteNotes;              // 2
  VectOrganeProc acquitement;              // 3
  VectOrganeProc deleteOrgane;             // 4
  VectOrganeProc reserve;                  // 5 always null
  VectOrganeProc pedale;                   // 6
  VectOrganeProc vect_installe_menu;       // 7
  VectOrganeProc vect_traite_option_menu;  // 8
};

// What the device operations work on, kept in the staff.
struct AireOrgane {
  Instrument* instrument;
  Handle notesTenues;  // the notes sounding (NoteJouee records, sound/OrganeDigit.h)
  int16_t nbNotesTenues;
  int16_t niveauPedale;  // 0 to 100
};

#pragma once
// Automatic fingering of fretted tablatures: a string and a fret for every
// note the user has not placed, chosen by a branch-and-bound search over a
// sliding window of notes in time order.
#include "platform/PlatformTypes.h"
#include "stafftypes/DonneesTablature.h"

struct Portee;

// A note's position as its two tablature bytes read together: string x 256 +
// fret. A string of 255 means no position.
constexpr uint16_t kPositionAucune = 65535;
constexpr uint16_t kPositionSilence = 65534;

// What an entry of the calculation is.
enum : uint8_t {
  kEntreeNote = 0,         // a note to place
  kEntreeSilence = 1,      // a rest: breaks the hand's continuity
  kEntreeUtilisateur = 2,  // a note the user placed: left as it is
};

// One note or rest of the staves computed together, in time order (start,
// staff, pitch descending).
struct EntreeDoigte {
  int32_t debut = 0;    // start tick
  int16_t hauteur = 0;  // the pitch fingered
  uint8_t genre = kEntreeNote;
  uint8_t harmonique = 0;  // a harmonic head: played as a natural harmonic
  uint8_t courteLiee = 0;  // shorter than 20160 ticks and joined to the next note
  int16_t caseMin = 0;     // lowest fret allowed (grace notes below the note need room)
  // Entries linked by a played slur: the note the slur comes from and the
  // note it goes to; -1 none.
  int32_t couleAvant = -1;
  int32_t couleApres = -1;
  uint16_t position = kPositionAucune;  // in: a user-set note's; out: the choice
};

// Chooses the positions of the kEntreeNote entries (rests get
// kPositionSilence, notes no string can play kPositionAucune). false when the
// record has no strings or the work tables cannot be had.
bool CalculeDoigteEntrees(const Tablature& tablature, EntreeDoigte* entrees, int32_t n);

// The CalculeTablature slot of fretted tablatures: fingers the staff, or the
// whole merged group when the group shares the record (then only when called
// for the group's first staff).
void CalculeTablatureGuitare(Portee** staff);

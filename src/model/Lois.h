#pragma once
// Laws of a staff: note-matching rules that playback applies to the notes
// they select (by pitch, pitch class, the key's degree, the accidental, an
// interval above the sounding chord's fundamental, two note selectors, the
// note's level and a mark). Also the removal of the volatile staves that
// playback generates.
#include "model/ParamEffet.h"
#include "model/Signe.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// The selectors' "any" values.
constexpr int16_t kLoiSelecteurATous = -1;
constexpr uint16_t kLoiSelecteurBTous = 65535;
constexpr int16_t kLoiHauteurToutes = -1;
// Relative laws express their interval from this pitch.
constexpr int16_t kLoiHauteurFondamentale = 60;

// Volatile kinds of the staves playback generates.
enum : uint32_t {
  kVolatileAccompagnement = 2,
  kVolatileLoi = 4,
  kVolatileRepeteDerniereMesure = 6,
};

// One law. A staff holds its laws back to back in a handle with their count
// beside it. The document stores the name, the five words after it, the
// model note and its effects, and the switches from the octave-free byte on.
struct Loi {
  uint8_t selectionnee;  // cleared on a law made as a copy
  char nom[256];         // UTF-8, NUL-terminated
  int16_t selecteurA;    // kLoiSelecteurATous, else the note's selector A must equal it
  int16_t hauteur;       // kLoiHauteurToutes, else the pitch (or interval) to match
  uint16_t selecteurB;   // kLoiSelecteurBTous, else the note's selector B must equal it
  int16_t valeurPortee;  // the staff's instrument when the first law was made
  uint16_t motLu;        // the word stored after it, kept as read
  // Playback settings of the law, kept for the sound side.
  int32_t valeur1;              // 1
  uint8_t noteJeu;              // 60
  int8_t octetJeu;              // -1
  int32_t dureeJeu;             // 80640
  int8_t octetsJeu[6];          // -1, -1, -1, 127, -1, -1
  Signe note;                   // the law's model note
  ParamEffet effets;            // its effects; effets.marks is the law's mark list
  int32_t modeLegende;          // 1: how the legends of matched notes read
  uint8_t horsOctave;           // 1: pitch classes are compared
  uint16_t modeTonalite;        // low byte: transpose to the key; high byte: test the accidental
  uint8_t ajustAlteration;      // 2 none; 1 +1, 3 -1, 4 +2, 5 -2 semitones
  uint8_t testPlage;            // 1: the note's level must lie in the range
  uint16_t plageBas;            // 0
  uint16_t plageHaut;           // 127
  uint16_t plageHaut2;          // 127
  uint16_t testMark;            // low byte non-zero: the note must carry the mark coded in the high byte
  uint8_t fournitFondamentale;  // 1: the law finds the fundamental of a chord
  uint8_t relatifFondamentale;  // 1: the pitch is an interval above the fundamental, from 60
  // Switches stored with the law, kept as read.
  uint8_t active;  // the law's on switch
  uint8_t interrupteur2;
  uint8_t octetsLecteur[6];
};

// The note fields the laws select on.
int16_t SelecteurANote(const Signe* note);
uint16_t SelecteurBNote(const Signe* note);
uint8_t NiveauNote(const Signe* note);

// The staff's laws and their count (bounded by the handle); null when none.
Loi* GetLoisPortee(Portee** staff, int32_t* count);
// Appends a law: a copy of the last one (its own marks, not selected), or the
// defaults of a first law. Its index, or -1 when the list cannot grow.
int32_t NewLoi(Portee** staff);
// Frees each law's marks, then the list; count 0.
void DisposeLoisPortee(Portee** staff);

// True when the law selects the note (a note of the staff, or of no staff)
// starting at the tick.
bool IsNoteMatchLoi(Portee** staff, const Signe* note, const Loi* law, int32_t tick);
// The index of the first law from `first` on that selects the note; -1.
int32_t RechercheLoiSelonNote(Portee** staff, int32_t first, const Signe* note, int32_t tick);
// The pitch of the fundamental sounding at the tick, found by the laws that
// provide it on the score's staves; -1 when none does.
int16_t RechercheHauteurFondamentale(Partition** score, int32_t tick);

// Removes the volatile staves made for repeated bars and for laws.
void SupprimePorteesVolatilesLois(Partition** score);

#pragma once
// Chord analysis of a staff: chords named from the notes of each column of
// the staff's chord line, the bracket commands of a chord text, and the
// staff's chord list (one record per column) that drawing and playback read.
#include "model/DonneesAccords.h"
#include "platform/PlatformTypes.h"
#include "stafftypes/DonneesLigneTexte.h"

struct Partition;
struct Portee;
struct Tonalite;

// Pitch lists of the chord analysis end with this value; a chord list record
// whose first note is this value holds no chord.
constexpr uint16_t kFinListeNotes = 65535;
// At most this many notes are gathered for one column.
constexpr int kMaxNotesAnalyse = 100;

// One note given to the analysis: its sounding pitch and its two tablature
// bytes (string and fret).
struct NoteAnalyse {
  int16_t hauteur;  // kFinListeNotes as int16_t (-1) ends a list
  int16_t corde;
  int16_t caseManche;
};

// One record of a staff's chord list: a column of the chord line and the
// chord its text names.
struct AccordTaquet {
  TaquetKaraoke taquet;  // the column; its time is absolute
  uint16_t mesure;
  uint16_t indexTaquet;  // index of the column in its bar
  DefAccord accord;      // its name holds the column's text (31 bytes at most)
  uint16_t octave;       // from "[O..]", 4 by default
  int16_t renversement;  // from "[I..]" or "[R..]"
  uint16_t notes[7];     // pitches of the chord; notes[0] = kFinListeNotes: no chord
  uint16_t valeurAccordeon;
};

// Names the chord of a note list (ended by a pitch of -1) at a level of 3
// (triads) to 5 (ninths): root scoring when `methode` is non-zero, degrees of
// the key otherwise. The text (at least 64 bytes) and the chord's pitches
// (ended by kFinListeNotes, 6 entries at least) are written when asked.
// Returns 0, or -1 for a level outside 3..5 (nothing is written then).
int16_t CalculeAccordAbsolu(const Tonalite* key, int16_t level, const NoteAnalyse* notes, char* text, uint16_t* chord,
                            int16_t methode, bool toUTF8);
// Takes the bracketed parts out of a chord text and reads their commands:
// "O" octave, "I" or "R" inversion, "A" accordion value (only when asked).
void ParseCommandAccord(char* text, int16_t* octave, int16_t* inversion, int16_t* accordion);
// Writes the automatic chord texts of a staff into its chord line.
void CalculeAccordsPortee(Partition** score, Portee** staff);
// Rebuilds the staff's chord list from its chord line.
void CvtTexteAccordEnHandleAccordTaquet(Portee** staff);
// First record whose tick is at or after the tick; 1 when found.
int16_t CvtTempsEnAccord(Portee** staff, int32_t tick, AccordTaquet* out);
// The record of a bar's column; 1 when found.
int16_t GetAccordTaquetMesure(Portee** staff, int16_t bar, int16_t column, AccordTaquet* out);
void DisposeListeAccords(Portee** staff);

#pragma once
// Note names: pitches (0..127, middle C 60) to texts such as "F#3" or
// "SOL4" and back. Names are shown from a run-time table (syllables or
// letters, by preference); texts are read in both naming systems at once.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

// Standard spelling by semitone within the octave (0 = C): the accidental
// (0 natural, 1 sharp, 3 flat), the step (0 = C .. 6 = B), 2 for a white key
// and 1 for a black one, and the step of a white key (or of the sharp).
extern const uint8_t AlterationStandard[12];
extern const int16_t InterligneStandard[12];
extern const uint8_t AlterNoteStd[12];
extern const int16_t DemiTon2NoteStd[12];

// The run-time names by step: at most three characters and a NUL.
extern char TabNomNote[7][4];

// Rebuilds the table of note names from the preferences (letters or syllables).
void InitTabNomNote();
// The run-time name of a step (0..6) into dst (at least 4 bytes); an empty
// text for other steps. Returns dst.
char* GetNomNote(char* dst, int16_t step);
// Matches the start of *text, in any case, against the syllables and then
// the letters; on a match moves *text past the name and returns the step,
// else -1.
int16_t FindNomNote(const char** text);
// A pitch as text with the accidental's spelling (2: the standard one); the
// octave number is left out when octaveToOmit is below -2 or equals it. dst
// holds at least 16 bytes. Returns dst.
char* CvtHauteurNoteToStr(int16_t pitch, uint8_t accidental, int16_t octaveToOmit, char* dst);
// A text as a pitch, or -1; accidental (may be null) gets the code the text
// spells (2 when none).
int16_t CvtStrToHauteurNote(const char* text, uint8_t* accidental);
// The same, read while the letter names are in force.
int16_t CvtStrToHauteurNoteUS(const char* text);

#pragma once
// Key maths: the fifteen standard key signatures and the key record, the key
// signature of a tonic, keys moved by semitones or by the distance between
// two reference keys, the most probable key of a bar, clef pitches, the
// transposition of the notes that a key or clef change covers, and the
// concert-key mode that shows transposing instruments at sounding pitch.
#include "model/Tonalite.h"

// Standard key index: 0 none, 1..7 sharps, 8..14 flats.
constexpr int kNbTonalitesStd = 15;

extern const uint8_t TabAlterationsStd[kNbTonalitesStd][7];
extern const int16_t TabDegreMajeurStd[kNbTonalitesStd];
extern const uint8_t TabAlterationMajeurStd[kNbTonalitesStd];
extern const int16_t TabDegreMineurStd[kNbTonalitesStd];
extern const uint8_t TabAlterationMineurStd[kNbTonalitesStd];
extern const int32_t TabNbAlterationsToTonaliteStd[kNbTonalitesStd];
extern const int16_t TableauOrdreDiese[7];
extern const int16_t TableauOrdreBemol[7];
extern const int16_t Note2DemiTonStd[7];

// Transposition modes of TransposeMesures.
enum : int16_t {
  kTranspositionAucune = 0,
  kTranspositionHaut = 1,
  kTranspositionBas = 2,
  kTranspositionGardePlace = 3,
};

void CvtTypeClefEnClefStandard(uint32_t clefType, Clef* clef);
// MIDI pitch of the bottom line, held in 0..127.
int16_t CvtClefEnNoteDeBase(const Clef* clef);
// The key of a standard index (out of range counts as 0) and mode.
void CvtTonaliteStdEnTonalite(int16_t index, int32_t mode, Tonalite* key);
// The standard index whose row equals the key's alterations; -1 when none.
int16_t CvtTonaliteEnTonaliteStd(const Tonalite* key);
// Semitone 0..11 of the key's tonic.
int16_t CvtTonaliteEnFondamentale(const Tonalite* key);
// Shift of an alteration code in semitones (+1 sharp, -1 flat, +-2 doubles).
int16_t DecalageAlterationTonique(int8_t code);
// Fills the seven alterations from the tonic, its alteration and the mode.
void CalculeArmureFnFondamentaleEtMode(Tonalite* key);
void CvtTonaliteDemiTonEnNouvelleTonalite(const Tonalite* key, int16_t semitones, Tonalite* out);
void CalculeTonaliteParDelta(const Tonalite* oldRef, const Tonalite* newRef, const Tonalite* key, Tonalite* out);
void FixeTonaliteMesuresParDelta(Partition** score, Portee** staff, const Tonalite* oldRef, const Tonalite* newRef,
                                 int16_t firstBar, int16_t endBar, int16_t transpositionMode, uint32_t visible,
                                 uint32_t reminder, int16_t exactFirst);
bool IsDeltaOctave(int16_t semitones);
// The most probable written key of a bar across the score's staves.
void CvtMesureEnTonaliteProbable(Partition** score, int16_t bar, Tonalite* key);
// Transposes the notes of the stretch that a key or clef change at the bar covers.
void TransposeMesures(Partition** score, Portee** staff, int16_t bar, const Clef* clef, const Tonalite* key,
                      int16_t transpositionMode);

// ---- Concert key.
// Applies a new instrument transposition to a staff; 1.
int16_t AppliqueInstrumentTranspositeur(Partition** score, Portee** staff, int16_t transposition, int16_t how);
// In concert-key mode, brings every transposing staff to sounding pitch; 1 when a staff changed.
int16_t CheckAndSaveInfoForConcertKey(Partition** score, int16_t warn);
// The score's concert-key switch, and switching it; 1 when a staff changed.
uint8_t GetModeConcertKey(Partition** score);
int16_t SetModeConcertKey(Partition** score, uint8_t mode);

#pragma once
// Accidental spelling: the staff line (octave x 7 + step) of a pitch in the
// key of its bar, the accidentals in force from the bar start up to the note
// being drawn (over every staff of a merged group and over grace notes),
// whether an accidental must be printed, and the pitch at a line. The two
// conversions the model calls are declared in notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Signe;
struct Tonalite;

// Lines 0..77: the accidental in force on each line, rebuilt from the key at
// every CalculeAlterationsJusquaNous and read until the chord is drawn.
constexpr int kNbLignesAlteration = 78;
extern uint8_t AlterationCourante[kNbLignesAlteration];

// Bit of a shown code: the accidental changes by two semitones or more from
// the one in force (only with the change mark switched on).
constexpr uint8_t kAlterationChangement = 64;
// The change mark: off by default (the graphic mode gives it no slot).
extern uint8_t marqueChangementAlteration;

// Accidental codes: 0 natural, 1 sharp, 2 none, 3 flat, 4 double sharp, 5
// double flat; their semitone shifts (0 for any other code).
int16_t CvtAlterationEnDecalageDemiTon(uint8_t code);

// Recording into the accidentals in force on (1) or off (0): the stem-length
// questions asked while grace notes are drawn must not record.
void SetPriseEnCompteAlterations(uint8_t on);
uint8_t GetPriseEnCompteAlterations();

// Spells a pitch: `accidental` holds the requested byte on entry (bits 0-2
// the code, 8 always shown) and the spelled code on return; `line` the line.
// Returns the code to print, 2 for none (with kAlterationChangement when the
// change mark applies).
uint8_t CalcLigneEtAlterationTheoriques(const Tonalite* key, int16_t pitch, uint8_t* accidental, uint8_t* shown,
                                        int16_t* line);

// The key of the bar of `tick` and the accidentals in force just before the
// chord of note `noteIndex`; with graceMode non-zero the note itself is
// recorded last with that mode. Returns the index of the chord's first note.
int32_t CalculeAlterationsJusquaNous(Portee** staff, int32_t noteIndex, int32_t tick, Tonalite* key, int16_t graceMode);
// CalculeAlterationsJusquaNous at the note's own start.
int32_t InitAlterationGraceNote(Portee** staff, int32_t noteIndex, int16_t graceMode);
// The line and printed accidental of a grace note (a note record built for
// it) at a tick; its code is recorded.
int16_t CalcPosAlterationGraceNote(Portee** staff, const Signe* graceNote, int32_t tick, int16_t* line, uint8_t* shown);
// Record a note's grace notes of a group (0 before it, 1 after it), and a
// note by mode: 0 nothing, 1 its grace notes before it, 2 also the note, 3
// also its grace notes after it.
void PrendEnCompteGraceNote(Portee** staff, const Tonalite* key, const Signe* note, int16_t group);
void PrendEnCompteSignePourAlteration(Portee** staff, const Tonalite* key, const Signe* note, int16_t mode);
// Spells a pitch class in a key (the accidentals in force reset to the key):
// returns the step 0..6 (C..B), also in `step`, and the code in `accidental`.
int16_t CalculeNoteFnTonalite(int16_t pitch, const Tonalite* key, int16_t* step, uint8_t* accidental);

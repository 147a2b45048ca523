#pragma once
// The fretted kind of the tablature record: notes written as frets on the
// strings of a neck (numbers, lute letters, dulcimer frets, shamisen and
// kountigui labels), the tablature's lines, header, bar lines, note texts,
// grace notes and mark placement. Its functions fill the record's slots.
#include "stafftypes/DonneesTablature.h"

// Fills a new record of the fretted kind: fingering weights, slots, the
// strings of the neck of the record's kind when there is one, the geometry.
void NewTablatureGuitare(Portee** staff);
// Installs the kind's slots (after the record was read).
void InitVecteursTablatureGuitare(Portee** staff);
void ReCalculeInterneGraphTablatureGuitare(Portee** staff);
int16_t GetHauteurEcranTablatureGuitare(Portee** staff, int16_t half);

// Pitches and positions.
int16_t CvtCaseDulcimerEnDemiTon(int16_t fret);
int16_t CalculeHauteurNoteTablatureGuitare(Portee** staff, int16_t string, int16_t fret);
void CalculeCordeCaseNoteTablatureGuitare(Portee** staff, int16_t pitch, uint8_t* string, uint8_t* fret);
// The fret of the natural harmonic of `pitch` on a string of `open` pitch, or -1.
int16_t CalculePosCaseHarmoniqueGuitare(int16_t open, int16_t pitch);
bool IsCorpsHarmoniqueGuitare(Portee** staff, const Signe* note);
bool IsPosCompatiblesGuitare(Portee** staff, uint16_t a, uint16_t b);

// The y of a note on the screen or the ribbon (flags get 2).
int16_t CvtNoteToEcrTablatureGuitare(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t CvtNoteToRubanTablatureGuitare(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t CvtRubanToNoteTablatureGuitare(Portee** staff, int32_t tick, int32_t y, Signe* note);
void GetRectEcranTablatureGuitare(Portee** staff, Rect* out);
void GetRectRubanTablatureGuitare(Portee** staff, BigRect* out);
int16_t CvtIndexNoteTablatureGuitareEnAireRuban(Portee** staff, int32_t index, BigRect* out);

// The text of a note (at least 16 bytes); true when it is circled.
bool CalculeTexteNoteTablature(Portee** staff, const Signe* note, char* text);
// The label of a fret on a string in the record's mode (at least 16 bytes).
void CvtShortToStringTablature(Portee** staff, char* text, int16_t fret, int16_t string);

// Drawing.
void TraceFondTablatureGuitare(Portee** staff, const Rect* rect, const Rect* area, int16_t top, uint8_t startLine);
void TraceArmatureTablatureGuitare(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime);
void TraceClefChangeTablatureGuitare(Portee** staff, int16_t bar, int16_t x);
void TraceBarreTablatureGuitare(Portee** staff, int16_t bar, int16_t x, int16_t y1, int16_t y2);
void TraceNoteTablatureGuitare(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note,
                               int16_t effectsIndex);
int16_t TraceGraceNotesTablatureGuitare(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note);
void CalculePosEffetTablatureGuitare(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                     int32_t* y);
void AfficheCurseurTablatureGuitare(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle);

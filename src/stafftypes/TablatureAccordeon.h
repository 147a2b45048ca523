#pragma once
// The diatonic-accordion kind of the tablature record: each note written as
// the number of the button that plays it, on a band of one line per keyboard
// row (the pull underlined) or of two lines, push above pull (the row as
// apostrophes). The notes of one column are queued while the staff is drawn
// and written together at the end, so that a chord's buttons share a line.
// Its functions fill the record's slots; the fingering is DoigteAccordeon's.
#include "stafftypes/DonneesTablature.h"

// Fills a new record of the accordion kind: modes, slots, geometry and the
// staff's chord-name line, which names the bass chords.
void NewTablatureAccordeon(Portee** staff);
// Installs the kind's slots (after the record was read).
void InitVecteursTablatureAccordeon(Portee** staff);
void ReCalculeInterneGraphTablatureAccordeon(Portee** staff);
int16_t GetHauteurEcranTablatureAccordeon(Portee** staff, int16_t half);

// The line a note is written on, counted from the band's top, and its
// factor: its y is the band's top + factor line spacings.
struct LigneNoteAccordeon {
  int16_t ligne;
  int16_t facteur;
};
LigneNoteAccordeon CalculeLigneNoteAccordeon(const Tablature& t, uint8_t row, uint8_t button);

// Pitches and positions (row byte: row + 16 for pull).
int16_t CalculeHauteurNoteTablatureAccordeon(Portee** staff, int16_t row, int16_t button);
void CalculeCordeCaseNoteTablatureAccordeon(Portee** staff, int16_t pitch, uint8_t* row, uint8_t* button);
bool IsPosCompatiblesAccordeon(Portee** staff, uint16_t a, uint16_t b);

// The y of a note on the screen or the ribbon: the middle of its line's
// space (flags get 2).
int16_t CvtNoteToEcrTablatureAccordeon(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t CvtNoteToRubanTablatureAccordeon(Portee** staff, int32_t tick, int32_t index, const Signe* note,
                                         uint8_t* flags);
void GetRectEcranTablatureAccordeon(Portee** staff, Rect* out);
void GetRectRubanTablatureAccordeon(Portee** staff, BigRect* out);
int16_t CvtIndexNoteTablatureAccordeonEnAireRuban(Portee** staff, int32_t index, BigRect* out);
// A note's x offset inside its column and, when asked, its text's width.
int16_t GetDeltaXNoteTablatureAccordeon(Portee** staff, int32_t index, int16_t* width);

// Drawing.
void TraceFondTablatureAccordeon(Portee** staff, const Rect* rect, const Rect* area, int16_t top, uint8_t startLine);
void TraceArmatureTablatureAccordeon(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime);
void TraceBarreTablatureAccordeon(Portee** staff, int16_t bar, int16_t x, int16_t y1, int16_t y2);
// Queues a note (its grace notes around it) and draws its marks, or draws a rest.
void TraceNoteTablatureAccordeon(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note,
                                 int16_t effectsIndex);
void CalculePosEffetTablatureAccordeon(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                       int32_t* y);
void AfficheCurseurTablatureAccordeon(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle);

#pragma once
// The harmonica kind of the tablature record: each note written as its hole
// number with a breath symbol (blow or draw, bends, overblow or overdraw,
// slide notes) on a band of up to four lines that grows down from its top or
// up from its bottom; the header, bar lines, grace notes and mark placement.
// Its functions fill the record's slots.
#include "stafftypes/DonneesTablature.h"

// Fills a new record of the harmonica kind: the defaults, the slots, the geometry.
void NewTablatureHarmonica(Portee** staff);
// Installs the kind's slots (after the record was read).
void InitVecteursTablatureHarmonica(Portee** staff);
void ReCalculeInterneGraphTablatureHarmonica(Portee** staff);
int16_t GetHauteurEcranTablatureHarmonica(Portee** staff, int16_t half);

// The band's lines on the screen (or the ribbon) for a breath (1 blow, 0
// draw, -1 none): y1 the band's start, y2 the blow line, y3 the draw line,
// y4 the hole numbers. Returns +1 when the band grows downward, else -1.
int16_t CalculePosLigneHarmonica(bool screen, Portee** staff, int16_t breath, int32_t* y1, int32_t* y2, int32_t* y3,
                                 int32_t* y4);
// The label of a hole (from 0) of the record's model (at least 8 bytes);
// a negative hole writes "?".
void CalculeLibelleTrouHarmonica(const Harmonica& h, int16_t hole, char* text);

// The breath symbol at (x, y): style 0 to 4, spacing the line spacing in
// pixels, bends 7 for over; flag the orientation the symbol reads against;
// grace draws it half size.
void TraceSymboleHarmonica(int16_t style, float spacing, bool blow, int16_t x, int16_t y, bool slide, int16_t bends,
                           bool flag, bool grace);

void TraceFondTablatureHarmonica(Portee** staff, const Rect* rect, const Rect* area, int16_t top, uint8_t startLine);
void TraceArmatureTablatureHarmonica(Portee** staff, const Rect* rect, int32_t tick, int16_t top, uint8_t withTime);
void TraceBarreTablatureHarmonica(Portee** staff, int16_t bar, int16_t x, int16_t y1, int16_t y2);
void TraceNoteTablatureHarmonica(Portee** staff, int16_t x, int16_t xRef, int32_t index, const Signe* note,
                                 int16_t effectsIndex);
int16_t VectTraceGraceNotesTablatureHarmonica(Portee** staff, int16_t x, int16_t y, int32_t index, const Signe* note);
void CalculePosEffetTablatureHarmonica(uint8_t screen, Portee** staff, const Signe* note, const Mark* mark, int32_t* x,
                                       int32_t* y);
int16_t CvtNoteToEcrTablatureHarmonica(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t CvtNoteToRubanTablatureHarmonica(Portee** staff, int32_t tick, int32_t index, const Signe* note,
                                         uint8_t* flags);
int16_t CvtRubanToNoteTablatureHarmonica(Portee** staff, int32_t tick, int32_t y, Signe* note);
int16_t CvtIndexNoteTablatureHarmonicaEnAireRuban(Portee** staff, int32_t index, BigRect* out);
void GetRectEcranTablatureHarmonica(Portee** staff, Rect* out);
void GetRectRubanTablatureHarmonica(Portee** staff, BigRect* out);
bool IsPosCompatiblesHarmonica(Portee** staff, uint16_t a, uint16_t b);
void AfficheCurseurTablatureHarmonica(Portee** staff, int32_t x, int32_t y, const Signe* note, uint8_t withStyle);

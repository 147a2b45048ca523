#pragma once
// Mark drawing: one note mark at its point (its glyph, text or pen figure),
// all marks of a note, and the small drawers they share: effect texts and
// their font, circled string numbers, circles, tremolo strokes, the wavy
// underline and the technique labels of tablature slurs.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Mark;
struct ParamEffet;
struct Partition;
struct Portee;
struct Signe;
struct TextStyle;

// Draws the mark at (x, y), the note's head being at (noteX, noteY); staff and
// effects may be null (palettes, sheets). size is the staff unit size (72 by
// default). Colour, pen and text settings are left as they were.
void TraceMark(Portee** staff, int16_t noteX, int16_t noteY, int16_t x, int16_t y, const Mark* mark,
               const ParamEffet* effects, int16_t size);
// Draws every mark of the note from its head position.
void TraceMarksNote(Portee** staff, int16_t noteX, int16_t noteY, int32_t noteIndex, const Signe* note,
                    bool onTablature, int32_t effectsIndex);

// Sets the effect font; returns its line height (ascent + descent).
// ribbonScore zooms the size for that score's ribbon, else for the screen.
int16_t SetFontEffet(Partition** ribbonScore, Portee** staff, int16_t textSize, int16_t font, int16_t face);
// The text style of a mark's own text (its font, size and face at 72 dpi).
void FixeTextStyleEffet(Portee** staff, const Mark* mark, TextStyle* style);
// A text at (x + Zoom(2), y), underlined by a wave when asked; its width.
int16_t DrawTexteEffet(Portee** staff, int16_t x, int16_t y, const char* text, int16_t textSize, int16_t font,
                       int16_t face, bool wavy);
void DrawSouligneEffet(float x1, float y, float x2, float k);
// A user text laid out from (x + Zoom(2), y - ascent); its measured width.
int16_t DrawTexteEffetUser(Portee** staff, int16_t x, int16_t y, const char* text, int16_t textSize, int16_t font,
                           int16_t face, int16_t justification, bool draw);
// A string number in a circle centred on (cx, cy).
void DrawNumString(Portee** staff, float cx, float cy, const char* text, int16_t textSize, int16_t font, int16_t face);
void DrawCercle(bool filled, float cx, float cy, float r);
// Tremolo strokes through (x, y).
void DrawFrites(Portee** staff, int16_t x, int16_t y, int16_t strokes, int16_t size);
// The labels "H", "PO", "Sl" of the note's technique marks beside a tablature
// slur; ratioY is the slur's vertical ratio at the note (above when positive).
void AfficheLibEffetLiaisonTablature(Portee** staff, const ParamEffet* effects, int16_t ratioY, int16_t x, int16_t y);

#pragma once
// Shared by the units of staff texts (QrvText*.cpp) only.
#include "model/QrvText.h"

// The string a text handle holds; a handle without its NUL reads as empty.
const char* ChaineTexteEnreg(Handle h);
// The record of the cell (bar, verse) of a line without storing it: its span,
// its rows (and the display row in `row`), its style (the given one, else the
// line's cell style) marked transparent. False when the staff does not show
// the line or the bar or verse is out of range.
bool CelluleKaraoke(Portee** staff, int16_t bar, int16_t verse, uint32_t line, const TextStyle* style, Texte* out,
                    int32_t* row);
// Copies at most max - 1 bytes of a UTF-8 text and its NUL, never splitting
// a character.
void CopieBorneeUTF8(char* out, const char* text, int32_t max);
struct Signe;
// The notes of a text's rhythm pattern (the text between "$(" and ")"), at
// most max: each starts as a quarter at middle C; a number sets its value (1
// to 128, 0 a breve), one or two dots lengthen it by a half and three
// quarters, "n:m" makes the following notes a tuplet of n (at most 15) in the
// time of m, and a space, '+' or '/' stores it. '#' sets the second drawing
// mode; other letters are left to the drawing. Returns the count.
int32_t LitRythmeTexte(const char* text, int32_t length, Signe* notes, int32_t max, uint8_t* secondMode);

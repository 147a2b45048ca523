#pragma once
// Bar lines, repeat signs, endings and jump texts, and bar numbers. The
// width a bar's ruptures take, which the model reads, is declared in
// notation/ServicesNotation.h.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct BigRect;
struct Partition;
struct Portee;
struct Rupture;
struct Rect;

// Width in pixels of a bar-line kind: zoomed for the screen, or for the
// score's piano roll when `screen` is false; 0 for an unknown kind.
int16_t GetBarLineWidth(bool screen, Partition** score, int32_t kind);

// The begin-of-music (thick then thin) and end-of-music (thin then thick)
// bars in `rect`, drawn when `draw`; both return their width in pixels.
int16_t AfficheBarlineDebutMusique(const Rect* rect, int16_t top, int16_t bottom, bool draw);
int16_t AfficheBarlineFinMusique(const Rect* rect, int16_t top, int16_t bottom, bool draw);
// Repeat dots at rect.left + dx, centred in the rectangle; four dots around
// its quarter lines with `four`.
void AffichePointsBarline(const Rect* rect, int16_t dx, int16_t size, int16_t gap, bool four);
// The bar line of the rupture's kind in `rect` from top to bottom (the
// rectangle's own when they are equal). Plain kinds draw only when `first`
// is clear; the others when `draw`, repeat dots always.
void AfficheBarLine(Portee** staff, const Rupture* rupture, int16_t top, int16_t bottom, bool first, const Rect* rect,
                    bool draw);

// Draws the rupture's text with its '$' codes at the pen (draw) or measures
// it (returns the width in pixels; 0 when drawing). With a score the text is
// measured at the score's zoom. `bracketLines` leaves the hooks of "$[" and
// "$]" to the ending brackets when the graphic mode draws them.
int16_t AfficheTexteRupture(Partition** score, Portee** staff, Rupture* rupture, int16_t size, bool draw,
                            bool bracketLines);

// Whether the score's ruptures are printed on the staff.
bool IsPrintRupture(Partition** score, Portee** staff);

// The bar-line area and the text area of a rupture relative to the start of
// its bar and to the staff's base line, in screen pixels (`screen`) or on
// the piano roll; `subtract` puts an end-of-bar text left of its bar line.
// The staff may be null.
void CalculeAiresRelativesRupture(bool screen, bool subtract, Partition** score, Portee** staff, Rupture* rupture,
                                  BigRect* barArea, BigRect* textArea);
void CalculeAiresEcranRelativesRupture(Partition** score, Portee** staff, Rupture* rupture, Rect* barRect,
                                       Rect* textRect);
// The text area of a rupture on the page: its bar's start less visX, on the
// staff's base line (or the ending origin of a tablature staff).
void CalculeAireEcranRupture(Partition** score, Portee** staff, int32_t visX, Rupture* rupture, int16_t bar,
                             Rect* rect);

// Draws one rupture at bar-line x and reference y: its bar line, then its text.
void AfficheUneRupture(Partition** score, Portee** staff, Rupture* rupture, int16_t x, int16_t y, int16_t top,
                       int16_t bottom, bool normal);
// Draws every rupture of the bar on the staff; true when any rupture found
// has a bar line. `out`, when given, says whether one has a bar line at the
// end of the bar or of a kind other than the begin bars.
bool AfficheRuptures(Partition** score, Portee** staff, int16_t bar, int16_t x, int16_t y, bool strict, int16_t* out);

// Places the texts of the ruptures at the bar and of the same end-of-bar
// class as the rupture at `index` one above the other.
void AutoPositionRupture(Partition** score, int16_t index);

// The ending brackets of a staff over the ticks from..to; every x moves by
// `offset`.
void AfficheLignesPartRuptures(Portee** staff, const Rect* area, int32_t visX, int32_t offset, int32_t from,
                               int32_t to);
// One ending bracket from the rupture at startIndex to the one at endIndex
// (-1: open at that side).
void TraceLignesPartRuptures(Partition** score, Portee** staff, int32_t visX, int32_t offset, int16_t startIndex,
                             int16_t endIndex);

// Bar numbers: the line of the numbers below the staff top (from a zoomed
// y), and the number of a bar drawn at its bar line when it is due.
void SetLigneNumMesure(Portee** staff, int16_t y);
void AfficheNumeroMesure(Portee** staff, int16_t x, int32_t bar);
// The text of a shown bar number v (> 0): digits, or letters A..Z, AA...
// (bijective base 26), after the prefix character when there is one. dst
// holds at least 16 bytes.
void TexteNumeroMesure(int32_t v, bool digits, uint8_t prefix, char* dst);

#pragma once
// Small drawing primitives of the notes layer: a note head of any head shape,
// a staff or ledger line with sub-pixel position and thickness, a tuplet
// number or ratio, the sign that repeats the last two bars, and the ambitus
// shown at the start of a staff.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Partition;
struct Portee;

// Exact durations that select the half, whole, breve and longa heads.
constexpr int32_t kDureeBlanche = 80640;
constexpr int32_t kDureeRondeTete = 161280;
constexpr int32_t kDureeBreve = 322560;
constexpr int32_t kDureeLongue = 645120;
// Head shapes (FormeCorps) with a meaning of their own.
constexpr int16_t kFormeCorpsSansTete = 7;
constexpr int16_t kFormeCorpsMax = 27;
// The head pictures: built by this unit at first need, ids 20000 to 20019.
constexpr int16_t kIdImageFormeCorps = 20000;
constexpr int kNbImagesFormeCorps = 20;

// The ambitus of a staff, in 72-dpi units: the room it takes before the first
// bar, the offset of its two heads either side of its middle, and its curve
// (kind 5, thickness 4). The score carries no settings of its own for it.
constexpr int16_t kAmbitusLargeur = 36;
constexpr int16_t kAmbitusDecalage = 7;
constexpr int16_t kAmbitusTypeCourbe = 5;
constexpr int16_t kAmbitusEpaisseurCourbe = 4;

// The tuplet digits 0..9.
extern const uint8_t ChiffreTuplet[10];

// The head with its left edge at x and its centre line at y, in the current
// music font; flag chooses between the two forms of the shapes that have two
// (1: the stem-down form).
void TraceFormeCorps(Portee** staff, int16_t shape, int32_t duration, uint8_t flag, int16_t sizePercent, int16_t x,
                     int16_t y);
// The picture of a head shape, in the store once built; null when missing.
Handle GetImageFormeCorps(int16_t id);

// Coverage of the rows of a blended line: (i / 255) ^ 0.9, 0 below 0.1.
float GammaLine(int32_t index);
// A staff or ledger line `length` pixels long from x, at y, `thickness`
// pixels thick (colour index, negative for the current foreground).
void TraceLigneHorizontale(Portee** staff, int16_t x, float y, int16_t length, float thickness, float rawThickness,
                           int16_t colour);
// A tuplet number (n in bits 0-3, m in bits 4-7, the ratio n:m with 0x100,
// hidden with 0x800) centred at x on the baseline y; returns its width and
// its box in rect (may be null).
int16_t TraceNuplet(int16_t x, int16_t y, uint16_t tupletWord, Rect* rect);
void TraceSymboleRepeteDeuxDernieresMesures(Portee** staff, int16_t x, int16_t y);
// The ambitus around x: the lowest and highest notes of the staff's merged
// group with a curve joining them; the range is cached in the staff.
void TraceAmbitus(Partition** score, Portee** staff, int16_t x);
// One head of the ambitus with its accidental; returns its y.
int16_t TraceNoteAmbitus(Portee** staff, int16_t x, int16_t pitch);

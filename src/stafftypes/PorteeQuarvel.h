#pragma once
// The standard five-line staff (type 0) and drums on a standard staff (type
// 8). The installers, the staff-line flags and the time-signature texts the
// model asks for are declared in stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "stafftypes/ServicesTypesPortee.h"

struct Clef;
struct Tonalite;

// A time signature drawn without a right limit.
constexpr int32_t kSansLimiteDroite = INT32_MIN;

// Draws a key signature at x (naturals for what `previous`, when given,
// drops, as the key's naturals mode asks); `extra` is added to each sign's
// advance. Returns the x after it, x itself when nothing was drawn.
int16_t TraceTonalite(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef, int16_t x,
                      int16_t extra);
// Draws the clef and/or the key at x; returns the x after them.
int16_t TraceTonaliteArmature(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef,
                              int16_t x, int16_t extra, uint8_t drawClef, uint8_t drawKey);
// Draws a time signature from x on the middle line y, right-aligned before
// rightLimit when x lies left of it; returns the x after it.
int16_t TraceDivisionTemps(Portee** staff, int16_t x, int16_t y, int32_t rightLimit,
                           const DivisionTemporelle* division);
// The bar pass of standard staves (slot 8).
int16_t TraceBarreMesureQuarvel(Portee** staff, int16_t bar, int16_t x, int16_t clipTop, uint8_t drawLine,
                                uint8_t option);

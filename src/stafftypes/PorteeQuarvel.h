#pragma once
// The standard five-line staff (type 0) and drums on a standard staff (type
// 8). The installers, the staff-line flags and the time-signature texts the
// model asks for are declared in stafftypes/ServicesTypesPortee.h.
#include <cstdint>

#include "system/BigRect.h"

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
// The standard slots that the tablature staff and record fall back on: the
// staff's metrics (slot 0), a note's y on the screen and the ribbon with the
// bar's clef (slots 3 and 4), the ribbon to a note (6), the staff lines
// (slot 1), the line-start header (2), the notes (7) and a note's ribbon
// rectangle (12).
void InitPorteeStd(Portee** staff);
int16_t VectNoteToEcrCleSol(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t VectNoteToRubanCleSol(Portee** staff, int32_t tick, int32_t index, const Signe* note, uint8_t* flags);
int16_t VectRuban2NoteCleSol(Portee** staff, int32_t tick, int32_t y, int16_t* note);
void TraceFondPorteeQuarvel(Portee** staff, const Rect* staffRect, int16_t headerEnd, const Rect* clip, int32_t tick,
                            uint8_t startLine);
void VectTraceArmatureStd(Portee** staff, const Rect* rect, const Rect* clip, int32_t tick, uint8_t withTime);
int32_t VectTraceNotesStd(Portee** staff, int16_t x, uint16_t xRef, Signe* signs, int32_t tick, int32_t first,
                          int32_t count, int16_t bar, int16_t graceIndex, uint8_t proportional);
int16_t VectCvtIndexNoteEnAireRubanStd(Portee** staff, int32_t index, BigRect* out);
// The bar pass of standard staves (slot 8).
int16_t TraceBarreMesureQuarvel(Portee** staff, int16_t bar, int16_t x, int16_t clipTop, uint8_t drawLine,
                                uint8_t option);

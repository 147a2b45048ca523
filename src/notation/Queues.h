#pragma once
// Stems, flags and beams of a stem group (TabQueue): lone stems with their
// flags (or beam stubs in their place), beamed runs with their tips evened
// under the staff's slope limit, the beam segments between stems, and the
// tuplet records of the group.
#include "notation/ServicesNotation.h"
#include "platform/PlatformTypes.h"

struct Portee;
struct Tablature;

// Beam thickness and gap (1/288 inch), loaded from the staff by the note walk.
extern int16_t LargeurBarre, EcartBarre;
// The pending beam run between segments.
extern int16_t LastnBarres, LastColonne, LastLigne, LastColDest, LastLinDest;
extern uint8_t LastSens;

// Flag glyphs: stems up (one, two, one stacked) and stems down.
constexpr uint8_t kGlypheCrochetHaut1 = 106, kGlypheCrochetHaut2 = 107, kGlypheCrochetHautEmpile = 251;
constexpr uint8_t kGlypheCrochetBas1 = 74, kGlypheCrochetBas2 = 75, kGlypheCrochetBasEmpile = 240;

// The stem and flags of entry `index` alone; with `alone` its tuplet (entries
// index..last) is recorded.
void TraceQueueUneSeuleNote(Portee** staff, int16_t index, int16_t last, uint8_t alone, uint8_t draw,
                            Tablature* tablature);
// Flags drawn as short beams from (x, y): towards the heads, count of them.
void TraceCrochetHautCommeBarrePortee(Portee** staff, int16_t entry, int16_t x, int16_t y, int16_t count);
void TraceCrochetBasCommeBarre(Portee** staff, int16_t entry, int16_t x, int16_t y, int16_t count);
// Stems, flags and beams of entries first..last.
void TraceQueue(Portee** staff, int16_t first, int16_t last, uint8_t draw, Tablature* tablature);

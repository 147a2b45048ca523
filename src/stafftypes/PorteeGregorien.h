#pragma once
// The Gregorian staff type (type 9): square notation with C and F clefs,
// neumes (stafftypes/Neumes.h) instead of notes and stems, division strokes
// made from rests, guide marks and one lyrics column per neume. Its installer
// is declared in stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

struct Clef;
struct Tonalite;

// The lyrics columns of a bar of a Gregorian staff, one per neume; the count.
int16_t GregorienCalculeTableauTaquetKaraokeMesure(TaquetKaraoke* columns, Portee** staff, int16_t bar,
                                                   uint8_t withPixels, uint8_t withTimes);
// Draws the square clef and/or the key at x; returns the x after them.
int16_t TraceTonaliteArmatureGregorien(Portee** staff, const Tonalite* previous, const Tonalite* key, const Clef* clef,
                                       int16_t x, int16_t extra, uint8_t drawClef, uint8_t drawKey);

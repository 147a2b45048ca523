#pragma once
// The Gregorian staff type (type 9). Its installer is declared in
// stafftypes/ServicesTypesPortee.h.
#include "stafftypes/ServicesTypesPortee.h"

// The lyrics columns of a bar of a Gregorian staff, one per neume; the count.
int16_t GregorienCalculeTableauTaquetKaraokeMesure(TaquetKaraoke* columns, Portee** staff, int16_t bar,
                                                   uint8_t withPixels, uint8_t withTimes);

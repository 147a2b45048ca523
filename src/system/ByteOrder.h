#pragma once
// Byte-order swaps between the little-endian host and the big-endian files.
// Each swap is its own inverse.
#include <cstdint>

#include "platform/PlatformTypes.h"

int16_t wintel2moto(uint16_t value);
int32_t lintel2moto(uint32_t value);
void ZoneWintel2moto(void* buffer, int32_t byteCount);  // each of byteCount / 2 words
void ZoneLintel2moto(void* buffer, int32_t byteCount);  // each of byteCount / 4 longs
void rintel2moto(Rect* r);

void swapw(int16_t* a, int16_t* b);
void swapw(uint16_t* a, uint16_t* b);
void swapl(int32_t* a, int32_t* b);
void swapl(uint32_t* a, uint32_t* b);

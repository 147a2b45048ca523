#include "system/ByteOrder.h"

#include <utility>

int16_t wintel2moto(uint16_t value) { return int16_t(uint16_t((value >> 8) | (value << 8))); }

int32_t lintel2moto(uint32_t value) { return int32_t(__builtin_bswap32(value)); }

void ZoneWintel2moto(void* buffer, int32_t byteCount) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  for (int32_t i = 0; i + 1 < byteCount; i += 2) std::swap(p[i], p[i + 1]);
}

void ZoneLintel2moto(void* buffer, int32_t byteCount) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  for (int32_t i = 0; i + 3 < byteCount; i += 4) {
    std::swap(p[i], p[i + 3]);
    std::swap(p[i + 1], p[i + 2]);
  }
}

void rintel2moto(Rect* r) {
  if (!r) return;
  r->top = wintel2moto(uint16_t(r->top));
  r->left = wintel2moto(uint16_t(r->left));
  r->bottom = wintel2moto(uint16_t(r->bottom));
  r->right = wintel2moto(uint16_t(r->right));
}

void swapw(int16_t* a, int16_t* b) { std::swap(*a, *b); }
void swapw(uint16_t* a, uint16_t* b) { std::swap(*a, *b); }
void swapl(int32_t* a, int32_t* b) { std::swap(*a, *b); }
void swapl(uint32_t* a, uint32_t* b) { std::swap(*a, *b); }

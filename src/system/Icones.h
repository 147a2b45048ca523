#pragma once
// Colour icons: a resource icon is turned once into a 32-bit offscreen with
// transparency and kept in a cache for the life of the process; every draw
// copies the cached offscreen with alpha, optionally faded and desaturated.
// Custom icons come as palette indexes.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "system/PortLayer.h"

struct IconeCache {
  int16_t id;
  Rect rect;  // (0, 0, height, width)
  int32_t reserve;
  Offscreen offscreen;
};
// Handle of IconeCache entries, made on the first icon draw.
extern Handle extraIcones;

// The background colour an icon is plotted on, made transparent afterwards.
constexpr uint8_t kIconeCleRouge = 3, kIconeCleVert = 4, kIconeCleBleu = 5;

void OrvantaDrawIconAltered(const Rect* r, int16_t id, bool fit, int16_t opacity, int16_t saturation);
void OrvantaDrawIcon(const Rect* r, int16_t id, bool fit);
void DrawIconXY(int16_t id, int16_t x, int16_t y);
void DrawIconButtonXY(int16_t id, int16_t x, int16_t y);
void DrawIconButton(const Rect* r, int16_t id, int16_t unused, bool selected);
// palette: paletteCount entries of 4 bytes (red, green, blue, unused);
// indexes: width x height bytes. Indexes beyond the palette are transparent.
void DrawIconCustom(int16_t width, int16_t height, const uint8_t* palette, int32_t paletteCount, const uint8_t* indexes,
                    const Rect* dest);
void DrawIconCustomOpacity(int16_t width, int16_t height, const uint8_t* palette, int32_t paletteCount,
                           const uint8_t* indexes, const Rect* dest, int16_t opacity);

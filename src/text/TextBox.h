#pragma once
// Text boxes: the one-call drawing and measuring of a styled string (or a
// plain text) in a rectangle, with a justification, an optional rotation and
// optional wrapping. Each call builds a temporary styled text record, loads
// the text, lays it out, draws or measures it and disposes of it.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "text/ExtendedTE.h"
#include "text/TextStyle.h"

// The largest pen h reached by the last measuring pass.
extern int16_t GMaxX;

// Draws a styled string in the rectangle of the current port; sizes are
// scaled to the destination resolution.
void TextBoxStyleZoom(const char* text, int32_t length, const Rect* rect, int16_t just, const TextStyle* style,
                      int16_t angle, uint8_t erase, int8_t noWrap);
// Size of the string laid out without wrapping, measured in the scratch port.
void TextBoxStyleSize(const char* text, int32_t length, const TextStyle* style, uint16_t* width, uint16_t* height,
                      uint8_t unicode);
// Bottom and right of the string wrapped to the rectangle's width, placed at
// its top-left.
void TextBoxStyleArea(const char* text, int32_t length, const TextStyle* style, Rect* rect, uint8_t unicode);
// Height of the string wrapped to a width, at 72 dpi, in the current port;
// 0 when no record can be made.
int16_t TextBoxStyleHeightWrap(const char* text, int32_t length, int16_t width, const TextStyle* style,
                               uint8_t unicode);
// Plain 8-bit text broken by the platform's line breaker, drawn in the
// port's colours without erasing.
void TextBoxSansFond(const char* text, int32_t length, const Rect* rect, uint16_t just, uint16_t extraLeading);

// DrawText slot of the measuring passes: moves the pen by the bytes' width
// and raises GMaxX.
uint8_t VectStdCalculeTexteSize(ExtendedTE te, int32_t line, const char* bytes, int32_t length);

void TextLook(int16_t font, float size, int16_t face);
void SetTextStyle(const TextStyle* style);

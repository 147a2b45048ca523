#pragma once
// The little of TextEdit the engine needs: plain 8-bit text broken into lines
// of a given width, and the height of a range of lines. A line breaks after
// the last space that fits (the spaces stay at the end of the line), a CR
// forces a break after itself, and a word longer than the line breaks between
// characters (every line holds at least one character).
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/TextDraw.h"

// Fills starts (when not null, up to capacity entries) with the offset of
// each line's first byte and returns the number of lines (0 for no text).
int32_t TEBreakLines(const Text8Style& style, const uint8_t* text, int32_t length, int32_t width, int32_t* starts,
                     int32_t capacity);

struct TERec {
  Rect destRect;
  Rect viewRect;
  int16_t lineHeight;
  int16_t fontAscent;
  Text8Style style;
  Handle hText;
  int32_t teLength;
  int32_t nLines;
  Handle lineStarts;  // int32_t per line, then one past the end
};
typedef TERec** TEHandle;

// A record over the given rectangles, in the current port's text style.
TEHandle TENew(const Rect* destRect, const Rect* viewRect);
// The same in a given text style.
TEHandle TENewStyled(const Rect* destRect, const Rect* viewRect, const Text8Style& style);
void TESetText(const void* text, int32_t length, TEHandle te);
// Sum of the heights of lines startLine..endLine (1-based, clamped).
int32_t TEGetHeight(int32_t endLine, int32_t startLine, TEHandle te);
void TEDispose(TEHandle te);

#pragma once
// QuickDraw's 8-bit text: measuring and drawing bytes in a family, face and
// size. While transcoding is on, bytes are Mac Roman (Shift-JIS under a
// Japanese interface); while it is off they are raw font codes: code c is the
// font's character U+F000 + c when it has one (the music font), else U+00c.
//
// Metrics rounding, fixed here once for every caller:
//   - a character's width is its unhinted advance in pixels (advance x size /
//     units per em, times 0.8 condensed or 1.25 extended when synthesised),
//     rounded to the nearest whole pixel, halves away from zero;
//   - a text's width is the sum of its characters' widths, so that drawing a
//     string and drawing its characters one by one end at the same pen;
//   - ascent, descent and widMax are rounded up (ceil), leading to nearest.
// Size 0 means 12.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

// The transcode switch of the 8-bit text calls (on at start).
void SetTextTranscoding(bool on);
bool GetTextTranscoding();
// Shift-JIS instead of Mac Roman while transcoding (Japanese interface).
void SetTextTranscodeJapanese(bool on);
bool GetTextTranscodeJapanese();

// Decodes 8-bit text under the current switch into code points; returns how
// many were written (at most count). firstByte, when given, receives the
// offset of each code point's first byte.
size_t DecodeText8(const uint8_t* text, size_t count, uint32_t* out, size_t* firstByte = nullptr);

struct Text8Style {
  int16_t font = 0;
  uint8_t face = 0;
  int16_t size = 0;
};

int16_t Text8Width(const Text8Style& style, const uint8_t* text, size_t count);
// Width of each byte: a character's width on its first byte, 0 on the
// second byte of a Shift-JIS pair.
void Text8Widths(const Text8Style& style, const uint8_t* text, size_t count, int32_t* widths);
int16_t Text8CharWidth(const Text8Style& style, int16_t ch);
void Text8FontInfo(const Text8Style& style, FontInfo* info);
// Draws with the baseline origin at (x, y) (cairo user space, y downwards) in
// the context's current source; returns the width the pen moves by.
int16_t Text8Draw(cairo_t* cr, double x, double y, const Text8Style& style, const uint8_t* text, size_t count);

// QuickDraw's text calls over the current port (its font, face, size,
// foreground colour and pen), through the port's text bottlenecks: StdText
// draws and moves the pen by the width, StdTxMeas measures.
int16_t TextWidth(const void* textBuf, int16_t firstByte, int16_t byteCount);
int16_t CharWidth(int16_t ch);
int16_t StringWidth(ConstStr255Param s);
void GetFontInfo(FontInfo* info);
void DrawText(const void* textBuf, int16_t firstByte, int16_t byteCount);
void DrawChar(int16_t ch);
void DrawString(ConstStr255Param s);

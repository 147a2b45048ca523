#pragma once
// Unicode text drawing and measuring, and the text that pictures carry:
// every text the engine draws ends in UTFDrawText and UTFTextWidth.
#include <cstdint>
#include <vector>

#include "platform/PictComments.h"
#include "platform/PlatformTypes.h"
#include "platform/QuickDraw.h"

// Texts and paths are UTF-8 (set by the document loader).
extern uint8_t UnicodeApplication;
void SetUnicodeApplication(uint8_t flag);
uint8_t IsUnicodeApplication();

// The picture comments of Unicode text (kinds 100 and 5478) are read and
// written by platform/PictComments.

// UTF-8 to the units the engines draw: controls (below 32) become spaces,
// and in the print music font every unit below U+1000 moves to U+F000 + unit.
// False when the text does not convert.
bool PrepareTexteUTF(const char* text, int32_t offset, int32_t length, bool musicFont, std::vector<UniChar>& out);

// Measuring and drawing UTF-8 text in a port (null: the current port) with
// its font, face, size and colour. Outside a Unicode application, and for
// the 8-bit text a picture carries, the text goes through 8-bit QuickDraw in
// Mac Roman (Shift-JIS under a Japanese interface).
int16_t UTFTextWidth(CGrafPtr port, const char* text, int32_t offset, int32_t length);

// A UTF-8 text laid out once in a port's font, for the widths of many of its
// stretches (line breaking measures each candidate line). A stretch measures
// as UTFTextWidth measures it alone, but that a character or cluster (a
// ligature, a base and its marks) counts whole in the stretch that holds its
// first byte.
struct UTFTextMeasure {
  std::vector<double> pen;  // per byte, and after the last: the pen before it
  std::vector<float> cut;   // per byte: what kerning with it added before it
  float scale = 1.0f;
  std::vector<UniChar> units;  // scratch, kept from text to text
  std::vector<double> penAtUnit;
  std::vector<float> cutAtUnit;
};
// False outside a Unicode application (8-bit text is measured stretch by
// stretch) and when the text does not convert.
bool UTFMeasureText(CGrafPtr port, const char* text, int32_t offset, int32_t length, UTFTextMeasure& out);
// Width of the measured bytes from..to (offsets into the measured text).
int16_t UTFMeasuredWidth(const UTFTextMeasure& m, int32_t from, int32_t to);
// The same from the values at its ends, for callers that keep them.
int16_t UTFMeasuredWidth(double penFrom, double penTo, float cutTo, float scale);

void UTFDrawText(CGrafPtr port, const char* text, int32_t offset, int32_t length, int16_t angle);

// The Unicode engine, with the typographic semantics of the system's newer
// one; the older engine's calls share it (their ratio and rotation are kept).
void CoreTextSetFontRatio(float ratio);
void AtsuSetFontRatio(float ratio);
void AtsuSetRotation(int16_t angle);
float CoreTextWidthUnicode(CGrafPtr port, const UniChar* text, int32_t byteLength);
void CoreTextDrawUnicode(CGrafPtr port, const UniChar* text, int32_t byteLength, float alpha, float angle);
void CoreTextFontMetrics(FontInfo* info);

// Replay of pictures with their Unicode text: the bottleneck procedures that
// take the comment's text and draw it in place of the 8-bit text after it.
void CommentUTFPictElement(int16_t kind, int16_t dataSize, Handle dataHandle);
void TextUTFPictElement(int16_t byteCount, const void* textBuf, Point numer, Point denom);
void LinePictElement(Point newPt);
// Installs them over a copy of the current port's procedures (the line
// procedure only when linesAsRects is set) and returns the port's own; the
// replay ends with FinRejouePictureUTF, which drops any pending text.
CQDProcsPtr DebutRejouePictureUTF(uint8_t linesAsRects, const Rect* frame);
void FinRejouePictureUTF(CQDProcsPtr portProcs);
// Plays a picture into dst in the current port with the replay procedures
// above installed, so that its Unicode text is drawn in place of the 8-bit
// text it carries; linesAsRects paints vertical lines as black rectangles.
void DrawUTFPicture(Handle picture, const Rect* dst, uint8_t linesAsRects);

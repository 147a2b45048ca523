#pragma once
// Styled strings (TextData): the C strings that documents store for every
// text box, staff text, lyric cell and title. Plain UTF-8 text, or 0x01, a
// style part (fields ended by 0x03), 0x02 and the UTF-8 text. They are read
// into and written from the style handles of the styled text record.
//
// Styled strings come from documents: every count, index and offset of a
// style part is checked against the string's own size and tables, and a
// damaged part is refused (the caller falls back to the plain text).
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "text/ExtendedTE.h"
#include "text/TextStyle.h"

constexpr uint8_t kTextDataStyled = 0x01;
constexpr uint8_t kTextDataEndStyle = 0x02;
constexpr uint8_t kTextDataEndField = 0x03;
// A field read back is cut after this many characters.
constexpr int32_t kTextDataMaxField = 253;

// ---- inspection ---------------------------------------------------------------

bool IsStyledString(const char* s);
// Bytes up to and including the 0x02; 0 for a plain or null string; the
// whole string when a styled one has no 0x02.
int32_t GetStringStyleSize(const char* s);
const char* GetTexteBrutTexteStyle(const char* s);
char* GetTexteBrutTexteStyle(char* s);
const char* GetTexteBrutTexteStyleAndSize(const char* s, int32_t totalLength, int32_t* lengthOut);
int32_t GetStrlenBrutTexteStyle(const char* s);
Handle GetDataTextStyle(const char* s, int32_t totalLength);

// ---- style part <-> style handle -----------------------------------------------

// The style handle of a styled string, sized for the string's own text; null
// for a plain or null string and for a damaged style part, which is then
// reported and overwritten in place by "<?>" (or "?" when shorter than 4
// bytes) so that it reads as plain text from then on.
ExtendedStylHandle CvtTextDataToStyleHandle(char* text);

// The previous values of the style entry writer.
struct TextDataPrevStyle {
  float size;
  float lineHeight;
  float ascent;
  uint16_t font;
  uint8_t face;
  RGBColor color;
};
void AddSTElementStyleHandle(Handle out, const ExtendedStyle* style, TextDataPrevStyle* previous);
// The style part (0x01 ... 0x02, no text, no NUL). Null style handle: empty
// handle. With textStyle and fewer than two runs: empty handle, the single
// style in textStyle; with two or more runs textStyle gets the first run's.
Handle CvtStyleHandleToTextData(ExtendedStylHandle sh, TextStyle* textStyle);
Handle CvtStyleHandleToTextDataRange(ExtendedStylHandle sh, int32_t start, int32_t end, const TextStyle* defaultStyle,
                                     TextStyle* textStyleOut);
// Appends a run at start naming an equal entry of stylesHandle (its use
// count goes up) or a new entry with use count 1.
void AddRunAndStyle(const ExtendedStyle* style, int32_t start, Handle runsHandle, Handle stylesHandle);

// ---- styled string <-> styled text record ----------------------------------------

void CvtTextDataToTEHandle(ExtendedTE te, const char* text, int32_t length, const TextStyle* textStyle);
// A new pointer block: style part, text, NUL; freed with DisposeTextData.
// maxLength >= 1 bounds the result (plain text then); -1 or 0: no bound.
char* CvtExtendedTEHandleToTextData(ExtendedTE te, int32_t maxLength, TextStyle* textStyle);
// Frees every string that this unit returns.
void DisposeTextData(char* s);
void AddStyleHandleRangeToText(ExtendedTE te, const char* text, int32_t position, const TextStyle* textStyle);
void AddStyleHandleToStyleHandle(ExtendedStylHandle source, ExtendedStylHandle destination, int32_t offset);

// ---- sub-strings (sizes in 72-dpi points) -------------------------------------------

char* ExtraitSousChaineStyle(const char* text, int32_t from, int32_t to, const TextStyle* defaultStyle);
char* SupprimeSousChaineStyle(const char* text, int32_t from, int32_t to, int32_t textLength);
char* InsereSousChaineStyle(const char* inserted, int32_t insertedLength, const char* destination, int32_t position,
                            int32_t destinationLength);
char* ConcateneSousChaineStyle(const char* a, int32_t from, int32_t to, char* b);
char* CreeChaineStyle(const char* plain, const TextStyle* style);
char* ConcateneChaineAvecStyle(const char* plain, const TextStyle* style, char* b);
bool ExtraitStyleChaine(const char* text, int32_t offset, TextStyle* out);
Handle InjecteRunsDansChaine(const char* text, int32_t totalLength);
Handle RecupereRunsDansChaine(const char* source, int32_t totalLength, const char* marked);
int16_t TraceChaineStyle(const char* text, int32_t offset, int32_t length, int16_t angle);

#pragma once
// Encoded strings and text-encoding conversions: MS-DOS code page 437,
// Windows-1252, Mac Roman, HTML-coded text, UTF-8, Shift-JIS (Mac OS
// Japanese) and UTF-16 in both byte orders, with line-end conversion.
// Conversions never fail on bad input: unknown input characters become
// U+FFFD, characters the target lacks become '?'. Results are EncodedStr
// buffers (not NUL-ended unless the NUL was converted with the text), freed
// with DisposeEncodedStr.
#include <cstddef>
#include <cstdint>

#include "platform/PlatformTypes.h"

typedef char* EncodedStr;

// Encoding codes: the low 5 bits select the encoding, bits 5 to 7 the line ends.
enum : int32_t {
  kEncodingMSDos = 0,
  kEncodingWindows = 1,
  kEncodingMacRoman = 2,
  kEncodingHTML = 3,
  kEncodingUTF8 = 4,
  kEncodingShiftJis = 5,
  kEncodingUTF16Host = 6,
  kEncodingUTF16Swapped = 7,
  kEncodingMask = 31,
  kLineEndCR = 0,
  kLineEndLF = 32,
  kLineEndCRLF = 64,
  kLineEndSame = 224,  // source: detect; target: as the source
  kLineEndMask = 224,
};

constexpr int32_t kEncodedStrPoolSize = 4;
constexpr int32_t kEncodedStrPoolBuffer = 1024;

EncodedStr NewEncodedStr(int32_t size, uint32_t tag);
void DisposeEncodedStr(EncodedStr s);

EncodedStr ChangeTextEncoding(const void* text, int32_t offset, int32_t length, int32_t source, int32_t target,
                              int32_t* lengthOut);

int32_t UTFCharToUnicode(const uint8_t* bytes, UniChar* ch, int32_t available);
int32_t UnicodeCharToUTF(UniChar ch, uint8_t* out);

EncodedStr UTFTextToUnicode(const char* text, int32_t offset, int32_t length, int32_t* unitsOut);
EncodedStr HTMLTextToUnicode(const char* text, int32_t offset, int32_t length, int32_t* unitsOut);
EncodedStr UnicodeTextToMacRoman(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut);
EncodedStr UnicodeTextToShiftJis(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut);
EncodedStr UnicodeTextToHTML(const UniChar* text, int32_t offset, int32_t units, int32_t* lengthOut);
EncodedStr MacRomanTextToUTF(int32_t offset, const char* text, int32_t length, int32_t* lengthOut);
EncodedStr WindowsTextToUTF(int32_t offset, const char* text, int32_t length, int32_t* lengthOut);
EncodedStr ShiftJisTextToUTF(const char* text, int32_t offset, int32_t length, int32_t* lengthOut);
EncodedStr UTFTextToMacRoman(const char* text, int32_t offset, int32_t length, int32_t* lengthOut);
EncodedStr UTFTextToWindows(const char* text, int32_t offset, int32_t length, int32_t* lengthOut);

// In place, NUL included; the buffer must hold the result (up to three times
// the length for MacRomanToUTF).
char* MacRomanToUTF(char* s);
char* UTFToMacRoman(char* s);
char* UTFToWindows(char* s);
EncodedStr UTFToStr(const char* s, int32_t target, int32_t* lengthOut);

UniChar UnicodeCharMajuscule(UniChar c);
int32_t UnicodeStrLen(const UniChar* s);
int16_t UniCharRLType(UniChar c);
int32_t UTFNextChar(const char* text, int32_t position, int32_t length);
int32_t UTFPrevChar(const char* text, int32_t position, int32_t length);

// How HTML input reads bytes above 126: 4 UTF-8, 2 Mac Roman, 1 Windows-1252,
// anything else the byte itself.
void SetHTMLDefault8BitEncoding(int32_t encoding);
int32_t GetHTMLDefault8BitEncoding();

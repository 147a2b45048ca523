#pragma once
// Shared string operations: C strings and length-prefixed strings, bounded
// copies, trimming, substitution, comparison and search that ignore case and
// the accents of the Mac Roman set, binary search in sorted record tables, and
// the rounded scaling a x b / c on which zooms and unit conversions rest.
// Everything works in place on the caller's buffer unless a result is named.
#include <cstdint>

// Length-prefixed <-> C string, in place. CtoPstr keeps at most 255 bytes of
// text so that the length byte and the text agree.
char* PtoCstr(unsigned char* buffer);
inline char* PtoCstr(char* buffer) { return PtoCstr(reinterpret_cast<unsigned char*>(buffer)); }
unsigned char* CtoPstr(char* buffer);
inline unsigned char* CtoPstr(unsigned char* buffer) { return CtoPstr(reinterpret_cast<char*>(buffer)); }

// At most n - 1 characters and always a terminator inside the n bytes; a size
// of 0 or less writes nothing.
char* strnzcpy(char* dst, const char* src, int32_t n);
// Appends while the whole string fits in n bytes, else as much as fits; a
// destination already n - 1 or more characters long is left unchanged.
char* strnzcat(char* dst, const char* src, int32_t n);
// Formats (into 4096 bytes at most) and appends; the caller's buffer must hold it.
char* sprintcat(char* dst, const char* format, ...) __attribute__((format(printf, 2, 3)));

int16_t strspace(const char* s);  // 1 when empty or only spaces
char* strstrip(char* s);          // drops leading and trailing spaces (32)
char* strpurge(char* s);          // drops leading and trailing bytes below 33
// Replaces each byte of `from` by the byte at the same place in `to`, or by
// its last byte when `to` is shorter.
void SubstChars(char* s, const char* from, const char* to);
// Replaces every occurrence of pattern, left to right, without overlap. The
// caller's buffer must hold the result; an empty pattern changes nothing.
char* StrSub(char* s, const char* pattern, const char* replacement);
char* StrSubShort(char* s, const char* pattern, int16_t value);
char* CvtShortToStr(char* buffer, uint16_t value);  // decimal, no leading zeros

// Letter folding shared by every comparison below.
uint8_t FoldChar(uint8_t c);
// -1, 0 or 1 on folded bytes; -1 also when either string is null.
int16_t stricmp(const char* a, const char* b);
// The same over at most n bytes; -1 also when n is 0 or less.
int16_t StrnCaseCmp(const char* a, const char* b, int32_t n);
char* strupr(char* s);  // folds every byte
// First place where pattern occurs after folding; null when absent or empty.
char* stristr(const char* s, const char* pattern);

// Binary search over records sorted on a key at keyOffset (stride bytes
// apart): the first record whose key equals value, else the last whose key is
// below it; -1 when count is 0 or value is below the first key.
int32_t DichoSearchLong(const void* base, int32_t count, int32_t stride, int32_t keyOffset, int32_t value);
int32_t DichoSearchShort(const void* base, int32_t count, int32_t stride, int32_t keyOffset, int16_t value);
int32_t DichoSearchFloat(const void* base, int32_t count, int32_t stride, int32_t keyOffset, float value);

// a x b / c in single precision, rounded half away from zero and clamped to
// the 32-bit range; c == 0 gives INT32_MAX when a and b are both non-zero, else 0.
int32_t LMulDiv(int32_t a, int32_t b, int32_t c);

// Sums of file values are taken in 64 bits and held to the stored width.
inline int32_t Sature32(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v); }
inline int16_t Sature16(int64_t v) { return v > INT16_MAX ? INT16_MAX : v < INT16_MIN ? INT16_MIN : int16_t(v); }

#pragma once
// Basic types shared by every stand-in of the platform layer and by the engine.
// Our own declarations: widths are what the engine's records and files expect.
#include <cstddef>
#include <cstdint>

typedef int16_t OSErr;
typedef int32_t OSStatus;
typedef uint8_t Boolean;
typedef uint8_t Byte;
typedef int8_t SignedByte;
typedef char* Ptr;
typedef Ptr* Handle;
typedef int32_t Size;
typedef int32_t Fixed;
typedef uint32_t ResType;
typedef uint32_t OSType;
typedef uint32_t FourCharCode;
typedef int16_t ResID;
typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef unsigned char Str15[16];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;
typedef uint16_t UniChar;

enum : OSErr {
  noErr = 0,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  memWZErr = -111,
  resNotFound = -192,
  fnfErr = -43,
  eofErr = -39,
  ioErr = -36,
  dirNFErr = -120,
};

// QuickDraw's basic geometry: signed 16-bit coordinates.
struct Point {
  int16_t v;
  int16_t h;
};

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct RGBColor {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
};

// Builds a four-character code from its text, most significant byte first.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

#pragma once
// Pack streams: a byte source or sink with a bit buffer (most significant bit
// first), over a growable handle, a fixed memory block or operations given by
// the caller. The MLAP sample codec reads and writes only through them.
#include <cstdint>

#include "platform/PlatformTypes.h"

struct PackStream;

typedef int16_t (*PackGetCharProc)(PackStream* stream);                // negative: end of data or failure
typedef uint8_t (*PackPutCharProc)(uint8_t byte, PackStream* stream);  // 1: written
typedef uint8_t (*PackGetBlockProc)(void* destination, int32_t count, PackStream* stream);   // 1: read
typedef uint8_t (*PackPutBlockProc)(const void* source, int32_t count, PackStream* stream);  // 0: failure
typedef void (*PackSeekProc)(PackStream* stream, int32_t position);
typedef int32_t (*PackSizeProc)(PackStream* stream);
typedef void (*PackCloseProc)(PackStream* stream);

struct PackStream {
  void* source;       // the handle, the memory block or the caller's context
  uint32_t position;  // current byte position
  uint32_t size;      // size of a memory block, or the caller's size; 0 for a handle
  uint8_t direction;  // non-zero: writing
  uint8_t bitMask;    // next bit of bitBuffer; 128 = nothing pending (writing), 0 = nothing left (reading)
  uint8_t bitBuffer;  // the byte being assembled or consumed
  PackGetCharProc GetChar;
  PackPutCharProc PutChar;
  PackGetBlockProc GetBlock;
  PackPutBlockProc PutBlock;
  PackSeekProc Seek;
  PackSizeProc Size;
  PackCloseProc Close;  // may be null
};

// Powers of two, bit i of a field is tabBit[i]; filled on first use.
extern uint32_t tabBit[32];
void FillTabBit();

PackStream* InitPackStreamHandle(Handle handle, uint32_t position, uint8_t direction);
PackStream* InitPackStreamPtr(void* pointer, uint32_t size, uint32_t position, uint8_t direction);
PackStream* InitPackStreamVector(void* context, uint32_t size, PackGetCharProc getChar, PackPutCharProc putChar,
                                 PackGetBlockProc getBlock, PackPutBlockProc putBlock, PackSeekProc seek,
                                 PackSizeProc sizeProc, PackCloseProc close, uint32_t start, uint8_t direction);
// Calls Close when set, then frees the record.
void DisposePackStream(PackStream* stream);

void MlapInitReadWriteBits(PackStream* stream);
// Writes the pending partial byte (unused low bits 0), if any.
void MlapFlushWriteBits(PackStream* stream);

// Handle back-end. Reads stop at the handle's size (GetChar answers -1,
// GetBlock 0); writes grow the handle and answer 0 when it cannot grow.
int16_t PackHandleGetChar(PackStream* stream);
uint8_t PackHandlePutChar(uint8_t byte, PackStream* stream);
uint8_t PackHandleGetBlock(void* destination, int32_t count, PackStream* stream);
uint8_t PackHandlePutBlock(const void* source, int32_t count, PackStream* stream);
void PackHandleSeek(PackStream* stream, int32_t position);
int32_t PackHandleSize(PackStream* stream);
void PackHandleClose(PackStream* stream);  // trims the handle to the written length

// Memory-block back-end: reads and writes stop at `size`.
int16_t PackPtrGetChar(PackStream* stream);
uint8_t PackPtrPutChar(uint8_t byte, PackStream* stream);
uint8_t PackPtrGetBlock(void* destination, int32_t count, PackStream* stream);
uint8_t PackPtrPutBlock(const void* source, int32_t count, PackStream* stream);
void PackPtrSeek(PackStream* stream, int32_t position);
int32_t PackPtrSize(PackStream* stream);

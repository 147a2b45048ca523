#pragma once
// Compressing and inflating handles with zlib: the PNG coder's IDAT data and
// compressed handles go through here.
#include <cstdint>

#include "platform/PlatformTypes.h"

// Receives each piece of inflated output; a non-zero answer stops inflation.
typedef int (*ZOutputProc)(void* context, const uint8_t* bytes, uint32_t count);

// Inflates `length` bytes of zlib data and hands the output to `output` piece
// by piece. 0 (Z_OK) when the stream ended properly, else the zlib error
// (Z_MEM_ERROR when the callback refused a piece).
int ZDecompressOnVector(ZOutputProc output, void* context, const void* source, uint32_t length);

// The callback of RozoUnZipHandleAndFree: appends the bytes to the handle
// given as context. Refuses (non-zero) when the handle cannot grow.
int VectDecompress(void* destination, const uint8_t* bytes, uint32_t count);

// Inflates the handle's zlib data into a new handle, or null on error
// ("ZipDecodeHandle err %d" to Printf). The input handle is disposed in both
// cases. Output beyond `maxSize` bytes (0: the largest block) is an error, so
// that a small hostile stream cannot ask for unbounded memory.
Handle RozoUnZipHandleAndFree(Handle source, int32_t maxSize = 0);

// Compresses the handle with zlib into a new handle trimmed to its length, or
// null on error ("compress err %d" to Printf). The input handle is disposed in
// both cases.
Handle RozoZipHandleAndFree(Handle source);

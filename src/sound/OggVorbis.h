#pragma once
// Ogg Vorbis decoding over the caller's read and write callbacks, for digital
// audio tracks and for stored sounds held in memory.
#include <cstdint>

#include "platform/PlatformTypes.h"

// Fills up to `size` bytes; the bytes given (0 at the end of the data).
typedef int32_t (*OggLectureProc)(void* context, void* buffer, int32_t size);
// Takes interleaved 16-bit host-order samples; 0 stops decoding.
typedef int16_t (*OggEcritureProc)(void* context, const int16_t* samples, int32_t bytes);

// Decodes every logical stream of the data, one after the other. 1 when
// decoded; 0 (with a warning) for data that is not Ogg Vorbis or stops
// before its headers, or when the writer stopped.
int16_t DecodeOggGenerique(void* context, OggLectureProc read, void* writeContext, OggEcritureProc write,
                           uint32_t* rate, int16_t* stereo, int16_t* bits, int16_t* isSigned);

// Decodes data in memory into a new handle of interleaved 16-bit samples of
// at most maxBytes bytes (what comes after is dropped); null on failure.
Handle DecodeMemoryOgg(const void* data, int32_t size, int32_t maxBytes, uint32_t* rate, int16_t* stereo, int16_t* bits,
                       int16_t* isSigned);

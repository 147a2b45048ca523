#pragma once
// Numbered sample streams: growable sequences of audio samples of one format
// (8, 16, 24 or 32 bits, a rate), held in a temporary-memory handle or, when
// memory runs short, in a temporary file, with a current position. Samples in
// a stream's own format move as raw bytes; the 32-bit working form is a
// signed value with the sample in its top bits. Also the two process-wide
// locks that guard the streams and the output double buffer.
// DisposeFlux, which the model calls, is declared in sound/ServicesSon.h.
#include <cstdint>

#include "platform/PlatformTypes.h"
#include "sound/ServicesSon.h"

struct Flux {
  uint8_t utilise;
  uint32_t enMemoire;  // 1: samples in `handle`; 0: in the temporary file `fichier`
  int16_t bits;
  uint32_t frequence;  // Hz
  int16_t fichier;
  Handle handle;
  uint32_t longueur;  // samples
  uint32_t position;  // samples
};

// The slots; slot 0 is never handed out, so an id is a slot index from 1.
extern Handle tabFlux;
extern int16_t nbFlux;

// No stream holds more bytes than this (the temporary files' own limit).
constexpr int64_t kMaxOctetsFlux = 0x7FFFFFFF;

// Storage modes of CreateFlux: 1 memory when there is room (else a file), 0 a file.
constexpr int16_t kFluxFichier = 0;
constexpr int16_t kFluxMemoire = 1;

// A new stream of `capacity` samples; its id, 0 on failure. A memory-backed
// stream starts with its whole capacity as length (silent), a file-backed one
// empty. `name` names the temporary file.
int32_t CreateFlux(const char* name, uint32_t capacity, int16_t mode, uint32_t rate, int16_t bits);
int16_t OpenFlux(int32_t id);
// 0, or the file's seek error (the position is then unchanged).
int16_t SeekFlux(int32_t id, uint32_t position);
uint32_t TellFlux(int32_t id);
int16_t TailleSampleFlux(int32_t id);  // bytes per sample; 0 for no stream
uint32_t GetRateFlux(int32_t id);
int16_t GetBitsFlux(int32_t id);
uint32_t GetLengthFlux(int32_t id);

// Reads count samples at the position; what lies past the length reads as
// zeroes. The position advances by count. Returns count (0 for no stream).
int32_t ReadFluxNatif(void* buffer, int32_t count, int32_t id);
// The same, widened in place to 32-bit working samples (16-bit samples in host
// order); the buffer holds count x 4 bytes.
int32_t ReadFlux32b(int32_t* buffer, int32_t count, int32_t id);
// Writes at the position, growing the length; count, or 0 when nothing could
// be written.
int32_t WriteFluxNatif(const void* data, int32_t count, int32_t id);
int32_t WriteFluxPosNatif(int32_t id, uint32_t position, const void* data, int32_t count);
int32_t WriteFlux32b(const int32_t* samples, int32_t count, int32_t id);
// Writes count samples of silence (128 for 8-bit samples, else 0).
int16_t FillFlux(int32_t id, int32_t count);
// A memory-backed stream that cannot grow goes on in a temporary file. 1, or
// 0 when the length cannot be held.
int16_t SetLengthFlux(int32_t id, uint32_t length);

// Changes a stream's format, converting its samples; the id stays valid. 1 or 0.
int16_t SetFormatFlux(int32_t id, uint32_t rate, int16_t bits);
// A converted copy; its id, or 0.
int32_t ConvertFluxFormat(int32_t id, uint32_t rate, int16_t bits);
// A copy at the same position; its id, or 0.
int32_t DupliqueFlux(int32_t id, int16_t copyFlagA, int16_t copyFlagB);

// Resamples and re-widens a block of samples (linear interpolation inside
// the block); a new pointer block of *newCount samples, null on failure.
Ptr ChangeSampleFormatSurBuffer(const void* samples, int32_t count, uint32_t rate, int16_t bits, int16_t isSigned,
                                uint32_t newRate, int16_t newBits, int32_t* newCount);
// The same into the stream's own format, written at its position; 1 or 0.
int16_t ChangeSampleFormatSurFlux(const void* samples, int32_t count, uint32_t rate, int16_t bits, int16_t isSigned,
                                  int32_t id);

// Byte order of 16-bit samples: negative host, 0 little-endian, positive big-endian.
int32_t SampleNatifTo32b(const uint8_t* bytes, int16_t bits, int16_t order);
void Sample32bToNatif(int32_t value, int16_t bits, uint8_t* bytes, int16_t order);

// A rate in Hz reduced to samples per 1/200 second at 44100 Hz's scale:
// trunc(x x 220 / 44100 + 0.5).
int32_t Cvt200eEnNbSamplesDigitPortee(double x);

// The locks. When both are needed the double-buffer lock is taken first and
// released last. They are not recursive.
void StartFluxCriticalSection();
void EndFluxCriticalSection();
void StartDblBuffCriticalSection();
void EndDblBuffCriticalSection();
// Nesting as the audio side sees it (capped at 2).
extern int16_t nbEntranceFlux;
extern int16_t nbEntranceDigit;

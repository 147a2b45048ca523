#pragma once
// MLAP: the lossless coding of 16-bit audio samples. Blocks are predicted by
// repeated differencing (order 0 to 7 per block) and the residuals stored as
// sign-magnitude Rice codes; a 32-bit sum of the samples closes the stream.
#include <cstdint>

struct PackStream;

// Samples per block accepted from a header: the decoder's buffers are sized
// from it, and real streams use a few thousand.
constexpr uint32_t kMlapMaxBlockLength = 1u << 22;

// Decodes a whole MLAP stream from `source` into `sink`, one PutBlock call per
// block. 1 when every block was decoded and written and the checksum matched;
// 0 for a bad header, a source that ends early, a sink that refuses a block or
// a checksum mismatch.
uint8_t UnpackWholeStream(PackStream* source, PackStream* sink);

#pragma once
// Blocks of 32-bit values packed with a Rice-like code (the packed spectra of
// singing-voice data).
#include <cstddef>
#include <cstdint>

// Decodes `count` values from `length` packed bytes into `values`.
// Byte 0 is the parameter k: with k = 0 the values follow as big-endian 32-bit
// words; otherwise each value is q one bits, a zero bit and (q + 1) x k value
// bits (at most 32 of them are read), most significant first. With
// `signedValues` the low bit of each value is its sign.
// Returns 1 when every value was decoded; 0 when the block is shorter than its
// values (the values that could not be read are set to 0).
uint8_t RiceDecodeBlock(const uint8_t* packed, size_t length, int32_t* values, uint32_t count, uint8_t signedValues);

#pragma once
// The seal of a chord diagram: a 32-bit fold of the MD5 digest (RFC 1321) of
// its contents, so that equal contents carry equal seals. It identifies; it
// protects nothing. One context serves the whole process: seals are computed
// one at a time (BeginScellement, AddScellement..., EndScellement).
#include <cstdint>

struct MD5Context {
  uint32_t state[4];   // chaining values A, B, C, D
  uint32_t count[2];   // bits fed, low word first
  uint8_t buffer[64];  // the block being filled
};

void MD5Init(MD5Context* context);
void MD5Update(MD5Context* context, const void* input, uint32_t length);
void MD5Final(uint8_t digest[16], MD5Context* context);
void MD5Transform(uint32_t state[4], const uint8_t block[64]);

void BeginScellement();
void AddScellement(const void* bytes, uint32_t length);
// Bytes, most significant first: d[i] ^ d[i+4] ^ d[i+8] ^ d[i+12], i = 0..3.
uint32_t EndScellement();

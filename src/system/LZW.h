#pragma once
// LZW coding of the coded stretches of native documents. The coder writes codes
// straight to the stdio file and the decoder reads them straight from it; the
// document byte stream (QrvFiles) switches between them and plain bytes.
//
// Format of one stretch: codes packed most significant bit first, 9 bits wide at
// first, one bit wider each time the coder's next free code reaches 512, 1024 and
// 2048; after code 4095 has been assigned the dictionary starts afresh. Codes 0 to
// 255 are single bytes; there is no clear code and no end code. The last byte is
// padded with zero bits.
#include <cstdint>
#include <cstdio>

// Coder. InitCodeLZW answers 0 when its tables can't be had; PutcLZW then reports
// a write error for every byte.
int16_t InitCodeLZW();
int16_t PutcLZW(uint8_t c, FILE* f);  // the write-error flag since the start
void EndCodeLZW(FILE* f);             // flushes the last code and the padded byte

// Decoder. GetcLZW answers the next decoded byte, or -1 when the stretch is over
// (end of file, or data that can't be a code of this format).
void InitDecodeLZW(FILE* f);
int16_t GetcLZW(FILE* f);
void EndDecodeLZW(FILE* f);  // leaves the file just after the last byte read for codes

// Whether the decoder has met the end of its stretch.
bool IsFinDecodeLZW();
// Decoded bytes already taken from the file and not yet handed out.
int32_t GetAttenteDecodeLZW();

#pragma once
// SHARED(services): the reader of our small keyword-driven data files (necks,
// sound-effect presets, voice presets): one tokenizer over one process-wide source, either
// an open stdio file or a memory block. Nothing here knows a file kind: each
// kind's handler decides what a keyword means and reads the value after it.
//
// Lexical rules: a character of code 32 or below is blank; a word starts at
// the first character above 32 and goes on while characters are 46 ('.') or
// above, so punctuation of codes 33 to 45 may only lead a word (a minus sign
// leads a number, a hyphen between digits splits them). Bytes above 127 read
// from memory count as negative, hence as blanks; read from a file they are
// word characters. Quoted strings run from one '"' to the next; hexadecimal
// blocks are "<" pairs of digits ">".
#include <cstdio>

#include "platform/PlatformTypes.h"

// Every word buffer callers hand to the scanner holds this many characters
// and a terminator.
constexpr int kTagLongueurMot = 255;

// The source. Selecting a file forgets any memory block; selecting a memory
// block reads it from its start and leaves the file setting as it was (it is
// the source again only after the next TagSetFile). The caller owns both.
FILE* TagSetFile(FILE* file);
Handle TagSetMemory(Handle block);
// Closes the current file, if any, and forgets it.
void TagCloseFile();

// The next word, cut after `limit` characters (the buffer holds limit + 1).
// False when the input had already ended; true with an empty word when only
// blanks remained.
bool TagReadMotScan(char* buffer, int limit);

// The next word's leading number, clamped to the type's range; 0 when the
// input has ended or the word is no number.
int16_t TagReadShort();
int32_t TagReadLong();
float TagReadFloat();

// Skips to the next '"' and copies up to the closing one (consumed), keeping
// at most size - 1 characters and a terminator. Starting at the end of the
// input leaves the buffer as it was; reaching the end before the opening
// quote stores an empty string; reaching it inside keeps what was read.
void TagReadStringGuillemet(char* buffer, int32_t size);

// Zeroes the buffer, skips past the next '<' and stores one byte per pair of
// hexadecimal digits up to '>' or until the buffer is full. Control
// characters are ignored inside; a pair that is no hexadecimal number stores 0.
void TagReadBlock(void* buffer, int32_t size);

// The next n bytes unchanged; false when fewer remain (what remained is
// copied and the source is then at its end).
bool TagReadRawBlock(void* buffer, int32_t n);

// Characters left in the source, for bounding what a count read from it may
// allocate: exact for a memory block and a regular file; the largest value
// for a file of unknown size; 0 without a source.
int64_t TagResteSource();

// Reads words until one equals the keyword (true); every other word goes to
// the handler, and a handler answering false stops the wait (false). False
// too at the end of the input.
typedef bool (*TagHandler)(char* word);
typedef bool (*TagHandlerPtr)(char* word, void* context);
bool TagWait(const char* keyword, TagHandler handler);
bool TagWaitPtr(const char* keyword, TagHandlerPtr handler, void* context);

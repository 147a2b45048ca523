#pragma once
// The document byte stream. Every reader and writer of document bytes goes
// through the two slots ReadCar and WriteCar, which point at the back-end in
// force: the plain file, an LZW-coded stretch of it, a growable handle or a
// fixed memory buffer. So one reader serves plain and coded files, and a
// document can switch coding on and off in mid-file.
//
// The stream knows its size and keeps a sticky end flag: a read past the end
// gives -1 from ReadCar (0 bytes from ReadCarBlock), sets the flag, and
// EndOfFile reports it until the stream is repositioned or reopened. Readers
// check the flag at record boundaries and GetStreamRemaining before trusting a
// count read from the file.
#include <cstdint>
#include <cstdio>

#include "platform/PlatformTypes.h"

typedef int16_t (*ReadCarProc)();          // next byte 0..255, or -1 at the end
typedef int16_t (*WriteCarProc)(uint8_t);  // 1 when stored, 0 when not

extern ReadCarProc ReadCar;
extern WriteCarProc WriteCar;

// The stream state, one per process.
struct IoCustom {
  FILE* fichier;
  uint8_t ecriture;        // opened with "w..." or "r+": LZW switches the coder, not the decoder
  uint8_t memoire;         // writes (and fixed-buffer reads) go to memory
  uint8_t extensible;      // the memory target is a handle (else a fixed buffer)
  uint8_t lzw;             // LZW coding on
  uint8_t erreurEcriture;  // a byte could not be written since the open
  uint8_t finFichier;      // a read went past the end
  uint8_t ptrEcriture;     // the fixed buffer may be written
  uint8_t* curseur;        // next byte of the fixed buffer
  uint8_t* origine;        // start of the fixed buffer
  uint32_t nbLus;          // bytes taken from (or put into) the fixed buffer
  uint32_t tailleBloc;     // size of the fixed buffer
  uint32_t posHandle;      // bytes written into the target handle
  uint32_t capaHandle;     // bytes allocated in the target handle
  Handle cible;            // the growable handle written to
  int64_t taille;          // size of the file when it was opened
};
extern IoCustom ioCustom;

// Back-ends.
int16_t ReadCarFile();
int16_t WriteCarFile(uint8_t c);
int16_t ReadCarLZW();
int16_t WriteCarLZW(uint8_t c);
int16_t WriteCarHandle(uint8_t c);
int16_t ReadCarPtr();
int16_t WriteCarPtr(uint8_t c);

int16_t OrvantaOpenFile(const char* path, const char* mode);  // 1 when a file is open
void CloseFile();
FILE* GetCurrentOpenFile();
int16_t EndOfFile();
void UnGetCar(int16_t c);
void SetPos(int32_t position);
// The stream's position, as SetPos takes it: the file's (not meaningful while
// LZW is on), or the memory target's; -1 without a stream.
int32_t GetPosWrite();
int16_t GetLZWMode();
int16_t SetLZWMode(int16_t mode);  // returns the previous mode

// Writing into a growable handle: FixeEcritureSurHandle, WriteCar any number of
// times (PrepareEcritureHandle before a block), TermineEcritureSurHandle, which
// leaves the handle its exact length and gives it.
void FixeEcritureSurHandle(Handle h);
int16_t PrepareEcritureHandle(int32_t n);  // 0 when the room could not be made
int32_t TermineEcritureSurHandle();

// Reading from, or writing into, a fixed buffer of known size; TermineSurPtr
// goes back to the file and gives the bytes taken or put.
void FixeLectureSurPtr(const void* p, uint32_t taille);
void FixeEcritureSurPtr(void* p, uint32_t taille);
uint32_t TermineSurPtr();

// Size of the stream (file or fixed buffer), and an upper bound of the bytes a
// reader can still get from it (exact except in an LZW stretch).
int64_t GetStreamSize();
int64_t GetStreamRemaining();
// Reads up to n bytes through the back-end in force; the count read.
int32_t ReadCarBlock(void* dst, int32_t n);

Handle ReadDataFileDansHandle(const char* path);  // the whole file, null on failure
int32_t freadlong(int32_t* value, FILE* f);       // a big-endian 32-bit value; 1 or 0
int32_t freadblock(void* buffer, int32_t n, FILE* f);

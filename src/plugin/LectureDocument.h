#pragma once
// Primitives and record readers of the native document format that the score
// model's readers call; they read through the document byte stream.
#include "platform/PlatformTypes.h"

struct AspectGraphiquePortee;
struct MiseEnPage;
struct StrTitre;

// A stored string into a buffer of `size` bytes, cut and terminated; false
// when the length marks no string (the buffer is then empty).
bool ReadString(char* buffer, uint16_t size);
// Records; 1 when read, 0 when the stream ended or the record cannot be read
// (the stream is then marked at its end).
int16_t ReadAspectGraphiquePortee(AspectGraphiquePortee* aspect);
int16_t ReadMiseEnPage(MiseEnPage* setup);
int16_t ReadStrTitre(StrTitre* title);
// Fills `count` rows of a bar table (a count of 0 or less reads nothing).
int16_t ReadTabEltMesure(Handle rows, int32_t count);

#pragma once
// The bank matrices of a score as native documents store them: the header,
// the bar ranges and, from 6.30, the sound effects that move with the bars.
#include "platform/PlatformTypes.h"

// A new Matrice of the kind filled from the document byte stream. Null when
// it cannot be made (its bytes are still read, so the stream stays in step)
// or when the stream ended or holds a damaged count (the stream is then
// marked at its end).
Handle ReadMatrice(uint32_t kind);

#pragma once
// The graphic mode: the engraving constants a score carries (256 bytes read as
// 128 signed 16-bit slots, with a few flag bytes and two text styles inside).
#include "platform/PlatformTypes.h"

struct ModeGraphique {
  uint8_t octets[256];
};

// Fills a score's graphic mode from the user's default.
void GetUserModeGraphique(ModeGraphique* mode);

// Reads a stored mode from the document byte stream; 1, or 0 when the stream
// ended inside the record.
int16_t ReadConfigGraphique(ModeGraphique* mode);
